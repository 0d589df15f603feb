#pragma once

#include <memory>
#include <string>

#include "Shared/SVG/ODSVGGroup.h"

// A group node that carries a text string (the parser does not make it; the library draws no
// text).
class ODSVGText : public ODSVGGroup {
public:
  ODSVGText() = default;

  // The group's copy with the same text.
  std::shared_ptr<ODSVGNode> copy() const override;

  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }

private:
  std::string text_;
};
