#include "MorvNode/Nodes/Change/ChangeReplaceNode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeIndexTable.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"
#include "MorvNode/Nodes/Elements/ElementNode.h"
#include "MorvNode/Nodes/Values/ValueNodeIndexNode.h"

namespace {

class ChangeReplaceNodeTest : public ChangeGraphTest {
protected:
  // A circle of radius 5 named "dot".
  static std::shared_ptr<MVElementPath> dot()
  {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(5)));
    path->setWidth(10);
    path->setHeight(10);
    path->setElementName("dot");
    return path;
  }
  ChangeReplaceNode* replace(int mode, std::shared_ptr<const MVElement> input, std::shared_ptr<const MVElement> with)
  {
    auto* node = add<ChangeReplaceNode>("ChangeReplaceNode");
    node->changeModeParameter()->setIndex(mode);
    feed(node, std::move(input));
    if (with != nullptr) {
      auto* source = add<FixedGraphicsNode>("TestFixedGraphicsNode");
      source->setElement(std::move(with));
      controller().addConnectionFromSocket(source->graphicsParameterNamed("Graphics")->outputSocket(),
                                           node->replacementElementParameter()->inputSocket());
    }
    return node;
  }
  long long publishedIndex(MVNode* node)
  {
    return controller().nodeIndexManager()->nodeIndex(MVNodeIndexTable::key(node->nodeId(), "Index"));
  }
};

TEST_F(ChangeReplaceNodeTest, GroupModePutsOneReplacementOnTheInputsPivot)
{
  auto input = row(3);  // pivot at (10, 0)
  input->offsetPositionX(5, 7);
  input->rotate(30);
  for (const bool same : {false, true}) {
    SCOPED_TRACE(same);
    ChangeReplaceNode* node = replace(ChangeNode::kGroup, input, dot());
    node->sameTransformParameter()->setValue(same);
    const std::shared_ptr<const MVElement> output = pull(node);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->elementName(), "dot");
    EXPECT_DOUBLE_EQ(output->positionX(), 15);
    EXPECT_DOUBLE_EQ(output->positionY(), 7);
    EXPECT_EQ(output->transformStack().value_or(MVTransformStack{}).size(), same ? 1u : 0u);
  }
}

TEST_F(ChangeReplaceNodeTest, SelectedMembersAreReplacedInPlaceAndIndexIsPublished)
{
  auto input = row(4);
  input->offsetPositionX(100, 0);  // the group's own move still applies to its members
  ChangeReplaceNode* node = replace(ChangeNode::kSelected, input, dot());  // Half: members 0 and 2
  node->setMightHaveDynamicInput(true);
  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(names(output.get()), (std::vector<std::string>{"dot", "m1", "dot", "m3"}));
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_DOUBLE_EQ(output->elementArray()[k]->positionX(), 10.0 * static_cast<double>(k)) << k;
  }
  EXPECT_DOUBLE_EQ(output->transformedBoundingBoxNested()->minX(), 95);
  EXPECT_EQ(publishedIndex(node), -1);
}

TEST_F(ChangeReplaceNodeTest, WithoutReplacementTheInputPasses)
{
  for (const int mode : {ChangeNode::kGroup, ChangeNode::kEach, ChangeNode::kSelected}) {
    SCOPED_TRACE(mode);
    const std::shared_ptr<MVElementGroup> input = row(3);
    EXPECT_EQ(pull(replace(mode, input, nullptr)), input);
  }
  const std::shared_ptr<MVElementGroup> empty = std::make_shared<MVElementGroup>();
  EXPECT_EQ(pull(replace(ChangeNode::kEach, empty, dot())), empty);
}

TEST_F(ChangeReplaceNodeTest, AReplacementThatFollowsIndexDiffersPerMember)
{
  ChangeReplaceNode* node = replace(ChangeNode::kEach, row(3), nullptr);
  // A shape turned by the replace node's "Index" (in degrees), as the replacement.
  auto* shape = add<ElementNode>("ElementShapeNode");
  auto* index = add<ValueNodeIndexNode>("ValueNodeIndexNode");
  controller().setNodeIndex("Index", node, 0);
  MVParameterNodeIndex& follow = index->indexParameter();
  follow.updateElementIndexes();
  const std::vector<std::string>& keys = follow.indexNames();
  follow.setIndex(std::find(keys.begin(), keys.end(), MVNodeIndexTable::key(node->nodeId(), "Index")) - keys.begin());
  MVParameterValue* rotation = shape->valueParameterNamed("Rotation");
  ASSERT_NE(rotation, nullptr);
  rotation->setEnabled(true);
  controller().addConnectionFromSocket(follow.outputSocket(), rotation->inputSocket());
  controller().addConnectionFromSocket(shape->graphicsParameterNamed("Graphics")->outputSocket(),
                                       node->replacementElementParameter()->inputSocket());
  connectToLayer(node);
  controller().updateDynamicValueNodesArray();
  ASSERT_TRUE(node->mightHaveDynamicInput());

  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));
  ASSERT_NE(output, nullptr);
  ASSERT_EQ(output->count(), 3);
  std::vector<MVTransformStack> stacks;
  for (const auto& member : output->elementArray()) {
    stacks.push_back(member->transformStack().value_or(MVTransformStack{}));
  }
  EXPECT_NE(stacks[0], stacks[1]);
  EXPECT_NE(stacks[1], stacks[2]);
}

TEST_F(ChangeReplaceNodeTest, TheNodeReferenceReplacesEveryOtherSampleSquareWithItsCircle)
{
  auto* node = add<ChangeReplaceNode>("ChangeReplaceNode");
  node->setReferenceMode(true);
  const std::shared_ptr<const MVElement> output = pull(node);
  const std::vector<std::string> result = names(output.get());
  ASSERT_EQ(result.size(), 9u);
  for (std::size_t k = 0; k < result.size(); ++k) {
    EXPECT_EQ(result[k], k % 2 == 0 ? "Replacement circle" : "Rectangle") << k;
  }
}

}  // namespace
