#include "MorvNode/Nodes/Elements/ElementShapeNode.h"

#include <algorithm>

#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"

const MVNodeClass& ElementShapeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ElementNode::nodeClassInfo();
    info.className = "ElementShapeNode";
    info.displayName = "Shape";
    info.toolTipText = "Outputs a vector path shape element";
    info.descriptionText = "This node outputs a vector path shape element, like a circle or polygon. You can "
                           "configure the type of shape, location, size, initial rotation, fill and stroke of the "
                           "shape.";
    info.iconName = "node_icon_element_shape.png";
    info.create = [] { return std::make_unique<ElementShapeNode>(); };
    return info;
  }();
  return nodeClass;
}

void ElementShapeNode::updateLinkedParameters()
{
  ElementNode::updateLinkedParameters();
  const long long t = type_.index();
  const bool wedge = pieWedge_.value();
  sizeParameter()->setLayoutShowY(t < kPolygon);
  sizeParameter()->setDisplayNameX(t < kPolygon ? "Width" : "Diameter");
  shift_.setLayoutHidden(t != kParallelogram && t != kTrapezoid);
  sides_.setLayoutHidden(t != kPolygon && t != kStarPolygon);
  rounding_.setLayoutHidden(t != kPolygon && t != kStarPolygon);
  rounding2_.setLayoutHidden(!(t == kStarPolygon && rounding_.enabled()));
  diameter2_.setLayoutHidden(t != kStarPolygon);
  angle_.setLayoutHidden(t != kArcWedge);
  pieWedge_.setLayoutHidden(t != kArcWedge);
  innerDiameter_.setLayoutHidden(!(t == kArcWedge && wedge));
}

void ElementShapeNode::checkWarnings()
{
  ElementNode::checkWarnings();
  if (!fillColorParameter()->enabled() && !strokeColorParameter()->enabled()) {
    addWarningMessage("This shape node has both fill and stroke toggled off, so nothing will be drawn in the output.");
  }
  const long long t = type_.index();
  if ((t == kPolygon || t == kStarPolygon) && sides_.value() > kMaxSides) {
    addWarningMessage(pf::format("The number of sides is limited to %d, the shape is drawn with %d sides.", kMaxSides,
                                 kMaxSides));
  }
}

void ElementShapeNode::prefetchElementInputs() const
{
  ElementNode::prefetchElementInputs();
  prefetchParameter(*sizeParameter());
  prefetchParameter(type_);
}

void ElementShapeNode::prefetchGraphicsInputs(int step) const
{
  if (step == 0) {
    pf::prefetchMemory(this, sizeof(*this));
    return;
  }
  ElementNode::prefetchGraphicsInputs(step);
  if (step != 2) {
    return;
  }
  // The rows of the type, asked for in step 1 (the index is a stored value: reading it computes
  // nothing).
  switch (type_.index()) {
  case kParallelogram:
  case kTrapezoid:
    prefetchParameter(shift_);
    break;
  case kPolygon:
    prefetchParameter(sides_);
    prefetchParameter(rounding_);
    break;
  case kStarPolygon:
    prefetchParameter(sides_);
    prefetchParameter(rounding_);
    prefetchParameter(rounding2_);
    prefetchParameter(diameter2_);
    break;
  case kArcWedge:
    prefetchParameter(pieWedge_);
    prefetchParameter(innerDiameter_);
    prefetchParameter(angle_);
    break;
  default:
    break;
  }
}

std::shared_ptr<MVElement> ElementShapeNode::generateElement()
{
  // Each type reads only the rows it shows: the others are hidden, so nothing is connected to
  // them, and reading them would only cost time in a document of many shapes.
  const double w = sizeParameter()->valueX();
  const double h = sizeParameter()->valueY();
  const auto sides = [this] { return std::min(pf::saturatingCast<int>(sides_.value()), kMaxSides); };
  const auto outerRounding = [this] { return rounding_.enabled() ? rounding_.value() : 0.0; };

  // The base gives the element its controller and places it at "Position".
  auto element = std::make_shared<MVElementPath>();
  pf::Path path;
  std::string name;
  switch (type_.index()) {
  case kRectangle:
    path = MVElementPath::cgPathForRectangleWithWidth(w, h);
    name = "Rectangle";
    break;
  case kRightTriangle:
    path = MVElementPath::cgPathForRightTriangleWithWidth(w, h);
    name = "Triangle";
    break;
  case kParallelogram:
    path = MVElementPath::cgPathForParallelogramWithWidth(w, h, shift_.value());
    name = "Parallelogram";
    break;
  case kTrapezoid:
    path = MVElementPath::cgPathForTrapeziodWithWidth(w, h, shift_.value());
    name = "Trapezoid";
    break;
  case kPolygon:
    path = MVElementPath::cgPathForRoundedPolygonWithRadius(w / 2, sides(), outerRounding());
    name = "Polygon";
    break;
  case kStarPolygon: {
    const double diameter2 = diameter2_.value();
    const double innerRounding = rounding_.enabled() ? rounding2_.value() : 0.0;
    path = MVElementPath::cgPathForRoundedStarWithOuterRadius(w / 2, diameter2 / 2, sides(), outerRounding(),
                                                              innerRounding);
    name = "Star";
    break;
  }
  case kArcWedge: {
    const bool wedge = pieWedge_.value();
    const double innerDiameter = innerDiameter_.value();
    const double angle = nodekit::radians(angle_.value());
    if (wedge && innerDiameter != 0) {
      path = MVElementPath::cgPathForCircleSegmentWedgeWithInnerRadius(innerDiameter / 2, w / 2, angle);
    } else {
      path = MVElementPath::cgPathForCircleSegmentWithRadius(w / 2, angle, wedge);
    }
    name = wedge ? "Arc wedge" : "Arc";
    break;
  }
  default:
    path = MVElementPath::cgPathForEllipseWithWidth(w, h);
    name = "Ellipse";
    break;
  }

  // The element measures what the path covers: a shifted parallelogram, a polygon or a partial
  // arc is not "Size" wide.
  const std::optional<pf::Rect> box = path.bounds();
  element->setWidth(box ? box->width() : 0.0);
  element->setHeight(box ? box->height() : 0.0);
  element->setCgPath(std::make_shared<const pf::Path>(std::move(path)));
  element->setElementName(name);
  element->setStrokeWidth(0.0);
  element->setFillOpacity(0.0);
  return element;
}

bool ElementShapeNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ElementNode::loadLegacyMV2NodeDictionary(record);
  MVParameterValue2D* size = sizeParameter();
  if (type_.index() == kEllipse && size != nullptr) {
    const double x = size->localValueX();
    if (size->localValueY() != x) {
      size->setValueX(x, x);
    }
    size->setAspectLocked(true);
  }
  return loaded;
}
