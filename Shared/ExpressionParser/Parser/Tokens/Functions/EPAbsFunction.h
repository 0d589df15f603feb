#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

// "abs": the absolute value.
class EPAbsFunction : public EPFunctionToken {
public:
  EPAbsFunction() : EPFunctionToken("abs") {}
  // nullptr unless the text is exactly "abs".
  static std::shared_ptr<EPAbsFunction> create(std::string_view text);

  std::shared_ptr<EPToken> copy() const override;

protected:
  double functionValue(double operand) const override;
};
