#include "MorvNode/Nodes/Values/ValueCapNode.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

struct CapCase {
  double x;
  double min;
  double max;
  double result;
};

TEST(ValueCapNodeCapTest, ClampsWithMinWinningOverMaxAndLetsNaNThrough)
{
  const std::vector<CapCase> cases{
      {-5, 0, 1, 0}, {0.3, 0, 1, 0.3}, {7, 0, 1, 1}, {-5, 2, 1, 2}, {0.3, 2, 1, 2}, {7, 2, 1, 2},
  };
  for (const CapCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " in " << c.min << ".." << c.max);
    EXPECT_EQ(ValueCapNode::cap(c.x, c.min, c.max), c.result);
  }
  EXPECT_TRUE(std::isnan(ValueCapNode::cap(std::numeric_limits<double>::quiet_NaN(), 0, 1)));
}

class ValueCapNodeTest : public NodeGraphTest {};

TEST_F(ValueCapNodeTest, AProposedNumberIsTheInputItCaps)
{
  auto* cap = add<ValueCapNode>("ValueCapNode");
  cap->setProposedValue(7.0);
  EXPECT_EQ(cap->valueParameter()->value(), 1.0);
  cap->parameterNamed<MVParameterValue>("Output Max")->setValue(10.0);
  EXPECT_EQ(cap->valueParameter()->value(), 7.0);
}

}  // namespace
