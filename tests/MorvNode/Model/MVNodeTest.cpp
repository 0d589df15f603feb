#include "MorvNode/Model/MVNode.h"

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "Platform/GeometryStrings.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

class NodeTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    registerTestNodeClasses();
    node = controller.addNode("TestProcessNode");
    undo.records.clear();  // creation links the seed rows
  }

  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* node = nullptr;
};

TEST_F(NodeTest, DisplayNameCarriesTheIndexOnlyWithSeveralNodesAndTheClassTitle)
{
  EXPECT_EQ(node->displayName(), "Process");
  MVNode* other = controller.addNode("TestProcessNode");
  EXPECT_EQ(node->displayName(), "Process 1");
  EXPECT_EQ(other->displayName(), "Process 2");
  other->setDisplayName("Mine");
  EXPECT_EQ(other->displayName(), "Mine");
  EXPECT_EQ(other->displayFullName(), "Change Mine");
  EXPECT_EQ(node->description(), "<TestProcessNode 'Process 1' (ID:1)>");
}

TEST_F(NodeTest, AddParameterAtTheCountAppendsWithAWarning)
{
  const std::size_t count = node->parameters().size();
  node->addParameter(MVParameter::parameterWithName("Last"), static_cast<long>(count));
  EXPECT_EQ(node->parameters().back()->name(), "Last");
  EXPECT_EQ(log.countContaining("specified index " + std::to_string(count) + " is invalid, added parameter last"), 1);
  node->addParameter(MVParameter::parameterWithName("Front"), 0);
  EXPECT_EQ(node->parameters().front()->name(), "Front");
  EXPECT_EQ(node->parameters().front()->node(), node);
  EXPECT_EQ(node->addParameter(std::unique_ptr<MVParameter>()), nullptr);
}

TEST_F(NodeTest, TypedLookUpsFollowTheKinds)
{
  node->addParameter(MVParameterValue2D::parameterWithName("Size"));
  EXPECT_NE(node->valueParameterNamed("Size"), nullptr);
  EXPECT_NE(node->value2DParameterNamed("Size"), nullptr);
  EXPECT_EQ(node->boolParameterNamed("Value"), nullptr);
  EXPECT_EQ(node->colorParameterNamed("Value"), nullptr);
  EXPECT_NE(node->colorParameterNamed("Color"), nullptr);
  EXPECT_NE(node->graphicsParameterNamed("Graphics"), nullptr);
  EXPECT_EQ(node->parameterNamed("Nothing"), nullptr);
}

TEST_F(NodeTest, ValueGettersRoundAndLogWhatIsMissing)
{
  struct Case {
    double stored;
    int expected;
  };
  for (const Case c : {Case{2.5, 3}, Case{-2.5, -3}, Case{2.4, 2}, Case{1e300, std::numeric_limits<int>::max()}}) {
    SCOPED_TRACE(c.stored);
    node->valueParameterNamed("Value")->setValue(c.stored);
    EXPECT_EQ(node->intValueForParameterNamed("Value"), c.expected);
  }
  EXPECT_EQ(node->doubleValueForParameterNamed("Nothing"), 0.0);
  EXPECT_EQ(node->intValueForParameterNamed("Nothing"), 0);
  EXPECT_EQ(node->longValueForParameterNamed("Nothing"), 0);
  EXPECT_FALSE(node->boolValueForParameterNamed("Value"));
  EXPECT_EQ(node->colorValueForParameterNamed("Value"), std::nullopt);
  EXPECT_EQ(log.count("Error: <TestProcessNode 'Process' (ID:1)> doubleValueForParameterNamed parameter 'Nothing' "
                      "not found"),
            1);
  EXPECT_EQ(log.countContaining("boolValueForParameterNamed parameter 'Value' not found"), 1);
}

TEST_F(NodeTest, SeedChangeReachesTheNodeBeforeTheController)
{
  MVParameterValue* seed = node->randomSeedParameter();
  ASSERT_NE(seed, nullptr);
  EXPECT_GE(seed->localValue(), 0.0);
  EXPECT_LT(seed->localValue(), 10000.0);
  EXPECT_TRUE(seed->layoutHidden());  // until "Show seed" is enabled

  struct SeedWatcher : FakeController {
    MVNode* watched = nullptr;
    long long seenSeed = -1;
    void parameterChanged(MVParameter* parameter, const std::string& property) override
    {
      seenSeed = watched->nodeRandomSeed();
      FakeController::parameterChanged(parameter, property);
    }
  } watcher;
  MVNode* watchedNode = watcher.addNode("TestProcessNode");
  watcher.watched = watchedNode;
  watchedNode->randomSeedParameter()->setValue(42.0);
  EXPECT_EQ(watcher.seenSeed, 42);

  watchedNode->showRandomSeedParameter()->setEnabled(true);
  EXPECT_FALSE(watchedNode->randomSeedParameter()->layoutHidden());
}

