#include "MorvNode/Nodes/Values/ValueNodeIndexNode.h"

#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValueExpression.h"

const MVNodeClass& ValueNodeIndexNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueNodeIndexNode";
    info.displayName = "Node index";
    info.toolTipText = "Outputs an index value for the current state in another node, useful for basing linked "
                       "parameters in group operations on the element index or in dynamic element repeaters";
    info.descriptionText =
        "This node outputs an index value representing the current state in another node based on what index is "
        "selected. This can be used to generate different elements for dynamic repeaters or give group operations "
        "dynamic input based on the index of the elements.<BR><BR>For example, you could link the scale in a "
        "randomize node to the group index to make the randomization change for each element, or set the color to a "
        "numeric color based on the index of the element in the group.<BR><BR>Depending on your nodes several indexes "
        "might be available if used together with a repeater in dynamic elements mode, like the repeater column or "
        "row index. This can let you base element properties on for example the row index in a grid repeater."
        "<BR><BR><I>See section 3.5 Connection requests and advanced use in the manual for more information, or take "
        "a look at the sample files for examples.</I>";
    info.iconName = "node_icon_value_node_index.png";
    info.nodeViewDefaultWidth = 140.0;
    info.create = [] { return std::make_unique<ValueNodeIndexNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueNodeIndexNode::nodeIndexUpdated(const std::string& indexName)
{
  if (index_.indexName() == indexName) {
    index_.inputChanged();
  }
}

void ValueNodeIndexNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  ValueNode::parameterChanged(parameter, propertyName);
  if (parameter == &index_ && formula_.enabled()) {
    formula_.inputChanged();
  }
}

void ValueNodeIndexNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  if (formula_.enabled()) {
    formula_.inputChanged();
  }
}

void ValueNodeIndexNode::checkWarnings()
{
  ValueNode::checkWarnings();
  if (formula_.enabled() && !formula_.hasConnectedOutput() && index_.hasConnectedOutput()) {
    addWarningMessage("Index formula is enabled, but the output is connected to the plain index and not to the "
                      "calculated formula socket");
  }
}

void ValueNodeIndexNode::updateVariablesForExpressionParameter(MVParameterValueExpression* parameter)
{
  if (parameter != nullptr) {
    parameter->variablesDictionary().insert_or_assign("i", index_.value());
  }
}

std::optional<std::string> ValueNodeIndexNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Value") {
    return std::string("IndexParameter");
  }
  if (name == "Has Expression") {
    return std::string("Value Formula[ENABLE]");
  }
  return ValueNode::legacyMV2ParameterNameTranslation(name);
}
