#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Randomize": gives each member of a group its own random offset, scale and rotation. Draws
// come from the shared random table with seeds built from the member count and index, so a
// document regenerates the same result; the node's "Seed" row changes all draws at once. With
// "Deep change" the members of a sub-group each get their own change instead of the sub-group
// moving as one piece.
class GroupRandomizeNode : public ChangeNode {
public:
  GroupRandomizeNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void updateLinkedParameters() override;

  // Older-generation names: "Has Offset" / "Has Scale" / "Has Rotation" are the toggles,
  // "Scale X" "Scale:X", "Angle" "Rotation", "Uniform" "Scale uniform" and so on.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // "Scale uniform" takes the aspect lock of "Scale".
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  MVParameterValue2D* offsetParameter() const { return &offset_; }
  MVParameterValue2D* scaleParameter() const { return &scale_; }
  MVParameterBool* scaleUniformParameter() const { return &scaleUniform_; }
  MVParameterValue* rotationParameter() const { return &rotation_; }
  MVParameterBool* deepParameter() const { return &deep_; }
  MVParameterBool* insideClippingParameter() const { return &insideClipping_; }

protected:
  void applyChangeToElement(MVElement& element) override;

private:
  MVParameter& heading_ =
      nodekit::plain(*this, {.name = "Transform heading", .displayName = "Transformation", .spaceAbove = 4});
  MVParameterValue2D& offset_ = nodekit::value2D(
      *this,
      {.name = "Offset", .tooltip = "Random offset range for the elements", .enableToggle = true, .enabled = false},
      {.x = 0, .y = 0, .rangeMin = -100, .rangeMax = 100});
  MVParameterValue2D& scale_ = nodekit::value2D(*this,
                                                {.name = "Scale",
                                                 .displayName = "Scale +/-",
                                                 .tooltip = "Random scaling range for the elements",
                                                 .enableToggle = true,
                                                 .enabled = false,
                                                 .showHeaderLabel = false},
                                                {.x = 0,
                                                 .y = 0,
                                                 .presets = nodekit::Presets::Scale,
                                                 .rangeMin = -1,
                                                 .rangeMax = 1,
                                                 .displayNameX = "X",
                                                 .displayNameY = "Y"});
  MVParameterBool& scaleUniform_ = nodekit::toggle(
      *this, {.name = "Scale uniform", .displayName = "Uniform scale", .tooltip = "Apply uniform X/Y random scaling"},
      true);
  MVParameterValue& rotation_ =
      nodekit::value(*this,
                     {.name = "Rotation",
                      .header = "Rotation +/-",
                      .tooltip = "Random range of the rotation (in degrees) of the elements",
                      .enableToggle = true},
                     {.value = 45, .rangeMin = 0, .rangeMax = 360});
  MVParameterBool& deep_ = nodekit::toggle(
      *this,
      {.name = "Deep randomization",
       .displayName = "Deep change",
       .tooltip = "Apply individual randomization to subgroup elements, instead of applying the same change"},
      false);
  MVParameterBool& insideClipping_ = nodekit::toggle(
      *this,
      {.name = "Transform Inside Clipping",
       .displayName = "Inside clipping",
       .tooltip = "If the elements have a clipping mask applied, the node transformation will be applied to the "
                  "content inside the clipping mask instead of the element."},
      false);
};
