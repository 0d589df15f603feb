#pragma once

class MVParameterValueExpression;

// Puts named values into an expression parameter's variables before each evaluation (a node
// for its own expression parameter).
class MVParameterExpressionVariablesSource {
public:
  virtual ~MVParameterExpressionVariablesSource() = default;
  // Writes into parameter->variablesDictionary().
  virtual void updateVariablesForExpressionParameter(MVParameterValueExpression* parameter) = 0;
};
