#pragma once

#include <memory>

#include "MorvNode/Nodes/Elements/ElementNode.h"


// The element node that outputs one closed path of a chosen shape: ellipse, rectangle, right
// triangle, parallelogram, trapezoid, rounded polygon, rounded star or arc (a circle segment,
// optionally a pie wedge or a ring segment). It shows only the rows the chosen type uses and
// builds the path with MVElementPath's shape factories; placement and style come from the base.
class ElementShapeNode : public ElementNode {
public:
  // Values of the "Type" index (saved in documents).
  static constexpr long long kEllipse = 0;
  static constexpr long long kRectangle = 1;
  static constexpr long long kRightTriangle = 2;
  static constexpr long long kParallelogram = 3;
  static constexpr long long kTrapezoid = 4;
  static constexpr long long kPolygon = 5;
  static constexpr long long kStarPolygon = 6;
  static constexpr long long kArcWedge = 7;
  // Ceiling of "Sides" for polygons and stars: a larger count draws like a circle and would
  // only cost time and memory (the node warns when the value is above it).
  static constexpr int kMaxSides = 10000;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Shows the rows of the chosen type and names the size fields after it.
  void updateLinkedParameters() override;
  // Also warns when both fill and stroke are off, and when "Sides" is above kMaxSides.
  void checkWarnings() override;
  bool warningsFollowOwnState() const override { return true; }
  // The shape's path centred on the origin, named after the shape; its width and height are
  // those of the path's box (not "Size"), stroke width and fill opacity 0 until styled.
  std::shared_ptr<MVElement> generateElement() override;
  // Also the size and the type, which every shape reads.
  void prefetchElementInputs() const override;
  // Step 0 covers the shape's own rows too; step 2 asks for the rows its type reads.
  void prefetchGraphicsInputs(int step) const override;
  // An old ellipse is a circle of its old width, its aspect locked.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  MVParameterIndex& type_ = nodekit::choice(
      *this, {.name = "Type", .displayName = "Shape", .tooltip = "The type of shape to generate"},
      {.names = {"Ellipse", "Rectangle", "Right triangle", "Parallelogram", "Trapezoid", "Polygon", "Star polygon",
                 "Arc wedge"},
       .icons = {"icon_shape_circle.png", "icon_shape_rectangle.png", "icon_shape_triangle.png",
                 "icon_shape_parallelogram.png", "icon_shape_trapetzoid.png", "icon_shape_polygon.png",
                 "icon_shape_star_polygon.png", "icon_shape_arc.png"},
       .tooltips = {"A circle with set diameter", "A rectangle with set height and width",
                    "A right-angle triangle with set height and width",
                    "A parallelogram with set height, width and horizontal shift",
                    "A trapetzoid with set height, width and horizontal shift",
                    "A polygon with set diameter and number of sides and rounding",
                    "A star polygon with set inner and outer diameters and number of points",
                    "An arc with set angle and pie wedge option"},
       .index = kRectangle},
      nodekit::after("Graphics"));
  MVParameterValue& sides_ =
      nodekit::value(*this, {.name = "Sides", .tooltip = "The number of sides/edges of the shape"},
                     {.value = 6, .min = 3, .rangeMax = 12, .integer = true}, nodekit::after("Type"));
  MVParameterValue& innerDiameter_ =
      nodekit::value(*this, {.name = "Inner Diameter", .tooltip = "The inner diameter of the arc shape"},
                     {.value = 10, .min = 0}, nodekit::after("Sides"));
  MVParameterBool& pieWedge_ = nodekit::toggle(
      *this,
      {.name = "Pie wedge",
       .tooltip = "When checked the shape is extended with lines from the arc ends to the center, effectively "
                  "making it a pie wedge shape."},
      true, nodekit::after("Inner Diameter"));
  MVParameterValue& shift_ = nodekit::value(
      *this, {.name = "Shift", .tooltip = "Horizontal shift of the slanted sides of a parallelogram or trapetzoid"},
      {.value = 10}, nodekit::after("Size"));
  MVParameterValue& angle_ =
      nodekit::value(*this, {.name = "Angle", .tooltip = "Angle range (in degrees) of the circle segment"},
                     {.value = 90, .min = 0, .max = 360}, nodekit::after("Shift"));
  MVParameterValue& diameter2_ =
      nodekit::value(*this, {.name = "Diameter 2", .tooltip = "The inner diameter of the shape"},
                     {.value = 20, .min = 0}, nodekit::after("Angle"));
  MVParameterValue& rounding_ = nodekit::value(*this,
                                               {.name = "Rounding",
                                                .displayName = "Outer",
                                                .header = "Smoothing",
                                                .tooltip = "The smoothing of the outer corners of the shape",
                                                .enableToggle = true,
                                                .enabled = false},
                                               {.value = 0.2, .rangeMin = -1, .rangeMax = 1},
                                               nodekit::after("Diameter 2"));
  MVParameterValue& rounding2_ = nodekit::value(
      *this, {.name = "Rounding 2", .displayName = "Inner", .tooltip = "The smoothing of the inner corners of the shape"},
      {.value = 0.2, .rangeMin = -1, .rangeMax = 1}, nodekit::after("Rounding"));
};
