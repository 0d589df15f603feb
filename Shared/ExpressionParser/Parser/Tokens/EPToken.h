#pragma once

#include <memory>
#include <optional>
#include <string>

class EPToken;
using EPTokenPtr = std::shared_ptr<const EPToken>;

// One piece of a tokenized expression: a number, a variable, a parenthesis, an operator or a
// function. A token is immutable once it is shared (evaluation replaces list entries with new
// numerical tokens instead of changing them) and is always held by a std::shared_ptr, since the
// kinds without a sign answer themselves from negativeToken().
class EPToken : public std::enable_shared_from_this<EPToken> {
public:
  // The kind of token, so that the passes can tell kinds apart without a dynamic_cast.
  enum class Kind { Number, Variable, Parenthesis, Operator, Function };

  virtual ~EPToken() = default;

  virtual Kind kind() const = 0;

  // The text the token was created from (a number prints its value).
  virtual std::string toString() const = 0;
  // The token with its sign flipped; parentheses and operators answer themselves.
  virtual EPTokenPtr negativeToken() const = 0;
  // A new token of the same kind. Kinds that are re-created from their text lose any state the
  // text does not carry (a copied function is never negated).
  virtual std::shared_ptr<EPToken> copy() const = 0;
  // The number the token stands for; nullopt for parentheses, operators and functions, which
  // are no operands.
  virtual std::optional<double> numberValue() const;

protected:
  EPToken() = default;
  EPToken(const EPToken&) = default;
  EPToken& operator=(const EPToken&) = default;
};
