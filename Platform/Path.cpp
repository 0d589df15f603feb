#include "Platform/Path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Platform/GeometryStrings.h"
#include "Platform/Log.h"

namespace pf {

namespace {

constexpr double kHalfPi = std::numbers::pi / 2;
constexpr double kTwoPi = 2 * std::numbers::pi;
// Control-point distance for a quarter circle of radius 1 drawn as one cubic.
constexpr double kQuarterArcHandle = 0.5522847498307936;
// Upper bound of line pieces per curve when flattening, so that a huge curve with a tiny
// tolerance cannot exhaust memory.
constexpr int kMaxPiecesPerCurve = 4096;

// Running box of points; empty until the first point.
class BoxBuilder {
public:
  void add(Point p)
  {
    if (!hasPoints_) {
      min_ = p;
      max_ = p;
      hasPoints_ = true;
      return;
    }
    min_.x = std::min(min_.x, p.x);
    min_.y = std::min(min_.y, p.y);
    max_.x = std::max(max_.x, p.x);
    max_.y = std::max(max_.y, p.y);
  }
  bool hasPoints() const { return hasPoints_; }
  std::optional<Rect> box() const
  {
    if (!hasPoints_) {
      return std::nullopt;
    }
    return Rect(min_.x, min_.y, max_.x - min_.x, max_.y - min_.y);
  }

private:
  Point min_;
  Point max_;
  bool hasPoints_ = false;
};

Point quadPoint(Point p0, Point p1, Point p2, double t)
{
  const double u = 1 - t;
  return p0 * (u * u) + p1 * (2 * u * t) + p2 * (t * t);
}

Point cubicPoint(Point p0, Point p1, Point p2, Point p3, double t)
{
  const double u = 1 - t;
  return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
}

// Control values between the end values: the curve is monotonic in this coordinate and its
// ends are its extremes.
inline bool cubicIsMonotonic(double p0, double p1, double p2, double p3)
{
  const double low = std::min(p0, p3);
  const double high = std::max(p0, p3);
  return p1 >= low && p1 <= high && p2 >= low && p2 <= high;
}

// Parameters in (0, 1) where one coordinate of a cubic has a zero derivative. The derivative
// is 3·(A t² + B t + C) with the coefficients below.
int cubicExtremaParameters(double p0, double p1, double p2, double p3, double out[2])
{
  // The common case, checked first because it is cheap.
  if (cubicIsMonotonic(p0, p1, p2, p3)) {
    return 0;
  }
  const double a = p1 - p0;
  const double b = p2 - p1;
  const double c = p3 - p2;
  const double qa = a - 2 * b + c;
  const double qb = 2 * (b - a);
  const double qc = a;
  int count = 0;
  auto keep = [&](double t) {
    if (t > 0 && t < 1) {
      out[count++] = t;
    }
  };
  if (qa == 0) {
    if (qb != 0) {
      keep(-qc / qb);
    }
    return count;
  }
  const double discriminant = qb * qb - 4 * qa * qc;
  if (!(discriminant >= 0)) {
    return 0;
  }
  // The stable form of the quadratic formula (no cancellation for either root).
  const double q = -0.5 * (qb + std::copysign(std::sqrt(discriminant), qb));
  if (q == 0) {
    keep(0);  // qb and qc are 0: a double root at 0, outside the open interval
    return count;
  }
  keep(q / qa);
  keep(qc / q);
  return count;
}

// The tight box of the elements with every point mapped through `map` (an affine map, under
// which curves stay curves of the mapped control points).
template <typename Map>
std::optional<Rect> tightBounds(const std::vector<PathElement>& elements, Map map)
{
  BoxBuilder box;
  Point current;
  // The current point is in the box once a segment or close follows it: only a move point
  // waits to be added (a move that starts nothing does not count), every end is added as it
  // comes.
  bool moveWaits = false;
  const auto addMove = [&] {
    if (moveWaits) {
      box.add(current);
      moveWaits = false;
    }
  };
  for (const PathElement& element : elements) {
    switch (element.type) {
    case PathElementType::MoveTo:
      current = map(element.points[0]);
      moveWaits = true;
      break;
    case PathElementType::LineTo: {
      const Point end = map(element.points[0]);
      addMove();
      box.add(end);
      current = end;
      break;
    }
    case PathElementType::QuadCurveTo: {
      const Point control = map(element.points[0]);
      const Point end = map(element.points[1]);
      addMove();
      box.add(end);
      // One extremum per axis where the derivative (p1 - p0)(1 - t) + (p2 - p1)t vanishes.
      const double axes[2][3] = {{current.x, control.x, end.x}, {current.y, control.y, end.y}};
      for (const auto& axis : axes) {
        const double denominator = axis[0] - 2 * axis[1] + axis[2];
        if (denominator != 0) {
          const double t = (axis[0] - axis[1]) / denominator;
          if (t > 0 && t < 1) {
            box.add(quadPoint(current, control, end, t));
          }
        }
      }
      current = end;
      break;
    }
    case PathElementType::CurveTo: {
      const Point c1 = map(element.points[0]);
      const Point c2 = map(element.points[1]);
      const Point end = map(element.points[2]);
      addMove();
      box.add(end);
      // Most curves of a shape (every quarter of an ellipse, a star's corners) are monotonic in
      // both coordinates: checked here, they cost no call, which would spill the box.
      if (cubicIsMonotonic(current.x, c1.x, c2.x, end.x) && cubicIsMonotonic(current.y, c1.y, c2.y, end.y)) {
        current = end;
        break;
      }
      double parameters[2];
      const int xCount = cubicExtremaParameters(current.x, c1.x, c2.x, end.x, parameters);
      for (int i = 0; i < xCount; ++i) {
        box.add(cubicPoint(current, c1, c2, end, parameters[i]));
      }
      const int yCount = cubicExtremaParameters(current.y, c1.y, c2.y, end.y, parameters);
      for (int i = 0; i < yCount; ++i) {
        box.add(cubicPoint(current, c1, c2, end, parameters[i]));
      }
      current = end;
      break;
    }
    case PathElementType::CloseSubpath:
      // The closing line runs back to the subpath's start, which is in the box already (a close
      // right after a move counts the move).
      addMove();
      break;
    }
  }
  if (box.hasPoints()) {
    return box.box();
  }
  // No segments: the box of the move points (nullopt for an empty path).
  for (const PathElement& element : elements) {
    box.add(map(element.points[0]));
  }
  return box.box();
}

// Number of line pieces that keep a curve within `tolerance` of its flattening, from the bound
// on the second derivative. `deviation` is the largest second difference of the control points.
int pieceCount(double deviation, double tolerance, double factor)
{
  const double pieces = std::ceil(std::sqrt(factor * deviation / tolerance));
  if (!(pieces >= 1)) {
    return 1;
  }
  return pieces > kMaxPiecesPerCurve ? kMaxPiecesPerCurve : static_cast<int>(pieces);
}

int quadPieceCount(Point p0, Point p1, Point p2, double tolerance)
{
  // |B''| = 2·|p0 - 2p1 + p2|; error of n pieces <= |B''| / (8 n²).
  return pieceCount(length(p0 - p1 * 2 + p2), tolerance, 0.25);
}

int cubicPieceCount(Point p0, Point p1, Point p2, Point p3, double tolerance)
{
  // |B''| <= 6·max second difference; error of n pieces <= |B''| / (8 n²).
  const double deviation = std::max(length(p0 - p1 * 2 + p2), length(p1 - p2 * 2 + p3));
  return pieceCount(deviation, tolerance, 0.75);
}

bool isFinitePoint(Point p)
{
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// Signed crossings of the ray from p towards +x by the segment a-b. Half-open in y, so that a
// vertex on the ray is counted once; a point on an edge counts as inside on an upward edge
// only, which puts the minimum edges of a rectangle inside and the maximum edges outside.
int lineWinding(Point a, Point b, Point p)
{
  if (a.y <= p.y) {
    if (b.y > p.y && cross(b - a, p - a) > 0) {
      return 1;
    }
  } else if (b.y <= p.y && cross(b - a, p - a) < 0) {
    return -1;
  }
  return 0;
}

int cubicWinding(Point p0, Point p1, Point p2, Point p3, Point p, int depth)
{
  const double minY = std::min({p0.y, p1.y, p2.y, p3.y});
  const double maxY = std::max({p0.y, p1.y, p2.y, p3.y});
  if (p.y < minY || p.y > maxY) {
    return 0;
  }
  const double maxX = std::max({p0.x, p1.x, p2.x, p3.x});
  if (maxX < p.x) {
    return 0;
  }
  const double minX = std::min({p0.x, p1.x, p2.x, p3.x});
  // Entirely right of p: the ray meets the curve as often (with signs) as it meets the chord,
  // since curve and chord bound a region that cannot hold p.
  if (minX > p.x || depth == 0) {
    return lineWinding(p0, p3, p);
  }
  // Nearly straight: the chord is as good as the curve.
  const double size = std::max(maxX - minX, maxY - minY);
  if (size <= 1e-12 * (1 + std::fabs(p.x) + std::fabs(p.y))) {
    return lineWinding(p0, p3, p);
  }
  // Split at t = 1/2 (de Casteljau).
  const Point p01 = (p0 + p1) * 0.5;
  const Point p12 = (p1 + p2) * 0.5;
  const Point p23 = (p2 + p3) * 0.5;
  const Point p012 = (p01 + p12) * 0.5;
  const Point p123 = (p12 + p23) * 0.5;
  const Point mid = (p012 + p123) * 0.5;
  return cubicWinding(p0, p01, p012, mid, p, depth - 1) + cubicWinding(mid, p123, p23, p3, p, depth - 1);
}

// Entry to cubicWinding: the common cases (the curve entirely above, below or left of p) are
// answered before any other work, and a curve with a non-finite point counts for nothing.
int curveWinding(Point p0, Point p1, Point p2, Point p3, Point p)
{
  if ((p0.y > p.y && p1.y > p.y && p2.y > p.y && p3.y > p.y) ||
      (p0.y < p.y && p1.y < p.y && p2.y < p.y && p3.y < p.y) ||
      (p0.x < p.x && p1.x < p.x && p2.x < p.x && p3.x < p.x)) {
    return 0;
  }
  if (!isFinitePoint(p0) || !isFinitePoint(p1) || !isFinitePoint(p2) || !isFinitePoint(p3)) {
    return 0;
  }
  return cubicWinding(p0, p1, p2, p3, p, 40);
}

// A quadratic as the cubic of the same shape.
void quadAsCubic(Point start, Point control, Point end, Point& c1, Point& c2)
{
  c1 = start + (control - start) * (2.0 / 3.0);
  c2 = end + (control - end) * (2.0 / 3.0);
}

// Walks the path as segments with implicit closing lines: calls
// segment(type, start, points) for every drawing element (a Close gives a LineTo back to the
// subpath start) and closeImplicitly(current, start) where a subpath ends unclosed (fills treat
// every subpath as closed).
template <typename Segment, typename SubpathEnd>
void walkSegments(const std::vector<PathElement>& elements, Segment segment, SubpathEnd subpathEnd)
{
  Point current;
  Point start;
  bool open = false;  // a subpath with at least its move, not closed
  for (const PathElement& element : elements) {
    switch (element.type) {
    case PathElementType::MoveTo:
      if (open) {
        subpathEnd(current, start, false);
      }
      current = element.points[0];
      start = current;
      open = true;
      break;
    case PathElementType::CloseSubpath:
      subpathEnd(current, start, true);
      current = start;
      open = false;
      break;
    default:
      segment(element, current);
      current = element.endPoint();
      break;
    }
  }
  if (open) {
    subpathEnd(current, start, false);
  }
}

// The stroke hit test, fed with the line pieces of one subpath at a time.
class StrokeHitTester {
public:
  StrokeHitTester(Point p, const StrokeStyle& style)
      : p_(p), style_(style), halfWidth_(style.width / 2), reachSquared_(reach() * reach())
  {
  }

  // Farthest a painted point can be from the path: the miter tip or a square cap's corner.
  double reach() const
  {
    const double miter = style_.join == LineJoin::Miter ? std::max(style_.miterLimit, 1.0) : 1.0;
    return halfWidth_ * std::max(miter, std::numbers::sqrt2);
  }

  void beginSubpath(Point start)
  {
    start_ = start;
    current_ = start;
    hasFirstDirection_ = false;
    hasLastDirection_ = false;
    nextVertexIsCorner_ = true;
  }

  // One straight piece from the current point to `end`. `corner` tells whether the vertex at its
  // start joins two path elements (a join of the style) or lies inside one flattened curve
  // (a smooth bend, taken as round).
  void piece(Point end, bool corner)
  {
    const Point delta = end - current_;
    const double pieceLength = length(delta);
    if (!(pieceLength > 0)) {
      // A zero-length piece turns nothing; the corner flag carries over to the next piece.
      nextVertexIsCorner_ = nextVertexIsCorner_ || corner;
      current_ = end;
      return;
    }
    const Point direction = delta * (1 / pieceLength);
    hit_ = hit_ || hitsBody(current_, direction, pieceLength);
    if (hasLastDirection_) {
      if (corner || nextVertexIsCorner_) {
        hit_ = hit_ || hitsJoin(current_, lastDirection_, direction);
      } else {
        hit_ = hit_ || distance(p_, current_) <= halfWidth_;
      }
    }
    if (!hasFirstDirection_) {
      firstDirection_ = direction;
      hasFirstDirection_ = true;
    }
    nextVertexIsCorner_ = false;
    lastDirection_ = direction;
    hasLastDirection_ = true;
    current_ = end;
  }

  // A stretch of the path that lies wholly beyond reach of p (a curve whose control points are
  // all far on one side): its body, and the joins and caps at its ends, which stay within reach
  // of those ends, cannot be hit, so only the current point moves.
  void farPiece(Point end)
  {
    current_ = end;
    hasLastDirection_ = false;
    nextVertexIsCorner_ = true;
  }

  void endSubpath(bool closed)
  {
    if (closed) {
      piece(start_, true);
      if (hasFirstDirection_) {
        if (hasLastDirection_) {
          hit_ = hit_ || hitsJoin(start_, lastDirection_, firstDirection_);
        }
        return;
      }
    }
    if (!hasFirstDirection_) {
      // Every piece had zero length: a dot, drawn by round and square caps only.
      if (style_.cap == LineCap::Round) {
        hit_ = hit_ || distance(p_, start_) <= halfWidth_;
      } else if (style_.cap == LineCap::Square) {
        hit_ = hit_ || (std::fabs(p_.x - start_.x) <= halfWidth_ && std::fabs(p_.y - start_.y) <= halfWidth_);
      }
      return;
    }
    // After a far stretch at the start or the end, that cap is out of reach too.
    hit_ = hit_ || hitsCap(start_, firstDirection_ * -1) || (hasLastDirection_ && hitsCap(current_, lastDirection_));
  }

  Point current() const { return current_; }
  bool hit() const { return hit_; }

private:
  bool hitsBody(Point from, Point direction, double pieceLength) const
  {
    const Point q = p_ - from;
    const double along = dot(q, direction);
    return along >= 0 && along <= pieceLength && std::fabs(cross(direction, q)) <= halfWidth_;
  }

  // The cap beyond `end`, pointing along `outward`.
  bool hitsCap(Point end, Point outward) const
  {
    switch (style_.cap) {
    case LineCap::Butt:
      return false;
    case LineCap::Round:
      return distance(p_, end) <= halfWidth_;
    case LineCap::Square: {
      const Point q = p_ - end;
      const double along = dot(q, outward);
      return along >= 0 && along <= halfWidth_ && std::fabs(cross(outward, q)) <= halfWidth_;
    }
    }
    return false;
  }

  bool hitsJoin(Point vertex, Point incoming, Point outgoing) const
  {
    const Point offset = p_ - vertex;
    if (dot(offset, offset) > reachSquared_) {
      return false;  // no join reaches farther than the miter limit allows
    }
    const double turn = cross(incoming, outgoing);
    const double cosine = dot(incoming, outgoing);
    if (turn == 0 && cosine > 0) {
      return false;  // straight on: the bodies meet without a gap
    }
    if (style_.join == LineJoin::Round) {
      return distance(p_, vertex) <= halfWidth_;
    }
    // Normals on the outer side of the turn.
    const Point n1 = turn > 0 ? Point(incoming.y, -incoming.x) : Point(-incoming.y, incoming.x);
    const Point n2 = turn > 0 ? Point(outgoing.y, -outgoing.x) : Point(-outgoing.y, outgoing.x);
    const Point a = vertex + n1 * halfWidth_;
    const Point b = vertex + n2 * halfWidth_;
    if (style_.join == LineJoin::Miter && 1 + cosine > 0) {
      // Miter length over line width is 1 / sin(θ/2), θ the angle between the two pieces.
      const double ratioSquared = 2 / (1 + cosine);
      if (ratioSquared <= style_.miterLimit * style_.miterLimit) {
        const Point tip = vertex + (n1 + n2) * (halfWidth_ / (1 + cosine));
        return insideConvex({vertex, a, tip, b});
      }
    }
    return insideConvex({vertex, a, b});
  }

  // p inside or on a convex polygon given in either turning order.
  bool insideConvex(std::initializer_list<Point> corners) const
  {
    const Point* points = corners.begin();
    const size_t count = corners.size();
    bool positive = false;
    bool negative = false;
    for (size_t i = 0; i < count; ++i) {
      const double side = cross(points[(i + 1) % count] - points[i], p_ - points[i]);
      positive = positive || side > 0;
      negative = negative || side < 0;
    }
    return !(positive && negative);
  }

  Point p_;
  StrokeStyle style_;
  double halfWidth_;
  double reachSquared_;
  Point start_;
  Point current_;
  Point firstDirection_;
  Point lastDirection_;
  bool hasFirstDirection_ = false;  // of the subpath's first piece that is not far
  bool hasLastDirection_ = false;   // of the piece ending at the current point
  bool nextVertexIsCorner_ = true;
  bool hit_ = false;
};

}  // namespace

int PathElement::pointCount() const
{
  switch (type) {
  case PathElementType::MoveTo:
  case PathElementType::LineTo:
    return 1;
  case PathElementType::QuadCurveTo:
    return 2;
  case PathElementType::CurveTo:
    return 3;
  case PathElementType::CloseSubpath:
    return 0;
  }
  return 0;
}

// Building.

bool Path::startSegment(std::string_view refusal, Point end)
{
  if (elements_.empty()) {
    log(refusal, pointString(end));
    return false;
  }
  if (!subpathOpen_) {
    // After a close the next segment starts a new subpath at the closed one's start.
    moveTo(elements_[subpathStart_].points[0]);
  }
  return true;
}

Path& Path::quadCurveTo(Point control, Point end)
{
  if (!subpathOpen_ && !startSegment("Error, path quadCurveTo %@ without a current point, ignored", end)) {
    return *this;
  }
  appendElement(PathElementType::QuadCurveTo, control, end);
  return *this;
}

Path& Path::closeSubpath()
{
  if (subpathOpen_) {
    appendElement(PathElementType::CloseSubpath);
    subpathOpen_ = false;
  }
  return *this;
}

Path& Path::addRect(const Rect& rect)
{
  const Rect r = rect.standardized();
  moveTo(r.origin);
  lineTo({r.maxX(), r.minY()});
  lineTo({r.maxX(), r.maxY()});
  lineTo({r.minX(), r.maxY()});
  return closeSubpath();
}

Path& Path::addEllipse(const Rect& rect)
{
  const Rect r = rect.standardized();
  const double cx = r.midX();
  const double cy = r.midY();
  const double rx = r.size.width / 2;
  const double ry = r.size.height / 2;
  const double hx = rx * kQuarterArcHandle;
  const double hy = ry * kQuarterArcHandle;
  moveTo({cx + rx, cy});
  curveTo({cx + rx, cy + hy}, {cx + hx, cy + ry}, {cx, cy + ry});
  curveTo({cx - hx, cy + ry}, {cx - rx, cy + hy}, {cx - rx, cy});
  curveTo({cx - rx, cy - hy}, {cx - hx, cy - ry}, {cx, cy - ry});
  curveTo({cx + hx, cy - ry}, {cx + rx, cy - hy}, {cx + rx, cy});
  return closeSubpath();
}

Path& Path::addRoundedRect(const Rect& rect, double rx, double ry)
{
  const Rect r = rect.standardized();
  rx = std::min(rx, r.size.width / 2);
  ry = std::min(ry, r.size.height / 2);
  if (!(rx > 0) || !(ry > 0)) {
    return addRect(r);
  }
  const double hx = rx * (1 - kQuarterArcHandle);
  const double hy = ry * (1 - kQuarterArcHandle);
  const double x0 = r.minX();
  const double y0 = r.minY();
  const double x1 = r.maxX();
  const double y1 = r.maxY();
  auto lineIfLong = [this](Point p) {
    if (currentPoint() != p) {
      lineTo(p);
    }
  };
  moveTo({x0 + rx, y0});
  lineIfLong({x1 - rx, y0});
  curveTo({x1 - hx, y0}, {x1, y0 + hy}, {x1, y0 + ry});
  lineIfLong({x1, y1 - ry});
  curveTo({x1, y1 - hy}, {x1 - hx, y1}, {x1 - rx, y1});
  lineIfLong({x0 + rx, y1});
  curveTo({x0 + hx, y1}, {x0, y1 - hy}, {x0, y1 - ry});
  lineIfLong({x0, y0 + ry});
  curveTo({x0, y0 + hy}, {x0 + hx, y0}, {x0 + rx, y0});
  return closeSubpath();
}

Path& Path::addArc(Point center, double radius, double startAngle, double endAngle, ArcDirection direction,
                   const AffineTransform& matrix)
{
  if (!isFinitePoint(center) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle)) {
    log("Error, path arc with invalid centre %@, radius %g or angles %g, %g, ignored", pointString(center),
        radius, startAngle, endAngle);
    return *this;
  }
  // The sweep as a non-negative amount in the arc's direction. Finite angles far apart can
  // still differ by more than a double holds: that sweep has no meaning.
  double amount = direction == ArcDirection::IncreasingAngle ? endAngle - startAngle : startAngle - endAngle;
  if (!std::isfinite(amount)) {
    log("Error, path arc from angle %g to %g has no finite sweep, ignored", startAngle, endAngle);
    return *this;
  }
  if (amount >= kTwoPi) {
    amount = kTwoPi;
  } else if (amount < 0) {
    amount = std::fmod(amount, kTwoPi);
    if (amount < 0) {
      amount += kTwoPi;
    }
  }
  const double sweep = direction == ArcDirection::IncreasingAngle ? amount : -amount;
  auto onCircle = [&](double angle) {
    return matrix.apply(Point(center.x + radius * std::cos(angle), center.y + radius * std::sin(angle)));
  };

