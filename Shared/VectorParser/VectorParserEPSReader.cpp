#include "Shared/VectorParser/VectorParserEPSReader.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/VectorParser/VectorParserSupport.h"
#include "Shared/VectorParser/VectorParserText.h"

namespace {

using Text = VectorParserText;

constexpr std::size_t kMaxOperatorLength = 14;  // longer prolog names are not operators
constexpr std::size_t kMaxAliasLength = 4;

double rounded(double value)
{
  return VectorParserSupport::roundToDecimals(4, value);
}

// Operator name to the alias the body uses for it.
class OperatorTable {
public:
  OperatorTable()
      : aliases_{{"fill", "f"},         {"lineto", "l"},        {"moveto", "m"},  {"curveto", "c"},
                 {"closepath", "h"},    {"stroke", "S"},        {"scale", "scale"}, {"translate", "translate"},
                 {"setcmykcolor", "cmyk"}, {"setrgbcolor", "rgb"},
                 // What Cairo's EPS output uses without a prolog definition the scan can read.
                 {"re", "re"},          {"cm", "cm"},           {"rectfill", "rectfill"}}
  {
  }

  void store(const std::string& name, const std::string& alias)
  {
    if (aliases_.size() >= VectorParserEPSReader::kMaxOperatorTableSize && aliases_.find(name) == aliases_.end()) {
      return;
    }
    aliases_[name] = alias;
  }
  bool matches(std::string_view lastToken, std::string_view name) const
  {
    if (lastToken == name) {
      return true;
    }
    const auto found = aliases_.find(name);
    return found != aliases_.end() && found->second == lastToken;
  }
  const std::map<std::string, std::string, std::less<>>& aliases() const { return aliases_; }

private:
  std::map<std::string, std::string, std::less<>> aliases_;
};

// Reads the operator aliases a prolog defines: "/m/moveto ldf", "/l { lineto } def",
// "/cp {clip newpath} bd", "/m/moveto".
void scanProlog(std::string_view text, OperatorTable& table)
{
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\n\r", start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() < 4) {
      continue;
    }
    // Most lines (the drawing) are none of the three forms: skip them before copying.
    const std::size_t lastBreak = line.find_last_of(" /");
    const std::string_view lastWordOfLine = lastBreak == std::string_view::npos ? line : line.substr(lastBreak + 1);
    if (lastWordOfLine != "ldf" && lastWordOfLine != "def" && !line.ends_with("bd") && line.front() != '/') {
      continue;
    }
    std::string blanked(line);
    std::replace(blanked.begin(), blanked.end(), '/', ' ');
    const std::vector<std::string_view> pieces = Text::split(blanked, ' ');
    const std::string_view lastWord = pieces.empty() ? std::string_view() : pieces.back();
    if (lastWord == "ldf") {
      if (pieces.size() < 3) {
        continue;
      }
      const std::string_view name = pieces[pieces.size() - 2];
      std::string_view alias = pieces[pieces.size() - 3];
      if (alias.empty() && pieces.size() >= 4) {
        alias = pieces[pieces.size() - 4];
      }
      if (!name.empty() && name.size() <= kMaxOperatorLength && !alias.empty() && alias.size() <= kMaxAliasLength) {
        table.store(std::string(name), std::string(alias));
      }
    } else if (lastWord == "def" || line.ends_with("bd")) {
      std::string definition(line);
      Text::replaceAll(definition, "{ ", "{");
      Text::replaceAll(definition, " }", "}");
      const std::size_t slash = definition.find('/');
      const std::size_t open = definition.find('{');
      const std::size_t close = definition.find('}');
      if (slash == std::string::npos || open == std::string::npos || close == std::string::npos || open < slash ||
          close < open) {
        continue;
      }
      std::string alias = definition.substr(slash + 1, open - slash - 1);
      std::erase(alias, ' ');
      std::string body = definition.substr(open + 1, close - open - 1);
      if (body.empty() || body.size() > kMaxOperatorLength || alias.empty() || alias.size() > kMaxAliasLength) {
        continue;
      }
      if (body == "fCol fill") {
        body = "fill";
      } else if (body == "fCol eofill") {
        body = "eofill";
      } else if (body == "sCol stroke") {
        body = "stroke";
      }
      table.store(body, alias);
    } else if (line.front() == '/') {
      const std::vector<std::string_view> parts = Text::split(line, '/');
      if (parts.size() == 3 && !parts[2].empty() && parts[2].size() <= kMaxOperatorLength && !parts[1].empty() &&
          parts[1].size() <= kMaxAliasLength) {
        table.store(std::string(parts[2]), std::string(parts[1]));
      }
    }
  }
}

