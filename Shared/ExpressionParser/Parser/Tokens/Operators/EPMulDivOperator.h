#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPOperator.h"

// "*" or "/". Also the operator inserted for implicit multiplication, as in 2(3).
class EPMulDivOperator : public EPOperator {
public:
  explicit EPMulDivOperator(bool isDivision) : isDivision_(isDivision) {}
  // nullptr unless the text is exactly "*" or "/".
  static std::shared_ptr<EPMulDivOperator> create(std::string_view text);

  bool isDivision() const { return isDivision_; }

  std::string toString() const override { return isDivision_ ? "/" : "*"; }
  std::shared_ptr<EPToken> copy() const override;
  OperatorClass operatorClass() const override { return OperatorClass::MulDiv; }

protected:
  // x/0 is ±infinity and 0/0 NaN, as IEEE arithmetic gives them.
  double operate(double left, double right) const override { return isDivision_ ? left / right : left * right; }

private:
  bool isDivision_;
};
