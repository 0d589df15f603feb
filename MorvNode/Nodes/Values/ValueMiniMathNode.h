#pragma once

#include <optional>
#include <string>

#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

// "Simple math": a compact node without a header whose expression reads one variable, a, from
// its own input socket (0 while nothing is connected). "a/2" by default.
class ValueMiniMathNode : public ValueNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool hasNodeHeader() const override { return false; }

  // Lays out the box again.
  void updateLinkedParameters() override;
  // The expression hears that its input changed.
  void updateOutputParameters() override;
  // Proposals are ignored: the node has no stored value to take them.
  void setProposedValue(const MVProposedValue&) override {}
  // Also warns when the expression mentions "a" while the a-socket is unconnected and the
  // output is used.
  void checkWarnings() override;

  // The older generation named the expression "A".
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterValueExpression& expressionParameter() const { return expression_; }

private:
  MVParameterValueExpression& expression_ = nodekit::expression(
      *this,
      {.name = "Value",
       .header = "Expression",
       .tooltip = "The math expression, using the input variable 'a', outputting the calculated result.",
       .showHeaderLabel = false},
      {.expression = "a/2", .inputVariable = "a"});
};
