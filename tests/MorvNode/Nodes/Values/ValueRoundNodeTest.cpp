#include "MorvNode/Nodes/Values/ValueRoundNode.h"

#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

struct RoundCase {
  double x;
  long long function;
  int decimals;  // -1: switched off
  double result;
};

class ValueRoundNodeTest : public NodeGraphTest {};

TEST_F(ValueRoundNodeTest, RoundsCeilsAndFloorsToWholeNumbersOrDecimals)
{
  auto* round = add<ValueRoundNode>("ValueRoundNode");
  MVParameterValue& value = *round->valueParameter();
  MVParameterValue& decimals = *round->parameterNamed<MVParameterValue>("Decimals");
  const std::vector<RoundCase> cases{
      {2.5, ValueRoundNode::kRound, -1, 3.0},
      {-2.5, ValueRoundNode::kRound, -1, -3.0},
      {2.01, ValueRoundNode::kCeiling, -1, 3.0},
      {-2.01, ValueRoundNode::kFloor, -1, -3.0},
      {3.14159, ValueRoundNode::kRound, 2, 3.14},
      {3.14159, ValueRoundNode::kCeiling, 2, 3.15},
      {3.14159, ValueRoundNode::kFloor, 2, 3.14},
      {3.14159, ValueRoundNode::kFloor, 0, 3.0},
      // So many decimals that the scaled number overflows: nothing is left to round.
      {3.14159, ValueRoundNode::kRound, 400, 3.14159},
  };
  for (const RoundCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " by " << c.function << " at " << c.decimals);
    round->parameterNamed<MVParameterIndex>("Function")->setIndex(c.function);
    decimals.setEnabled(c.decimals >= 0);
    decimals.setValue(c.decimals);
    value.setValue(c.x);
    EXPECT_DOUBLE_EQ(value.value(), c.result);
  }
}

}  // namespace
