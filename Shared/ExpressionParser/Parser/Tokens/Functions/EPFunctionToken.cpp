#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"

#include "Shared/ExpressionParser/Parser/Tokens/EPNumericalToken.h"

EPTokenPtr EPFunctionToken::applyToOperand(const EPToken& operand) const
{
  return applyNegationToPositive(applyToOperandAbsolute(operand));
}

EPTokenPtr EPFunctionToken::applyToOperandAbsolute(const EPToken& operand) const
{
  const std::optional<double> value = operand.numberValue();
  if (!value) {
    return nullptr;
  }
  return std::make_shared<EPNumericalToken>(functionValue(*value));
}

EPTokenPtr EPFunctionToken::applyNegationToPositive(const EPTokenPtr& token) const
{
  if (negative_ && token) {
    return token->negativeToken();
  }
  return token;
}

EPTokenPtr EPFunctionToken::negativeToken() const
{
  const auto negated = std::static_pointer_cast<EPFunctionToken>(copy());
  negated->setNegative(!negative_);
  return negated;
}
