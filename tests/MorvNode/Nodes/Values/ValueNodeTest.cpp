#include "MorvNode/Nodes/Values/ValueNode.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ValueNodeTest : public NodeGraphTest {};

TEST_F(ValueNodeTest, APlainValueOutputsOneAndTakesProposedNumbersOnly)
{
  auto* node = add<ValueNode>("ValueNode");
  EXPECT_EQ(node->valueParameter()->value(), 1.0);
  node->setProposedValue(pf::Color::white());
  EXPECT_EQ(node->valueParameter()->value(), 1.0);
  EXPECT_EQ(log.countContaining("is not of the expected class"), 1);
  node->setProposedValue(4.0);
  EXPECT_EQ(node->valueParameter()->value(), 4.0);
}

// Every value and colour node class, and the element list, saved, loaded into a fresh
// document and saved again gives the same record; a node never met its value source.
TEST_F(ValueNodeTest, RecordsRoundTripThroughAFreshDocument)
{
  const std::vector<std::string> classes{
      "ValueNode",         "ValueMathNode",        "ValueMiniMathNode",  "ValueRandomNode",
      "ValueRemapNode",    "ValueCapNode",         "ValueRoundNode",     "ValueListNode",
      "ValueElementSizeNode", "ValueNodeIndexNode", "ColorNode",         "ColorListNode",
      "ColorAdjustmentNode", "ElementListNode",
  };
  for (const std::string& className : classes) {
    SCOPED_TRACE(className);
    MVNode* node = add(className);
    ASSERT_NE(node, nullptr);
    // Something other than the defaults: the first visible value row, and a switched toggle row.
    for (const auto& parameter : node->parameters()) {
      auto* value = dynamic_cast<MVParameterValue*>(parameter.get());
      if (value != nullptr && !value->hasValueSource() && parameter->className() == "MVParameterValue" &&
          !parameter->layoutHidden()) {
        value->setValue(value->localValue() + 1);
        break;
      }
    }
    for (const auto& parameter : node->parameters()) {
      if (parameter->layoutHasEnableToggle()) {
        parameter->setEnabled(!parameter->enabled());
        break;
      }
    }
    const pf::PlistValue::Dictionary record = node->descriptionDictionary();

    MVDocument fresh;
    fresh.nodeController().loadNodesFromArray({pf::PlistValue(record)});
    MVNode* loaded = fresh.nodeController().nodeWithId(node->nodeId());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->className(), className);
    EXPECT_EQ(loaded->descriptionDictionary(), record);
    fresh.nodeController().releaseResources();
  }
}

}  // namespace
