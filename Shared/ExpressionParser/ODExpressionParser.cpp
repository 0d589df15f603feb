#include "Shared/ExpressionParser/ODExpressionParser.h"

#include <limits>

#include "Platform/Unicode.h"
#include "Shared/ExpressionParser/Parser/EPDictionaryVariableSource.h"
#include "Shared/ExpressionParser/Parser/EPExpression.h"
#include "Shared/ExpressionParser/Parser/EPStandardFunctionSource.h"
#include "Shared/ExpressionParser/Parser/EPTokenString.h"

namespace {

constexpr char32_t kDegreeSign = U'\u00B0';
constexpr std::string_view kPiName = "pi";
constexpr std::string_view kGreekPiName = "\u03C0";

const ODExpressionVariables& piOnlyVariables()
{
  static const ODExpressionVariables variables = {{std::string(kPiName), kExpressionPi},
                                                  {std::string(kGreekPiName), kExpressionPi}};
  return variables;
}

}  // namespace

std::string ODExpressionParser::prepareExpressionString(std::string_view expression)
{
  if (expression.empty()) {
    return {};
  }
  std::string text;
  text.reserve(expression.size());
  size_t offset = 0;
  while (offset < expression.size()) {
    const size_t start = offset;
    const char32_t c = pf::nextCodePoint(expression, offset);
    if (c == kDegreeSign || pf::isWhiteSpaceOrNewline(c)) {
      continue;
    }
    if (c == U',' || c == U':') {
      text.push_back('.');
      continue;
    }
    text.append(expression.substr(start, offset - start));
  }
  text = pf::lowercased(text);
  if (!text.empty() && text.back() == '%') {
    text.pop_back();  // one only: 50%% keeps a "%" and fails
  }
  return text;
}

double ODExpressionParser::parseExpression(std::string_view expression, ODExpressionVariables* variables)
{
  const std::string prepared = prepareExpressionString(expression);
  const ODExpressionVariables* used = &piOnlyVariables();
  if (variables != nullptr) {
    variables->insert_or_assign(std::string(kPiName), kExpressionPi);
    variables->insert_or_assign(std::string(kGreekPiName), kExpressionPi);
    used = variables;
  }
  return evaluate(prepared, used).value_or(std::numeric_limits<double>::quiet_NaN());
}

double ODExpressionParser::parseExpression(std::string_view expression)
{
  return parseExpression(expression, nullptr);
}

std::optional<double> ODExpressionParser::numberByParsingExpression(std::string_view expression)
{
  return evaluate(expression, nullptr);
}

std::optional<double> ODExpressionParser::numberByParsingExpression(std::string_view expression,
                                                                    const ODExpressionVariables& variables)
{
  return evaluate(expression, &variables);
}

std::optional<double> ODExpressionParser::evaluate(std::string_view expression, const ODExpressionVariables* variables)
{
  if (expression.size() > kMaxExpressionLength) {
    return std::nullopt;
  }
  const EPStandardFunctionSource functions;
  const EPDictionaryVariableSource variableSource(variables);
  const std::optional<EPTokenString> tokens = EPTokenString::fromExpression(expression, variableSource, functions);
  if (!tokens) {
    return std::nullopt;
  }
  const std::unique_ptr<EPExpression> level = EPExpression::create(*tokens);
  if (!level) {
    return std::nullopt;
  }
  const std::shared_ptr<const EPNumericalToken> result = level->evaluateToToken();
  if (!result) {
    return std::nullopt;
  }
  return result->doubleValue();
}
