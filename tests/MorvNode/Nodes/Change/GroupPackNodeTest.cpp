#include "MorvNode/Nodes/Change/GroupPackNode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeIndexTable.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"
#include "MorvNode/Nodes/Values/ValueNodeIndexNode.h"

namespace {

class GroupPackNodeTest : public ChangeGraphTest {
protected:
  GroupPackNode* pack(long long type, double margin)
  {
    auto* node = add<GroupPackNode>("GroupPackNode");
    node->packingTypeParameter()->setIndex(type);
    node->marginParameter()->setValue(margin);
    return node;
  }
  // Leaves of 10 x 10 at the given points, named m0, m1 ... in that order.
  static std::shared_ptr<MVElementGroup> at(const std::vector<pf::Point>& points)
  {
    auto group = std::make_shared<MVElementGroup>();
    group->setElementName("input");
    for (std::size_t k = 0; k < points.size(); ++k) {
      group->addElementWithoutRecalculatingPivot(leaf(static_cast<int>(k), points[k].x, points[k].y));
    }
    group->recalculateArrayPivot();
    return group;
  }
  static std::vector<pf::Point> corners(const MVElementGroup& group)
  {
    std::vector<pf::Point> result;
    for (const auto& member : group.elementArray()) {
      result.push_back(member->transformedBoundingBoxNested()->origin);
    }
    return result;
  }
};

TEST_F(GroupPackNodeTest, PlacesMembersEdgeToEdgeInCentreOrder)
{
  struct Case {
    const char* name;
    long long type;
    std::vector<pf::Point> input;
    std::vector<std::string> order;
    std::vector<pf::Point> corners;
  };
  const std::vector<Case> cases = {
      // Sorted by centre x: m1 (0) stays, then m2, then m0, each 10 wide plus 5.
      {"horizontal", GroupPackNode::kHorizontal, {{40, 3}, {0, 7}, {20, 0}}, {"m1", "m2", "m0"},
       {{-5, 2}, {10, -5}, {25, -2}}},
      {"vertical", GroupPackNode::kVertical, {{1, 50}, {2, 10}}, {"m1", "m0"}, {{-3, 5}, {-4, 20}}},
      // Equal centres keep their group order.
      {"ties", GroupPackNode::kHorizontal, {{0, 0}, {0, 9}}, {"m0", "m1"}, {{-5, -5}, {10, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GroupPackNode* node = pack(c.type, 5);
    feed(node, at(c.input));
    const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->elementName(), "input");
    EXPECT_EQ(names(output.get()), c.order);
    EXPECT_EQ(corners(*output), c.corners);
  }
}

TEST_F(GroupPackNodeTest, NoPackingTypeOrASingleElementPassesThrough)
{
  const std::shared_ptr<MVElementGroup> group = at({{0, 0}, {30, 0}});
  const std::shared_ptr<MVElement> single = leaf(9, 4, 4);
  struct Case {
    const char* name;
    long long type;
    std::shared_ptr<const MVElement> input;
  };
  for (const Case& c : {Case{"no type", GroupPackNode::kNone, group}, Case{"single", GroupPackNode::kHorizontal, single}}) {
    SCOPED_TRACE(c.name);
    GroupPackNode* node = pack(c.type, 5);
    feed(node, c.input);
    const std::shared_ptr<const MVElement> output = pull(node);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->elementName(), c.input->elementName());
    EXPECT_EQ(output->transformedBoundingBoxNested(), c.input->transformedBoundingBoxNested());
  }
}

TEST_F(GroupPackNodeTest, AMarginThatFollowsIndexVariesFromGapToGap)
{
  GroupPackNode* node = pack(GroupPackNode::kHorizontal, 0);
  feed(node, at({{0, 0}, {20, 0}, {40, 0}, {60, 0}}));
  connectToLayer(node);
  auto* index = add<ValueNodeIndexNode>("ValueNodeIndexNode");
  controller().setNodeIndex("Index", node, 0);
  MVParameterNodeIndex& follow = index->indexParameter();
  follow.updateElementIndexes();
  const std::vector<std::string>& keys = follow.indexNames();
  follow.setIndex(std::find(keys.begin(), keys.end(), MVNodeIndexTable::key(node->nodeId(), "Index")) - keys.begin());
  controller().addConnectionFromSocket(follow.outputSocket(), node->marginParameter()->inputSocket());
  controller().updateDynamicValueNodesArray();
  ASSERT_TRUE(node->mightHaveDynamicInput());

  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  ASSERT_NE(output, nullptr);
  std::vector<double> left;
  for (const pf::Point& corner : corners(*output)) {
    left.push_back(corner.x);
  }
  // Gaps of 1, 2 and 3 after members 0, 1 and 2.
  EXPECT_EQ(left, (std::vector<double>{-5, 6, 18, 31}));
  EXPECT_EQ(controller().nodeIndexManager()->nodeIndex(MVNodeIndexTable::key(node->nodeId(), "Index")), -1);
}

TEST_F(GroupPackNodeTest, OnlyTheEachModeIsOffered)
{
  GroupPackNode* node = pack(GroupPackNode::kHorizontal, 0);
  node->updateLinkedParameters();
  EXPECT_EQ(node->changeMode(), ChangeNode::kEach);
  EXPECT_TRUE(node->changeModeParameter()->layoutHidden());
}

}  // namespace
