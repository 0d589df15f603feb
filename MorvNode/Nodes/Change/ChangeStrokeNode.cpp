#include "MorvNode/Nodes/Change/ChangeStrokeNode.h"

#include <algorithm>

#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

ChangeStrokeNode::ChangeStrokeNode() : ChangeNode(Modes{.initial = kGroup, .publishesIndexes = true}) {}

const MVNodeClass& ChangeStrokeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangeStrokeNode";
    info.displayName = "Stroke";
    info.toolTipText = "Changes the stroke width and color of connected elements";
    info.descriptionText = "This node lets you set the stroke width and color, and will as end cap and miter mode of "
                           "the connected graphic element, outputting the modified element.";
    info.iconName = "node_icon_change_stroke.png";
    info.create = [] { return std::make_unique<ChangeStrokeNode>(); };
    return info;
  }();
  return nodeClass;
}

void ChangeStrokeNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  const bool on = widthMode_.enabled();
  width_.setLayoutHidden(!on || widthMode_.index() != kSetWidth);
  widthChange_.setLayoutHidden(!on || widthMode_.index() == kSetWidth);
}

void ChangeStrokeNode::applyChangeToElement(MVElement& element)
{
  if (widthMode_.enabled()) {
    if (widthMode_.index() == kSetWidth) {
      element.setStrokeWidth(std::max(width_.value(), 0.0));
    } else if (const double delta = widthChange_.value(); delta != 0) {
      element.adjustStrokeWidth(delta);
    }
  }
  if (color_.enabled()) {
    element.setStrokeColor(color_.color());
  }
  if (endCaps_.enabled()) {
    element.setStrokeEndCap(static_cast<int>(endCaps_.index()));
  }
  if (joints_.enabled()) {
    element.setStrokeJoints(static_cast<int>(joints_.index()));
  }
}

std::optional<std::string> ChangeStrokeNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Set stroke width") {
    return "Stroke width mode[ENABLE]";
  }
  if (name == "Apply stroke color") {
    return "Stroke Color[ENABLE]";
  }
  if (name == "Set stroke end caps") {
    return "End caps[ENABLE]";
  }
  if (name == "Set stroke joints") {
    return "Joints[ENABLE]";
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
