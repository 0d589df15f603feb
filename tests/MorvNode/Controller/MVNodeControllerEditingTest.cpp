#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Document/DocumentTestSupport.h"
#include "MorvNode/Controller/MVControllerAnimationDelegate.h"
#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Controller/MVNodeControllerOutputDelegate.h"
#include "MorvNode/Controller/MVStatisticsPanel.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Controller/MVNodeControllerReferenceDelegate.h"
#include "MorvNode/Controller/MVWarningsManager.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Shared/FeedbackManager/AlertPresenter.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

class RecordingAlerts : public AlertPresenter {
public:
  RecordingAlerts() { FeedbackManager::setAlertPresenter(this); }
  ~RecordingAlerts() override { FeedbackManager::setAlertPresenter(nullptr); }
  RecordingAlerts(const RecordingAlerts&) = delete;
  RecordingAlerts& operator=(const RecordingAlerts&) = delete;
  void presentAlert(const std::string& title, const std::string& text) override { alerts.emplace_back(title, text); }
  std::vector<std::pair<std::string, std::string>> alerts;
};

::testing::AssertionResult sameRecord(const pf::PlistValue& actual, const pf::PlistValue& expected)
{
  if (actual == expected) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "graph record\n" << actual.description() << "\nexpected\n"
                                       << expected.description();
}

class GraphEditingTest : public DocumentFixture {
protected:
  // Undo and redo the last step twice, checking the saved graph against `before` and the
  // state after the step.
  void expectUndoAndRedo(const pf::PlistValue& before, const std::string& actionName)
  {
    const pf::PlistValue after = graphRecord();
    ASSERT_FALSE(after == before);
    EXPECT_EQ(document.undoManager()->undoActionName(), actionName);
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round);
      undo();
      EXPECT_TRUE(sameRecord(graphRecord(), before));
      redo();
      EXPECT_TRUE(sameRecord(graphRecord(), after));
      EXPECT_EQ(document.undoManager()->undoActionName(), actionName);
    }
  }

  MVParameter* parameter(MVNode* node, const std::string& name) { return node->parameterNamed(name); }
};

TEST_F(GraphEditingTest, NewNodesAreRoundedAndSnappedToTheGrid)
{
  const struct {
    pf::Point location;
    bool snap;
    pf::Point expected;
  } cases[] = {
      {{33.4, -7.6}, true, {30.0, -10.0}}, {{33.4, -7.6}, false, {33.0, -8.0}}, {{0.0, 0.0}, true, {-10.0, -10.0}},
      {{20.0, 40.0}, true, {30.0, 50.0}},  {{-0.5, 0.5}, false, {-1.0, 1.0}},   {{10.0, 29.9}, true, {10.0, 30.0}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(testing::Message() << each.location.x << ", " << each.location.y << (each.snap ? " snapped" : ""));
    defaults->setBool("Snap nodes to grid", each.snap);
    MVNode* node = add("TestProcessNode", each.location);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->initialNodeViewOrigin(), each.expected);
  }
}

TEST_F(GraphEditingTest, OnlyOneArtboardIsAllowed)
{
  RecordingAlerts alerts;
  MVNode* artboard = add("ArtboardNode");
  ASSERT_NE(artboard, nullptr);
  const pf::PlistValue before = graphRecord();
  EXPECT_EQ(add("ArtboardNode"), nullptr);
  EXPECT_EQ(controller.nodeArray().size(), 1u);
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].first, "Only one allowed");
  EXPECT_EQ(alerts.alerts[0].second, "Only one Artboard node is allowed per document.");
  EXPECT_TRUE(sameRecord(graphRecord(), before));

  // Duplicating the artboard makes no second one either.
  EXPECT_EQ(step([&] { return controller.duplicateNode(artboard); }), nullptr);
  EXPECT_EQ(controller.nodeArray().size(), 1u);
  EXPECT_EQ(alerts.alerts.size(), 1u);
}

TEST_F(GraphEditingTest, UnknownClassIsLoggedAndAddsNothing)
{
  EXPECT_EQ(add("NoSuchNode"), nullptr);
  EXPECT_EQ(log.count("Error, addNodeOfClass could not create node. Invalid node class 'NoSuchNode'"), 1);
  EXPECT_TRUE(controller.nodeArray().empty());
  EXPECT_FALSE(document.undoManager()->canUndo());
}