  const Point start = onCircle(startAngle);
  const std::optional<Point> current = currentPoint();
  if (!current) {
    moveTo(start);
  } else if (*current != start) {
    lineTo(start);
  } else if (!subpathOpen_) {
    moveTo(start);  // right after a close: a new subpath, without a zero-length line
  }
  if (amount == 0) {
    return *this;
  }
  // Pieces of at most a quarter turn; the small allowance keeps an exact quarter in one piece.
  const int pieces = std::max(1, static_cast<int>(std::ceil(amount / kHalfPi - 1e-9)));
  const double step = sweep / pieces;
  const double handle = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < pieces; ++i) {
    const double a0 = startAngle + step * i;
    const double a1 = i + 1 == pieces ? startAngle + sweep : startAngle + step * (i + 1);
    const Point from(std::cos(a0), std::sin(a0));
    const Point to(std::cos(a1), std::sin(a1));
    const Point c1 = from + Point(-from.y, from.x) * handle;
    const Point c2 = to - Point(-to.y, to.x) * handle;
    auto place = [&](Point unit) { return matrix.apply(center + unit * radius); };
    curveTo(place(c1), place(c2), place(to));
  }
  return *this;
}

Path& Path::addPath(const Path& other)
{
  if (other.elements_.empty()) {
    return *this;
  }
  const size_t offset = elements_.size();
  elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
  subpathStart_ = offset + other.subpathStart_;
  subpathOpen_ = other.subpathOpen_;
  return *this;
}

