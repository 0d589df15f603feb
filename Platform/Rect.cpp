#include "Platform/Rect.h"

#include <algorithm>
#include <cmath>

#include "Platform/AffineTransform.h"
#include "Platform/GeometryStrings.h"

namespace pf {

Rect Rect::spanning(Point p, Point q)
{
  return Rect(p, Size(q.x - p.x, q.y - p.y)).standardized();
}

Rect Rect::standardized() const
{
  Rect result = *this;
  if (result.size.width < 0) {
    result.origin.x += result.size.width;
    result.size.width = -result.size.width;
  }
  if (result.size.height < 0) {
    result.origin.y += result.size.height;
    result.size.height = -result.size.height;
  }
  return result;
}

double Rect::minX() const
{
  return size.width < 0 ? origin.x + size.width : origin.x;
}

double Rect::minY() const
{
  return size.height < 0 ? origin.y + size.height : origin.y;
}

double Rect::maxX() const
{
  return size.width < 0 ? origin.x : origin.x + size.width;
}

double Rect::maxY() const
{
  return size.height < 0 ? origin.y : origin.y + size.height;
}

double Rect::midX() const
{
  return origin.x + size.width / 2;
}

double Rect::midY() const
{
  return origin.y + size.height / 2;
}

double Rect::width() const
{
  return std::fabs(size.width);
}

double Rect::height() const
{
  return std::fabs(size.height);
}

bool Rect::isEmpty() const
{
  // The negated comparisons are true for NaN as well.
  return !(width() > 0) || !(height() > 0);
}

bool Rect::contains(Point p) const
{
  if (isEmpty()) {
    return false;
  }
  return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::contains(const Rect& other) const
{
  return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() && other.maxY() <= maxY();
}

bool Rect::intersects(const Rect& other) const
{
  return other.minX() <= maxX() && other.maxX() >= minX() && other.minY() <= maxY() && other.maxY() >= minY();
}

std::optional<Rect> Rect::intersection(const Rect& other) const
{
  if (!intersects(other)) {
    return std::nullopt;
  }
  const double x0 = std::max(minX(), other.minX());
  const double y0 = std::max(minY(), other.minY());
  const double x1 = std::min(maxX(), other.maxX());
  const double y1 = std::min(maxY(), other.maxY());
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::united(const Rect& other) const
{
  const double x0 = std::min(minX(), other.minX());
  const double y0 = std::min(minY(), other.minY());
  const double x1 = std::max(maxX(), other.maxX());
  const double y1 = std::max(maxY(), other.maxY());
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::insetBy(double dx, double dy) const
{
  Rect result = standardized();
  const double width = result.size.width - 2 * dx;
  const double height = result.size.height - 2 * dy;
  if (width < 0) {
    result.origin.x += result.size.width / 2;
    result.size.width = 0;
  } else {
    result.origin.x += dx;
    result.size.width = width;
  }
  if (height < 0) {
    result.origin.y += result.size.height / 2;
    result.size.height = 0;
  } else {
    result.origin.y += dy;
    result.size.height = height;
  }
  return result;
}

Rect Rect::offsetBy(double dx, double dy) const
{
  return Rect(origin.x + dx, origin.y + dy, size.width, size.height);
}

Rect Rect::applying(const AffineTransform& transform) const
{
  return transform.apply(*this);
}

std::string Rect::description() const
{
  return rectString(*this);
}

std::optional<Rect> united(const std::optional<Rect>& a, const std::optional<Rect>& b)
{
  if (!a) {
    return b;
  }
  if (!b) {
    return a;
  }
  return a->united(*b);
}

}  // namespace pf
