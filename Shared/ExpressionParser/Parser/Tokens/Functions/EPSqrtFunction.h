#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

// "sqrt": NaN for a negative operand.
class EPSqrtFunction : public EPFunctionToken {
public:
  EPSqrtFunction() : EPFunctionToken("sqrt") {}
  // nullptr unless the text is exactly "sqrt".
  static std::shared_ptr<EPSqrtFunction> create(std::string_view text);

  std::shared_ptr<EPToken> copy() const override;

protected:
  double functionValue(double operand) const override;
};
