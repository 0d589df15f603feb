#include "Shared/SVG/ODSVGStyleSheetRule.h"

const ODSVGStyleSheetSelector* ODSVGStyleSheetRule::matchesNode(const ODSVGNode& node, std::size_t* steps) const
{
  for (const std::shared_ptr<ODSVGStyleSheetSelector>& selector : selectors_) {
    if (selector->matchesNode(node, steps)) {
      return selector.get();
    }
  }
  return nullptr;
}
