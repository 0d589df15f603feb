#include "MorvNode/Nodes/Values/ValueMiniMathNode.h"

#include "MorvNode/Model/MVParameterValueExpression.h"

const MVNodeClass& ValueMiniMathNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueMiniMathNode";
    info.displayName = "Simple math";
    info.toolTipText = "Used to calculate a value using an entered expression and one input parameter";
    info.descriptionText =
        "This node can be used to calculate a value based on one input parameters using an entered expression. It is "
        "more or less a more compact form of the regular Value Math node, offering the same functionality but in a "
        "smaller shape for only one input parameter, a.<BR>";
    info.iconName = "node_icon_value_mini_math.png";
    info.create = [] { return std::make_unique<ValueMiniMathNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueMiniMathNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  if (MVNodeInterfaceDelegate* view = nodeView()) {
    view->setNeedsLayout();
  }
}

void ValueMiniMathNode::updateOutputParameters()
{
  expression_.inputChanged();
}

void ValueMiniMathNode::checkWarnings()
{
  ValueNode::checkWarnings();
  if (!expression_.hasConnectedInput() && expression_.expressionString().find('a') != std::string::npos &&
      expression_.hasConnectedOutput()) {
    addWarningMessage("No value is connected to the a-socket, so 'a' will be given the value 0.");
  }
}

std::optional<std::string> ValueMiniMathNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  return name == "A" ? std::string("Value") : ValueNode::legacyMV2ParameterNameTranslation(name);
}
