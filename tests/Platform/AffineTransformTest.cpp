#include "Platform/AffineTransform.h"

#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

void expectNear(pf::Point actual, pf::Point expected)
{
  EXPECT_NEAR(actual.x, expected.x, 1e-12);
  EXPECT_NEAR(actual.y, expected.y, 1e-12);
}

TEST(AffineTransform, OperationAppliedLastActsFirst)
{
  // Drawing-context order: translate, then scale: a point is scaled first, then moved.
  pf::AffineTransform t;
  t.translate(10, 0).scale(2, 2);
  expectNear(t.apply(pf::Point(1, 1)), {12, 2});

  // The element stack [rotate 90, scale 2, 1] applied last to first: (1, 0) is rotated to
  // (0, 1) and then scaled to (0, 1), not to (0, 2); the position (5, 5) acts last.
  pf::AffineTransform element;
  element.translate(5, 5).scale(2, 1).rotate(std::numbers::pi / 2);
  expectNear(element.apply(pf::Point(1, 0)), {5, 6});

  // concat(inner) puts `inner` first, the static concat names both sides.
  const auto shift = pf::AffineTransform::translation(3, 4);
  const auto doubling = pf::AffineTransform::scaling(2, 2);
  expectNear(doubling.concatenated(shift).apply(pf::Point(1, 1)), {8, 10});
  expectNear(pf::AffineTransform::concat(doubling, shift).apply(pf::Point(1, 1)), {5, 6});
  EXPECT_EQ(doubling.concatenated(shift), pf::AffineTransform::concat(shift, doubling));
}

TEST(AffineTransform, QuarterTurnsAreExact)
{
  // 90 degrees as the element code computes it: degrees / 180 × pi.
  const struct {
    double degrees;
    pf::Point image;  // of (1, 0)
  } cases[] = {{90, {0, 1}}, {180, {-1, 0}}, {270, {0, -1}}, {-90, {0, -1}}, {360, {1, 0}}, {450, {0, 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.degrees);
    const auto r = pf::AffineTransform::rotation(c.degrees / 180 * std::numbers::pi);
    EXPECT_EQ(r.apply(pf::Point(1, 0)), c.image);
  }
  // Other angles are not rounded.
  const auto r = pf::AffineTransform::rotation(0.3);
  EXPECT_DOUBLE_EQ(r.a, std::cos(0.3));
  EXPECT_DOUBLE_EQ(r.b, std::sin(0.3));
  EXPECT_DOUBLE_EQ(r.c, -std::sin(0.3));
}

TEST(AffineTransform, InversionRefusesSingularAndNonFinite)
{
  const struct {
    const char* name;
    pf::AffineTransform transform;
    bool invertible;
  } cases[] = {
      {"identity", {}, true},
      {"zero scale", pf::AffineTransform::scaling(0, 2), false},
      {"sliver scale", pf::AffineTransform::scaling(1e-5, 1e-5), true},
      {"collinear columns", {1, 2, 2, 4, 0, 0}, false},
      {"NaN entry", {1, 0, 0, 1, kNaN, 0}, false},
      {"infinite entry", {kInfinity, 0, 0, 1, 0, 0}, false},
      {"inverse overflows", pf::AffineTransform::scaling(1e-300, 1e-300), false},
      {"skew", {1, 0.5, -2, 3, 7, -1}, true},
      {"huge entries", pf::AffineTransform::scaling(1e60, 1e60), true},
      {"fine scale", pf::AffineTransform::scaling(1e-110, 1e-110), true},
      {"far offset overflows the inverse", {1e-160, 0, 0, 1e-160, 1e160, 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto inverse = c.transform.inverted();
    EXPECT_EQ(inverse.has_value(), c.invertible);
    EXPECT_EQ(c.transform.isFiniteAndInvertible(), c.invertible);
    if (inverse) {
      const pf::Point p(3.5, -2);
      const pf::Point back = inverse->apply(c.transform.apply(p));
      EXPECT_NEAR(back.x, p.x, 1e-9);
      EXPECT_NEAR(back.y, p.y, 1e-9);
    }
  }
}

TEST(AffineTransform, MapsRectsToTheirAxisAlignedBox)
{
  const pf::Rect square(-5, -5, 10, 10);
  const pf::Rect turned = pf::AffineTransform::rotation(std::numbers::pi / 4).apply(square);
  const double half = 5 * std::numbers::sqrt2;
  EXPECT_NEAR(turned.minX(), -half, 1e-12);
  EXPECT_NEAR(turned.maxY(), half, 1e-12);
  // A flip keeps a standardized box; a negative-size input is standardized first.
  EXPECT_EQ(pf::AffineTransform::scaling(1, -1).apply(pf::Rect(0, 0, 4, 2)), pf::Rect(0, -2, 4, 2));
  EXPECT_EQ(pf::AffineTransform::translation(1, 1).apply(pf::Rect(4, 2, -4, -2)), pf::Rect(1, 1, 4, 2));
  EXPECT_EQ(pf::Rect(0, 0, 4, 2).applying(pf::AffineTransform::scaling(2, 3)), pf::Rect(0, 0, 8, 6));
  // Sizes take the linear part only.
  EXPECT_EQ(pf::AffineTransform(2, 0, 0, 3, 100, 100).apply(pf::Size(1, 1)), pf::Size(2, 3));
}

}  // namespace
