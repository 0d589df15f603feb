#pragma once

#include <string>

#include "Shared/ExpressionParser/ODExpressionVariables.h"
#include "Shared/ExpressionParser/Parser/Tokens/EPToken.h"

// A function of one operand, applied to the entry that follows it before any operator; angles
// are in degrees. A function token may be negated (a minus after "^", as in 2^-sqrt(4)): it then
// yields its value negated.
class EPFunctionToken : public EPToken {
public:
  // Degrees to radians and back: x / kHalfTurnDegrees * kPi.
  static constexpr double kHalfTurnDegrees = 180.0;
  static constexpr double kPi = kExpressionPi;

  const std::string& functionName() const { return functionName_; }
  bool negative() const { return negative_; }
  void setNegative(bool negative) { negative_ = negative; }

  // The function's value for the operand, negated when `negative` is set; nullptr when the
  // operand does not stand for a number.
  EPTokenPtr applyToOperand(const EPToken& operand) const;
  // The function's value without the negation; nullptr when the operand is no number.
  EPTokenPtr applyToOperandAbsolute(const EPToken& operand) const;
  // The token negated when `negative` is set, unchanged otherwise.
  EPTokenPtr applyNegationToPositive(const EPTokenPtr& token) const;

  Kind kind() const override { return Kind::Function; }
  std::string toString() const override { return functionName_; }
  // A copy with `negative` inverted.
  EPTokenPtr negativeToken() const override;

protected:
  explicit EPFunctionToken(std::string functionName) : functionName_(std::move(functionName)) {}
  // What each function computes.
  virtual double functionValue(double operand) const = 0;

private:
  std::string functionName_;
  bool negative_ = false;
};