TEST_F(GraphEditingTest, AutoConnectPrefersAFreeElementInputOverTheArtboard)
{
  MVNode* artboard = add("ArtboardNode");
  MVNode* change = add("TestProcessNode");
  const pf::PlistValue before = graphRecord();
  MVNode* shape = add("EditTestShapeNode", {}, true);
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(connectionList(), std::vector<std::string>{shape->nodeId() + ".Graphics -> " + change->nodeId() + ".Graphics"});
  expectUndoAndRedo(before, "adding Shape node");

  // No free element input left: the next shape goes onto the artboard's first layer.
  MVNode* second = add("EditTestShapeNode", {}, true);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(connectionList().back(), second->nodeId() + ".Graphics -> " + artboard->nodeId() + ".OutputLayer1");

  // Without auto-connect, or with the preference off, nothing is connected.
  const std::size_t connections = controller.connectionArray().size();
  add("EditTestShapeNode", {}, false);
  defaults->setBool("Auto connect new Element nodes", false);
  add("EditTestShapeNode", {}, true);
  EXPECT_EQ(controller.connectionArray().size(), connections);
}

TEST_F(GraphEditingTest, RemovingTheMiddleOfAValueChainBridgesIt)
{
  MVNode* first = add("TestProcessNode");
  MVNode* middle = add("TestProcessNode");
  MVNode* last = add("TestProcessNode");
  connect(first, "Value", middle, "Value");
  connect(middle, "Value", last, "Value");
  const pf::PlistValue before = graphRecord();

  step([&] { controller.removeNode(middle); });
  EXPECT_EQ(nodeIds(), (std::vector<std::string>{first->nodeId(), last->nodeId()}));
  EXPECT_EQ(connectionList(), std::vector<std::string>{first->nodeId() + ".Value -> " + last->nodeId() + ".Value"});
  expectUndoAndRedo(before, "deleting Process 2 node");
}

