#include "Shared/ExpressionParser/Parser/Tokens/EPToken.h"

std::optional<double> EPToken::numberValue() const
{
  return std::nullopt;
}