Path& Path::addPath(const Path& other, const AffineTransform& matrix)
{
  return addPath(other.transformed(matrix));
}

Path& Path::transform(const AffineTransform& matrix)
{
  for (PathElement& element : elements_) {
    const int count = element.pointCount();
    for (int i = 0; i < count; ++i) {
      element.points[static_cast<size_t>(i)] = matrix.apply(element.points[static_cast<size_t>(i)]);
    }
  }
  return *this;
}

Path Path::transformed(const AffineTransform& matrix) const
{
  Path copy = *this;
  copy.transform(matrix);
  return copy;
}

Path Path::flattened(double tolerance) const
{
  if (!(tolerance > 0)) {
    tolerance = 0.01;
  }
  Path result;
  result.elements_.reserve(elements_.size());
  Point current;
  for (const PathElement& element : elements_) {
    switch (element.type) {
    case PathElementType::MoveTo:
      result.moveTo(element.points[0]);
      break;
    case PathElementType::LineTo:
      result.lineTo(element.points[0]);
      break;
    case PathElementType::QuadCurveTo: {
      const int pieces = quadPieceCount(current, element.points[0], element.points[1], tolerance);
      for (int i = 1; i < pieces; ++i) {
        result.lineTo(quadPoint(current, element.points[0], element.points[1], static_cast<double>(i) / pieces));
      }
      result.lineTo(element.points[1]);
      break;
    }
    case PathElementType::CurveTo: {
      const auto& pts = element.points;
      const int pieces = cubicPieceCount(current, pts[0], pts[1], pts[2], tolerance);
      for (int i = 1; i < pieces; ++i) {
        result.lineTo(cubicPoint(current, pts[0], pts[1], pts[2], static_cast<double>(i) / pieces));
      }
      result.lineTo(pts[2]);
      break;
    }
    case PathElementType::CloseSubpath:
      result.closeSubpath();
      break;
    }
    current = element.type == PathElementType::CloseSubpath ? *result.currentPoint() : element.endPoint();
  }
  return result;
}