TEST_F(GraphEditingTest, BridgingConnectsEachSourceToTheFirstTargetThatAcceptsIt)
{
  // Node 3 is removed; the other three stay.
  struct Link {
    int from;
    const char* output;
    int to;
    const char* input;
  };
  const struct {
    const char* name;
    std::vector<Link> links;
    std::vector<Link> after;
  } cases[] = {
      {"element source, two consumers",
       {{0, "Graphics", 3, "Graphics"}, {3, "Graphics", 1, "Graphics"}, {3, "Graphics", 2, "Graphics"}},
       {{0, "Graphics", 1, "Graphics"}}},
      {"types must match",
       {{0, "Value", 3, "Value"}, {3, "Graphics", 1, "Graphics"}, {3, "Value", 2, "Value"}},
       {{0, "Value", 2, "Value"}}},
      {"a value input taken by the first source refuses the second",
       {{0, "Value", 3, "Value"}, {1, "Value", 3, "Double"}, {3, "Value", 2, "Value"}, {3, "Double", 2, "Double"}},
       {{0, "Value", 2, "Value"}, {1, "Value", 2, "Double"}}},
      {"an element input takes several sources",
       {{0, "Graphics", 3, "Graphics"}, {1, "Graphics", 3, "Graphics"}, {3, "Graphics", 2, "Graphics"}},
       {{0, "Graphics", 2, "Graphics"}, {1, "Graphics", 2, "Graphics"}}},
      {"nothing to bridge without targets", {{0, "Value", 3, "Value"}, {1, "Value", 2, "Value"}},
       {{1, "Value", 2, "Value"}}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    step([&] { controller.removeAllNodes(); });
    std::vector<MVNode*> nodes;
    for (int index = 0; index < 4; ++index) {
      nodes.push_back(add("TestProcessNode"));
    }
    const auto describe = [&](const Link& link) {
      return nodes[static_cast<std::size_t>(link.from)]->nodeId() + "." + link.output + " -> " +
             nodes[static_cast<std::size_t>(link.to)]->nodeId() + "." + link.input;
    };
    for (const Link& link : each.links) {
      ASSERT_NE(connect(nodes[static_cast<std::size_t>(link.from)], link.output, nodes[static_cast<std::size_t>(link.to)],
                        link.input),
                nullptr);
    }
    std::vector<std::string> expected;
    for (const Link& link : each.after) {
      expected.push_back(describe(link));
    }
    const pf::PlistValue before = graphRecord();
    step([&] { controller.removeNode(nodes[3]); });
    EXPECT_EQ(connectionList(), expected);
    undo();
    EXPECT_TRUE(sameRecord(graphRecord(), before));
  }
}

TEST_F(GraphEditingTest, UnlinkingBridgesAndKeepsTheNode)
{
  MVNode* source = add("TestSourceNode");
  MVNode* middle = add("TestProcessNode");
  MVNode* consumer = add("TestProcessNode");
  connect(source, "Graphics", middle, "Graphics");
  connect(middle, "Graphics", consumer, "Graphics");
  const pf::PlistValue before = graphRecord();

  step([&] { controller.unlinkNode(middle, false); });
  EXPECT_EQ(controller.nodeArray().size(), 3u);
  EXPECT_EQ(connectionList(),
            std::vector<std::string>{source->nodeId() + ".Graphics -> " + consumer->nodeId() + ".Graphics"});
  expectUndoAndRedo(before, "unlinking node");
}

TEST_F(GraphEditingTest, DuplicateTakesTheInputsAndFeedsTheSameElementConsumers)
{
  RecordingEditor editor;
  controller.setNodeEditorView(&editor);
  MVNode* source = add("TestSourceNode");
  MVNode* node = add("TestProcessNode");
  MVNode* consumer = add("TestProcessNode");
  MVNode* valueConsumer = add("TestProcessNode");
  connect(source, "Value", node, "Value");
  connect(source, "Graphics", node, "Graphics");
  connect(node, "Graphics", consumer, "Graphics");
  connect(node, "Value", valueConsumer, "Value");
  RecordingNodeView::Calls calls;
  node->setNodeView(std::make_unique<RecordingNodeView>(&calls, pf::Point(100.0, 40.0)));
  step([&] { dynamic_cast<MVParameterValue*>(parameter(node, "Linked"))->setValue(7.0); });
  const pf::PlistValue before = graphRecord();
  const int nodesChanged = editor.nodesChangedCount;

  MVNode* copy = step([&] { return controller.duplicateNode(node); });
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->nodeId(), node->nodeId());
  EXPECT_EQ(copy->initialNodeViewOrigin(), pf::Point(120.0, 60.0));
  EXPECT_EQ(dynamic_cast<MVParameterValue*>(parameter(copy, "Linked"))->value(), 7.0);
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{copy});
  EXPECT_GT(editor.nodesChangedCount, nodesChanged);
  const std::vector<std::string> connections = connectionList();
  const std::vector<std::string> added(connections.end() - 3, connections.end());
  EXPECT_EQ(added, (std::vector<std::string>{source->nodeId() + ".Value -> " + copy->nodeId() + ".Value",
                                             source->nodeId() + ".Graphics -> " + copy->nodeId() + ".Graphics",
                                             copy->nodeId() + ".Graphics -> " + consumer->nodeId() + ".Graphics"}));
  expectUndoAndRedo(before, "duplicating Process 1 node");
  controller.setNodeEditorView(nullptr);
}

