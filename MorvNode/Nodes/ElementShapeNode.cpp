#include "MorvNode/Nodes/ElementShapeNode.h"

#include <algorithm>
#include <numbers>

#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"

namespace {

std::unique_ptr<MVParameterValue> valueParameter(const std::string& name, const std::string& displayName,
                                                 double value, const std::string& tooltip)
{
  auto parameter = MVParameterValue::parameterWithName(name);
  parameter->setDisplayName(displayName);
  parameter->setValue(value);
  parameter->setTooltip(tooltip);
  return parameter;
}

double valueOf(MVParameterValue* parameter)
{
  return parameter != nullptr ? parameter->value() : 0.0;
}

double radians(double degrees)
{
  return degrees / 180 * std::numbers::pi;
}

void setHidden(MVParameter* parameter, bool hidden)
{
  if (parameter != nullptr) {
    parameter->setLayoutHidden(hidden);
  }
}

}  // namespace

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

void ElementShapeNode::initNodeParameters()
{
  ElementNode::initNodeParameters();

  const std::vector<std::string> types = {"Ellipse",      "Rectangle", "Right triangle", "Parallelogram",
                                          "Trapezoid",    "Polygon",   "Star polygon",   "Arc wedge"};
  auto type = MVParameterIndex::parameterWithName("Type");
  type->setDisplayName("Shape");
  type->setIndexNames(types);
  type->setIndexDisplayNames(types);
  type->setIndexIcons({"icon_shape_circle.png", "icon_shape_rectangle.png", "icon_shape_triangle.png",
                       "icon_shape_parallelogram.png", "icon_shape_trapetzoid.png", "icon_shape_polygon.png",
                       "icon_shape_star_polygon.png", "icon_shape_arc.png"});
  type->setIndexTooltips({"A circle with set diameter", "A rectangle with set height and width",
                          "A right-angle triangle with set height and width",
                          "A parallelogram with set height, width and horizontal shift",
                          "A trapetzoid with set height, width and horizontal shift",
                          "A polygon with set diameter and number of sides and rounding",
                          "A star polygon with set inner and outer diameters and number of points",
                          "An arc with set angle and pie wedge option"});
  type->setIndex(kRectangle);
  type->setTooltip("The type of shape to generate");
  typeParameter_ = type.get();
  addParameter(std::move(type), 1);

  auto sides = valueParameter("Sides", "Sides", 6, "The number of sides/edges of the shape");
  sides->setMinValueLimit(3);
  sides->setPreferredValueRangeMax(12);
  sides->setIsInteger(true);
  sidesParameter_ = sides.get();
  addParameter(std::move(sides), 2);

  auto diameter2 = valueParameter("Diameter 2", "Diameter 2", 20, "The inner diameter of the shape");
  diameter2->setMinValueLimit(0);
  diameter2Parameter_ = diameter2.get();
  addParameter(std::move(diameter2), 4);

  auto innerDiameter = valueParameter("Inner Diameter", "Inner Diameter", 10, "The inner diameter of the arc shape");
  innerDiameter->setMinValueLimit(0);
  innerDiameterParameter_ = innerDiameter.get();
  addParameter(std::move(innerDiameter), 3);

  auto pieWedge = MVParameterBool::parameterWithName("Pie wedge");
  pieWedge->setDisplayName("Pie wedge");
  pieWedge->setValue(true);
  pieWedge->setTooltip("When checked the shape is extended with lines from the arc ends to the center, effectively "
                       "making it a pie wedge shape.");
  pieWedgeParameter_ = pieWedge.get();
  addParameter(std::move(pieWedge), 4);

  auto shift = valueParameter("Shift", "Shift", 10,
                              "Horizontal shift of the slanted sides of a parallelogram or trapetzoid");
  shiftParameter_ = shift.get();
  addParameter(std::move(shift), 6);

  auto angle = valueParameter("Angle", "Angle", 90, "Angle range (in degrees) of the circle segment");
  angle->setMinValueLimit(0);
  angle->setMaxValueLimit(360);
  angleParameter_ = angle.get();
  addParameter(std::move(angle), 7);

  auto rounding = valueParameter("Rounding", "Outer", 0.2, "The smoothing of the outer corners of the shape");
  rounding->setDisplayHeaderName("Smoothing");
  rounding->setLayoutHasEnableToggle(true);
  rounding->setEnabled(false);
  rounding->setPreferredValueRangeMin(-1);
  rounding->setPreferredValueRangeMax(1);
  roundingParameter_ = rounding.get();
  addParameter(std::move(rounding), 9);

  auto rounding2 = valueParameter("Rounding 2", "Inner", 0.2, "The smoothing of the inner corners of the shape");
  rounding2->setPreferredValueRangeMin(-1);
  rounding2->setPreferredValueRangeMax(1);
  rounding2Parameter_ = rounding2.get();
  addParameter(std::move(rounding2), 10);
}

