#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Repeaters/RepeatGridNode.h"
#include "RepeaterTestSupport.h"

namespace {

const std::vector<std::string> kRepeaterClasses = {"RepeatGridNode",   "RepeatRadialNode",    "RepeatRandomNode",
                                                   "RepeatMirrorNode", "RepeatTransformNode", "RepeatSeamlessNode"};

class RepeaterNodeTest : public RepeaterTest {};

TEST_F(RepeaterNodeTest, DisabledRepeaterAnswersItsInputItself)
{
  for (const std::string& className : kRepeaterClasses) {
    SCOPED_TRACE(className);
    auto* node = add<RepeaterNode>(className);
    ASSERT_NE(node, nullptr);
    node->setEnabled(false);
    auto input = std::make_shared<MVElementPath>();
    EXPECT_EQ(node->graphicsElementForParameter(node->graphicsParameter(), input), input);
  }
}

TEST_F(RepeaterNodeTest, NoInputAnswersNothingEvenWithDynamicElementsOn)
{
  for (const std::string& className : kRepeaterClasses) {
    SCOPED_TRACE(className);
    auto* node = add<RepeaterNode>(className);
    if (node->dynamicElementsParameter() != nullptr) {
      EXPECT_TRUE(node->dynamicElementsParameter()->value());
    }
    EXPECT_EQ(node->graphicsElementForParameter(node->graphicsParameter(), nullptr), nullptr);
  }
}

TEST_F(RepeaterNodeTest, ReferenceModeRepeatsABlackSquare)
{
  auto* grid = add<RepeatGridNode>("RepeatGridNode");
  grid->setReferenceMode(true);
  auto result = std::dynamic_pointer_cast<const MVElementGroup>(
      grid->graphicsElementForParameter(grid->graphicsParameter(), nullptr));
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(result->count(), 16);
  const auto* square = dynamic_cast<const MVElementPath*>(result->elementArray().front().get());
  ASSERT_NE(square, nullptr);
  EXPECT_EQ(square->elementName(), "Rectangle 0-0");
  EXPECT_EQ(*square->cgPath(), MVElementPath::cgPathForRectangleWithWidth(15, 15));
  EXPECT_EQ(square->fillColor(), pf::Color::rgb(0, 0, 0, 1));
}

// Each member carries the group's entry for the repeater, after the input's history for the
// first member and after an entry of its own where the repeater stamps its repetitions. The
// input, shared with the shape node, keeps its history.
TEST_F(RepeaterNodeTest, MembersCarryTheirHistoryAndTheGroupsEntry)
{
  const struct {
    const char* className;
    std::size_t firstEntries;  // the repeater's entries in the first member's history
    std::size_t otherEntries;  // and in the others'
  } cases[] = {{"RepeatGridNode", 2, 2},
               {"RepeatRadialNode", 1, 1},
               {"RepeatRandomNode", 1, 2},  // the first member is the kept original
               {"RepeatTransformNode", 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.className);
    auto* node = addRepeater<RepeaterNode>(c.className);
    if (MVParameterBool* keep = node->boolParameterNamed("Keep original")) {
      keep->setValue(true);
    }
    const auto result = group(node);
    ASSERT_NE(result, nullptr);
    ASSERT_GE(result->count(), 2);
    const std::string& id = node->nodeId();
    EXPECT_EQ(result->nodeHistory(), std::vector<std::string>{id});
    std::vector<std::string> first{shape->nodeId()};
    first.insert(first.end(), c.firstEntries, id);
    EXPECT_EQ(result->elementArray()[0]->nodeHistory(), first);
    const std::vector<std::string> others(c.otherEntries, id);
    for (long i = 1; i < result->count(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(result->elementArray()[static_cast<std::size_t>(i)]->nodeHistory(), others);
    }
    EXPECT_EQ(output(shape)->nodeHistory(), std::vector<std::string>{shape->nodeId()});
    controller().removeNode(node);
  }
}

TEST_F(RepeaterNodeTest, DynamicGridPullsAFreshElementPerRepetitionAndEndsTheSession)
{
  controller().removeNode(shape);
  auto* indexed = add<IndexedShapeNode>("IndexedShapeTestNode");
  auto* grid = add<RepeatGridNode>("RepeatGridNode");
  connect(indexed, grid);
  connectToLayer(grid);
  const std::string key = grid->nodeId() + " * Index";
  indexed->watch(key);
  ASSERT_TRUE(grid->mightHaveDynamicInput());
  EXPECT_FALSE(grid->dynamicElementsParameter()->layoutHidden());

  indexed->seen.clear();
  auto result = group(grid);
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(result->count(), 16);
  // One element per repetition, each as wide as its "Index"; the first is the input itself.
  std::vector<double> widths;
  for (const auto& member : result->elementArray()) {
    widths.push_back(member->width());
  }
  std::vector<double> expected(16);
  for (int i = 0; i < 16; ++i) {
    expected[static_cast<std::size_t>(i)] = i;
  }
  expected[0] = widths[0];
  EXPECT_EQ(widths, expected);
  EXPECT_EQ(controller().nodeIndex(key), -1);
  EXPECT_EQ(controller().nodeIndex(grid->nodeId() + " * Row"), -1);

  // Switched off: every repetition is a copy of one input.
  grid->dynamicElementsParameter()->setValue(false);
  result = group(grid);
  ASSERT_EQ(result->count(), 16);
  EXPECT_EQ(result->elementArray().back()->width(), result->elementArray().front()->width());
}

TEST_F(RepeaterNodeTest, OneConnectionWarningAtMost)
{
  struct Case {
    bool input;
    bool output;
    std::string warningStart;  // empty: none
  };
  const std::vector<Case> cases = {
      {false, false, "This node is not connected to any graphics input or output"},
      {false, true, "This node has no Graphics input connected"},
      {true, false, "This node Graphics output is not connected to anything"},
      {true, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.input << c.output);
    auto* grid = add<RepeatGridNode>("RepeatGridNode");
    if (c.input) {
      connect(shape, grid);
    }
    if (c.output) {
      connectToLayer(grid);
    }
    grid->checkWarnings();
    if (c.warningStart.empty()) {
      EXPECT_TRUE(grid->warningMessages().empty());
    } else {
      ASSERT_EQ(grid->warningMessages().size(), 1u);
      EXPECT_EQ(grid->warningMessages().front().rfind(c.warningStart, 0), 0u);
    }
    controller().removeNode(grid);
  }
}

TEST_F(RepeaterNodeTest, EveryRepeaterRegeneratesTheSameTreeAndRoundTripsItsRecord)
{
  for (const std::string& className : kRepeaterClasses) {
    SCOPED_TRACE(className);
    auto* node = addRepeater<RepeaterNode>(className);
    const auto generation = [&] {
      node->graphicsParameter()->inputChanged();
      regenerate();
      return group(node);  // the tree the generation built, from the cache
    };
    const auto first = generation();
    const auto second = generation();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const auto a = members(*first);
    const auto b = members(*second);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_FALSE(a.empty());
    std::optional<long long> step;
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].x, b[i].x);
      EXPECT_EQ(a[i].y, b[i].y);
      EXPECT_EQ(a[i].name, b[i].name);
      // New IDs come from the document's counter: the second tree's are the first's moved on by
      // one generation's worth (members that are the input itself keep its ID).
      if (const long long delta = b[i].elementID - a[i].elementID; delta != 0) {
        EXPECT_EQ(delta, step.value_or(delta));
        step = delta;
      }
    }

    // A fresh node of the class loads the record and saves the same one.
    pf::PlistValue::Dictionary original = node->descriptionDictionary();
    original.erase("Node id");
    auto* loaded = add<RepeaterNode>(className);
    loaded->loadNodeDictionary(original);
    pf::PlistValue::Dictionary copied = loaded->descriptionDictionary();
    copied.erase("Node id");
    EXPECT_EQ(original, copied);
    controller().removeNode(loaded);
    controller().removeNode(node);
  }
}

TEST_F(RepeaterNodeTest, OlderNamesSharedByEveryRepeater)
{
  auto* grid = add<RepeatGridNode>("RepeatGridNode");
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Dynamic elements header"), std::nullopt);
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Height"), "Repetition area:Y");
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Width"), "Repetition area:X");
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Offset X"), "Offset:X");
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Offset Y"), "Offset:Y");
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Count"), "Count");
}

}  // namespace
