#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPAbsFunction.h"

#include <cmath>

std::shared_ptr<EPAbsFunction> EPAbsFunction::create(std::string_view text)
{
  return text == "abs" ? std::make_shared<EPAbsFunction>() : nullptr;
}

std::shared_ptr<EPToken> EPAbsFunction::copy() const
{
  return create(toString());
}

double EPAbsFunction::functionValue(double operand) const
{
  return std::fabs(operand);
}
