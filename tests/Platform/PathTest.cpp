#include "Platform/Path.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/Log.h"

namespace {

using pf::ArcDirection;
using pf::FillRule;
using pf::LineCap;
using pf::LineJoin;
using pf::Path;
using pf::PathElementType;
using pf::Point;
using pf::Rect;

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Path polyline(std::initializer_list<Point> points, bool closed)
{
  Path path;
  bool first = true;
  for (Point p : points) {
    first ? path.moveTo(p) : path.lineTo(p);
    first = false;
  }
  if (closed) {
    path.closeSubpath();
  }
  return path;
}

using testsupport::QuietLog;

// The box of many points along every segment: what a tight box must match.
Rect sampledBox(const Path& path)
{
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  auto add = [&](Point p) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  };
  const Path flat = path.flattened(1e-9);
  Point current;
  for (const auto& element : flat.elements()) {
    if (element.type == PathElementType::LineTo) {
      add(current);
      add(element.points[0]);
    }
    if (element.type != PathElementType::CloseSubpath) {
      current = element.endPoint();
    }
  }
  return Rect(x0, y0, x1 - x0, y1 - y0);
}

void expectRectNear(const Rect& actual, const Rect& expected, double tolerance)
{
  EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
  EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
  EXPECT_NEAR(actual.maxX(), expected.maxX(), tolerance);
  EXPECT_NEAR(actual.maxY(), expected.maxY(), tolerance);
}

