#include "MorvNode/Nodes/Values/ValueCapNode.h"

#include "MorvNode/Model/MVParameterValue.h"

const MVNodeClass& ValueCapNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueCapNode";
    info.displayName = "Cap";
    info.toolTipText = "Caps a value to a specified value range";
    info.descriptionText = "This node takes in a value in the input parameter, and caps any values below the specified "
                           "minimum value to that minimum value, and any values above the maximum value to that "
                           "maximum value.";
    info.iconName = "node_icon_value_cap.png";
    info.create = [] { return std::make_unique<ValueCapNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueCapNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  updateOutputParameters();
}

void ValueCapNode::updateOutputParameters()
{
  value_.inputChanged();
}

double ValueCapNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter == &value_) {
    return cap(inputValue, outputMin_.value(), outputMax_.value());
  }
  return ValueNode::valueForParameter(parameter, fieldIndex, inputValue);
}

double ValueCapNode::cap(double x, double min, double max)
{
  const double below = max < x ? max : x;
  return min > below ? min : below;
}

std::optional<std::string> ValueCapNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  return name == "Input" ? std::string("Value") : ValueNode::legacyMV2ParameterNameTranslation(name);
}
