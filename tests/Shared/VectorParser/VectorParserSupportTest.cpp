#include "Shared/VectorParser/VectorParserSupport.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

namespace {

using Support = VectorParserSupport;

TEST(VectorParserAttributes, ReadsDoubleQuotedValuesByWholeName)
{
  struct Case {
    const char* tag;
    const char* name;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {R"~(<rect width="10" height="5"/>)~", "width", "10"},
      {R"~(<rect width ="12"/>)~", "width", "12"},
      {R"~(<rect WIDTH="7"/>)~", "width", "7"},
      {R"~(<rect width='10'/>)~", "width", std::nullopt},
      {R"~(<line stroke-width="3"/>)~", "width", std::nullopt},
      {R"~(<ellipse rx="4" x="9"/>)~", "x", "9"},
      {R"~(<rect x="1" x="2"/>)~", "x", "1"},
      {R"~(<rect x="1/>)~", "x", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    EXPECT_EQ(Support::svgParseParameterNamed(c.name, c.tag), c.expected);
  }
  EXPECT_EQ(Support::svgParseValueNamed("x", R"~(<rect x="10px" y="50%"/>)~"), 10.0);
  EXPECT_EQ(Support::svgParseValueNamed("y", R"~(<rect x="10px" y="50%"/>)~"), 50.0);
  EXPECT_EQ(Support::svgParseValueNamed("r", R"~(<circle cx="1"/>)~"), 0.0);
}

TEST(VectorParserColors, ReadsHexAndNamesOnly)
{
  struct Case {
    const char* text;
    std::optional<VectorParserRGB> expected;
  };
  const double grey = 128.0 / 255.0;
  const Case cases[] = {
      {"#FF8000", VectorParserRGB{1.0, 128.0 / 255.0, 0.0}},
      {"#fff", VectorParserRGB{1.0, 1.0, 1.0}},
      {"#ab", VectorParserRGB{0.0, 0.0, 0.0}},
      {"Red", VectorParserRGB{1.0, 0.0, 0.0}},
      {"gray", VectorParserRGB{grey, grey, grey}},
      {"grey", std::nullopt},
      {"url(#a)", VectorParserRGB{0.0, 0.0, 0.0}},
      {"rgb(255,0,0)", std::nullopt},
      {"none", std::nullopt},
      {"Transparent", std::nullopt},
      {"", std::nullopt},
      {"currentcolor", std::nullopt},
      // Runs of three digits go above 1 and are pinned.
      {"#fff000080", VectorParserRGB{1.0, 0.0, 128.0 / 255.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto color = Support::svgParseColorFromString(c.text);
    ASSERT_EQ(color.has_value(), c.expected.has_value());
    if (color) {
      for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR((*color)[i], (*c.expected)[i], 1e-12);
      }
    }
  }
}

TEST(VectorParserColors, TableKeepsOneSpellingOfGrey)
{
  for (const char* present : {"darkslategrey", "lightgrey", "rebeccapurple", "aqua", "cyan", "fuchsia", "magenta",
                              "darkgray", "dimgray", "lightslategray", "slategray", "yellowgreen", "aliceblue"}) {
    SCOPED_TRACE(present);
    EXPECT_TRUE(Support::svgHexColorNamed(present).has_value());
  }
  for (const char* absent : {"darkgrey", "dimgrey", "grey", "lightslategrey", "slategrey", "transparent",
                             "currentcolor", "Red"}) {
    SCOPED_TRACE(absent);
    EXPECT_FALSE(Support::svgHexColorNamed(absent).has_value());
  }
  EXPECT_EQ(Support::svgHexColorNamed("rebeccapurple"), "#663399");
  EXPECT_EQ(Support::svgHexColorNamed("darkslategrey"), "#2f4f4f");
}

TEST(VectorParserTokens, SplitsCommandsNumbersAndDots)
{
  struct Case {
    const char* text;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"M10-20", {"", "M", "10", "-20"}},
      {"1e-5,2", {"1e-5", "2"}},
      {"0.5.5", {"0.5", ".5"}},
      {"1.2.3.4", {"1.2.3", ".4"}},
      {"10,10 20,20,", {"10", "10", "20", "20", ""}},
      {"l5\t6\nz", {"", "l", "5", "6", "z", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Support::svgParsePointArrayFromString(c.text), c.expected);
  }
  EXPECT_FALSE(Support::svgParsePointArrayFromString("").has_value());

  const std::vector<std::string> three{"1", "2", "3"};
  EXPECT_EQ(Support::svgGetPointFromArray(&three, 0), pf::Point(1, 2));
  EXPECT_EQ(Support::svgGetPointFromArray(&three, 2), pf::Point(-9999, -9999));
  EXPECT_EQ(Support::svgGetPointFromArray(nullptr, 0), pf::Point(-9999, -9999));
}

TEST(VectorParserTransforms, ReadsListsInSvgOrder)
{
  struct Case {
    const char* text;
    pf::Point in;
    pf::Point out;
  };
  const Case cases[] = {
      {"rotate(90)", {1, 0}, {0, 1}},
      {"translate(10,0) scale(2,2)", {1, 0}, {12, 0}},
      {"translate(10, 20)", {0, 0}, {10, 20}},
      {"translate(10 20)", {0, 0}, {10, 20}},
      {"translate(10)", {0, 0}, {10, 0}},
      {"translate (10 20)", {0, 0}, {10, 20}},
      {"translate( 10 , 20 )", {0, 0}, {10, 20}},
      {"translate(10-20)", {0, 0}, {10, -20}},
      {"translate(1e1,-2e-1)", {0, 0}, {10, -0.2}},
      {"scale(2)translate(1,1)", {0, 0}, {2, 2}},
      {"scale(3)", {1, 1}, {3, 3}},
      {"matrix(1,0,0,1,5,6)", {1, 1}, {6, 7}},
      {"rotate(90deg)", {1, 0}, {0, 1}},
      {"rotate(180 10 0)", {0, 0}, {20, 0}},
      {"TRANSLATE(1px,2px)", {0, 0}, {1, 2}},
      {"skewX(30) translate(1,1)", {0, 0}, {1, 1}},
      {"matrix(1,0,0)", {1, 1}, {1, 1}},
      {"", {4, 5}, {4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const pf::Point p = Support::svgAffineTransformFromString(c.text).apply(c.in);
    EXPECT_NEAR(p.x, c.out.x, 1e-9);
    EXPECT_NEAR(p.y, c.out.y, 1e-9);
  }
}

TEST(VectorParserArcs, SmallRadiiGrowToAHalfEllipseBetweenTheEnds)
{
  pf::Path path;
  path.moveTo({0, 0});
  Support::svgAddArcToPoint({20, 0}, {1, 1}, 0, true, false, path);
  const auto box = path.bounds();
  ASSERT_TRUE(box.has_value());
  EXPECT_NEAR(box->minX(), 0.0, 1e-6);
  EXPECT_NEAR(box->maxX(), 20.0, 1e-6);
  // With the sweep flag the arc runs towards increasing angles: from the left end over the top
  // (y-down), a half circle of radius 10 about the chord's middle.
  EXPECT_NEAR(box->height(), 10.0, 1e-3);
  EXPECT_NEAR(box->minY(), -10.0, 1e-3);
  EXPECT_NEAR(path.currentPoint()->x, 20.0, 1e-9);
  EXPECT_NEAR(path.currentPoint()->y, 0.0, 1e-9);
}

TEST(VectorParserArcs, OnlyRotatedUnequalRadiiWarn)
{
  testsupport::LogCapture log;
  const char* warning =
      "Warning, SVG parsing of <PATH> ARC command doesn't support angled rotated arcs with different x/y radius. "
      "User curve commands instead!";
  pf::Path path;
  path.moveTo({0, 0});
  Support::svgAddArcToPoint({10, 10}, {10, 10}, 45, false, false, path);
  Support::svgAddArcToPoint({20, 0}, {10, 5}, 0, false, true, path);
  EXPECT_EQ(log.count(warning), 0);
  Support::svgAddArcToPoint({30, 10}, {10, 5}, 30, false, false, path);
  EXPECT_EQ(log.count(warning), 1);
  EXPECT_TRUE(path.isFinite());
}

TEST(VectorParserArcs, DegenerateArcsStayFinite)
{
  pf::Path zeroRadius;
  zeroRadius.moveTo({0, 0});
  Support::svgAddArcToPoint({10, 0}, {0, 5}, 0, true, false, zeroRadius);
  EXPECT_EQ(zeroRadius.elements().back().type, pf::PathElementType::LineTo);

  pf::Path samePoint;
  samePoint.moveTo({3, 3});
  Support::svgAddArcToPoint({3, 3}, {5, 5}, 0, true, false, samePoint);
  EXPECT_EQ(samePoint.elementCount(), 1u);

  pf::Path noStart;
  Support::svgAddArcToPoint({3, 3}, {5, 5}, 0, true, false, noStart);
  EXPECT_TRUE(noStart.isEmpty());
}

TEST(VectorParserRounding, RoundsHalvesAwayFromZero)
{
  EXPECT_DOUBLE_EQ(Support::roundToDecimals(4, 1.23456), 1.2346);
  EXPECT_DOUBLE_EQ(Support::roundToDecimals(4, -1.23456), -1.2346);
  EXPECT_DOUBLE_EQ(Support::roundToDecimals(0, 2.5), 3.0);
  EXPECT_DOUBLE_EQ(Support::roundToDecimals(0, -2.5), -3.0);
  EXPECT_NEAR(Support::svgAngle({1, 0}, {0, 1}), M_PI / 2.0, 1e-12);
  EXPECT_NEAR(Support::svgAngle({1, 0}, {0, -1}), -M_PI / 2.0, 1e-12);
  // Rounding may push the cosine past 1: the angle stays a number.
  EXPECT_FALSE(std::isnan(Support::svgAngle({1.0 + 1e-15, 0}, {1, 0})));
}

}  // namespace
