#include "MorvNode/Elements/MVElementPath.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

#include <gtest/gtest.h>

#include "ElementTestSupport.h"
#include "MorvNode/Elements/BezierPathCGUtilities.h"
#include "Platform/Font.h"

namespace {

using elementtest::expectNear;
using elementtest::LogCapture;

constexpr double kPi = std::numbers::pi;

std::vector<pf::PathElementType> types(const pf::Path& path)
{
  std::vector<pf::PathElementType> result;
  for (const auto& element : path.elements()) {
    result.push_back(element.type);
  }
  return result;
}

pf::Point onCircle(double radius, double degrees)
{
  return {radius * std::cos(degrees / 180 * kPi), radius * std::sin(degrees / 180 * kPi)};
}

TEST(MVElementPathFactories, BoxesOfEveryShape)
{
  const double s45 = 10 * std::sqrt(0.5);
  const double star = 10 * std::cos(18.0 / 180 * kPi);  // outer points at 342 and 198 degrees
  const struct {
    const char* name;
    std::function<pf::Path()> make;
    pf::Rect box;
  } cases[] = {
      {"circle", [] { return MVElementPath::cgPathForCircleWithRadius(10); }, {-10, -10, 20, 20}},
      {"ellipse", [] { return MVElementPath::cgPathForEllipseWithWidth(30, 10); }, {-15, -5, 30, 10}},
      {"square", [] { return MVElementPath::cgPathForSquareWithSide(8); }, {-4, -4, 8, 8}},
      {"rectangle", [] { return MVElementPath::cgPathForRectangleWithWidth(30, 10); }, {-15, -5, 30, 10}},
      {"right triangle", [] { return MVElementPath::cgPathForRightTriangleWithWidth(30, 10); }, {-15, -5, 30, 10}},
      {"parallelogram", [] { return MVElementPath::cgPathForParallelogramWithWidth(20, 10, 4); }, {-12, -5, 24, 10}},
      {"trapezoid", [] { return MVElementPath::cgPathForTrapeziodWithWidth(20, 10, 3); }, {-13, -5, 26, 10}},
      {"line", [] { return MVElementPath::cgPathForLineFromX(1, 2, 5, -3); }, {1, -3, 4, 5}},
      {"arc", [] { return MVElementPath::cgPathForCircleSegmentWithRadius(10, kPi / 2, false); },
       {-s45, -10, 2 * s45, 10 - s45}},
      {"pie slice", [] { return MVElementPath::cgPathForCircleSegmentWithRadius(10, kPi / 2, true); },
       {-s45, -10, 2 * s45, 10}},
      {"ring segment", [] { return MVElementPath::cgPathForCircleSegmentWedgeWithInnerRadius(5, 10, kPi); },
       {-10, -10, 20, 10}},
      {"thin ring segment", [] { return MVElementPath::cgPathForCircleSegmentWedgeWithInnerRadius(5, 10, 0); },
       {0, -10, 0, 5}},
      {"polygon", [] { return MVElementPath::cgPathForPolygonWithRadius(10, 4); }, {-10, -10, 20, 20}},
      {"rounded polygon", [] { return MVElementPath::cgPathForRoundedPolygonWithRadius(10, 4, 0); },
       {-10, -10, 20, 20}},
      {"round polygon", [] { return MVElementPath::cgPathForRoundedPolygonWithRadius(10, 4, 1); },
       {-10, -10, 20, 20}},
      {"star", [] { return MVElementPath::cgPathForRoundedStarWithOuterRadius(10, 5, 5, 0, 0); },
       {-star, -10, 2 * star, 10 + 10 * std::sin(54.0 / 180 * kPi)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<pf::Rect> box = c.make().bounds();
    ASSERT_TRUE(box.has_value());
    // Cubic circle approximations stray a little from the circle.
    expectNear(*box, c.box, c.name == std::string("round polygon") ? 0.1 : 1e-3);
  }
}

// Stars of one count share their point directions: a star of another count, or one of more
// points than are kept, in between must not change the next star of the first count, and every
// point lies exactly where its own cosine and sine put it.
TEST(MVElementPathFactories, StarsOfChangingCountsAreExact)
{
  const auto star = [](int sides, double rounding) {
    return MVElementPath::cgPathForRoundedStarWithOuterRadius(10, 4, sides, rounding, rounding);
  };
  for (const double rounding : {0.0, 0.5}) {
    SCOPED_TRACE(rounding);
    const pf::Path five = star(5, rounding);
    const pf::Path three = star(3, rounding);
    EXPECT_EQ(star(5, rounding), five);
    EXPECT_EQ(star(3, rounding), three);
    const pf::Path many = star(2000, rounding);
    EXPECT_EQ(star(5, rounding), five);
    for (const auto& [path, sides] : {std::pair{&five, 5}, std::pair{&three, 3}, std::pair{&many, 2000}}) {
      const int points = 2 * sides;
      ASSERT_EQ(path->elementCount(), static_cast<std::size_t>(points) + 2);
      for (const int j : {1, 2, points / 2 + 1, points}) {
        const double angle = 2 * kPi / points * j + kPi / 2;
        const double radius = j % 2 == 1 ? 10 : 4;
        const pf::Point expected(radius * std::cos(angle), radius * std::sin(angle));
        EXPECT_EQ(path->elements()[static_cast<std::size_t>(j)].endPoint(), expected) << sides << " sides, point " << j;
      }
    }
  }
}

TEST(MVElementPathFactories, DegenerateShapes)
{
  using T = pf::PathElementType;
  // A segment below 0.001 radians is its radius line.
  const pf::Path thinWedge = MVElementPath::cgPathForCircleSegmentWithRadius(10, 0.0005, true);
  EXPECT_EQ(types(thinWedge), (std::vector<T>{T::MoveTo, T::LineTo, T::CloseSubpath}));
  EXPECT_EQ(thinWedge.elements()[0].points[0], pf::Point(0, 0));
  EXPECT_EQ(thinWedge.elements()[1].points[0], pf::Point(0, -10));
  const pf::Path thinArc = MVElementPath::cgPathForCircleSegmentWithRadius(10, -0.0005, false);
  EXPECT_EQ(types(thinArc), (std::vector<T>{T::MoveTo, T::LineTo}));

  // Fewer than two sides: the starting point only; no star points: the start, closed.
  EXPECT_EQ(types(MVElementPath::cgPathForPolygonWithRadius(10, 1)), std::vector<T>{T::MoveTo});
  EXPECT_EQ(types(MVElementPath::cgPathForPolygonWithRadius(10, -3)), std::vector<T>{T::MoveTo});
  EXPECT_EQ(types(MVElementPath::cgPathForRoundedPolygonWithRadius(10, 1, 0)), std::vector<T>{T::MoveTo});
  EXPECT_EQ(types(MVElementPath::cgPathForRoundedPolygonWithRadius(10, 0, 0.5)), std::vector<T>{T::MoveTo});
  const pf::Path noStar = MVElementPath::cgPathForRoundedStarWithOuterRadius(10, 4, 0, 1, 1);
  EXPECT_EQ(types(noStar), (std::vector<T>{T::MoveTo, T::CloseSubpath}));
  EXPECT_EQ(noStar.bounds(), pf::Rect(0, 4, 0, 0));
}

TEST(MVElementPathFactories, PolygonVertices)
{
  const pf::Path triangle = MVElementPath::cgPathForPolygonWithRadius(10, 3);
  ASSERT_EQ(triangle.elementCount(), 4u);
  expectNear(triangle.elements()[0].points[0], onCircle(10, 90));
  expectNear(triangle.elements()[1].points[0], onCircle(10, 210));
  expectNear(triangle.elements()[2].points[0], onCircle(10, 330));
  EXPECT_EQ(triangle.elements()[3].type, pf::PathElementType::CloseSubpath);

  // Without rounding the rounded polygon is the plain one turned by 180 degrees, straight edges
  // and a straight closing edge.
  const pf::Path turned = MVElementPath::cgPathForRoundedPolygonWithRadius(10, 3, 0);
  ASSERT_EQ(turned.elementCount(), 4u);
  expectNear(turned.elements()[0].points[0], onCircle(10, 270));
  expectNear(turned.elements()[1].points[0], onCircle(10, 30));
  expectNear(turned.elements()[2].points[0], onCircle(10, 150));
  EXPECT_EQ(turned.elements()[1].type, pf::PathElementType::LineTo);

  // With rounding every edge, the closing one too, is a curve back to the start.
  const pf::Path round = MVElementPath::cgPathForRoundedPolygonWithRadius(10, 3, -0.5);
  ASSERT_EQ(round.elementCount(), 5u);
  EXPECT_EQ(round.elements()[3].type, pf::PathElementType::CurveTo);
  expectNear(round.elements()[3].endPoint(), onCircle(10, 270));
  // Negative rounding pulls the handles towards the centre.
  EXPECT_LT(length(round.elements()[1].points[0]), 10);

  // The trapezoid's longer edge is the top one.
  const pf::Path trapezoid = MVElementPath::cgPathForTrapeziodWithWidth(20, 10, 3);
  EXPECT_EQ(trapezoid.elements()[0].points[0], pf::Point(-13, -5));
  EXPECT_EQ(trapezoid.elements()[1].points[0], pf::Point(13, -5));
}

// Rounded corners: a positive rounding puts a corner's handles along its tangent, a negative
// one along its radius; each curve's first handle belongs to the corner it leaves.
TEST(MVElementPathFactories, RoundedCornerHandles)
{
  const auto unitAt = [](double degrees) { return onCircle(1, degrees); };

  // A star of 3 points (6 corners from 90 degrees): outer corners rounded outwards, inner ones
  // pulled towards the centre.
  const double handleUnit = kPi / 6 * std::sqrt(2.0);
  const double outerHandle = handleUnit * 0.5 * 10;
  const double innerHandle = handleUnit * -0.5 * 5;
  const pf::Path star = MVElementPath::cgPathForRoundedStarWithOuterRadius(10, 5, 3, 0.5, -0.5);
  ASSERT_EQ(star.elementCount(), 8u);
  pf::Point previous(0, 5);
  for (int j = 1; j <= 6; ++j) {
    SCOPED_TRACE(j);
    const double t = 90 + 60.0 * j;
    const double p = t - 60;
    const bool outer = j % 2 == 1;
    const pf::PathElement& curve = star.elements()[static_cast<std::size_t>(j)];
    ASSERT_EQ(curve.type, pf::PathElementType::CurveTo);
    const pf::Point target = onCircle(outer ? 10 : 5, t);
    expectNear(curve.points[2], target);
    if (outer) {
      expectNear(curve.points[0], previous + unitAt(p) * innerHandle);
      expectNear(curve.points[1], target + unitAt(t - 90) * outerHandle);
    } else {
      expectNear(curve.points[0], previous - unitAt(p - 90) * outerHandle);
      expectNear(curve.points[1], target + unitAt(t) * innerHandle);
    }
    previous = target;
  }

  // A square rounded outwards: every edge, the closing one too, leaves and reaches a corner
  // along its tangent.
  const double handle = kPi / 8 * 0.5 * 10 * std::sqrt(2.0);
  const pf::Path square = MVElementPath::cgPathForRoundedPolygonWithRadius(10, 4, 0.5);
  ASSERT_EQ(square.elementCount(), 6u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const double p = 90.0 * i - 90;
    const double t = p + 90;
    const pf::PathElement& curve = square.elements()[static_cast<std::size_t>(i) + 1];
    expectNear(curve.points[0], onCircle(10, p) - unitAt(p - 90) * handle);
    expectNear(curve.points[1], onCircle(10, t) + unitAt(t - 90) * handle);
    expectNear(curve.points[2], onCircle(10, t));
  }
}

// A 20 x 20 square with a 10 x 10 square inside, both turning the same way (so the non-zero rule
// would fill the hole).
pf::SharedPath squareWithHole()
{
  pf::Path path = MVElementPath::cgPathForSquareWithSide(20);
  path.addPath(MVElementPath::cgPathForSquareWithSide(10));
  return std::make_shared<const pf::Path>(path);
}

TEST(MVElementPathHitTest, ClosedPathsUseTheEvenOddRule)
{
  MVElementPath element;
  element.setCgPath(squareWithHole());
  element.setPositionX(100, 100);
  for (const bool evenOdd : {false, true}) {
    SCOPED_TRACE(evenOdd);
    element.setEvenOddFillMode(evenOdd);
    EXPECT_TRUE(element.pointInElement({92, 100}));
    EXPECT_FALSE(element.pointInElement({100, 100}));  // the hole, whatever the fill rule
    EXPECT_TRUE(element.pointInElement({90, 90}));     // minimum edges are inside
    EXPECT_FALSE(element.pointInElement({110, 100}));  // maximum edges outside
  }
  MVElementPath empty;
  EXPECT_FALSE(empty.pointInElement({0, 0}));
}

TEST(MVElementPathHitTest, OpenPathsHitOnTheirWidenedStroke)
{
  MVElementPath line;
  line.setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForLineFromX(0, 0, 100, 0)));
  line.setClosedPath(false);
  EXPECT_FALSE(line.pointInElement({50, 0}));  // no stroke: never hit

  line.setStrokeWidth(1);  // hit as a 5-unit line
  const struct {
    pf::Point point;
    bool hit;
  } thin[] = {{{50, 2.4}, true}, {{50, -2.4}, true}, {{50, 2.6}, false}, {{-0.5, 0}, false}, {{99, 1}, true}};
  for (const auto& c : thin) {
    SCOPED_TRACE(c.point.description());
    EXPECT_EQ(line.pointInElement(c.point), c.hit);
  }

  line.setStrokeWidth(10);  // hit as an 11-unit line
  EXPECT_TRUE(line.pointInElement({50, 5.4}));
  EXPECT_FALSE(line.pointInElement({50, 5.6}));
  line.setStrokeEndCap(2);  // round caps reach past the ends
  EXPECT_TRUE(line.pointInElement({-5, 0}));
  line.setStrokeEndCap(7);  // unknown codes draw butt caps
  EXPECT_FALSE(line.pointInElement({-5, 0}));

  // The stroke is measured in element units: a scaled element hits a scaled band.
  line.setStrokeWidth(1);
  line.scaleX(1, 4);
  EXPECT_TRUE(line.pointInElement({50, 9.9}));
}

TEST(MVElementPathBoxes, StrokeIsAddedUntransformed)
{
  MVElementPath element;
  EXPECT_FALSE(element.boundingBoxNested().has_value());
  EXPECT_FALSE(element.transformedBoundingBoxNested().has_value());

  element.setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(20, 10)));
  element.setStrokeWidth(2);
  expectNear(*element.boundingBoxNested(), {-11, -6, 22, 12});
  element.scaleX(2, 2);
  element.setPositionX(50, 0);
  expectNear(*element.transformedBoundingBoxNested(), {50 - 20 - 1, -10 - 1, 42, 22});
  // Through the parents' transform too.
  expectNear(*element.transformedBoundingBoxNested(pf::AffineTransform::translation(0, 100)),
             {50 - 20 - 1, 90 - 1, 42, 22});
  // An invisible stroke does not count in the transformed box.
  element.setStrokeOpacity(0);
  expectNear(*element.transformedBoundingBoxNested(), {30, -10, 40, 20});

  // The box follows the curve, not its control points.
  MVElementPath circle;
  circle.setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(10)));
  circle.rotate(45);
  expectNear(*circle.transformedBoundingBoxNested(), {-10, -10, 20, 20}, 0.05);
}

