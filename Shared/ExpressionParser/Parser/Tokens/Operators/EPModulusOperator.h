#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPOperator.h"

// "%": the math library's fmod (truncated division, the sign of the left operand, NaN for a
// right operand 0). It binds more loosely than "+" and "-": 7+3%4 is (7+3)%4.
class EPModulusOperator : public EPOperator {
public:
  EPModulusOperator() = default;
  // nullptr unless the text is exactly "%".
  static std::shared_ptr<EPModulusOperator> create(std::string_view text);

  std::string toString() const override { return "%"; }
  std::shared_ptr<EPToken> copy() const override;
  OperatorClass operatorClass() const override { return OperatorClass::Modulus; }

protected:
  double operate(double left, double right) const override;
};
