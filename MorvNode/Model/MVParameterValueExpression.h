#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameterValue.h"
#include "Shared/ExpressionParser/ODExpressionVariables.h"

class MVParameterExpressionVariablesSource;

// A number typed as an arithmetic expression ("a+1"). Every pull through a socket evaluates the
// text afresh, with the input socket's value under `inputParameterName` and the variables that
// the variables source (the node) puts in; limits and rounding of the value parameter apply to
// the result. Text that does not evaluate gives 0 and sets the parsing-error flag, which the
// row and the node's warnings show.
class MVParameterValueExpression : public MVParameterValue {
public:
  static std::unique_ptr<MVParameterValueExpression> parameterWithName(const std::string& name);

  MVParameterValueExpression();

  std::string_view className() const override { return "MVParameterValueExpression"; }
  std::string parameterViewClass() const override { return "MVParameterValueExpressionView"; }
  bool hasPreview() const override { return false; }

  const std::string& expressionString() const { return expressionString_; }
  // A different text records undo and pushes the change downstream.
  void setExpressionString(const std::string& expression);
  // The variable under which the input socket's value is offered (lower case: the evaluator
  // lower-cases the text first).
  const std::string& inputParameterName() const { return inputParameterName_; }
  void setInputParameterName(std::string name) { inputParameterName_ = std::move(name); }
  // The node that fills the variables; not owned.
  MVParameterExpressionVariablesSource* expressionVariablesSource() const { return expressionVariablesSource_; }
  void setExpressionVariablesSource(MVParameterExpressionVariablesSource* source)
  {
    expressionVariablesSource_ = source;
  }
  // The variables handed to the evaluator; sources write theirs here.
  ODExpressionVariables& variablesDictionary() { return variables_; }

  // Evaluates the expression (whatever the update flag; nothing is cached or stamped).
  double valueForSocketIndex(int index) override;
  // The last result, without evaluating.
  double value() override { return result_; }
  // Does nothing: the value comes only from the expression.
  void setValue(double value) override;
  // The last evaluation failed (its result was 0).
  bool parsingErrorFlag() const { return parsingErrorFlag_; }

  std::optional<std::string> undoActionNameForProperty(const std::string& propertyName) const override;
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // The value parameter's record plus "Expression".
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;
  std::string description() const override;

private:
  std::string expressionString_ = "a+1";
  std::string inputParameterName_ = "a";
  MVParameterExpressionVariablesSource* expressionVariablesSource_ = nullptr;  // a node, outlives this
  ODExpressionVariables variables_;
  double result_ = 0.0;  // the last evaluated, limited result
  bool parsingErrorFlag_ = false;
};