TEST(MVElementPathLifeCycle, CopiesShareThePath)
{
  MVElementPath element;
  element.setElementName("shape");
  element.setEvenOddFillMode(true);
  element.setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(4)));
  const auto copy = std::dynamic_pointer_cast<MVElementPath>(element.copy());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->cgPath(), element.cgPath());
  EXPECT_TRUE(copy->evenOddFillMode());
  copy->releaseResources();
  EXPECT_EQ(copy->cgPath(), nullptr);
  ASSERT_NE(element.cgPath(), nullptr);
  EXPECT_EQ(element.cgPath()->elementCount(), 5u);
  EXPECT_EQ(element.description(), "<MVElementPath 'shape'(0) [evenOddFillMode closed]>");
  EXPECT_EQ(copy->description(), "<MVElementPath 'shape'(0) [evenOddFillMode closed] [RELEASED]>");
}

TEST(BezierPathCGUtilities, QuadraticsAreRaisedToCubics)
{
  pf::Path quadratic;
  quadratic.moveTo({0, 0}).quadCurveTo({3, 3}, {6, 0}).closeSubpath();
  pf::Path bezier;
  BezierPathCGUtilities::appendCGPath(bezier, &quadratic);
  BezierPathCGUtilities::appendCGPath(bezier, nullptr);
  ASSERT_EQ(bezier.elementCount(), 3u);
  const pf::PathElement& cubic = bezier.elements()[1];
  EXPECT_EQ(cubic.type, pf::PathElementType::CurveTo);
  expectNear(cubic.points[0], {2, 2});
  expectNear(cubic.points[1], {4, 2});
  expectNear(cubic.points[2], {6, 0});
  expectNear(*bezier.bounds(), *quadratic.bounds());

  EXPECT_EQ(BezierPathCGUtilities::cgPath(pf::Path()), nullptr);
  EXPECT_EQ(*BezierPathCGUtilities::cgPath(bezier), bezier);
}

