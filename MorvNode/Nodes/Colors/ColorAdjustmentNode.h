#pragma once

#include <optional>
#include <string>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeKit.h"
#include "Platform/PlistValue.h"

// "Adjustment": shifts the hue, saturation and brightness of the colour connected to "Color".
// The hue wraps once each way; saturation and brightness are passed on unclamped (the colour
// pins them to 0 … 1). The output is opaque. Disabled, or without a connected colour, the node
// passes its input through.
class ColorAdjustmentNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // A colour becomes the stored colour of "Color"; anything else is logged.
  void setProposedValue(const MVProposedValue& value) override;
  // Any change other than the output's own recomputes the output.
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  // Also warns when no colour is connected.
  void checkWarnings() override;
  pf::Color colorForParameter(MVParameter* parameter, const pf::Color& inputColor) override;

  // The shift itself; `input` unchanged when all three shifts are 0.
  static pf::Color adjusted(const pf::Color& input, double hue, double saturation, double brightness);

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // The older generation had no switches: each adjustment is on unless its value is 0.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  static bool newNodeDefaults();

  MVParameterColor& color_ = nodekit::color(
      *this,
      {.name = "Color",
       .tooltip = "Outputs an adjusted color based on the input and the adjustment parameters below.",
       .computed = true,
       .updateIfUnconnected = true},
      nodekit::Swatch{.color = pf::Color::rgb(1, 0, 0), .fullWidth = true});
  MVParameterValue& hue_ = nodekit::value(*this,
                                          {.name = "Hue",
                                           .header = "Adjust hue",
                                           .tooltip = "The relative hue adjustment applied to the color",
                                           .enableToggle = true,
                                           .enabled = false},
                                          {.value = 0.2, .rangeMin = -1, .rangeMax = 1});
  MVParameterValue& saturation_ =
      nodekit::value(*this,
                     {.name = "Saturation",
                      .header = "Adjust saturation",
                      .tooltip = "The relative saturation adjustment applied to the color",
                      .enableToggle = true,
                      .enabled = false},
                     {.value = -0.2, .rangeMin = -1, .rangeMax = 1});
  MVParameterValue& brightness_ =
      nodekit::value(*this,
                     {.name = "Brightness",
                      .header = "Adjust brightness",
                      .tooltip = "The relative brightness adjustment applied to the color",
                      .enableToggle = true,
                      .enabled = newNodeDefaults()},
                     {.value = -0.2, .rangeMin = -1, .rangeMax = 1});
};
