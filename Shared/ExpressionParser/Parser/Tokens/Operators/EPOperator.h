#pragma once

#include "Shared/ExpressionParser/Parser/Tokens/EPNumericalToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/EPToken.h"

// A binary operator. Evaluation applies each operator class in its own left-to-right pass:
// power, then multiply/divide, then add/subtract, then modulus.
class EPOperator : public EPToken {
public:
  // The classes in the order of their passes.
  enum class OperatorClass { Power, MulDiv, AddSub, Modulus };

  Kind kind() const override { return Kind::Operator; }
  virtual OperatorClass operatorClass() const = 0;

  // A new numerical token with the result; nullptr when an operand does not stand for a
  // number (an operator or a function in an operand's place). Domain errors are no failure:
  // they give the IEEE result (infinity, NaN).
  std::shared_ptr<const EPNumericalToken> applyLeftOperand(const EPToken& left, const EPToken& right) const;

  // Operators have no sign: they answer themselves.
  EPTokenPtr negativeToken() const override;

protected:
  EPOperator() = default;
  virtual double operate(double left, double right) const = 0;
};
