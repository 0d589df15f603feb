#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPSinCosFunction.h"

#include <cmath>

namespace {

const char* nameOf(EPSinCosFunction::Kind kind)
{
  switch (kind) {
    case EPSinCosFunction::Kind::Sin:
      return "sin";
    case EPSinCosFunction::Kind::Cos:
      return "cos";
    case EPSinCosFunction::Kind::ASin:
      return "asin";
    case EPSinCosFunction::Kind::ACos:
      return "acos";
  }
  return "sin";
}

}  // namespace

EPSinCosFunction::EPSinCosFunction(Kind kind) : EPFunctionToken(nameOf(kind)), kind_(kind) {}

std::shared_ptr<EPSinCosFunction> EPSinCosFunction::create(std::string_view text)
{
  for (Kind kind : {Kind::Sin, Kind::Cos, Kind::ASin, Kind::ACos}) {
    if (text == nameOf(kind)) {
      return std::make_shared<EPSinCosFunction>(kind);
    }
  }
  return nullptr;
}

std::shared_ptr<EPToken> EPSinCosFunction::copy() const
{
  return create(toString());
}

double EPSinCosFunction::functionValue(double operand) const
{
  switch (kind_) {
    case Kind::Sin:
      return std::sin(operand / kHalfTurnDegrees * kPi);
    case Kind::Cos:
      return std::cos(operand / kHalfTurnDegrees * kPi);
    case Kind::ASin:
      return std::asin(operand) * kHalfTurnDegrees / kPi;
    case Kind::ACos:
      return std::acos(operand) * kHalfTurnDegrees / kPi;
  }
  return 0.0;
}
