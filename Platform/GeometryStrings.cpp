#include "Platform/GeometryStrings.h"

#include <array>
#include <cctype>
#include <cmath>
#include <limits>

#include "Platform/Numbers.h"

namespace pf {

namespace {

bool isDigit(char c)
{
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool isLetter(char c)
{
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// The non-finite words our writer produces ("nan", "inf", with an optional sign; "infinity" too)
// at `text`, as a length, or 0.
size_t nonFiniteWordLength(std::string_view text, double& value)
{
  auto startsWithWord = [&](std::string_view word) {
    if (text.size() < word.size()) {
      return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) {
        return false;
      }
    }
    // A word inside a longer word ("info", "nanometre") is not a number.
    return text.size() == word.size() || (!isLetter(text[word.size()]) && !isDigit(text[word.size()]));
  };
  if (startsWithWord("nan")) {
    value = std::numeric_limits<double>::quiet_NaN();
    return 3;
  }
  if (startsWithWord("infinity")) {
    value = std::numeric_limits<double>::infinity();
    return 8;
  }
  if (startsWithWord("inf")) {
    value = std::numeric_limits<double>::infinity();
    return 3;
  }
  return 0;
}

// Reads up to `count` numbers from the text in order, skipping whatever stands between them.
// Numbers not found stay 0.
template <size_t count>
std::array<double, count> scanNumbers(std::string_view text)
{
  std::array<double, count> numbers{};
  size_t found = 0;
  size_t i = 0;
  while (i < text.size() && found < count) {
    size_t start = i;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
      negative = text[i] == '-';
      ++start;
    }
    // A word such as "nan" only starts a number when it is not the tail of a longer word.
    const bool wordBoundary = i == 0 || !isLetter(text[i - 1]);
    double special = 0.0;
    const size_t wordLength = wordBoundary ? nonFiniteWordLength(text.substr(start), special) : 0;
    if (wordLength > 0) {
      numbers[found++] = negative ? -special : special;
      i = start + wordLength;
      continue;
    }
    const bool startsNumber =
        start < text.size() &&
        (isDigit(text[start]) || (text[start] == '.' && start + 1 < text.size() && isDigit(text[start + 1])));
    if (!startsNumber) {
      ++i;
      continue;
    }
    // doubleValue reads the longest numeric prefix; find its end to continue after it.
    size_t end = start;
    while (end < text.size() && isDigit(text[end])) {
      ++end;
    }
    if (end < text.size() && text[end] == '.') {
      ++end;
      while (end < text.size() && isDigit(text[end])) {
        ++end;
      }
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
      size_t exponent = end + 1;
      if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
        ++exponent;
      }
      if (exponent < text.size() && isDigit(text[exponent])) {
        while (exponent < text.size() && isDigit(text[exponent])) {
          ++exponent;
        }
        end = exponent;
      }
    }
    numbers[found++] = doubleValue(text.substr(i, end - i));
    i = end;
  }
  return numbers;
}

// Appends "{first, second}". Built by appending: GCC 12 warns falsely on "{" + std::string.
void appendPair(std::string& text, double first, double second)
{
  text += '{';
  text += formatShortest(first);
  text += ", ";
  text += formatShortest(second);
  text += '}';
}

}  // namespace

std::string pointString(Point p)
{
  std::string text;
  appendPair(text, p.x, p.y);
  return text;
}

std::string sizeString(Size s)
{
  std::string text;
  appendPair(text, s.width, s.height);
  return text;
}

std::string rectString(const Rect& r)
{
  std::string text = "{";
  appendPair(text, r.origin.x, r.origin.y);
  text += ", ";
  appendPair(text, r.size.width, r.size.height);
  text += '}';
  return text;
}

Point pointFromString(std::string_view text)
{
  const auto numbers = scanNumbers<2>(text);
  return {numbers[0], numbers[1]};
}

Size sizeFromString(std::string_view text)
{
  const auto numbers = scanNumbers<2>(text);
  return {numbers[0], numbers[1]};
}

Rect rectFromString(std::string_view text)
{
  const auto numbers = scanNumbers<4>(text);
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

}  // namespace pf
