#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Shared/SVG/ODSVGNode.h"

// A node with children in drawing order (g, switch, clip paths, masks, fonts, the root).
class ODSVGGroup : public ODSVGNode {
public:
  ODSVGGroup() = default;

  // A deep copy: each child is copied in order and its parent becomes the new group.
  std::shared_ptr<ODSVGNode> copy() const override;

  void addChild(std::shared_ptr<ODSVGNode> child);  // nullptr is ignored
  const std::vector<std::shared_ptr<ODSVGNode>>& children() const { return children_; }
  void purgeChildren() { children_.clear(); }
  void prepareFromCopy() { children_.clear(); }
  std::string description() const;

protected:
  // Appends copies of `source`'s children to this group.
  void copyChildrenFrom(const ODSVGGroup& source);

private:
  std::vector<std::shared_ptr<ODSVGNode>> children_;
};
