#include "Shared/ExpressionParser/Parser/EPTokenString.h"

#include <stdexcept>
#include <string>

#include "Platform/Unicode.h"
#include "Shared/ExpressionParser/Parser/Tokens/EPNumericalToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/EPParenthesesToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPAddSubOperator.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPModulusOperator.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPMulDivOperator.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPPowerOperator.h"
#include "Shared/ExpressionParser/Parser/Tokens/Variables/EPVariableToken.h"

namespace {

bool isDelimiter(char c)
{
  switch (c) {
    case '%':
    case '(':
    case ')':
    case '*':
    case '+':
    case '-':
    case '/':
    case '^':
      return true;
    default:
      return false;
  }
}

// The C library's space class for ASCII (the "C" locale's, whatever the process locale), the
// Unicode white space and line breaks above it.
bool isSkippedSpace(char32_t c)
{
  if (c < 0x80) {
    return c == ' ' || (c >= '\t' && c <= '\r');
  }
  return pf::isWhiteSpaceOrNewline(c);
}

}  // namespace

std::optional<EPTokenString> EPTokenString::fromExpression(std::string_view expression,
                                                          const EPTokenStringVariableSource& varSource,
                                                          const EPTokenStringFunctionSource& funcSource)
{
  std::vector<EPTokenPtr> tokens;
  std::string pending;
  const auto flushPending = [&]() {
    if (pending.empty()) {
      return true;
    }
    EPTokenPtr token = tokenFromString(pending, varSource, funcSource);
    pending.clear();
    if (!token) {
      return false;
    }
    tokens.push_back(std::move(token));
    return true;
  };

  size_t offset = 0;
  while (offset < expression.size()) {
    const size_t start = offset;
    const char32_t c = pf::nextCodePoint(expression, offset);
    if (c < 0x80 && isDelimiter(static_cast<char>(c))) {
      if (!flushPending()) {
        return std::nullopt;
      }
      EPTokenPtr token = tokenFromString(expression.substr(start, 1), varSource, funcSource);
      if (!token) {
        return std::nullopt;
      }
      tokens.push_back(std::move(token));
    } else if (!isSkippedSpace(c)) {
      // The bytes as they stand: an ill-formed sequence stays in the piece, which then matches
      // no kind.
      pending.append(expression.substr(start, offset - start));
    }
  }
  if (!flushPending()) {
    return std::nullopt;
  }
  return EPTokenString(std::move(tokens));
}

EPTokenPtr EPTokenString::tokenFromString(std::string_view text, const EPTokenStringVariableSource& vars,
                                          const EPTokenStringFunctionSource& functs)
{
  if (auto token = EPParenthesesToken::create(text)) {
    return token;
  }
  if (auto token = EPAddSubOperator::create(text)) {
    return token;
  }
  if (auto token = EPMulDivOperator::create(text)) {
    return token;
  }
  if (auto token = EPPowerOperator::create(text)) {
    return token;
  }
  if (auto token = EPModulusOperator::create(text)) {
    return token;
  }
  if (auto token = EPNumericalToken::create(text)) {
    return token;
  }
  if (vars.variableExists(text)) {
    auto token = EPVariableToken::create(text);
    token->setDoubleValue(vars.variableValue(text));
    return token;
  }
  if (functs.functionExists(text)) {
    return functs.functionTokenForName(text);
  }
  return nullptr;
}

EPTokenString EPTokenString::substringWithRange(size_t location, size_t length) const
{
  if (location > tokenArray_.size() || length > tokenArray_.size() - location) {
    throw std::out_of_range("Invalid bounds specified for substringWithRange:");
  }
  const auto begin = tokenArray_.begin() + static_cast<std::ptrdiff_t>(location);
  return EPTokenString(std::vector<EPTokenPtr>(begin, begin + static_cast<std::ptrdiff_t>(length)));
}
