#include "MorvNode/Nodes/Change/GroupExplodeNode.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class GroupExplodeNodeTest : public ChangeGraphTest {
protected:
  // Leaves at the given points; the group's pivot is the centre of their span.
  static std::shared_ptr<MVElementGroup> at(const std::vector<pf::Point>& points)
  {
    auto group = std::make_shared<MVElementGroup>();
    for (std::size_t k = 0; k < points.size(); ++k) {
      group->addElementWithoutRecalculatingPivot(leaf(static_cast<int>(k), points[k].x, points[k].y));
    }
    group->recalculateArrayPivot();
    return group;
  }
  static std::vector<pf::Point> positions(const std::shared_ptr<const MVElement>& output)
  {
    std::vector<pf::Point> result;
    for (const auto& member : dynamic_cast<const MVElementGroup&>(*output).elementArray()) {
      result.push_back({member->positionX(), member->positionY()});
    }
    return result;
  }
};

TEST_F(GroupExplodeNodeTest, OffsetsFollowTheFalloff)
{
  struct Case {
    const char* name;
    long long falloff;
    double min, max, distance;
    std::vector<pf::Point> input, expected;
  };
  const std::vector<Case> cases = {
      {"constant, the member at the pivot stays", GroupExplodeNode::kConstant, 10, 0, 100,
       {{-20, 0}, {20, 0}, {0, 0}, {0, -20}, {0, 20}, {0.5, -0.5}},
       {{-30, 0}, {30, 0}, {0, 0}, {0, -30}, {0, 30}, {0.5, -0.5}}},
      {"linear", GroupExplodeNode::kLinear, 10, 0, 100, {{-100, 0}, {-50, 0}, {50, 0}, {100, 0}},
       {{-100, 0}, {-55, 0}, {55, 0}, {100, 0}}},
      {"squared", GroupExplodeNode::kSquared, 0, 40, 100, {{-50, 0}, {50, 0}, {0, 200}, {0, -200}},
       {{-60, 0}, {60, 0}, {0, 240}, {0, -240}}},
      {"no distance: the maximum everywhere", GroupExplodeNode::kLinear, 10, 3, 0, {{-50, 0}, {50, 0}},
       {{-53, 0}, {53, 0}}},
      {"negative: towards the pivot", GroupExplodeNode::kConstant, -5, 0, 100, {{-50, 0}, {50, 0}},
       {{-45, 0}, {45, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* node = add<GroupExplodeNode>("GroupExplodeNode");
    EXPECT_EQ(node->changeMode(), ChangeNode::kEach);
    node->falloffFunctionParameter()->setIndex(c.falloff);
    node->offsetMinParameter()->setValue(c.min);
    node->offsetMaxParameter()->setValue(c.max);
    node->falloffDistanceParameter()->setValue(c.distance);
    feed(node, at(c.input));
    const std::vector<pf::Point> result = positions(pull(node));
    ASSERT_EQ(result.size(), c.expected.size());
    for (std::size_t k = 0; k < result.size(); ++k) {
      EXPECT_NEAR(result[k].x, c.expected[k].x, 1e-9) << k;
      EXPECT_NEAR(result[k].y, c.expected[k].y, 1e-9) << k;
    }
  }
}

TEST_F(GroupExplodeNodeTest, AMovedGroupExplodesAboutItsOwnPivot)
{
  auto input = at({{-20, 0}, {20, 0}});
  input->offsetPositionX(100, 40);
  auto* node = add<GroupExplodeNode>("GroupExplodeNode");
  feed(node, input);
  const std::shared_ptr<const MVElement> output = pull(node);
  const std::vector<pf::Point> result = positions(output);
  ASSERT_EQ(result.size(), 2u);
  EXPECT_NEAR(result[0].x, -30, 1e-9);
  EXPECT_NEAR(result[1].x, 30, 1e-9);
  EXPECT_NEAR(result[1].y, 0, 1e-9);
  EXPECT_DOUBLE_EQ(output->transformedBoundingBoxNested()->midX(), 100);
}

TEST_F(GroupExplodeNodeTest, ConstantFalloffShowsOneOffset)
{
  auto* node = add<GroupExplodeNode>("GroupExplodeNode");
  node->updateLinkedParameters();
  EXPECT_EQ(node->offsetMinParameter()->displayName(), "Offset");
  EXPECT_TRUE(node->offsetMaxParameter()->layoutHidden());
  EXPECT_TRUE(node->falloffDistanceParameter()->layoutHidden());
  node->falloffFunctionParameter()->setIndex(GroupExplodeNode::kSquared);
  node->updateLinkedParameters();
  EXPECT_EQ(node->offsetMinParameter()->displayName(), "Offset Min");
  EXPECT_FALSE(node->falloffDistanceParameter()->layoutHidden());
}

}  // namespace
