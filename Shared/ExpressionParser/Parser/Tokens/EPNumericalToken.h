#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/EPToken.h"

// A number: a literal of the expression text or an intermediate result.
class EPNumericalToken : public EPToken {
public:
  explicit EPNumericalToken(double value) : doubleValue_(value) {}

  // Accepts a literal made of decimal digits with at most one "." and an optional leading "-"
  // (no exponent, no "+"). The leading part is read locale-free: "." reads as 0, "5." as 5,
  // ".5" as 0.5. nullptr for any other text, and for a literal too large for a double (it
  // would read as infinity).
  static std::shared_ptr<EPNumericalToken> create(std::string_view text);

  double doubleValue() const { return doubleValue_; }

  Kind kind() const override { return Kind::Number; }

  // printf "%1000.5lf" with the trailing fractional zeros (and a bare ".") removed: right-aligned
  // in a 1000-character field, so the text starts with blanks.
  std::string toString() const override;
  EPTokenPtr negativeToken() const override;
  std::shared_ptr<EPToken> copy() const override;
  std::optional<double> numberValue() const override { return doubleValue_; }

private:
  double doubleValue_;
};
