#pragma once

#include <string>

#include "Shared/SVG/ODSVGNode.h"

// A foreignObject element's node: only its requiredExtensions text (the parser does not make
// it; foreign content is the document delegate's business).
class ODSVGForeignObject : public ODSVGNode {
public:
  ODSVGForeignObject() = default;

  const std::string& requiredExtension() const { return requiredExtension_; }
  void setRequiredExtension(std::string extension) { requiredExtension_ = std::move(extension); }

private:
  std::string requiredExtension_;
};
