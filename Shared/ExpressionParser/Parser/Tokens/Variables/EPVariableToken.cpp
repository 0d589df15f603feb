#include "Shared/ExpressionParser/Parser/Tokens/Variables/EPVariableToken.h"

std::shared_ptr<EPVariableToken> EPVariableToken::create(std::string_view text)
{
  return std::make_shared<EPVariableToken>(std::string(text));
}

EPTokenPtr EPVariableToken::negativeToken() const
{
  return std::make_shared<EPVariableToken>(variableName_, -doubleValue_);
}

std::shared_ptr<EPToken> EPVariableToken::copy() const
{
  return std::make_shared<EPVariableToken>(variableName_, doubleValue_);
}
