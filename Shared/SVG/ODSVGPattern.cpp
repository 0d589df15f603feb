#include "Shared/SVG/ODSVGPattern.h"

std::shared_ptr<ODSVGNode> ODSVGPattern::copy() const
{
  std::shared_ptr<ODSVGPattern> pattern = makeCopy(*this);
  pattern->prepareFromCopy();
  pattern->copyChildrenFrom(*this);
  return pattern;
}