TEST(PathBounds, CurveExtremaNotControlPoints)
{
  const struct {
    const char* name;
    std::function<Path()> build;
    Rect tight;
    Rect controls;
  } cases[] = {
      {"cubic arch", [] { return Path().moveTo({0, 0}).curveTo({0, 10}, {10, 10}, {10, 0}); }, {0, 0, 10, 7.5},
       {0, 0, 10, 10}},
      {"quadratic arch", [] { return Path().moveTo({0, 0}).quadCurveTo({5, 10}, {10, 0}); }, {0, 0, 10, 5},
       {0, 0, 10, 10}},
      {"cubic S beyond both ends in x",
       [] { return Path().moveTo({0, 0}).curveTo({60, 0}, {-50, 10}, {10, 10}); }, {}, {-50, 0, 110, 10}},
      {"cubic with a cusp", [] { return Path().moveTo({0, 0}).curveTo({10, 10}, {0, 10}, {10, 0}); }, {},
       {0, 0, 10, 10}},
      {"quadratic, control on the chord", [] { return Path().moveTo({0, 0}).quadCurveTo({5, 5}, {10, 10}); },
       {0, 0, 10, 10}, {0, 0, 10, 10}},
      {"circle", [] { return Path().addEllipse({-3, -4, 6, 8}); }, {-3, -4, 6, 8}, {-3, -4, 6, 8}},
      {"half circle arc", [] { return Path().addArc({0, 0}, 10, 0, kPi, ArcDirection::IncreasingAngle); },
       {-10, 0, 20, 10}, {-10, 0, 20, 10}},
      {"arc of 60 degrees",
       [] { return Path().addArc({0, 0}, 10, -kPi / 6, kPi / 6, ArcDirection::IncreasingAngle); }, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Path path = c.build();
    const auto tight = path.bounds();
    const auto controls = path.controlPointBounds();
    ASSERT_TRUE(tight.has_value());
    ASSERT_TRUE(controls.has_value());
    // The extrema are found, not sampled: the box holds every sample and is not larger than
    // the samples by more than their spacing allows.
    const Rect samples = sampledBox(path);
    EXPECT_TRUE(tight->insetBy(-1e-12, -1e-12).contains(samples));
    expectRectNear(*tight, samples, 1e-5);
    if (c.tight != Rect()) {
      expectRectNear(*tight, c.tight, 1e-9);
    }
    if (c.controls != Rect()) {
      expectRectNear(*controls, c.controls, 1e-9);
    }
    EXPECT_TRUE(controls->insetBy(-1e-9, -1e-9).contains(*tight));
  }
}

TEST(PathBounds, EmptyAndLoneMoves)
{
  EXPECT_EQ(Path().bounds(), std::nullopt);
  EXPECT_EQ(Path().controlPointBounds(), std::nullopt);
  // A one-point polygon measures as a zero-size box at its point.
  EXPECT_EQ(Path().moveTo({5, -3}).bounds(), Rect(5, -3, 0, 0));
  EXPECT_EQ(Path().moveTo({0, 0}).moveTo({4, 2}).controlPointBounds(), Rect(0, 0, 4, 2));
  // Moves that start no segment do not stretch a drawn box.
  const Path trailing = Path().moveTo({0, 0}).lineTo({10, 10}).moveTo({100, 100});
  EXPECT_EQ(trailing.bounds(), Rect(0, 0, 10, 10));
  EXPECT_EQ(trailing.controlPointBounds(), Rect(0, 0, 10, 10));
  EXPECT_EQ(Path().moveTo({-50, -50}).moveTo({0, 0}).lineTo({1, 2}).bounds(), Rect(0, 0, 1, 2));
  // The zero-length segment of a zero-angle circle segment still has its place.
  EXPECT_EQ(Path().moveTo({0, -4}).lineTo({0, -4}).bounds(), Rect(0, -4, 0, 0));
  EXPECT_EQ(Path().moveTo({2, 2}).closeSubpath().bounds(), Rect(2, 2, 0, 0));
}

TEST(PathBounds, FollowTransformedCopies)
{
  const Path square = Path().addRect({-5, -5, 10, 10});
  const auto turn = pf::AffineTransform::rotation(kPi / 4);
  const Path turned = square.transformed(turn);
  const double half = 5 * std::numbers::sqrt2;
  expectRectNear(*turned.bounds(), {-half, -half, 2 * half, 2 * half}, 1e-12);
  EXPECT_EQ(square.bounds(turn), turned.bounds());
  // The source is a value: transforming a copy leaves it alone.
  EXPECT_EQ(square.bounds(), Rect(-5, -5, 10, 10));
  // A circle under a non-uniform scale is an ellipse with the scaled box.
  const Path ellipse = Path().addEllipse({-1, -1, 2, 2}).transformed(pf::AffineTransform::scaling(3, 0.5));
  expectRectNear(*ellipse.bounds(), {-3, -0.5, 6, 1}, 1e-12);
  // A turned circle keeps its box; the turned box of the circle would be larger.
  const Path circle = Path().addEllipse({-1, -1, 2, 2});
  expectRectNear(*circle.bounds(pf::AffineTransform::rotation(0.3)), {-1, -1, 2, 2}, 1e-3);
  EXPECT_EQ(Path().bounds(turn), std::nullopt);
  EXPECT_EQ(Path().moveTo({1, 0}).bounds(turn), Rect(turn.apply(Point(1, 0)), pf::Size()));
}

struct ContainmentCase {
  const char* name;
  Point point;
  bool nonZero;
  bool evenOdd;
};

void checkContainment(const Path& path, std::initializer_list<ContainmentCase> cases)
{
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(path.contains(c.point, FillRule::NonZero), c.nonZero);
    EXPECT_EQ(path.contains(c.point, FillRule::EvenOdd), c.evenOdd);
  }
}

TEST(PathContains, NestedShapesByTurningSense)
{
  // Two squares turning the same way: non-zero fills the inner one, even-odd makes a hole.
  Path same;
  same.addRect({0, 0, 10, 10}).addRect({3, 3, 4, 4});
  checkContainment(same, {{"ring", {1, 1}, true, true},
                          {"hole", {5, 5}, true, false},
                          {"outside", {11, 5}, false, false}});

  // The inner square drawn the other way round is a hole under both rules.
  Path opposite;
  opposite.addRect({0, 0, 10, 10});
  opposite.addPath(polyline({{3, 3}, {3, 7}, {7, 7}, {7, 3}}, true));
  checkContainment(opposite, {{"ring", {1, 1}, true, true}, {"hole", {5, 5}, false, false}});

  // Circles: curves are followed exactly, not by their control polygon.
  Path rings;
  rings.addEllipse({-10, -10, 20, 20}).addEllipse({-5, -5, 10, 10});
  checkContainment(rings, {{"just inside the outer circle", {9.99 / std::numbers::sqrt2, 9.99 / std::numbers::sqrt2}, true, true},
                           {"just outside it", {10.01 / std::numbers::sqrt2, 10.01 / std::numbers::sqrt2}, false, false},
                           {"inside the control polygon only", {9.5, 9.5}, false, false},
                           {"inner disc", {0, 4.9}, true, false},
                           {"between the circles", {0, 5.1}, true, true}});
}

