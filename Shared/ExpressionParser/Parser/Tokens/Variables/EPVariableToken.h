#pragma once

#include <string_view>

#include "Shared/ExpressionParser/Parser/Tokens/EPToken.h"

// A named variable. Its value is fixed when the expression is tokenized.
class EPVariableToken : public EPToken {
public:
  explicit EPVariableToken(std::string variableName, double value = 0.0)
      : variableName_(std::move(variableName)), doubleValue_(value)
  {
  }
  // Any text is a name; the value is set afterwards.
  static std::shared_ptr<EPVariableToken> create(std::string_view text);

  const std::string& variableName() const { return variableName_; }
  double doubleValue() const { return doubleValue_; }
  void setDoubleValue(double value) { doubleValue_ = value; }

  Kind kind() const override { return Kind::Variable; }

  std::string toString() const override { return variableName_; }
  // Same name, negated value.
  EPTokenPtr negativeToken() const override;
  std::shared_ptr<EPToken> copy() const override;
  std::optional<double> numberValue() const override { return doubleValue_; }

private:
  std::string variableName_;
  double doubleValue_;
};
