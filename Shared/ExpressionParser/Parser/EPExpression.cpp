#include "Shared/ExpressionParser/Parser/EPExpression.h"

#include "Shared/ExpressionParser/Parser/Tokens/EPParenthesesToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPFunctionToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPAddSubOperator.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPMulDivOperator.h"
#include "Shared/ExpressionParser/Parser/Tokens/Variables/EPVariableToken.h"

namespace {

const EPParenthesesToken* asParenthesis(const EPToken* token)
{
  return token->kind() == EPToken::Kind::Parenthesis ? static_cast<const EPParenthesesToken*>(token) : nullptr;
}

// nullptr for a null token (no previous token) as for any other kind.
const EPOperator* asOperator(const EPToken* token)
{
  return token != nullptr && token->kind() == EPToken::Kind::Operator ? static_cast<const EPOperator*>(token) : nullptr;
}

bool isOperatorOfClass(const EPToken* token, EPOperator::OperatorClass operatorClass)
{
  const EPOperator* op = asOperator(token);
  return op != nullptr && op->operatorClass() == operatorClass;
}

bool isSubtraction(const EPToken* token)
{
  return isOperatorOfClass(token, EPOperator::OperatorClass::AddSub) &&
         static_cast<const EPAddSubOperator*>(token)->isSubtraction();
}

// Moves entry `from` down to `to` (to <= from) while a pass compacts the list.
void keep(std::vector<EPTokenPtr>& list, size_t to, size_t from)
{
  if (to != from) {
    list[to] = std::move(list[from]);
  }
}

EPTokenPtr multiplyOperator()
{
  return std::make_shared<EPMulDivOperator>(false);
}

}  // namespace

std::unique_ptr<EPExpression> EPExpression::create(const EPTokenString& tokenString)
{
  return build(tokenString.tokenArray(), 0);
}

std::optional<size_t> EPExpression::matchingParenthesis(std::span<const EPTokenPtr> tokens, size_t opening)
{
  size_t depth = 0;
  for (size_t i = opening; i < tokens.size(); ++i) {
    if (const EPParenthesesToken* parenthesis = asParenthesis(tokens[i].get())) {
      if (parenthesis->isOpening()) {
        ++depth;
      } else if (--depth == 0) {
        return i;
      }
    }
  }
  return std::nullopt;
}

std::optional<EPTokenString> EPExpression::subExpression(const EPTokenString& tokenString, size_t& index)
{
  const std::vector<EPTokenPtr>& tokens = tokenString.tokenArray();
  if (index >= tokens.size()) {
    return std::nullopt;
  }
  const EPParenthesesToken* opening = asParenthesis(tokens[index].get());
  if (opening == nullptr || !opening->isOpening()) {
    return std::nullopt;
  }
  const std::optional<size_t> closing = matchingParenthesis(tokens, index);
  if (!closing) {
    return std::nullopt;
  }
  EPTokenString inside = tokenString.substringWithRange(index + 1, *closing - index - 1);
  index = *closing;
  return inside;
}

std::unique_ptr<EPExpression> EPExpression::build(std::span<const EPTokenPtr> tokens, int depth)
{
  if (depth > kMaxNestingDepth) {
    return nullptr;
  }
  auto level = std::make_unique<EPExpression>();
  level->tokens_.reserve(tokens.size());
  const EPToken* previous = nullptr;  // the previous input token; a group counts as its "("
  bool operandBefore = false;
  bool negateNext = false;  // set by a minus right after "^": negates the power's next operand
  for (size_t i = 0; i < tokens.size(); ++i) {
    const EPTokenPtr& token = tokens[i];
    if (const EPParenthesesToken* parenthesis = asParenthesis(token.get())) {
      if (!parenthesis->isOpening()) {
        return nullptr;  // a ")" without its "("
      }
      const std::optional<size_t> closing = matchingParenthesis(tokens, i);
      if (!closing) {
        return nullptr;
      }
      std::unique_ptr<EPExpression> nested = build(tokens.subspan(i + 1, *closing - i - 1), depth + 1);
      if (!nested) {
        return nullptr;
      }
      if (operandBefore) {
        level->tokens_.emplace_back(multiplyOperator());  // 2(3), (2)(3), a(b)
      }
      nested->setNegateExpression(negateNext);
      level->tokens_.emplace_back(std::move(nested));
      operandBefore = true;
      negateNext = false;
      previous = token.get();
      i = *closing;
      continue;
    }

    const bool tokenIsOperator = asOperator(token.get()) != nullptr;
    if (operandBefore && !tokenIsOperator) {
      level->tokens_.emplace_back(multiplyOperator());  // (2)3, (2)pi, (2)sin(30)
    }
    if (tokenIsOperator && (previous == nullptr || asOperator(previous) != nullptr) && isSubtraction(token.get())) {
      // A unary minus.
      if (isOperatorOfClass(previous, EPOperator::OperatorClass::Power)) {
        negateNext = true;  // 2^-3: the power's right operand is negated, not the whole power
      } else {
        level->tokens_.emplace_back(std::make_shared<EPNumericalToken>(-1.0));  // -3 is -1 * 3
        level->tokens_.emplace_back(multiplyOperator());
        negateNext = false;
      }
    } else {
      level->tokens_.emplace_back(negateNext ? token->negativeToken() : token);
      negateNext = false;
    }
    operandBefore = !tokenIsOperator && token->kind() != EPToken::Kind::Function;
    previous = token.get();
  }
  return level;
}

