#include "MorvNode/Nodes/Repeaters/RepeatMirrorNode.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Numbers.h"

const MVNodeClass& RepeatMirrorNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = RepeaterNode::nodeClassInfo();
    info.className = "RepeatMirrorNode";
    info.displayName = "Mirror";
    info.toolTipText = "Repeats the connected elements by mirroring them";
    info.descriptionText = "This node repeats the input Graphics by mirroring, clipping and offseting them based on "
                           "one or more mirror planes, and then outputs a group containing the repeated elements.";
    info.iconName = "node_icon_repeat_mirror.png";
    info.create = [] { return std::make_unique<RepeatMirrorNode>(); };
    return info;
  }();
  return nodeClass;
}

void RepeatMirrorNode::updateLinkedParameters()
{
  RepeaterNode::updateLinkedParameters();
  const bool perpendicular = perpendicular_.value();
  offsetPerpendicular_.setLayoutHidden(!perpendicular);
  offset_.setLayoutHidden(perpendicular);
  if (updatingOffsets_) {
    return;
  }
  updatingOffsets_ = true;
  const double a = nodekit::radians(angle_.value());
  if (perpendicular) {
    const double p = offsetPerpendicular_.value();
    offset_.setValueX(p * -std::cos(a), p * -std::sin(a));
  } else {
    const double x = offset_.valueX();
    const double y = offset_.valueY();
    const double length = std::sqrt(x * x + y * y);
    // The sign is opposite to x's; on the vertical (x = 0) opposite to y's, which is what the
    // perpendicular offset gives for a plane at 90 degrees.
    const double sign = x != 0 ? -x : -y;
    offsetPerpendicular_.setValue(sign < 0 ? -length : length);
  }
  updatingOffsets_ = false;
}

double RepeatMirrorNode::offsetDirection(double angle, long long planes)
{
  return nodekit::radians(angle) + std::numbers::pi + std::numbers::pi / 2 -
         std::numbers::pi / (2 * static_cast<double>(planes));
}

std::optional<pf::Path> RepeatMirrorNode::cgClipPathElement(const MVElement& element, long long planes, double angle,
                                                            double offsetX, double offsetY)
{
  if (planes < 1) {
    return std::nullopt;
  }
  const double cx = element.positionX() + element.arrayPivotX();
  const double cy = element.positionY() + element.arrayPivotY();
  const std::optional<pf::Rect> box = element.transformedBoundingBoxNested();
  const double diagonal = box ? std::hypot(box->width(), box->height()) : 0.0;
  const double phi = offsetDirection(angle, planes);
  const double reach =
      std::max(2 * std::hypot(offsetX, offsetY), 2 * (offsetX * std::cos(phi) + offsetY * std::sin(phi)));
  const double size = element.strokeWidth() + diagonal + reach;
  const pf::Point centre(cx - offsetX, cy - offsetY);
  const double a0 = nodekit::radians(angle) - std::numbers::pi / 2;
  const double a1 = a0 - std::numbers::pi / static_cast<double>(planes);
  pf::Path wedge;
  wedge.addArc(centre, size / 2, a0, a1, pf::ArcDirection::DecreasingAngle);
  wedge.lineTo(centre);
  wedge.closeSubpath();
  return wedge;
}

