#include "Shared/SVG/ODSVGColor.h"

#include <gtest/gtest.h>

namespace {

void expectColor(const std::optional<pf::Color>& color, double red, double green, double blue, double alpha)
{
  ASSERT_TRUE(color.has_value());
  EXPECT_NEAR(color->red(), red, 1e-6);
  EXPECT_NEAR(color->green(), green, 1e-6);
  EXPECT_NEAR(color->blue(), blue, 1e-6);
  EXPECT_NEAR(color->alpha(), alpha, 1e-6);
}

TEST(SvgColorReading, EveryFormOfPureRed)
{
  for (const char* text : {"Red", "  red \n", "#f00", "#FF0000", "ff0000", "rgb(255,0,0)", "RGBA(255, 0, 0, 1)",
                           "hsl(0, 100%, 50%)", "hsl(360, 100%, 50%)"}) {
    SCOPED_TRACE(text);
    expectColor(ODSVGColor::colorFromString(text), 1, 0, 0, 1);
  }
}

TEST(SvgColorReading, NamesAlphaAndHue)
{
  expectColor(ODSVGColor::colorFromString("currentColor"), 0, 0, 0, 1);
  expectColor(ODSVGColor::colorFromString("grey"), 128.0 / 255, 128.0 / 255, 128.0 / 255, 1);
  expectColor(ODSVGColor::colorFromString("yellowgreen"), 154.0 / 255, 205.0 / 255, 50.0 / 255, 1);
  expectColor(ODSVGColor::colorFromString("rgba(0, 0, 255, 0.5)"), 0, 0, 1, 0.5);
  expectColor(ODSVGColor::colorFromString("rgb(0,0,255,0.5)"), 0, 0, 1, 0.5);
  // Percentages are plain numbers out of 255.
  expectColor(ODSVGColor::colorFromString("rgb(100%, 0%, 0%)"), 100.0 / 255, 0, 0, 1);
  expectColor(ODSVGColor::colorFromString("none"), 0, 0, 0, 0);
  // Components the text left out read as 0.
  expectColor(ODSVGColor::colorFromString("rgb(255)"), 1, 0, 0, 1);

  const std::optional<pf::Color> green = ODSVGColor::colorFromString("hsl(120, 100%, 50%)");
  expectColor(green, 0, 1, 0, 1);
  const std::optional<pf::Color> wrapped = ODSVGColor::colorFromString("hsl(480, 100%, 50%)");
  ASSERT_TRUE(wrapped);
  EXPECT_NEAR(wrapped->hue(), green->hue(), 1e-6);
}

TEST(SvgColorReading, TextThatIsNoColourGivesNothing)
{
  for (const char* text : {"ab", "#12345g", "transparent", "rebeccapurple", "", "url(#a)"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ODSVGColor::colorFromString(text), std::nullopt);
  }
}

TEST(SvgColorReading, HexOfOtherLengthsReadsTheLowBits)
{
  // Eight digits: the low 24 bits; more than eight saturate like a 32-bit hex scanner.
  expectColor(ODSVGColor::colorFromHEXString("80ff0000", 1), 1, 0, 0, 1);
  expectColor(ODSVGColor::colorFromHEXString("123456789", 1), 1, 1, 1, 1);
  expectColor(ODSVGColor::colorFromHEXString("#f80", 0.25), 1, 136.0 / 255, 0, 0.25);
  EXPECT_EQ(ODSVGColor::colorFromHEXString("#", 1), std::nullopt);
  EXPECT_TRUE(ODSVGColor::isHex(""));
}

TEST(SvgColorWriting, HexShorthandRgbaAndNone)
{
  const pf::Color orange = *ODSVGColor::colorFromHEXString("#FF8800", 1);
  EXPECT_EQ(ODSVGColor::colorStringFromColor(orange, false, true), "#F80");
  EXPECT_EQ(ODSVGColor::colorStringFromColor(orange, false, false), "#FF8800");
  EXPECT_EQ(ODSVGColor::colorStringFromColor(orange.withAlpha(0.5)), "rgba(255,136,0,0.5)");
  EXPECT_EQ(ODSVGColor::colorStringFromColor(orange.withAlpha(0.5), true, false), "#FF8800");
  EXPECT_EQ(ODSVGColor::colorStringFromColor(orange.withAlpha(0)), "none");
  EXPECT_EQ(ODSVGColor::colorStringFromColor(orange.withAlpha(0), true, true), "#F80");
}

TEST(SvgColorNames, TableAndReverseList)
{
  EXPECT_EQ(ODSVGColor::colorNameFromPredefinedColor(0), "aliceblue");
  EXPECT_EQ(ODSVGColor::colorNameFromPredefinedColor(146), "yellowgreen");
  EXPECT_EQ(ODSVGColor::colorNameFromPredefinedColor(147), std::nullopt);
  for (long i = 0; i < 147; ++i) {
    const std::optional<std::string> name = ODSVGColor::colorNameFromPredefinedColor(i);
    ASSERT_TRUE(name);
    SCOPED_TRACE(*name);
    EXPECT_TRUE(ODSVGColor::colorFromPredefinedColorName(*name));
    if (i > 0) {
      EXPECT_LT(*ODSVGColor::colorNameFromPredefinedColor(i - 1), *name);
    }
  }
}

}  // namespace