TEST(PathContains, SelfIntersectingShapes)
{
  // A pentagram: the centre is wound twice.
  Path star;
  for (int k = 0; k < 5; ++k) {
    const double angle = -kPi / 2 + k * 4 * kPi / 5;
    const Point p(10 * std::cos(angle), 10 * std::sin(angle));
    k == 0 ? star.moveTo(p) : star.lineTo(p);
  }
  star.closeSubpath();
  checkContainment(star, {{"centre", {0, 0}, true, false},
                          {"a point of the star", {0, -8}, true, true},
                          {"between two points", {0, 9}, false, false}});

  // A bow tie: both lobes are filled under both rules, with opposite windings.
  const Path bowTie = polyline({{0, 0}, {10, 10}, {10, 0}, {0, 10}}, true);
  checkContainment(bowTie, {{"left lobe", {2, 5}, true, true},
                            {"right lobe", {8, 5}, true, true},
                            {"above the crossing", {5, 2}, false, false}});

  // An open triangle is filled as if closed; a later subpath does not close it through itself.
  Path open = polyline({{0, 0}, {10, 0}, {0, 10}}, false);
  open.moveTo({20, 20}).lineTo({30, 20});
  checkContainment(open, {{"inside", {2, 2}, true, true}, {"beyond the hypotenuse", {6, 6}, false, false}});
}

TEST(PathContains, EdgesAndBadInput)
{
  const Path square = Path().addRect({0, 0, 10, 10});
  checkContainment(square, {{"minimum corner", {0, 0}, true, true},
                            {"maximum edge", {10, 5}, false, false},
                            {"bottom edge", {5, 10}, false, false},
                            {"NaN", {kNaN, 5}, false, false}});
  EXPECT_FALSE(Path().contains({0, 0}, FillRule::NonZero));
  EXPECT_FALSE(Path().moveTo({0, 0}).lineTo({10, 0}).contains({5, 0}, FillRule::NonZero));

  // A NaN curve neither crashes nor loops.
  Path broken;
  broken.moveTo({0, 0}).curveTo({kNaN, 0}, {10, 10}, {0, 10}).closeSubpath();
  EXPECT_FALSE(broken.isFinite());
  EXPECT_FALSE(broken.contains({1, 5}, FillRule::NonZero));
}

struct StrokeCase {
  const char* name;
  Point point;
  bool hit;
};

void checkStroke(const Path& path, const pf::StrokeStyle& style, std::initializer_list<StrokeCase> cases)
{
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(path.strokeContains(c.point, style), c.hit);
  }
}

TEST(PathStroke, CapsAtOpenEnds)
{
  const Path line = Path().moveTo({0, 0}).lineTo({10, 0});
  checkStroke(line, {2, LineCap::Butt},
              {{"on the line", {5, 0}, true},
               {"inside the half width", {5, 0.99}, true},
               {"beyond the half width", {5, -1.01}, false},
               {"behind a butt end", {-0.1, 0}, false},
               {"beyond the far butt end", {10.1, 0}, false}});
  checkStroke(line, {2, LineCap::Square},
              {{"square cap corner", {-0.99, 0.99}, true},
               {"beyond the square cap", {-1.01, 0}, false},
               {"far end square cap", {10.99, -0.99}, true}});
  checkStroke(line, {2, LineCap::Round},
              {{"round cap tip", {-0.99, 0}, true},
               {"outside the round cap, inside its square", {-0.8, 0.8}, false},
               {"far end round cap", {10.7, 0.7}, true}});
  // The element's hit width for an open path with stroke width 1 is 5.
  checkStroke(line, {5, LineCap::Butt}, {{"2.4 from the line", {5, 2.4}, true}, {"2.6 from it", {5, -2.6}, false}});
}

