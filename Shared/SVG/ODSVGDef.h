#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "Shared/SVG/ODSVGNode.h"

// The definitions dictionary of a node: identifier to node. Has no definitions of its own.
class ODSVGDef : public ODSVGNode {
public:
  ODSVGDef();

  // Files the node under its identifier (a later node with the same identifier replaces the
  // earlier); a node without identifier is ignored.
  void addDef(std::shared_ptr<ODSVGNode> node) override;
  // The filed node; nullptr when there is none.
  std::shared_ptr<ODSVGNode> defForID(const std::string& identifier) const override;

private:
  std::unordered_map<std::string, std::shared_ptr<ODSVGNode>> dict_;
};
