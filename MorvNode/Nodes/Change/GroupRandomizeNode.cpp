#include "MorvNode/Nodes/Change/GroupRandomizeNode.h"

#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"

namespace {

// 1 / factor for a clipping mask; 1 for a zero or non-finite factor.
double inverseFactor(double factor)
{
  const double inverse = 1.0 / factor;
  return factor != 0 && std::isfinite(factor) && std::isfinite(inverse) ? inverse : 1.0;
}

}  // namespace

GroupRandomizeNode::GroupRandomizeNode()
    : ChangeNode(Modes{.group = false, .initial = kEach, .publishesIndexes = true})
{
  setHasRandomGraphicsOutput(true);
  initNodeRandomSeedParameters();
}

const MVNodeClass& GroupRandomizeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "GroupRandomizeNode";
    info.displayName = "Randomize";
    info.displayTypeName = "Group";
    info.toolTipText = "Applies random offset, scaling or rotation to each separate element in a group";
    info.iconName = "node_icon_group_randomize.png";
    info.create = [] { return std::make_unique<GroupRandomizeNode>(); };
    return info;
  }();
  return nodeClass;
}

void GroupRandomizeNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  heading_.setDisplayName(changeMode() == kSelected ? "Randomize selected" : "Randomize each");
  const bool scaled = scale_.enabled();
  const bool uniform = scaleUniform_.value();
  scaleUniform_.setLayoutHidden(!scaled);
  if (scaled) {
    scale_.setDisplayNameX(uniform ? "Scale" : "X");
    scale_.setLayoutShowY(!uniform);
  }
  insideClipping_.setLayoutHidden(!inputElementHasClippingMask());
}

void GroupRandomizeNode::applyChangeToElement(MVElement& element)
{
  updateIncrementalRandomSeed();
  auto* group = dynamic_cast<MVElementGroup*>(&element);
  if (deep_.value() && group != nullptr) {
    for (long k = 0; k < group->count(); ++k) {
      if (const std::shared_ptr<MVElement> member = group->mutableElementAtIndex(k)) {
        applyChangeToElement(*member);
      }
    }
    return;
  }
  MVElementGroup* mask = group != nullptr && group->hasClippingMask() && insideClipping_.value() ? group : nullptr;
  const long long n = currentArrayCount();
  const long long i = currentElementIndex();

  if (offset_.enabled()) {
    const double rangeX = offset_.valueX();
    const double rangeY = offset_.valueY();
    const double dx = 2 * rangeX * randomDoubleWithSeed(n + i) - rangeX;
    const double dy = 2 * rangeY * randomDoubleWithSeed(2 * n + i) - rangeY;
    if (dx != 0 || dy != 0) {
      element.offsetPositionX(dx, dy);
      if (mask != nullptr) {
        mask->transformClippingMaskOffsetX(-dx, -dy);
      }
    }
  }
  if (scale_.enabled()) {
    const double sx = 1 + scale_.valueX() * randomDoubleWithSeed(3 * n + i);
    const double sy = scaleUniform_.value() ? sx : 1 + scale_.valueY() * randomDoubleWithSeed(4 * n + i);
    element.scaleX(sx, sy);  // a scale of (1, 1) is dropped by the element
    if (mask != nullptr) {
      mask->transformClippingMaskScaleX(inverseFactor(sx), inverseFactor(sy));
    }
  }
  if (rotation_.enabled()) {
    const double range = rotation_.value();
    const double a = 2 * range * randomDoubleWithSeed(5 * n + i) - range;
    if (a != 0) {
      element.rotate(a);
      if (mask != nullptr) {
        mask->transformClippingMaskRotate(-a);
      }
    }
  }
}

std::optional<std::string> GroupRandomizeNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Has Scale") {
    return "Scale[ENABLE]";
  }
  if (name == "Scale X" || name == "Offset X") {
    return name.substr(0, name.size() - 2) + ":X";
  }
  if (name == "Scale Y" || name == "Offset Y") {
    return name.substr(0, name.size() - 2) + ":Y";
  }
  if (name == "Angle") {
    return "Rotation";
  }
  if (name == "Uniform") {
    return "Scale uniform";
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}

bool GroupRandomizeNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ChangeNode::loadLegacyMV2NodeDictionary(record);
  scaleUniform_.setValue(scale_.aspectLocked());
  return loaded;
}