TEST(BezierPathCGUtilities, Centering)
{
  pf::Path path;
  path.addRect({10, 20, 4, 6});
  pf::Path horizontal = path;
  BezierPathCGUtilities::centerAtZero(path);
  EXPECT_EQ(path.bounds(), pf::Rect(-2, -3, 4, 6));
  BezierPathCGUtilities::centerHorizontally(horizontal);
  EXPECT_EQ(horizontal.bounds(), pf::Rect(-2, 20, 4, 6));
  pf::Path empty;
  BezierPathCGUtilities::centerAtZero(empty);
  EXPECT_TRUE(empty.isEmpty());
}

TEST(MVElementPathGlyphs, OutlinesAreCubicAndCentred)
{
  const std::optional<pf::Font> font = pf::Font::named("DejaVuSans", 100);
  ASSERT_TRUE(font.has_value());
  const std::optional<pf::Path> outline = font->glyphOutline(font->glyphForCharacter(U'O'));
  ASSERT_TRUE(outline.has_value());

  const std::optional<pf::Path> centred = MVElementPath::cgPathForGlyph(font->glyphForCharacter(U'O'), &*font, true);
  ASSERT_TRUE(centred.has_value());
  for (const auto& element : centred->elements()) {
    EXPECT_NE(element.type, pf::PathElementType::QuadCurveTo);
  }
  const pf::Rect box = *centred->bounds();
  expectNear(box.center(), {0, 0}, 1e-9);
  EXPECT_NEAR(box.width(), outline->bounds()->width(), 1e-9);
  EXPECT_NEAR(box.height(), outline->bounds()->height(), 1e-9);

  // Uncentred, the glyph stands on the baseline, y up.
  const std::optional<pf::Path> standing = MVElementPath::cgPathForGlyph(font->glyphForCharacter(U'H'), &*font, false);
  ASSERT_TRUE(standing.has_value());
  EXPECT_NEAR(standing->bounds()->minY(), 0, 1e-9);
  EXPECT_GT(standing->bounds()->maxY(), 60);

  // No outline, no font: nothing.
  EXPECT_FALSE(MVElementPath::cgPathForGlyph(font->glyphForCharacter(U' '), &*font, true).has_value());
  EXPECT_FALSE(MVElementPath::cgPathForGlyph(36, nullptr, true).has_value());
  LogCapture log;
  EXPECT_FALSE(MVElementPath::cgPathForGlyph(65000, &*font, true).has_value());
  EXPECT_EQ(log.lines().size(), 1u);
}

}  // namespace
