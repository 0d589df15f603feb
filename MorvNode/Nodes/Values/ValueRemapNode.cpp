#include "MorvNode/Nodes/Values/ValueRemapNode.h"

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"

const MVNodeClass& ValueRemapNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueRemapNode";
    info.displayName = "Remap";
    info.toolTipText = "Linear remapping of a value in an expected input range to a value in a specified output range";
    info.descriptionText =
        "This node takes in a value in the input parameter, and maps it linearly from the expected input range "
        "defined to the corresponding value in the output range defined. For example, you could use this to connect a "
        "group index value that varies between 0 and 49, and remap it to output a value between 90 and 180 that you "
        "can then use for a rotation parameter, or between 0.5 and 1 for opacity.";
    info.iconName = "node_icon_value_remap.png";
    info.create = [] { return std::make_unique<ValueRemapNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueRemapNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  const bool symmetrical = symmetrical_.value();
  outputMin_.setValueSource(symmetrical ? this : nullptr);
  if (symmetrical) {
    outputMin_.inputChanged();  // follows "Output Max"
  }
  value_.inputChanged();
}

void ValueRemapNode::updateOutputParameters()
{
  value_.inputChanged();
}

double ValueRemapNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter == &value_) {
    const double outMax = outputMax_.value();
    const double outMin = symmetrical_.value() ? -outMax : outputMin_.value();
    return remap(inputValue, inputMin_.value(), inputMax_.value(), outMin, outMax, capToRange_.value());
  }
  if (parameter == &outputMin_) {
    return -outputMax_.value();
  }
  return ValueNode::valueForParameter(parameter, fieldIndex, inputValue);
}

double ValueRemapNode::remap(double x, double inMin, double inMax, double outMin, double outMax, bool cap)
{
  // The comparison is false for NaN bounds, which then divide as usual.
  const double t = inMax == inMin ? inMin : (x - inMin) / (inMax - inMin);
  double y = outMin + (outMax - outMin) * t;
  if (cap) {
    // Comparisons, not std::clamp: NaN passes through, and a reversed range ends at outMax.
    if (outMin > y) {
      y = outMin;
    }
    if (y > outMax) {
      y = outMax;
    }
  }
  return y;
}

std::optional<std::string> ValueRemapNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  return name == "Input" ? std::string("Value") : ValueNode::legacyMV2ParameterNameTranslation(name);
}
