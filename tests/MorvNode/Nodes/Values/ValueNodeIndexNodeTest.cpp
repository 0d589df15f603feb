#include "MorvNode/Nodes/Values/ValueNodeIndexNode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeIndexTable.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ValueNodeIndexNodeTest : public NodeGraphTest {
protected:
  ValueNodeIndexNodeTest()
  {
    node = add<ValueNodeIndexNode>("ValueNodeIndexNode");
    publisher = add<ValueNode>("ValueNode");
    controller().setNodeIndex("Index", publisher, 0);
    MVParameterNodeIndex& index = node->indexParameter();
    index.updateElementIndexes();
    const std::vector<std::string>& keys = index.indexNames();
    const auto key = std::find(keys.begin(), keys.end(), MVNodeIndexTable::key(publisher->nodeId(), "Index"));
    index.setIndex(key - keys.begin());
  }
  bool warnsAboutTheFormula()
  {
    node->checkWarnings();
    const auto& messages = node->warningMessages();
    return std::find(messages.begin(), messages.end(),
                     "Index formula is enabled, but the output is connected to the plain index and not to the "
                     "calculated formula socket") != messages.end();
  }

  ValueNodeIndexNode* node = nullptr;
  ValueNode* publisher = nullptr;
};

TEST_F(ValueNodeIndexNodeTest, OutputsThePublishedIndexAndTheFormulaOfIt)
{
  // Downstream values follow each published index.
  auto* sink = add<ValueNode>("ValueNode");
  node->formulaParameter().setEnabled(true);  // a switched-off row takes no connections
  controller().addConnectionFromSocket(node->formulaParameter().outputSocket(), sink->valueParameter()->inputSocket());
  controller().updateDynamicValueNodesArray();
  for (long long copy = 0; copy < 4; ++copy) {
    SCOPED_TRACE(copy);
    controller().setNodeIndex("Index", publisher, copy);
    EXPECT_EQ(node->indexParameter().value(), static_cast<double>(copy));
    EXPECT_EQ(sink->valueParameter()->value(), copy + 1.0);  // "i+1"
  }
}

TEST_F(ValueNodeIndexNodeTest, OutsideTheBuildTheIndexReadsZeroAndWarns)
{
  controller().endNodeIndexSession("Index", publisher);
  node->formulaParameter().setEnabled(true);
  EXPECT_EQ(node->indexParameter().value(), 0.0);
  EXPECT_TRUE(node->indexParameter().invalidIndexFlag());
  EXPECT_EQ(node->formulaParameter().valueForSocketIndex(0), 1.0);
}

TEST_F(ValueNodeIndexNodeTest, WarnsWhenTheFormulaIsOnButOnlyThePlainIndexIsConnected)
{
  auto* sink = add<ValueNode>("ValueNode");
  controller().addConnectionFromSocket(node->indexParameter().outputSocket(), sink->valueParameter()->inputSocket());
  EXPECT_FALSE(warnsAboutTheFormula());
  node->formulaParameter().setEnabled(true);
  EXPECT_TRUE(warnsAboutTheFormula());
}

TEST_F(ValueNodeIndexNodeTest, TheFormulaKnowsOnlyI)
{
  node->formulaParameter().setEnabled(true);
  for (const char* expression : {"a+1", "j*2"}) {
    SCOPED_TRACE(expression);
    node->formulaParameter().setExpressionString(expression);
    EXPECT_EQ(node->formulaParameter().valueForSocketIndex(0), 0.0);
    EXPECT_TRUE(node->formulaParameter().parsingErrorFlag());
  }
  node->formulaParameter().setExpressionString("(10-i)/2+pi*0");
  EXPECT_EQ(node->formulaParameter().valueForSocketIndex(0), 5.0);
}

}  // namespace
