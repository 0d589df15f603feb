#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPOperator.h"

// "+" or "-". A "-" with no operand before it is rewritten as a unary minus while the levels
// are built; a unary "+" stays an operator and fails for want of a left operand.
class EPAddSubOperator : public EPOperator {
public:
  explicit EPAddSubOperator(bool isSubtraction) : isSubtraction_(isSubtraction) {}
  // nullptr unless the text is exactly "+" or "-".
  static std::shared_ptr<EPAddSubOperator> create(std::string_view text);

  bool isSubtraction() const { return isSubtraction_; }

  std::string toString() const override { return isSubtraction_ ? "-" : "+"; }
  std::shared_ptr<EPToken> copy() const override;
  OperatorClass operatorClass() const override { return OperatorClass::AddSub; }

protected:
  // Subtraction adds the negated right operand.
  double operate(double left, double right) const override { return isSubtraction_ ? left + (-right) : left + right; }

private:
  bool isSubtraction_;
};
