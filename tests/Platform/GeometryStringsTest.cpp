#include "Platform/GeometryStrings.h"

#include <clocale>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

// Once in the "C" locale and once in a comma-decimal one: the strings never follow the locale.
template <typename Body>
void inBothLocales(Body body)
{
  body();
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {
    SCOPED_TRACE("de_DE.UTF-8");
    body();
  }
  std::setlocale(LC_ALL, "C");
}

TEST(GeometryStrings, WritesShortestRoundTripNumbers)
{
  inBothLocales([] {
    EXPECT_EQ(pf::pointString({0.1, 2}), "{0.1, 2}");
    EXPECT_EQ(pf::pointString({-3.25, 1e-7}), "{-3.25, 1e-07}");
    EXPECT_EQ(pf::sizeString({300, 200}), "{300, 200}");
    EXPECT_EQ(pf::rectString({0, 0, 300, 200.5}), "{{0, 0}, {300, 200.5}}");
    EXPECT_EQ(pf::Point(1, 2).description(), "{1, 2}");
    EXPECT_EQ(pf::Rect(1, 2, -3, 4).description(), "{{1, 2}, {-3, 4}}");  // as stored, not standardized
    EXPECT_EQ(pf::pointString({std::numeric_limits<double>::quiet_NaN(), 1}), "{nan, 1}");
  });
}

TEST(GeometryStrings, ReadsLeniently)
{
  const struct {
    const char* text;
    pf::Point point;
  } cases[] = {
      {"{1, 2}", {1, 2}},
      {"{ 1 ,2 }", {1, 2}},
      {"{1,2}", {1, 2}},
      {"1 2", {1, 2}},
      {"{-1.5e2, .5}", {-150, 0.5}},
      {"{10-20}", {10, -20}},
      {"{1}", {1, 0}},
      {"", {0, 0}},
      {"garbage", {0, 0}},
      {"{x: 3, y: 4}", {3, 4}},
      {"{1.5e, 2}", {1.5, 2}},    // an exponent without digits ends the number
      {"{1,5; 2,5}", {1, 5}},     // commas separate, they are never decimal points
      {"{3, 4, 5}", {3, 4}},      // surplus numbers are ignored
      {"{info, 7}", {7, 0}},      // "inf" inside a word is not a number
  };
  inBothLocales([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      EXPECT_EQ(pf::pointFromString(c.text), c.point);
      EXPECT_EQ(pf::sizeFromString(c.text), pf::Size(c.point.x, c.point.y));
    }
    EXPECT_EQ(pf::rectFromString("{{1, 2}, {3, 4}}"), pf::Rect(1, 2, 3, 4));
    EXPECT_EQ(pf::rectFromString("{{1, 2}}"), pf::Rect(1, 2, 0, 0));
    EXPECT_EQ(pf::rectFromString("not a rect"), pf::Rect());
  });
}

TEST(GeometryStrings, RoundTripsExactly)
{
  const double values[] = {0.1, -0.0, 1.0 / 3.0, 1e-300, 123456789.125, -7};
  inBothLocales([&] {
    for (double x : values) {
      for (double y : values) {
        const pf::Point p(x, y);
        SCOPED_TRACE(pf::pointString(p));
        const pf::Point back = pf::pointFromString(pf::pointString(p));
        EXPECT_EQ(back, p);
        EXPECT_EQ(std::signbit(back.x), std::signbit(x));
        const pf::Rect r(x, y, y, x);
        EXPECT_EQ(pf::rectFromString(pf::rectString(r)), r);
      }
    }
    // Non-finite values come back as written, so a reader can refuse them.
    const pf::Point odd = pf::pointFromString("{nan, -inf}");
    EXPECT_TRUE(std::isnan(odd.x));
    EXPECT_EQ(odd.y, -std::numeric_limits<double>::infinity());
  });
}

}  // namespace
