#include "MorvNode/Inspector/FunctionGraph.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A 100 x 50 graph rectangle from (12, 0): the plot area spans y 4 to 46 (value bottom at 46).
const QRectF kGraph(12, 0, 100, 50);

TEST(FunctionGraph, RangeTicksAndAxisFollowTheBounds)
{
  struct Case {
    double min;
    double max;
    double bottom;
    double top;
    std::vector<double> ticks;
    double axisValue;
  };
  const std::vector<Case> cases = {
      {0, 0, -1, 1, {1}, 0},                // equal bounds widen; axis through the middle
      {0, 1, 0, 1, {1}, 0},                 // axis on the bottom edge
      {-10, 10, -10, 10, {-5, 5, 10}, 0},   // step 5: none at -10 or 0
      {-3, 0, -3, 0, {-2, -1}, -3},         // axis at the bottom, not at 0
      {10, 0, 0, 10, {5, 10}, 0},           // range 10 takes step 5; bounds in either order
      {0, 50, 0, 50, {10, 20, 30, 40, 50}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << " to " << c.max);
    const FunctionGraph graph([](double) { return 0.0; }, c.min, c.max, kGraph);
    EXPECT_EQ(graph.bottom(), c.bottom);
    EXPECT_EQ(graph.top(), c.top);
    EXPECT_EQ(graph.tickValues(), c.ticks);
    EXPECT_DOUBLE_EQ(graph.horizontalAxis().y1(), graph.yForValue(c.axisValue));
    EXPECT_DOUBLE_EQ(graph.verticalAxis().y1(), 46.0);
    EXPECT_DOUBLE_EQ(graph.verticalAxis().y2(), 4.0);
  }
}

TEST(FunctionGraph, SamplesOneHundredAndOnePointsAcrossThePlot)
{
  std::vector<double> inputs;
  const FunctionGraph graph(
      [&](double t) {
        inputs.push_back(t);
        return t;
      },
      0, 1, kGraph);
  ASSERT_EQ(graph.curve().size(), FunctionGraph::kSampleCount);
  EXPECT_DOUBLE_EQ(inputs.back(), 1.0);
  EXPECT_DOUBLE_EQ(graph.curve().first().x(), 14.0);
  EXPECT_DOUBLE_EQ(graph.curve().last().x(), 112.0);
  EXPECT_DOUBLE_EQ(graph.curve().first().y(), 46.0);
  EXPECT_DOUBLE_EQ(graph.curve().last().y(), 4.0);
  EXPECT_DOUBLE_EQ(FunctionGraph::tickStep(499.9), 50.0);
  EXPECT_DOUBLE_EQ(FunctionGraph::tickStep(500), 100.0);
}

TEST(FunctionGraph, HostileBoundsAndValuesStayDrawable)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const FunctionGraph graph([nan](double) { return nan; }, -1e308, 1e308, kGraph);
  for (const QPointF& point : graph.curve()) {
    EXPECT_TRUE(std::isfinite(point.y()));
  }
  EXPECT_LE(graph.ticks().size(), 1001u);
}

}  // namespace
