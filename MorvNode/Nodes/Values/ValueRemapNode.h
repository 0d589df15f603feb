#pragma once

#include <optional>
#include <string>

#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

// "Remap": maps its input linearly from an expected input range onto an output range,
// optionally capped to the output range. "Value" takes the input (its connection, else its
// stored value) and outputs the result.
class ValueRemapNode : public ValueNode {
public:
  ValueRemapNode() { setValueParameter(&value_); }

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Makes the node the source of "Output Min" while the output range is symmetrical.
  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // The older generation named the input "Input".
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  // The mapping itself. Equal input bounds give t = inMin rather than 0 (saved documents rely
  // on it); a NaN input stays NaN, also when capped.
  static double remap(double x, double inMin, double inMax, double outMin, double outMax, bool cap);

private:
  MVParameterValue& value_ = nodekit::value(
      *this,
      {.name = "Value",
       .tooltip = "The output value, representing the value remapped from the input to the output range",
       .computed = true,
       .updateIfUnconnected = true},
      {.value = 0, .inputWithSource = true, .keepsStoredValue = true});
  MVParameter& inputHeading_ = nodekit::plain(*this, {.name = "Input heading", .displayName = "Input range"});
  MVParameterValue& inputMin_ = nodekit::value(
      *this, {.name = "Input Min", .displayName = "Min", .tooltip = "The expected minimum value of the input range"},
      {.value = 0});
  MVParameterValue& inputMax_ = nodekit::value(
      *this, {.name = "Input Max", .displayName = "Max", .tooltip = "The expected maximum value of the input range"},
      {.value = 50});
  MVParameter& outputHeading_ = nodekit::plain(*this, {.name = "Output heading", .displayName = "Output range"});
  MVParameterValue& outputMin_ = nodekit::value(
      *this, {.name = "Output Min", .displayName = "Min", .tooltip = "The minimum value of the output range"},
      {.value = 0, .keepsStoredValue = true});
  MVParameterValue& outputMax_ = nodekit::value(
      *this, {.name = "Output Max", .displayName = "Max", .tooltip = "The maximum value of the output range"},
      {.value = 1});
  MVParameterBool& symmetrical_ = nodekit::toggle(
      *this,
      {.name = "Symmetrical output range",
       .displayName = "\u00b1 range",
       .tooltip = "Sets the output range Min to Max*-1, resulting in a symmetrical range around 0"},
      false);
  MVParameterBool& capToRange_ = nodekit::toggle(
      *this,
      {.name = "Cap to range",
       .tooltip = "Caps output values to the set value range, even if the input values are outside the input range"},
      false);
};
