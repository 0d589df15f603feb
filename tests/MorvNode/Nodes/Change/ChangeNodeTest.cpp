#include "MorvNode/Nodes/Change/ChangeNode.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

// A change node that marks what it changes (fill opacity 0.25) and records the member index
// and the published "Index" it saw.
class MarkingChangeNode : public ChangeNode {
public:
  explicit MarkingChangeNode(const Modes& modes) : ChangeNode(modes) {}
  static const MVNodeClass& classFor(const char* name, const Modes& modes)
  {
    static std::vector<std::unique_ptr<MVNodeClass>> classes;
    auto info = std::make_unique<MVNodeClass>(ChangeNode::nodeClassInfo());
    info->className = name;
    info->create = [modes] { return std::make_unique<MarkingChangeNode>(modes); };
    classes.push_back(std::move(info));
    return *classes.back();
  }

  std::vector<long long> indexes;
  std::vector<long long> published;

protected:
  void applyChangeToElement(MVElement& element) override
  {
    element.setFillOpacity(0.25);
    indexes.push_back(currentElementIndex());
    published.push_back(nodeController()->nodeIndexManager()->nodeIndex(nodeId() + " * Index"));
  }
};

class ChangeNodeTest : public ChangeGraphTest {
protected:
  ChangeNodeTest()
  {
    MVClassRegistry& registry = MVClassRegistry::shared();
    registry.registerNodeClass(MarkingChangeNode::classFor(
        "TestMarkingChangeNode", {.initial = ChangeNode::kEach, .publishesIndexes = true}));
    registry.registerNodeClass(MarkingChangeNode::classFor(
        "TestUntransformingChangeNode", {.group = false, .initial = ChangeNode::kEach, .untransforms = true}));
    registry.registerNodeClass(MarkingChangeNode::classFor("TestGroupOnlyChangeNode", {.each = false, .selected = false}));
  }

  MarkingChangeNode* marking(const char* className = "TestMarkingChangeNode")
  {
    return add<MarkingChangeNode>(className);
  }
  static void setMode(ChangeNode* node, const std::string& mode)
  {
    const auto& names = node->changeModeParameter()->indexNames();
    node->changeModeParameter()->setIndex(std::find(names.begin(), names.end(), mode) - names.begin());
  }
  static std::vector<double> opacities(const MVElement& element)
  {
    std::vector<double> result;
    for (const auto& member : dynamic_cast<const MVElementGroup&>(element).elementArray()) {
      result.push_back(member->fillOpacity());
    }
    return result;
  }
};

TEST_F(ChangeNodeTest, EachModeChangesEveryMemberOfACopyAndPublishesItsIndex)
{
  MarkingChangeNode* node = marking();
  const std::shared_ptr<MVElementGroup> input = row(3);
  feed(node, input);
  node->setMightHaveDynamicInput(true);  // as downstream of a per-element value
  const std::shared_ptr<const MVElement> output = pull(node);

  ASSERT_NE(output, nullptr);
  EXPECT_NE(output.get(), input.get());
  EXPECT_EQ(opacities(*output), (std::vector<double>{0.25, 0.25, 0.25}));
  EXPECT_EQ(opacities(*input), (std::vector<double>{1, 1, 1}));  // the input is never changed
  EXPECT_EQ(node->indexes, (std::vector<long long>{0, 1, 2}));
  EXPECT_EQ(node->published, (std::vector<long long>{0, 1, 2}));
  EXPECT_EQ(controller().nodeIndex(node->nodeId() + " * Index"), -1);
  EXPECT_EQ(output->nodeHistory().size(), 0u);
  EXPECT_EQ(dynamic_cast<const MVElementGroup&>(*output).elementArray()[1]->historyLastNode(), node->nodeId());
}

TEST_F(ChangeNodeTest, SelectedModeChangesThePatternsMembersAndPublishesTheirPositions)
{
  MarkingChangeNode* node = marking();
  setMode(node, "Selected");
  feed(node, row(5));
  node->setMightHaveDynamicInput(true);
  const std::shared_ptr<const MVElement> output = pull(node);

  EXPECT_EQ(opacities(*output), (std::vector<double>{0.25, 1, 0.25, 1, 0.25}));
  EXPECT_EQ(node->published, (std::vector<long long>{0, 2, 4}));
  EXPECT_EQ(controller().nodeIndex(node->nodeId() + " * Index"), -1);

  node->selectionModeParameter()->setIndex(ChangeSelection::kSingle);
  node->selectionOffsetParameter()->setEnabled(true);
  node->selectionOffsetParameter()->setValue(7);
  EXPECT_EQ(opacities(*pull(node)), (std::vector<double>{1, 1, 0.25, 1, 1}));
}

TEST_F(ChangeNodeTest, GroupModeAndSingleElementsTakeTheChangeOnceAsAWhole)
{
  MarkingChangeNode* node = marking();
  setMode(node, "Group");
  feed(node, row(3));
  const std::shared_ptr<const MVElement> whole = pull(node);
  EXPECT_EQ(opacities(*whole), (std::vector<double>{0.25, 0.25, 0.25}));  // through the group's setter
  EXPECT_EQ(node->indexes, (std::vector<long long>{0}));
  EXPECT_EQ(whole->historyLastNode(), node->nodeId());

  // Selected mode with a single element: no pattern applies, the element changes.
  MarkingChangeNode* single = marking();
  setMode(single, "Selected");
  single->selectionModeParameter()->setIndex(ChangeSelection::kCounted);
  single->parameterNamed<MVParameterValue>("Selection Select Count")->setValue(0);
  feed(single, leaf(0));
  EXPECT_EQ(pull(single)->fillOpacity(), 0.25);
}

