#include "MorvNode/Nodes/Elements/ElementListNode.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeListIndex.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ElementListNodeTest : public NodeGraphTest {
protected:
  ElementListNodeTest()
  {
    useRandomTable();
    node = add<ElementListNode>("ElementListNode");
  }

  // A shape at x = 10 × position connected to the input at `position`.
  MVConnection* connectShape(int position)
  {
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    shape->positionParameter()->setValueX(10.0 * position, 0);
    return controller().addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                                node->elementInput(position).inputSocket());
  }
  // The chosen position, from the element's x; -1 for no element.
  int chosen()
  {
    node->graphicsParameter()->inputChanged();
    const auto element = node->graphicsParameter()->element();
    return element ? static_cast<int>(element->positionX() / 10.0) : -1;
  }
  bool warnsNothingConnected()
  {
    node->checkWarnings();
    const auto& messages = node->warningMessages();
    return std::find(messages.begin(), messages.end(),
                     "No graphics input is connected to any of the Element inputs, so nothing will be output "
                     "regardless of index.") != messages.end();
  }

  ElementListNode* node = nullptr;
};

TEST_F(ElementListNodeTest, OnlyTheGraphicsOutputOfTheBaseShows)
{
  for (const char* name : {"Size", "Position", "Rotation", "Fill Color", "Stroke Color", "Stroke Caps"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(node->parameterNamed(name)->layoutHidden());
  }
  EXPECT_FALSE(node->graphicsParameter()->layoutHidden());
  EXPECT_FALSE(node->parameterNamed("Element 2")->layoutHidden());
  EXPECT_TRUE(node->parameterNamed("Element 3")->layoutHidden());
  // The seed rows sit between the offset and the list.
  const auto& parameters = node->parameters();
  const auto position = [&](const char* name) {
    return std::find_if(parameters.begin(), parameters.end(), [&](const auto& p) { return p->name() == name; }) -
           parameters.begin();
  };
  EXPECT_EQ(position("Show seed"), position("Index Offset") + 1);
  EXPECT_EQ(position("Number of elements"), position("Seed") + 1);
}

TEST_F(ElementListNodeTest, TheIndexWrapsIntoTheShownInputs)
{
  node->indexParameterNamed("Number of elements")->setIndex(3);  // 5 elements
  for (int k = 0; k < 5; ++k) {
    ASSERT_NE(connectShape(k), nullptr);
  }
  MVParameterValue& index = *node->parameterNamed<MVParameterValue>("Index");
  index.setValue(4);
  EXPECT_EQ(chosen(), 4);
  // Back to 3: the inputs at 3 and 4 hide, which drops their connections, and are out of reach.
  node->indexParameterNamed("Number of elements")->setIndex(1);
  EXPECT_TRUE(node->elementInput(4).layoutHidden());
  EXPECT_FALSE(node->elementInput(4).hasConnectedInput());
  const std::vector<std::pair<double, int>> cases{{4, 1}, {0, 0}, {3, 0}, {-1, 2}, {2, 2}, {7, 1}};
  for (const auto& [value, position] : cases) {
    SCOPED_TRACE(value);
    index.setValue(value);
    EXPECT_EQ(chosen(), position);
  }
}

TEST_F(ElementListNodeTest, AnUnconnectedChoiceGivesNothingAndNoInputAtAllWarns)
{
  EXPECT_TRUE(warnsNothingConnected());
  EXPECT_EQ(chosen(), -1);
  MVConnection* connection = connectShape(1);
  EXPECT_FALSE(warnsNothingConnected());
  EXPECT_EQ(chosen(), -1);  // position 0 is empty
  node->parameterNamed<MVParameterValue>("Index")->setValue(1);
  EXPECT_EQ(chosen(), 1);
  controller().removeConnection(connection);
  EXPECT_EQ(chosen(), -1);
}

TEST_F(ElementListNodeTest, TheChoiceIsStampedAndPassesThroughADisabledNode)
{
  connectShape(0);
  node->setEnabled(false);
  node->graphicsParameter()->inputChanged();
  const auto element = node->graphicsParameter()->element();
  ASSERT_TRUE(element);
  EXPECT_EQ(element->nodeHistory().back(), node->nodeId());
}

TEST_F(ElementListNodeTest, RandomModeDrawsPerRequestAndRepeatsPerGeneration)
{
  for (int k = 0; k < 3; ++k) {
    connectShape(k);
  }
  node->indexParameterNamed("Index Mode")->setIndex(NodeListIndex::kRandom);
  const auto drawAll = [this] {
    node->initRandomSeed();
    std::vector<int> positions;
    for (int i = 0; i < 30; ++i) {
      positions.push_back(chosen());
    }
    return positions;
  };
  const std::vector<int> first = drawAll();
  EXPECT_EQ(std::set<int>(first.begin(), first.end()), (std::set<int>{0, 1, 2}));
  EXPECT_EQ(drawAll(), first);
}

}  // namespace
