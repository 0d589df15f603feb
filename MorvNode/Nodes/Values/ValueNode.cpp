#include "MorvNode/Nodes/Values/ValueNode.h"

#include <variant>

#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Numbers.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

const MVNodeClass& ValueNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "ValueNode";
    info.displayName = "Value";
    info.displayTypeName = "Value";
    info.toolTipText = "Defines a numeric value";
    info.descriptionText = "This node lets you define a numeric value. You can also rename this node (double click the "
                           "name or chose rename in the context menu) if you want to keep track of what value this is.";
    info.iconName = "node_icon_value.png";
    info.nodeViewDefaultWidth = 120.0;
    info.create = [] { return std::make_unique<ValueNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  if (className() != nodeClassInfo().className) {
    return;
  }
  auto value = MVParameterValue::parameterWithName("Value");
  value->setValue(1.0);
  value->setTooltip("A numeric value.");
  value->setUpdateIfUnconnected(true);
  valueParameter_ = addParameter(std::move(value));
}

void ValueNode::setProposedValue(const MVProposedValue& value)
{
  if (const double* number = std::get_if<double>(&value)) {
    if (valueParameter_ != nullptr) {
      valueParameter_->setValue(*number);
    }
    return;
  }
  logUnexpectedProposal(value);
}

void ValueNode::logUnexpectedProposal(const MVProposedValue& value) const
{
  const std::string object =
      std::holds_alternative<double>(value) ? pf::formatG(std::get<double>(value)) : std::get<pf::Color>(value).description();
  FeedbackManager::log("Warning, %@ setProposedValue, %@ is not of the expected class", description(), object);
}
