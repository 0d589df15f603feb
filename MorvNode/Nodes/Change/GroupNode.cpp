#include "MorvNode/Nodes/Change/GroupNode.h"

#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Nodes/Change/ChangeNode.h"

const MVNodeClass& GroupNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "GroupNode";
    info.displayName = "Operation";
    info.displayTypeName = "Group";
    info.toolTipText = "Does something to a group of elements";
    info.iconName = "node_icon_group_apply_function.png";
    info.create = [] { return std::make_unique<GroupNode>(); };
    return info;
  }();
  return nodeClass;
}

void GroupNode::checkWarnings()
{
  MVNode::checkWarnings();
  ChangeNode::addGraphicsConnectionWarning(*this, graphics_);
}

void GroupNode::updateOutputParameters()
{
  graphics_.inputChanged();
}
