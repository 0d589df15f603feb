#pragma once

#include <functional>
#include <map>
#include <string>

// Variables offered to an expression: name (UTF-8, compared exactly) to value. Looked up by
// std::string_view without building a string. Expressions evaluated through
// ODExpressionParser::parseExpression are lower-cased first, so their variables need lower-case
// names.
using ODExpressionVariables = std::map<std::string, double, std::less<>>;

// π as the evaluator knows it: the value of "pi" (and of "π" through parseExpression) and the
// factor of every degree conversion.
inline constexpr double kExpressionPi = 3.141592653589793;