TEST_F(GraphEditingTest, ReplacingCarriesParametersAndConnectionsOver)
{
  MVNode* source = add("TestSourceNode");
  MVNode* node = add("TestProcessNode");
  MVNode* consumer = add("TestProcessNode");
  connect(source, "Value", node, "Value");
  connect(node, "Graphics", consumer, "Graphics");
  step([&] { dynamic_cast<MVParameterValue*>(parameter(node, "Value"))->setValue(3.0); });
  step([&] { controller.selectNode(node, false, false, true); });
  const std::string oldId = node->nodeId();
  const std::size_t position = 1;
  const pf::PlistValue before = graphRecord();

  step([&] { controller.replaceNode(node, "EditTestShapeNode"); });
  ASSERT_EQ(controller.nodeArray().size(), 3u);
  MVNode* replacement = controller.nodeArray().back().get();
  EXPECT_EQ(replacement->className(), "EditTestShapeNode");
  EXPECT_EQ(controller.nodeWithId(oldId), nullptr);
  EXPECT_TRUE(replacement->selected());
  // "Value" has no namesake: the value connection goes to the primary value input ("Size"); the
  // element output keeps its consumer.
  EXPECT_EQ(connectionList(),
            (std::vector<std::string>{source->nodeId() + ".Value -> " + replacement->nodeId() + ".Size",
                                      replacement->nodeId() + ".Graphics -> " + consumer->nodeId() + ".Graphics"}));
  expectUndoAndRedo(before, "changing Process 1 node to Shape");
  undo();
  EXPECT_EQ(controller.nodeArray()[position]->nodeId(), oldId);

  // The same class, nothing or no node: nothing happens.
  MVNode* same = controller.nodeArray()[position].get();
  const pf::PlistValue unchanged = graphRecord();
  step([&] { controller.replaceNode(same, "TestProcessNode"); });
  step([&] { controller.replaceNode(nullptr, "TestProcessNode"); });
  step([&] { controller.replaceNode(same, ""); });
  EXPECT_TRUE(sameRecord(graphRecord(), unchanged));
}

TEST_F(GraphEditingTest, FailedReplacementIsLoggedAndChangesNothing)
{
  MVNode* node = add("TestProcessNode");
  const pf::PlistValue before = graphRecord();
  step([&] { controller.replaceNode(node, "NoSuchNode"); });
  EXPECT_EQ(log.count("Error replacing node, could not create new node of type NoSuchNode"), 1);
  EXPECT_TRUE(sameRecord(graphRecord(), before));
  // The guard is cleared: auto-connect works again afterwards.
  MVNode* change = add("TestProcessNode");
  MVNode* shape = add("EditTestShapeNode", {}, true);
  EXPECT_EQ(connectionList(), std::vector<std::string>{shape->nodeId() + ".Graphics -> " + node->nodeId() + ".Graphics"});
  (void)change;
}

TEST_F(GraphEditingTest, AddingAfterANodeTakesOverItsConsumers)
{
  MVNode* source = add("TestSourceNode");
  MVNode* node = add("TestProcessNode");
  MVNode* consumer = add("TestProcessNode");
  connect(source, "Graphics", node, "Graphics");
  connect(node, "Graphics", consumer, "Graphics");
  const pf::PlistValue before = graphRecord();

  MVNode* added = step([&] { return controller.addNodeOfClass("TestProcessNode", node); });
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->initialNodeViewOrigin(), pf::Point(20.0, 0.0));
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{added});
  EXPECT_EQ(connectionList(),
            (std::vector<std::string>{source->nodeId() + ".Graphics -> " + node->nodeId() + ".Graphics",
                                      added->nodeId() + ".Graphics -> " + consumer->nodeId() + ".Graphics",
                                      node->nodeId() + ".Graphics -> " + added->nodeId() + ".Graphics"}));
  expectUndoAndRedo(before, "adding Process 3 node");
}

TEST_F(GraphEditingTest, AddingOnAConnectionRunsItThroughTheNewNode)
{
  MVNode* source = add("TestSourceNode");
  MVNode* consumer = add("TestProcessNode");
  MVConnection* connection = connect(source, "Value", consumer, "Value");
  const pf::PlistValue before = graphRecord();

  MVNode* added =
      step([&] { return controller.addNodeOfClassOnConnection("TestProcessNode", connection, pf::Point(50.0, 60.0)); });
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->initialNodeViewOrigin(), pf::Point(50.0, 60.0));
  EXPECT_EQ(connectionList(), (std::vector<std::string>{added->nodeId() + ".Value -> " + consumer->nodeId() + ".Value",
                                                        source->nodeId() + ".Value -> " + added->nodeId() + ".Value"}));
  expectUndoAndRedo(before, "adding Process 2 node");
}

// A process node whose first value input is hidden.
class HiddenFirstInputNode : public TestProcessNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass = TestProcessNode::nodeClassInfo();
      nodeClass.className = "TestHiddenFirstInputNode";
      nodeClass.create = [] { return std::make_unique<HiddenFirstInputNode>(); };
      return nodeClass;
    }();
    return info;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override
  {
    TestProcessNode::initNodeParameters();
    parameterNamed("Value")->setLayoutHidden(true);
  }
};

