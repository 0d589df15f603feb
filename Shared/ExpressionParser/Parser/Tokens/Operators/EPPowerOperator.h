#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPOperator.h"

// "^": the math library's pow. Groups from the left like every operator: 2^3^2 is 64.
class EPPowerOperator : public EPOperator {
public:
  EPPowerOperator() = default;
  // nullptr unless the text is exactly "^".
  static std::shared_ptr<EPPowerOperator> create(std::string_view text);

  std::string toString() const override { return "^"; }
  std::shared_ptr<EPToken> copy() const override;
  OperatorClass operatorClass() const override { return OperatorClass::Power; }

protected:
  double operate(double left, double right) const override;
};
