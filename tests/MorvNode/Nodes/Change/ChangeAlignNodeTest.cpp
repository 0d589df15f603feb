#include "MorvNode/Nodes/Change/ChangeAlignNode.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class ChangeAlignNodeTest : public ChangeGraphTest {
protected:
  ChangeAlignNode* align(int mode, long long horizontal, long long vertical)
  {
    auto* node = add<ChangeAlignNode>("ChangeAlignNode");
    node->changeModeParameter()->setIndex(mode);  // all three modes offered: position = mode
    node->horizontalParameter()->setIndex(horizontal);
    node->verticalParameter()->setIndex(vertical);
    return node;
  }
  // Leaves of 10 x 10 at (0, 0), (30, 40) and (70, 10), moved as a group by (100, 50).
  static std::shared_ptr<MVElementGroup> scattered()
  {
    auto group = std::make_shared<MVElementGroup>();
    group->setElementName("scattered");
    group->addElementWithoutRecalculatingPivot(leaf(0, 0, 0));
    group->addElementWithoutRecalculatingPivot(leaf(1, 30, 40));
    group->addElementWithoutRecalculatingPivot(leaf(2, 70, 10));
    group->recalculateArrayPivot();
    group->offsetPositionX(100, 50);
    return group;
  }
  static pf::Rect box(const MVElement& element) { return element.transformedBoundingBoxNested().value(); }
};

TEST_F(ChangeAlignNodeTest, NewNodeCentresWholeInputOnTheArtboard)
{
  auto* node = add<ChangeAlignNode>("ChangeAlignNode");
  EXPECT_EQ(node->changeMode(), ChangeNode::kGroup);
  EXPECT_EQ(node->horizontalParameter()->index(), ChangeAlignNode::kCenter);
  node->horizontalArtboardParameter()->setValue(false);  // not read in Group mode
  feed(node, scattered());
  const std::shared_ptr<const MVElement> output = pull(node);
  const pf::Size artboard = controller().artboardSize();
  EXPECT_DOUBLE_EQ(box(*output).midX(), artboard.width / 2);
  EXPECT_DOUBLE_EQ(box(*output).midY(), artboard.height / 2);
}

TEST_F(ChangeAlignNodeTest, EachMemberAlignsByItsOwnBounds)
{
  const pf::Size artboard = controller().artboardSize();
  // Group box: x 95..175, y 45..95.
  struct Case {
    const char* name;
    long long horizontal, vertical;
    bool toArtboard;
    std::vector<double> minX, minY;
  };
  const std::vector<Case> cases = {
      {"left edges to group", 0, -1, false, {95, 95, 95}, {45, 85, 55}},
      {"right edges to group", 2, -1, false, {165, 165, 165}, {45, 85, 55}},
      {"centres to group", 1, 1, false, {130, 130, 130}, {65, 65, 65}},
      {"bottom edges to artboard", -1, 2, true, {95, 125, 165},
       {artboard.height - 10, artboard.height - 10, artboard.height - 10}},
      {"nothing", -1, -1, false, {95, 125, 165}, {45, 85, 55}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChangeAlignNode* node = align(ChangeNode::kEach, c.horizontal, c.vertical);
    node->horizontalArtboardParameter()->setValue(c.toArtboard);
    node->verticalArtboardParameter()->setValue(c.toArtboard);
    feed(node, scattered());
    const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->elementName(), "scattered");
    EXPECT_EQ(names(output.get()), (std::vector<std::string>{"m0", "m1", "m2"}));
    for (std::size_t k = 0; k < 3; ++k) {
      const pf::Rect member = box(*output->elementArray()[k]);
      EXPECT_DOUBLE_EQ(member.minX(), c.minX[k]) << k;
      EXPECT_DOUBLE_EQ(member.minY(), c.minY[k]) << k;
    }
  }
}

TEST_F(ChangeAlignNodeTest, SelectedMembersAlignAndTheOthersStay)
{
  ChangeAlignNode* node = align(ChangeNode::kSelected, 0, -1);  // Half: members 0 and 2
  node->horizontalArtboardParameter()->setValue(true);
  feed(node, scattered());
  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  ASSERT_EQ(output->count(), 3);
  EXPECT_DOUBLE_EQ(box(*output->elementArray()[0]).minX(), 0);
  EXPECT_DOUBLE_EQ(box(*output->elementArray()[1]).minX(), 125);
  EXPECT_DOUBLE_EQ(box(*output->elementArray()[2]).minX(), 0);
}

TEST_F(ChangeAlignNodeTest, ArtboardSwitchesShowOnlyWhereTheyApply)
{
  ChangeAlignNode* node = align(ChangeNode::kGroup, 1, -1);
  node->updateLinkedParameters();
  EXPECT_TRUE(node->horizontalArtboardParameter()->layoutHidden());
  EXPECT_EQ(node->parameterNamed("Alignment type heading")->displayName(), "Align to artboard");
  node->changeModeParameter()->setIndex(ChangeNode::kEach);
  node->updateLinkedParameters();
  EXPECT_FALSE(node->horizontalArtboardParameter()->layoutHidden());
  EXPECT_TRUE(node->verticalArtboardParameter()->layoutHidden());
  EXPECT_EQ(node->parameterNamed("Alignment type heading")->displayName(), "Align elements");
}

}  // namespace
