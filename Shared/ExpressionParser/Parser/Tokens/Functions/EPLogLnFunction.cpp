#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPLogLnFunction.h"

#include <cmath>

std::shared_ptr<EPLogLnFunction> EPLogLnFunction::create(std::string_view text)
{
  if (text == "log" || text == "ln") {
    return std::make_shared<EPLogLnFunction>(text == "ln");
  }
  return nullptr;
}

std::shared_ptr<EPToken> EPLogLnFunction::copy() const
{
  return create(toString());
}

double EPLogLnFunction::functionValue(double operand) const
{
  return natural_ ? std::log(operand) : std::log10(operand);
}
