#pragma once

#include <memory>

#include "MorvNode/Nodes/ElementNode.h"

class MVParameterBool;
class MVParameterIndex;
class MVParameterValue;

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

  void initNodeParameters() override;
  // Shows the rows of the chosen type and names the size fields after it.
  void updateLinkedParameters() override;
  // Also warns when both fill and stroke are off, and when "Sides" is above kMaxSides.
  void checkWarnings() override;
  // The shape's path centred on the origin, named after the shape; its width and height are
  // those of the path's box (not "Size"), stroke width and fill opacity 0 until styled.
  std::shared_ptr<MVElement> generateElement() override;

private:
  // Owned by the node's parameter list; nullptr before initNodeParameters(). Held so that each
  // generation reads them without a search by name.
  MVParameterIndex* typeParameter_ = nullptr;
  MVParameterValue* sidesParameter_ = nullptr;
  MVParameterValue* innerDiameterParameter_ = nullptr;
  MVParameterBool* pieWedgeParameter_ = nullptr;
  MVParameterValue* shiftParameter_ = nullptr;
  MVParameterValue* angleParameter_ = nullptr;
  MVParameterValue* diameter2Parameter_ = nullptr;
  MVParameterValue* roundingParameter_ = nullptr;
  MVParameterValue* rounding2Parameter_ = nullptr;
};