void ElementShapeNode::updateLinkedParameters()
{
  ElementNode::updateLinkedParameters();
  if (typeParameter_ == nullptr) {
    return;
  }
  const long long t = typeParameter_->index();
  const bool roundingOn = roundingParameter_ != nullptr && roundingParameter_->enabled();
  const bool wedge = pieWedgeParameter_ != nullptr && pieWedgeParameter_->value();

  MVParameterValue2D* size = sizeParameter();
  if (size != nullptr) {
    size->setLayoutShowY(t < kPolygon);
  }
  setHidden(shiftParameter_, t != kParallelogram && t != kTrapezoid);
  setHidden(sidesParameter_, t != kPolygon && t != kStarPolygon);
  setHidden(roundingParameter_, t != kPolygon && t != kStarPolygon);
  setHidden(rounding2Parameter_, !(t == kStarPolygon && roundingOn));
  setHidden(diameter2Parameter_, t != kStarPolygon);
  setHidden(angleParameter_, t != kArcWedge);
  setHidden(pieWedgeParameter_, t != kArcWedge);
  setHidden(innerDiameterParameter_, !(t == kArcWedge && wedge));
  if (size != nullptr) {
    size->setDisplayNameX(t < kPolygon ? "Width" : "Diameter");
  }
}

void ElementShapeNode::checkWarnings()
{
  ElementNode::checkWarnings();
  if (fillColorParameter() != nullptr && strokeColorParameter() != nullptr && !fillColorParameter()->enabled() &&
      !strokeColorParameter()->enabled()) {
    addWarningMessage("This shape node has both fill and stroke toggled off, so nothing will be drawn in the output.");
  }
  const long long t = typeParameter_ != nullptr ? typeParameter_->index() : kEllipse;
  if ((t == kPolygon || t == kStarPolygon) && valueOf(sidesParameter_) > kMaxSides) {
    addWarningMessage(pf::format("The number of sides is limited to %d, the shape is drawn with %d sides.", kMaxSides,
                                 kMaxSides));
  }
}

std::shared_ptr<MVElement> ElementShapeNode::generateElement()
{
  MVParameterValue2D* size = sizeParameter();
  const double w = size != nullptr ? size->valueX() : 0.0;
  const double h = size != nullptr ? size->valueY() : 0.0;
  const double shift = valueOf(shiftParameter_);
  const double sides = valueOf(sidesParameter_);
  const double diameter2 = valueOf(diameter2Parameter_);
  const double angle = valueOf(angleParameter_);
  const bool roundingOn = roundingParameter_ != nullptr && roundingParameter_->enabled();
  const double outerRounding = roundingOn ? valueOf(roundingParameter_) : 0.0;
  const double innerRounding = roundingOn ? valueOf(rounding2Parameter_) : 0.0;
  const int k = std::min(pf::saturatingCast<int>(sides), kMaxSides);

  auto element = std::make_shared<MVElementPath>();
  if (nodeController() != nullptr) {
    element->setNodeController(nodeController()->elementDelegate());
  }
  if (MVParameterValue2D* position = positionParameter()) {
    element->setPositionX(position->valueX(), position->valueY());
  }

  pf::Path path;
  std::string name;
  switch (typeParameter_ != nullptr ? typeParameter_->index() : kEllipse) {
  case kRectangle:
    path = MVElementPath::cgPathForRectangleWithWidth(w, h);
    name = "Rectangle";
    break;
  case kRightTriangle:
    path = MVElementPath::cgPathForRightTriangleWithWidth(w, h);
    name = "Triangle";
    break;
  case kParallelogram:
    path = MVElementPath::cgPathForParallelogramWithWidth(w, h, shift);
    name = "Parallelogram";
    break;
  case kTrapezoid:
    path = MVElementPath::cgPathForTrapeziodWithWidth(w, h, shift);
    name = "Trapezoid";
    break;
  case kPolygon:
    path = MVElementPath::cgPathForRoundedPolygonWithRadius(w / 2, k, outerRounding);
    name = "Polygon";
    break;
  case kStarPolygon:
    path = MVElementPath::cgPathForRoundedStarWithOuterRadius(w / 2, diameter2 / 2, k, outerRounding, innerRounding);
    name = "Star";
    break;
  case kArcWedge: {
    const bool wedge = pieWedgeParameter_ != nullptr && pieWedgeParameter_->value();
    const double innerDiameter = valueOf(innerDiameterParameter_);
    if (wedge && innerDiameter != 0) {
      path = MVElementPath::cgPathForCircleSegmentWedgeWithInnerRadius(innerDiameter / 2, w / 2, radians(angle));
    } else {
      path = MVElementPath::cgPathForCircleSegmentWithRadius(w / 2, radians(angle), wedge);
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