// Reading.

std::optional<Point> Path::currentPoint() const
{
  if (elements_.empty()) {
    return std::nullopt;
  }
  if (!subpathOpen_) {
    return elements_[subpathStart_].points[0];
  }
  return elements_.back().endPoint();
}

bool Path::isClosed() const
{
  bool anyDrawing = false;
  bool segmentsInSubpath = false;
  for (const PathElement& element : elements_) {
    switch (element.type) {
    case PathElementType::MoveTo:
      if (segmentsInSubpath) {
        return false;  // the previous subpath drew and ended without a close
      }
      break;
    case PathElementType::CloseSubpath:
      segmentsInSubpath = false;
      anyDrawing = true;
      break;
    default:
      segmentsInSubpath = true;
      anyDrawing = true;
      break;
    }
  }
  return anyDrawing && !segmentsInSubpath;
}

bool Path::isFinite() const
{
  for (const PathElement& element : elements_) {
    const int count = element.pointCount();
    for (int i = 0; i < count; ++i) {
      if (!isFinitePoint(element.points[static_cast<size_t>(i)])) {
        return false;
      }
    }
  }
  return true;
}

std::optional<Rect> Path::bounds() const
{
  return tightBounds(elements_, [](Point p) { return p; });
}

std::optional<Rect> Path::bounds(const AffineTransform& matrix) const
{
  if (matrix.isIdentity()) {
    return bounds();
  }
  return tightBounds(elements_, [&matrix](Point p) { return matrix.apply(p); });
}

