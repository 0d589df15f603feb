#include "Shared/SVG/ODSVGTransform.h"

#include <cmath>

#include "Platform/Format.h"
#include "Shared/SVG/ODSVGUtils.h"

namespace {

constexpr double kPi = 3.141592653589793;

bool isLetter(char c)
{
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string joined(const std::vector<std::string>& texts)
{
  std::string result;
  for (const std::string& text : texts) {
    if (!result.empty()) {
      result += ' ';
    }
    result += text;
  }
  return result;
}

float singleSqrt(double x, double y)
{
  const float fx = static_cast<float>(x);
  const float fy = static_cast<float>(y);
  return std::sqrt(fx * fx + fy * fy);
}

}  // namespace

ODSVGTransform::ODSVGTransform(long command, std::vector<double> parameters)
    : command_(command), parameters_(std::move(parameters)), sort_(sortForTransformCommand(command))
{
}

std::vector<ODSVGTransform> ODSVGTransform::transformsForString(std::string_view text)
{
  // Entries are a run of letters, "(", and the arguments up to the first ")". Scanned by hand
  // in one pass so that hostile text cannot make matching quadratic.
  std::vector<ODSVGTransform> transforms;
  std::size_t i = 0;
  const std::size_t length = text.size();
  while (i < length) {
    if (!isLetter(text[i])) {
      ++i;
      continue;
    }
    const std::size_t nameStart = i;
    while (i < length && isLetter(text[i])) {
      ++i;
    }
    if (i >= length || text[i] != '(') {
      continue;
    }
    const std::size_t close = text.find(')', i + 1);
    if (close == std::string_view::npos) {
      break;  // no later entry can close either
    }
    const std::string_view name = text.substr(nameStart, i - nameStart);
    const std::string_view arguments = text.substr(i + 1, close - i - 1);
    i = close + 1;
    const long command = commandForCommandString(name);
    if (command == kNone) {
      continue;
    }
    transforms.emplace_back(command, ODSVGUtils::commandParameters(arguments));
  }
  return transforms;
}

long ODSVGTransform::commandForCommandString(std::string_view name)
{
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  if (lower == "matrix") {
    return kMatrix;
  }
  if (lower == "translate") {
    return kTranslate;
  }
  if (lower == "scale") {
    return kScale;
  }
  if (lower == "skewx") {
    return kSkewX;
  }
  if (lower == "skewy") {
    return kSkewY;
  }
  if (lower == "rotate") {
    return kRotate;
  }
  return kNone;
}

long ODSVGTransform::sortForTransformCommand(long command)
{
  switch (command) {
    case kMatrix:
      return 2;
    case kTranslate:
      return -1;
    case kScale:
      return 0;
    case kRotate:
      return 1;
    default:
      return 10;
  }
}

ODSVGTransform ODSVGTransform::transformByTranslatingX(double x, double y)
{
  ODSVGTransform transform(kTranslate, {x, y});
  transform.sort_ = 0;
  return transform;
}

pf::AffineTransform ODSVGTransform::CGAffineTransform() const
{
  const std::vector<double>& p = parameters_;
  const std::size_t n = p.size();
  if (n == 0) {
    return {};
  }
  switch (command_) {
    case kMatrix:
      if (n < 6) {
        return {};
      }
      return {p[0], p[1], p[2], p[3], p[4], p[5]};
    case kTranslate:
      return pf::AffineTransform::translation(p[0], n == 1 ? 0.0 : p[1]);
    case kScale:
      return pf::AffineTransform::scaling(p[0], n == 1 ? p[0] : p[1]);
    case kRotate: {
      if (n == 1) {
        return pf::AffineTransform::rotation(p[0] / 180.0 * kPi);
      }
      const double cx = p[1];
      const double cy = n >= 3 ? p[2] : 0.0;
      pf::AffineTransform matrix;
      matrix.translate(cx, cy);
      matrix.rotate(p[0] * 0.017453292519943295);
      matrix.translate(-cx, -cy);
      return matrix;
    }
    case kSkewX:
      return {1, 0, std::tan(p[0] * kPi / 180.0), 1, 0, 0};
    case kSkewY:
      return {1, std::tan(p[0] * kPi / 180.0), 0, 1, 0, 0};
    default:
      return {};
  }
}

pf::AffineTransform ODSVGTransform::stackIdentity(const pf::AffineTransform& matrix) const
{
  const std::vector<double>& p = parameters_;
  const std::size_t n = p.size();
  pf::AffineTransform result = matrix;
  switch (command_) {
    case kTranslate:
      if (n >= 1) {
        result.translate(p[0], n == 1 ? 0.0 : p[1]);
      }
      return result;
    case kScale:
      if (n >= 1) {
        result.scale(p[0], n == 1 ? p[0] : p[1]);
      }
      return result;
    case kRotate:
      if (n == 1) {
        result.rotate(ODSVGMathRad(p[0]));
      } else if (n >= 2) {
        const double cy = n >= 3 ? p[2] : 0.0;
        result.translate(p[1], cy);
        result.rotate(ODSVGMathRad(p[0]));
        result.translate(-p[1], -cy);
      }
      return result;
    default:
      return CGAffineTransform();
  }
}

void ODSVGTransform::recalculateWithBounds(const pf::Rect& bounds)
{
  if (command_ != kRotate || parameters_.size() < 3) {
    return;
  }
  const double side = std::max(bounds.width(), bounds.height());
  parameters_[1] *= side;
  parameters_[2] *= side;
}

std::string ODSVGTransform::description() const
{
  return pf::format("ODSVGTransform %@", joined(affineTransformToSVGTransformAttributeString(CGAffineTransform())));
}

std::string ODSVGTransform::affineTransformToSVGMatrixString(const pf::AffineTransform& m)
{
  return pf::format("matrix(%g,%g,%g,%g,%g,%g)", m.a, m.b, m.c, m.d, m.tx, m.ty);
}

std::vector<std::string> ODSVGTransform::affineTransformToSVGTransformAttributeString(const pf::AffineTransform& m)
{
  const double a = m.a;
  const double b = m.b;
  const double c = m.c;
  const double d = m.d;
  const double tx = m.tx;
  const double ty = m.ty;
  std::vector<std::string> texts;
  double sx = singleSqrt(a, b);
  double sy = (a * d - b * c) / sx;
  const double colsSum = a * c + b * d;
  const double rowsSum = a * b + c * d;
  const bool scaleBefore = rowsSum != 0 || sx == sy;

  bool translated = false;
  if (tx != 0 || ty != 0) {
    texts.push_back(pf::format("translate(%g, %g)", tx, ty));
    translated = true;
  }
  if (b == 0 && c != 0) {
    texts.push_back(pf::format("skewX(%g)", ODSVGMathAtan(c / sy)));
  } else if (b != 0 && c == 0) {
    texts.push_back(pf::format("skewY(%g)", ODSVGMathAtan(b / a)));
    sx = a;
    sy = d;
  } else if (colsSum == 0 || (sx == 1 && sy == 1) || !scaleBefore) {
    if (!scaleBefore) {
      sx = singleSqrt(a, c);
      sy = singleSqrt(b, d);
      if (a < 0) {
        sx = -sx;
      }
      if (d < 0) {
        sy = -sy;
      }
      texts.push_back(sx == sy ? pf::format("scale(%g)", sx) : pf::format("scale(%g, %g)", sx, sy));
    }
    double rotation = ODSVGMathAcos(a / sx);
    if (b * sy < 0) {
      rotation = -rotation;
    }
    std::string rotateText;
    if (rotation != 0) {
      rotateText = pf::format("rotate(%g)", rotation);
    }
    if (rowsSum != 0 && colsSum != 0) {
      texts.push_back(pf::format("skewX(%g)", ODSVGMathAtan(colsSum / (sx * sx))));
    }
    if (rotation != 0 && translated) {
      texts.erase(texts.begin());
      const double cosine = a / sx;
      const double sine = scaleBefore ? b / sx : b / sy;
      const double x = scaleBefore ? tx : tx * sy;
      const double y = scaleBefore ? ty : ty * sx;
      const float oneMinusCos = static_cast<float>(1 - cosine);
      double denominator = static_cast<double>(oneMinusCos * oneMinusCos + static_cast<float>(sine) * static_cast<float>(sine));
      if (!scaleBefore) {
        denominator *= sx * sy;
      }
      rotateText = pf::format("rotate(%g, %g, %g)", rotation, ((1 - cosine) * x - sine * y) / denominator,
                              ((1 - cosine) * y + sine * x) / denominator);
    }
    if (!rotateText.empty()) {
      texts.push_back(rotateText);
    }
  }
  if ((scaleBefore && (sx != 1 || sy != 1)) || texts.empty()) {
    texts.push_back(sx == sy ? pf::format("scale(%g)", sx) : pf::format("scale(%g, %g)", sx, sy));
  }
  return texts;
}

std::vector<ODSVGTransform> ODSVGTransform::transformsFromAffineTransform(const pf::AffineTransform& matrix)
{
  return transformsForString(joined(affineTransformToSVGTransformAttributeString(matrix)));
}

pf::AffineTransform ODSVGConcatTransforms(const std::vector<ODSVGTransform>& transforms)
{
  pf::AffineTransform result;
  for (const ODSVGTransform& transform : transforms) {
    result = pf::AffineTransform::concat(result, transform.CGAffineTransform());
  }
  return result;
}

void ODSVGApplyTransform(const std::vector<ODSVGTransform>& transforms,
                         const std::function<void(const ODSVGTransform&)>& callback)
{
  for (const ODSVGTransform& transform : transforms) {
    callback(transform);
  }
}

std::string ODSVGDebugTransforms(const std::vector<ODSVGTransform>& transforms)
{
  std::vector<std::string> texts;
  for (const ODSVGTransform& transform : transforms) {
    texts.push_back(joined(ODSVGTransform::affineTransformToSVGTransformAttributeString(transform.CGAffineTransform())));
  }
  return joined(texts);
}

std::string ODSVGDebugAffineTransform(const pf::AffineTransform& matrix)
{
  return joined(ODSVGTransform::affineTransformToSVGTransformAttributeString(matrix));
}

double ODSVGMathRad(double degrees)
{
  return degrees * kPi / 180.0;
}

double ODSVGMathDeg(double radians)
{
  return radians * 180.0 / kPi;
}

double ODSVGMathSin(double degrees)
{
  return std::sin(static_cast<float>(degrees * kPi / 180.0));
}

double ODSVGMathTan(double degrees)
{
  return std::tan(static_cast<float>(degrees * kPi / 180.0));
}

double ODSVGMathAcos(double x)
{
  return static_cast<double>(std::acos(static_cast<float>(x))) * 180.0 / kPi;
}

double ODSVGMathAsin(double x)
{
  return static_cast<double>(std::asin(static_cast<float>(x))) * 180.0 / kPi;
}

double ODSVGMathAtan(double x)
{
  return static_cast<double>(std::atan(static_cast<float>(x))) * 180.0 / kPi;
}
