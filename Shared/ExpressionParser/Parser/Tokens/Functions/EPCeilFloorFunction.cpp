#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPCeilFloorFunction.h"

#include <cmath>

std::shared_ptr<EPCeilFloorFunction> EPCeilFloorFunction::create(std::string_view text)
{
  if (text == "ceil" || text == "floor") {
    return std::make_shared<EPCeilFloorFunction>(text == "floor");
  }
  return nullptr;
}

std::shared_ptr<EPToken> EPCeilFloorFunction::copy() const
{
  return create(toString());
}

double EPCeilFloorFunction::functionValue(double operand) const
{
  return isFloor_ ? std::floor(operand) : std::ceil(operand);
}
