#include "Shared/SVG/ODSVGDef.h"

ODSVGDef::ODSVGDef() : ODSVGNode(false)
{
}

void ODSVGDef::addDef(std::shared_ptr<ODSVGNode> node)
{
  if (!node || !node->identifier()) {
    return;
  }
  dict_[*node->identifier()] = std::move(node);
}

std::shared_ptr<ODSVGNode> ODSVGDef::defForID(const std::string& identifier) const
{
  const auto found = dict_.find(identifier);
  return found == dict_.end() ? nullptr : found->second;
}