// A node whose only value input is hidden: it cannot take a value connection.
class NoOpenInputNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass;
      nodeClass.className = "TestNoOpenInputNode";
      nodeClass.create = [] { return std::make_unique<NoOpenInputNode>(); };
      return nodeClass;
    }();
    return info;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    auto value = MVParameterValue::parameterWithName("Value");
    value->setLayoutHidden(true);
    addParameter(std::move(value));
  }
};

TEST_F(GraphEditingTest, AddingOnAValueConnectionUsesTheFirstInputThatCanTakeIt)
{
  MVClassRegistry::shared().registerNodeClass(HiddenFirstInputNode::nodeClassInfo());
  MVClassRegistry::shared().registerNodeClass(NoOpenInputNode::nodeClassInfo());
  MVNode* source = add("TestSourceNode");
  MVNode* consumer = add("TestProcessNode");
  MVConnection* connection = connect(source, "Value", consumer, "Value");

  MVNode* routed = step(
      [&] { return controller.addNodeOfClassOnConnection("TestHiddenFirstInputNode", connection, pf::Point(50.0, 60.0)); });
  ASSERT_NE(routed, nullptr);
  const std::vector<std::string> connections = connectionList();
  EXPECT_NE(std::find(connections.begin(), connections.end(), source->nodeId() + ".Value -> " + routed->nodeId() + ".Double"),
            connections.end());
  // The consumer is still fed, now by the new node.
  const auto& feeding = parameter(consumer, "Value")->inputSocket()->inputConnections();
  ASSERT_EQ(feeding.size(), 1U);
  EXPECT_EQ(feeding.front()->fromNode(), routed);

  // No input can take it: the connection stays as it was.
  const std::vector<std::string> before = connectionList();
  MVConnection* into = nullptr;
  for (MVConnection* candidate : parameter(consumer, "Value")->inputSocket()->inputConnections()) {
    into = candidate;
  }
  ASSERT_NE(into, nullptr);
  MVNode* refused =
      step([&] { return controller.addNodeOfClassOnConnection("TestNoOpenInputNode", into, pf::Point(80.0, 60.0)); });
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(connectionList(), before);
}

TEST_F(GraphEditingTest, AddingOnADrawnConnectionCompletesIt)
{
  MVNode* source = add("TestSourceNode");
  step([&] { dynamic_cast<MVParameterValue*>(parameter(source, "Value"))->setValue(4.0); });
  MVConnection* drawn =
      step([&] { return controller.addConnectionFromSocket(parameter(source, "Value")->outputSocket(), nullptr); });
  ASSERT_NE(drawn, nullptr);
  drawn->setIsBeingEdited(true);

  MVNode* added =
      step([&] { return controller.addNodeOfClassOnConnection("TestProcessNode", drawn, pf::Point(10.0, 10.0)); });
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(connectionList(), std::vector<std::string>{source->nodeId() + ".Value -> " + added->nodeId() + ".Value"});
  drawn->setIsBeingEdited(false);
}

TEST_F(GraphEditingTest, MakingSpaceMovesTheDownstreamBoxesRight)
{
  MVNode* first = add("TestSourceNode");
  MVNode* second = add("TestProcessNode");
  MVNode* third = add("TestProcessNode");
  connect(first, "Graphics", second, "Graphics");
  connect(second, "Graphics", third, "Graphics");
  RecordingNodeView::Calls calls;
  first->setNodeView(std::make_unique<RecordingNodeView>(&calls, pf::Point(0.0, 0.0)));    // right edge 140
  second->setNodeView(std::make_unique<RecordingNodeView>(&calls, pf::Point(150.0, 0.0)));  // 150 ... 290
  third->setNodeView(std::make_unique<RecordingNodeView>(&calls, pf::Point(400.0, 0.0)));   // far enough

  controller.makeSpaceAfterNode(first, 40.0F, nullptr);
  EXPECT_EQ(second->nodeView()->frameOrigin(), pf::Point(180.0, 0.0));
  EXPECT_EQ(third->nodeView()->frameOrigin(), pf::Point(400.0, 0.0));

  // Enough room already: nothing moves.
  calls.origins.clear();
  controller.makeSpaceAfterNode(first, 40.0F, nullptr);
  EXPECT_TRUE(calls.origins.empty());

  // With snapping the shift is a multiple of 20.
  defaults->setBool("Snap nodes to grid", true);
  controller.makeSpaceAfterNode(first, 75.0F, nullptr);
  EXPECT_EQ(second->nodeView()->frameOrigin(), pf::Point(220.0, 0.0));
}

