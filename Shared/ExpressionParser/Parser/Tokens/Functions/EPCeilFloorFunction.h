#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

// "ceil" rounds up, "floor" rounds down, to a whole number.
class EPCeilFloorFunction : public EPFunctionToken {
public:
  explicit EPCeilFloorFunction(bool isFloor) : EPFunctionToken(isFloor ? "floor" : "ceil"), isFloor_(isFloor) {}
  // nullptr unless the text is exactly "ceil" or "floor".
  static std::shared_ptr<EPCeilFloorFunction> create(std::string_view text);

  bool isFloor() const { return isFloor_; }

  std::shared_ptr<EPToken> copy() const override;

protected:
  double functionValue(double operand) const override;

private:
  bool isFloor_;
};
