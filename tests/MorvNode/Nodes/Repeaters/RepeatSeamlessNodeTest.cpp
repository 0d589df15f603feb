#include "MorvNode/Nodes/Repeaters/RepeatSeamlessNode.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "RepeaterTestSupport.h"

namespace {

class RepeatSeamlessNodeTest : public RepeaterTest {
protected:
  RepeatSeamlessNodeTest()
  {
    artboard().sizeParameter()->setValueX(100, 100);
    seamless = addRepeater<RepeatSeamlessNode>("RepeatSeamlessNode");
    seamless->trimModeParameter()->setEnabled(false);
    regenerate();  // reads the artboard size
  }
  // A circle of diameter `d` centred at (x, y).
  std::shared_ptr<MVElementPath> circle(double x, double y, double d, long long elementID = 0)
  {
    auto element = std::make_shared<MVElementPath>();
    element->setElementID(elementID);
    element->setNodeController(&controller());
    element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(d / 2)));
    element->setWidth(d);
    element->setHeight(d);
    element->setPositionX(x, y);
    element->setElementName("Circle");
    return element;
  }
  std::shared_ptr<MVElementGroup> groupOf(std::vector<std::shared_ptr<MVElementPath>> children)
  {
    auto result = std::make_shared<MVElementGroup>();
    result->setNodeController(&controller());
    for (auto& child : children) {
      result->addElementWithoutRecalculatingPivot(std::move(child));
    }
    result->recalculateArrayPivot();
    return result;
  }
  std::shared_ptr<const MVElement> tile(std::shared_ptr<const MVElement> input)
  {
    return seamless->graphicsElementForParameter(seamless->graphicsParameter(), std::move(input));
  }
  void trim(long long mode)
  {
    seamless->trimModeParameter()->setEnabled(true);
    seamless->trimModeParameter()->setIndex(mode);
  }

  RepeatSeamlessNode* seamless = nullptr;
};

TEST_F(RepeatSeamlessNodeTest, WhatSticksOutOnTheRightComesBackOnTheLeft)
{
  const auto result = std::dynamic_pointer_cast<const MVElementGroup>(tile(circle(100, 50, 40)));
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->elementName(), "Seamless group");
  const auto placed = members(*result);
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].x, 0);  // the copy moved by (-100, 0)
  EXPECT_EQ(placed[0].y, 50);
  EXPECT_EQ(placed[1].x, 100);  // the centre
  EXPECT_EQ(placed[1].y, 50);
  EXPECT_EQ(result->elementArray()[0]->nodeHistory(), std::vector<std::string>{seamless->nodeId()});
  EXPECT_TRUE(result->elementArray()[1]->nodeHistory().empty());
}

TEST_F(RepeatSeamlessNodeTest, TrimmingASingleElementThatCrossesAnEdgeLeavesNothing)
{
  struct Case {
    long long mode;
    bool kept;
  };
  // The circle crosses the right edge only.
  for (const Case& c : std::vector<Case>{{RepeatSeamlessNode::kBottomRight, false},
                                         {RepeatSeamlessNode::kRight, false},
                                         {RepeatSeamlessNode::kTopLeft, true},
                                         {RepeatSeamlessNode::kNone, true}}) {
    SCOPED_TRACE(c.mode);
    trim(c.mode);
    EXPECT_EQ(tile(circle(100, 50, 40)) != nullptr, c.kept);
  }
}

TEST_F(RepeatSeamlessNodeTest, TrimmingAGroupRemovesTheMembersReachingOverTheEdge)
{
  trim(RepeatSeamlessNode::kRight);
  const auto allOver = tile(groupOf({circle(100, 20, 20), circle(100, 70, 20)}));
  const auto* empty = dynamic_cast<const MVElementGroup*>(allOver.get());
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->count(), 0);

  // Two members that share one element ID (copies of one element): only the one over the edge
  // goes.
  const auto shared = std::dynamic_pointer_cast<const MVElementGroup>(
      tile(groupOf({circle(100, 20, 20, 42), circle(50, 50, 20, 42)})));
  ASSERT_NE(shared, nullptr);
  const auto placed = members(*shared);
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0].x, 50);
  EXPECT_EQ(placed[0].y, 50);
}

TEST_F(RepeatSeamlessNodeTest, HiddenMembersAreCulledFirstUnlessRepeated)
{
  // One member inside, one entirely right of the tile whose left copy lands inside.
  struct Case {
    bool repeatHidden;
    std::size_t members;
  };
  for (const Case& c : std::vector<Case>{{false, 1}, {true, 2}}) {
    SCOPED_TRACE(c.repeatHidden);
    seamless->boolParameterNamed("Hidden")->setValue(c.repeatHidden);
    const auto result = std::dynamic_pointer_cast<const MVElementGroup>(
        tile(groupOf({circle(30, 30, 10), circle(160, 50, 10)})));
    ASSERT_NE(result, nullptr);
    const auto placed = members(*result);
    ASSERT_EQ(placed.size(), c.members);
    if (c.repeatHidden) {
      EXPECT_NEAR(placed[0].x, 60, 1e-9);  // (160, 50) moved by (-100, 0)
    }
  }
}

TEST_F(RepeatSeamlessNodeTest, WithoutRepetitionTheCulledInputIsTheAnswer)
{
  seamless->boolParameterNamed("Horizontal")->setValue(false);
  seamless->boolParameterNamed("Vertical")->setValue(false);
  auto single = circle(160, 50, 10);
  EXPECT_EQ(tile(single), single);
  const auto result = std::dynamic_pointer_cast<const MVElementGroup>(tile(groupOf({circle(30, 30, 10), circle(160, 50, 10)})));
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->count(), 1);
}

TEST_F(RepeatSeamlessNodeTest, ClippingRectangleIsRestoredOnEveryPath)
{
  const pf::Rect narrowed(10, 10, 20, 20);
  for (long long mode : {RepeatSeamlessNode::kNone, RepeatSeamlessNode::kRight}) {
    trim(mode);
    for (double x : {50.0, 100.0}) {
      controller().setArtboardClippingRect(narrowed);
      tile(circle(x, 50, 40));
      EXPECT_EQ(controller().artboardClippingRect(), narrowed);
    }
  }
}

TEST_F(RepeatSeamlessNodeTest, PreviewOutlinesTheTileWithOvershoot)
{
  const auto preview = std::dynamic_pointer_cast<const MVElementGroup>(
      seamless->graphicsPreviewElementForParameter(seamless->graphicsParameter(), circle(50, 50, 10)));
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->count(), 5);
  const auto* left = dynamic_cast<const MVElementPath*>(preview->elementArray()[1].get());
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(*left->cgPath(), MVElementPath::cgPathForLineFromX(0, -10, 0, 110));
  EXPECT_DOUBLE_EQ(left->strokeWidth(), 0.6 * 110 / 40);
  EXPECT_DOUBLE_EQ(left->strokeOpacity(), 0.7);
  const auto* bottom = dynamic_cast<const MVElementPath*>(preview->elementArray()[4].get());
  EXPECT_EQ(*bottom->cgPath(), MVElementPath::cgPathForLineFromX(-10, 100, 110, 100));
}

TEST_F(RepeatSeamlessNodeTest, OlderTrimSwitch)
{
  EXPECT_EQ(seamless->legacyMV2ParameterNameTranslation("Has Trim"), "Trim Mode[ENABLE]");
}

}  // namespace
