#include "Platform/Numbers.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

namespace pf {

namespace {

std::string nonFinite(double value)
{
  if (std::isnan(value)) {
    return std::signbit(value) ? "-nan" : "nan";
  }
  return value < 0 ? "-inf" : "inf";
}

std::string toChars(double value, std::chars_format format, int precision)
{
  if (!std::isfinite(value)) {
    return nonFinite(value);
  }
  // %f of 1e308 needs 309 digits before the point plus the precision.
  std::array<char, 400> buffer{};
  const int clamped = precision < 0 ? 6 : (precision > 60 ? 60 : precision);
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, clamped);
  if (result.ec != std::errc()) {
    return nonFinite(value);
  }
  return std::string(buffer.data(), result.ptr);
}

bool isBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Length of the leading decimal number (sign, digits, point, exponent) at `text`, 0 if none.
size_t numberPrefixLength(std::string_view text, bool allowFraction)
{
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    ++i;
  }
  size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    ++i;
    ++digits;
  }
  if (allowFraction && i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    size_t fraction = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
      ++j;
      ++fraction;
    }
    if (digits + fraction > 0) {
      i = j;
      digits += fraction;
    }
  }
  if (digits == 0) {
    return 0;
  }
  if (allowFraction && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      ++j;
    }
    size_t exponentDigits = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
      ++j;
      ++exponentDigits;
    }
    if (exponentDigits > 0) {
      i = j;
    }
  }
  return i;
}

std::string_view skipBlanks(std::string_view text)
{
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) {
    ++i;
  }
  return text.substr(i);
}

// The power of ten of the leading significant digit of a decimal number without sign
// ("1234" is 3, "0.05" is -2, "5e-400" is -400): tells overflow from underflow.
long long decimalOrder(std::string_view number)
{
  const size_t exponentAt = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponentAt);
  long long exponent = 0;
  if (exponentAt != std::string_view::npos) {
    exponent = longLongValue(number.substr(exponentAt + 1));
  }
  const size_t point = mantissa.find('.');
  const std::string_view integer = mantissa.substr(0, point);
  const size_t firstNonZero = integer.find_first_not_of('0');
  long long order = 0;
  if (firstNonZero != std::string_view::npos) {
    order = static_cast<long long>(integer.size() - firstNonZero) - 1;
  } else {
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
    const size_t firstDigit = fraction.find_first_not_of('0');
    order = firstDigit == std::string_view::npos ? -1 : -static_cast<long long>(firstDigit) - 1;
  }
  // Saturating: the exponent alone may sit at the long long limits.
  if (exponent > 0 && order > std::numeric_limits<long long>::max() - exponent) {
    return std::numeric_limits<long long>::max();
  }
  if (exponent < 0 && order < std::numeric_limits<long long>::min() - exponent) {
    return std::numeric_limits<long long>::min();
  }
  return order + exponent;
}

double readDouble(std::string_view number)
{
  // from_chars does not take a leading '+'.
  bool negative = false;
  if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
    negative = number.front() == '-';
    number.remove_prefix(1);
  }
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Overflow reads as infinity, underflow as zero, as strtod does.
    value = decimalOrder(number) < 0 ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

}  // namespace

std::string formatG(double value, int precision)
{
  if (precision == 0) {
    precision = 1;
  }
  return toChars(value, std::chars_format::general, precision);
}

std::string formatF(double value, int precision)
{
  return toChars(value, std::chars_format::fixed, precision);
}

std::string formatShortest(double value)
{
  if (!std::isfinite(value)) {
    return nonFinite(value);
  }
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

double doubleValue(std::string_view text)
{
  text = skipBlanks(text);
  const size_t length = numberPrefixLength(text, true);
  return length == 0 ? 0.0 : readDouble(text.substr(0, length));
}

long long longLongValue(std::string_view text)
{
  text = skipBlanks(text);
  const size_t length = numberPrefixLength(text, false);
  if (length == 0) {
    return 0;
  }
  std::string_view number = text.substr(0, length);
  const bool negative = number.front() == '-';
  if (number.front() == '+' || number.front() == '-') {
    number.remove_prefix(1);
  }
  unsigned long long magnitude = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude);
  constexpr unsigned long long maxPositive = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
  if (result.ec == std::errc::result_out_of_range || magnitude > maxPositive + (negative ? 1ULL : 0ULL)) {
    return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
  }
  if (negative) {
    return magnitude == maxPositive + 1ULL ? std::numeric_limits<long long>::min()
                                           : -static_cast<long long>(magnitude);
  }
  return static_cast<long long>(magnitude);
}

int intValue(std::string_view text)
{
  const long long value = longLongValue(text);
  if (value > std::numeric_limits<int>::max()) {
    return std::numeric_limits<int>::max();
  }
  if (value < std::numeric_limits<int>::min()) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(value);
}

bool boolValue(std::string_view text)
{
  text = skipBlanks(text);
  if (text.empty()) {
    return false;
  }
  const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(text.front())));
  if (first == 'y' || first == 't') {
    return true;
  }
  return longLongValue(text) != 0;
}

bool parseDouble(std::string_view text, double& out)
{
  text = skipBlanks(text);
  while (!text.empty() && isBlank(text.back())) {
    text.remove_suffix(1);
  }
  const size_t length = numberPrefixLength(text, true);
  if (length == 0 || length != text.size()) {
    return false;
  }
  out = readDouble(text);
  return true;
}

}  // namespace pf
