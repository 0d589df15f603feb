#include "Platform/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "Platform/Numbers.h"

namespace pf {

long long FormatArgument::signedValue() const
{
  switch (kind_) {
  case Kind::Signed:
    return signed_;
  case Kind::Unsigned:
  case Kind::Pointer:
    return static_cast<long long>(unsigned_);
  case Kind::Real:
    return saturatingCast<long long>(real_);
  case Kind::Text:
    return longLongValue(text_);
  }
  return 0;
}

unsigned long long FormatArgument::unsignedValue() const
{
  if (kind_ == Kind::Unsigned || kind_ == Kind::Pointer) {
    return unsigned_;
  }
  return static_cast<unsigned long long>(signedValue());
}

double FormatArgument::realValue() const
{
  switch (kind_) {
  case Kind::Signed:
    return static_cast<double>(signed_);
  case Kind::Unsigned:
  case Kind::Pointer:
    return static_cast<double>(unsigned_);
  case Kind::Real:
    return real_;
  case Kind::Text:
    return doubleValue(text_);
  }
  return 0.0;
}

std::string FormatArgument::description() const
{
  switch (kind_) {
  case Kind::Signed:
    return std::to_string(signed_);
  case Kind::Unsigned:
    return std::to_string(unsigned_);
  case Kind::Real:
    return formatShortest(real_);
  case Kind::Text:
    return text_;
  case Kind::Pointer: {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), unsigned_, 16);
    return "0x" + std::string(buffer.data(), result.ptr);
  }
  }
  return {};
}

namespace {

struct Directive {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool zero = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;
};

std::string pad(std::string body, const Directive& directive, bool numeric)
{
  const size_t width = static_cast<size_t>(std::max(directive.width, 0));
  if (body.size() >= width) {
    return body;
  }
  const size_t fill = width - body.size();
  if (directive.left) {
    return body + std::string(fill, ' ');
  }
  if (directive.zero && numeric) {
    // Zeros go after the sign or "0x".
    size_t at = 0;
    if (!body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' ')) {
      at = 1;
    }
    if (body.size() >= at + 2 && body[at] == '0' && (body[at + 1] == 'x' || body[at + 1] == 'X')) {
      at += 2;
    }
    body.insert(at, fill, '0');
    return body;
  }
  return std::string(fill, ' ') + body;
}

std::string signPrefix(bool negative, const Directive& directive)
{
  if (negative) {
    return "-";
  }
  if (directive.plus) {
    return "+";
  }
  if (directive.space) {
    return " ";
  }
  return {};
}

std::string integerDigits(unsigned long long magnitude, int base, bool upper, int precision)
{
  std::array<char, 72> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude, base);
  std::string digits(buffer.data(), result.ptr);
  if (upper) {
    std::transform(digits.begin(), digits.end(), digits.begin(), [](char c) {
      return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
  }
  if (precision >= 0) {
    if (precision == 0 && magnitude == 0) {
      digits.clear();
    } else if (digits.size() < static_cast<size_t>(precision)) {
      digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
    }
  }
  return digits;
}

// "%#g": C's choice between the fixed and the exponent form, keeping trailing zeros. The
// exponent is the one after rounding to `precision` significant digits.
std::to_chars_result alternateGeneral(std::array<char, 4500>& buffer, double magnitude, int precision)
{
  char* const first = buffer.data();
  char* const last = buffer.data() + buffer.size();
  const auto scientific = std::to_chars(first, last, magnitude, std::chars_format::scientific, precision - 1);
  const std::string_view text(first, static_cast<size_t>(scientific.ptr - first));
  int exponent = 0;
  const size_t mark = text.find('e');
  const char* digits = text.data() + mark + 1;
  if (*digits == '+') {
    ++digits;
  }
  std::from_chars(digits, text.data() + text.size(), exponent);
  if (exponent < -4 || exponent >= precision) {
    return scientific;
  }
  return std::to_chars(first, last, magnitude, std::chars_format::fixed, precision - 1 - exponent);
}

std::string realText(double value, char conversion, const Directive& directive)
{
  const int precision = directive.precision < 0 ? 6 : directive.precision;
  const bool upper = conversion == 'F' || conversion == 'E' || conversion == 'G';
  std::string body;
  const bool negative = std::signbit(value) && !std::isnan(value);
  const double magnitude = std::fabs(value);
  if (!std::isfinite(value)) {
    body = std::isnan(value) ? "nan" : "inf";
  } else {
    // Room for the longest text: 309 integer digits and 60 decimals in fixed form, or a precision
    // of up to 4096 digits (the parsing cap) in the e and g forms.
    std::array<char, 4500> buffer{};
    std::to_chars_result result{};
    switch (conversion) {
    case 'e':
    case 'E':
      result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude, std::chars_format::scientific,
                             precision);
      break;
    case 'g':
    case 'G':
      if (directive.alternate) {
        result = alternateGeneral(buffer, magnitude, precision == 0 ? 1 : precision);
      } else {
        result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude, std::chars_format::general,
                               precision == 0 ? 1 : precision);
      }
      break;
    default:
      result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude, std::chars_format::fixed,
                             std::min(precision, 60));
      break;
    }
    body.assign(buffer.data(), result.ptr);
    // "#" keeps the decimal point even without digits after it.
    if (directive.alternate && body.find('.') == std::string::npos) {
      const size_t exponent = body.find('e');
      body.insert(exponent == std::string::npos ? body.size() : exponent, 1, '.');
    }
  }
  if (upper) {
    std::transform(body.begin(), body.end(), body.begin(), [](char c) {
      return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
  }
  Directive numericDirective = directive;
  if (!std::isfinite(value)) {
    numericDirective.zero = false;
  }
  return pad(signPrefix(negative, directive) + body, numericDirective, true);
}

}  // namespace

