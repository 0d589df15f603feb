#include "Shared/SVG/ODSVGExporterPathInstruction.h"

#include <cctype>

#include "Platform/Numbers.h"

namespace {

// "%g" without the locale, and never "-0".
void appendNumber(std::string& text, double value)
{
  text += pf::formatG(value == 0.0 ? 0.0 : value);
}

ODSVGExporterPathInstruction makeInstruction(char letter, std::initializer_list<double> values)
{
  ODSVGExporterPathInstruction result(letter, static_cast<long>(values.size()));
  double* data = result.data();
  for (const double value : values) {
    *data++ = value;
  }
  return result;
}

}  // namespace

ODSVGExporterPathInstruction::ODSVGExporterPathInstruction(char instruction, long dataCount)
    : instruction_(instruction), data_(static_cast<std::size_t>(dataCount > 0 ? dataCount : 0), 0.0)
{
}

std::vector<ODSVGExporterPathInstruction> ODSVGExporterPathInstruction::instructionsFromPath(const pf::Path& path)
{
  std::vector<ODSVGExporterPathInstruction> result;
  result.reserve(path.elementCount());
  pf::Point last;
  for (const pf::PathElement& element : path.elements()) {
    const pf::Point* p = element.points.data();
    switch (element.type) {
      case pf::PathElementType::MoveTo:
        result.push_back(makeInstruction('M', {p[0].x, p[0].y}));
        last = p[0];
        break;
      case pf::PathElementType::LineTo:
        if (p[0].x != last.x && p[0].y != last.y) {
          result.push_back(makeInstruction('L', {p[0].x, p[0].y}));
        } else if (p[0].x != last.x) {
          result.push_back(makeInstruction('H', {p[0].x}));
        } else {
          result.push_back(makeInstruction('V', {p[0].y}));
        }
        last = p[0];
        break;
      case pf::PathElementType::QuadCurveTo:
        result.push_back(makeInstruction('Q', {p[0].x, p[0].y, p[1].x, p[1].y}));
        last = p[1];
        break;
      case pf::PathElementType::CurveTo:
        result.push_back(makeInstruction('C', {p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y}));
        last = p[2];
        break;
      case pf::PathElementType::CloseSubpath:
        result.push_back(makeInstruction('Z', {}));
        break;
    }
  }
  const std::size_t count = result.size();
  if (count >= 2 && (result[count - 1].instruction_ == 'M' || result[count - 1].instruction_ == 'm') &&
      (result[count - 2].instruction_ == 'Z' || result[count - 2].instruction_ == 'z')) {
    result.pop_back();
  }
  return result;
}

void ODSVGExporterPathInstruction::convertInstructionsToRelativeCoordinates(
    std::vector<ODSVGExporterPathInstruction>& instructions)
{
  double cx = 0.0;
  double cy = 0.0;
  double sx = 0.0;
  double sy = 0.0;
  for (std::size_t index = 0; index < instructions.size(); ++index) {
    ODSVGExporterPathInstruction& item = instructions[index];
    double* d = item.data();
    const long n = item.dataLength();
    const char letter = item.instruction_;
    if (n == 0) {
      if (letter == 'Z' || letter == 'z') {
        cx = sx;
        cy = sy;
      }
      continue;
    }
    if (std::islower(static_cast<unsigned char>(letter))) {
      switch (letter) {
        case 'a':
        case 'c':
        case 'l':
        case 'm':
        case 'q':
        case 's':
        case 't':
          if (n >= 2) {
            cx += d[n - 2];
            cy += d[n - 1];
          }
          if (letter == 'm') {
            sx = cx;
            sy = cy;
          }
          break;
        case 'h':
          cx += d[0];
          break;
        case 'v':
          cy += d[0];
          break;
        default:
          break;
      }
      continue;
    }
    // Absolute: every point minus the current point; the end point becomes the current one.
    auto relativePairs = [&](int firstPair, int pairCount) {
      for (int pair = firstPair; pair < firstPair + pairCount && 2 * pair + 1 < n; ++pair) {
        d[2 * pair] -= cx;
        d[2 * pair + 1] -= cy;
      }
    };
    const double endX = n >= 2 ? d[n - 2] : 0.0;
    const double endY = n >= 2 ? d[n - 1] : 0.0;
    switch (letter) {
      case 'A':
        if (n >= 7) {
          d[5] -= cx;
          d[6] -= cy;
          cx = endX;
          cy = endY;
          item.instruction_ = 'a';
        }
        break;
      case 'C':
      case 'Q':
      case 'S':
      case 'L':
      case 'T':
        relativePairs(0, static_cast<int>(n / 2));
        cx = endX;
        cy = endY;
        item.instruction_ = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        break;
      case 'M':
        relativePairs(0, 1);
        cx = endX;
        cy = endY;
        sx = cx;
        sy = cy;
        item.instruction_ = index == 0 ? 'M' : 'm';
        break;
      case 'H': {
        const double x = d[0];
        d[0] -= cx;
        cx = x;
        item.instruction_ = 'h';
        break;
      }
      case 'V': {
        const double y = d[0];
        d[0] -= cy;
        cy = y;
        item.instruction_ = 'v';
        break;
      }
      default:
        break;
    }
  }
}

std::string ODSVGExporterPathInstruction::pathStringFromInstructions(
    const std::vector<ODSVGExporterPathInstruction>& instructions)
{
  std::string text;
  text.reserve(instructions.size() * 16);
  for (const ODSVGExporterPathInstruction& item : instructions) {
    const double* d = item.data();
    const long n = item.dataLength();
    auto pairs = [&](int count) {
      if (n < 2 * count) {
        return;
      }
      text += item.instruction_;
      for (int pair = 0; pair < count; ++pair) {
        if (pair > 0) {
          text += ' ';
        }
        appendNumber(text, d[2 * pair]);
        text += ',';
        appendNumber(text, d[2 * pair + 1]);
      }
    };
    switch (item.instruction_) {
      case 'M':
      case 'L':
      case 'm':
      case 'l':
        pairs(1);
        break;
      case 'Q':
      case 'q':
        pairs(2);
        break;
      case 'C':
      case 'c':
        pairs(3);
        break;
      case 'H':
      case 'V':
      case 'h':
      case 'v':
        if (n >= 1) {
          text += item.instruction_;
          appendNumber(text, d[0]);
        }
        break;
      case 'Z':
      case 'z':
        text += item.instruction_;
        break;
      default:
        break;
    }
  }
  return text;
}
