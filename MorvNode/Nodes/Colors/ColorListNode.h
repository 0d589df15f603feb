#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeKit.h"
#include "Platform/PlistValue.h"

// "Color list": a list of 2 to 20 colours ("Color 0" … "Color 19", all kept, the unused ones
// hidden) of which it outputs the one an index chooses, or with "Interpolate" a blend of two
// neighbours for a fractional index (the last blends into the first). The index is a value, a
// random draw per request or a published node index (NodeListIndex).
class ColorListNode : public MVNode {
public:
  static constexpr int kMaxColors = 20;

  ColorListNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool canDisable() const override { return false; }

  // A colour becomes "Color 0"; anything else is logged.
  void setProposedValue(const MVProposedValue& value) override;
  void updateOutputParameters() override;
  // Shows the used colours and the rows of the index mode.
  void updateLinkedParameters() override;
  // Any change other than the output's own recomputes the output.
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  pf::Color colorForParameter(MVParameter* parameter, const pf::Color& inputColor) override;

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // An older record's true "Random" switch becomes the random index mode.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  // The list length: "Number of colors" index + 2.
  int count() const;

private:
  // "2 Colors" … "20 Colors".
  static std::vector<std::string> countNames();
  std::array<MVParameterColor*, kMaxColors> declareColors();

  MVParameterColor& color_ = nodekit::color(
      *this,
      {.name = "Color",
       .tooltip = "The output color, representing the color in the list below indicated by the index value",
       .inputSocket = false,
       .computed = true},
      nodekit::Swatch{.color = pf::Color::rgb(1, 0, 0), .fullWidth = true});
  MVParameterIndex& indexMode_ = nodekit::choice(
      *this,
      {.name = "Index Mode",
       .header = "Color index",
       .tooltip = "Controls how the index is set, either manually with a value or automatically set based on an "
                  "element index or random value."},
      {.names = {"Value", "Random", "Element index"},
       .icons = {"node_icon_value.png", "icon_random.png", "node_icon_value_element_index.png"}});
  MVParameterNodeIndex& nodeIndex_ = nodekit::nodeIndex(
      *this, {.name = "IndexParameter",
              .displayName = "Index",
              .tooltip = "The element index to be used to control what list item the node outputs.",
              .showHeaderLabel = false,
              .outputSocket = false});
  MVParameterValue& index_ =
      nodekit::value(*this, {.name = "Index", .tooltip = "The index controlling what color will be output"},
                     {.value = 0, .rangeMin = 0, .rangeMax = 10});
  MVParameterValue& indexOffset_ =
      nodekit::value(*this, {.name = "Index Offset", .displayName = "Offset", .tooltip = "An offset to the generated index"},
                     {.value = 0, .rangeMin = 0, .rangeMax = 10});
  // (The seed rows go here, inserted by the constructor.)
  MVParameterIndex& numberOfColors_ = nodekit::choice(
      *this, {.name = "Number of colors", .header = "Color list", .tooltip = "Sets the colors of elements in the list"},
      {.names = countNames(), .index = 1});
  std::array<MVParameterColor*, kMaxColors> colors_ = declareColors();  // owned by the node's list
  MVParameterBool& interpolate_ = nodekit::toggle(
      *this,
      {.name = "Interpolate",
       .tooltip = "When checked the output color will be interpolated/blended between the color in the list when the "
                  "index value is fractional. For example Index 1.4 will output a blend of 0.6*color 1 and 0.4*color "
                  "2."},
      false);
};
