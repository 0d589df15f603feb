#pragma once

#include <optional>
#include <string>

#include "Platform/Point.h"
#include "Platform/Size.h"

namespace pf {

class AffineTransform;

// An axis-aligned rectangle: origin plus size, in whatever space its owner says. The size may be
// negative; every query and operation below reads the rectangle standardized (non-negative
// size, origin at the minimum corner), as the original platform's rectangle functions do.
// There is no "null" rectangle: where there may be no box at all, the type is
// std::optional<Rect>.
struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(Point originValue, Size sizeValue) : origin(originValue), size(sizeValue) {}
  constexpr Rect(double x, double y, double width, double height) : origin(x, y), size(width, height) {}
  // The smallest rectangle holding both points.
  static Rect spanning(Point p, Point q);

  // Same area with a non-negative size (a NaN size stays NaN).
  Rect standardized() const;

  double minX() const;
  double minY() const;
  double maxX() const;
  double maxY() const;
  double midX() const;
  double midY() const;
  double width() const;   // standardized, >= 0
  double height() const;  // standardized, >= 0
  Point center() const { return {midX(), midY()}; }

  // No area: a zero or NaN width or height.
  bool isEmpty() const;
  bool isFinite() const { return origin.isFinite() && size.isFinite(); }

  // Half-open: the minimum edges are inside, the maximum edges outside (so tiling rectangles
  // never both hold a point). An empty rectangle contains nothing.
  bool contains(Point p) const;
  // The other rectangle lies within this one (closed edges). Empty rectangles are points or
  // lines and take part as such.
  bool contains(const Rect& other) const;
  // The closed rectangles meet: touching edges and zero-size rectangles (a point, a line without
  // stroke) count, so an element with no area inside the artboard still intersects it. False
  // when either has a NaN member.
  bool intersects(const Rect& other) const;
  // The common part, nullopt when the rectangles do not meet (see intersects).
  std::optional<Rect> intersection(const Rect& other) const;
  // The smallest rectangle holding both (zero-size rectangles count as their point or line).
  Rect united(const Rect& other) const;
  // Moves each edge inward by dx (left and right) and dy (top and bottom); negative values grow
  // the rectangle. A dimension that would become negative collapses to zero at the centre.
  Rect insetBy(double dx, double dy) const;
  Rect offsetBy(double dx, double dy) const;
  // The axis-aligned box of the rectangle's four corners under the transform.
  Rect applying(const AffineTransform& transform) const;

  // "{{x, y}, {w, h}}" as written, not standardized (see GeometryStrings.h).
  std::string description() const;

  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Union over optional boxes: nullopt is "nothing", so it leaves the other side unchanged.
std::optional<Rect> united(const std::optional<Rect>& a, const std::optional<Rect>& b);

}  // namespace pf
