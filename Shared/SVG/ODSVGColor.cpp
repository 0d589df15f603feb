#include "Shared/SVG/ODSVGColor.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Shared/SVG/ODSVGUtils.h"

namespace {

// The 147 SVG 1.1 colour keywords in alphabetical order.
constexpr std::pair<const char*, const char*> kNamedColors[] = {
    {"aliceblue", "f0f8ff"},       {"antiquewhite", "faebd7"},  {"aqua", "00ffff"},
    {"aquamarine", "7fffd4"},      {"azure", "f0ffff"},         {"beige", "f5f5dc"},
    {"bisque", "ffe4c4"},          {"black", "000000"},         {"blanchedalmond", "ffebcd"},
    {"blue", "0000ff"},            {"blueviolet", "8a2be2"},    {"brown", "a52a2a"},
    {"burlywood", "deb887"},       {"cadetblue", "5f9ea0"},     {"chartreuse", "7fff00"},
    {"chocolate", "d2691e"},       {"coral", "ff7f50"},         {"cornflowerblue", "6495ed"},
    {"cornsilk", "fff8dc"},        {"crimson", "dc143c"},       {"cyan", "00ffff"},
    {"darkblue", "00008b"},        {"darkcyan", "008b8b"},      {"darkgoldenrod", "b8860b"},
    {"darkgray", "a9a9a9"},        {"darkgreen", "006400"},     {"darkgrey", "a9a9a9"},
    {"darkkhaki", "bdb76b"},       {"darkmagenta", "8b008b"},   {"darkolivegreen", "556b2f"},
    {"darkorange", "ff8c00"},      {"darkorchid", "9932cc"},    {"darkred", "8b0000"},
    {"darksalmon", "e9967a"},      {"darkseagreen", "8fbc8f"},  {"darkslateblue", "483d8b"},
    {"darkslategray", "2f4f4f"},   {"darkslategrey", "2f4f4f"}, {"darkturquoise", "00ced1"},
    {"darkviolet", "9400d3"},      {"deeppink", "ff1493"},      {"deepskyblue", "00bfff"},
    {"dimgray", "696969"},         {"dimgrey", "696969"},       {"dodgerblue", "1e90ff"},
    {"firebrick", "b22222"},       {"floralwhite", "fffaf0"},   {"forestgreen", "228b22"},
    {"fuchsia", "ff00ff"},         {"gainsboro", "dcdcdc"},     {"ghostwhite", "f8f8ff"},
    {"gold", "ffd700"},            {"goldenrod", "daa520"},     {"gray", "808080"},
    {"green", "008000"},           {"greenyellow", "adff2f"},   {"grey", "808080"},
    {"honeydew", "f0fff0"},        {"hotpink", "ff69b4"},       {"indianred", "cd5c5c"},
    {"indigo", "4b0082"},          {"ivory", "fffff0"},         {"khaki", "f0e68c"},
    {"lavender", "e6e6fa"},        {"lavenderblush", "fff0f5"}, {"lawngreen", "7cfc00"},
    {"lemonchiffon", "fffacd"},    {"lightblue", "add8e6"},     {"lightcoral", "f08080"},
    {"lightcyan", "e0ffff"},       {"lightgoldenrodyellow", "fafad2"}, {"lightgray", "d3d3d3"},
    {"lightgreen", "90ee90"},      {"lightgrey", "d3d3d3"},     {"lightpink", "ffb6c1"},
    {"lightsalmon", "ffa07a"},     {"lightseagreen", "20b2aa"}, {"lightskyblue", "87cefa"},
    {"lightslategray", "778899"},  {"lightslategrey", "778899"}, {"lightsteelblue", "b0c4de"},
    {"lightyellow", "ffffe0"},     {"lime", "00ff00"},          {"limegreen", "32cd32"},
    {"linen", "faf0e6"},           {"magenta", "ff00ff"},       {"maroon", "800000"},
    {"mediumaquamarine", "66cdaa"}, {"mediumblue", "0000cd"},   {"mediumorchid", "ba55d3"},
    {"mediumpurple", "9370db"},    {"mediumseagreen", "3cb371"}, {"mediumslateblue", "7b68ee"},
    {"mediumspringgreen", "00fa9a"}, {"mediumturquoise", "48d1cc"}, {"mediumvioletred", "c71585"},
    {"midnightblue", "191970"},    {"mintcream", "f5fffa"},     {"mistyrose", "ffe4e1"},
    {"moccasin", "ffe4b5"},        {"navajowhite", "ffdead"},   {"navy", "000080"},
    {"oldlace", "fdf5e6"},         {"olive", "808000"},         {"olivedrab", "6b8e23"},
    {"orange", "ffa500"},          {"orangered", "ff4500"},     {"orchid", "da70d6"},
    {"palegoldenrod", "eee8aa"},   {"palegreen", "98fb98"},     {"paleturquoise", "afeeee"},
    {"palevioletred", "db7093"},   {"papayawhip", "ffefd5"},    {"peachpuff", "ffdab9"},
    {"peru", "cd853f"},            {"pink", "ffc0cb"},          {"plum", "dda0dd"},
    {"powderblue", "b0e0e6"},      {"purple", "800080"},        {"red", "ff0000"},
    {"rosybrown", "bc8f8f"},       {"royalblue", "4169e1"},     {"saddlebrown", "8b4513"},
    {"salmon", "fa8072"},          {"sandybrown", "f4a460"},    {"seagreen", "2e8b57"},
    {"seashell", "fff5ee"},        {"sienna", "a0522d"},        {"silver", "c0c0c0"},
    {"skyblue", "87ceeb"},         {"slateblue", "6a5acd"},     {"slategray", "708090"},
    {"slategrey", "708090"},       {"snow", "fffafa"},          {"springgreen", "00ff7f"},
    {"steelblue", "4682b4"},       {"tan", "d2b48c"},           {"teal", "008080"},
    {"thistle", "d8bfd8"},         {"tomato", "ff6347"},        {"turquoise", "40e0d0"},
    {"violet", "ee82ee"},          {"wheat", "f5deb3"},         {"white", "ffffff"},
    {"whitesmoke", "f5f5f5"},      {"yellow", "ffff00"},        {"yellowgreen", "9acd32"},
};
constexpr std::size_t kNamedColorCount = sizeof(kNamedColors) / sizeof(kNamedColors[0]);
static_assert(kNamedColorCount == 147);

// The 148-entry table: the keywords and "currentcolor" as black.
const std::unordered_map<std::string, std::string>& colorTable()
{
  static const std::unordered_map<std::string, std::string> table = [] {
    std::unordered_map<std::string, std::string> map;
    for (const auto& [name, hex] : kNamedColors) {
      map.emplace(name, hex);
    }
    map.emplace("currentcolor", "000000");
    return map;
  }();
  return table;
}

bool isBlank(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view text)
{
  while (!text.empty() && isBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && isBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::string lowerCased(std::string_view text)
{
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return result;
}

int hexDigit(char c)
{
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

double component(std::uint32_t value, int shift)
{
  return static_cast<double>(static_cast<float>((value >> shift) & 0xFFu) / 255.0f);
}

}  // namespace

std::optional<pf::Color> ODSVGColor::colorFromString(std::string_view text)
{
  text = trimmed(text);
  if (text.size() < 3) {
    return std::nullopt;
  }
  const std::string lower = lowerCased(text);
  const auto& table = colorTable();
  if (const auto found = table.find(lower); found != table.end()) {
    return colorFromHEXString(found->second, 1.0);
  }
  if (lower == "none") {
    return pf::Color::rgb(0, 0, 0, 0);
  }
  const std::string_view prefix = std::string_view(lower).substr(0, 3);
  if (prefix == "rgb" || prefix == "hsl") {
    const std::vector<double> numbers = ODSVGUtils::commandParameters(lower);
    // Components not given read as 0.
    auto number = [&](std::size_t index) { return index < numbers.size() ? numbers[index] : 0.0; };
    const double alpha = numbers.size() == 4 ? numbers[3] : 1.0;
    if (prefix == "rgb") {
      return pf::Color::rgb(number(0) / 255.0, number(1) / 255.0, number(2) / 255.0, alpha);
    }
    const std::array<double, 3> hsb = ODSVGColorCSSHSLToHSB(number(0), number(1), number(2));
    return pf::Color::hsb(hsb[0], hsb[1], hsb[2], alpha);
  }
  return colorFromHEXString(lower, 1.0);
}

std::optional<pf::Color> ODSVGColor::colorFromPredefinedColorName(std::string_view name)
{
  const auto& table = colorTable();
  const auto found = table.find(lowerCased(trimmed(name)));
  if (found == table.end()) {
    return std::nullopt;
  }
  return colorFromHEXString(found->second, 1.0);
}

std::optional<pf::Color> ODSVGColor::colorFromHEXString(std::string_view text, double alpha)
{
  if (text.empty() || !isHex(text)) {
    return std::nullopt;
  }
  if (text.front() == '#') {
    text.remove_prefix(1);
  }
  std::string digits(text);
  if (digits.size() == 3) {
    digits = {digits[0], digits[0], digits[1], digits[1], digits[2], digits[2]};
  }
  // One unsigned 32-bit number; reading stops at the first non-digit and saturates on
  // overflow, as a hex scanner does.
  std::uint64_t value = 0;
  std::size_t read = 0;
  for (const char c : digits) {
    const int digit = hexDigit(c);
    if (digit < 0) {
      break;
    }
    value = std::min<std::uint64_t>(value * 16 + static_cast<std::uint64_t>(digit), 0xFFFFFFFFull);
    ++read;
  }
  if (read == 0) {
    return std::nullopt;
  }
  const auto bits = static_cast<std::uint32_t>(value);
  return pf::Color::rgb(component(bits, 16), component(bits, 8), component(bits, 0), alpha);
}

bool ODSVGColor::isHex(std::string_view text)
{
  for (const char c : text) {
    if (c != '#' && hexDigit(c) < 0) {
      return false;
    }
  }
  return true;
}

bool ODSVGColor::isColor(std::string_view text)
{
  return text.starts_with("#") || text.starts_with("rgb");
}

pf::Color ODSVGColor::changeAlphaOnColor(const pf::Color& color, double alpha)
{
  return color.withAlpha(alpha);
}

std::string ODSVGColor::colorStringFromColor(const pf::Color& color, bool forceHex, bool allowShorthand)
{
  const pf::Color working = computeColorSpace(color);
  const int a = pf::saturatingCast<int>(working.alpha() * 100.0);
  const int r = pf::saturatingCast<int>(working.red() * 255.0);
  const int g = pf::saturatingCast<int>(working.green() * 255.0);
  const int b = pf::saturatingCast<int>(working.blue() * 255.0);
  if (!forceHex && a == 0) {
    return "none";
  }
  if (!forceHex && a != 100) {
    return pf::format("rgba(%d,%d,%d,%g)", r, g, b, static_cast<double>(static_cast<float>(a) / 100.0f));
  }
  if (allowShorthand) {
    const std::string red = pf::format("%02X", r);
    const std::string green = pf::format("%02X", g);
    const std::string blue = pf::format("%02X", b);
    if (red[0] == red[1] && green[0] == green[1] && blue[0] == blue[1]) {
      return pf::format("#%c%c%c", red[0], green[0], blue[0]);
    }
  }
  return pf::format("#%02X%02X%02X", r, g, b);
}

std::string ODSVGColor::colorStringFromColor(const pf::Color& color)
{
  return colorStringFromColor(color, false, true);
}

std::optional<std::string> ODSVGColor::colorNameFromPredefinedColor(long index)
{
  if (index < 0 || index >= static_cast<long>(kNamedColorCount)) {
    return std::nullopt;
  }
  return std::string(kNamedColors[index].first);
}

std::array<double, 3> ODSVGColorCSSHSLToHSB(double hue, double saturation, double lightness)
{
  const double turns = hue * 0.0027777778450399637;
  const double wrapped = turns - static_cast<double>(std::floor(static_cast<float>(turns)));
  const double l2 = lightness * 0.01 + lightness * 0.01;
  const double t = l2 < 1.0 ? l2 : 2.0 - l2;
  const double s = t * (saturation * 0.01);
  const double brightness = (l2 + s) * 0.5;
  const double hsbSaturation = s != 0.0 ? 2.0 * s / (l2 + s) : 0.0;
  return {wrapped, hsbSaturation, brightness};
}
