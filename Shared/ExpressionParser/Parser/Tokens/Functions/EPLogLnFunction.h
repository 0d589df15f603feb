#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

// "log" (base 10) and "ln" (natural).
class EPLogLnFunction : public EPFunctionToken {
public:
  explicit EPLogLnFunction(bool natural) : EPFunctionToken(natural ? "ln" : "log"), natural_(natural) {}
  // nullptr unless the text is exactly "log" or "ln".
  static std::shared_ptr<EPLogLnFunction> create(std::string_view text);

  bool isNatural() const { return natural_; }

  std::shared_ptr<EPToken> copy() const override;

protected:
  double functionValue(double operand) const override;

private:
  bool natural_;
};
