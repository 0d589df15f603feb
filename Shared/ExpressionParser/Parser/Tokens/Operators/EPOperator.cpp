#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPOperator.h"

std::shared_ptr<const EPNumericalToken> EPOperator::applyLeftOperand(const EPToken& left, const EPToken& right) const
{
  const std::optional<double> leftValue = left.numberValue();
  const std::optional<double> rightValue = right.numberValue();
  if (!leftValue || !rightValue) {
    return nullptr;
  }
  return std::make_shared<EPNumericalToken>(operate(*leftValue, *rightValue));
}

EPTokenPtr EPOperator::negativeToken() const
{
  return shared_from_this();
}
