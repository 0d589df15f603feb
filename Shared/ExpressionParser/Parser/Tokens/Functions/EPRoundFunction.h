#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

// "round": the nearest whole number, halves away from zero.
class EPRoundFunction : public EPFunctionToken {
public:
  EPRoundFunction() : EPFunctionToken("round") {}
  // nullptr unless the text is exactly "round".
  static std::shared_ptr<EPRoundFunction> create(std::string_view text);

  std::shared_ptr<EPToken> copy() const override;

protected:
  double functionValue(double operand) const override;
};
