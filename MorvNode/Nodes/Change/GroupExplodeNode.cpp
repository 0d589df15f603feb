#include "MorvNode/Nodes/Change/GroupExplodeNode.h"

#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

GroupExplodeNode::GroupExplodeNode()
    : ChangeNode(Modes{.group = false, .initial = kEach, .publishesIndexes = true})
{
}

const MVNodeClass& GroupExplodeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupExplodeNode";
    info.displayName = "Explode";
    info.displayTypeName = "Group";
    info.toolTipText = "Moves group elements away or towards the group pivot point";
    info.descriptionText = "This node moves each group element away from or towards the group pivot point with a set "
                           "offset. This offset can be constant, or vary between two values based on the distance "
                           "from the pivot point with a falloff function.<BR>You can change the pivot point of a "
                           "group by using the Change Pivot node.";
    info.iconName = "node_icon_group_explode.png";
    info.create = [] { return std::make_unique<GroupExplodeNode>(); };
    return info;
  }();
  return nodeClass;
}

void GroupExplodeNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  const bool constant = falloffFunction_.index() == kConstant;
  offsetMin_.setDisplayName(constant ? "Offset" : "Offset Min");
  offsetMax_.setLayoutHidden(constant);
  falloffDistance_.setLayoutHidden(constant);
}

void GroupExplodeNode::prepareChangesBasedOnInput(const MVElement& input)
{
  // The members of a group are placed in the group's coordinates, about its array pivot; the
  // group's own position moves them all alike and takes no part in their directions.
  if (dynamic_cast<const MVElementGroup*>(&input) != nullptr) {
    groupCenterX_ = input.arrayPivotX();
    groupCenterY_ = input.arrayPivotY();
  } else {
    groupCenterX_ = input.positionX() + input.pivotOffsetX();
    groupCenterY_ = input.positionY() + input.pivotOffsetY();
  }
}

void GroupExplodeNode::applyChangeToElement(MVElement& element)
{
  const double dx = groupCenterX_ - (element.positionX() + element.pivotOffsetX());
  const double dy = groupCenterY_ - (element.positionY() + element.pivotOffsetY());
  if (std::abs(dx) < 1 && std::abs(dy) < 1) {
    return;  // at the pivot: no direction to move in
  }
  const double d = std::hypot(dx, dy);
  const double low = offsetMin_.value();
  const double high = offsetMax_.value();
  const double reach = falloffDistance_.value();
  double offset = 0;
  switch (falloffFunction_.index()) {
    case kConstant:
      offset = low;
      break;
    case kLinear:
      offset = reach > 0 && d < reach ? low + (high - low) * d / reach : high;
      break;
    case kSquared:
      offset = reach > 0 && d < reach ? low + (high - low) * (d / reach) * (d / reach) : high;
      break;
    default:
      break;
  }
  const double angle = std::atan2(dy, dx);
  const double moveX = -offset * std::cos(angle);
  const double moveY = -offset * std::sin(angle);
  if (moveX != 0 || moveY != 0) {
    element.offsetPositionX(moveX, moveY);
  }
}

std::optional<std::string> GroupExplodeNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Falloff header") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
