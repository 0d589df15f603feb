#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPPowerOperator.h"

#include <cmath>

std::shared_ptr<EPPowerOperator> EPPowerOperator::create(std::string_view text)
{
  return text == "^" ? std::make_shared<EPPowerOperator>() : nullptr;
}

std::shared_ptr<EPToken> EPPowerOperator::copy() const
{
  return create(toString());
}

double EPPowerOperator::operate(double left, double right) const
{
  return std::pow(left, right);
}
