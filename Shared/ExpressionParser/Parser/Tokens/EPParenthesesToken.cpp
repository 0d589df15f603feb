#include "Shared/ExpressionParser/Parser/Tokens/EPParenthesesToken.h"

std::shared_ptr<EPParenthesesToken> EPParenthesesToken::create(std::string_view text)
{
  if (text == "(") {
    return std::make_shared<EPParenthesesToken>(Direction::Opening);
  }
  if (text == ")") {
    return std::make_shared<EPParenthesesToken>(Direction::Closing);
  }
  return nullptr;
}

std::string EPParenthesesToken::toString() const
{
  return isOpening() ? "(" : ")";
}

EPTokenPtr EPParenthesesToken::negativeToken() const
{
  return shared_from_this();
}

std::shared_ptr<EPToken> EPParenthesesToken::copy() const
{
  return create(toString());
}
