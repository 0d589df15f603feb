#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/EPToken.h"

// "(" or ")".
class EPParenthesesToken : public EPToken {
public:
  enum class Direction : int { Opening = 0, Closing = 1 };

  explicit EPParenthesesToken(Direction direction) : direction_(direction) {}
  // nullptr unless the text is exactly "(" or ")".
  static std::shared_ptr<EPParenthesesToken> create(std::string_view text);

  Direction direction() const { return direction_; }
  bool isOpening() const { return direction_ == Direction::Opening; }

  Kind kind() const override { return Kind::Parenthesis; }

  std::string toString() const override;
  EPTokenPtr negativeToken() const override;
  std::shared_ptr<EPToken> copy() const override;

private:
  Direction direction_;
};
