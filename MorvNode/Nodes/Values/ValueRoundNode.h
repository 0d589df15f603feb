#pragma once

#include <optional>
#include <string>

#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

// "Round": rounds its input to a whole number, or to a number of decimals, by rounding (halves
// away from zero), ceiling or floor.
class ValueRoundNode : public ValueNode {
public:
  // Values of the "Function" index (saved in documents).
  static constexpr long long kRound = 0;
  static constexpr long long kCeiling = 1;
  static constexpr long long kFloor = 2;

  ValueRoundNode() { setValueParameter(&value_); }

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // The older generation named the input "Input".
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  // x rounded at `scale` (10 to the power of the decimals) by the function; x itself when the
  // scaled value is beyond the finite range.
  static double round(double x, long long function, double scale);

private:
  MVParameterValue& value_ = nodekit::value(
      *this,
      {.name = "Value", .tooltip = "Outputs rounded input value", .computed = true, .updateIfUnconnected = true},
      {.value = 0, .inputWithSource = true, .keepsStoredValue = true});
  MVParameterIndex& function_ = nodekit::choice(
      *this,
      {.name = "Function", .header = "Rounding type", .tooltip = "The type of rounding applied to the input value."},
      {.names = {"Round", "Ceiling", "Floor"},
       .tooltips = {"Round to the closest matching value", "Round to the matching value over",
                    "Round to the matching value under"}});
  MVParameterValue& decimals_ = nodekit::value(*this,
                                               {.name = "Decimals",
                                                .header = "Set decimals",
                                                .tooltip = "Set the number of decimals to round the output to.",
                                                .enableToggle = true,
                                                .enabled = false},
                                               {.value = 0, .min = 0, .integer = true});
};
