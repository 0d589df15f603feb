#include "MorvNode/Nodes/Values/ValueRandomNode.h"

#include <cmath>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ValueRandomNodeTest : public NodeGraphTest {
protected:
  ValueRandomNodeTest()
  {
    useRandomTable();
    node = add<ValueRandomNode>("ValueRandomNode");
  }

  MVParameterValue& parameter(const char* name) { return *node->parameterNamed<MVParameterValue>(name); }
  // One request, as a repeater makes it once per copy.
  double draw()
  {
    node->updateOutputParameters();
    return parameter("Value").value();
  }
  std::vector<double> generation(int requests)
  {
    node->initRandomSeed();
    std::vector<double> values;
    for (int i = 0; i < requests; ++i) {
      values.push_back(draw());
    }
    return values;
  }

  ValueRandomNode* node = nullptr;
};

TEST_F(ValueRandomNodeTest, EachRequestDrawsAnewAndAGenerationRepeatsTheSequence)
{
  const std::vector<double> first = generation(50);
  for (const double value : first) {
    EXPECT_GE(value, 0.0);
    EXPECT_LT(value, 10.0);
  }
  EXPECT_GT(std::set<double>(first.begin(), first.end()).size(), 45U);
  EXPECT_EQ(generation(50), first);

  parameter("Seed").setValue(parameter("Seed").value() + 1);
  EXPECT_NE(generation(50), first);
}

TEST_F(ValueRandomNodeTest, EqualBoundsGiveThatValue)
{
  parameter("Min").setValue(4.5);
  parameter("Max").setValue(4.5);
  for (const double value : generation(5)) {
    EXPECT_EQ(value, 4.5);
  }
}

struct RoundingCase {
  double v;
  double min;
  double max;
  double increment;
  double result;
};

TEST(ValueRandomNodeRoundingTest, RoundsToTheIncrementWithOneCorrectionEachWay)
{
  const std::vector<RoundingCase> cases{
      {9.7, 0.0, 10.0, 1.0, 10.0},  // not above Max, so it stays
      {0.4, 0.0, 10.0, 1.0, 0.0},
      {4.5, 0.0, 10.0, 1.0, 5.0},   // halves away from zero
      {-4.5, -10.0, 0.0, 1.0, -5.0},
      {44.0, 0.0, 100.0, 90.0, 0.0},
      {46.0, 0.0, 100.0, 90.0, 90.0},
      {0.6, 0.5, 0.7, 1.0, 0.0},    // 1 exceeds Max and becomes 0, below Min, where it stays
      {0.3, 0.2, 0.4, 1.0, 0.0},    // 0 is below Min: up to 1, above Max: back to 0
  };
  for (const RoundingCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v << " in " << c.min << ".." << c.max << " by " << c.increment);
    EXPECT_DOUBLE_EQ(ValueRandomNode::roundedToIncrement(c.v, c.min, c.max, c.increment), c.result);
  }
}

TEST_F(ValueRandomNodeTest, WithAnIncrementOfOneTheDrawsAreWholeNumbersUpToMax)
{
  parameter("Increment").setEnabled(true);
  std::set<double> seen;
  for (const double value : generation(200)) {
    EXPECT_EQ(value, std::round(value));
    seen.insert(value);
  }
  EXPECT_EQ(*seen.begin(), 0.0);
  EXPECT_EQ(*seen.rbegin(), 10.0);
}

TEST_F(ValueRandomNodeTest, SymmetricalRangeReadsMinAsMinusMaxAndGivesItBackWhenOff)
{
  parameter("Min").setValue(2.0);
  parameter("Max").setValue(5.0);
  auto* symmetrical = node->boolParameterNamed("Symmetrical range");
  symmetrical->setValue(true);
  EXPECT_EQ(parameter("Min").value(), -5.0);
  parameter("Max").setValue(3.0);
  EXPECT_EQ(parameter("Min").value(), -3.0);
  for (const double value : generation(20)) {
    EXPECT_GE(value, -3.0);
    EXPECT_LT(value, 3.0);
  }
  symmetrical->setValue(false);
  EXPECT_EQ(parameter("Min").value(), 2.0);
}

TEST_F(ValueRandomNodeTest, AProposedNumberBecomesTheWholeRange)
{
  node->setProposedValue(3.0);
  EXPECT_EQ(draw(), 3.0);
  node->setProposedValue(pf::Color::black());
  EXPECT_EQ(draw(), 3.0);
  EXPECT_EQ(log.countContaining("is not of the expected class"), 1);
}

TEST_F(ValueRandomNodeTest, OlderRecordsWithIntegerSwitchTheIncrementOnAtOne)
{
  parameter("Increment").setValue(5.0);
  pf::PlistValue::Dictionary values;
  values.set("Integer", pf::PlistValue(false));
  pf::PlistValue::Dictionary record;
  record.set("Parameter values", pf::PlistValue(values));
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_FALSE(parameter("Increment").enabled());

  values.set("Integer", pf::PlistValue(true));
  record.set("Parameter values", pf::PlistValue(values));
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_TRUE(parameter("Increment").enabled());
  EXPECT_EQ(parameter("Increment").value(), 1.0);
}

}  // namespace