TEST_F(GraphEditingTest, AStepByStepSessionUndoesAndRedoesToIdenticalRecords)
{
  std::vector<pf::PlistValue> records{graphRecord()};
  MVNode* artboard = add("ArtboardNode");
  records.push_back(graphRecord());
  MVNode* source = add("TestSourceNode");
  records.push_back(graphRecord());
  MVNode* change = add("TestProcessNode", {200.0, 0.0});
  records.push_back(graphRecord());
  add("EditTestShapeNode", {0.0, 100.0}, true);
  records.push_back(graphRecord());
  connect(source, "Graphics", change, "Graphics");
  records.push_back(graphRecord());
  connect(change, "Graphics", artboard, "OutputLayer1");
  records.push_back(graphRecord());
  MVNode* copy = step([&] { return controller.duplicateNode(change); });
  records.push_back(graphRecord());
  step([&] { dynamic_cast<MVParameterValue*>(parameter(copy, "Value"))->setValue(12.0); });
  records.push_back(graphRecord());
  step([&] { controller.replaceNode(copy, "EditTestShapeNode"); });
  records.push_back(graphRecord());
  step([&] { controller.unlinkNode(change, false); });
  records.push_back(graphRecord());
  step([&] { controller.removeNode(source); });
  records.push_back(graphRecord());
  step([&] { controller.removeNode(controller.nodeArray()[1].get()); });
  records.push_back(graphRecord());

  for (std::size_t index = records.size() - 1; index > 0; --index) {
    SCOPED_TRACE(testing::Message() << "undo back to step " << index - 1);
    ASSERT_TRUE(document.undoManager()->canUndo());
    undo();
    EXPECT_TRUE(sameRecord(graphRecord(), records[index - 1]));
  }
  EXPECT_FALSE(document.undoManager()->canUndo());
  for (std::size_t index = 1; index < records.size(); ++index) {
    SCOPED_TRACE(testing::Message() << "redo step " << index);
    redo();
    EXPECT_TRUE(sameRecord(graphRecord(), records[index]));
  }
  EXPECT_FALSE(document.undoManager()->canRedo());
}

TEST_F(GraphEditingTest, RemovingAllNodesRegistersNothing)
{
  add("ArtboardNode");
  MVNode* source = add("TestSourceNode");
  MVNode* node = add("TestProcessNode");
  connect(source, "Value", node, "Value");
  step([&] { controller.selectNode(node, false, false, true); });
  const bool couldUndo = document.undoManager()->canUndo();
  const std::string name = document.undoManager()->undoActionName();
  step([&] { controller.removeAllNodes(); });
  EXPECT_TRUE(controller.nodeArray().empty());
  EXPECT_TRUE(controller.connectionArray().empty());
  EXPECT_FALSE(controller.hasSelectedNodes());
  EXPECT_EQ(document.undoManager()->canUndo(), couldUndo);
  EXPECT_EQ(document.undoManager()->undoActionName(), name);
}

