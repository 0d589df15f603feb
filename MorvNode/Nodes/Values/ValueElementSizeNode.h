#pragma once

#include <optional>
#include <string>

#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

class MVElement;

// "Element info": measures the element or group connected to "Graphics" and outputs its centre
// ("X", "Y"), its size plus twice a margin ("Width", "Height": the transformed bounding box, or
// the spread of the group's element centres), and its number of direct elements. Measuring is
// pure geometry, without a drawing context. Without an element the outputs keep their last
// values and the node warns.
class ValueElementSizeNode : public ValueNode {
public:
  // Values of the "Mode" index (saved in documents).
  static constexpr long long kBoundingBox = 0;
  static constexpr long long kEdgeElementCenters = 1;

  ValueElementSizeNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Hides "Y" while "X" is off and the size rows while "Mode" is off, then tells the outputs.
  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  // Also warns when no element is connected.
  void checkWarnings() override;
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

private:
  // The reading of `parameter` for `element`; nullopt when it is not one of the outputs.
  std::optional<double> measure(const MVParameter* parameter, const MVElement& element);

  MVParameterGraphics& graphics_ =
      nodekit::elementInput(*this, {.name = "Graphics", .displayName = "Element", .outputSocket = false});
  MVParameterValue& positionX_ =
      nodekit::value(*this,
                     {.name = "X",
                      .header = "Show position",
                      .tooltip = "The horizontal center position of the connected graphics elements",
                      .enableToggle = true,
                      .enabled = false,
                      .inputSocket = false,
                      .computed = true},
                     {.value = 0});
  MVParameterValue& positionY_ = nodekit::value(
      *this,
      {.name = "Y",
       .tooltip = "The vertical center position of the connected graphics elements",
       .inputSocket = false,
       .computed = true},
      {.value = 0});
  MVParameterIndex& mode_ = nodekit::choice(
      *this,
      {.name = "Mode",
       .header = "Show size",
       .tooltip = "Show element size, either bounding box, or distance between top/bottom, right/left edge element "
                  "centers (useful for arrays)",
       .enableToggle = true,
       .enabled = false},
      {.names = {"Bounding box", "Edge element centers"}});
  MVParameterValue& margin_ = nodekit::value(*this,
                                             {.name = "Margin",
                                              .header = "Add margin",
                                              .tooltip = "Adds a margin to the size calculation values below",
                                              .enableToggle = true,
                                              .enabled = false},
                                             {.value = 1, .rangeMin = 0, .rangeMax = 10});
  MVParameterValue& width_ = nodekit::value(
      *this,
      {.name = "Width",
       .tooltip = "The width of the connected graphics elements plus the margin set above",
       .inputSocket = false,
       .computed = true},
      {.value = 0});
  MVParameterValue& height_ = nodekit::value(
      *this,
      {.name = "Height",
       .tooltip = "The height of the connected graphics elements plus the margin set above",
       .inputSocket = false,
       .computed = true},
      {.value = 0});
  MVParameterValue& elementCount_ = nodekit::value(
      *this,
      {.name = "Element Count",
       .displayName = "Count",
       .header = "Elements",
       .tooltip = "The number of elements in the array graphics element connected to the input",
       .inputSocket = false,
       .computed = true},
      {.value = 0});
};
