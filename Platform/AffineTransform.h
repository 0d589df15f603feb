#pragma once

#include <optional>
#include <string>

#include "Platform/Point.h"
#include "Platform/Rect.h"
#include "Platform/Size.h"

namespace pf {

// A 2-D affine map of points:
//   x' = a·x + c·y + tx
//   y' = b·x + d·y + ty
// Angles are in radians and turn from the +x axis towards the +y axis; element space is y-down,
// so a positive angle turns clockwise on the output.
//
// translate/rotate/scale/concat change the transform the way a drawing context changes its
// current transformation: the new operation is applied to points BEFORE the existing transform.
// So a sequence of calls reads from the outside in, and the operation applied last acts first
// on a point:
//   AffineTransform t;            // identity
//   t.translate(10, 0);           // p -> p + (10, 0)
//   t.scale(2, 2);                // p -> 2p + (10, 0)
class AffineTransform {
public:
  double a = 1.0;
  double b = 0.0;
  double c = 0.0;
  double d = 1.0;
  double tx = 0.0;
  double ty = 0.0;

  constexpr AffineTransform() = default;
  constexpr AffineTransform(double aValue, double bValue, double cValue, double dValue, double txValue,
                            double tyValue)
      : a(aValue), b(bValue), c(cValue), d(dValue), tx(txValue), ty(tyValue)
  {
  }

  static constexpr AffineTransform identity() { return {}; }
  static constexpr AffineTransform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
  static constexpr AffineTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  // Whole quarter turns give exact 0 and ±1 entries (no 6e-17 residue in output coordinates).
  static AffineTransform rotation(double radians);
  // The transform that applies `first`, then `second`.
  static constexpr AffineTransform concat(const AffineTransform& first, const AffineTransform& second)
  {
    return {first.a * second.a + first.b * second.c,
            first.a * second.b + first.b * second.d,
            first.c * second.a + first.d * second.c,
            first.c * second.b + first.d * second.d,
            first.tx * second.a + first.ty * second.c + second.tx,
            first.tx * second.b + first.ty * second.d + second.ty};
  }

  // Drawing-context order: each acts on points before the transform as it stands.
  AffineTransform& translate(double dx, double dy);
  AffineTransform& rotate(double radians);
  AffineTransform& scale(double sx, double sy);
  AffineTransform& concat(const AffineTransform& inner);  // inner acts first
  // Copying forms of the four above.
  [[nodiscard]] AffineTransform translated(double dx, double dy) const;
  [[nodiscard]] AffineTransform rotated(double radians) const;
  [[nodiscard]] AffineTransform scaled(double sx, double sy) const;
  [[nodiscard]] AffineTransform concatenated(const AffineTransform& inner) const;

  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  // A displacement: the linear part only, no translation.
  Size apply(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
  Point applyToVector(Point v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
  // The axis-aligned box of the rectangle's four corners.
  Rect apply(const Rect& r) const;

  double determinant() const { return a * d - b * c; }
  bool isIdentity() const { return *this == AffineTransform(); }
  bool isFinite() const;
  // nullopt if singular (zero determinant) or not finite, or when the inverse would overflow.
  std::optional<AffineTransform> inverted() const;
  // Safe to hand to a drawing library: every entry finite and an inverse exists. Elements whose
  // transform fails this are skipped by the renderer.
  bool isFiniteAndInvertible() const;

  // "[a, b, c, d, tx, ty]" for log lines.
  std::string description() const;

  friend constexpr bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

}  // namespace pf