std::optional<Rect> Path::controlPointBounds() const
{
  BoxBuilder box;
  Point current;
  for (const PathElement& element : elements_) {
    if (element.type == PathElementType::MoveTo) {
      current = element.points[0];
      continue;
    }
    box.add(current);
    const int count = element.pointCount();
    for (int i = 0; i < count; ++i) {
      box.add(element.points[static_cast<size_t>(i)]);
    }
    if (element.type != PathElementType::CloseSubpath) {
      current = element.endPoint();
    }
  }
  if (box.hasPoints()) {
    return box.box();
  }
  for (const PathElement& element : elements_) {
    box.add(element.points[0]);
  }
  return box.box();
}

bool Path::contains(Point p, FillRule rule) const
{
  if (!isFinitePoint(p)) {
    return false;
  }
  int winding = 0;
  walkSegments(
      elements_,
      [&](const PathElement& element, Point current) {
        const auto& pts = element.points;
        switch (element.type) {
        case PathElementType::LineTo:
          winding += lineWinding(current, pts[0], p);
          break;
        case PathElementType::QuadCurveTo: {
          Point c1;
          Point c2;
          quadAsCubic(current, pts[0], pts[1], c1, c2);
          winding += curveWinding(current, c1, c2, pts[1], p);
          break;
        }
        case PathElementType::CurveTo:
          winding += curveWinding(current, pts[0], pts[1], pts[2], p);
          break;
        default:
          break;
        }
      },
      [&](Point current, Point start, bool) { winding += lineWinding(current, start, p); });
  return rule == FillRule::EvenOdd ? (winding % 2) != 0 : winding != 0;
}

