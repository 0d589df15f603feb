#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPAddSubOperator.h"

std::shared_ptr<EPAddSubOperator> EPAddSubOperator::create(std::string_view text)
{
  if (text == "+" || text == "-") {
    return std::make_shared<EPAddSubOperator>(text == "-");
  }
  return nullptr;
}

std::shared_ptr<EPToken> EPAddSubOperator::copy() const
{
  return create(toString());
}
