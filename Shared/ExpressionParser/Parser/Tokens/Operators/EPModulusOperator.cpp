#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPModulusOperator.h"

#include <cmath>

std::shared_ptr<EPModulusOperator> EPModulusOperator::create(std::string_view text)
{
  return text == "%" ? std::make_shared<EPModulusOperator>() : nullptr;
}

std::shared_ptr<EPToken> EPModulusOperator::copy() const
{
  return create(toString());
}

double EPModulusOperator::operate(double left, double right) const
{
  return std::fmod(left, right);
}
