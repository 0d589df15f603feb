#include "Shared/SVG/ODSVGText.h"

std::shared_ptr<ODSVGNode> ODSVGText::copy() const
{
  std::shared_ptr<ODSVGText> node = makeCopy(*this);
  node->prepareFromCopy();
  node->copyChildrenFrom(*this);
  node->text_ = text_;
  return node;
}
