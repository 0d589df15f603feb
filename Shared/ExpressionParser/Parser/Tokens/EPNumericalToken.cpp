#include "Shared/ExpressionParser/Parser/Tokens/EPNumericalToken.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "Platform/Numbers.h"

namespace {

constexpr size_t kPrintedWidth = 1000;

bool isDigit(char c)
{
  return c >= '0' && c <= '9';
}

bool isLiteral(std::string_view text)
{
  bool seenPoint = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      if (seenPoint) {
        return false;
      }
      seenPoint = true;
    } else if (c == '-') {
      if (i != 0) {
        return false;
      }
    } else if (!isDigit(c)) {
      return false;
    }
  }
  return true;
}

// The literal's value; nullopt when it is too large for a double.
std::optional<double> literalValue(std::string_view text)
{
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) {
    text.remove_prefix(1);
  }
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (result.ec == std::errc::invalid_argument) {
    return 0.0;  // "", ".", "-" and "-." have no digits and read as (positive) 0
  }
  if (result.ec == std::errc::result_out_of_range) {
    // Without an exponent a literal only leaves the range upward when its whole part has a
    // non-zero digit; otherwise it is a tiny fraction that reads as 0.
    const std::string_view whole = text.substr(0, text.find('.'));
    if (whole.find_first_not_of('0') != std::string_view::npos) {
      return std::nullopt;
    }
    value = 0.0;
  }
  if (!std::isfinite(value)) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

std::shared_ptr<EPNumericalToken> EPNumericalToken::create(std::string_view text)
{
  if (!isLiteral(text)) {
    return nullptr;
  }
  const std::optional<double> value = literalValue(text);
  if (!value) {
    return nullptr;
  }
  return std::make_shared<EPNumericalToken>(*value);
}

std::string EPNumericalToken::toString() const
{
  std::string text = pf::formatF(doubleValue_, 5);
  if (text.size() < kPrintedWidth) {
    text.insert(0, kPrintedWidth - text.size(), ' ');
  }
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') {
      text.pop_back();
    }
    if (!text.empty() && text.back() == '.') {
      text.pop_back();
    }
  }
  return text;
}

EPTokenPtr EPNumericalToken::negativeToken() const
{
  return std::make_shared<EPNumericalToken>(-doubleValue_);
}

std::shared_ptr<EPToken> EPNumericalToken::copy() const
{
  return std::make_shared<EPNumericalToken>(doubleValue_);
}
