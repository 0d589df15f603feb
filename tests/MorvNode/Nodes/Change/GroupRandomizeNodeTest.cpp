#include "MorvNode/Nodes/Change/GroupRandomizeNode.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"
#include "MorvNode/Nodes/Change/GroupRandomizeColorNode.h"

namespace {

class GroupRandomizeNodeTest : public ChangeGraphTest {
protected:
  // A pass as a generation runs it: the node's draws restart first.
  static std::shared_ptr<const MVElementGroup> generate(MVNode* node)
  {
    node->initRandomSeed();
    return std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  }
  static MVTransformStack stackOf(const MVElement& element)
  {
    return element.transformStack().value_or(MVTransformStack{});
  }
  // Stacks and positions of the members, as text.
  static std::string geometry(const MVElementGroup& group)
  {
    std::ostringstream text;
    for (const auto& member : group.elementArray()) {
      text << member->positionX() << "," << member->positionY();
      for (const MVTransformEntry& entry : stackOf(*member)) {
        text << " " << static_cast<int>(entry.kind) << ":" << entry.a << ":" << entry.b;
      }
      text << ";";
    }
    return text.str();
  }
};

TEST_F(GroupRandomizeNodeTest, NewNodeOnlyRotatesEachMemberWithinItsRange)
{
  auto* node = add<GroupRandomizeNode>("GroupRandomizeNode");
  EXPECT_EQ(node->changeMode(), ChangeNode::kEach);
  feed(node, row(20));
  const auto output = generate(node);
  ASSERT_EQ(output->count(), 20);
  std::vector<double> angles;
  for (long k = 0; k < 20; ++k) {
    const MVElement& member = *output->elementArray()[static_cast<std::size_t>(k)];
    const MVTransformStack stack = stackOf(member);
    ASSERT_EQ(stack.size(), 1u);
    EXPECT_EQ(stack[0].kind, MVTransformKind::Rotate);
    EXPECT_GE(stack[0].a, -45);
    EXPECT_LE(stack[0].a, 45);
    EXPECT_EQ(member.positionX(), 10.0 * k);
    angles.push_back(stack[0].a);
  }
  EXPECT_NE(angles.front(), angles.back());
}

TEST_F(GroupRandomizeNodeTest, DrawsRepeatPerSeedAndChangeWithIt)
{
  auto* node = add<GroupRandomizeNode>("GroupRandomizeNode");
  feed(node, row(6));
  node->offsetParameter()->setEnabled(true);
  node->offsetParameter()->setValueX(20, 20);
  node->randomSeedParameter()->setValue(11);
  const std::string first = geometry(*generate(node));
  EXPECT_EQ(geometry(*generate(node)), first);
  node->randomSeedParameter()->setValue(12);
  EXPECT_NE(geometry(*generate(node)), first);
}

TEST_F(GroupRandomizeNodeTest, ScaleRangesAreOneSided)
{
  struct Case {
    double range, low, high;
  };
  for (const Case& c : {Case{0.5, 1.0, 1.5}, Case{-0.5, 0.5, 1.0}}) {
    SCOPED_TRACE(c.range);
    auto* node = add<GroupRandomizeNode>("GroupRandomizeNode");
    feed(node, row(30));
    node->rotationParameter()->setEnabled(false);
    node->scaleParameter()->setEnabled(true);
    node->scaleParameter()->setAspectLocked(false);
    node->scaleParameter()->setValueX(c.range, 0);
    for (const auto& member : generate(node)->elementArray()) {
      for (const MVTransformEntry& entry : stackOf(*member)) {
        EXPECT_EQ(entry.kind, MVTransformKind::Scale);
        EXPECT_GE(entry.a, c.low);
        EXPECT_LE(entry.a, c.high);
        EXPECT_EQ(entry.b, entry.a);  // uniform
      }
    }
  }
}

TEST_F(GroupRandomizeNodeTest, DeepChangeReachesIntoSubGroups)
{
  auto input = std::make_shared<MVElementGroup>();
  input->addElement(row(3));
  input->addElement(leaf(9));
  for (const bool deep : {false, true}) {
    SCOPED_TRACE(deep);
    auto* node = add<GroupRandomizeNode>("GroupRandomizeNode");
    node->deepParameter()->setValue(deep);
    feed(node, input);
    const auto output = generate(node);
    const auto& sub = dynamic_cast<const MVElementGroup&>(*output->elementArray()[0]);
    EXPECT_EQ(stackOf(sub).empty(), deep);
    for (const auto& member : sub.elementArray()) {
      EXPECT_EQ(stackOf(*member).size(), deep ? 1u : 0u);
    }
    if (deep) {
      EXPECT_NE(stackOf(*sub.elementArray()[0]), stackOf(*sub.elementArray()[1]));
    }
  }
}

TEST_F(GroupRandomizeNodeTest, SelectedModeLeavesSkippedMembersAlone)
{
  auto* node = add<GroupRandomizeNode>("GroupRandomizeNode");
  feed(node, row(5));
  node->changeModeParameter()->setIndex(1);  // Selected (Group is not offered)
  ASSERT_EQ(node->changeMode(), ChangeNode::kSelected);
  const auto output = generate(node);
  for (std::size_t k = 0; k < 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(stackOf(*output->elementArray()[k]).empty(), k % 2 == 1);
  }
}

TEST_F(GroupRandomizeNodeTest, ColorShiftsStayInRangeAndWrapTheHue)
{
  auto input = row(30);
  input->setFillColor(pf::Color::rgb(1, 0, 0));  // hue 0: shifts below 0 wrap towards 1
  auto* node = add<GroupRandomizeColorNode>("GroupRandomizeColorNode");
  feed(node, input);
  EXPECT_EQ(generate(node)->elementArray()[0]->fillColor(), pf::Color::rgb(1, 0, 0));  // ranges 0: no change

  node->hueParameter()->setValue(0.1);
  int wrapped = 0;
  for (const auto& member : generate(node)->elementArray()) {
    const double hue = member->fillColor()->hue();
    EXPECT_TRUE(hue <= 0.1 + 1e-9 || hue >= 0.9 - 1e-9) << hue;
    wrapped += hue >= 0.9 ? 1 : 0;
  }
  EXPECT_GT(wrapped, 0);
  EXPECT_EQ(generate(node)->elementArray()[0]->strokeColor(), std::nullopt);  // stroke off
}

}  // namespace
