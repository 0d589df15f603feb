#include "Shared/SVG/ODSVGCommand.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Shared/SVG/ODSVGCommandMove.h"
#include "SvgTestDocuments.h"

namespace {

using pf::PathElementType;

std::vector<PathElementType> types(const pf::Path& path)
{
  std::vector<PathElementType> result;
  for (const pf::PathElement& element : path.elements()) {
    result.push_back(element.type);
  }
  return result;
}

void expectPoint(pf::Point actual, pf::Point expected, double tolerance = 1e-9)
{
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
}

TEST(SvgPathCommands, SubCommandsPerCompleteParameterSet)
{
  const ODSVGCommand command("L10 20 30 40 50");
  ASSERT_EQ(command.subCommands().size(), 2u);
  EXPECT_EQ(command.subCommands()[0].parameters(), (std::vector<double>{10, 20}));
  EXPECT_EQ(command.subCommands()[1].parameters(), (std::vector<double>{30, 40}));
  EXPECT_TRUE(command.subCommands()[1].isSubCommand());
  EXPECT_EQ(command.type(), 0);
  EXPECT_EQ(ODSVGCommand("l1").subCommands().size(), 0u);
  EXPECT_EQ(ODSVGCommand("z 5").subCommands().size(), 1u);
  EXPECT_EQ(ODSVGCommand("m1 2").type(), 1);
  EXPECT_EQ(ODSVGCommand::commandClassForCommandLetter("M"), &ODSVGCommandMove::commandClass());
  EXPECT_EQ(ODSVGCommand::commandClassForCommandLetter("x"), nullptr);
  EXPECT_EQ(ODSVGCommand::registeredCommandClasses().size(), 10u);
}

TEST(SvgPathCommands, SeparatorsMovesAndLines)
{
  struct Case {
    const char* data;
    std::vector<PathElementType> types;
    pf::Point end;
  };
  const Case cases[] = {
      {"M10,20L30,40", {PathElementType::MoveTo, PathElementType::LineTo}, {30, 40}},
      {"M10 20 L30 40", {PathElementType::MoveTo, PathElementType::LineTo}, {30, 40}},
      {"  M10 20 L30 40", {PathElementType::MoveTo, PathElementType::LineTo}, {30, 40}},
      {"M10-20", {PathElementType::MoveTo}, {10, -20}},
      {"M0 0 10 10 20 0", {PathElementType::MoveTo, PathElementType::LineTo, PathElementType::LineTo}, {20, 0}},
      {"m5 5 10 0", {PathElementType::MoveTo, PathElementType::LineTo}, {15, 5}},
      {"M0 0 L1 2 3", {PathElementType::MoveTo, PathElementType::LineTo}, {1, 2}},
      {"M1e1 0L2E1,0", {PathElementType::MoveTo, PathElementType::LineTo}, {20, 0}},
      {"M1 1 h5 v5 H0 V0", {PathElementType::MoveTo, PathElementType::LineTo, PathElementType::LineTo,
                            PathElementType::LineTo, PathElementType::LineTo}, {0, 0}},
      {"M0 0 l10 0 m5 5 l1 1", {PathElementType::MoveTo, PathElementType::LineTo, PathElementType::MoveTo,
                                PathElementType::LineTo}, {16, 6}},
      {"M0 0 L10 0 L10 10 Z", {PathElementType::MoveTo, PathElementType::LineTo, PathElementType::LineTo,
                               PathElementType::CloseSubpath}, {0, 0}},
      {"M0 0 L10 0 z 5", {PathElementType::MoveTo, PathElementType::LineTo, PathElementType::CloseSubpath}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    const std::optional<pf::Path> path = svgtest::pathFor(c.data);
    ASSERT_TRUE(path);
    EXPECT_EQ(types(*path), c.types);
    expectPoint(*path->currentPoint(), c.end);
  }
}

TEST(SvgPathCommands, SmoothCurvesReflectThePreviousControl)
{
  struct Case {
    const char* data;
    pf::Point firstControlOfLastCurve;
  };
  const Case cases[] = {
      {"M0 0 C10 0 20 10 20 20 S30 40 40 40", {20, 30}},
      {"M0 0 c10 0 20 10 20 20 s10 20 20 20", {20, 30}},
      {"M0 0 C10 0 20 10 20 20 S30 40 40 40 S50 50 60 60", {50, 40}},
      {"M0 0 c10 0 20 10 20 20 s10 20 20 20 s10 10 20 20", {50, 40}},
      {"M0 0 L20 20 S30 40 40 40", {20, 20}},
      {"M20 20 S30 40 40 40", {20, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    const std::optional<pf::Path> path = svgtest::pathFor(c.data);
    ASSERT_TRUE(path);
    ASSERT_EQ(path->elements().back().type, PathElementType::CurveTo);
    expectPoint(path->elements().back().points[0], c.firstControlOfLastCurve);
  }
}

TEST(SvgPathCommands, QuadraticCurvesBecomeCubicAndTReflects)
{
  constexpr double k = 0.6666666666666666;
  const std::optional<pf::Path> quad = svgtest::pathFor("M0 0 Q30 0 30 30");
  ASSERT_TRUE(quad);
  const pf::PathElement& curve = quad->elements().back();
  ASSERT_EQ(curve.type, PathElementType::CurveTo);
  expectPoint(curve.points[0], {k * 30, 0});
  expectPoint(curve.points[1], {30, 30 + k * (0 - 30)});

  // The T control is (10, 20), then its reflection (10, 40).
  const std::optional<pf::Path> smooth = svgtest::pathFor("M0 0 Q10 0 10 10 T10 30 T10 50");
  ASSERT_TRUE(smooth);
  ASSERT_EQ(smooth->elementCount(), 4u);
  expectPoint(smooth->elements()[2].points[0], {10, 10 + k * 10});
  expectPoint(smooth->elements()[3].points[0], {10, 30 + k * 10});
  const std::optional<pf::Path> relative = svgtest::pathFor("M0 0 q10 0 10 10 t0 20");
  ASSERT_TRUE(relative);
  expectPoint(relative->elements()[2].points[0], {10, 10 + k * 10});
}

TEST(SvgPathArcs, EndpointsCentresAndSweep)
{
  struct Case {
    const char* data;
    pf::Rect bounds;
  };
  const Case cases[] = {
      {"M0 0 A50 30 0 0 1 100 0", {0, -30, 100, 30}},
      {"M0 0 A50 30 0 0 0 100 0", {0, 0, 100, 30}},
      {"M0 0 a50 30 0 0 1 100 0", {0, -30, 100, 30}},
      {"M0 0 A10 10 0 0 1 100 0", {0, -50, 100, 50}},      // radii scaled up to reach the end
      {"M0 0 A-50 -30 0 0 1 100 0", {0, -30, 100, 30}},    // negative radii are absolute
      {"M0 0 A50 50 0 1 1 50 50", {0, -50, 100, 100}},     // large arc: three quarters
      {"M0 0 A50 50 0 0 1 50 50", {0, 0, 50, 50}},         // small arc: one quarter
      {"M0 0 A50 25 90 0 1 0 100", {0, 0, 25, 100}},       // turned by 90 degrees
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    const std::optional<pf::Path> path = svgtest::pathFor(c.data);
    ASSERT_TRUE(path);
    const std::optional<pf::Rect> box = path->bounds();
    ASSERT_TRUE(box);
    EXPECT_NEAR(box->minX(), c.bounds.minX(), 1e-3);
    EXPECT_NEAR(box->minY(), c.bounds.minY(), 1e-3);
    EXPECT_NEAR(box->width(), c.bounds.width(), 1e-3);
    EXPECT_NEAR(box->height(), c.bounds.height(), 1e-3);
  }
}

TEST(SvgPathCommands, EveryCommandRepeatsForFurtherParameterSets)
{
  using T = PathElementType;
  struct Case {
    const char* data;
    std::vector<PathElementType> types;
    pf::Point end;
  };
  const Case cases[] = {
      {"M0 0 10 0 10 10", {T::MoveTo, T::LineTo, T::LineTo}, {10, 10}},
      {"m10 10 10 0 0 10", {T::MoveTo, T::LineTo, T::LineTo}, {20, 20}},
      {"M0,0,1,0,1,1z", {T::MoveTo, T::LineTo, T::LineTo, T::CloseSubpath}, {0, 0}},
      {"M 0 0 L 1 2 3 4", {T::MoveTo, T::LineTo, T::LineTo}, {3, 4}},
      {"M0 0 l1 2 3 4", {T::MoveTo, T::LineTo, T::LineTo}, {4, 6}},
      {"M0 0 h1 2 3 v1 1", {T::MoveTo, T::LineTo, T::LineTo, T::LineTo, T::LineTo, T::LineTo}, {6, 2}},
      {"M0 0 c0 1 1 1 1 0 0 1 1 1 1 0", {T::MoveTo, T::CurveTo, T::CurveTo}, {2, 0}},
      {"M0 0 s1 1 2 0 1 1 2 0", {T::MoveTo, T::CurveTo, T::CurveTo}, {4, 0}},
      {"M0 0 q1 1 2 0 1 1 2 0", {T::MoveTo, T::CurveTo, T::CurveTo}, {4, 0}},
      {"M0 0 t2 0 2 0", {T::MoveTo, T::CurveTo, T::CurveTo}, {4, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    const std::optional<pf::Path> path = svgtest::pathFor(c.data);
    ASSERT_TRUE(path);
    EXPECT_EQ(types(*path), c.types);
    expectPoint(*path->currentPoint(), c.end);
  }
}

TEST(SvgPathArcs, FlagsNeedNoSeparators)
{
  struct Case {
    const char* compact;
    const char* spaced;
  };
  const Case cases[] = {
      {"M0 0 a1 1 0 00 10 10", "M0 0 a1 1 0 0 0 10 10"},
      {"M0 0 a5 5 0 1110 0", "M0 0 a5 5 0 1 1 10 0"},
      {"M0 0 A5,5,0,0,1,10,0", "M0 0 A5 5 0 0 1 10 0"},
      {"M0 0 a5 5 0 0110 0 5 5 0 0110 0", "M0 0 a5 5 0 0 1 10 0 a5 5 0 0 1 10 0"},
      {"M0 0 a5 5 0 01-10 0", "M0 0 a5 5 0 0 1 -10 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.compact);
    const std::optional<pf::Path> compact = svgtest::pathFor(c.compact);
    const std::optional<pf::Path> spaced = svgtest::pathFor(c.spaced);
    ASSERT_TRUE(compact);
    ASSERT_TRUE(spaced);
    EXPECT_EQ(types(*compact), types(*spaced));
    ASSERT_GT(compact->elementCount(), 1u);
    expectPoint(*compact->currentPoint(), *spaced->currentPoint());
    EXPECT_EQ(compact->bounds(), spaced->bounds());
  }
}

TEST(SvgPathArcs, DegenerateArcs)
{
  const std::optional<pf::Path> flat = svgtest::pathFor("M0 0 A0 10 0 0 1 50 50");
  ASSERT_TRUE(flat);
  EXPECT_EQ(types(*flat), (std::vector<PathElementType>{PathElementType::MoveTo, PathElementType::LineTo}));
  expectPoint(*flat->currentPoint(), {50, 50});

  const std::optional<pf::Path> onItself = svgtest::pathFor("M10 10 A5 5 0 0 1 10 10");
  ASSERT_TRUE(onItself);
  EXPECT_EQ(onItself->elementCount(), 1u);

  const std::optional<pf::Path> huge = svgtest::pathFor("M0 0 A1e308 1e308 0 1 1 1e308 -1e308 L1 1");
  ASSERT_TRUE(huge);
  expectPoint(*huge->currentPoint(), {1, 1});
}

TEST(SvgPathArcs, LongChainsEndExactlyWithoutDrift)
{
  std::string data = "M0 0";
  for (int i = 0; i < 2000; ++i) {
    data += " a10 7 30 0 1 20 0";
  }
  const std::optional<pf::Path> path = svgtest::pathFor(data);
  ASSERT_TRUE(path);
  EXPECT_EQ(*path->currentPoint(), pf::Point(40000, 0));
  // Every arc ends on the x axis at a multiple of 20: earlier arcs were not moved by later ones.
  int onAxis = 0;
  for (const pf::PathElement& element : path->elements()) {
    const pf::Point end = element.endPoint();
    if (end.y == 0 && std::fmod(end.x, 20) == 0) {
      ++onAxis;
    }
  }
  EXPECT_GE(onAxis, 2001);
}

TEST(SvgPathCommands, SegmentWithoutCurrentPointIsAnErrorOfTheDocument)
{
  for (const char* data : {"L10 10", "H5", "v5", "C1 1 2 2 3 3", "Q1 1 2 2", "T1 1", "S1 1 2 2", "A5 5 0 0 1 9 9",
                           "Z L5 5"}) {
    SCOPED_TRACE(data);
    ODSVGError error;
    EXPECT_EQ(svgtest::parse(std::string("<path d=\"") + data + "\"/>", &error), nullptr);
    EXPECT_EQ(error.code, ODSVGError::kBuildFailed);
    EXPECT_EQ(error.domain, "ODSVGErrorDomain");
  }
}

}  // namespace