TEST(PathStroke, JoinsAtCorners)
{
  // A right-angle corner at (10, 0); the outer side is towards (+x, -y).
  const Path corner = Path().moveTo({0, 0}).lineTo({10, 0}).lineTo({10, 10});
  const struct {
    const char* name;
    LineJoin join;
    double miterLimit;
    Point point;
    bool hit;
  } cases[] = {
      {"miter tip", LineJoin::Miter, 10, {10.95, -0.95}, true},
      {"miter tip cut by limit 1", LineJoin::Miter, 1, {10.95, -0.95}, false},
      {"limit 1 still bevels", LineJoin::Miter, 1, {10.4, -0.4}, true},
      {"bevel keeps the triangle", LineJoin::Bevel, 10, {10.4, -0.4}, true},
      {"bevel cuts the corner", LineJoin::Bevel, 10, {10.6, -0.6}, false},
      {"round reaches the half width", LineJoin::Round, 10, {10.6, -0.6}, true},
      {"round stays inside it", LineJoin::Round, 10, {10.9, -0.9}, false},
      {"inner side of the corner", LineJoin::Bevel, 10, {9.5, 0.5}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(corner.strokeContains(c.point, {2, LineCap::Butt, c.join, c.miterLimit}), c.hit);
  }

  // A sharp spike (about 11 degrees): its miter exceeds the default limit of 10 and is bevelled.
  const Path spike = Path().moveTo({0, 0}).lineTo({10, 1}).lineTo({0, 2});
  EXPECT_FALSE(spike.strokeContains({14, 1}, {2, LineCap::Butt, LineJoin::Miter, 10}));
  EXPECT_TRUE(spike.strokeContains({14, 1}, {2, LineCap::Butt, LineJoin::Miter, 20}));
}

TEST(PathStroke, ClosedSubpathsJoinAtTheirStart)
{
  // The start corner of a closed square is joined, an unclosed one ends in caps.
  const Path closed = Path().addRect({0, 0, 10, 10});
  const Path open = polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, false);
  const pf::StrokeStyle miter{2, LineCap::Butt, LineJoin::Miter, 10};
  EXPECT_TRUE(closed.strokeContains({-0.9, -0.9}, miter));
  EXPECT_FALSE(open.strokeContains({-0.9, -0.9}, miter));
  EXPECT_TRUE(closed.strokeContains({10.9, 10.9}, miter));
  EXPECT_FALSE(closed.strokeContains({5, 5}, miter));
}

TEST(PathStroke, CurvesDotsAndBadWidths)
{
  const Path circle = Path().addEllipse({-10, -10, 20, 20});
  const pf::StrokeStyle style{2};
  const double diagonal = 1 / std::numbers::sqrt2;
  checkStroke(circle, style,
              {{"outer edge", {10.95 * diagonal, 10.95 * diagonal}, true},
               {"past the outer edge", {11.05 * diagonal, -11.05 * diagonal}, false},
               {"inner edge", {0, -9.05}, true},
               {"past the inner edge", {-8.95, 0}, false},
               {"centre", {0, 0}, false}});

  // A zero-length subpath is a dot under round and square caps, nothing under butt caps.
  const Path dot = Path().moveTo({3, 3}).lineTo({3, 3});
  EXPECT_TRUE(dot.strokeContains({3.9, 3}, {2, LineCap::Round}));
  EXPECT_FALSE(dot.strokeContains({3.8, 3.8}, {2, LineCap::Round}));
  EXPECT_TRUE(dot.strokeContains({3.9, 3.9}, {2, LineCap::Square}));
  EXPECT_FALSE(dot.strokeContains({3, 3}, {2, LineCap::Butt}));

  const Path line = Path().moveTo({0, 0}).lineTo({10, 0});
  EXPECT_FALSE(line.strokeContains({5, 0}, {0}));
  EXPECT_FALSE(line.strokeContains({5, 0}, {kNaN}));
  EXPECT_FALSE(line.strokeContains({kNaN, 0}, {2}));
}

