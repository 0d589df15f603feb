#include "MorvNode/Nodes/Values/ValueRoundNode.h"

#include <cmath>

#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"

const MVNodeClass& ValueRoundNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueRoundNode";
    info.displayName = "Round";
    info.toolTipText = "Rounds a value to an integer or a specified number of decimals.";
    info.descriptionText = "This node takes in a value in the input parameter and rounds it to an integer.";
    info.iconName = "node_icon_value_round.png";
    info.create = [] { return std::make_unique<ValueRoundNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueRoundNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  updateOutputParameters();
}

void ValueRoundNode::updateOutputParameters()
{
  value_.inputChanged();
}

double ValueRoundNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter == &value_) {
    const double scale = decimals_.enabled() ? std::pow(10.0, decimals_.value()) : 1.0;
    return round(inputValue, function_.index(), scale);
  }
  return ValueNode::valueForParameter(parameter, fieldIndex, inputValue);
}

double ValueRoundNode::round(double x, long long function, double scale)
{
  // So many decimals that the scaled value overflows: the number has no digits left to round
  // (scaling would give infinity over infinity, NaN).
  if (!std::isfinite(x * scale) && std::isfinite(x)) {
    return x;
  }
  switch (function) {
  case kCeiling:
    return std::ceil(x * scale) / scale;
  case kFloor:
    return std::floor(x * scale) / scale;
  default:
    return std::round(x * scale) / scale;
  }
}

std::optional<std::string> ValueRoundNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  return name == "Input" ? std::string("Value") : ValueNode::legacyMV2ParameterNameTranslation(name);
}
