#include "Shared/VectorParser/VectorParserSVGReader.h"

#include <cctype>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/VectorParser/VectorParserSupport.h"
#include "Shared/VectorParser/VectorParserText.h"

namespace {

using Support = VectorParserSupport;
using Text = VectorParserText;

// True when the line holds the tag name followed by something other than a letter or digit,
// so that "<line" does not match "<linearGradient".
bool containsTagName(std::string_view line, std::string_view tagName)
{
  std::size_t found = Text::findCaseInsensitive(line, tagName);
  while (found != std::string_view::npos) {
    const std::size_t after = found + tagName.size();
    if (after >= line.size() || !std::isalnum(static_cast<unsigned char>(line[after]))) {
      return true;
    }
    found = Text::findCaseInsensitive(line, tagName, found + 1);
  }
  return false;
}

// A path-data item that holds a number rather than a command letter (or nothing, as the
// items before a leading and after a trailing separator do).
bool isNumberToken(std::string_view token)
{
  return !token.empty() && (std::isdigit(static_cast<unsigned char>(token.front())) || token.front() == '.' ||
                            token.front() == '-' || token.front() == '+');
}

std::string_view trimmed(std::string_view text)
{
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && isBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && isBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Class name to declaration text, from the pieces of a style block: ".st0{fill:#FFFFFF;}".
void readStyleBlock(std::string_view line, std::unordered_map<std::string, std::string>& classes)
{
  std::string copy(line);
  Text::replaceAll(copy, "<style>", "");
  Text::replaceAll(copy, "</style>", "");
  for (std::string_view piece : Text::split(copy, '}')) {
    // Leading white space (an indented style sheet) is not part of the selector.
    piece = trimmed(piece);
    const std::size_t brace = piece.find('{');
    if (brace == std::string_view::npos || brace < 1) {
      continue;
    }
    const std::string_view name = trimmed(piece.substr(1, brace - 1));
    classes[std::string(name)] = std::string(piece.substr(brace + 1));
  }
}

// The line with the class's declarations written as attributes in front of "class=", where
// attributes on the element itself (earlier in the line) still win.
std::string lineWithClassAttributes(std::string_view line, const std::string& declarations)
{
  std::string attributes(trimmed(declarations));
  if (!attributes.empty() && attributes.back() != ';') {
    attributes.push_back(';');
  }
  Text::replaceAll(attributes, ":", "=\"");
  Text::replaceAll(attributes, ";", "\" ");
  std::string result(line);
  Text::replaceAll(result, "class=", attributes + " class=");
  return result;
}

// One file's reading: the record, the merged path and the transforms in force.
class SVGReading {
public:
  void readLine(std::string_view line);
  VectorParserPaths finish();
  VectorParserPathStruct& record() { return record_; }

private:
  pf::Path& mainPath()
  {
    if (!mainPath_) {
      mainPath_.emplace();
    }
    return *mainPath_;
  }
  void addShape(const pf::Path& shape) { mainPath().addPath(shape, elementTransform_); }
  bool readPathData(std::string_view line);
  void applyStyle(std::string_view line);

  VectorParserPathStruct record_;
  std::optional<pf::Path> mainPath_;
  pf::AffineTransform groupTransform_;
  pf::AffineTransform elementTransform_;
  std::unordered_map<std::string, std::string> classes_;
};

void SVGReading::readLine(std::string_view line)
{
  elementTransform_ = groupTransform_;
  if (const auto transform = Support::svgParseParameterNamed("transform", line); transform && !transform->empty()) {
    elementTransform_ = Support::svgAffineTransformFromString(*transform);
  }
  // Tag tests ignore case: look them up once in a lower-cased copy.
  const std::string lower = Text::lowercased(line);
  const auto has = [&lower](std::string_view tag) { return lower.find(tag) != std::string::npos; };
  bool recognised = false;
  if (has("<style>") || has("</style>")) {
    readStyleBlock(line, classes_);
    recognised = true;
  }
  if (has("<g")) {
    if (!elementTransform_.isIdentity()) {
      groupTransform_ = elementTransform_;
    }
    recognised = true;
  }
  if (has("</g")) {
    groupTransform_ = pf::AffineTransform();
    recognised = true;
  }
  if (has("<circle")) {
    const double cx = Support::svgParseValueNamed("cx", line);
    const double cy = Support::svgParseValueNamed("cy", line);
    const double r = Support::svgParseValueNamed("r", line);
    if (r > 0.0) {
      addShape(pf::Path().addEllipse(pf::Rect(cx - r, cy - r, 2.0 * r, 2.0 * r)));
      recognised = true;
    }
  }
  if (has("<ellipse")) {
    const double cx = Support::svgParseValueNamed("cx", line);
    const double cy = Support::svgParseValueNamed("cy", line);
    const double rx = Support::svgParseValueNamed("rx", line);
    const double ry = Support::svgParseValueNamed("ry", line);
    if (rx > 0.0 || ry > 0.0) {
      addShape(pf::Path().addEllipse(pf::Rect(cx - rx, cy - ry, 2.0 * rx, 2.0 * ry)));
      recognised = true;
    }
  }
  if (has("<rect")) {
    const double x = Support::svgParseValueNamed("x", line);
    const double y = Support::svgParseValueNamed("y", line);
    const double width = Support::svgParseValueNamed("width", line);
    const double height = Support::svgParseValueNamed("height", line);
    if (width > 0.0 && height > 0.0) {
      addShape(pf::Path().addRect(pf::Rect(x, y, width, height)));
      recognised = true;
    }
  }
  if (containsTagName(lower, "<line")) {
    const pf::Point start{Support::svgParseValueNamed("x1", line), Support::svgParseValueNamed("y1", line)};
    const pf::Point end{Support::svgParseValueNamed("x2", line), Support::svgParseValueNamed("y2", line)};
    if (start != end) {
      addShape(pf::Path().moveTo(start).lineTo(end));
      record_.fill = false;
      recognised = true;
    }
  }
  const bool polygon = has("<polygon");
  if (polygon || has("<polyline")) {
    const std::optional<std::string> points = Support::svgParseParameterNamed("points", line);
    const auto tokens = Support::svgParsePointArrayFromString(points ? *points : std::string());
    if (tokens && !tokens->empty()) {
      pf::Path shape;
      for (std::size_t i = 0; i < tokens->size(); i += 2) {
        const pf::Point p = Support::svgGetPointFromArray(&*tokens, static_cast<std::int64_t>(i));
        if (i == 0) {
          shape.moveTo(p);
        } else {
          shape.lineTo(p);
        }
      }
      if (polygon) {
        shape.closeSubpath();
      }
      addShape(shape);
      recognised = true;
    }
  }
  if (has("<path") && readPathData(line)) {
    recognised = true;
  }
  if (recognised) {
    applyStyle(line);
  }
}

void SVGReading::applyStyle(std::string_view line)
{
  std::string withClass;
  if (const auto className = Support::svgParseParameterNamed("class", line)) {
    if (const auto found = classes_.find(*className); found != classes_.end()) {
      withClass = lineWithClassAttributes(line, found->second);
      line = withClass;
    }
  }
  if (const auto fill = Support::svgParseParameterNamed("fill", line)) {
    if (const auto color = Support::svgParseColorFromString(*fill)) {
      record_.fill = true;
      record_.fillRGB = *color;
    } else {
      record_.fill = false;
    }
  }
  if (const auto stroke = Support::svgParseParameterNamed("stroke", line)) {
    if (const auto color = Support::svgParseColorFromString(*stroke)) {
      record_.stroke = true;
      record_.strokeRGB = *color;
    }
  }
  if (const auto width = Support::svgParseParameterNamed("stroke-width", line)) {
    record_.stroke = true;
    record_.strokeWidth = Text::leadingDouble(*width);
  }
}

bool SVGReading::readPathData(std::string_view line)
{
  const std::optional<std::string> data = Support::svgParseParameterNamed("d", line);
  auto tokens = Support::svgParsePointArrayFromString(data ? *data : std::string());
  if (!tokens || tokens->empty()) {
    return false;
  }
  mainPath();
  pf::Path subpath;
  pf::Point current;
  pf::Point control1;
  pf::Point control2;
  std::string previous;
  std::vector<std::string>& items = *tokens;
  auto count = static_cast<std::int64_t>(items.size());
  const auto number = [&](std::int64_t at) {
    return at < count ? Text::leadingDouble(items[static_cast<std::size_t>(at)]) : Support::kMissingCoordinate;
  };
  // Lines and arcs need a start: without one the sub-path starts at the current point.
  const auto ensureStart = [&] {
    if (!subpath.currentPoint()) {
      subpath.moveTo(current);
    }
  };
  std::int64_t index = 0;
  while (index < count) {
    const std::string& token = items[static_cast<std::size_t>(index)];
    std::int64_t read = index + 1;
    std::string command = token;
    const double tokenValue = Text::leadingDouble(token);
    // The command that the next number token continues: a move stays a move, so that all its
    // further pairs are lines.
    std::string continued;
    if ((previous == "M" || previous == "m") && isNumberToken(token) && index + 1 < count &&
        isNumberToken(items[static_cast<std::size_t>(index + 1)])) {
      // Number pairs after a move are lines to, relative after a relative move; any pair
      // continues, one that starts with a zero or a one-digit number as well. A lone last number
      // is skipped.
      command.assign(1, previous == "M" ? 'L' : 'l');
      continued = previous;
      read = index;
    } else if (static_cast<float>(tokenValue) != 0.0f && token.size() >= 2 && previous.size() == 1 &&
               std::string_view("ACSLTacslt").find(previous[0]) != std::string_view::npos) {
      // More numbers after a curve, line or arc repeat that command.
      command = previous;
      read = index;
    }
    const bool relative = !command.empty() && Text::lowercased(command) == command;
    if (relative && !subpath.isEmpty()) {
      current = *subpath.currentPoint();
    }
    const pf::Point offset = relative ? current : pf::Point();
    const auto point = [&](std::int64_t at) { return Support::svgGetPointFromArray(&items, at) + offset; };
    if (command.size() == 1) {
      switch (command[0]) {
      case 'M':
      case 'm': {
        current = point(read);
        read += 2;
        subpath.moveTo(current);
        break;
      }
      case 'L':
      case 'l': {
        const pf::Point p = point(read);
        read += 2;
        ensureStart();
        current = p;
        subpath.lineTo(p);
        break;
      }
      case 'H':
      case 'h': {
        const double x = number(read) + offset.x;
        read += 1;
        ensureStart();
        current = {x, current.y};
        subpath.lineTo(current);
        break;
      }
      case 'V':
      case 'v': {
        const double y = number(read) + offset.y;
        read += 1;
        ensureStart();
        current = {current.x, y};
        subpath.lineTo(current);
        break;
      }
      case 'C':
      case 'c': {
        const pf::Point c1 = point(read);
        const pf::Point c2 = point(read + 2);
        const pf::Point p = point(read + 4);
        control1 = c1;
        control2 = c2;
        if (subpath.isEmpty()) {
          subpath.moveTo(c1);
        }
        read += 6;
        subpath.curveTo(c1, c2, p);
        current = p;
        break;
      }
      case 'S':
      case 's': {
        const pf::Point c1 = current * 2.0 - control2;
        const pf::Point c2 = point(read);
        const pf::Point p = point(read + 2);
        control1 = c1;
        control2 = c2;
        if (subpath.isEmpty()) {
          subpath.moveTo(c1);
        }
        read += 4;
        subpath.curveTo(c1, c2, p);
        current = p;
        break;
      }
      case 'Q':
      case 'q': {
        const pf::Point c = point(read);
        const pf::Point p = point(read + 2);
        control1 = c;
        control2 = p;
        if (subpath.isEmpty()) {
          subpath.moveTo(c);
        }
        read += 4;
        subpath.quadCurveTo(c, p);
        current = p;
        break;
      }
      case 'T':
      case 't': {
        const pf::Point c = current * 2.0 - control1;
        const pf::Point p = point(read);
        control1 = c;
        control2 = p;
        if (subpath.isEmpty()) {
          subpath.moveTo(c);
        }
        read += 2;
        subpath.quadCurveTo(c, p);
        current = p;
        break;
      }
      case 'A':
      case 'a': {
        // The two flags are single digits that need no separator ("a1 1 0 00 10 10"): split
        // one written together with what follows it.
        for (const std::int64_t flag : {read + 3, read + 4}) {
          if (flag < count) {
            std::string& text = items[static_cast<std::size_t>(flag)];
            if (text.size() >= 2 && (text[0] == '0' || text[0] == '1') && text[1] != '.' && text[1] != 'e' &&
                text[1] != 'E') {
              std::string rest = text.substr(1);
              text.resize(1);
              items.insert(items.begin() + flag + 1, std::move(rest));
              count = static_cast<std::int64_t>(items.size());
            }
          }
        }
        if (read + 7 > count) {
          // Too few values for an arc: the rest of this path data cannot be read.
          FeedbackManager::log("Warning, SVG parsing of <PATH> ARC command with too few values, rest of path ignored");
          read = count;
          break;
        }
        const pf::Point radii = Support::svgGetPointFromArray(&items, read);
        const double rotation = number(read + 2);
        const bool largeArc = number(read + 3) != 0.0;
        const bool sweep = number(read + 4) != 0.0;
        const pf::Point p = point(read + 5);
        read += 7;
        ensureStart();
        current = p;
        Support::svgAddArcToPoint(p, radii, rotation, sweep, largeArc, subpath);
        break;
      }
      case 'Z':
      case 'z': {
        subpath.closeSubpath();
        if (const auto after = subpath.currentPoint()) {
          current = *after;
        }
        if (!subpath.isEmpty()) {
          addShape(subpath);
        }
        subpath = pf::Path();
        break;
      }
      default:
        break;
      }
    }
    previous = continued.empty() ? command : continued;
    index = read;
  }
  if (!subpath.isEmpty()) {
    addShape(subpath);
  }
  return true;
}

VectorParserPaths SVGReading::finish()
{
  VectorParserPaths result;
  if (!mainPath_ || !Support::pathHasSegments(*mainPath_)) {
    // Path data without drawing (lone moves) gives nothing usable.
    return result;
  }
  pf::Path flipped = mainPath_->transformed(pf::AffineTransform::scaling(1.0, -1.0));
  const std::optional<pf::Rect> box = flipped.bounds();
  if (!box) {
    return result;
  }
  flipped.transform(pf::AffineTransform::translation(-box->minX() - box->width() / 2.0,
                                                     -box->minY() - box->height() / 2.0));
  if (!flipped.isFinite()) {
    FeedbackManager::log("ERROR parsing SVG, coordinates out of range");
    return result;
  }
  record_.path = std::move(flipped);
  result.push_back(std::move(record_));
  return result;
}

}  // namespace

VectorParserPaths VectorParserSVGReader::parserPathsFromSVGString(std::string_view text)
{
  // Each line is the text up to and including one ">". Line breaks become blanks, so that they
  // still separate numbers and attributes.
  std::string joined(text);
  for (char& c : joined) {
    if (c == '\n' || c == '\r') {
      c = ' ';
    }
  }
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < joined.size()) {
    const std::size_t close = joined.find('>', start);
    const std::size_t end = close == std::string::npos ? joined.size() : close + 1;
    lines.push_back(std::string_view(joined).substr(start, end - start));
    start = end;
  }
  std::size_t root = 0;
  while (root < lines.size() && !Text::containsCaseInsensitive(lines[root], "<svg")) {
    ++root;
  }
  if (root == lines.size()) {
    FeedbackManager::log("ERROR parsing SVG, could not find start <svg> tag");
    return {};
  }
  SVGReading reading;
  if (Text::containsCaseInsensitive(lines[root], "fill-rule:evenodd")) {
    reading.record().evenOdd = true;
  }
  for (std::size_t i = root + 1; i < lines.size(); ++i) {
    reading.readLine(lines[i]);
  }
  return reading.finish();
}
