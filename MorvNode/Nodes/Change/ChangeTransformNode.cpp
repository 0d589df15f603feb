#include "MorvNode/Nodes/Change/ChangeTransformNode.h"

#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/UserDefaults.h"

namespace {

// The inverse of a scale factor for a clipping mask; 1 (no change) for a zero or non-finite
// factor, whose inverse would break the mask.
double inverseFactor(double factor)
{
  const double inverse = 1.0 / factor;
  return factor != 0 && std::isfinite(factor) && std::isfinite(inverse) ? inverse : 1.0;
}

}  // namespace

ChangeTransformNode::ChangeTransformNode()
    : ChangeNode(Modes{.initial = kGroup, .publishesIndexes = true})
{
}

bool ChangeTransformNode::newChangeNodeDefaults()
{
  return pf::UserDefaults::standard().boolForKey("Enable new change node defaults");
}

const MVNodeClass& ChangeTransformNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ChangeNode::nodeClassInfo();
    info.className = "ChangeTransformNode";
    info.displayName = "Transform";
    info.toolTipText = "Changes the transformation, scale, offset and/or rotation of connected graphics elements";
    info.descriptionText = "Changes the transformation, scale, offset and/or rotation of connected graphics elements. "
                           "Depending on the mode of the node this change is applied to the entire group, the "
                           "individual elements in the group or just some elements.";
    info.iconName = "node_icon_change_transform.png";
    info.create = [] { return std::make_unique<ChangeTransformNode>(); };
    return info;
  }();
  return nodeClass;
}

void ChangeTransformNode::updateLinkedParameters()
{
  ChangeNode::updateLinkedParameters();
  insideClipping_.setLayoutHidden(!inputElementHasClippingMask());
}

void ChangeTransformNode::applyChangeToElement(MVElement& element)
{
  auto* group = dynamic_cast<MVElementGroup*>(&element);
  MVElementGroup* mask = group != nullptr && group->hasClippingMask() && insideClipping_.value() ? group : nullptr;

  if (offset_.enabled()) {
    const double x = offset_.valueX();
    const double y = offset_.valueY();
    if (x != 0 || y != 0) {
      element.offsetPositionX(x, y);
      if (mask != nullptr) {
        mask->transformClippingMaskOffsetX(-x, -y);
      }
    }
  }
  if (scale_.enabled()) {
    const double sx = scale_.valueX();
    const double sy = scale_.valueY();
    if (sx != 1 || sy != 1) {
      element.scaleX(sx, sy);
      if (mask != nullptr) {
        mask->transformClippingMaskScaleX(inverseFactor(sx), inverseFactor(sy));
      }
    }
  }
  if (resize_.enabled()) {
    const double rx = resize_.valueX();
    const double ry = resize_.valueY();
    if (rx != 0 || ry != 0) {
      const std::optional<pf::Rect> box = element.transformedBoundingBoxNested();
      const double w = box ? box->width() : 0.0;
      const double h = box ? box->height() : 0.0;
      // The outline grows by (rx, ry): a visible stroke is not counted in the size.
      const double s = element.strokeWidth() != 0 && element.strokeOpacity() != 0 ? element.strokeWidth() : 0.0;
      const double fx = w - s != 0 ? (rx + (w - s)) / (w - s) : 1.0;
      const double fy = h - s != 0 ? (ry + (h - s)) / (h - s) : 1.0;
      if (fx != 1 || fy != 1) {
        element.scaleX(fx, fy);
        if (mask != nullptr) {
          mask->transformClippingMaskScaleX(inverseFactor(fx), inverseFactor(fy));
        }
      }
    }
  }
  if (rotation_.enabled()) {
    const double a = rotation_.value();
    if (a != 0) {
      element.rotate(a);
      if (mask != nullptr) {
        mask->transformClippingMaskRotate(-a);
      }
    }
  }
}

std::optional<std::string> ChangeTransformNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Angle") {
    return "Rotation";
  }
  if (name == "Offset X" || name == "Scale X" || name == "Resize X") {
    return name.substr(0, name.size() - 2) + ":X";
  }
  if (name == "Offset Y" || name == "Scale Y" || name == "Resize Y") {
    return name.substr(0, name.size() - 2) + ":Y";
  }
  if (name == "Has Scale" || name == "Size mode") {
    return std::nullopt;
  }
  return ChangeNode::legacyMV2ParameterNameTranslation(name);
}

bool ChangeTransformNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ChangeNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* stored = record.find("Parameter values");
  const pf::PlistValue::Dictionary* values = stored != nullptr ? stored->asDictionary() : nullptr;
  if (values != nullptr) {
    const auto flag = [values](const char* key) {
      const pf::PlistValue* value = values->find(key);
      return value != nullptr && value->toBool().value_or(false);
    };
    const bool hasScale = flag("Has Scale");
    const bool sizeMode = flag("Size mode");
    scale_.setEnabled(hasScale && !sizeMode);
    resize_.setEnabled(hasScale && sizeMode);
  }
  return loaded;
}
