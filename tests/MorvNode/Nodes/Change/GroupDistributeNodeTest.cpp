#include "MorvNode/Nodes/Change/GroupDistributeNode.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class GroupDistributeNodeTest : public ChangeGraphTest {
protected:
  GroupDistributeNode* distribute(long long horizontal, long long vertical)
  {
    auto* node = add<GroupDistributeNode>("GroupDistributeNode");
    node->horizontalParameter()->setIndex(horizontal);
    node->verticalParameter()->setIndex(vertical);
    return node;
  }
  // Leaves of 10 x 10 centred at the given x (y 0), named m0, m1 ... in that order.
  static std::shared_ptr<MVElementGroup> at(const std::vector<double>& xs)
  {
    auto group = std::make_shared<MVElementGroup>();
    group->setElementName("input");
    for (std::size_t k = 0; k < xs.size(); ++k) {
      group->addElementWithoutRecalculatingPivot(leaf(static_cast<int>(k), xs[k], 0));
    }
    group->recalculateArrayPivot();
    return group;
  }
  static std::vector<double> centresX(const std::shared_ptr<const MVElement>& output)
  {
    std::vector<double> result;
    for (const auto& member : dynamic_cast<const MVElementGroup&>(*output).elementArray()) {
      result.push_back(member->transformedBoundingBoxNested()->midX());
    }
    return result;
  }
};

TEST_F(GroupDistributeNodeTest, SpacesMembersEvenlyBetweenTheOutermostInAnchorOrder)
{
  struct Case {
    const char* name;
    long long horizontal;
    std::vector<double> input, expected;
  };
  const std::vector<Case> cases = {
      {"centres", GroupDistributeNode::kCenter, {0, 10, 100}, {0, 50, 100}},
      {"centres in any member order", GroupDistributeNode::kCenter, {100, 0, 10}, {100, 0, 50}},
      // Right edges 5, 15, 105: the same spacing, read at the edges.
      {"right edges", GroupDistributeNode::kTrailing, {10, 0, 100}, {50, 0, 100}},
      // Equal anchors keep their group order: the first of the two stays at the low end.
      {"ties", GroupDistributeNode::kCenter, {0, 30, 0}, {0, 30, 15}},
      {"none", GroupDistributeNode::kNone, {0, 10, 100}, {0, 10, 100}},
      {"one member", GroupDistributeNode::kCenter, {7}, {7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GroupDistributeNode* node = distribute(c.horizontal, GroupDistributeNode::kNone);
    feed(node, at(c.input));
    const std::shared_ptr<const MVElement> output = pull(node);
    EXPECT_EQ(centresX(output), c.expected);
    EXPECT_EQ(output->elementName(), "input");
  }
}

TEST_F(GroupDistributeNodeTest, VerticalAxisMovesOnlyY)
{
  auto input = std::make_shared<MVElementGroup>();
  input->addElementWithoutRecalculatingPivot(leaf(0, 3, 0));
  input->addElementWithoutRecalculatingPivot(leaf(1, 5, 90));
  input->addElementWithoutRecalculatingPivot(leaf(2, 9, 10));
  input->recalculateArrayPivot();
  GroupDistributeNode* node = distribute(GroupDistributeNode::kNone, GroupDistributeNode::kLeading);
  feed(node, input);
  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  const std::vector<double> expectedY = {0, 90, 45};
  const std::vector<double> expectedX = {3, 5, 9};
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_DOUBLE_EQ(output->elementArray()[k]->transformedBoundingBoxNested()->midY(), expectedY[k]);
    EXPECT_DOUBLE_EQ(output->elementArray()[k]->transformedBoundingBoxNested()->midX(), expectedX[k]);
  }
}

TEST_F(GroupDistributeNodeTest, SelectedModeSpacesOnlyTheChosenMembers)
{
  GroupDistributeNode* node = distribute(GroupDistributeNode::kCenter, GroupDistributeNode::kNone);
  node->changeModeParameter()->setIndex(1);  // Selected (Each is position 0), Half
  feed(node, at({0, 1, 10, 2, 100}));
  // Members 0, 2 and 4 span 0 .. 100; members 1 and 3 keep their places.
  EXPECT_EQ(centresX(pull(node)), (std::vector<double>{0, 1, 50, 2, 100}));
}

TEST_F(GroupDistributeNodeTest, MembersAreSpacedWhereTheGroupDrawsThem)
{
  // Turned a quarter about its pivot (50, 0), the row stands upright at x 50.
  auto input = at({0, 10, 100});
  input->rotate(90);
  GroupDistributeNode* node = distribute(GroupDistributeNode::kNone, GroupDistributeNode::kCenter);
  feed(node, input);
  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  std::vector<pf::Point> centres;
  for (const auto& member : output->elementArray()) {
    centres.push_back(member->transformedBoundingBoxNested()->center());
  }
  ASSERT_EQ(centres.size(), 3u);
  for (const pf::Point& centre : centres) {
    EXPECT_NEAR(centre.x, 50, 1e-9);
  }
  EXPECT_NEAR(std::abs(centres[0].y - centres[2].y), 100, 1e-9);
  EXPECT_NEAR(centres[1].y, (centres[0].y + centres[2].y) / 2, 1e-9);
}

TEST_F(GroupDistributeNodeTest, CopiesSharingAnElementIdEachGetTheirOwnPlace)
{
  auto original = leaf(0);
  original->setElementID(42);
  auto input = std::make_shared<MVElementGroup>();
  for (const double x : {100.0, 0.0, 10.0}) {
    auto copy = original->copy();
    copy->setPositionX(x, 0);
    input->addElementWithoutRecalculatingPivot(std::move(copy));
  }
  input->recalculateArrayPivot();
  GroupDistributeNode* node = distribute(GroupDistributeNode::kCenter, GroupDistributeNode::kNone);
  feed(node, input);
  EXPECT_EQ(centresX(pull(node)), (std::vector<double>{100, 0, 50}));
}

}  // namespace
