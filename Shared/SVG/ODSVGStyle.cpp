#include "Shared/SVG/ODSVGStyle.h"

#include <cstdlib>

namespace {

bool isBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

ODSVGStyle ODSVGStyle::parseStyleString(std::string_view text)
{
  ODSVGStyle style;
  std::optional<std::string_view> name;
  std::optional<std::string_view> value;
  std::size_t start = 0;
  const std::size_t length = text.size();
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == ';') {
      value = text.substr(start, i - start);
      start = i + 1;
    } else if (c == ':') {
      name = text.substr(start, i - start);
      start = i + 1;
    } else if (i + 1 == length) {
      value = text.substr(start);
      start = length;
    }
    if (name && value) {
      style.properties_[trimString(*name)] = trimString(*value);
      name.reset();
      value.reset();
    }
  }
  return style;
}

std::string ODSVGStyle::trimString(std::string_view text)
{
  while (!text.empty() && isBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && isBlank(text.back())) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

const std::vector<std::string>& ODSVGStyle::allowedColourKeys()
{
  static const std::vector<std::string> keys = {"fill", "stroke-colour", "stop-color", "stroke"};
  return keys;
}

bool ODSVGStyle::isNumeric(std::string_view text)
{
  while (!text.empty() && isBlank(text.front())) {
    text.remove_prefix(1);
  }
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
  }
  return !text.empty() && text.front() >= '0' && text.front() <= '9';
}

const std::string* ODSVGStyle::property(std::string_view name) const
{
  const auto found = properties_.find(name);
  return found == properties_.end() ? nullptr : &found->second;
}

void ODSVGStyle::setProperties(const Properties& properties, bool replaceAll)
{
  if (replaceAll) {
    properties_.clear();
  }
  for (const auto& [name, value] : properties) {
    properties_[name] = value;
  }
}

ODSVGStyle ODSVGStyle::mergedStyle(const ODSVGStyle& style) const
{
  ODSVGStyle merged = *this;
  merged.setProperties(style.properties_, false);
  return merged;
}

std::string ODSVGStyle::description() const
{
  std::string text = "{";
  for (const auto& [name, value] : properties_) {
    text += " " + name + " = \"" + value + "\";";
  }
  return text + " }";
}
