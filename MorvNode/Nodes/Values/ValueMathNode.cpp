#include "MorvNode/Nodes/Values/ValueMathNode.h"

#include <variant>

#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueExpression.h"

const MVNodeClass& ValueMathNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueMathNode";
    info.displayName = "Math";
    info.toolTipText = "Used to calculate a value based on one or more input parameters using an entered expression";
    info.descriptionText =
        "This node can be used to calculate a value based on one or more input parameters using an entered "
        "expression. The input parameters a, b, c can be used in the formula as variables. For example 'a+b' to "
        "calculate the sum of a and b, or '((a+2)/b)+c' as a more complex example.<BR><BR>You can also use the "
        "following functions:<BR><B>sin(), asin(), cos(), acos(), tan(), atan()</B> all using degrees<BR><B>round()"
        "</B> round value to closest integer.<BR><B>ceil()</B> round value up.<BR><B>floor()</B> round value down."
        "<BR><B>abs()</B> absolute value.<BR><B>sqrt()</B> square root.<BR>";
    info.iconName = "node_icon_value_math.png";
    info.create = [] { return std::make_unique<ValueMathNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueMathNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  if (MVNodeInterfaceDelegate* view = nodeView()) {
    view->setNeedsLayout();
  }
  updateOutputParameters();
}

void ValueMathNode::updateOutputParameters()
{
  expression_.inputChanged();
}

void ValueMathNode::setProposedValue(const MVProposedValue& value)
{
  if (const double* number = std::get_if<double>(&value)) {
    expression_.setExpressionString("a");
    a_.setValue(*number);
    return;
  }
  logUnexpectedProposal(value);
}

void ValueMathNode::updateVariablesForExpressionParameter(MVParameterValueExpression* parameter)
{
  if (parameter == nullptr) {
    return;
  }
  ODExpressionVariables& variables = parameter->variablesDictionary();
  variables.insert_or_assign("a", a_.value());
  variables.insert_or_assign("b", b_.value());
  variables.insert_or_assign("c", c_.value());
}