std::shared_ptr<const MVElement> RepeatMirrorNode::repeat(const std::shared_ptr<const MVElement>& input)
{
  clearCountWarning();
  // Below one plane there is no wedge to mirror into (and no direction for the offset): one plane.
  const long long planes = std::max(1LL, cappedCount(planes_.value(), kMaxMirrorPlanes));
  const double angle = angle_.value();
  double ox = 0;
  double oy = 0;
  if (perpendicular_.value()) {
    const double p = offsetPerpendicular_.value();
    const double phi = offsetDirection(angle, planes);
    ox = p * std::cos(phi);
    oy = p * std::sin(phi);
  } else {
    ox = offset_.valueX();
    oy = offset_.valueY();
  }

  const std::optional<pf::Rect> box = input->transformedBoundingBoxNested();
  cachedMirrorLength_ = box ? std::hypot(box->width(), box->height()) : 0.0;
  cachedMirrorPositionX_ = input->positionX() + input->arrayPivotX();
  cachedMirrorPositionY_ = input->positionY() + input->arrayPivotY();
  cachedMirrorAngle_ = angle;
  cachedMirrorPlanes_ = planes;

  auto mirror = makeGroup("Mirror group");
  auto firstClip = makeGroup("Mirror clip 1");
  std::shared_ptr<MVElement> copy = input->copy();
  const std::optional<pf::Path> wedge = cgClipPathElement(*copy, planes, angle, ox, oy);
  firstClip->addElementWithoutRecalculatingPivot(std::move(copy));
  firstClip->recalculateArrayPivot();
  if (clip_.value() && wedge) {
    firstClip->setClipPath(std::make_shared<const pf::Path>(*wedge));
  }
  firstClip->offsetPivotX(ox, oy);
  firstClip->offsetPositionX(-ox, -oy);
  std::shared_ptr<MVElement> previous = firstClip;
  mirror->addElementWithoutRecalculatingPivot(std::move(firstClip));

  const double step = 180 / static_cast<double>(planes);
  const long long more = std::max(2LL, 2 * planes) - 1;
  for (long long j = 0; j < more; ++j) {
    std::shared_ptr<MVElement> reflected = previous->copy();
    reflected->setElementName("Mirror clip " + std::to_string(j + 2));
    const double d = static_cast<double>(j) * step - angle;
    // Reflection about the plane at d degrees: turn it onto the vertical, flip, turn back.
    if (d != 0) {
      reflected->rotate(d);
      reflected->scaleX(-1, 1);
      reflected->rotate(-d);
    } else {
      reflected->scaleX(-1, 1);
    }
    previous = reflected;
    mirror->addElementWithoutRecalculatingPivot(std::move(reflected));
  }
  previous.reset();  // the group its only owner again, so that stamping it copies nothing more
  mirror->recalculateArrayPivot();
  mirror->offsetPositionX(ox, oy);
  mirror->addNodeToHistory(nodeId());
  return mirror;
}

std::shared_ptr<const MVElement> RepeatMirrorNode::graphicsPreviewElementForParameter(MVParameter*,
    std::shared_ptr<const MVElement> element)
{
  if (element == nullptr) {
    return nullptr;
  }
  MVElementDelegate* elements = nodeController() != nullptr ? nodeController()->elementDelegate() : nullptr;
  auto preview = std::make_shared<MVElementGroup>();
  if (elements != nullptr) {
    preview->setNodeController(elements);
  }
  preview->addElementWithoutRecalculatingPivot(element->copy());
  const double length = cachedMirrorLength_;
  auto line = std::make_shared<MVElementPath>();
  if (elements != nullptr) {
    line->setNodeController(elements);
  }
  line->setPositionX(cachedMirrorPositionX_, cachedMirrorPositionY_);
  line->rotate(cachedMirrorAngle_);
  line->setStrokeWidth(length / 50);
  line->setStrokeColor(pf::Color::rgb(1, 0, 0, 1));
  line->setStrokeOpacity(1);
  line->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForLineFromX(0, -length / 2, 0, length / 2)));
  std::shared_ptr<MVElement> previous = line;
  preview->addElementWithoutRecalculatingPivot(std::move(line));
  const long long planes = std::min(cachedMirrorPlanes_, kMaxMirrorPlanes);
  for (long long plane = 2; plane <= planes; ++plane) {
    std::shared_ptr<MVElement> next = previous->copy();
    next->rotate(180 / static_cast<double>(planes));
    previous = next;
    preview->addElementWithoutRecalculatingPivot(std::move(next));
  }
  preview->recalculateArrayPivot();
  return preview;
}

std::optional<std::string> RepeatMirrorNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Element offset" || name == "Mirror plane(s)") {
    return std::nullopt;
  }
  if (name == "Multiple mirror planes") {
    return std::string("Mirror planes[ENABLE]");
  }
  return RepeaterNode::legacyMV2ParameterNameTranslation(name);
}
