#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameterValue.h"

// A value typed as an arithmetic expression over the node's variables.
// TODO(Parameter kinds): parsing, variables, records and the row.
class MVParameterValueExpression : public MVParameterValue {
public:
  static std::unique_ptr<MVParameterValueExpression> parameterWithName(const std::string& name);

  std::string_view className() const override { return "MVParameterValueExpression"; }
  std::string parameterViewClass() const override { return "MVParameterValueExpressionView"; }

  const std::string& expressionString() const { return expressionString_; }
  // Set when the expression text does not parse (the value is then 0).
  bool parsingErrorFlag() const { return parsingErrorFlag_; }

protected:
  std::string expressionString_;
  bool parsingErrorFlag_ = false;
};
