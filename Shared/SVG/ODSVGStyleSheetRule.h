#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Shared/SVG/ODSVGStyle.h"
#include "Shared/SVG/ODSVGStyleSheetSelector.h"

class ODSVGNode;

// One rule of a style sheet: its comma list of selectors in order and its declarations.
class ODSVGStyleSheetRule {
public:
  ODSVGStyleSheetRule(std::vector<std::shared_ptr<ODSVGStyleSheetSelector>> selectors, ODSVGStyle style)
      : selectors_(std::move(selectors)), style_(std::move(style))
  {
  }

  // The first of the rule's selectors, in list order, that matches the node; nullptr when none
  // does. `steps` as in ODSVGStyleSheetSelector::matchesNode.
  const ODSVGStyleSheetSelector* matchesNode(const ODSVGNode& node, std::size_t* steps = nullptr) const;

  const std::vector<std::shared_ptr<ODSVGStyleSheetSelector>>& selectors() const { return selectors_; }
  const ODSVGStyle& style() const { return style_; }

private:
  std::vector<std::shared_ptr<ODSVGStyleSheetSelector>> selectors_;
  ODSVGStyle style_;
};
