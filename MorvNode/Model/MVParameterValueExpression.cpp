#include "MorvNode/Model/MVParameterValueExpression.h"

#include <cmath>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterExpressionVariablesSource.h"
#include "Shared/ExpressionParser/ODExpressionParser.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

std::unique_ptr<MVParameterValueExpression> MVParameterValueExpression::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterValueExpression>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterValueExpression::MVParameterValueExpression()
{
  setLayoutShowHeaderLabel(true);
  setLayoutSpaceBelow(2);
  setHasInputSocket(false);  // node classes that offer "a" as an input turn it on
  setHasOutputSocket(true);
}

void MVParameterValueExpression::setExpressionString(const std::string& expression)
{
  if (expression == expressionString_) {
    return;
  }
  if (node() != nullptr) {
    registerUndoProperty("expressionString", pf::PlistValue(expressionString_));
  }
  expressionString_ = expression;
  inputChanged();
}

double MVParameterValueExpression::valueForSocketIndex(int)
{
  if (!inputSockets().empty() && !inputParameterName_.empty()) {
    const double input = inputSockets().front()->hasConnectedInput() ? inputValue() : 0.0;
    variables_.insert_or_assign(inputParameterName_, input);
  }
  if (expressionVariablesSource_ != nullptr) {
    expressionVariablesSource_->updateVariablesForExpressionParameter(this);
  }
  double result = ODExpressionParser::parseExpression(expressionString_, &variables_);
  parsingErrorFlag_ = std::isnan(result);
  if (parsingErrorFlag_) {
    result = 0.0;
  }
  result_ = checkNewValue(result);
  return result_;
}

void MVParameterValueExpression::setValue(double) {}

std::optional<std::string> MVParameterValueExpression::undoActionNameForProperty(const std::string& propertyName) const
{
  if (propertyName == "expressionString") {
    return "change expression";
  }
  return MVParameterValue::undoActionNameForProperty(propertyName);
}

void MVParameterValueExpression::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameterValue::revertProperty(propertyName, value);
  if (propertyName == "expressionString") {
    setExpressionString(value.stringOr());
  }
}

pf::PlistValue::Dictionary MVParameterValueExpression::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameterValue::descriptionDictionary();
  record.set("Expression", expressionString_);
  return record;
}

bool MVParameterValueExpression::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameterValue::loadDescriptionDictionary(record)) {
    return false;
  }
  const pf::PlistValue* expression = record.find("Expression");
  if (expression == nullptr) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing Expression string key", description());
    return false;
  }
  setExpressionString(expression->stringOr());
  return true;
}

std::string MVParameterValueExpression::description() const
{
  return pf::format("<%@ [%@ '%@'] expression:%@ value:%g>", className(),
                    node() != nullptr ? node()->displayFullName() : "Unknown node", name(), expressionString_,
                    localValue());
}
