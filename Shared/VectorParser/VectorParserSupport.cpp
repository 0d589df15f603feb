#include "Shared/VectorParser/VectorParserSupport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/VectorParser/VectorParserText.h"

namespace {

using Text = VectorParserText;

// The CSS named colours without the "grey" spellings darkgrey, dimgrey, grey, lightslategrey
// and slategrey (darkslategrey and lightgrey are kept): 143 names.
constexpr std::pair<std::string_view, std::string_view> kNamedColors[] = {
    {"aliceblue", "#f0f8ff"}, {"antiquewhite", "#faebd7"}, {"aqua", "#00ffff"},
    {"aquamarine", "#7fffd4"}, {"azure", "#f0ffff"}, {"beige", "#f5f5dc"},
    {"bisque", "#ffe4c4"}, {"black", "#000000"}, {"blanchedalmond", "#ffebcd"},
    {"blue", "#0000ff"}, {"blueviolet", "#8a2be2"}, {"brown", "#a52a2a"},
    {"burlywood", "#deb887"}, {"cadetblue", "#5f9ea0"}, {"chartreuse", "#7fff00"},
    {"chocolate", "#d2691e"}, {"coral", "#ff7f50"}, {"cornflowerblue", "#6495ed"},
    {"cornsilk", "#fff8dc"}, {"crimson", "#dc143c"}, {"cyan", "#00ffff"},
    {"darkblue", "#00008b"}, {"darkcyan", "#008b8b"}, {"darkgoldenrod", "#b8860b"},
    {"darkgray", "#a9a9a9"}, {"darkgreen", "#006400"}, {"darkkhaki", "#bdb76b"},
    {"darkmagenta", "#8b008b"}, {"darkolivegreen", "#556b2f"}, {"darkorange", "#ff8c00"},
    {"darkorchid", "#9932cc"}, {"darkred", "#8b0000"}, {"darksalmon", "#e9967a"},
    {"darkseagreen", "#8fbc8f"}, {"darkslateblue", "#483d8b"}, {"darkslategray", "#2f4f4f"},
    {"darkslategrey", "#2f4f4f"}, {"darkturquoise", "#00ced1"}, {"darkviolet", "#9400d3"},
    {"deeppink", "#ff1493"}, {"deepskyblue", "#00bfff"}, {"dimgray", "#696969"},
    {"dodgerblue", "#1e90ff"}, {"firebrick", "#b22222"}, {"floralwhite", "#fffaf0"},
    {"forestgreen", "#228b22"}, {"fuchsia", "#ff00ff"}, {"gainsboro", "#dcdcdc"},
    {"ghostwhite", "#f8f8ff"}, {"gold", "#ffd700"}, {"goldenrod", "#daa520"},
    {"gray", "#808080"}, {"green", "#008000"}, {"greenyellow", "#adff2f"},
    {"honeydew", "#f0fff0"}, {"hotpink", "#ff69b4"}, {"indianred", "#cd5c5c"},
    {"indigo", "#4b0082"}, {"ivory", "#fffff0"}, {"khaki", "#f0e68c"},
    {"lavender", "#e6e6fa"}, {"lavenderblush", "#fff0f5"}, {"lawngreen", "#7cfc00"},
    {"lemonchiffon", "#fffacd"}, {"lightblue", "#add8e6"}, {"lightcoral", "#f08080"},
    {"lightcyan", "#e0ffff"}, {"lightgoldenrodyellow", "#fafad2"}, {"lightgray", "#d3d3d3"},
    {"lightgreen", "#90ee90"}, {"lightgrey", "#d3d3d3"}, {"lightpink", "#ffb6c1"},
    {"lightsalmon", "#ffa07a"}, {"lightseagreen", "#20b2aa"}, {"lightskyblue", "#87cefa"},
    {"lightslategray", "#778899"}, {"lightsteelblue", "#b0c4de"}, {"lightyellow", "#ffffe0"},
    {"lime", "#00ff00"}, {"limegreen", "#32cd32"}, {"linen", "#faf0e6"},
    {"magenta", "#ff00ff"}, {"maroon", "#800000"}, {"mediumaquamarine", "#66cdaa"},
    {"mediumblue", "#0000cd"}, {"mediumorchid", "#ba55d3"}, {"mediumpurple", "#9370db"},
    {"mediumseagreen", "#3cb371"}, {"mediumslateblue", "#7b68ee"}, {"mediumspringgreen", "#00fa9a"},
    {"mediumturquoise", "#48d1cc"}, {"mediumvioletred", "#c71585"}, {"midnightblue", "#191970"},
    {"mintcream", "#f5fffa"}, {"mistyrose", "#ffe4e1"}, {"moccasin", "#ffe4b5"},
    {"navajowhite", "#ffdead"}, {"navy", "#000080"}, {"oldlace", "#fdf5e6"},
    {"olive", "#808000"}, {"olivedrab", "#6b8e23"}, {"orange", "#ffa500"},
    {"orangered", "#ff4500"}, {"orchid", "#da70d6"}, {"palegoldenrod", "#eee8aa"},
    {"palegreen", "#98fb98"}, {"paleturquoise", "#afeeee"}, {"palevioletred", "#db7093"},
    {"papayawhip", "#ffefd5"}, {"peachpuff", "#ffdab9"}, {"peru", "#cd853f"},
    {"pink", "#ffc0cb"}, {"plum", "#dda0dd"}, {"powderblue", "#b0e0e6"},
    {"purple", "#800080"}, {"rebeccapurple", "#663399"}, {"red", "#ff0000"},
    {"rosybrown", "#bc8f8f"}, {"royalblue", "#4169e1"}, {"saddlebrown", "#8b4513"},
    {"salmon", "#fa8072"}, {"sandybrown", "#f4a460"}, {"seagreen", "#2e8b57"},
    {"seashell", "#fff5ee"}, {"sienna", "#a0522d"}, {"silver", "#c0c0c0"},
    {"skyblue", "#87ceeb"}, {"slateblue", "#6a5acd"}, {"slategray", "#708090"},
    {"snow", "#fffafa"}, {"springgreen", "#00ff7f"}, {"steelblue", "#4682b4"},
    {"tan", "#d2b48c"}, {"teal", "#008080"}, {"thistle", "#d8bfd8"},
    {"tomato", "#ff6347"}, {"turquoise", "#40e0d0"}, {"violet", "#ee82ee"},
    {"wheat", "#f5deb3"}, {"white", "#ffffff"}, {"whitesmoke", "#f5f5f5"},
    {"yellow", "#ffff00"}, {"yellowgreen", "#9acd32"},
};

const std::unordered_map<std::string_view, std::string_view>& namedColorTable()
{
  static const std::unordered_map<std::string_view, std::string_view> table(std::begin(kNamedColors),
                                                                             std::end(kNamedColors));
  return table;
}

int hexDigitValue(char c)
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

// The hexadecimal number at the start of the run, as far as its digits go; 0 when it starts
// with none. Saturates instead of overflowing on long runs.
double leadingHexValue(std::string_view run)
{
  double value = 0.0;
  for (char c : run) {
    const int digit = hexDigitValue(c);
    if (digit < 0) {
      break;
    }
    value = std::min(value * 16.0 + digit, 4294967295.0);
  }
  return value;
}

// The transform items "name(arguments)" of a transform list, with the argument text. Items are
// separated by blanks and commas; blanks inside the parentheses belong to the arguments.
std::vector<std::pair<std::string, std::string>> transformItems(const std::string& text)
{
  std::vector<std::pair<std::string, std::string>> items;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t open = text.find('(', i);
    if (open == std::string::npos) {
      break;
    }
    const std::size_t close = text.find(')', open);
    if (close == std::string::npos) {
      break;
    }
    // The name ends at the "(" or at the blanks before it ("translate (10 20)").
    std::size_t nameEnd = open;
    while (nameEnd > i && text[nameEnd - 1] == ' ') {
      --nameEnd;
    }
    std::size_t nameStart = nameEnd;
    while (nameStart > i && text[nameStart - 1] != ' ' && text[nameStart - 1] != ',' && text[nameStart - 1] != ')') {
      --nameStart;
    }
    std::string name = text.substr(nameStart, nameEnd - nameStart);
    items.emplace_back(std::move(name), text.substr(open + 1, close - open - 1));
    i = close + 1;
  }
  return items;
}

}  // namespace

