#pragma once

#include <optional>
#include <string>

#include "MorvNode/Model/MVParameterExpressionVariablesSource.h"
#include "MorvNode/Nodes/NodeKit.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

// "Node index": outputs the current index another node publishes while it builds (a repeater's
// copy, column, row or layer; a change node's element), and optionally an expression of it,
// with the index as the variable i ("i+1"). Outside the publisher's build the index reads 0 and
// the node warns.
class ValueNodeIndexNode : public ValueNode, public MVParameterExpressionVariablesSource {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // A change of the watched index pushes "IndexParameter" downstream.
  void nodeIndexUpdated(const std::string& indexName) override;
  // A changed index also reaches the formula while it is on.
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  void updateLinkedParameters() override;
  // Also warns when the formula is on but only the plain index output is connected.
  void checkWarnings() override;
  // i: the current value of "IndexParameter".
  void updateVariablesForExpressionParameter(MVParameterValueExpression* parameter) override;

  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterNodeIndex& indexParameter() const { return index_; }
  MVParameterValueExpression& formulaParameter() const { return formula_; }

private:
  MVParameterNodeIndex& index_ = nodekit::nodeIndex(
      *this, {.name = "IndexParameter",
              .displayName = "Index",
              .tooltip = "The current selected element index, outputs the current value of this index when linked to "
                         "a node parameter.",
              .outputSocket = true});
  MVParameterValueExpression& formula_ = nodekit::expression(
      *this,
      {.name = "Value Formula",
       .header = "Index expression",
       .tooltip = "Math expression to be calculated based on the index, represented by 'i', for example i+1 or "
                  "(10-i)/2.",
       .enableToggle = true,
       .enabled = false},
      {.expression = "i+1", .variables = this});
};
