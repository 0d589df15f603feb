#pragma once

#include <array>
#include <optional>
#include <string>

#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

// "Value list": a list of 2 to 10 numbers ("Value 0" … "Value 9", all kept, the unused ones
// hidden) of which it outputs the one an index chooses, or with "Interpolate" a blend of two
// neighbours for a fractional index (the last blends towards the first). The index is a
// value, a random draw per request or a published node index (NodeListIndex).
class ValueListNode : public ValueNode {
public:
  static constexpr int kMaxValues = 10;

  ValueListNode();

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Shows the used values and the rows of the index mode, then tells the output.
  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  // A number becomes "Value 0".
  void setProposedValue(const MVProposedValue& value) override;
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // The older generation's "Value index" and "Value list" rows are dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  // The list length: "Number of values" index + 2.
  int count() const;

private:
  std::array<MVParameterValue*, kMaxValues> declareValues();

  MVParameterValue& value_ = nodekit::value(
      *this,
      {.name = "Value",
       .tooltip = "The output value, representing the value in the list indicated by the set index value",
       .inputSocket = false,
       .computed = true},
      {.value = 0});
  MVParameterIndex& indexMode_ = nodekit::choice(
      *this,
      {.name = "Index Mode",
       .header = "Value index",
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
      nodekit::value(*this, {.name = "Index", .tooltip = "The index controlling what value will be output"},
                     {.value = 0, .min = 0, .max = 9});
  MVParameterValue& indexOffset_ =
      nodekit::value(*this, {.name = "Index Offset", .displayName = "Offset", .tooltip = "An offset to the generated index"},
                     {.value = 0, .rangeMin = 0, .rangeMax = 10});
  MVParameterIndex& numberOfValues_ = nodekit::choice(
      *this, {.name = "Number of values", .header = "Value list", .tooltip = "Sets the number of values in the list"},
      {.names = {"2 Values", "3 Values", "4 Values", "5 Values", "6 Values", "7 Values", "8 Values", "9 Values",
                 "10 Values"},
       .index = 1});
  std::array<MVParameterValue*, kMaxValues> values_ = declareValues();  // owned by the node's list
  MVParameterBool& interpolate_ = nodekit::toggle(
      *this,
      {.name = "Interpolate",
       .tooltip = "When checked the output value will be interpolated between the values in the list when the index "
                  "value is fractional. For example Index 1.4 will output 0.6*value1 + 0.4*value2."},
      false);
};