TEST_F(GraphEditingTest, SelectionOperations)
{
  RecordingEditor editor;
  controller.setNodeEditorView(&editor);
  MVNode* source = add("TestSourceNode");
  MVNode* middle = add("TestProcessNode");
  MVNode* last = add("TestProcessNode");
  connect(source, "Graphics", middle, "Graphics");
  connect(middle, "Graphics", last, "Graphics");

  controller.selectAndCenterOnNode(middle);
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{middle});
  EXPECT_EQ(editor.scrolledTo, std::vector<MVNode*>{middle});

  controller.selectLinkedToNode(middle, false, true);
  EXPECT_EQ(controller.selectedNodesArray(), (std::vector<MVNode*>{middle, last}));

  // The source cannot be disabled; the others toggle.
  controller.selectNode(source, true, false, true);
  step([&] { controller.toggleSelectedNodesEnabled(); });
  EXPECT_TRUE(source->enabled());
  EXPECT_FALSE(middle->enabled());
  EXPECT_FALSE(last->enabled());

  // A row of a selected node keeps the selection; one of another node selects that node alone.
  controller.parameterSelected(parameter(source, "Value"));
  EXPECT_EQ(controller.selectedNodesArray(), (std::vector<MVNode*>{middle, last, source}));
  controller.selectNode(middle, false, false, true);
  controller.parameterSelected(parameter(source, "Value"));
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{source});

  // Removing a node hides the hover control.
  const int hidden = editor.hoverHidden;
  step([&] { controller.removeNode(source); });
  EXPECT_GT(editor.hoverHidden, hidden);
  EXPECT_FALSE(controller.hasSelectedNodes());
  controller.setNodeEditorView(nullptr);
}

TEST_F(GraphEditingTest, ShowingANodesWarningsOpensOrTogglesTheList)
{
  MVWarningsManager warnings;
  controller.setWarningsManager(&warnings);
  MVNode* node = add("TestProcessNode");
  add("TestProcessNode");
  controller.showWarningsForNode(node);
  EXPECT_TRUE(node->selected());
  EXPECT_TRUE(warnings.isWarningsPanelOpen());
  controller.showWarningsForNode(node);
  EXPECT_FALSE(warnings.isWarningsPanelOpen());
  controller.showWarningsForNode(node);
  EXPECT_TRUE(warnings.isWarningsPanelOpen());

  // A removed node's warnings leave the list before the node is destroyed.
  warnings.resetWarnings();
  warnings.addWarningMessage("Something", node);
  step([&] { controller.removeNode(node); });
  EXPECT_TRUE(warnings.warningMessagesArray().empty());
  controller.setWarningsManager(nullptr);
}

TEST_F(GraphEditingTest, ReferenceModeUpdatesTheReferenceTextExceptForModeParameters)
{
  struct Reference : MVNodeControllerReferenceDelegate {
    void updateNodeReferenceText() override { ++updates; }
    int updates = 0;
  } reference;
  MVNode* node = add("TestProcessNode");
  controller.setReferenceMode(true);
  controller.parameterChanged(parameter(node, "Flag"), "value");
  EXPECT_EQ(log.countContaining("no nodeReferenceDelegate set"), 1);
  controller.setNodeReferenceDelegate(&reference);
  controller.parameterChanged(parameter(node, "Flag"), "value");
  controller.parameterChanged(parameter(node, "Value"), "enabled");
  controller.parameterChanged(parameter(node, "Value"), "value");
  EXPECT_EQ(reference.updates, 2);
  parameter(node, "Flag")->setName("Change Mode");
  controller.parameterChanged(parameter(node, "Change Mode"), "enabled");
  EXPECT_EQ(reference.updates, 2);
  controller.setNodeReferenceDelegate(nullptr);
  controller.setReferenceMode(false);
}

class RecordingAnimation : public MVControllerAnimationDelegate {
public:
  bool hasAnimator(const MVParameter*, const std::string& propertyName) const override
  {
    return propertyName == "value" || propertyName == "x" || propertyName == "y";
  }
  void setKeyframeValueAtCurrentTime(const MVParameter*, const std::string& propertyName, double value) override
  {
    keyframes.emplace_back(propertyName, value);
  }
  void animatorsOfParameterChanged(const MVParameter*) override { ++enableChanges; }
  void removeAnimatorsOfParameter(const MVParameter* parameter) override { removed.push_back(parameter); }
  bool isPlaying() const override { return playing; }
  double framerate() const override { return 30.0; }

  std::vector<std::pair<std::string, double>> keyframes;
  std::vector<const MVParameter*> removed;
  int enableChanges = 0;
  bool playing = false;
};

