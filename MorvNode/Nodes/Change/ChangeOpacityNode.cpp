#include "MorvNode/Nodes/Change/ChangeOpacityNode.h"

#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

ChangeOpacityNode::ChangeOpacityNode() : ChangeNode(Modes{.initial = kGroup, .publishesIndexes = true}) {}

const MVNodeClass& ChangeOpacityNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangeOpacityNode";
    info.displayName = "Opacity";
    info.toolTipText = "Changes fill and stroke opacity and blend mode of connected elements";
    info.descriptionText =
        "Sets or changes the fill and stroke opacity (transparency alpha) and the blend mode of the connected "
        "graphic element, and outputs the changed element.\n\n<i>Not all blend modes are supported by vector "
        "output formats.</i>";
    info.iconName = "node_icon_change_opacity.png";
    info.create = [] { return std::make_unique<ChangeOpacityNode>(); };
    return info;
  }();
  return nodeClass;
}

void ChangeOpacityNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  const bool fillOn = fillMode_.enabled();
  fillOpacity_.setLayoutHidden(!fillOn || fillMode_.index() != kSetOpacity);
  fillOpacityChange_.setLayoutHidden(!fillOn || fillMode_.index() == kSetOpacity);
  const bool strokeOn = strokeMode_.enabled();
  strokeOpacity_.setLayoutHidden(!strokeOn || strokeMode_.index() != kSetOpacity);
  strokeOpacityChange_.setLayoutHidden(!strokeOn || strokeMode_.index() == kSetOpacity);
}

void ChangeOpacityNode::applyChangeToElement(MVElement& element)
{
  if (fillMode_.enabled()) {
    if (fillMode_.index() == kSetOpacity) {
      element.setFillOpacity(fillOpacity_.value());
    } else if (const double delta = fillOpacityChange_.value(); delta != 0) {
      element.adjustFillOpacity(delta);
    }
  }
  if (strokeMode_.enabled()) {
    if (strokeMode_.index() == kSetOpacity) {
      element.setStrokeOpacity(strokeOpacity_.value());
    } else if (const double delta = strokeOpacityChange_.value(); delta != 0) {
      element.adjustStrokeOpacity(delta);
    }
  }
  if (blendMode_.enabled()) {
    element.setBlendMode(static_cast<int>(blendMode_.index()));
  }
}

std::optional<std::string> ChangeOpacityNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Change fill opacity") {
    return "Fill opacity mode[ENABLE]";
  }
  if (name == "Change stroke opacity") {
    return "Stroke opacity mode[ENABLE]";
  }
  if (name == "Change blend mode") {
    return "Blend mode[ENABLE]";
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}
