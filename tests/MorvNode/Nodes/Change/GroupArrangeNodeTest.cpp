#include "MorvNode/Nodes/Change/GroupArrangeNode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class GroupArrangeNodeTest : public ChangeGraphTest {
protected:
  GroupArrangeNode* arrange(long long order, bool reverse = false)
  {
    auto* node = add<GroupArrangeNode>("GroupArrangeNode");
    node->orderModeParameter()->setIndex(order);
    node->reverseParameter()->setValue(reverse);
    return node;
  }
  // Leaves at the given points, named m0, m1 ... in that order.
  static std::shared_ptr<MVElementGroup> at(const std::vector<pf::Point>& points)
  {
    auto group = std::make_shared<MVElementGroup>();
    for (std::size_t k = 0; k < points.size(); ++k) {
      group->addElementWithoutRecalculatingPivot(leaf(static_cast<int>(k), points[k].x, points[k].y));
    }
    group->recalculateArrayPivot();
    return group;
  }
  std::vector<std::string> generate(GroupArrangeNode* node)
  {
    node->initRandomSeed();
    return names(pull(node).get());
  }
  using Names = std::vector<std::string>;
};

TEST_F(GroupArrangeNodeTest, SortsByPositionOrDistanceKeepingTiesInOrder)
{
  struct Case {
    const char* name;
    long long order;
    bool reverse;
    std::vector<pf::Point> input;
    Names expected;
  };
  const std::vector<Case> cases = {
      {"original", GroupArrangeNode::kOriginal, false, {{30, 0}, {10, 0}, {20, 0}}, {"m0", "m1", "m2"}},
      {"original reversed", GroupArrangeNode::kOriginal, true, {{30, 0}, {10, 0}, {20, 0}}, {"m2", "m1", "m0"}},
      {"horizontal", GroupArrangeNode::kHorizontal, false, {{30, 0}, {10, 0}, {20, 0}}, {"m1", "m2", "m0"}},
      {"horizontal reversed", GroupArrangeNode::kHorizontal, true, {{30, 0}, {10, 0}, {20, 0}}, {"m0", "m2", "m1"}},
      {"vertical ties", GroupArrangeNode::kVertical, false, {{0, 5}, {0, -5}, {9, 5}, {0, 0}},
       {"m1", "m3", "m0", "m2"}},
      // Pivot at x 10: distances 20, 10, 20, 0; the farthest first, equal ones in group order.
      {"pivot distance", GroupArrangeNode::kPivotDistance, false, {{-10, 0}, {0, 0}, {30, 0}, {10, 0}},
       {"m0", "m2", "m1", "m3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GroupArrangeNode* node = arrange(c.order, c.reverse);
    feed(node, at(c.input));
    EXPECT_EQ(generate(node), c.expected);
  }
}

TEST_F(GroupArrangeNodeTest, OneMemberOrASingleElementPassesUnchanged)
{
  GroupArrangeNode* node = arrange(GroupArrangeNode::kHorizontal, true);
  feed(node, at({{5, 5}}));
  EXPECT_EQ(generate(node), (Names{"m0"}));
  const std::shared_ptr<const MVElement> single = leaf(3);
  GroupArrangeNode* other = arrange(GroupArrangeNode::kHorizontal, true);
  feed(other, single);
  EXPECT_EQ(pull(other), single);
}

TEST_F(GroupArrangeNodeTest, RandomOrderRepeatsPerSeedAndIsAPermutation)
{
  GroupArrangeNode* node = arrange(GroupArrangeNode::kRandom);
  feed(node, row(12));
  const Names first = generate(node);
  EXPECT_EQ(generate(node), first);
  Names sorted = first;
  std::sort(sorted.begin(), sorted.end());
  Names original = names(row(12).get());
  std::sort(original.begin(), original.end());
  EXPECT_EQ(sorted, original);
  EXPECT_NE(first, names(row(12).get()));
  node->seedParameter()->setValue(7);
  EXPECT_NE(generate(node), first);
  node->seedParameter()->setValue(0);
  EXPECT_EQ(generate(node), first);
}

TEST_F(GroupArrangeNodeTest, SelectedMembersMoveToFrontOrBack)
{
  for (const long long where : {GroupArrangeNode::kToFront, GroupArrangeNode::kToBack}) {
    SCOPED_TRACE(where);
    GroupArrangeNode* node = arrange(GroupArrangeNode::kOriginal, true);  // selected ones reversed
    node->changeModeParameter()->setIndex(1);                              // Selected, Half
    node->selectionOrderParameter()->setIndex(where);
    feed(node, row(4));
    const std::shared_ptr<const MVElement> output = pull(node);
    EXPECT_EQ(names(output.get()),
              where == GroupArrangeNode::kToFront ? (Names{"m1", "m3", "m2", "m0"}) : (Names{"m2", "m0", "m1", "m3"}));
    // Members stay where they were drawn.
    for (const auto& member : dynamic_cast<const MVElementGroup&>(*output).elementArray()) {
      const int k = member->elementName()->back() - '0';
      EXPECT_DOUBLE_EQ(member->transformedBoundingBoxNested()->midX(), 10.0 * k);
    }
  }
}

TEST_F(GroupArrangeNodeTest, RowsFollowTheOrderModeAndChangeMode)
{
  GroupArrangeNode* node = arrange(GroupArrangeNode::kHorizontal);
  node->updateLinkedParameters();
  EXPECT_TRUE(node->seedParameter()->layoutHidden());
  EXPECT_TRUE(node->selectionOrderParameter()->layoutHidden());
  node->orderModeParameter()->setIndex(GroupArrangeNode::kRandom);
  node->changeModeParameter()->setIndex(1);
  node->updateLinkedParameters();
  EXPECT_FALSE(node->seedParameter()->layoutHidden());
  EXPECT_FALSE(node->selectionOrderParameter()->layoutHidden());
}

}  // namespace