std::string formatMessage(std::string_view format, std::span<const FormatArgument> arguments)
{
  std::string out;
  out.reserve(format.size() + 16 * arguments.size());
  size_t next = 0;
  auto take = [&]() -> const FormatArgument* {
    return next < arguments.size() ? &arguments[next++] : nullptr;
  };

  size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    const size_t start = i++;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Directive directive;
    for (; i < format.size(); ++i) {
      const char flag = format[i];
      if (flag == '-') {
        directive.left = true;
      } else if (flag == '+') {
        directive.plus = true;
      } else if (flag == ' ') {
        directive.space = true;
      } else if (flag == '0') {
        directive.zero = true;
      } else if (flag == '#') {
        directive.alternate = true;
      } else {
        break;
      }
    }
    if (i < format.size() && format[i] == '*') {
      const FormatArgument* argument = take();
      const long long width = argument ? argument->signedValue() : 0;
      if (width < 0) {
        directive.left = true;
      }
      // Capped before taking the magnitude: the lowest long long has no positive counterpart.
      directive.width = static_cast<int>(std::llabs(std::clamp<long long>(width, -4096, 4096)));
      ++i;
    } else {
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        directive.width = std::min(directive.width * 10 + (format[i] - '0'), 4096);
        ++i;
      }
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      directive.precision = 0;
      if (i < format.size() && format[i] == '*') {
        const FormatArgument* argument = take();
        const long long precision = argument ? argument->signedValue() : 0;
        directive.precision = precision < 0 ? -1 : static_cast<int>(std::min<long long>(precision, 4096));
        ++i;
      } else {
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
          directive.precision = std::min(directive.precision * 10 + (format[i] - '0'), 4096);
          ++i;
        }
      }
    }
    while (i < format.size() && std::string_view("hlLqjzt").find(format[i]) != std::string_view::npos) {
      ++i;
    }
    if (i >= format.size()) {
      out.append(format.substr(start));
      break;
    }
    const char conversion = format[i++];
    switch (conversion) {
    case '@':
    case 's': {
      const FormatArgument* argument = take();
      std::string text = argument ? argument->description() : std::string();
      if (conversion == 's' && directive.precision >= 0 && text.size() > static_cast<size_t>(directive.precision)) {
        text.resize(static_cast<size_t>(directive.precision));
      }
      out += pad(std::move(text), directive, false);
      break;
    }
    case 'd':
    case 'i': {
      const FormatArgument* argument = take();
      const long long value = argument ? argument->signedValue() : 0;
      const unsigned long long magnitude =
          value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
      Directive numericDirective = directive;
      numericDirective.zero = directive.zero && directive.precision < 0;
      out += pad(signPrefix(value < 0, directive) + integerDigits(magnitude, 10, false, directive.precision), numericDirective, true);
      break;
    }
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
      const FormatArgument* argument = take();
      const unsigned long long value = argument ? argument->unsignedValue() : 0;
      const int base = conversion == 'u' ? 10 : (conversion == 'o' ? 8 : 16);
      std::string body = integerDigits(value, base, conversion == 'X', directive.precision);
      if (directive.alternate && value != 0 && base == 16) {
        body.insert(0, conversion == 'X' ? "0X" : "0x");
      }
      // "#" with "o" makes the first digit a zero.
      if (directive.alternate && base == 8 && (body.empty() || body[0] != '0')) {
        body.insert(0, 1, '0');
      }
      Directive numericDirective = directive;
      numericDirective.zero = directive.zero && directive.precision < 0;
      out += pad(std::move(body), numericDirective, true);
      break;
    }
    case 'c': {
      const FormatArgument* argument = take();
      out += pad(std::string(1, static_cast<char>(argument ? argument->signedValue() : 0)), directive, false);
      break;
    }
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G': {
      const FormatArgument* argument = take();
      out += realText(argument ? argument->realValue() : 0.0, conversion, directive);
      break;
    }
    case 'p': {
      const FormatArgument* argument = take();
      out += pad("0x" + integerDigits(argument ? argument->unsignedValue() : 0, 16, false, -1), directive, false);
      break;
    }
    default:
      out.append(format.substr(start, i - start));
      break;
    }
  }
  return out;
}

}  // namespace pf
