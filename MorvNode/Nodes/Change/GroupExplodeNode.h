#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Explode": moves each member away from (a positive offset) or towards (a negative one) the
// group's pivot point, along the line from the pivot to the member's pivot point. The offset is
// constant ("Offset Min"), or runs from "Offset Min" at the pivot to "Offset Max" at
// "Falloff distance" and beyond, linearly or squared. A member within one unit of the pivot on
// both axes does not move.
class GroupExplodeNode : public ChangeNode {
public:
  // Values of "Falloff function" (saved in documents).
  static constexpr long long kConstant = 0;
  static constexpr long long kLinear = 1;
  static constexpr long long kSquared = 2;

  GroupExplodeNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // The constant falloff shows one offset (named "Offset") and no distance.
  void updateLinkedParameters() override;
  // Older-generation names: "Falloff header" is dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterValue* offsetMinParameter() const { return &offsetMin_; }
  MVParameterValue* offsetMaxParameter() const { return &offsetMax_; }
  MVParameterIndex* falloffFunctionParameter() const { return &falloffFunction_; }
  MVParameterValue* falloffDistanceParameter() const { return &falloffDistance_; }

protected:
  void prepareChangesBasedOnInput(const MVElement& input) override;
  void applyChangeToElement(MVElement& element) override;

private:
  // The pivot of the current input, in the space of the elements that are moved: a group's
  // members stand in the group's own coordinates.
  double groupCenterX_ = 0;
  double groupCenterY_ = 0;

  MVParameter& heading_ =
      nodekit::plain(*this, {.name = "Explode header", .displayName = "Transformation", .spaceAbove = 4});
  MVParameterValue& offsetMin_ = nodekit::value(
      *this, {.name = "Offset Min", .displayName = "Offset", .tooltip = "Offset away from the group pivot near the pivot point."},
      {.value = 10, .rangeMin = 0, .rangeMax = 100});
  MVParameterValue& offsetMax_ = nodekit::value(
      *this,
      {.name = "Offset Max", .tooltip = "Offset away from the group pivot at max falloff distance (or above)."},
      {.value = 0, .rangeMin = 0, .rangeMax = 200});
  MVParameterIndex& falloffFunction_ = nodekit::choice(
      *this, {.name = "Falloff function", .header = "Falloff", .tooltip = "Type of falloff."},
      {.names = {"Constant", "Linear", "Squared"},
       .icons = {"icon_function_constant.png", "icon_function_linear.png", "icon_function_squared.png"}});
  MVParameterValue& falloffDistance_ =
      nodekit::value(*this, {.name = "Falloff distance", .displayName = "Max distance", .tooltip = "Max falloff distance."},
                     {.value = 100, .rangeMin = 0, .rangeMax = 200});
};
