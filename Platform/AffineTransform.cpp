#include "Platform/AffineTransform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Platform/Numbers.h"

namespace pf {

AffineTransform AffineTransform::rotation(double radians)
{
  double cosine = std::cos(radians);
  double sine = std::sin(radians);
  // A whole number of quarter turns (90 degrees as degrees / 180 × pi is one exactly) gets exact
  // entries, so that rotated squares keep whole-number corners in boxes and SVG text.
  const double quarters = radians / (std::numbers::pi / 2);
  if (std::isfinite(quarters) && std::fabs(quarters) < 1e15 && quarters == std::nearbyint(quarters)) {
    const long long turn = static_cast<long long>(quarters) % 4;
    const int index = static_cast<int>(turn < 0 ? turn + 4 : turn);
    constexpr double cosines[4] = {1, 0, -1, 0};
    constexpr double sines[4] = {0, 1, 0, -1};
    cosine = cosines[index];
    sine = sines[index];
  }
  return {cosine, sine, -sine, cosine, 0, 0};
}

AffineTransform& AffineTransform::translate(double dx, double dy)
{
  return concat(translation(dx, dy));
}

AffineTransform& AffineTransform::rotate(double radians)
{
  return concat(rotation(radians));
}

AffineTransform& AffineTransform::scale(double sx, double sy)
{
  return concat(scaling(sx, sy));
}

AffineTransform& AffineTransform::concat(const AffineTransform& inner)
{
  *this = concat(inner, *this);
  return *this;
}

AffineTransform AffineTransform::translated(double dx, double dy) const
{
  return AffineTransform(*this).translate(dx, dy);
}

AffineTransform AffineTransform::rotated(double radians) const
{
  return AffineTransform(*this).rotate(radians);
}

AffineTransform AffineTransform::scaled(double sx, double sy) const
{
  return AffineTransform(*this).scale(sx, sy);
}

AffineTransform AffineTransform::concatenated(const AffineTransform& inner) const
{
  return AffineTransform(*this).concat(inner);
}

Rect AffineTransform::apply(const Rect& r) const
{
  const Rect s = r.standardized();
  const Point corners[4] = {apply(s.origin), apply(Point(s.maxX(), s.minY())), apply(Point(s.maxX(), s.maxY())),
                            apply(Point(s.minX(), s.maxY()))};
  double x0 = corners[0].x;
  double y0 = corners[0].y;
  double x1 = x0;
  double y1 = y0;
  for (const Point& p : corners) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool AffineTransform::isFinite() const
{
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) && std::isfinite(tx) &&
         std::isfinite(ty);
}

bool AffineTransform::isFiniteAndInvertible() const
{
  // Asked for every element drawn: ordinary matrices answer without the divisions. Entries
  // below 1e50 and a determinant above 1e-200 keep every entry of the inverse below 1e300.
  constexpr double kLarge = 1e50;
  constexpr double kSmallDeterminant = 1e-200;
  const double det = determinant();
  if (std::abs(a) < kLarge && std::abs(b) < kLarge && std::abs(c) < kLarge && std::abs(d) < kLarge &&
      std::abs(tx) < kLarge && std::abs(ty) < kLarge && std::abs(det) > kSmallDeterminant) {
    return true;
  }
  return inverted().has_value();
}

std::optional<AffineTransform> AffineTransform::inverted() const
{
  if (!isFinite()) {
    return std::nullopt;
  }
  const double det = determinant();
  if (det == 0 || !std::isfinite(det)) {
    return std::nullopt;
  }
  const AffineTransform inverse(d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det,
                                (b * tx - a * ty) / det);
  if (!inverse.isFinite()) {
    return std::nullopt;
  }
  return inverse;
}

std::string AffineTransform::description() const
{
  std::string text = "[";
  const double entries[] = {a, b, c, d, tx, ty};
  for (double entry : entries) {
    if (text.size() > 1) {
      text += ", ";
    }
    text += formatShortest(entry);
  }
  text += ']';
  return text;
}

}  // namespace pf
