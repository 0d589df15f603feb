#include "MorvNode/Nodes/Values/ValueListNode.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeIndexTable.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeListIndex.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ValueListNodeTest : public NodeGraphTest {
protected:
  ValueListNodeTest()
  {
    useRandomTable();
    node = add<ValueListNode>("ValueListNode");
  }

  MVParameterValue& parameter(const std::string& name) { return *node->parameterNamed<MVParameterValue>(name); }
  double output() { return node->valueParameter()->value(); }
  void setMode(long long mode) { node->indexParameterNamed("Index Mode")->setIndex(mode); }

  ValueListNode* node = nullptr;
};

struct ListCase {
  double index;
  bool interpolate;
  double result;
};

TEST_F(ValueListNodeTest, PicksOrBlendsTheEntryAtTheIndex)
{
  // Defaults: three values 0, 2, 4.
  const std::vector<ListCase> cases{
      {0, false, 0}, {1, false, 2}, {3, false, 0},  // wraps to Value 0
      {1.4, false, 2}, {1.4, true, 2.8},            // 0.6 × 2 + 0.4 × 4
      {2.5, true, 2},                               // half way from Value 2 back to Value 0
      {2, true, 4},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << (c.interpolate ? " interpolated" : ""));
    node->boolParameterNamed("Interpolate")->setValue(c.interpolate);
    parameter("Index").setValue(c.index);
    EXPECT_DOUBLE_EQ(output(), c.result);
  }
}

TEST_F(ValueListNodeTest, FewerValuesHideTheRestAndKeepTheirNumbers)
{
  node->indexParameterNamed("Number of values")->setIndex(0);
  EXPECT_EQ(node->count(), 2);
  EXPECT_FALSE(parameter("Value 1").layoutHidden());
  for (int k = 2; k < ValueListNode::kMaxValues; ++k) {
    EXPECT_TRUE(parameter("Value " + std::to_string(k)).layoutHidden());
  }
  EXPECT_EQ(parameter("Value 9").localValue(), 18.0);
  parameter("Index").setValue(2);
  EXPECT_EQ(output(), 0.0);  // 2 mod 2
}

TEST_F(ValueListNodeTest, ModesShowTheirRows)
{
  MVParameter& index = parameter("Index");
  MVParameter& offset = parameter("Index Offset");
  MVParameter& nodeIndex = *node->parameterNamed("IndexParameter");
  MVParameter& showSeed = *node->parameterNamed("Show seed");
  const std::vector<std::vector<bool>> hidden{
      // index, offset, node index, show seed
      {false, true, true, true},
      {true, false, true, false},
      {true, false, false, true},
  };
  for (long long mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    setMode(mode);
    EXPECT_EQ(index.layoutHidden(), hidden[mode][0]);
    EXPECT_EQ(offset.layoutHidden(), hidden[mode][1]);
    EXPECT_EQ(nodeIndex.layoutHidden(), hidden[mode][2]);
    EXPECT_EQ(showSeed.layoutHidden(), hidden[mode][3]);
  }
}

TEST_F(ValueListNodeTest, RandomModeReachesEveryEntryAndRepeatsPerGeneration)
{
  setMode(NodeListIndex::kRandom);
  const auto drawAll = [this] {
    node->initRandomSeed();
    std::vector<double> values;
    for (int i = 0; i < 60; ++i) {
      node->updateOutputParameters();
      values.push_back(output());
    }
    return values;
  };
  const std::vector<double> first = drawAll();
  EXPECT_EQ(std::set<double>(first.begin(), first.end()), (std::set<double>{0, 2, 4}));
  EXPECT_EQ(drawAll(), first);
}

TEST_F(ValueListNodeTest, ElementIndexModeReadsThePublishedIndexPlusTheOffset)
{
  auto* publisher = add<ValueNode>("ValueNode");
  controller().setNodeIndex("Index", publisher, 0);
  setMode(NodeListIndex::kElementIndex);
  auto* nodeIndex = node->elementIndexParameterNamed("IndexParameter");
  nodeIndex->updateElementIndexes();
  const std::vector<std::string>& keys = nodeIndex->indexNames();
  const auto key = std::find(keys.begin(), keys.end(), MVNodeIndexTable::key(publisher->nodeId(), "Index"));
  ASSERT_NE(key, keys.end());
  nodeIndex->setIndex(key - keys.begin());

  parameter("Index Offset").setValue(-1);
  EXPECT_EQ(output(), 4.0);  // -1 is the last entry
  parameter("Index Offset").setValue(0);
  controller().updateDynamicValueNodesArray();
  controller().setNodeIndex("Index", publisher, 1);
  EXPECT_EQ(output(), 2.0);
  // Outside the publisher's build the index has no value and reads 0.
  controller().endNodeIndexSession("Index", publisher);
  node->updateOutputParameters();  // read again, as the next generation does
  EXPECT_EQ(output(), 0.0);
  EXPECT_TRUE(nodeIndex->invalidIndexFlag());
}

TEST_F(ValueListNodeTest, AProposedNumberBecomesTheFirstValue)
{
  node->setProposedValue(7.0);
  EXPECT_EQ(output(), 7.0);
}

}  // namespace
