#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

// "Transform": offsets, scales, resizes (adds to the outline's size, the stroke not counted)
// and rotates, in that order, each while its row is switched on. With "Inside clipping" a
// clipped group's mask takes the inverse of each change, so the content moves inside a mask
// that stays where it was; an inverse of a zero or non-finite scale factor is skipped.
class ChangeTransformNode : public ChangeNode {
public:
  ChangeTransformNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  // The user default "Enable new change node defaults", read when a node is made: it chooses
  // the initial toggles and choices of new change nodes.
  static bool newChangeNodeDefaults();

  // "Inside clipping" shows only when the last pass met a clipping mask.
  void updateLinkedParameters() override;

  // Older-generation names: "Angle" is "Rotation", "Offset X" "Offset:X" and so on; "Has Scale"
  // and "Size mode" have no row of their own (see loadLegacyMV2NodeDictionary).
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // "Has Scale" with "Size mode" switches "Resize" on instead of "Scale".
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  MVParameterValue2D* offsetParameter() const { return &offset_; }
  MVParameterValue2D* scaleParameter() const { return &scale_; }
  MVParameterValue2D* resizeParameter() const { return &resize_; }
  MVParameterValue* rotationParameter() const { return &rotation_; }
  MVParameterBool* insideClippingParameter() const { return &insideClipping_; }

protected:
  void applyChangeToElement(MVElement& element) override;

private:
  MVParameter& heading_ =
      nodekit::plain(*this, {.name = "Transform heading", .displayName = "Transform", .spaceAbove = 4});
  MVParameterValue2D& offset_ = nodekit::value2D(
      *this,
      {.name = "Offset", .tooltip = "Offset of the element", .enableToggle = true, .enabled = false, .dragEdit = 1},
      {.x = 0, .y = 0, .rangeMin = -100, .rangeMax = 100});
  MVParameterValue2D& scale_ = nodekit::value2D(
      *this,
      {.name = "Scale", .tooltip = "Scale of the element", .enableToggle = true, .enabled = false, .dragEdit = 2},
      {.x = 1, .y = 1, .presets = nodekit::Presets::Scale, .rangeMin = 0, .rangeMax = 2, .aspectLocked = true});
  MVParameterValue2D& resize_ = nodekit::value2D(
      *this,
      {.name = "Resize",
       .tooltip = "Size change in absolute units, used in Size mode instead of scale",
       .enableToggle = true,
       .enabled = false,
       .dragEdit = 3},
      {.x = 0,
       .y = 0,
       .presets = nodekit::Presets::Size,
       .rangeMin = -10,
       .rangeMax = 10,
       .aspectLocked = true,
       .displayNameX = "X Add",
       .displayNameY = "Y Add"});
  MVParameterValue& rotation_ = nodekit::value(*this,
                                               {.name = "Rotation",
                                                .displayName = "Angle",
                                                .header = "Rotation",
                                                .tooltip = "Rotation (in degrees) of the element.",
                                                .enableToggle = true,
                                                .enabled = newChangeNodeDefaults(),
                                                .dragEdit = 5},
                                               {.value = 45, .rangeMin = -180, .rangeMax = 180});
  MVParameterBool& insideClipping_ = nodekit::toggle(
      *this,
      {.name = "Transform Inside Clipping",
       .displayName = "Inside clipping",
       .tooltip = "If the elements have a clipping mask applied, the node transformation will be applied to the "
                  "content inside the clipping mask instead of the element."},
      false);
};
