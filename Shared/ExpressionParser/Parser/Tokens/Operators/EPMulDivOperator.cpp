#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPMulDivOperator.h"

std::shared_ptr<EPMulDivOperator> EPMulDivOperator::create(std::string_view text)
{
  if (text == "*" || text == "/") {
    return std::make_shared<EPMulDivOperator>(text == "/");
  }
  return nullptr;
}

std::shared_ptr<EPToken> EPMulDivOperator::copy() const
{
  return create(toString());
}
