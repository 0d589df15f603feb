#include "Shared/VectorParser/VectorParserText.h"

#include <charconv>
#include <cmath>

namespace {

char lowerAscii(char c)
{
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c)
{
  return c >= '0' && c <= '9';
}

}  // namespace

std::size_t VectorParserText::findCaseInsensitive(std::string_view text, std::string_view needle, std::size_t from)
{
  if (needle.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  if (text.size() < needle.size()) {
    return std::string_view::npos;
  }
  const char first = lowerAscii(needle.front());
  const std::size_t last = text.size() - needle.size();
  for (std::size_t i = from; i <= last; ++i) {
    if (lowerAscii(text[i]) != first) {
      continue;
    }
    std::size_t k = 1;
    while (k < needle.size() && lowerAscii(text[i + k]) == lowerAscii(needle[k])) {
      ++k;
    }
    if (k == needle.size()) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool VectorParserText::equalsCaseInsensitive(std::string_view a, std::string_view b)
{
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::string VectorParserText::lowercased(std::string_view text)
{
  std::string result(text);
  for (char& c : result) {
    c = lowerAscii(c);
  }
  return result;
}

void VectorParserText::replaceAll(std::string& text, std::string_view from, std::string_view to)
{
  if (from.empty()) {
    return;
  }
  std::size_t position = text.find(from);
  if (position == std::string::npos) {
    return;
  }
  std::string result;
  result.reserve(text.size());
  std::size_t copied = 0;
  while (position != std::string::npos) {
    result.append(text, copied, position - copied);
    result.append(to);
    copied = position + from.size();
    position = text.find(from, copied);
  }
  result.append(text, copied, std::string::npos);
  text = std::move(result);
}

std::vector<std::string_view> VectorParserText::split(std::string_view text, char separator)
{
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

std::vector<std::string_view> VectorParserText::splitAtBlanks(std::string_view text)
{
  std::vector<std::string_view> pieces;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
      ++i;
    }
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
      ++i;
    }
    if (i > start) {
      pieces.push_back(text.substr(start, i - start));
    }
  }
  return pieces;
}

double VectorParserText::leadingDouble(std::string_view text)
{
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Only plain decimal forms: from_chars would also take "inf" and "nan".
  if (i >= text.size() || !(isDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && isDigit(text[i + 1])))) {
    return 0.0;
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
  if (error != std::errc() || !std::isfinite(value)) {
    return 0.0;
  }
  return negative ? -value : value;
}
