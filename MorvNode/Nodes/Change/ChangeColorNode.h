#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "MorvNode/Nodes/Change/ChangeTransformNode.h"

class MVParameterColor;

// "Color": sets or shifts the fill and the stroke colour, each side on its own switch. "Set
// color" writes the side's colour, mixed into the element's current colour by "Mix color"
// (new x m + old x (1 - m); a side without colour takes the new colour whole). "Adjust color"
// shifts hue (wrapping into 0..1), saturation and brightness; a shift makes the colour opaque,
// three zero shifts leave it as it was.
//
// Four flags collected while the node changes elements feed the warnings that follow a pass:
// a set colour that an element of zero opacity hides, and an adjustment that meets no colour.
class ChangeColorNode : public ChangeNode {
public:
  ChangeColorNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The colour rows of a side show for "Set color", its shift rows for "Adjust color".
  void updateLinkedParameters() override;
  // Adds one warning per flag raised by the last pass.
  void checkWarnings() override;
  // Older-generation names: "Apply fill color" / "Apply stroke color" switch the side's mode.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  // The flags of the last pass.
  bool transparentFillColor() const { return transparentFill_; }
  bool noFillColor() const { return noFill_; }
  bool transparentStrokeColor() const { return transparentStroke_; }
  bool noStrokeColor() const { return noStroke_; }

  MVParameterIndex* fillModeParameter() const { return &fillMode_; }
  MVParameterColor* fillColorParameter() const { return &fillColor_; }
  MVParameterValue* fillMixParameter() const { return &fillMix_; }
  MVParameterValue* fillHueParameter() const { return &fillHue_; }
  MVParameterValue* fillSaturationParameter() const { return &fillSaturation_; }
  MVParameterValue* fillBrightnessParameter() const { return &fillBrightness_; }
  MVParameterIndex* strokeModeParameter() const { return &strokeMode_; }
  MVParameterColor* strokeColorParameter() const { return &strokeColor_; }
  MVParameterValue* strokeMixParameter() const { return &strokeMix_; }
  MVParameterValue* strokeHueParameter() const { return &strokeHue_; }
  MVParameterValue* strokeSaturationParameter() const { return &strokeSaturation_; }
  MVParameterValue* strokeBrightnessParameter() const { return &strokeBrightness_; }

protected:
  void applyChangeToElement(MVElement& element) override;
  void prepareChangesBasedOnInput(const MVElement& input) override;

private:
  // Positions of the mode rows.
  static constexpr long long kSetColor = 0;
  static constexpr long long kAdjustColor = 1;

  // The rows and flags of one side.
  struct Side {
    MVParameterIndex& mode;
    MVParameterColor& color;
    MVParameterValue& mix;
    MVParameterValue& hue;
    MVParameterValue& saturation;
    MVParameterValue& brightness;
    bool& transparent;
    bool& noColor;
    bool stroke;
  };
  Side fillSide() { return {fillMode_, fillColor_, fillMix_, fillHue_, fillSaturation_, fillBrightness_, transparentFill_, noFill_, false}; }
  Side strokeSide()
  {
    return {strokeMode_, strokeColor_, strokeMix_, strokeHue_, strokeSaturation_, strokeBrightness_, transparentStroke_, noStroke_, true};
  }
  static void changeSide(MVElement& element, const Side& side);
  static void hideSideRows(const Side& side);

  bool transparentFill_ = false;
  bool noFill_ = false;
  bool transparentStroke_ = false;
  bool noStroke_ = false;

  MVParameterIndex& fillMode_ = nodekit::choice(*this,
                                                {.name = "Fill Color Mode",
                                                 .header = "Change fill",
                                                 .tooltip = "Select how to change the element fill color.",
                                                 .enableToggle = true,
                                                 .enabled = ChangeTransformNode::newChangeNodeDefaults(),
                                                 .spaceAbove = 4},
                                                {.names = {"Set color", "Adjust color"}, .index = kAdjustColor});
  MVParameterColor& fillColor_ = nodekit::color(
      *this, {.name = "Fill Color", .displayName = "Color", .tooltip = "Fill color inside the element shape."},
      pf::Color::rgb(1, 0, 0, 1));
  MVParameterValue& fillMix_ = nodekit::value(
      *this,
      {.name = "Fill Color Mix",
       .displayName = "Mix color",
       .tooltip = "Set a mix value 0-1 to mix the new color with the current element color.",
       .enableToggle = true,
       .enabled = false},
      {.value = 1, .min = 0, .max = 1, .disabledValue = 1});
  MVParameterValue& fillHue_ = nodekit::value(
      *this, {.name = "Fill Hue", .displayName = "Hue", .tooltip = "The relative color hue adjustment"},
      {.value = 0, .rangeMin = -1, .rangeMax = 1});
  MVParameterValue& fillSaturation_ = nodekit::value(
      *this,
      {.name = "Fill Saturation", .displayName = "Saturation", .tooltip = "The relative color saturation adjustment"},
      {.value = 0, .rangeMin = -1, .rangeMax = 1});
  MVParameterValue& fillBrightness_ = nodekit::value(
      *this,
      {.name = "Fill Brightness", .displayName = "Brightness", .tooltip = "The relative color brightness adjustment"},
      {.value = 0.2, .rangeMin = -1, .rangeMax = 1});
  MVParameterIndex& strokeMode_ = nodekit::choice(*this,
                                                  {.name = "Stroke Color Mode",
                                                   .header = "Change stroke",
                                                   .tooltip = "Select how to change the element stroke color.",
                                                   .enableToggle = true,
                                                   .enabled = false},
                                                  {.names = {"Set color", "Adjust color"}, .index = kAdjustColor});
  MVParameterColor& strokeColor_ = nodekit::color(
      *this,
      {.name = "Stroke Color", .displayName = "Color", .tooltip = "Stroke color along the line of the element shape."},
      pf::Color::rgb(1, 0, 0, 1));
  MVParameterValue& strokeMix_ = nodekit::value(
      *this,
      {.name = "Stroke Color Mix",
       .displayName = "Mix color",
       .tooltip = "Set a mix value 0-1 to mix the new color with the current element color.",
       .enableToggle = true,
       .enabled = false},
      {.value = 1, .min = 0, .max = 1, .disabledValue = 1});
  MVParameterValue& strokeHue_ = nodekit::value(
      *this, {.name = "Stroke Hue", .displayName = "Hue", .tooltip = "The relative color hue adjustment"},
      {.value = 0, .rangeMin = -1, .rangeMax = 1});
  MVParameterValue& strokeSaturation_ = nodekit::value(
      *this,
      {.name = "Stroke Saturation", .displayName = "Saturation", .tooltip = "The relative color saturation adjustment"},
      {.value = 0, .rangeMin = -1, .rangeMax = 1});
  MVParameterValue& strokeBrightness_ = nodekit::value(
      *this,
      {.name = "Stroke Brightness", .displayName = "Brightness", .tooltip = "The relative color brightness adjustment"},
      {.value = 0.2, .rangeMin = -1, .rangeMax = 1});
};
