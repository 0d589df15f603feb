#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPSqrtFunction.h"

#include <cmath>

std::shared_ptr<EPSqrtFunction> EPSqrtFunction::create(std::string_view text)
{
  return text == "sqrt" ? std::make_shared<EPSqrtFunction>() : nullptr;
}

std::shared_ptr<EPToken> EPSqrtFunction::copy() const
{
  return create(toString());
}

double EPSqrtFunction::functionValue(double operand) const
{
  return std::sqrt(operand);
}