TEST_F(NodeTest, DrawsFollowTheSeedsAndNeedATable)
{
  EXPECT_EQ(node->randomDoubleWithSeed(5), 0.0);
  EXPECT_EQ(node->randomIntegerWithSeed(5), 0);
  EXPECT_EQ(log.countContaining("has no randomSource for randomDoubleWithSeed"), 1);
  EXPECT_EQ(log.countContaining("has no randomSource for randomIntegerWithSeed"), 1);

  const RandomSource table(RandomSource::kApplicationSeed);
  MVNode* twin = controller.addNode("TestProcessNode");
  for (MVNode* each : {node, twin}) {
    each->setRandomSource(&table);
    each->randomSeedParameter()->setValue(5.0);
    each->initRandomSeed();
  }
  EXPECT_EQ(node->nodeRandomSeed(), 5);
  EXPECT_EQ(node->randomDoubleWithSeed(3), table.randomDoubleWithSeed(8));
  node->updateIncrementalRandomSeed();
  twin->updateIncrementalRandomSeed();
  EXPECT_EQ(node->randomIncrementalSeed(), static_cast<long long>(table.randomDoubleWithSeed(5) * 10000000.0));
  EXPECT_EQ(node->randomIntegerWithSeed(1), twin->randomIntegerWithSeed(1));
  twin->randomSeedParameter()->setValue(6.0);
  EXPECT_NE(node->randomDoubleWithSeed(1), twin->randomDoubleWithSeed(1));
}

TEST_F(NodeTest, LinkingChangesAreNotForwarded)
{
  controller.changes.clear();
  node->boolParameterNamed("Flag")->setValue(true);  // the linking hides "Linked"
  EXPECT_TRUE(node->parameterNamed("Linked")->layoutHidden());
  ASSERT_EQ(controller.changes.size(), 1u);
  EXPECT_EQ(controller.changes[0].first, node->parameterNamed("Flag"));
}

TEST_F(NodeTest, EnableRecordsUndoAndRevertsWithTheReverseStep)
{
  node->setEnabled(true);
  EXPECT_TRUE(undo.records.empty());

  node->setEnabled(false);
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0].actionName, "disable process node");
  node->revertProperty("propertyName", pf::PlistValue(true));  // unknown property: nothing
  EXPECT_FALSE(node->enabled());
  node->revertProperty("enabled", *undo.records[0].state.find("propertyValue"));
  EXPECT_TRUE(node->enabled());
  ASSERT_EQ(undo.records.size(), 2u);
  EXPECT_EQ(undo.records[1].actionName, "enable process node");
}

TEST_F(NodeTest, RevertingThePositionMovesTheBoxAndItsConnections)
{
  RecordingNodeView::Calls calls;
  node->setNodeView(std::make_unique<RecordingNodeView>(&calls));
  node->setInitialNodeViewOrigin({10, 20});
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0].actionName, "move process node");
  node->setInitialNodeViewOrigin({30, 40});
  controller.connectionsChangedCount = 0;

  node->revertProperty("position", *undo.records[1].state.find("propertyValue"));
  EXPECT_EQ(node->initialNodeViewOrigin(), pf::Point(10, 20));
  EXPECT_EQ(calls.origins, std::vector<pf::Point>{pf::Point(10, 20)});
  EXPECT_EQ(controller.connectionsChangedCount, 1);

  node->revertProperty("position", pf::PlistValue("{nan, 3}"));
  EXPECT_EQ(node->initialNodeViewOrigin(), pf::Point(10, 20));

  node->remove();
  EXPECT_EQ(calls.removes, 1);
  EXPECT_EQ(node->nodeView(), nullptr);
  EXPECT_EQ(node->nodeController(), nullptr);
}

TEST_F(NodeTest, RenameRevertRecordsTheCurrentTitle)
{
  node->setDisplayName("Old");
  node->revertProperty("displayName", pf::PlistValue("Older"));
  EXPECT_EQ(node->displayName(), "Older");
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0].actionName, "rename node");
  EXPECT_EQ(undo.records[0].state.find("propertyValue")->stringOr(), "Old");
}

TEST_F(NodeTest, WarningsAreKeptOnceAndNotInReferenceMode)
{
  node->addWarningMessage("Careful");
  node->addWarningMessage("Careful");
  EXPECT_EQ(node->warningMessages(), std::vector<std::string>{"Careful"});
  node->checkWarnings();
  EXPECT_TRUE(node->warningMessages().empty());

  node->setReferenceMode(true);
  node->addWarningMessage("Careful");
  EXPECT_TRUE(node->warningMessages().empty());
  node->setSelected(true);
  EXPECT_FALSE(node->selected());
}