std::shared_ptr<const EPNumericalToken> EPExpression::evaluateToToken() const
{
  std::vector<EPTokenPtr> list;
  using OperatorClass = EPOperator::OperatorClass;
  if (!substituteVariablesAndEvaluateSubExpressions(list) || !performFunctions(list) ||
      !performOperatorsOfClass(list, OperatorClass::Power) || !performOperatorsOfClass(list, OperatorClass::MulDiv) ||
      !performOperatorsOfClass(list, OperatorClass::AddSub) || !performOperatorsOfClass(list, OperatorClass::Modulus)) {
    return nullptr;
  }
  if (list.size() != 1) {
    return nullptr;
  }
  const EPToken& last = *list.front();
  double value = 0.0;
  if (last.kind() == EPToken::Kind::Number) {
    if (!negateExpression_) {
      return std::static_pointer_cast<const EPNumericalToken>(std::move(list.front()));
    }
    value = static_cast<const EPNumericalToken&>(last).doubleValue();
  } else if (last.kind() == EPToken::Kind::Variable) {
    value = static_cast<const EPVariableToken&>(last).doubleValue();
  } else {
    return nullptr;  // a lone operator or function
  }
  return std::make_shared<EPNumericalToken>(negateExpression_ ? -value : value);
}

bool EPExpression::substituteVariablesAndEvaluateSubExpressions(std::vector<EPTokenPtr>& list) const
{
  // Variables become numbers and nested levels their values. Neither pass sees what the other
  // produces, so one walk does both.
  list.reserve(tokens_.size());
  for (const Entry& entry : tokens_) {
    if (const auto* nested = std::get_if<std::unique_ptr<EPExpression>>(&entry)) {
      std::shared_ptr<const EPNumericalToken> value = (*nested)->evaluateToToken();
      if (!value) {
        return false;  // an empty or failing group
      }
      list.push_back(std::move(value));
      continue;
    }
    const EPTokenPtr& token = std::get<EPTokenPtr>(entry);
    if (token->kind() == EPToken::Kind::Variable) {
      list.push_back(std::make_shared<EPNumericalToken>(static_cast<const EPVariableToken&>(*token).doubleValue()));
    } else {
      list.push_back(token);
    }
  }
  return true;
}

bool EPExpression::performFunctions(std::vector<EPTokenPtr>& list)
{
  // Compacts in place: each function and the entry after it become the function's result, and
  // the scan goes on after that result.
  size_t kept = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i]->kind() != EPToken::Kind::Function) {
      keep(list, kept++, i);
      continue;
    }
    if (i + 1 == list.size()) {
      return false;  // a function in the last place
    }
    const auto& function = static_cast<const EPFunctionToken&>(*list[i]);
    EPTokenPtr result = function.applyToOperand(*list[i + 1]);
    if (!result || !result->numberValue()) {
      return false;  // applied to an operator or another function
    }
    list[kept++] = std::move(result);
    ++i;
  }
  list.resize(kept);
  return true;
}

bool EPExpression::performOperatorsOfClass(std::vector<EPTokenPtr>& list, EPOperator::OperatorClass operatorClass)
{
  // Compacts in place: "left op right" becomes one result, which is then the left operand of
  // the next operator of the class, so the class groups from the left.
  size_t kept = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (!isOperatorOfClass(list[i].get(), operatorClass)) {
      keep(list, kept++, i);
      continue;
    }
    if (kept == 0 || i + 1 == list.size()) {
      return false;  // an operator in the first or last place
    }
    const auto& op = static_cast<const EPOperator&>(*list[i]);
    std::shared_ptr<const EPNumericalToken> result = op.applyLeftOperand(*list[kept - 1], *list[i + 1]);
    if (!result) {
      return false;
    }
    list[kept - 1] = std::move(result);
    ++i;
  }
  list.resize(kept);
  return true;
}
