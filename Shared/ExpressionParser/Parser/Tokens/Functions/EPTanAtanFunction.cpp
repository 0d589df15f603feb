#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPTanAtanFunction.h"

#include <cmath>

std::shared_ptr<EPTanAtanFunction> EPTanAtanFunction::create(std::string_view text)
{
  if (text == "tan" || text == "atan") {
    return std::make_shared<EPTanAtanFunction>(text == "atan");
  }
  return nullptr;
}

std::shared_ptr<EPToken> EPTanAtanFunction::copy() const
{
  return create(toString());
}

double EPTanAtanFunction::functionValue(double operand) const
{
  if (isAtan_) {
    return std::atan(operand) * kHalfTurnDegrees / kPi;
  }
  return std::tan(operand / kHalfTurnDegrees * kPi);
}
