#pragma once

#include <optional>
#include <string>

#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

// "Cap": clamps its input to the range "Output Min" … "Output Max"; with Min above Max every
// input gives Min, and NaN passes through.
class ValueCapNode : public ValueNode {
public:
  ValueCapNode() { setValueParameter(&value_); }

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // The older generation named the input "Input".
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  // max(min, min(max, x)) as comparisons, so that NaN passes through.
  static double cap(double x, double min, double max);

private:
  MVParameterValue& value_ = nodekit::value(*this,
                                            {.name = "Value",
                                             .tooltip = "Outputs input value capped to the output range",
                                             .computed = true,
                                             .updateIfUnconnected = true},
                                            {.value = 0, .inputWithSource = true, .keepsStoredValue = true});
  MVParameter& outputHeading_ = nodekit::plain(*this, {.name = "Output heading", .displayName = "Output limits"});
  MVParameterValue& outputMin_ = nodekit::value(
      *this, {.name = "Output Min", .displayName = "Min", .tooltip = "The minimum value of the output range"},
      {.value = 0});
  MVParameterValue& outputMax_ = nodekit::value(
      *this, {.name = "Output Max", .displayName = "Max", .tooltip = "The maximum value of the output range"},
      {.value = 1});
};
