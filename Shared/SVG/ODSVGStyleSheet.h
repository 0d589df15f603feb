#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Shared/SVG/ODSVGStyle.h"
#include "Shared/SVG/ODSVGStyleSheetRule.h"
#include "Shared/SVG/ODSVGStyleSheetSelector.h"

class ODSVGNode;

// The rules of a document's style elements, in reading order, and the style they give a node.
// Invalid selectors are dropped silently; unbalanced braces and unclosed comments end or skip
// reading; nothing is reported.
class ODSVGStyleSheet {
public:
  ODSVGStyleSheet() = default;

  // Rule blocks "selectors { declarations }" with /* comments */.
  void parseStyleBlock(std::string_view text);
  // The comma list compiled (each text once per sheet); pieces that do not compile are left out.
  std::vector<std::shared_ptr<ODSVGStyleSheetSelector>> selectorsWithSelectorString(std::string_view text);
  void addStyleRule(std::string_view declarations, std::vector<std::shared_ptr<ODSVGStyleSheetSelector>> selectors);
  // The matching rules' declarations merged in order of ascending specificity (reading order
  // among equals), so higher specificity wins; empty when nothing matches. `steps` as in
  // ODSVGStyleSheetSelector::matchesNode.
  ODSVGStyle styleForNode(const ODSVGNode& node, std::size_t* steps = nullptr) const;

  const std::vector<ODSVGStyleSheetRule>& rules() const { return rules_; }

private:
  // The rules that may match a node: those filed under its identifier, its classes or its name
  // by the rightmost compound of a selector, and those whose rightmost compound is empty. In
  // reading order, without repeats.
  std::vector<std::size_t> candidateRules(const ODSVGNode& node) const;

  std::unordered_map<std::string, std::shared_ptr<ODSVGStyleSheetSelector>> selectors_;
  std::vector<ODSVGStyleSheetRule> rules_;
  std::unordered_map<std::string, std::vector<std::size_t>> rulesByKey_;  // "#id", ".class", "<tag"
  std::vector<std::size_t> rulesForAnyNode_;
};
