#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPRoundFunction.h"

#include <cmath>

std::shared_ptr<EPRoundFunction> EPRoundFunction::create(std::string_view text)
{
  return text == "round" ? std::make_shared<EPRoundFunction>() : nullptr;
}

std::shared_ptr<EPToken> EPRoundFunction::copy() const
{
  return create(toString());
}

double EPRoundFunction::functionValue(double operand) const
{
  // The largest double below 0.5, so that 0.49999999999999994 itself rounds to 0 (adding 0.5
  // would round the sum up to 1).
  return std::trunc(operand + std::copysign(0.49999999999999994, operand));
}
