#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Randomize color": shifts the hue, saturation and brightness of each member's fill and/or
// stroke colour by its own random amount within +/- the ranges (the hue wraps into 0..1).
// Draws are reproducible like those of the randomize node; with "Deep change" each member of
// a sub-group gets its own shift.
class GroupRandomizeColorNode : public ChangeNode {
public:
  GroupRandomizeColorNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void updateLinkedParameters() override;

  // The shifts of the last member changed.
  double hueShift() const { return hueShift_; }
  double saturationShift() const { return saturationShift_; }
  double brightnessShift() const { return brightnessShift_; }

  MVParameterBool* adjustFillParameter() const { return &adjustFill_; }
  MVParameterBool* adjustStrokeParameter() const { return &adjustStroke_; }
  MVParameterValue* hueParameter() const { return &hue_; }
  MVParameterValue* saturationParameter() const { return &saturation_; }
  MVParameterValue* brightnessParameter() const { return &brightness_; }
  MVParameterBool* deepParameter() const { return &deep_; }

protected:
  void applyChangeToElement(MVElement& element) override;

private:
  double hueShift_ = 0;
  double saturationShift_ = 0;
  double brightnessShift_ = 0;

  MVParameterBool& adjustFill_ = nodekit::toggle(*this,
                                                 {.name = "Adjust fill color",
                                                  .displayName = "Fill color",
                                                  .tooltip = "When checked, the fill colors of the elements are adjusted",
                                                  .spaceAbove = 4},
                                                 true);
  MVParameterBool& adjustStroke_ = nodekit::toggle(
      *this,
      {.name = "Adjust stroke color",
       .displayName = "Stroke color",
       .tooltip = "When checked, the stroke colors of the elements are adjusted"},
      false);
  MVParameter& heading_ = nodekit::plain(*this, {.name = "Transform heading", .displayName = "Transformation"});
  MVParameterValue& hue_ = nodekit::value(
      *this, {.name = "Hue", .tooltip = "The random +/- range of color hue adjustment"},
      {.value = 0, .rangeMin = 0, .rangeMax = 1});
  MVParameterValue& saturation_ = nodekit::value(
      *this, {.name = "Saturation", .tooltip = "The random +/- range of color saturation adjustment"},
      {.value = 0, .rangeMin = 0, .rangeMax = 1});
  MVParameterValue& brightness_ = nodekit::value(
      *this, {.name = "Brightness", .tooltip = "The random +/- range of color brightness adjustment"},
      {.value = 0, .rangeMin = 0, .rangeMax = 1});
  MVParameterBool& deep_ = nodekit::toggle(
      *this,
      {.name = "Deep randomization",
       .displayName = "Deep change",
       .tooltip = "Apply individual randomization to subgroup elements, instead of applying the same change"},
      false);
};
