#pragma once

#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "MorvNode/Nodes/Change/ChangeTransformNode.h"

// "Opacity": sets or shifts the fill and the stroke opacity, each side on its own switch, and
// sets the blend mode. A set opacity is held to 0..1 by its row; a shift is added as it is (the
// element keeps an opacity outside 0..1, drawing pins it). The blend mode is stored as its
// position: 0 normal, 1 multiply ... 9 luminosity, as the element draws them.
class ChangeOpacityNode : public ChangeNode {
public:
  // Positions of the two mode rows.
  static constexpr long long kSetOpacity = 0;
  static constexpr long long kAdjustOpacity = 1;

  ChangeOpacityNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // A side's set row shows for "Set opacity", its shift row otherwise.
  void updateLinkedParameters() override;
  // Older-generation names: the three "Change ..." flags switch the rows they belonged to.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterIndex* fillModeParameter() const { return &fillMode_; }
  MVParameterValue* fillOpacityParameter() const { return &fillOpacity_; }
  MVParameterValue* fillOpacityChangeParameter() const { return &fillOpacityChange_; }
  MVParameterIndex* strokeModeParameter() const { return &strokeMode_; }
  MVParameterValue* strokeOpacityParameter() const { return &strokeOpacity_; }
  MVParameterValue* strokeOpacityChangeParameter() const { return &strokeOpacityChange_; }
  MVParameterIndex* blendModeParameter() const { return &blendMode_; }

protected:
  void applyChangeToElement(MVElement& element) override;

private:
  MVParameterIndex& fillMode_ = nodekit::choice(*this,
                                                {.name = "Fill opacity mode",
                                                 .header = "Change fill",
                                                 .tooltip = "Select how to change the element fill opacity.",
                                                 .enableToggle = true,
                                                 .enabled = ChangeTransformNode::newChangeNodeDefaults(),
                                                 .spaceAbove = 4},
                                                {.names = {"Set opacity", "Adjust opacity"}});
  MVParameterValue& fillOpacity_ = nodekit::value(
      *this, {.name = "Fill opacity", .displayName = "Opacity", .tooltip = "The opacity of the element fill"},
      {.value = 1, .min = 0, .max = 1});
  MVParameterValue& fillOpacityChange_ = nodekit::value(
      *this,
      {.name = "Fill opacity change", .displayName = "Opacity", .tooltip = "The opacity adjutment of the element fill"},
      {.value = 0, .min = -1, .max = 1});
  MVParameterIndex& strokeMode_ = nodekit::choice(*this,
                                                  {.name = "Stroke opacity mode",
                                                   .header = "Change stroke",
                                                   .tooltip = "Select how to change the element stroke opacity.",
                                                   .enableToggle = true,
                                                   .enabled = false},
                                                  {.names = {"Set opacity", "Adjust opacity"}});
  MVParameterValue& strokeOpacity_ = nodekit::value(
      *this,
      {.name = "Stroke opacity", .displayName = "Opacity", .tooltip = "The opacity of the element stroke line"},
      {.value = 1, .min = 0, .max = 1});
  MVParameterValue& strokeOpacityChange_ = nodekit::value(
      *this,
      {.name = "Stroke opacity change",
       .displayName = "Opacity",
       .tooltip = "The opacity adjutment of the element stroke"},
      {.value = 0, .min = -1, .max = 1});
  MVParameterIndex& blendMode_ = nodekit::choice(
      *this,
      {.name = "Blend mode",
       .header = "Set blend mode",
       .tooltip = "Sets the transparency blending mode for both fill and stroke of this element",
       .enableToggle = true,
       .enabled = false},
      {.names = {"Normal", "Multiply", "Screen", "Overlay", "Darken", "Lighten", "Difference", "Saturation", "Color",
                 "Luminosity"}});
};
