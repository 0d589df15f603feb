#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

// "tan" of an angle in degrees; "atan" answers degrees.
class EPTanAtanFunction : public EPFunctionToken {
public:
  explicit EPTanAtanFunction(bool isAtan) : EPFunctionToken(isAtan ? "atan" : "tan"), isAtan_(isAtan) {}
  // nullptr unless the text is exactly "tan" or "atan".
  static std::shared_ptr<EPTanAtanFunction> create(std::string_view text);

  bool isAtan() const { return isAtan_; }

  std::shared_ptr<EPToken> copy() const override;

protected:
  double functionValue(double operand) const override;

private:
  bool isAtan_;
};
