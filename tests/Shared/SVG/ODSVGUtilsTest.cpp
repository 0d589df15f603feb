#include "Shared/SVG/ODSVGUtils.h"

#include <clocale>
#include <vector>

#include <gtest/gtest.h>

#include "Shared/SVG/ODSVGUnitLength.h"

namespace {

struct ScanCase {
  const char* text;
  std::vector<double> numbers;
};

TEST(SvgNumberScanner, SplitsAtSignsSecondPointsAndEveryOtherCharacter)
{
  const ScanCase cases[] = {
      {"10-5", {10, -5}},
      {"1e-5", {1e-5}},
      {"1E+2,3", {100, 3}},
      {"1.5.5", {1.5, 0.5}},
      {"-.5.5", {-0.5, 0.5}},
      {"1..5", {1}},
      {"M10,20L30 40z", {10, 20, 30, 40}},
      {"0110", {110}},
      {"rgb(255, 0,0)", {255, 0, 0}},
      {"e5 - +", {0, 0, 0}},
      {"abc", {}},
      {"", {}},
      {"1e999", {HUGE_VAL}},
      {"\xff\xfe" "7\x01" "8", {7, 8}},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ODSVGUtils::scanFloatsFromString(c.text), c.numbers);
  }
}

TEST(SvgNumberScanner, IgnoresTheProcessLocale)
{
  // A locale with a decimal comma must not change how "1.5" reads.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
    GTEST_SKIP() << "no German locale installed";
  }
  EXPECT_EQ(ODSVGUtils::scanFloatsFromString("1.5 2,5"), (std::vector<double>{1.5, 2, 5}));
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SvgNumberScanner, NumberObjectIsTakenAtSinglePrecision)
{
  const std::vector<double> numbers = ODSVGUtils::commandParameters(0.1);
  ASSERT_EQ(numbers.size(), 1u);
  EXPECT_EQ(numbers[0], static_cast<double>(0.1f));
}

TEST(SvgKeywords, MapToTheirValuesAndFallBack)
{
  EXPECT_EQ(ODSVGUtils::windingRuleForString("evenodd"), 1);
  EXPECT_EQ(ODSVGUtils::windingRuleForString("nonzero"), 0);
  EXPECT_EQ(ODSVGUtils::windingRuleForString("inherit"), 2);
  EXPECT_EQ(ODSVGUtils::lineJoinStyleForString("bevel"), 3);
  EXPECT_EQ(ODSVGUtils::lineJoinStyleForString("miter"), 1);
  EXPECT_EQ(ODSVGUtils::lineJoinStyleForString("round"), 2);
  EXPECT_EQ(ODSVGUtils::lineCapStyleForString("square"), 3);
  EXPECT_EQ(ODSVGUtils::lineCapStyleForString("inherit"), 4);
  EXPECT_EQ(ODSVGUtils::lineCapStyleForString("Round"), 1);
  EXPECT_EQ(ODSVGUtils::unitTypeForString("userSpaceOnUse"), 0);
  EXPECT_EQ(ODSVGUtils::unitTypeForString("objectBoundingBox"), 1);
}

TEST(SvgKeywords, BlendModesReadAndWriteAllSixteen)
{
  const char* names[] = {"normal",     "multiply",   "screen",     "overlay",    "darken",     "lighten",
                         "color-dodge", "color-burn", "soft-light", "hard-light", "difference", "exclusion",
                         "hue",        "saturation", "color",      "luminosity"};
  for (int mode = 0; mode < 16; ++mode) {
    SCOPED_TRACE(names[mode]);
    EXPECT_EQ(ODSVGUtils::blendModeForString(names[mode]), mode);
    if (mode > 0) {
      EXPECT_EQ(ODSVGUtils::mixBlendingModeForBlendMode(mode), names[mode]);
    }
  }
  EXPECT_EQ(ODSVGUtils::blendModeForString("Multiply"), 1);
  EXPECT_EQ(ODSVGUtils::blendModeForString("plus-lighter"), 0);
  EXPECT_EQ(ODSVGUtils::mixBlendingModeForBlendMode(0), std::nullopt);
  EXPECT_EQ(ODSVGUtils::mixBlendingModeForBlendMode(16), std::nullopt);
}