TEST_F(ChangeNodeTest, UntransformingNodeOutputsMembersWhereTheyWereDrawn)
{
  MarkingChangeNode* node = marking("TestUntransformingChangeNode");
  std::shared_ptr<MVElementGroup> input = row(3);
  input->rotate(90);
  input->setFillOpacity(1);
  feed(node, input);
  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(node));

  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->elementName(), "row");
  EXPECT_FALSE(output->transformStack().has_value() && !output->transformStack()->empty());
  ASSERT_EQ(output->count(), 3);
  for (long k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const auto drawn = input->transformedElementAtIndex(k)->transformedBoundingBoxNested();
    const auto now = output->elementArray()[static_cast<std::size_t>(k)]->transformedBoundingBoxNested(
        output->affineTransform());
    ASSERT_TRUE(drawn && now);
    EXPECT_NEAR(now->minX(), drawn->minX(), 1e-9);
    EXPECT_NEAR(now->minY(), drawn->minY(), 1e-9);
  }

  // Selected: the unselected members are carried as transformed copies too.
  setMode(node, "Selected");
  EXPECT_EQ(opacities(*pull(node)), (std::vector<double>{0.25, 1, 0.25}));
}

TEST_F(ChangeNodeTest, MissingInputOrDisabledNodePassesTheInputThrough)
{
  MarkingChangeNode* node = marking();
  connectToLayer(node);
  EXPECT_EQ(pull(node), nullptr);
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages(),
            (std::vector<std::string>{"This node has no Graphics input connected, so no graphics will be output. Drag "
                                      "to add input graphic to the blue graphics input socket."}));

  const std::shared_ptr<MVElementGroup> input = row(2);
  feed(node, input);
  node->setEnabled(false);
  EXPECT_EQ(pull(node), input);
  EXPECT_TRUE(node->indexes.empty());

  // An empty group stays an empty group.
  node->setEnabled(true);
  MarkingChangeNode* empty = marking();
  feed(empty, std::make_shared<MVElementGroup>());
  const auto output = std::dynamic_pointer_cast<const MVElementGroup>(pull(empty));
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->count(), 0);
}

TEST_F(ChangeNodeTest, ConnectionWarnings)
{
  MarkingChangeNode* node = marking();
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages(),
            (std::vector<std::string>{"This node is not connected to any graphics input or output so it won't do "
                                      "anything. Drag connections from the blue graphics connections to connect it."}));
  feed(node, leaf(0));
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages(),
            (std::vector<std::string>{"This node Graphics output is not connected to anything, so the output will "
                                      "not be added to the artboard. Drag the blue output graphics to an arboard "
                                      "graphics layer socket or another node."}));
  connectToLayer(node);
  node->checkWarnings();
  EXPECT_TRUE(node->warningMessages().empty());
}

TEST_F(ChangeNodeTest, SelectionRowsShowForTheirPatterns)
{
  MarkingChangeNode* node = marking();
  struct Row {
    const char* mode;
    long long pattern;
    bool selectionShown, seedShown, countsShown;
  };
  for (const Row& r : {Row{"Each", ChangeSelection::kRandom, false, false, false},
                       Row{"Selected", ChangeSelection::kHalf, true, false, false},
                       Row{"Selected", ChangeSelection::kCounted, true, false, true},
                       Row{"Selected", ChangeSelection::kRandom, true, true, true}}) {
    SCOPED_TRACE(std::string(r.mode) + " " + std::to_string(r.pattern));
    setMode(node, r.mode);
    node->selectionModeParameter()->setIndex(r.pattern);
    node->updateLinkedParameters();
    EXPECT_EQ(!node->parameterNamed("Selection Mode")->layoutHidden(), r.selectionShown);
    EXPECT_EQ(!node->parameterNamed("Selection Offset")->layoutHidden(), r.selectionShown);
    EXPECT_EQ(!node->parameterNamed("Selection Seed")->layoutHidden(), r.seedShown);
    EXPECT_EQ(!node->parameterNamed("Selection Select Count")->layoutHidden(), r.countsShown);
    EXPECT_EQ(!node->parameterNamed("Selection Count heading")->layoutHidden(), r.countsShown);
  }
  EXPECT_FALSE(node->changeModeParameter()->layoutHidden());
  MarkingChangeNode* groupOnly = marking("TestGroupOnlyChangeNode");
  groupOnly->updateLinkedParameters();
  EXPECT_TRUE(groupOnly->changeModeParameter()->layoutHidden());
  EXPECT_EQ(groupOnly->changeMode(), ChangeNode::kGroup);
}

TEST_F(ChangeNodeTest, OlderGenerationChangeModeAndOffset)
{
  // Offered: Each, Selected (positions 0, 1).
  MarkingChangeNode* node = marking("TestUntransformingChangeNode");
  pf::PlistValue::Dictionary record;
  record.set("Change Mode", pf::PlistValue(std::int64_t{2}));
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_EQ(node->changeMode(), ChangeNode::kSelected);
  record.set("Change Mode", pf::PlistValue(std::int64_t{0}));  // Group is not offered: unchanged
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_EQ(node->changeMode(), ChangeNode::kSelected);
  record.set("Change Mode", pf::PlistValue(std::int64_t{7}));
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_EQ(node->changeModeParameter()->index(), 0);
  // The offset's stored value is 1 by default: the toggle comes on.
  EXPECT_TRUE(node->selectionOffsetParameter()->enabled());

  EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Has Offset"), "Offset[ENABLE]");
  EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Has Rotation"), "Rotation[ENABLE]");
  EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Angle"), "Angle");
}

}  // namespace
