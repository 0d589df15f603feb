#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"

class MVParameterColor;

// "Stroke": sets or shifts the stroke width, and sets the stroke colour, the end caps and the
// joints, each on its own switch. A set width is not below 0; a shift is added as it is, so a
// negative width can result (drawing treats it as no stroke). Caps: 0 butt ("None"), 1 square,
// 2 round; joints: 0 miter, 1 round, 2 bevel, as the element keeps them.
class ChangeStrokeNode : public ChangeNode {
public:
  // Positions of "Stroke width mode".
  static constexpr long long kSetWidth = 0;
  static constexpr long long kAdjustWidth = 1;

  ChangeStrokeNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // "Stroke Width" shows for "Set width", "Stroke Width change" for "Adjust width".
  void updateLinkedParameters() override;
  // Older-generation names: the "Set ..." / "Apply ..." flags switch the rows they belonged to.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* widthModeParameter() const { return &widthMode_; }
  MVParameterValue* widthParameter() const { return &width_; }
  MVParameterValue* widthChangeParameter() const { return &widthChange_; }
  MVParameterColor* colorParameter() const { return &color_; }
  MVParameterIndex* endCapsParameter() const { return &endCaps_; }
  MVParameterIndex* jointsParameter() const { return &joints_; }

protected:
  void applyChangeToElement(MVElement& element) override;

private:
  MVParameterIndex& widthMode_ = nodekit::choice(*this,
                                                 {.name = "Stroke width mode",
                                                  .header = "Change stroke width",
                                                  .tooltip = "Select how to change the element stroke width.",
                                                  .enableToggle = true,
                                                  .spaceAbove = 4},
                                                 {.names = {"Set width", "Adjust width"}});
  MVParameterValue& width_ = nodekit::value(
      *this, {.name = "Stroke Width", .displayName = "Width", .tooltip = "The width of the stroke line"},
      {.value = 1, .min = 0, .rangeMax = 10});
  MVParameterValue& widthChange_ = nodekit::value(
      *this,
      {.name = "Stroke Width change", .displayName = "Width", .tooltip = "The change to the width of the stroke line"},
      {.value = 0, .rangeMin = -10, .rangeMax = 10});
  MVParameterColor& color_ = nodekit::color(*this,
                                            {.name = "Stroke Color",
                                             .displayName = "Color",
                                             .header = "Set stroke color",
                                             .tooltip = "Sets the stroke color",
                                             .enableToggle = true,
                                             .enabled = false},
                                            pf::Color::black());
  MVParameterIndex& endCaps_ = nodekit::choice(
      *this,
      {.name = "End caps",
       .header = "Set end caps",
       .tooltip = "Sets the line end caps for non-closed line shapes",
       .enableToggle = true,
       .enabled = false},
      {.names = {"None", "Square", "Round"},
       .icons = {"icon_line_cap_none.png", "icon_line_cap_square.png", "icon_line_cap_round.png"}});
  MVParameterIndex& joints_ = nodekit::choice(
      *this,
      {.name = "Joints",
       .header = "Set joints",
       .tooltip = "Sets the line joint (corner) mode",
       .enableToggle = true,
       .enabled = false},
      {.names = {"Miter", "Round", "Bevel"},
       .icons = {"icon_line_joint_miter.png", "icon_line_joint_round.png", "icon_line_joint_bevel.png"}});
};
