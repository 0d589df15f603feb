#include "MorvNode/Nodes/Values/ValueRandomNode.h"

#include <cmath>
#include <variant>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"

ValueRandomNode::ValueRandomNode()
{
  setValueParameter(&value_);
  setHasRandomValueOutput(true);
  min_.setLayoutShowHeaderLabel(true);
  initNodeRandomSeedParameters();
}

const MVNodeClass& ValueRandomNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueRandomNode";
    info.displayName = "Random";
    info.toolTipText = "Outputs a random value in a specified range";
    info.descriptionText =
        "This node outputs a random value in a specified range, a different value is output each time a node further "
        "down the node sequence asks for a value, but the same sequence of values will always be delivered as long as "
        "the same random seed is set.<BR><BR><I>See section 3.5 Connection requests and advanced use, in the manual "
        "for more information.</I>";
    info.iconName = "node_icon_value_random.png";
    info.create = [] { return std::make_unique<ValueRandomNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueRandomNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  const bool symmetrical = symmetrical_.value();
  min_.setValueSource(symmetrical ? this : nullptr);
  if (symmetrical) {
    min_.inputChanged();  // follows "Max"
  }
  updateOutputParameters();
}

void ValueRandomNode::updateOutputParameters()
{
  value_.inputChanged();
}

void ValueRandomNode::setProposedValue(const MVProposedValue& value)
{
  if (const double* number = std::get_if<double>(&value)) {
    min_.setValue(*number);
    max_.setValue(*number);
    return;
  }
  logUnexpectedProposal(value);
}

double ValueRandomNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter == &value_) {
    incrementRandomIncrementalSeed();
    return valueForDraw(randomDoubleWithSeed(randomIncrementalSeed()));
  }
  if (parameter == &min_) {
    return -max_.value();
  }
  return ValueNode::valueForParameter(parameter, fieldIndex, inputValue);
}

double ValueRandomNode::valueForDraw(double r)
{
  const double min = symmetrical_.value() ? -max_.value() : min_.value();
  const double max = max_.value();
  const double v = min + (max - min) * r;
  if (!increment_.enabled()) {
    return v;
  }
  const double increment = increment_.value();
  return increment == 0 ? v : roundedToIncrement(v, min, max, increment);
}

double ValueRandomNode::roundedToIncrement(double v, double min, double max, double increment)
{
  double q = std::round(v / increment) * increment;
  if (q < min) {
    q += increment;
  }
  if (q > max) {
    q -= increment;
  }
  return q;
}

std::optional<std::string> ValueRandomNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Value range") {
    return std::nullopt;
  }
  if (name == "Incremental") {
    return std::string("Increment[ENABLE]");
  }
  return ValueNode::legacyMV2ParameterNameTranslation(name);
}

bool ValueRandomNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ValueNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* values = record.find("Parameter values");
  const pf::PlistValue* integer = values != nullptr ? values->find("Integer") : nullptr;
  if (integer != nullptr && integer->toBool().value_or(false)) {
    increment_.setEnabled(true);
    increment_.setValue(1.0);
  }
  return loaded;
}