TEST_F(GraphEditingTest, EditsOfAnimatedParametersAreKeyed)
{
  RecordingAnimation animation;
  controller.setAnimationDelegate(&animation);
  MVNode* node = add("TestProcessNode");
  auto* value = dynamic_cast<MVParameterValue*>(parameter(node, "Value"));
  step([&] { value->setValue(2.0); });
  EXPECT_TRUE(animation.keyframes.empty());  // not animated

  value->animatorProperty("value", true);
  step([&] { value->setValue(5.0); });
  EXPECT_EQ(animation.keyframes, (std::vector<std::pair<std::string, double>>{{"value", 5.0}}));

  // Changes while undo registration is paused (loading, animation playback) key nothing.
  document.pauseUndoRegistration();
  step([&] { value->setValue(6.0); });
  document.resumeUndoRegistration();
  EXPECT_EQ(animation.keyframes.size(), 1u);

  // A disabled parameter keys nothing, but its animators hear about the change of state.
  step([&] { value->setEnabled(false); });
  EXPECT_EQ(animation.keyframes.size(), 1u);
  EXPECT_EQ(animation.enableChanges, 1);

  // Removing the node takes its animated parameters out of the animation.
  step([&] { controller.removeNode(node); });
  EXPECT_EQ(animation.removed, std::vector<const MVParameter*>{value});
  controller.setAnimationDelegate(nullptr);
}

class RecordingPanel : public MVStatisticsPanel, public MVNodeControllerOutputDelegate {
public:
  void setRenderSizeText(const std::string& text) override { renderSize = text; }
  void setElementCountText(const std::string& text) override { elementCount = text; }
  void setCalculationTimeText(const std::string& text) override { calculation = text; }
  void setRenderTimeText(const std::string& text) override { renderTime = text; }
  void updatePattern() override {}
  void updateSelection() override {}
  void setSpaceHeldFlag(bool) override {}
  void setStatusMessage(const std::optional<std::string>& message) override { status = message; }
  void setDragEditInfoText(const std::string&) override {}

  std::string renderSize, elementCount, calculation, renderTime;
  std::optional<std::string> status = "unset";
};

TEST_F(GraphEditingTest, RendererSetUpAndStatistics)
{
  RecordingPanel panel;
  controller.setStatisticsPanel(&panel);
  controller.setPreviewView(&panel);
  MVElementRenderer renderer;
  renderer.setBackgroundColor(std::nullopt);
  controller.setupRenderingThread(&renderer);
  EXPECT_EQ(renderer.renderingSizeWidth(), controller.artboardSize().width);
  EXPECT_EQ(renderer.renderingSizeHeight(), controller.artboardSize().height);
  EXPECT_EQ(renderer.backgroundColor(), controller.backgroundColor());
  EXPECT_EQ(renderer.drawBackgroundFlag(), controller.drawBackgroundFlag());
  EXPECT_EQ(renderer.backgroundOpacity(), controller.backgroundOpacity());
  controller.setupRenderingThread(nullptr);

  renderer.setRenderingSize(200.0, 100.0);
  renderer.setDisplayScale(2.0);
  renderer.setRetinaScaling(2.0);
  controller.previewRerenderStart();
  runLoop.advance(0.25);
  controller.updatePreviewFinished();
  EXPECT_EQ(controller.updateTime(), 0.25);
  controller.updateStatisticsPanelWithRenderer(&renderer);
  EXPECT_EQ(panel.renderSize, "400 x 200 px @2x");
  EXPECT_EQ(panel.calculation, "250ms total update");
  EXPECT_EQ(panel.renderTime, "0ms generation");
  EXPECT_EQ(panel.status, std::nullopt);

  // A long update still running shows in the status line; with an animation playing, the
  // preview frame rate joins the update time.
  RecordingAnimation animation;
  animation.playing = true;
  controller.setAnimationDelegate(&animation);
  controller.setAnimationLastFrameStartTime(runLoop.now());
  runLoop.advance(0.01);
  controller.previewRerenderStart();
  runLoop.advance(0.5);
  controller.updateStatisticsPanelWithRenderer(nullptr);
  EXPECT_EQ(panel.calculation, "Updating... (500.0ms total) (2 fps preview)");
  EXPECT_EQ(panel.status, "Updating... (500ms)");
  EXPECT_EQ(MVNodeController::displayTimeFromTime(125.0), "2:05");

  controller.setAnimationDelegate(nullptr);
  controller.setPreviewView(nullptr);
  controller.setStatisticsPanel(nullptr);
}

}  // namespace
