#pragma once

#include "Shared/ExpressionParser/Parser/EPTokenStringFunctionSource.h"

// The built-in functions: "sin", "cos", "asin", "acos", "tan", "atan", "log", "ln", "sqrt",
// "round", "ceil", "floor" and "abs" (names compared exactly).
class EPStandardFunctionSource : public EPTokenStringFunctionSource {
public:
  bool functionExists(std::string_view name) const override;
  std::shared_ptr<EPFunctionToken> functionTokenForName(std::string_view name) const override;
};
