#include "MorvNode/Nodes/Change/GroupSelectNode.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"
#include "MorvNode/Nodes/Change/GroupMergeNode.h"

namespace {

using Names = std::vector<std::string>;

class GroupSelectNodeTest : public ChangeGraphTest {
protected:
  // A filled rectangle path covering (x, y) to (x + w, y + h), opaque black.
  static std::shared_ptr<MVElementPath> rectangle(double x, double y, double w, double h, double opacity = 1)
  {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(w, h)));
    path->setWidth(w);
    path->setHeight(h);
    path->setPositionX(x + w / 2, y + h / 2);
    path->setFillColor(pf::Color::rgb(0, 0, 0));
    path->setFillOpacity(opacity);
    return path;
  }
  static void set(MVNode* node, const char* name, double value)
  {
    node->parameterNamed<MVParameterValue>(name)->setValue(value);
  }
  static void choose(MVNode* node, const char* name, long long index)
  {
    node->indexParameterNamed(name)->setIndex(index);
  }
};

TEST_F(GroupSelectNodeTest, FlattenDissolvesOneLevelAndKeepsClippedSubGroupsWhole)
{
  auto* flatten = add<GroupMergeNode>("GroupMergeNode");
  auto input = std::make_shared<MVElementGroup>();
  auto inner = std::make_shared<MVElementGroup>();
  inner->addElement(leaf(1));
  inner->addElement(leaf(2));
  auto clipped = std::make_shared<MVElementGroup>();
  clipped->addElement(leaf(3));
  clipped->setClipPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(5, 5)));
  clipped->setElementName("clipped");
  input->addElement(leaf(0));
  input->addElement(inner);
  input->addElement(clipped);
  input->addElement(leaf(4));
  feed(flatten, input);
  EXPECT_EQ(names(pull(flatten).get()), (Names{"m0", "clipped", "m4", "m1", "m2"}));
  EXPECT_EQ(names(input.get()), (Names{"m0", "?", "clipped", "m4"}));  // the input is not changed

  // A single path passes as it is; a group whose one member is clipped passes with a warning.
  auto* single = add<GroupMergeNode>("GroupMergeNode");
  const std::shared_ptr<MVElement> path = leaf(9);
  feed(single, path);
  EXPECT_EQ(pull(single), path);
  auto* oneClipped = add<GroupMergeNode>("GroupMergeNode");
  auto wrapper = std::make_shared<MVElementGroup>();
  wrapper->addElement(clipped);
  feed(oneClipped, wrapper);
  EXPECT_EQ(pull(oneClipped), wrapper);
  EXPECT_THAT(oneClipped->warningMessages(),
              testing::Contains("The graphical input array has a clipping mask, so this node will have no effect."));
}

TEST_F(GroupSelectNodeTest, IndexModeSplitsIntoSelectedAndUnselected)
{
  auto* select = add<GroupSelectNode>("GroupSelectNode");
  feed(select, row(5));
  EXPECT_EQ(names(pull(select).get()), (Names{"m0", "m2", "m4"}));
  EXPECT_EQ(names(pull(select, "B").get()), (Names{"m1", "m3"}));
  EXPECT_NE(dynamic_cast<const MVElementGroup*>(pull(select, "B").get()), nullptr);

  set(select, "Selection Offset", 1);
  EXPECT_EQ(names(pull(select).get()), (Names{"m1", "m3"}));

  // Two members: each output is the member itself, not a group.
  auto* pair = add<GroupSelectNode>("GroupSelectNode");
  feed(pair, row(2));
  const std::shared_ptr<const MVElement> selected = pull(pair);
  EXPECT_EQ(dynamic_cast<const MVElementGroup*>(selected.get()), nullptr);
  EXPECT_EQ(names(selected.get()), (Names{"m0"}));

  // A single path: nothing on either output. Disabled: the whole input on both.
  auto* single = add<GroupSelectNode>("GroupSelectNode");
  feed(single, leaf(0));
  EXPECT_EQ(pull(single), nullptr);
  EXPECT_EQ(pull(single, "B"), nullptr);
  const std::shared_ptr<MVElementGroup> input = row(3);
  auto* disabled = add<GroupSelectNode>("GroupSelectNode");
  feed(disabled, input);
  disabled->setEnabled(false);
  EXPECT_EQ(pull(disabled), input);
  EXPECT_EQ(pull(disabled, "B"), input);
}

