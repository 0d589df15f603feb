#include "MorvNode/Nodes/Change/GroupRandomizeColorNode.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"

GroupRandomizeColorNode::GroupRandomizeColorNode()
    : ChangeNode(Modes{.group = false, .initial = kEach, .publishesIndexes = true})
{
  setHasRandomGraphicsOutput(true);
  initNodeRandomSeedParameters();
}

const MVNodeClass& GroupRandomizeColorNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupRandomizeColorNode";
    info.displayName = "Randomize color";
    info.displayTypeName = "Group";
    info.toolTipText = "Applies random adjustment to the color of each separate element in a group";
    info.iconName = "node_icon_group_randomize_color.png";
    info.create = [] { return std::make_unique<GroupRandomizeColorNode>(); };
    return info;
  }();
  return nodeClass;
}

void GroupRandomizeColorNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  heading_.setDisplayName(changeMode() == kSelected ? "Randomize selected" : "Randomize each");
}

void GroupRandomizeColorNode::applyChangeToElement(MVElement& element)
{
  updateIncrementalRandomSeed();
  const long long n = currentArrayCount();
  const long long i = currentElementIndex();
  const double h = hue_.value();
  const double s = saturation_.value();
  const double b = brightness_.value();
  hueShift_ = 2 * h * randomDoubleWithSeed(n + i) - h;
  saturationShift_ = 2 * s * randomDoubleWithSeed(2 * n + i) - s;
  brightnessShift_ = 2 * b * randomDoubleWithSeed(3 * n + i) - b;
  if (hueShift_ == 0 && saturationShift_ == 0 && brightnessShift_ == 0) {
    return;
  }
  if (auto* group = dynamic_cast<MVElementGroup*>(&element); group != nullptr && deep_.value()) {
    for (long k = 0; k < group->count(); ++k) {
      if (const std::shared_ptr<MVElement> member = group->mutableElementAtIndex(k)) {
        applyChangeToElement(*member);
      }
    }
    return;
  }
  if (adjustFill_.value()) {
    element.adjustFillColorHue(hueShift_, saturationShift_, brightnessShift_);
  }
  if (adjustStroke_.value()) {
    element.adjustStrokeColorHue(hueShift_, saturationShift_, brightnessShift_);
  }
}
