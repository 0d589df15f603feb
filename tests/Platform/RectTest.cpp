#include "Platform/Rect.h"

#include <limits>

#include <gtest/gtest.h>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Rect, ReadsNegativeSizesStandardized)
{
  const pf::Rect flipped(10, 10, -4, -2);
  EXPECT_EQ(flipped.standardized(), pf::Rect(6, 8, 4, 2));
  EXPECT_EQ(flipped.minX(), 6);
  EXPECT_EQ(flipped.maxY(), 10);
  EXPECT_EQ(flipped.width(), 4);
  EXPECT_TRUE(flipped.contains(pf::Point(7, 9)));
  EXPECT_EQ(pf::Rect::spanning({3, 1}, {1, 4}), pf::Rect(1, 1, 2, 3));
}

TEST(Rect, ContainsPointsHalfOpen)
{
  const pf::Rect r(0, 0, 10, 5);
  const struct {
    pf::Point point;
    bool inside;
  } cases[] = {{{0, 0}, true},    {{9.999, 4.999}, true}, {{10, 2}, false},
               {{2, 5}, false},   {{-0.001, 2}, false},   {{kNaN, 2}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.point.description());
    EXPECT_EQ(r.contains(c.point), c.inside);
  }
  EXPECT_FALSE(pf::Rect(0, 0, 0, 5).contains(pf::Point(0, 1)));  // no area, no points
}

TEST(Rect, IntersectionCountsTouchingAndZeroSize)
{
  const pf::Rect artboard(0, 0, 300, 200);
  const struct {
    const char* name;
    pf::Rect other;
    bool meets;
  } cases[] = {
      {"inside", {10, 10, 5, 5}, true},
      {"overlapping corner", {290, 190, 20, 20}, true},
      {"touching the right edge", {300, 0, 10, 10}, true},
      {"horizontal line without stroke", {10, 50, 100, 0}, true},
      {"point inside", {5, 5, 0, 0}, true},
      {"beyond", {301, 0, 10, 10}, false},
      {"negative size reaching in", {-5, -5, 6, 6}, true},
      {"NaN origin", {kNaN, 0, 10, 10}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(artboard.intersects(c.other), c.meets);
    EXPECT_EQ(artboard.intersection(c.other).has_value(), c.meets);
  }
  EXPECT_EQ(artboard.intersection(pf::Rect(290, 190, 20, 20)), pf::Rect(290, 190, 10, 10));
  EXPECT_EQ(artboard.intersection(pf::Rect(300, 0, 10, 10)), pf::Rect(300, 0, 0, 10));
}

TEST(Rect, UnionInsetAndOptionalUnion)
{
  EXPECT_EQ(pf::Rect(0, 0, 1, 1).united(pf::Rect(5, 5, 0, 0)), pf::Rect(0, 0, 5, 5));
  EXPECT_EQ(pf::Rect(0, 0, 10, 4).insetBy(1, 1), pf::Rect(1, 1, 8, 2));
  EXPECT_EQ(pf::Rect(0, 0, 10, 4).insetBy(-2, -2), pf::Rect(-2, -2, 14, 8));
  // Shrinking past nothing collapses to the centre line instead of turning inside out.
  EXPECT_EQ(pf::Rect(0, 0, 10, 4).insetBy(1, 3), pf::Rect(1, 2, 8, 0));
  EXPECT_TRUE(pf::Rect(0, 0, 10, 0).isEmpty());
  EXPECT_TRUE(pf::Rect(0, 0, kNaN, 1).isEmpty());
  EXPECT_FALSE(pf::Rect(0, 0, -1, -1).isEmpty());

  const std::optional<pf::Rect> nothing;
  EXPECT_EQ(pf::united(nothing, nothing), std::nullopt);
  EXPECT_EQ(pf::united(nothing, pf::Rect(1, 1, 1, 1)), pf::Rect(1, 1, 1, 1));
  EXPECT_EQ(pf::united(pf::Rect(0, 0, 1, 1), pf::Rect(2, 2, 1, 1)), pf::Rect(0, 0, 3, 3));
}

}  // namespace