TEST(PathBuilding, SubpathRules)
{
  const QuietLog quiet;
  // A segment without a current point is refused.
  Path path;
  path.lineTo({1, 1}).curveTo({1, 1}, {2, 2}, {3, 3}).closeSubpath();
  EXPECT_TRUE(path.isEmpty());
  EXPECT_EQ(path.currentPoint(), std::nullopt);

  // After a close the current point is the subpath start, and a new segment starts a new
  // subpath there with an explicit move.
  path.moveTo({1, 1}).lineTo({5, 1}).lineTo({5, 5}).closeSubpath();
  EXPECT_EQ(path.currentPoint(), Point(1, 1));
  EXPECT_TRUE(path.isClosed());
  path.lineTo({0, 9});
  ASSERT_EQ(path.elementCount(), 6u);
  EXPECT_EQ(path.elements()[4].type, PathElementType::MoveTo);
  EXPECT_EQ(path.elements()[4].points[0], Point(1, 1));
  EXPECT_FALSE(path.isClosed());
  // A second close in a row adds nothing.
  path.closeSubpath().closeSubpath();
  EXPECT_EQ(path.elementCount(), 7u);

  // Rectangles start at the minimum corner and run along +x first, whatever the size's sign.
  const Path rect = Path().addRect({10, 10, -4, -2});
  ASSERT_EQ(rect.elementCount(), 5u);
  const Point expected[] = {{6, 8}, {10, 8}, {10, 10}, {6, 10}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(rect.elements()[static_cast<size_t>(i)].points[0], expected[i]);
  }
  EXPECT_EQ(rect.elements()[4].type, PathElementType::CloseSubpath);
  EXPECT_FALSE(Path().moveTo({0, 0}).isClosed());
  EXPECT_TRUE(Path().moveTo({0, 0}).closeSubpath().isClosed());
  EXPECT_FALSE(Path().addRect({0, 0, 1, 1}).moveTo({5, 5}).lineTo({6, 6}).isClosed());
}

TEST(PathBuilding, ArcsInQuarterPieces)
{
  const QuietLog quiet;
  const struct {
    const char* name;
    double start;
    double end;
    ArcDirection direction;
    int curves;
    double sweep;  // signed, radians
  } cases[] = {
      {"quarter", 0, kPi / 2, ArcDirection::IncreasingAngle, 1, kPi / 2},
      {"just over a quarter", 0, kPi / 2 + 0.01, ArcDirection::IncreasingAngle, 2, kPi / 2 + 0.01},
      {"full turn", 0, 2 * kPi, ArcDirection::IncreasingAngle, 4, 2 * kPi},
      {"more than a full turn draws one", 0, 7 * kPi, ArcDirection::IncreasingAngle, 4, 2 * kPi},
      {"end behind start goes on past the turn", 0, -kPi / 2, ArcDirection::IncreasingAngle, 3, 3 * kPi / 2},
      {"decreasing", 0, -kPi / 2, ArcDirection::DecreasingAngle, 1, -kPi / 2},
      {"decreasing the long way", 0, kPi / 2, ArcDirection::DecreasingAngle, 3, -3 * kPi / 2},
      {"zero sweep", 1, 1, ArcDirection::IncreasingAngle, 0, 0},
  };
  const Point center(2, 3);
  const double radius = 5;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Path arc = Path().addArc(center, radius, c.start, c.end, c.direction);
    ASSERT_EQ(arc.elementCount(), static_cast<size_t>(c.curves + 1));
    EXPECT_EQ(arc.elements()[0].type, PathElementType::MoveTo);
    const Point end = *arc.currentPoint();
    EXPECT_NEAR(end.x, center.x + radius * std::cos(c.start + c.sweep), 1e-12);
    EXPECT_NEAR(end.y, center.y + radius * std::sin(c.start + c.sweep), 1e-12);
    // Every piece stays on the circle (a cubic quarter is off by at most 0.03 % of the radius)
    // and turns in the arc's direction.
    Point from = arc.elements()[0].points[0];
    for (size_t i = 1; i < arc.elementCount(); ++i) {
      const auto& piece = arc.elements()[i];
      ASSERT_EQ(piece.type, PathElementType::CurveTo);
      const Point middle = (from + piece.points[0] * 3 + piece.points[1] * 3 + piece.points[2]) * 0.125;
      EXPECT_NEAR(pf::distance(middle, center), radius, radius * 3e-4);
      EXPECT_EQ(pf::cross(middle - from, piece.points[2] - middle) > 0, c.sweep > 0);
      from = piece.points[2];
    }
  }

  // With a current point, a line joins it to the arc's start; under a matrix the arc is an
  // ellipse.
  Path joined;
  joined.moveTo({0, 0}).addArc({0, 0}, 1, 0, kPi, ArcDirection::IncreasingAngle, pf::AffineTransform::scaling(4, 2));
  EXPECT_EQ(joined.elements()[1].type, PathElementType::LineTo);
  EXPECT_EQ(joined.elements()[1].points[0], Point(4, 0));
  expectRectNear(*joined.bounds(), {-4, 0, 8, 2}, 1e-12);

  // Non-finite arguments add nothing.
  Path refused;
  refused.addArc({0, 0}, kNaN, 0, 1, ArcDirection::IncreasingAngle);
  refused.addArc({0, 0}, 1, 0, INFINITY, ArcDirection::IncreasingAngle);
  // Finite angles whose difference overflows, in either direction.
  refused.addArc({0, 0}, 1, -1e308, 1e308, ArcDirection::IncreasingAngle);
  refused.addArc({0, 0}, 1, 1e308, -1e308, ArcDirection::IncreasingAngle);
  refused.addArc({0, 0}, 1, -1e308, 1e308, ArcDirection::DecreasingAngle);
  EXPECT_TRUE(refused.isEmpty());

  // Huge angles that do differ finitely still make at most one full turn.
  const Path huge = Path().addArc({0, 0}, 1, -1e300, 1e300, ArcDirection::IncreasingAngle);
  EXPECT_LE(huge.elements().size(), 5u);
}