double VectorParserSupport::roundToDecimals(int decimals, double value)
{
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

double VectorParserSupport::CGPointDot(pf::Point u, pf::Point v)
{
  return u.x * v.x + u.y * v.y;
}

double VectorParserSupport::CGPointMagnitude(pf::Point v)
{
  return std::sqrt(v.x * v.x + v.y * v.y);
}

double VectorParserSupport::svgAngle(pf::Point u, pf::Point v)
{
  const double magnitude = CGPointMagnitude(u);
  const double cosine = std::clamp(CGPointDot(u, v) / (magnitude * magnitude), -1.0, 1.0);
  const double angle = std::acos(cosine);
  return (u.x * v.y - u.y * v.x < 0.0) ? -angle : angle;
}

std::optional<std::string> VectorParserSupport::svgParseParameterNamed(std::string_view name, std::string_view tag)
{
  if (name.empty()) {
    return std::nullopt;
  }
  // Where " name=" (or, when that form is absent, " name =") ends; npos when neither is there.
  const auto findEquals = [&](bool blankBeforeEquals) {
    std::size_t found = Text::findCaseInsensitive(tag, name);
    while (found != std::string_view::npos) {
      const std::size_t after = found + name.size();
      if (found > 0 && tag[found - 1] == ' ') {
        if (!blankBeforeEquals && after < tag.size() && tag[after] == '=') {
          return after + 1;
        }
        if (blankBeforeEquals && after + 1 < tag.size() && tag[after] == ' ' && tag[after + 1] == '=') {
          return after + 2;
        }
      }
      found = Text::findCaseInsensitive(tag, name, found + 1);
    }
    return std::string_view::npos;
  };
  std::size_t valueStart = findEquals(false);
  if (valueStart == std::string_view::npos) {
    valueStart = findEquals(true);
    if (valueStart == std::string_view::npos) {
      return std::nullopt;
    }
  }
  const std::size_t open = tag.find('"', valueStart);
  if (open == std::string_view::npos) {
    return std::nullopt;
  }
  const std::size_t close = tag.find('"', open + 1);
  if (close == std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(tag.substr(open + 1, close - open - 1));
}

double VectorParserSupport::svgParseValueNamed(std::string_view name, std::string_view tag)
{
  const std::optional<std::string> value = svgParseParameterNamed(name, tag);
  return value ? Text::leadingDouble(*value) : 0.0;
}

std::optional<std::string_view> VectorParserSupport::svgHexColorNamed(std::string_view name)
{
  const auto& table = namedColorTable();
  const auto found = table.find(name);
  if (found == table.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::optional<VectorParserRGB> VectorParserSupport::svgParseColorFromString(std::string_view text)
{
  if (text.empty() || Text::equalsCaseInsensitive(text, "none") || Text::equalsCaseInsensitive(text, "transparent")) {
    return std::nullopt;
  }
  const std::string lower = Text::lowercased(text);
  std::string_view colorText = text;
  if (const std::optional<std::string_view> hex = svgHexColorNamed(lower)) {
    colorText = *hex;
  }
  const std::size_t hash = colorText.find('#');
  if (hash == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view digits = colorText.substr(hash + 1);
  const std::size_t run = digits.size() / 3;
  if (run == 0) {
    return VectorParserRGB{0.0, 0.0, 0.0};
  }
  VectorParserRGB rgb{};
  for (std::size_t component = 0; component < 3; ++component) {
    const double value = leadingHexValue(digits.substr(component * run, run));
    // The short form repeats each digit (#fff is white).
    const double scaled = (run == 1) ? value * 17.0 / 255.0 : value / 255.0;
    rgb[component] = std::clamp(scaled, 0.0, 1.0);
  }
  return rgb;
}

std::optional<std::vector<std::string>> VectorParserSupport::svgParsePointArrayFromString(std::string_view text)
{
  if (text.empty()) {
    return std::nullopt;
  }
  std::string work(text);
  for (char& c : work) {
    if (c == '\n' || c == '\r' || c == '\t' || c == ',') {
      c = ' ';
    }
  }
  // A minus sign starts a new number, except in a (lower-case) exponent.
  Text::replaceAll(work, "e-", "e*");
  Text::replaceAll(work, "-", " -");
  Text::replaceAll(work, "e*", "e-");
  Text::replaceAll(work, "  ", " ");
  Text::replaceAll(work, "  ", " ");
  // Every command letter becomes an item of its own.
  std::string spaced;
  spaced.reserve(work.size() + work.size() / 4);
  for (char c : work) {
    if (std::string_view("MLHVCASQTZmlhvcasqtz").find(c) != std::string_view::npos) {
      spaced.push_back(' ');
      spaced.push_back(c);
      spaced.push_back(' ');
    } else {
      spaced.push_back(c);
    }
  }
  Text::replaceAll(spaced, "  ", " ");
  Text::replaceAll(spaced, "  ", " ");

  std::vector<std::string> items;
  for (std::string_view piece : Text::split(spaced, ' ')) {
    items.emplace_back(piece);
  }
  // "0.5.5" is two numbers, 0.5 and .5: split at the last "." and look at the rest next.
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (std::count(items[i].begin(), items[i].end(), '.') >= 2) {
      const std::size_t last = items[i].rfind('.');
      std::string rest = items[i].substr(last);
      items[i].resize(last);
      items.insert(items.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(rest));
    }
  }
  return items;
}

pf::Point VectorParserSupport::svgGetPointFromArray(const std::vector<std::string>* tokens, std::int64_t index)
{
  if (tokens == nullptr || index < 0 || static_cast<std::int64_t>(tokens->size()) <= index + 1) {
    return {kMissingCoordinate, kMissingCoordinate};
  }
  const auto i = static_cast<std::size_t>(index);
  return {Text::leadingDouble((*tokens)[i]), Text::leadingDouble((*tokens)[i + 1])};
}

pf::AffineTransform VectorParserSupport::svgAffineTransformFromString(std::string_view text)
{
  pf::AffineTransform transform;
  if (text.empty()) {
    return transform;
  }
  const std::string lower = Text::lowercased(text);
  for (auto& [name, argumentText] : transformItems(lower)) {
    Text::replaceAll(argumentText, ",", " ");
    Text::replaceAll(argumentText, "px", "");
    Text::replaceAll(argumentText, "deg", "");
    // A minus sign after a digit starts the next argument ("translate(10-20)").
    std::string separated;
    separated.reserve(argumentText.size() + 8);
    for (std::size_t k = 0; k < argumentText.size(); ++k) {
      const char c = argumentText[k];
      if (c == '-' && k > 0 && (std::isdigit(static_cast<unsigned char>(argumentText[k - 1])) || argumentText[k - 1] == '.')) {
        separated.push_back(' ');
      }
      separated.push_back(c);
    }
    argumentText = std::move(separated);
    std::vector<double> arguments;
    for (std::string_view piece : Text::splitAtBlanks(argumentText)) {
      arguments.push_back(Text::leadingDouble(piece));
    }
    const std::size_t count = arguments.size();
    if (name == "translate" && (count == 1 || count == 2)) {
      transform.translate(arguments[0], count == 2 ? arguments[1] : 0.0);
    } else if (name == "scale" && (count == 1 || count == 2)) {
      transform.scale(arguments[0], count == 2 ? arguments[1] : arguments[0]);
    } else if (name == "rotate" && (count == 1 || count == 3)) {
      const double radians = arguments[0] * std::numbers::pi / 180.0;
      if (count == 3) {
        transform.translate(arguments[1], arguments[2]);
        transform.rotate(radians);
        transform.translate(-arguments[1], -arguments[2]);
      } else {
        transform.rotate(radians);
      }
    } else if (name == "matrix" && count == 6) {
      transform.concat(pf::AffineTransform(arguments[0], arguments[1], arguments[2], arguments[3], arguments[4],
                                           arguments[5]));
    }
  }
  return transform;
}

bool VectorParserSupport::pathHasSegments(const pf::Path& path)
{
  return std::any_of(path.elements().begin(), path.elements().end(),
                     [](const pf::PathElement& element) { return element.type != pf::PathElementType::MoveTo; });
}

void VectorParserSupport::svgAddArcToPoint(pf::Point end, pf::Point radii, double angle, bool sweep, bool largeArc,
                                           pf::Path& path)
{
  const std::optional<pf::Point> current = path.currentPoint();
  if (!current) {
    return;
  }
  const double x1 = current->x;
  const double y1 = current->y;
  const double x2 = end.x;
  const double y2 = end.y;
  if (radii.x != radii.y && angle != 0.0) {
    FeedbackManager::log(
        "Warning, SVG parsing of <PATH> ARC command doesn't support angled rotated arcs with different x/y radius. "
        "User curve commands instead!");
  }
  if (x1 == x2 && y1 == y2) {
    return;
  }
  double rx = std::fabs(radii.x);
  double ry = std::fabs(radii.y);
  if (rx == 0.0 || ry == 0.0 || !std::isfinite(rx) || !std::isfinite(ry)) {
    path.lineTo(end);
    return;
  }
  const double phi = angle / 180.0 * std::numbers::pi;
  const double xp = (x1 - x2) / 2.0;
  const double yp = (y1 - y2) / 2.0;
  const double lambda = (xp * xp) / (rx * rx) + (yp * yp) / (ry * ry);
  if (lambda > 1.0) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double numerator = rx * rx * ry * ry - rx * rx * yp * yp - ry * ry * xp * xp;
  const double denominator = rx * rx * yp * yp + ry * ry * xp * xp;
  double q = std::sqrt(std::max(0.0, numerator / denominator));
  if (largeArc == sweep) {
    q = -q;
  }
  const double cxp = q * rx * yp / ry;
  const double cyp = -q * ry * xp / rx;
  const double cx = cxp + (x1 + x2) / 2.0;
  const double cy = cyp + (y1 + y2) / 2.0;
  const pf::Point u{(xp - cxp) / rx, (yp - cyp) / ry};
  const pf::Point v{(-xp - cxp) / rx, (-yp - cyp) / ry};
  double theta1 = std::acos(std::clamp(u.x, -1.0, 1.0));
  if (u.y < 0.0) {
    theta1 = -theta1;
  }
  const double fullTurn = 2.0 * std::numbers::pi;
  double delta = std::fmod(svgAngle(u, v), fullTurn);
  if (!sweep) {
    delta = std::fmod(delta - fullTurn, fullTurn);
  }
  pf::AffineTransform matrix;
  matrix.translate(cx, cy);
  matrix.scale(1.0, ry / rx);
  matrix.rotate(phi);
  matrix.translate(-cx, -cy);
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(theta1) || !std::isfinite(delta) ||
      !matrix.isFinite()) {
    path.lineTo(end);
    return;
  }
  path.addArc({cx, cy}, rx, theta1 - phi, theta1 + delta - phi,
              sweep ? pf::ArcDirection::IncreasingAngle : pf::ArcDirection::DecreasingAngle, matrix);
}
