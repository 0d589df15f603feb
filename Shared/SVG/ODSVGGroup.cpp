#include "Shared/SVG/ODSVGGroup.h"

#include "Platform/Format.h"

std::shared_ptr<ODSVGNode> ODSVGGroup::copy() const
{
  std::shared_ptr<ODSVGGroup> group = makeCopy(*this);
  group->prepareFromCopy();
  group->copyChildrenFrom(*this);
  return group;
}

void ODSVGGroup::copyChildrenFrom(const ODSVGGroup& source)
{
  for (const std::shared_ptr<ODSVGNode>& child : source.children_) {
    std::shared_ptr<ODSVGNode> childCopy = child->copy();
    childCopy->setParentNode(this);
    children_.push_back(std::move(childCopy));
  }
}

void ODSVGGroup::addChild(std::shared_ptr<ODSVGNode> child)
{
  if (child) {
    children_.push_back(std::move(child));
  }
}

std::string ODSVGGroup::description() const
{
  return pf::format("%@ - %ld children", ODSVGNode::description(), static_cast<long>(children_.size()));
}
