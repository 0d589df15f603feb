#pragma once

#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "Shared/ExpressionParser/Parser/EPTokenString.h"
#include "Shared/ExpressionParser/Parser/Tokens/EPNumericalToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPOperator.h"

// One parenthesis level of an expression: tokens and nested levels, with unary minus and
// implicit multiplication already rewritten into plain operators. Evaluation runs fixed passes:
// variables, nested levels, functions, then power, multiply/divide, add/subtract and modulus,
// each left to right, so every operator class groups from the left.
class EPExpression {
public:
  using Entry = std::variant<EPTokenPtr, std::unique_ptr<EPExpression>>;

  // Levels nested deeper than this fail, so that hostile input cannot exhaust the stack.
  static constexpr int kMaxNestingDepth = 100;

  EPExpression() = default;

  // Builds the level and its nested levels. nullptr for a stray or unmatched parenthesis, a
  // failing nested level or nesting deeper than kMaxNestingDepth. An empty list gives an empty
  // level, which evaluates to nothing.
  static std::unique_ptr<EPExpression> create(const EPTokenString& tokenString);

  // The value of the level; nullptr when it does not reduce to exactly one number (an empty
  // group, an operator in the first or last place, a function without a number after it...).
  // Domain errors of the arithmetic are values (infinity, NaN), not failures.
  std::shared_ptr<const EPNumericalToken> evaluateToToken() const;

  // The tokens strictly between the opening parenthesis at `index` and its match; on success
  // `index` moves to the matching closing parenthesis. nullopt when `index` is not at an
  // opening parenthesis or the list ends before the match.
  static std::optional<EPTokenString> subExpression(const EPTokenString& tokenString, size_t& index);

  bool negateExpression() const { return negateExpression_; }
  void setNegateExpression(bool negate) { negateExpression_ = negate; }
  const std::vector<Entry>& tokens() const { return tokens_; }

private:
  static std::unique_ptr<EPExpression> build(std::span<const EPTokenPtr> tokens, int depth);
  static std::optional<size_t> matchingParenthesis(std::span<const EPTokenPtr> tokens, size_t opening);

  // The passes; each returns false when the level fails.
  bool substituteVariablesAndEvaluateSubExpressions(std::vector<EPTokenPtr>& list) const;
  static bool performFunctions(std::vector<EPTokenPtr>& list);
  static bool performOperatorsOfClass(std::vector<EPTokenPtr>& list, EPOperator::OperatorClass operatorClass);

  std::vector<Entry> tokens_;
  bool negateExpression_ = false;
};
