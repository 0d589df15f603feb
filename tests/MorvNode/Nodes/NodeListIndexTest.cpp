#include "MorvNode/Nodes/NodeListIndex.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct PositionCase {
  double x;
  int count;
  int position;
};

TEST(NodeListIndexTest, FloorsAndWrapsEveryNumberIntoTheList)
{
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  const std::vector<PositionCase> cases{
      {0.0, 3, 0},    {1.9, 3, 1},   {3.0, 3, 0},  {2.999, 3, 2},  {-1.0, 3, 2},  {-0.5, 3, 2},
      {-3.0, 3, 0},   {-3.5, 3, 2},  {-4.0, 3, 2}, {20.0, 20, 0},  {19.5, 20, 19}, {kNaN, 3, 0},
      // Beyond the int range the index saturates (2147483647 and -2147483648), then wraps.
      {1e300, 3, 1},  {kInfinity, 3, 1}, {-1e300, 3, 1}, {-kInfinity, 3, 1}, {2147483647.5, 10, 7},
      {5.0, 0, 0},  // no list: position 0 rather than a division by zero
  };
  for (const PositionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " of " << c.count);
    EXPECT_EQ(NodeListIndex::position(c.x, c.count), c.position);
  }
}

TEST(NodeListIndexTest, FractionIsTheWeightOfTheNextEntryAndZeroWithoutAFiniteIndex)
{
  EXPECT_DOUBLE_EQ(NodeListIndex::fraction(1.4), 0.4);
  EXPECT_DOUBLE_EQ(NodeListIndex::fraction(-0.25), 0.75);
  EXPECT_EQ(NodeListIndex::fraction(2.0), 0.0);
  EXPECT_EQ(NodeListIndex::fraction(std::numeric_limits<double>::quiet_NaN()), 0.0);
  EXPECT_EQ(NodeListIndex::fraction(std::numeric_limits<double>::infinity()), 0.0);
  EXPECT_EQ(NodeListIndex::fraction(1e300), 0.0);
}

}  // namespace