// Every operator and alias ends a line: "0 0 m 10 0 l" becomes "0 0 m" and "10 0 l".
std::string splitAfterOperators(std::string body, const OperatorTable& table)
{
  std::unordered_set<std::string_view> names;
  std::set<std::size_t> lengths;
  bool lastCharacters[256] = {};  // a quick filter: most blanks follow numbers
  for (const auto& [name, alias] : table.aliases()) {
    for (const std::string* word : {&name, &alias}) {
      if (!word->empty()) {
        names.insert(*word);
        lengths.insert(word->size());
        lastCharacters[static_cast<unsigned char>(word->back())] = true;
      }
    }
  }
  for (std::size_t i = 1; i < body.size(); ++i) {
    if (body[i] != ' ' || !lastCharacters[static_cast<unsigned char>(body[i - 1])]) {
      continue;
    }
    for (std::size_t length : lengths) {
      if (length > i) {
        break;
      }
      if (names.contains(std::string_view(body).substr(i - length, length))) {
        body[i] = '\n';
        break;
      }
    }
  }
  return body;
}

struct GraphicsState {
  double tx = 0.0;
  double ty = 0.0;
  double sx = 1.0;
  double sy = 1.0;
};

class EPSReading {
public:
  EPSReading(const OperatorTable& table, bool letterOperators) : table_(table), letterOperators_(letterOperators) {}

  void readLine(std::string_view line);
  VectorParserPaths finish();

private:
  bool is(std::string_view name) const { return table_.matches(operator_, name); }
  double operand(std::size_t index) const
  {
    return index < pieces_.size() ? Text::leadingDouble(pieces_[index]) : 0.0;
  }
  pf::Point mapped(std::size_t xIndex, std::size_t yIndex) const
  {
    return {rounded(state_.tx + state_.sx * operand(xIndex)), rounded(state_.ty + state_.sy * operand(yIndex))};
  }
  pf::Path& subpath()
  {
    if (!subpath_) {
      subpath_.emplace();
    }
    return *subpath_;
  }
  // A segment needs a start; without one it starts where the segment's first point lies.
  void ensureStart(pf::Point p)
  {
    if (!subpath().currentPoint()) {
      subpath().moveTo(p);
    }
  }
  bool enough(std::size_t pieces) const
  {
    if (pieces_.size() >= pieces) {
      return true;
    }
    tooFew();
    return false;
  }
  void tooFew() const { FeedbackManager::log("WARNING: Badly formatted EPS data, too few components on line '%@'", line_); }
  void fill(bool evenOdd);
  void stroke();
  // "x y w h re": a closed rectangle sub-path, one drawing.
  void addRectangle();

  const OperatorTable& table_;
  const bool letterOperators_;
  std::string_view line_;
  std::vector<std::string_view> pieces_;
  std::string_view operator_;

  VectorParserPathStruct record_;
  pf::Path mainPath_;
  std::optional<pf::Path> subpath_;
  std::optional<pf::Path> pendingClip_;
  std::optional<pf::Path> lastAdded_;
  GraphicsState state_;
  GraphicsState saved_;
  std::vector<GraphicsState> stack_;  // "q" / gsave nesting
  VectorParserRGB color_{0.0, 0.0, 0.0};
  double lineWidth_ = 1.0;
  long drawingCount_ = 0;
};