TEST_F(GroupSelectNodeTest, RandomSelectionRepeatsAndIgnoresTheOffset)
{
  auto* select = add<GroupSelectNode>("GroupSelectNode");
  feed(select, row(40));
  choose(select, "Selection Mode", ChangeSelection::kRandom);
  set(select, "Selection Seed", 3);
  const Names first = names(pull(select).get());
  EXPECT_EQ(names(pull(select).get()), first);
  set(select, "Selection Offset", 5);
  EXPECT_EQ(names(pull(select).get()), first);
  set(select, "Selection Seed", 4);
  EXPECT_NE(names(pull(select).get()), first);
  const std::size_t unselected = names(pull(select, "B").get()).size();
  EXPECT_EQ(names(pull(select).get()).size() + unselected, 40u);
}

TEST_F(GroupSelectNodeTest, MaskSelectsMembersWhereTheMaskIsDrawn)
{
  auto* select = add<GroupSelectNode>("GroupSelectNode");
  choose(select, "Element Selection Mode", GroupSelectNode::kMaskMode);
  // Opaque left half from x 100 to 150, transparent right half (150 to 200), y 50 to 100.
  auto mask = std::make_shared<MVElementGroup>();
  mask->addElement(rectangle(100, 50, 50, 50));
  mask->addElement(rectangle(150, 50, 50, 50, 0.0));
  auto members = std::make_shared<MVElementGroup>();
  const std::vector<std::pair<double, double>> positions = {
      {120, 70},  // on the opaque half
      {170, 70},  // on the transparent half
      {90, 70},   // left of the mask's box
      {120, 120}, // below it
      {149, 99},  // the last opaque pixel
  };
  for (std::size_t k = 0; k < positions.size(); ++k) {
    members->addElementWithoutRecalculatingPivot(leaf(static_cast<int>(k), positions[k].first, positions[k].second));
  }
  feed(select, members);

  // Without a mask: a warning and nothing on either side.
  EXPECT_EQ(pull(select), nullptr);
  EXPECT_THAT(select->warningMessages(),
              testing::Contains("No mask graphics element connected, so nothing will be selected."));
  select->checkWarnings();
  EXPECT_THAT(select->warningMessages(), testing::Contains("No selection mask is connected, nothing will be selected"));

  auto* maskSource = add<FixedGraphicsNode>("TestFixedGraphicsNode");
  maskSource->setElement(mask);
  controller().addConnectionFromSocket(maskSource->graphicsParameterNamed("Graphics")->outputSocket(),
                                       select->maskGraphicsParameter()->inputSocket());
  EXPECT_EQ(names(pull(select).get()), (Names{"m0", "m4"}));
  EXPECT_EQ(names(pull(select, "B").get()), (Names{"m1", "m2", "m3"}));
  // The same mask tree is rendered once.
  EXPECT_EQ(select->maskRenderCount(), 1);

  // A new mask tree with the same element IDs (a changed copy) is rendered afresh.
  std::shared_ptr<MVElement> moved = mask->copy();
  moved->offsetPositionX(50, 0);  // opaque now from 150 to 200
  maskSource->setElement(moved);
  EXPECT_EQ(names(pull(select).get()), (Names{"m1"}));
  EXPECT_EQ(select->maskRenderCount(), 2);
}

TEST_F(GroupSelectNodeTest, MaskAlphaThreshold)
{
  struct Case {
    double opacity;
    bool selected;
  };
  // 0.01 x 255 = 2.55: an alpha of 3 selects, 2 does not.
  for (const Case& c : {Case{3.0 / 255, true}, Case{2.0 / 255, false}, Case{0, false}}) {
    SCOPED_TRACE(c.opacity);
    auto* select = add<GroupSelectNode>("GroupSelectNode");
    choose(select, "Element Selection Mode", GroupSelectNode::kMaskMode);
    auto members = std::make_shared<MVElementGroup>();
    members->addElementWithoutRecalculatingPivot(leaf(0, 5, 5));
    members->addElementWithoutRecalculatingPivot(leaf(1, 6, 6));
    feed(select, members);
    auto* maskSource = add<FixedGraphicsNode>("TestFixedGraphicsNode");
    maskSource->setElement(rectangle(0, 0, 10, 10, c.opacity));
    controller().addConnectionFromSocket(maskSource->graphicsParameterNamed("Graphics")->outputSocket(),
                                         select->maskGraphicsParameter()->inputSocket());
    EXPECT_EQ(pull(select) != nullptr, c.selected);
  }
}

}  // namespace