// Kinds in the states the base's warning check reads.
struct BrokenExpression : MVParameterValueExpression {
  explicit BrokenExpression(const std::string& text)
  {
    setName("Formula");
    setExpressionString(text);
    valueForSocketIndex(0);  // fails to evaluate and raises the flag
  }
};
struct IndexWithoutPublishers : MVParameterNodeIndex {
  IndexWithoutPublishers() { setName("IndexParameter"); }
};

TEST_F(NodeTest, BaseWarningsComeFromShownEnabledParameters)
{
  MVParameter* formula = node->addParameter(std::make_unique<BrokenExpression>("2 +"));
  node->addParameter(std::make_unique<IndexWithoutPublishers>());
  EXPECT_TRUE(node->hasNodeIndexParameter());
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages(),
            (std::vector<std::string>{"Could not parse expression '2 +'. Will output 0 instead",
                                      "Node indexes are used to generate dynamic input parameters in Group and "
                                      "Repeater nodes, but there are no nodes generating node indexes in this file."}));
  formula->setLayoutHidden(true);
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages().size(), 1u);
  node->setReferenceMode(true);
  node->checkWarnings();
  EXPECT_TRUE(node->warningMessages().empty());
}

TEST_F(NodeTest, WarningsFollowTheParameterListAsItChanges)
{
  MVParameter* index = node->addParameter(std::make_unique<IndexWithoutPublishers>());
  node->addParameter(std::make_unique<BrokenExpression>("1 *"), 0);  // ahead of the index
  const std::string parseWarning = "Could not parse expression '1 *'. Will output 0 instead";
  node->checkWarnings();
  ASSERT_EQ(node->warningMessages().size(), 2u);
  EXPECT_EQ(node->warningMessages().front(), parseWarning);

  const std::unique_ptr<MVParameter> removed = node->removeParameter(index);
  ASSERT_NE(removed, nullptr);
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages(), std::vector<std::string>{parseWarning});
}

TEST_F(NodeTest, CopyTakesANewIdAndTheValues)
{
  node->valueParameterNamed("Value")->setValue(8.5);
  node->setDisplayName("Named");
  std::unique_ptr<MVNode> copy = node->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->nodeId(), "2");
  EXPECT_EQ(copy->valueParameterNamed("Value")->localValue(), 8.5);
  EXPECT_EQ(copy->displayName(), "Named");

  node->remove();
  std::unique_ptr<MVNode> orphanCopy = node->copy();
  EXPECT_EQ(orphanCopy->nodeId(), "1");
  EXPECT_EQ(log.countContaining("with no nodeController assigned, did not get new unique nodeID"), 1);
}

TEST_F(NodeTest, PrimaryParametersByType)
{
  EXPECT_EQ(node->primaryInputParameterForType(MVSocketType::Value), node->parameterNamed("Value"));
  EXPECT_EQ(node->primaryInputParameterForType(MVSocketType::Color), node->parameterNamed("Color"));
  EXPECT_EQ(node->primaryOutputParameterForType(MVSocketType::Element), node->parameterNamed("Graphics"));
  EXPECT_EQ(node->primaryInputParameterForType(MVSocketType::None), nullptr);
  MVNode* source = controller.addNode("TestSourceNode");
  EXPECT_EQ(source->primaryInputParameterForType(MVSocketType::Value), nullptr);
}

TEST_F(NodeTest, ReverseConnectionOrderReversesTheElementInputs)
{
  MVNode* first = controller.addNode("TestSourceNode");
  MVNode* second = controller.addNode("TestSourceNode");
  MVConnection* a = controller.connect(first->parameterNamed("Graphics"), node->parameterNamed("Graphics"));
  MVConnection* b = controller.connect(second->parameterNamed("Graphics"), node->parameterNamed("Graphics"));
  EXPECT_EQ(memberNames(node->parameterNamed("Graphics")->element()),
            (std::vector<std::string>{"2 element", "3 element"}));
  undo.records.clear();

  node->reverseConnectionOrder();
  EXPECT_EQ(memberNames(node->parameterNamed("Graphics")->element()),
            (std::vector<std::string>{"3 element", "2 element"}));
  // One connections record for undo, and the saved order follows.
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0].kind, "connections");
  ASSERT_EQ(controller.connections.size(), 2u);
  EXPECT_EQ(controller.connections[0].get(), b);
  EXPECT_EQ(controller.connections[1].get(), a);
}

TEST(NodeRegistry, UnknownClassesMakeNothing)
{
  registerTestNodeClasses();
  EXPECT_EQ(MVClassRegistry::shared().createNode("NoSuchNode"), nullptr);
  EXPECT_EQ(MVClassRegistry::shared().createParameter("NoSuchParameter", "x"), nullptr);
  const MVNodeClass* info = MVClassRegistry::shared().nodeClass("TestSourceNode");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->effectiveDescriptionText(), "Default node tool tip text");
  EXPECT_EQ(MVClassRegistry::shared().createParameter("MVParameterValue", "x")->className(), "MVParameterValue");
}

}  // namespace
