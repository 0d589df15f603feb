#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

// "sin" and "cos" of an angle in degrees; "asin" and "acos" answer degrees.
class EPSinCosFunction : public EPFunctionToken {
public:
  enum class Kind { Sin, Cos, ASin, ACos };

  explicit EPSinCosFunction(Kind kind);
  // nullptr unless the text is exactly "sin", "cos", "asin" or "acos".
  static std::shared_ptr<EPSinCosFunction> create(std::string_view text);

  bool isSin() const { return kind_ == Kind::Sin; }
  bool isCos() const { return kind_ == Kind::Cos; }
  bool isASin() const { return kind_ == Kind::ASin; }
  bool isACos() const { return kind_ == Kind::ACos; }
  bool isCosine() const { return isCos(); }

  std::shared_ptr<EPToken> copy() const override;

protected:
  double functionValue(double operand) const override;

private:
  Kind kind_;
};