TEST(PathBuilding, EllipsesAndRoundedRects)
{
  const Path ellipse = Path().addEllipse({0, 0, 8, 4});
  EXPECT_EQ(ellipse.elements()[0].points[0], Point(8, 2));
  EXPECT_EQ(ellipse.elements()[1].points[2], Point(4, 4));  // towards increasing angles first
  EXPECT_TRUE(ellipse.isClosed());

  // Radii clamp to half the sides; a rounded rect fills like its rectangle away from corners.
  const Path rounded = Path().addRoundedRect({0, 0, 20, 10}, 30, 2);
  EXPECT_EQ(rounded.bounds(), Rect(0, 0, 20, 10));
  EXPECT_TRUE(rounded.contains({10, 0.5}, FillRule::NonZero));
  EXPECT_FALSE(rounded.contains({0.2, 0.1}, FillRule::NonZero));
  EXPECT_EQ(Path().addRoundedRect({0, 0, 20, 10}, 0, 5), Path().addRect({0, 0, 20, 10}));
}

TEST(PathFlattening, StaysWithinTolerance)
{
  Path path;
  path.moveTo({0, 0}).curveTo({50, -40}, {-10, 90}, {100, 30}).quadCurveTo({0, 100}, {0, 0}).closeSubpath();
  for (double tolerance : {1.0, 0.1, 0.001}) {
    SCOPED_TRACE(tolerance);
    const Path flat = path.flattened(tolerance);
    EXPECT_TRUE(flat.isClosed());
    // Every flattened vertex is on the true curve, so the box can only shrink, by at most the
    // tolerance.
    const Rect exact = *path.bounds();
    const Rect approximate = *flat.bounds();
    EXPECT_TRUE(exact.insetBy(-1e-9, -1e-9).contains(approximate));
    EXPECT_TRUE(approximate.insetBy(-tolerance, -tolerance).contains(exact));
    for (const auto& element : flat.elements()) {
      EXPECT_NE(element.type, PathElementType::CurveTo);
      EXPECT_NE(element.type, PathElementType::QuadCurveTo);
    }
  }
  // A bad tolerance falls back to a fine one instead of dividing by zero.
  EXPECT_GT(path.flattened(0).elementCount(), 10u);
  EXPECT_GT(path.flattened(kNaN).elementCount(), 10u);
}

}  // namespace
