#pragma once

#include <cmath>
#include <string>

namespace pf {

// A location or a displacement in a 2-D space (element space is y-down, see AffineTransform).
struct Point {
  double x = 0.0;
  double y = 0.0;

  constexpr Point() = default;
  constexpr Point(double xValue, double yValue) : x(xValue), y(yValue) {}

  bool isFinite() const { return std::isfinite(x) && std::isfinite(y); }
  // "{x, y}" with the shortest numbers that read back exactly (see GeometryStrings.h).
  std::string description() const;

  friend constexpr bool operator==(Point, Point) = default;
  friend constexpr Point operator+(Point p, Point q) { return {p.x + q.x, p.y + q.y}; }
  friend constexpr Point operator-(Point p, Point q) { return {p.x - q.x, p.y - q.y}; }
  friend constexpr Point operator-(Point p) { return {-p.x, -p.y}; }
  friend constexpr Point operator*(Point p, double s) { return {p.x * s, p.y * s}; }
  friend constexpr Point operator*(double s, Point p) { return {p.x * s, p.y * s}; }
  Point& operator+=(Point q)
  {
    x += q.x;
    y += q.y;
    return *this;
  }
  Point& operator-=(Point q)
  {
    x -= q.x;
    y -= q.y;
    return *this;
  }
};

// Dot product and the z component of the cross product of two displacements.
constexpr double dot(Point p, Point q)
{
  return p.x * q.x + p.y * q.y;
}
constexpr double cross(Point p, Point q)
{
  return p.x * q.y - p.y * q.x;
}
// Plain square roots (std::hypot is several times slower and its overflow guard only matters
// beyond 1e150, far outside any drawing).
inline double length(Point p)
{
  return std::sqrt(dot(p, p));
}
inline double distance(Point p, Point q)
{
  return length(p - q);
}

}  // namespace pf