void EPSReading::readLine(std::string_view line)
{
  line_ = line;
  pieces_ = Text::splitAtBlanks(line);
  if (pieces_.empty()) {
    return;
  }
  operator_ = pieces_.back();

  if (is("scale") && enough(3)) {
    state_.sx *= operand(0);
    state_.sy *= operand(1);
  }
  if (is("setlinewidth")) {
    lineWidth_ = rounded(operand(0));
  }
  if (is("setrgbcolor") && enough(3)) {
    color_ = {rounded(operand(0)), rounded(operand(1)), rounded(operand(2))};
  }
  if (is("setcmykcolor")) {
    if (pieces_.size() == 5) {
      const double k = operand(3);
      color_ = {rounded((1.0 - operand(0)) * (1.0 - k)), rounded((1.0 - operand(1)) * (1.0 - k)),
                rounded((1.0 - operand(2)) * (1.0 - k))};
    } else {
      tooFew();
    }
  }
  if (is("setcolor")) {
    if (pieces_.size() == 5) {
      const double k = operand(3);
      color_ = {rounded((1.0 - operand(0)) * (1.0 - k)), rounded((1.0 - operand(1)) * (1.0 - k)),
                rounded((1.0 - operand(2)) * (1.0 - k))};
    } else if (pieces_.size() == 4) {
      color_ = {rounded(operand(0)), rounded(operand(1)), rounded(operand(2))};
    } else {
      tooFew();
    }
  }
  if (is("setgray") && enough(2)) {
    const double gray = rounded(operand(0));
    color_ = {gray, gray, gray};
  }
  if (is("moveto")) {
    subpath();
    if (enough(3)) {
      subpath().moveTo(mapped(0, 1));
      ++drawingCount_;
    }
  }
  if (is("lineto") || (letterOperators_ && operator_ == "L")) {
    subpath();
    if (enough(3)) {
      const pf::Point p = mapped(0, 1);
      ensureStart(p);
      subpath().lineTo(p);
      ++drawingCount_;
    }
  }
  if (is("curveto") || (letterOperators_ && operator_ == "C")) {
    subpath();
    if (enough(6)) {
      const pf::Point c1 = mapped(0, 1);
      ensureStart(c1);
      subpath().curveTo(c1, mapped(2, 3), mapped(4, 5));
      ++drawingCount_;
    }
  }
  if (letterOperators_ && (operator_ == "Y" || operator_ == "v" || operator_ == "y" || operator_ == "V")) {
    subpath();
    if (enough(4)) {
      const pf::Point c1 = mapped(0, 1);
      const pf::Point end = mapped(2, 3);
      ensureStart(c1);
      subpath().curveTo(c1, end, end);
      ++drawingCount_;
    }
  }
  if (is("re")) {
    subpath();
    if (enough(5)) {
      addRectangle();
    }
  }
  if (operator_ == "rectfill" && enough(5)) {
    // Cairo fills a rectangle that covers its clip this way: the rectangle, filled.
    subpath_.emplace();
    addRectangle();
    fill(false);
  }
  if (operator_ == "CM") {
    state_ = saved_;
  }
  if (operator_ == "cm" && enough(7)) {
    // The translation and scale of the matrix, concatenated with the current ones.
    saved_ = state_;
    state_.tx += state_.sx * operand(4);
    state_.ty += state_.sy * operand(5);
    state_.sx *= operand(0);
    state_.sy *= operand(3);
  }
  if (is("gsave")) {
    if (stack_.size() < VectorParserEPSReader::kMaxStateDepth) {
      stack_.push_back(state_);
    }
  }
  if (operator_ == "Q" || is("grestore")) {
    if (stack_.empty()) {
      state_ = GraphicsState();
    } else {
      state_ = stack_.back();
      stack_.pop_back();
    }
  }
  if (is("closepath") && subpath_) {
    subpath_->closeSubpath();
  }
  if (operator_ == "clp_npth") {
    subpath_.reset();
  }
  if (is("newpath")) {
    subpath_.emplace();
  }
  if (is("clip newpath") || is("eoclip newpath")) {
    if (subpath_) {
      pendingClip_ = subpath_;
    }
    subpath_.emplace();
  } else if (is("clip") || is("eoclip")) {
    // Cairo writes "W n": the clip, then a separate newpath.
    if (subpath_) {
      pendingClip_ = subpath_;
    }
  }
  if (is("fill") || is("eofill")) {
    fill(is("eofill"));
  }
  if (is("stroke")) {
    stroke();
  }
}

void EPSReading::addRectangle()
{
  const double x = operand(0);
  const double y = operand(1);
  const double w = operand(2);
  const double h = operand(3);
  const auto map = [this](double px, double py) {
    return pf::Point{rounded(state_.tx + state_.sx * px), rounded(state_.ty + state_.sy * py)};
  };
  subpath().moveTo(map(x, y)).lineTo(map(x + w, y)).lineTo(map(x + w, y + h)).lineTo(map(x, y + h)).closeSubpath();
  ++drawingCount_;
}

