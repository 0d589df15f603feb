#include "MorvNode/Nodes/Values/ValueListNode.h"

#include <algorithm>
#include <variant>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeListIndex.h"
#include "Platform/Format.h"

ValueListNode::ValueListNode()
{
  setValueParameter(&value_);
  setHasRandomValueOutput(true);
  initNodeRandomSeedParameters();
}

const MVNodeClass& ValueListNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueListNode";
    info.displayName = "Value list";
    info.toolTipText = "Outputs a value from a list based on an index value";
    info.descriptionText = "This node lets you define a list of values and output a value from this list, or an "
                           "interpolation between two values, based on an index value.";
    info.iconName = "node_icon_value_list.png";
    info.create = [] { return std::make_unique<ValueListNode>(); };
    return info;
  }();
  return nodeClass;
}

std::array<MVParameterValue*, ValueListNode::kMaxValues> ValueListNode::declareValues()
{
  std::array<MVParameterValue*, kMaxValues> values{};
  for (int k = 0; k < kMaxValues; ++k) {
    values[static_cast<std::size_t>(k)] = &nodekit::value(
        *this,
        {.name = pf::format("Value %ld", static_cast<long>(k)),
         .tooltip = pf::format("Sets the value which will be output when the index value is %ld", static_cast<long>(k))},
        {.value = 2.0 * k});
  }
  return values;
}

int ValueListNode::count() const
{
  return static_cast<int>(std::clamp<long long>(numberOfValues_.index() + 2, 2, kMaxValues));
}

void ValueListNode::updateLinkedParameters()
{
  const int n = count();
  for (int k = 0; k < kMaxValues; ++k) {
    values_[static_cast<std::size_t>(k)]->setLayoutHidden(k >= n);
  }
  NodeListIndex::showRowsForMode(*this, indexMode_.index(), index_, indexOffset_, nodeIndex_);
  ValueNode::updateLinkedParameters();  // the seed row follows "Show seed"
  updateOutputParameters();
}

void ValueListNode::updateOutputParameters()
{
  value_.inputChanged();
}

void ValueListNode::setProposedValue(const MVProposedValue& value)
{
  if (const double* number = std::get_if<double>(&value)) {
    values_[0]->setValue(*number);
    return;
  }
  logUnexpectedProposal(value);
}

double ValueListNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter != &value_) {
    return ValueNode::valueForParameter(parameter, fieldIndex, inputValue);
  }
  const int n = count();
  const double x = NodeListIndex::rawIndex(*this, indexMode_.index(), n, index_, indexOffset_, nodeIndex_);
  const int i = NodeListIndex::position(x, n);
  const double a = values_[static_cast<std::size_t>(i)]->value();
  const double t = NodeListIndex::fraction(x);
  if (!interpolate_.value() || t == 0) {
    return a;
  }
  const double b = values_[static_cast<std::size_t>((i + 1) % n)]->value();
  return b * t + (1 - t) * a;
}

std::optional<std::string> ValueListNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Value index" || name == "Value list") {
    return std::nullopt;
  }
  return ValueNode::legacyMV2ParameterNameTranslation(name);
}
