#include "Platform/Color.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

using pf::Color;

void expectComponents(const Color& color, double red, double green, double blue, double alpha)
{
  EXPECT_NEAR(color.red(), red, 1e-12);
  EXPECT_NEAR(color.green(), green, 1e-12);
  EXPECT_NEAR(color.blue(), blue, 1e-12);
  EXPECT_NEAR(color.alpha(), alpha, 1e-12);
}

TEST(Color, ComponentsArePinnedOnTheWayIn)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // The artboard's background is given as 255 and must come out as white.
  expectComponents(Color::rgb(255, 255, 255), 1, 1, 1, 1);
  expectComponents(Color::rgb(-0.5, nan, 0.25, 2.0), 0, 0, 0.25, 1);
  expectComponents(Color::hsb(0.5, 1.7, -3.0), 0, 0, 0, 1);
  expectComponents(Color::grey(0.5, nan), 0.5, 0.5, 0.5, 0);
  expectComponents(Color(), 0, 0, 0, 1);
}

TEST(Color, HsbConvertsBothWays)
{
  struct Case {
    double hue, saturation, brightness;
    double red, green, blue;
  };
  const Case cases[] = {
      {0.0, 1, 1, 1, 0, 0},         {1.0 / 6, 1, 1, 1, 1, 0},     {2.0 / 6, 1, 1, 0, 1, 0},
      {3.0 / 6, 1, 1, 0, 1, 1},     {4.0 / 6, 1, 1, 0, 0, 1},     {5.0 / 6, 1, 1, 1, 0, 1},
      {0.25, 0.5, 0.8, 0.6, 0.8, 0.4}, {115.0 / 360, 0.7, 0.95, 0.3404166666666667, 0.95, 0.285},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hue);
    const Color color = Color::hsb(c.hue, c.saturation, c.brightness, 0.5);
    expectComponents(color, c.red, c.green, c.blue, 0.5);
    const auto back = color.hsb();
    EXPECT_NEAR(back.hue, c.hue, 1e-12);
    EXPECT_NEAR(back.saturation, c.saturation, 1e-12);
    EXPECT_NEAR(back.brightness, c.brightness, 1e-12);
  }
  // A hue of exactly one turn is red again; greys have no hue.
  EXPECT_EQ(Color::hsb(1.0, 1, 1), Color::rgb(1, 0, 0));
  EXPECT_EQ(Color::grey(0.4).hue(), 0.0);
  EXPECT_EQ(Color::grey(0.4).saturation(), 0.0);
  EXPECT_EQ(Color::black().saturation(), 0.0);
}

TEST(Color, CmykConvertsNaively)
{
  expectComponents(Color::cmyk(0, 0, 0, 0), 1, 1, 1, 1);
  expectComponents(Color::cmyk(1, 0, 0, 0), 0, 1, 1, 1);
  expectComponents(Color::cmyk(0.2, 0.4, 0.6, 0.5, 0.3), 0.4, 0.3, 0.2, 0.3);
  const auto reading = Color::rgb(0.4, 0.3, 0.2).cmyk();
  EXPECT_NEAR(reading.cyan, 0.0, 1e-12);
  EXPECT_NEAR(reading.magenta, 0.25, 1e-12);
  EXPECT_NEAR(reading.yellow, 0.5, 1e-12);
  EXPECT_NEAR(reading.black, 0.6, 1e-12);
  const auto black = Color::black().cmyk();
  EXPECT_EQ(black.black, 1.0);
  EXPECT_EQ(black.cyan, 0.0);
}

TEST(Color, BlendsComponentWiseWithAlpha)
{
  const Color from = Color::rgb(1, 0, 0.5, 1);
  const Color to = Color::rgb(0, 1, 0.5, 0);
  expectComponents(from.blended(0.25, to), 0.75, 0.25, 0.5, 0.75);
  EXPECT_EQ(from.blended(0, to), from);
  EXPECT_EQ(from.blended(1, to), to);
  EXPECT_EQ(from.blended(7, to), to);
  EXPECT_EQ(from.blended(-1, to), from);
  EXPECT_EQ(from.blended(std::numeric_limits<double>::quiet_NaN(), to), from);
}

TEST(Color, HueWrapsByWholeTurns)
{
  const struct {
    double in, out;
  } cases[] = {{0.25, 0.25}, {1.0, 1.0}, {1.25, 0.25}, {-0.25, 0.75}, {-1.0, 0.0}, {2.0, 0.0}, {-2.5, 0.5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_DOUBLE_EQ(Color::wrappedHue(c.in), c.out);
  }
  EXPECT_TRUE(std::isnan(Color::wrappedHue(std::numeric_limits<double>::quiet_NaN())));
}

TEST(Color, EqualityAndDescription)
{
  EXPECT_EQ(Color::grey(1), Color::rgb(1, 1, 1));
  EXPECT_NE(Color::rgb(1, 1, 1), Color::rgb(1, 1, 1, 0.5));
  EXPECT_EQ(Color::rgb(1, 0.5, 0).description(), "sRGB 1 0.5 0 1");
}

}  // namespace