bool Path::strokeContains(Point p, const StrokeStyle& style) const
{
  if (!(style.width > 0) || !isFinitePoint(p) || elements_.empty()) {
    return false;
  }
  StrokeHitTester tester(p, style);
  const double reach = tester.reach();
  // Curves are followed to a fraction of the line width: the painted edge moves by at most that.
  const double tolerance = std::max(style.width * 0.005, 1e-9);
  // All four points lie beyond p's reach on one side.
  const double left = p.x - reach;
  const double right = p.x + reach;
  const double top = p.y - reach;
  const double bottom = p.y + reach;
  auto farFrom = [&](Point a, Point b, Point c, Point d) {
    return (a.x < left && b.x < left && c.x < left && d.x < left) ||
           (a.x > right && b.x > right && c.x > right && d.x > right) ||
           (a.y < top && b.y < top && c.y < top && d.y < top) ||
           (a.y > bottom && b.y > bottom && c.y > bottom && d.y > bottom);
  };

  bool open = false;
  for (const PathElement& element : elements_) {
    const auto& pts = element.points;
    const Point current = tester.current();
    switch (element.type) {
    case PathElementType::MoveTo:
      if (open) {
        tester.endSubpath(false);
      }
      tester.beginSubpath(pts[0]);
      open = true;
      break;
    case PathElementType::LineTo:
      tester.piece(pts[0], true);
      break;
    case PathElementType::QuadCurveTo:
      if (farFrom(current, pts[0], pts[1], pts[1])) {
        // Nothing of this curve, nor of the joins at its ends, can reach p.
        tester.farPiece(pts[1]);
      } else {
        const int pieces = quadPieceCount(current, pts[0], pts[1], tolerance);
        for (int i = 1; i <= pieces; ++i) {
          const Point q = i == pieces ? pts[1] : quadPoint(current, pts[0], pts[1], static_cast<double>(i) / pieces);
          tester.piece(q, i == 1);
        }
      }
      break;
    case PathElementType::CurveTo:
      if (farFrom(current, pts[0], pts[1], pts[2])) {
        tester.farPiece(pts[2]);
      } else {
        const int pieces = cubicPieceCount(current, pts[0], pts[1], pts[2], tolerance);
        for (int i = 1; i <= pieces; ++i) {
          const Point q =
              i == pieces ? pts[2] : cubicPoint(current, pts[0], pts[1], pts[2], static_cast<double>(i) / pieces);
          tester.piece(q, i == 1);
        }
      }
      break;
    case PathElementType::CloseSubpath:
      tester.endSubpath(true);
      open = false;
      break;
    }
    if (tester.hit()) {
      return true;
    }
  }
  if (open) {
    tester.endSubpath(false);
  }
  return tester.hit();
}

}  // namespace pf
