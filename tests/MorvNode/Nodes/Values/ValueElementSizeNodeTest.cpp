#include "MorvNode/Nodes/Values/ValueElementSizeNode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ValueElementSizeNodeTest : public NodeGraphTest {
protected:
  ValueElementSizeNodeTest() { node = add<ValueElementSizeNode>("ValueElementSizeNode"); }

  // A 40 x 20 rectangle without stroke centred on (x, y), connected to the node's input.
  MVConnection* connectRectangle(double x, double y)
  {
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    shape->sizeParameter()->setAspectLocked(false);
    shape->sizeParameter()->setValueX(40, 20);
    shape->positionParameter()->setValueX(x, y);
    return controller().addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                                node->graphicsParameterNamed("Graphics")->inputSocket());
  }
  double read(const char* name) { return node->parameterNamed<MVParameterValue>(name)->value(); }
  void showAll()
  {
    node->parameterNamed("X")->setEnabled(true);
    node->parameterNamed("Mode")->setEnabled(true);
  }
  bool warnsNoGraphics()
  {
    node->checkWarnings();
    const auto& messages = node->warningMessages();
    return std::find(messages.begin(), messages.end(),
                     "No Graphics connected, cannot get information. Returning last calculated values instead.") !=
           messages.end();
  }

  ValueElementSizeNode* node = nullptr;
};

TEST_F(ValueElementSizeNodeTest, MeasuresTheBoundingBoxPlusTheMargin)
{
  showAll();
  connectRectangle(100, 50);
  EXPECT_EQ(read("X"), 100.0);
  EXPECT_EQ(read("Y"), 50.0);
  EXPECT_EQ(read("Width"), 40.0);
  EXPECT_EQ(read("Height"), 20.0);
  EXPECT_EQ(read("Element Count"), 1.0);

  node->parameterNamed("Margin")->setEnabled(true);
  EXPECT_EQ(read("Width"), 42.0);
  EXPECT_EQ(read("Height"), 22.0);
}

TEST_F(ValueElementSizeNodeTest, EdgeCentresSpanTheElementsAndTheGroupsOwnPosition)
{
  showAll();
  node->indexParameterNamed("Mode")->setIndex(ValueElementSizeNode::kEdgeElementCenters);
  connectRectangle(0, 0);
  EXPECT_EQ(read("Width"), 0.0);  // a single element: only the margin, which is off
  connectRectangle(100, 100);
  EXPECT_EQ(read("Width"), 100.0);
  EXPECT_EQ(read("Height"), 100.0);
  EXPECT_EQ(read("Element Count"), 2.0);
  node->parameterNamed("Margin")->setEnabled(true);
  EXPECT_EQ(read("Width"), 102.0);
}

TEST_F(ValueElementSizeNodeTest, AGroupPositionOutsideItsElementsWidensTheSpan)
{
  showAll();
  node->indexParameterNamed("Mode")->setIndex(ValueElementSizeNode::kEdgeElementCenters);
  // The gathered input group sits at (0, 0), outside 50 … 100.
  connectRectangle(50, 50);
  connectRectangle(100, 80);
  EXPECT_EQ(read("Width"), 100.0);
  EXPECT_EQ(read("Height"), 80.0);
}

TEST_F(ValueElementSizeNodeTest, WithoutAnElementTheLastValuesStayAndTheNodeWarns)
{
  showAll();
  EXPECT_TRUE(warnsNoGraphics());
  EXPECT_EQ(read("Width"), 0.0);

  MVConnection* connection = connectRectangle(100, 50);
  EXPECT_EQ(read("Width"), 40.0);
  EXPECT_EQ(read("X"), 100.0);
  EXPECT_FALSE(warnsNoGraphics());

  controller().removeConnection(connection);
  EXPECT_EQ(read("Width"), 40.0);
  EXPECT_EQ(read("X"), 100.0);
  EXPECT_TRUE(warnsNoGraphics());
}

TEST_F(ValueElementSizeNodeTest, SwitchedOffRowsHideTheirFollowers)
{
  EXPECT_TRUE(node->parameterNamed("Y")->layoutHidden());
  EXPECT_TRUE(node->parameterNamed("Width")->layoutHidden());
  showAll();
  EXPECT_FALSE(node->parameterNamed("Y")->layoutHidden());
  EXPECT_FALSE(node->parameterNamed("Width")->layoutHidden());
  EXPECT_FALSE(node->parameterNamed("Margin")->layoutHidden());
}

}  // namespace
