#include "Shared/ExpressionParser/Parser/EPStandardFunctionSource.h"

#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPAbsFunction.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPCeilFloorFunction.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPLogLnFunction.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPRoundFunction.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPSinCosFunction.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPSqrtFunction.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPTanAtanFunction.h"

namespace {

constexpr std::string_view kFunctionNames[] = {"sin", "cos",  "asin", "acos", "tan",   "atan", "log",
                                               "ln",  "sqrt", "round", "ceil", "floor", "abs"};

}  // namespace

bool EPStandardFunctionSource::functionExists(std::string_view name) const
{
  for (std::string_view known : kFunctionNames) {
    if (name == known) {
      return true;
    }
  }
  return false;
}

std::shared_ptr<EPFunctionToken> EPStandardFunctionSource::functionTokenForName(std::string_view name) const
{
  if (auto token = EPSinCosFunction::create(name)) {
    return token;
  }
  if (auto token = EPTanAtanFunction::create(name)) {
    return token;
  }
  if (auto token = EPLogLnFunction::create(name)) {
    return token;
  }
  if (auto token = EPSqrtFunction::create(name)) {
    return token;
  }
  if (auto token = EPRoundFunction::create(name)) {
    return token;
  }
  if (auto token = EPCeilFloorFunction::create(name)) {
    return token;
  }
  return EPAbsFunction::create(name);
}