TEST(SvgKeywords, HtmlNamesAreReadAsGroupsExceptTheMissingHeadings)
{
  EXPECT_EQ(ODSVGCommonHTMLElementNames().size(), 118u);
  EXPECT_TRUE(ODSVGIsCommonHTMLElementName("DIV"));
  EXPECT_TRUE(ODSVGIsCommonHTMLElementName("h6"));
  EXPECT_FALSE(ODSVGIsCommonHTMLElementName("h3"));
  EXPECT_FALSE(ODSVGIsCommonHTMLElementName("circle"));
}

TEST(SvgReferences, DefUrlTakesTheFirstReference)
{
  EXPECT_EQ(ODSVGUtils::defURL("url(#grad1)"), "grad1");
  EXPECT_EQ(ODSVGUtils::defURL("url( #a) b url(#c)"), "a");
  EXPECT_EQ(ODSVGUtils::defURL("url (#a);"), "a");
  EXPECT_EQ(ODSVGUtils::defURL("url(#)"), "");
  EXPECT_EQ(ODSVGUtils::defURL("red"), std::nullopt);
  EXPECT_EQ(ODSVGUtils::defURL("url(#open"), std::nullopt);
  EXPECT_EQ(ODSVGUtils::defURL("url(http://example.com/x.svg#a)"), std::nullopt);
}

TEST(SvgNumbers, PercentFallBackAndShortText)
{
  EXPECT_DOUBLE_EQ(ODSVGUtils::floatValue("50%", 300), 150);
  EXPECT_DOUBLE_EQ(ODSVGUtils::floatValue("50", 300), 50);
  EXPECT_DOUBLE_EQ(ODSVGUtils::floatValue("12px"), 12);
  EXPECT_EQ(ODSVGShortFloatStringWithPrecision(2, 3.0), "3");
  EXPECT_EQ(ODSVGShortFloatStringWithPrecision(2, 3.14159), "3.14");
  EXPECT_EQ(ODSVGShortFloatStringWithPrecision(2, 2.5), "2.50");
  EXPECT_EQ(ODSVGShortFloatString(0.5), "0.5");
}

TEST(SvgUnitLength, ReadsPlainNumbersPercentagesAndInherit)
{
  const std::optional<ODSVGUnitLength> half = ODSVGUnitLength::unitWithString("50%");
  ASSERT_TRUE(half);
  EXPECT_DOUBLE_EQ(half->value(), 0.5);
  EXPECT_EQ(half->type(), ODSVGUnitLength::kPercentage);
  EXPECT_EQ(half->stringValue(), "50%");
  EXPECT_DOUBLE_EQ(half->computeValue(200), 100);

  const std::optional<ODSVGUnitLength> plain = ODSVGUnitLength::unitWithString("12.5");
  ASSERT_TRUE(plain);
  EXPECT_DOUBLE_EQ(plain->value(), 12.5);
  EXPECT_EQ(plain->type(), ODSVGUnitLength::kPlain);
  EXPECT_EQ(plain->stringValue(), "12.5");
  EXPECT_DOUBLE_EQ(plain->computeValue(200), 12.5);

  EXPECT_EQ(ODSVGUnitLength::unitWithString("inherit"), std::nullopt);
  const std::optional<ODSVGUnitLength> fraction = ODSVGUnitLength::unitWithPercentageString("0.25");
  ASSERT_TRUE(fraction);
  EXPECT_DOUBLE_EQ(fraction->computeValue(400), 100);
}

TEST(SvgPathConversion, AutoCloseClosesOnlyAnOpenLastSubpath)
{
  pf::Path open;
  open.moveTo({0, 0}).lineTo({1, 0}).lineTo({1, 1});
  const std::optional<pf::Path> closed = ODSVGUtils::newCGPathFromBezierPath(open);
  ASSERT_TRUE(closed);
  EXPECT_EQ(closed->elements().back().type, pf::PathElementType::CloseSubpath);

  pf::Path lone;
  lone.moveTo({3, 3});
  EXPECT_EQ(ODSVGUtils::newCGPathFromBezierPath(lone), lone);
  EXPECT_EQ(ODSVGUtils::newCGPathFromBezierPath(pf::Path()), std::nullopt);
}

}  // namespace
