#include "Shared/SVG/ODSVGUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <unordered_set>

#include "Platform/Format.h"
#include "Platform/Numbers.h"

namespace {

bool isNumberCharacter(char c)
{
  return (c >= '0' && c <= '9') || c == 'e' || c == 'E' || c == '+' || c == '-' || c == '.';
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

double singlePrecision(double value)
{
  return static_cast<double>(static_cast<float>(value));
}

constexpr std::array<const char*, 16> kBlendModeNames = {
    "normal",     "multiply",   "screen",     "overlay",    "darken",     "lighten",
    "color-dodge", "color-burn", "soft-light", "hard-light", "difference", "exclusion",
    "hue",        "saturation", "color",      "luminosity"};

}  // namespace

namespace {

// The next number at or after `position`: separators (every byte that is no number character)
// are skipped, and the number ends at a separator, at the end of the text, before a sign that
// does not follow an exponent letter, or before a second decimal point. `position` ends after
// the number; nullopt when only separators remain.
std::optional<double> scanNextFloat(std::string_view text, std::size_t& position)
{
  const std::size_t length = text.size();
  while (position < length && !isNumberCharacter(text[position])) {
    ++position;
  }
  if (position == length) {
    return std::nullopt;
  }
  const std::size_t start = position;
  bool hasPoint = false;
  for (std::size_t i = start; i < length; ++i) {
    const char c = text[i];
    const bool hadPoint = hasPoint;
    if (c == '.') {
      hasPoint = true;
    }
    bool ends = i + 1 == length;
    if (!ends) {
      const char next = text[i + 1];
      ends = !isNumberCharacter(next) || ((next == '+' || next == '-') && c != 'e' && c != 'E') ||
             (next == '.' && hadPoint);
    }
    if (ends) {
      position = i + 1;
      return pf::doubleValue(text.substr(start, i + 1 - start));
    }
  }
  position = length;
  return std::nullopt;  // not reached: the last byte always ends the number
}

}  // namespace

std::vector<double> ODSVGUtils::scanFloatsFromString(std::string_view text)
{
  std::vector<double> numbers;
  std::size_t position = 0;
  while (const std::optional<double> number = scanNextFloat(text, position)) {
    numbers.push_back(*number);
  }
  return numbers;
}

std::vector<double> ODSVGUtils::arcParameters(std::string_view text)
{
  // Sets of seven: rx ry rotation large-arc sweep x y. A flag is the one character 0 or 1, so
  // compact data such as "a1 1 0 00 10 10" or "a5 5 0 1110 10" still reads; any other text in a
  // flag's place is read as a number, as elsewhere.
  constexpr std::size_t kSet = 7;
  std::vector<double> numbers;
  std::size_t position = 0;
  for (;;) {
    const std::size_t slot = numbers.size() % kSet;
    if (slot == 3 || slot == 4) {
      while (position < text.size() && !isNumberCharacter(text[position])) {
        ++position;
      }
      if (position < text.size() && (text[position] == '0' || text[position] == '1')) {
        numbers.push_back(text[position] == '1' ? 1.0 : 0.0);
        ++position;
        continue;
      }
    }
    const std::optional<double> number = scanNextFloat(text, position);
    if (!number) {
      break;
    }
    numbers.push_back(*number);
  }
  return numbers;
}

std::vector<double> ODSVGUtils::commandParameters(std::string_view text)
{
  return scanFloatsFromString(text);
}

std::vector<double> ODSVGUtils::commandParameters(double number)
{
  return {singlePrecision(number)};
}

int ODSVGUtils::windingRuleForString(std::string_view text)
{
  if (text == "evenodd") {
    return 1;
  }
  return text == "inherit" ? 2 : 0;
}

int ODSVGUtils::lineJoinStyleForString(std::string_view text)
{
  if (text == "round") {
    return 2;
  }
  if (text == "bevel") {
    return 3;
  }
  return text == "inherit" ? 4 : 1;
}

int ODSVGUtils::lineCapStyleForString(std::string_view text)
{
  if (text == "round") {
    return 2;
  }
  if (text == "square") {
    return 3;
  }
  return text == "inherit" ? 4 : 1;
}

int ODSVGUtils::unitTypeForString(std::string_view text)
{
  return text == "userSpaceOnUse" ? 0 : 1;
}

int ODSVGUtils::fontWeightTraitForString(std::string_view text, double* weight)
{
  if (weight) {
    *weight = pf::doubleValue(text);
  }
  return text == "bold" ? 2 : 1;
}

int ODSVGUtils::fontStyleStringForString(std::string_view text)
{
  return text == "italic" ? 4 : 1;
}

int ODSVGUtils::blendModeForString(std::string_view text)
{
  const std::string lower = lowerCased(text);
  for (std::size_t i = 0; i < kBlendModeNames.size(); ++i) {
    if (lower == kBlendModeNames[i]) {
      return static_cast<int>(i);
    }
  }
  return 0;
}

std::optional<std::string> ODSVGUtils::mixBlendingModeForBlendMode(int blendMode)
{
  if (blendMode < 1 || blendMode > 15) {
    return std::nullopt;
  }
  return std::string(kBlendModeNames[static_cast<std::size_t>(blendMode)]);
}

std::optional<std::string> ODSVGUtils::defURL(std::string_view text)
{
  // The first "url", an optional white-space character, "(", an optional white-space
  // character, "#", then the shortest text up to ")". Scanned by hand: linear in the text.
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
  for (std::size_t at = text.find("url"); at != std::string_view::npos; at = text.find("url", at + 1)) {
    std::size_t i = at + 3;
    if (i < text.size() && isSpace(text[i])) {
      ++i;
    }
    if (i >= text.size() || text[i] != '(') {
      continue;
    }
    ++i;
    if (i < text.size() && isSpace(text[i])) {
      ++i;
    }
    if (i >= text.size() || text[i] != '#') {
      continue;
    }
    ++i;
    // The reference text stops at ")" and may not run over a line end.
    std::size_t end = i;
    while (end < text.size() && text[end] != ')' && text[end] != '\n' && text[end] != '\r') {
      ++end;
    }
    if (end < text.size() && text[end] == ')') {
      return std::string(text.substr(i, end - i));
    }
  }
  return std::nullopt;
}

std::vector<double> ODSVGUtils::parseViewBox(std::string_view text)
{
  return scanFloatsFromString(text);
}

double ODSVGUtils::floatValue(std::string_view text, double fallBackForPercent)
{
  const double value = singlePrecision(pf::doubleValue(text));
  if (text.find('%') != std::string_view::npos) {
    return value * (fallBackForPercent / 100.0);
  }
  return value;
}

double ODSVGUtils::floatValue(std::string_view text)
{
  if (text == "inherit") {
    return -99.9999991;
  }
  return singlePrecision(pf::doubleValue(text));
}

int ODSVGUtils::typeForCommandString(std::string_view letter)
{
  for (const char c : letter) {
    if (c >= 'a' && c <= 'z') {
      return 1;
    }
  }
  return 0;
}

double ODSVGUtils::angleBetweenPointA(pf::Point a, pf::Point b)
{
  const float lengthA = std::sqrt(static_cast<float>(a.x) * static_cast<float>(a.x) +
                                  static_cast<float>(a.y) * static_cast<float>(a.y));
  const float lengthB = std::sqrt(static_cast<float>(b.x) * static_cast<float>(b.x) +
                                  static_cast<float>(b.y) * static_cast<float>(b.y));
  const float cosine = static_cast<float>((a.x * b.x + a.y * b.y) / (static_cast<double>(lengthA) * lengthB));
  double result = std::acos(cosine);
  if (a.y * b.x > a.x * b.y) {
    result = -result;
  }
  return result;
}

std::optional<pf::Path> ODSVGUtils::newCGPathFromBezierPath(const pf::Path& path)
{
  if (path.isEmpty()) {
    return std::nullopt;
  }
  pf::Path result;
  bool closed = true;
  for (const pf::PathElement& element : path.elements()) {
    switch (element.type) {
      case pf::PathElementType::MoveTo:
        result.moveTo(element.points[0]);
        break;
      case pf::PathElementType::LineTo:
        result.lineTo(element.points[0]);
        closed = false;
        break;
      case pf::PathElementType::QuadCurveTo:
        result.quadCurveTo(element.points[0], element.points[1]);
        closed = false;
        break;
      case pf::PathElementType::CurveTo:
        result.curveTo(element.points[0], element.points[1], element.points[2]);
        closed = false;
        break;
      case pf::PathElementType::CloseSubpath:
        result.closeSubpath();
        closed = true;
        break;
    }
  }
  if (!closed) {
    result.closeSubpath();
  }
  return result;
}

pf::Path ODSVGUtils::newFlippedCGPath(const pf::Path& path)
{
  const std::optional<pf::Rect> box = path.bounds();
  const double height = box ? box->height() : 0.0;
  // A translation by (0, h) followed by a flip of the y axis: (x, y) -> (x, -(y + h)).
  return path.transformed(pf::AffineTransform(1, 0, 0, -1, 0, -height));
}

const std::vector<std::string>& ODSVGCommonHTMLElementNames()
{
  static const std::vector<std::string> names = {
      "a",        "abbr",     "acronym",    "address",  "applet",   "embed",      "object",   "area",
      "article",  "aside",    "audio",      "b",        "base",     "basefont",   "bdi",      "bdo",
      "big",      "blockquote", "body",     "br",       "button",   "canvas",     "caption",  "center",
      "cite",     "code",     "col",        "colgroup", "datalist", "dd",         "del",      "details",
      "dfn",      "dialog",   "dir",        "ul",       "div",      "dl",         "dt",       "em",
      "fieldset", "figcaption", "figure",   "font",     "footer",   "form",       "frame",    "frameset",
      "h1",       "h6",       "head",       "header",   "hr",       "html",       "i",        "iframe",
      "img",      "input",    "ins",        "kbd",      "label",    "legend",     "li",       "link",
      "main",     "map",      "mark",       "menu",     "menuitem", "meta",       "meter",    "nav",
      "noframes", "noscript", "ol",         "optgroup", "option",   "output",     "p",        "param",
      "picture",  "pre",      "progress",   "q",        "rp",       "rt",         "ruby",     "s",
      "samp",     "script",   "section",    "select",   "small",    "source",     "video",    "span",
      "strike",   "strong",   "style",      "sub",      "summary",  "sup",        "table",    "tbody",
      "td",       "template", "textarea",   "tfoot",    "th",       "thead",      "time",     "title",
      "tr",       "track",    "tt",         "u",        "var",      "wbr"};
  return names;
}

bool ODSVGIsCommonHTMLElementName(std::string_view name)
{
  static const std::unordered_set<std::string> lookup(ODSVGCommonHTMLElementNames().begin(),
                                                      ODSVGCommonHTMLElementNames().end());
  return lookup.count(lowerCased(name)) != 0;
}

std::string ODSVGShortFloatString(double number)
{
  return pf::format("%g", number);
}

std::string ODSVGShortFloatStringWithPrecision(long precision, double number)
{
  const std::string text = pf::formatF(number, static_cast<int>(std::clamp(precision, 0L, 40L)));
  const double value = pf::doubleValue(text);
  const long long whole = pf::saturatingCast<long long>(value);
  if (static_cast<float>(value) == static_cast<float>(whole)) {
    return pf::format("%ld", whole);
  }
  return text;
}

bool ODSVGIsLegalCommandCharacter(char16_t character)
{
  switch (character) {
    case u'M': case u'm': case u'Z': case u'z': case u'L': case u'l': case u'H': case u'h':
    case u'V': case u'v': case u'C': case u'c': case u'S': case u's': case u'Q': case u'q':
    case u'T': case u't': case u'A': case u'a':
      return true;
    default:
      return false;
  }
}

double angle(double ax, double ay, double bx, double by)
{
  return ODSVGUtils::angleBetweenPointA({ax, ay}, {bx, by});
}

double ratio(double ax, double ay, double bx, double by)
{
  const float lengthA = std::sqrt(static_cast<float>(ax) * static_cast<float>(ax) +
                                  static_cast<float>(ay) * static_cast<float>(ay));
  const float lengthB = std::sqrt(static_cast<float>(bx) * static_cast<float>(bx) +
                                  static_cast<float>(by) * static_cast<float>(by));
  return (ax * bx + ay * by) / (static_cast<double>(lengthA) * lengthB);
}

double radians_to_degrees(double radians)
{
  return radians * 57.29577951308232;
}

double degrees_to_radians(double degrees)
{
  return degrees / 180.0 * 3.141592653589793;
}

double magnitude(double x, double y)
{
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  return std::sqrt(fx * fx + fy * fy);
}

void ODSVGAddQuadCurveToPoint(pf::Path& path, pf::Point end, pf::Point control)
{
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return;
  }
  constexpr double k = 0.6666666666666666;
  const pf::Point start = *current;
  const pf::Point control1(start.x + k * (control.x - start.x), start.y + k * (control.y - start.y));
  const pf::Point control2(end.x + k * (control.x - end.x), end.y + k * (control.y - end.y));
  path.curveTo(control1, control2, end);
}
