#pragma once

#include <optional>
#include <string>

#include "MorvNode/Model/MVParameterExpressionVariablesSource.h"
#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

// "Math": outputs a typed expression of three numeric inputs, offered to it as the variables
// a, b and c ("a*b+c" by default). A failed evaluation outputs 0 and shows a parse warning.
class ValueMathNode : public ValueNode, public MVParameterExpressionVariablesSource {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // Lays out the box again and tells the output.
  void updateLinkedParameters() override;
  // The expression hears that its input changed.
  void updateOutputParameters() override;
  // A number passes through: the expression becomes "a" and "A" takes the number.
  void setProposedValue(const MVProposedValue& value) override;
  // a, b and c: the current values of "A", "B" and "C".
  void updateVariablesForExpressionParameter(MVParameterValueExpression* parameter) override;

  MVParameterValueExpression& expressionParameter() const { return expression_; }

private:
  MVParameterValueExpression& expression_ = nodekit::expression(
      *this,
      {.name = "Value",
       .header = "Expression",
       .tooltip = "The math expression, using the variables below, outputting the calculated result."},
      {.expression = "a*b+c", .variables = this});
  MVParameter& variablesHeading_ =
      nodekit::plain(*this, {.name = "Variables heading", .displayName = "Variables", .header = "Variables"});
  MVParameterValue& a_ = nodekit::value(
      *this,
      {.name = "A",
       .displayName = "a",
       .tooltip = "An input parameter you can use as a variable in the expression above. For example 'a+2' or "
                  "'sqrt(a)/2'"},
      {.value = 1});
  MVParameterValue& b_ = nodekit::value(
      *this,
      {.name = "B",
       .displayName = "b",
       .tooltip = "An input parameter you can use as a variable in the expression above. For example 'b+2' or "
                  "'abs(b)*a'"},
      {.value = 2});
  MVParameterValue& c_ = nodekit::value(
      *this,
      {.name = "C",
       .displayName = "c",
       .tooltip = "An input parameter you can use as a variable in the expression above. For example '(c+1)/2' or "
                  "'sin(c)'"},
      {.value = 3});
};
