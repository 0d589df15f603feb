#include "MorvNode/Nodes/Values/ValueRemapNode.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RemapCase {
  double x;
  double inMin;
  double inMax;
  double outMin;
  double outMax;
  bool cap;
  double result;
};

TEST(ValueRemapNodeMappingTest, MapsLinearlyAndCapsOnRequest)
{
  const std::vector<RemapCase> cases{
      {25, 0, 50, 0, 1, false, 0.5},
      {100, 0, 50, 0, 1, false, 2.0},
      {100, 0, 50, 0, 1, true, 1.0},
      {-10, 0, 50, 0, 1, true, 0.0},
      {0, 0, 50, -2, 2, false, -2.0},
      {7, 3, 3, 0, 1, false, 3.0},   // equal input bounds: t is inMin, not 0
      {25, 0, 50, 1, 0, true, 0.0},  // a reversed output range caps to outMax
      {25, 50, 0, 0, 1, false, 0.5},
  };
  for (const RemapCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " from " << c.inMin << ".." << c.inMax << " to " << c.outMin << ".."
                                    << c.outMax << (c.cap ? " capped" : ""));
    EXPECT_DOUBLE_EQ(ValueRemapNode::remap(c.x, c.inMin, c.inMax, c.outMin, c.outMax, c.cap), c.result);
  }
  EXPECT_TRUE(std::isnan(ValueRemapNode::remap(kNaN, 0, 50, 0, 1, false)));
  EXPECT_TRUE(std::isnan(ValueRemapNode::remap(kNaN, 0, 50, 0, 1, true)));
}

class ValueRemapNodeTest : public NodeGraphTest {};

TEST_F(ValueRemapNodeTest, TransformsItsInputAndFollowsTheSymmetricalRange)
{
  auto* remap = add<ValueRemapNode>("ValueRemapNode");
  MVParameterValue& value = *remap->valueParameter();
  value.setValue(25.0);  // the input while nothing is connected
  EXPECT_EQ(value.value(), 0.5);
  // The input stays stored: the next recomputation maps 25 again, not 0.5.
  EXPECT_EQ(value.localValue(), 25.0);
  remap->parameterNamed<MVParameterValue>("Input Max")->setValue(100.0);
  EXPECT_EQ(value.value(), 0.25);

  // A connected input is transformed too, and the input socket stays usable.
  auto* source = add<ValueNode>("ValueNode");
  source->valueParameter()->setValue(50.0);
  ASSERT_NE(controller().addConnectionFromSocket(source->valueParameter()->outputSocket(), value.inputSocket()),
            nullptr);
  EXPECT_EQ(value.value(), 0.5);  // 50 of 0 … 100
  source->valueParameter()->setValue(0.0);

  remap->parameterNamed<MVParameterValue>("Output Max")->setValue(2.0);
  remap->boolParameterNamed("Symmetrical output range")->setValue(true);
  EXPECT_EQ(remap->parameterNamed<MVParameterValue>("Output Min")->value(), -2.0);
  EXPECT_EQ(value.value(), -2.0);
}

}  // namespace
