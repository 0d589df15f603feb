#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"
#include "Platform/StrokeStyle.h"

namespace pf {

enum class PathElementType { MoveTo, LineTo, QuadCurveTo, CurveTo, CloseSubpath };

// One element of a path. Points in drawing order: MoveTo and LineTo use points[0]; QuadCurveTo
// uses the control point then the end point; CurveTo the two control points then the end
// point; CloseSubpath none.
struct PathElement {
  PathElementType type = PathElementType::MoveTo;
  std::array<Point, 3> points{};

  int pointCount() const;
  Point endPoint() const { return points[static_cast<std::size_t>(pointCount() > 0 ? pointCount() - 1 : 0)]; }
  friend bool operator==(const PathElement&, const PathElement&) = default;
};

enum class FillRule { NonZero, EvenOdd };

// The direction an arc runs in: towards increasing angles (from +x towards +y, clockwise on the
// y-down output) or towards decreasing angles.
enum class ArcDirection { IncreasingAngle, DecreasingAngle };

// A vector path of move, line, quadratic, cubic and close elements, in the coordinates of
// whoever holds it (element space for an element's geometry).
//
// A path is a value: it is built with the mutating calls below and, once handed on, shared as
// std::shared_ptr<const Path> and never changed again (build a new one to change geometry).
// Every subpath starts with a MoveTo: a segment added after a close starts a new subpath at the
// closed one's start point with an explicit MoveTo, as drawing libraries do.
class Path {
public:
  Path() = default;

  // Building. A segment without a current point is refused with a log line and leaves the
  // path unchanged (check currentPoint() first where input may lack a move).
  // The builders that shapes call per point are defined here, so that their points stay in
  // registers (see appendElement).
  Path& moveTo(Point p)
  {
    subpathStart_ = elements_.size();
    subpathOpen_ = true;
    appendElement(PathElementType::MoveTo, p);
    return *this;
  }
  Path& lineTo(Point p)
  {
    if (!subpathOpen_ && !startSegment("Error, path lineTo %@ without a current point, ignored", p)) {
      return *this;
    }
    appendElement(PathElementType::LineTo, p);
    return *this;
  }
  Path& quadCurveTo(Point control, Point end);
  Path& curveTo(Point control1, Point control2, Point end)
  {
    if (!subpathOpen_ && !startSegment("Error, path curveTo %@ without a current point, ignored", end)) {
      return *this;
    }
    appendElement(PathElementType::CurveTo, control1, control2, end);
    return *this;
  }
  // Closes the current subpath; nothing when it is already closed or there is none.
  Path& closeSubpath();
  // Room for `count` elements in all: a builder that knows its size allocates once instead of
  // growing the list step by step.
  void reserve(std::size_t count) { elements_.reserve(count); }

  // A closed subpath from the minimum corner of the standardized rectangle, along +x first:
  // (minX, minY), (maxX, minY), (maxX, maxY), (minX, maxY).
  Path& addRect(const Rect& rect);
  // A closed ellipse inscribed in the standardized rectangle, four cubic quarters from
  // (maxX, midY) towards increasing angles (the same turning sense as addRect).
  Path& addEllipse(const Rect& rect);
  // A rectangle with elliptical corners of radii rx, ry (clamped to half the width and height;
  // zero or negative radii give a plain rectangle). Starts on the top edge after the top-left
  // corner and runs in the same sense as addRect.
  Path& addRoundedRect(const Rect& rect, double rx, double ry);
  // A circular arc about `center` from startAngle to endAngle (radians), as cubic pieces of at
  // most 90 degrees. With a current point, a line joins it to the arc's start when they differ;
  // without one, the arc starts with a move. The sweep runs in `direction`; an end angle behind
  // the start in that direction is reached by going on past the full turn, and a requested
  // sweep of a full turn or more draws one full circle. Every point is mapped through
  // `matrix` (an elliptical or rotated arc). Non-finite arguments, or angles so far apart that
  // their difference is not finite, add nothing and log.
  Path& addArc(Point center, double radius, double startAngle, double endAngle, ArcDirection direction,
               const AffineTransform& matrix = AffineTransform());
  // Appends every element of `other` (its subpaths keep their moves and closes).
  Path& addPath(const Path& other);
  Path& addPath(const Path& other, const AffineTransform& matrix);
  // Maps every point in place (for paths still being built).
  Path& transform(const AffineTransform& matrix);

  [[nodiscard]] Path transformed(const AffineTransform& matrix) const;
  // A copy with every curve replaced by line segments that stay within `tolerance` of it
  // (tolerance <= 0 or NaN uses 0.01). Moves and closes are kept.
  [[nodiscard]] Path flattened(double tolerance) const;

  // Reading.
  bool isEmpty() const { return elements_.empty(); }
  std::size_t elementCount() const { return elements_.size(); }
  const std::vector<PathElement>& elements() const { return elements_; }
  // The end of the last element; after a close, the start of the closed subpath. nullopt for an
  // empty path.
  std::optional<Point> currentPoint() const;
  // True when the path has at least one segment or close and every subpath that draws ends
  // with a close.
  bool isClosed() const;
  // Every point is finite.
  bool isFinite() const;

  // Tight box of what the path covers: curve extrema, not control points. nullopt for an empty
  // path. A MoveTo that starts no segment (a trailing move, or one followed by another move) does
  // not count, except in a path that has no segments at all, whose box spans its move points
  // (a one-point polygon measures as a zero-size box at that point).
  std::optional<Rect> bounds() const;
  // bounds() of the path mapped through `matrix`, without building the mapped copy (the tight
  // box of a turned path is not the turned tight box).
  std::optional<Rect> bounds(const AffineTransform& matrix) const;
  // Box of every point including control points, with the same rule for lone moves; cheaper
  // than bounds() and never smaller.
  std::optional<Rect> controlPointBounds() const;

  // Fill containment: every subpath counts as closed. Points exactly on an edge follow the
  // half-open rule (minimum edges in, maximum edges out, for a rectangle). NaN points: false.
  bool contains(Point p, FillRule rule) const;
  // True when p lies in the area the stroke of `style` paints: segment bodies, joins at corners
  // (miter within the limit, else bevel; round; bevel), caps at the ends of open subpaths.
  // Curves are followed to within a small fraction of the line width. A width <= 0 or NaN hits
  // nothing.
  bool strokeContains(Point p, const StrokeStyle& style) const;

  friend bool operator==(const Path&, const Path&) = default;

private:
  // Before a segment while no subpath is open: false (logged with `refusal`, which formats the
  // end point) without a current point; after a close, starts a new subpath at the closed one's
  // start.
  bool startSegment(std::string_view refusal, Point end);
  // Appends an element with up to three points (the rest stay at the origin), coordinate by
  // coordinate: built as a temporary, a point passed in two registers was stored in two halves
  // and read back whole, and the read waited for the stores to drain.
  void appendElement(PathElementType type, Point p0 = Point(), Point p1 = Point(), Point p2 = Point())
  {
    PathElement& element = elements_.emplace_back();
    element.type = type;
    element.points[0].x = p0.x;
    element.points[0].y = p0.y;
    element.points[1].x = p1.x;
    element.points[1].y = p1.y;
    element.points[2].x = p2.x;
    element.points[2].y = p2.y;
  }

  std::vector<PathElement> elements_;
  std::size_t subpathStart_ = 0;  // index of the current subpath's MoveTo
  bool subpathOpen_ = false;      // a subpath is started and not closed
};

using SharedPath = std::shared_ptr<const Path>;

}  // namespace pf