void EPSReading::fill(bool evenOdd)
{
  if (pendingClip_ && subpath_) {
    const auto subpathBox = subpath_->bounds();
    const auto clipBox = pendingClip_->bounds();
    const bool clipInside = subpathBox && clipBox && subpathBox->contains(*clipBox);
    const pf::Path& added = clipInside ? *pendingClip_ : *subpath_;
    mainPath_.addPath(added);
    lastAdded_ = added;
    pendingClip_.reset();
  } else if (subpath_) {
    record_.evenOdd = evenOdd;
    mainPath_.addPath(*subpath_);
    lastAdded_ = std::move(subpath_);
  }
  subpath_.reset();
  record_.fill = true;
  record_.fillRGB = color_;
}

void EPSReading::stroke()
{
  if (!subpath_) {
    return;
  }
  if (!lastAdded_ || !(*lastAdded_ == *subpath_)) {
    mainPath_.addPath(*subpath_);
  }
  subpath_.reset();
  record_.stroke = true;
  record_.strokeRGB = color_;
  record_.strokeWidth = lineWidth_;
}

VectorParserPaths EPSReading::finish()
{
  VectorParserPaths result;
  if (drawingCount_ < 1) {
    FeedbackManager::log("ERROR, no points found in EPS data");
    return result;
  }
  const std::optional<pf::Rect> box = mainPath_.bounds();
  if (!box || !VectorParserSupport::pathHasSegments(mainPath_)) {
    // Nothing filled or stroked, or only lone moves: nothing to draw.
    return result;
  }
  mainPath_.transform(pf::AffineTransform::translation(-box->minX() - box->width() / 2.0,
                                                       -box->minY() - box->height() / 2.0));
  if (!mainPath_.isFinite()) {
    FeedbackManager::log("ERROR creating path from EPS data, coordinates out of range");
    return result;
  }
  record_.path = std::move(mainPath_);
  result.push_back(std::move(record_));
  return result;
}

// Where the drawing starts and ends; nullopt when the markers cannot give a readable body.
std::optional<std::string_view> bodyOf(std::string_view text)
{
  std::size_t start = std::string_view::npos;
  for (std::string_view marker : {"%%EndPageSetup", "%%EndSetup", "%%EndProlog"}) {
    const std::size_t found = text.find(marker);
    if (found != std::string_view::npos) {
      start = found + marker.size();
      break;
    }
  }
  std::size_t end = std::string_view::npos;
  for (std::string_view marker : {"%%PageTrailer", "%%Trailer"}) {
    end = text.find(marker);
    if (end != std::string_view::npos) {
      break;
    }
  }
  if (end == std::string_view::npos) {
    end = text.size() >= 3 ? text.size() - 3 : 0;
  }
  if (start == std::string_view::npos || start < 1 || start >= text.size() || end < 1 || end >= text.size() ||
      end < start) {
    return std::nullopt;
  }
  return text.substr(start, end - start);
}

}  // namespace

std::optional<VectorParserPaths> VectorParserEPSReader::parserPathsFromEPSString(std::string_view text)
{
  OperatorTable table;
  scanProlog(text, table);
  const std::optional<std::string_view> body = bodyOf(text);
  if (!body) {
    FeedbackManager::log("ERROR creating path from EPS data, could not find the vector data in the EPS file");
    return VectorParserPaths();
  }
  std::string joined(*body);
  Text::replaceAll(joined, "\n ", " ");
  Text::replaceAll(joined, " \n", " ");
  Text::replaceAll(joined, "\r ", " ");
  Text::replaceAll(joined, " \r", " ");
  joined = splitAfterOperators(std::move(joined), table);

  EPSReading reading(table, text.find("%!PS-Adobe-3.0 EPSF-3.0") != std::string_view::npos);
  std::size_t start = 0;
  while (start < joined.size()) {
    std::size_t end = joined.find_first_of("\n\r", start);
    if (end == std::string::npos) {
      end = joined.size();
    }
    std::string_view line = std::string_view(joined).substr(start, end - start);
    start = end + 1;
    while (line.size() >= 3 && line.front() == ' ') {
      line.remove_prefix(1);
    }
    if (!line.empty()) {
      reading.readLine(line);
    }
  }
  return reading.finish();
}
