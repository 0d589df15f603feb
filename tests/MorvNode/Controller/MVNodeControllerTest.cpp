#include "MorvNode/Controller/MVNodeController.h"

#include <gtest/gtest.h>

#include "ControllerTestSupport.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/UserDefaults.h"

namespace {

// Records of a small document made in a controller of its own.
pf::PlistValue::Array recordsOf(const MVNodeController& source)
{
  pf::PlistValue::Array records;
  for (const auto& node : source.nodeArray()) {
    records.emplace_back(node->descriptionDictionary());
  }
  return records;
}

std::vector<std::string> idsOf(const std::vector<MVNode*>& nodes)
{
  std::vector<std::string> ids;
  for (const MVNode* node : nodes) {
    ids.push_back(node->nodeId());
  }
  return ids;
}

std::vector<std::string> idsOf(const MVNodeController& controller)
{
  std::vector<std::string> ids;
  for (const auto& node : controller.nodeArray()) {
    ids.push_back(node->nodeId());
  }
  return ids;
}

TEST_F(ControllerTest, NodeIdCounterSurvivesReload)
{
  add("ArtboardNode");
  add("TestElementNode");
  MVNode* last = add("TestElementNode");
  controller.removeNode(last);  // its ID "3" must not come back
  ASSERT_EQ(idsOf(controller), (std::vector<std::string>{"1", "2"}));
  const pf::PlistValue::Array saved = recordsOf(controller);
  const long savedCounter = controller.nodeIDCounter();

  MVNodeController reloaded;
  reloaded.setDocument(&document);
  reloaded.setNodeIDCounter(savedCounter);
  reloaded.loadNodesFromArray(saved);
  EXPECT_EQ(idsOf(reloaded), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(reloaded.uniqueNodeID(), "4");
  // Element IDs are per session: a reloaded document starts again at 1.
  EXPECT_EQ(reloaded.uniqueElementID(), 1);
  EXPECT_EQ(reloaded.uniqueElementID(), 2);
  EXPECT_EQ(document.pauses(), 0);

  MVNodeController restored;
  restored.setNodeIDCounter(41);
  EXPECT_EQ(restored.uniqueNodeID(), "42");
  reloaded.releaseResources();
}

TEST_F(ControllerTest, LoadedNodeIdsAreNeverHandedOutAgain)
{
  add("ArtboardNode");
  add("TestElementNode");
  add("TestElementNode");
  const pf::PlistValue::Array saved = recordsOf(controller);

  // A file without (or with a stale) node ID counter: new nodes must not take a loaded ID,
  // or connections and undo records would find the wrong node.
  for (const long counter : {0L, 2L, 3L, 7L}) {
    SCOPED_TRACE(counter);
    MVNodeController reloaded;
    reloaded.setNodeIDCounter(counter);
    reloaded.loadNodesFromArray(saved);
    ASSERT_EQ(idsOf(reloaded), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(reloaded.uniqueNodeID(), counter > 3 ? std::to_string(counter + 1) : "4");
  }
}

TEST_F(ControllerTest, LoadingKeepsExactlyOneArtboard)
{
  MVNodeController scratch;
  scratch.addNodeOfClass("ArtboardNode", {0, 0}, false);
  scratch.addNodeOfClass("TestElementNode", {0, 0}, false);
  const pf::PlistValue::Array oneArtboard = recordsOf(scratch);
  // Three artboards (IDs 1, 3, 4) around an element node (ID 2).
  pf::PlistValue::Array threeArtboards = oneArtboard;
  for (const char* id : {"3", "4"}) {
    pf::PlistValue::Dictionary record = *oneArtboard.front().asDictionary();
    record.set("Node id", id);
    threeArtboards.emplace_back(std::move(record));
  }

  struct Case {
    const char* name;
    pf::PlistValue::Array records;
    bool withEditor;
    std::vector<std::string> expectedIds;
    const char* expectedLog;  // nullptr: no line about artboards
    pf::Point addedAt;
  };
  const Case cases[] = {
      {"empty document, headless", {}, false, {"1"}, "No Artboard node, adding one!", {-160, 300}},
      {"empty document with an editor 800 wide", {}, true, {"1"}, "No Artboard node, adding one!", {640, 300}},
      {"three artboards keep the first", threeArtboards, false, {"1", "2"},
       "Too many artboard nodes! Removing all but the first", {}},
      {"one artboard", oneArtboard, false, {"1", "2"}, nullptr, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    RecordingEditor editor;
    MVNodeController loaded;
    if (c.withEditor) {
      loaded.setNodeEditorView(&editor);
    }
    loaded.setNodeIDCounter(4);
    loaded.loadNodesFromArray(c.records);
    if (c.records.empty()) {
      // The added artboard takes the next free ID.
      ASSERT_EQ(loaded.nodeArray().size(), 1u);
      EXPECT_EQ(loaded.nodeArray()[0]->className(), "ArtboardNode");
      EXPECT_EQ(loaded.nodeArray()[0]->initialNodeViewOrigin(), c.addedAt);
    } else {
      EXPECT_EQ(idsOf(loaded), c.expectedIds);
    }
    EXPECT_EQ(loaded.nodeTypeCountForClass("ArtboardNode"), 1);
    EXPECT_FALSE(loaded.isLoadingFile());
    if (c.expectedLog != nullptr) {
      EXPECT_EQ(log.count(c.expectedLog), 1);
    } else {
      EXPECT_EQ(log.countContaining("rtboard node"), 0);
    }
    // Loading asks for no regeneration by itself (the connections' load does).
    EXPECT_FALSE(loaded.isRegenerationPending());
  }
}

TEST_F(ControllerTest, UnknownClassesBecomeOneLoadingWarningEach)
{
  const pf::PlistValue::Array records = {
      pf::PlistValue::Dictionary{{"Node class", "NoSuchNode"}, {"Node id", "1"}},
      pf::PlistValue::Dictionary{{"Node class", "NoSuchNode"}, {"Node id", "2"}},
      pf::PlistValue::Dictionary{{"Node class", "OtherNode"}, {"Node id", "3"}},
      pf::PlistValue("not a record"),
  };
  controller.loadNodesFromArray(records);

  EXPECT_EQ(controller.fileLoadingWarnings(),
            (std::vector<std::string>{"The file contained an unknown node type 'NoSuchNode' that could not be loaded.",
                                      "The file contained an unknown node type 'OtherNode' that could not be loaded."}));
  EXPECT_EQ(log.count("Error, createNodeWithDescriptionDictionary could not create node of class NoSuchNode"), 2);
  EXPECT_EQ(log.countContaining("Error, loadNodesFromArray failed to load node from description: "), 4);
  // Only the artboard that loading adds.
  EXPECT_EQ(controller.nodeArray().size(), 1u);

  // Outside loading an unknown class is only logged.
  controller.clearFileLoadingWarnings();
  EXPECT_EQ(controller.addNodeWithDescriptionDictionary({{"Node class", "NoSuchNode"}}), nullptr);
  EXPECT_TRUE(controller.fileLoadingWarnings().empty());
}

TEST_F(ControllerTest, RecordPositionFollowsNodeArrayIndex)
{
  add("TestElementNode");
  add("TestElementNode");
  const pf::PlistValue::Dictionary base = add("TestElementNode")->descriptionDictionary();
  controller.removeNode(controller.nodeArray().back().get());
  log.clear();

  struct Case {
    long long index;
    std::size_t expectedPosition;
    bool logged;
  };
  for (const Case& c : {Case{0, 0, false}, Case{1, 1, false}, Case{2, 2, false}, Case{3, 2, true}, Case{-1, 2, true}}) {
    SCOPED_TRACE(c.index);
    log.clear();
    pf::PlistValue::Dictionary record = base;
    record.set("Node id", "new");
    record.set("NodeArrayIndex", c.index);
    MVNode* node = controller.addNodeWithDescriptionDictionary(record);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(controller.nodeArray().at(c.expectedPosition).get(), node);
    EXPECT_EQ(log.countContaining("Adding node last instead."), c.logged ? 1 : 0);
    controller.removeNode(node);
  }

  // A record without ID gets a fresh one (its connections cannot be restored).
  pf::PlistValue::Dictionary withoutId = base;
  withoutId.erase("Node id");
  MVNode* node = controller.addNodeWithDescriptionDictionary(withoutId);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->nodeId(), "4");
  EXPECT_EQ(log.countContaining("no 'Node id' key in dictionary, generating new one"), 1);
}

TEST_F(ControllerTest, CreatingNodesRegistersOnlyTheirCreation)
{
  MVNode* node = add("TestProcessNode");  // its linking hides a row while it initialises
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(document.count("creation"), 1);
  EXPECT_EQ(document.count("parameter"), 0);
  EXPECT_EQ(document.undo.undoActionName(), "adding Process node");
  EXPECT_EQ(document.pauses(), 0);

  // A second artboard is refused.
  ASSERT_NE(add("ArtboardNode"), nullptr);
  EXPECT_EQ(add("ArtboardNode"), nullptr);
  EXPECT_EQ(log.count("[showNSAlert] 'Only one allowed' - 'Only one Artboard node is allowed per document.'"), 1);
  EXPECT_EQ(add("NoSuchNode"), nullptr);
  EXPECT_EQ(log.count("Error, addNodeOfClass could not create node. Invalid node class 'NoSuchNode'"), 1);
}

TEST_F(ControllerTest, AddedNodesArePlacedAndAutoConnected)
{
  auto* board = add<TestArtboardNode>("ArtboardNode");
  MVNode* change = add("TestProcessNode");
  MVNode* placed = controller.addNodeOfClass("TestElementNode", {33.4, -7.6}, true);
  EXPECT_EQ(placed->initialNodeViewOrigin(), pf::Point(33, -8));
  // The first free element input wins over the artboard.
  ASSERT_EQ(controller.connectionArray().size(), 1u);
  EXPECT_EQ(controller.connectionArray()[0]->toNode(), change);
  EXPECT_EQ(document.count("connections"), 1);

  pf::UserDefaults::standard().setBool("Snap nodes to grid", true);
  MVNode* snapped = controller.addNodeOfClass("TestElementNode", {33.4, -7.6}, true);
  EXPECT_EQ(snapped->initialNodeViewOrigin(), pf::Point(30, -10));
  ASSERT_EQ(controller.connectionArray().size(), 2u);
  EXPECT_EQ(controller.connectionArray()[1]->toNode(), placed);

  // Without auto-connection nothing is connected.
  controller.addNodeOfClass("TestElementNode", {0, 0}, false);
  EXPECT_EQ(controller.connectionArray().size(), 2u);

  // No free element input: the artboard's top layer.
  controller.removeNode(change);
  controller.removeNode(placed);
  controller.removeNode(snapped);
  controller.removeNode(controller.nodeArray().back().get());
  ASSERT_EQ(controller.nodeArray().size(), 1u);
  controller.addNodeOfClass("TestElementNode", {0, 0}, true);
  ASSERT_EQ(controller.connectionArray().size(), 1u);
  EXPECT_EQ(controller.connectionArray()[0]->toNode(), board);
}

TEST_F(ControllerTest, LinkedNodesWalkDepthFirstInConnectionOrder)
{
  MVNode* first = add("TestProcessNode");
  MVNode* middle = add("TestProcessNode");
  MVNode* last = add("TestProcessNode");
  ASSERT_NE(connect(first, "Graphics", middle, "Graphics"), nullptr);
  ASSERT_NE(connect(middle, "Graphics", last, "Graphics"), nullptr);

  EXPECT_EQ(controller.nodesLinkedToNode(middle, true, false), (std::vector<MVNode*>{first}));
  EXPECT_EQ(controller.nodesLinkedToNode(middle, false, true), (std::vector<MVNode*>{last}));
  EXPECT_EQ(controller.nodesLinkedToNode(middle, true, true), (std::vector<MVNode*>{middle, first, last}));
  EXPECT_TRUE(controller.nodesLinkedToNode(nullptr, true, true).empty());

  // A loop back to the first node ends at nodes already met.
  ASSERT_NE(connect(last, "Graphics", first, "Graphics"), nullptr);
  EXPECT_EQ(idsOf(controller.nodesLinkedToNode(first, false, true)), (std::vector<std::string>{"2", "3"}));
  EXPECT_EQ(idsOf(controller.nodesLinkedToNode(first, true, false)), (std::vector<std::string>{"3", "2"}));
}

TEST_F(ControllerTest, LookupsAndDisplayIndexes)
{
  MVNode* one = add("TestElementNode");
  MVNode* two = add("TestElementNode");
  MVNode* three = add("TestElementNode");
  EXPECT_EQ(controller.nodeTypeCountForClass("TestElementNode"), 3);
  EXPECT_EQ(controller.nodeTypeCountForClass("NoSuchNode"), 0);
  EXPECT_EQ(one->dynamicNodeDisplayIndex(), 1);
  EXPECT_EQ(two->dynamicNodeDisplayIndex(), 2);
  EXPECT_EQ(three->dynamicNodeDisplayIndex(), 3);
  EXPECT_EQ(three->displayName(), "TestElementNode 3");

  controller.removeNode(one);
  EXPECT_EQ(two->dynamicNodeDisplayIndex(), 1);
  EXPECT_EQ(controller.nodeTypeCountForClass("TestElementNode"), 2);

  // The later of two nodes sharing an ID wins.
  three->setNodeId("2");
  EXPECT_EQ(controller.nodeWithId("2"), three);
  EXPECT_EQ(controller.nodeWithId("1"), nullptr);
}

TEST_F(ControllerTest, DynamicInputFollowsRandomSources)
{
  auto* random = add<TestRandomNode>("TestRandomNode");
  MVNode* consumer = add("TestProcessNode");
  MVNode* further = add("TestProcessNode");
  MVNode* apart = add("TestProcessNode");
  connect(random, "Value", consumer, "Value");
  connect(consumer, "Graphics", further, "Graphics");

  EXPECT_EQ(controller.dynamicValueNodeArray(), (std::vector<MVNode*>{random}));
  EXPECT_TRUE(random->mightHaveDynamicInput());
  EXPECT_TRUE(consumer->mightHaveDynamicInput());
  EXPECT_TRUE(further->mightHaveDynamicInput());
  EXPECT_FALSE(apart->mightHaveDynamicInput());

  controller.removeNode(random);
  EXPECT_TRUE(controller.dynamicValueNodeArray().empty());
  EXPECT_FALSE(further->mightHaveDynamicInput());
}

TEST_F(ControllerTest, RemovingANodeBridgesItsInputsToItsOutputs)
{
  MVNode* source = add("TestProcessNode");
  MVNode* middle = add("TestProcessNode");
  MVNode* target = add("TestProcessNode");
  connect(source, "Value", middle, "Value");
  connect(middle, "Value", target, "Value");
  connect(middle, "Value", middle, "Double");  // a connection within the node bridges nothing
  ASSERT_EQ(controller.connectionArray().size(), 3u);
  // A queued parameter of the removed node must not be evaluated after it is gone.
  controller.scheduleRegenerationForParameter(middle->parameterNamed("Value"));

  controller.removeNode(middle);
  ASSERT_EQ(controller.connectionArray().size(), 1u);
  const MVConnection& bridge = *controller.connectionArray().front();
  EXPECT_EQ(bridge.fromNode(), source);
  EXPECT_EQ(bridge.toNode(), target);
  EXPECT_EQ(document.count("removal"), 1);
  EXPECT_EQ(runTimer(), 1);

  // A node that is not the controller's is left alone.
  TestElementNode foreign;
  controller.removeNode(&foreign);
  EXPECT_EQ(log.countContaining("node not in nodeArray"), 1);
  EXPECT_EQ(controller.nodeArray().size(), 2u);
}

TEST_F(ControllerTest, AParameterTakenOutOfItsNodeIsNoLongerQueued)
{
  MVNode* node = add("TestProcessNode");
  controller.scheduleRegenerationForParameter(node->parameterNamed("Value"));
  std::unique_ptr<MVParameter> removed = node->removeParameter(node->parameterNamed("Value"));
  ASSERT_NE(removed, nullptr);
  removed.reset();
  // Generating would evaluate the queued parameter (freed memory under the sanitizers).
  EXPECT_EQ(runTimer(), 1);
}

TEST_F(ControllerTest, ReleaseResourcesEmptiesTheDocument)
{
  add("ArtboardNode");
  MVNode* node = add("TestElementNode");
  controller.selectNode(node, false, false, false);
  connect(node, "Graphics", artboard(), "OutputLayer1");
  ASSERT_EQ(runLoop.armedTimerCount(), 1u);

  controller.releaseResources();
  EXPECT_TRUE(controller.nodeArray().empty());
  EXPECT_TRUE(controller.connectionArray().empty());
  EXPECT_FALSE(controller.hasSelectedNodes());
  EXPECT_EQ(controller.artboardNode(), nullptr);
  EXPECT_EQ(controller.document(), nullptr);
  EXPECT_FALSE(controller.isLoadingFile());
  EXPECT_EQ(document.pauses(), 0);
  EXPECT_EQ(document.count("removal"), 0);
  EXPECT_FALSE(controller.isRegenerationPending());
  EXPECT_EQ(runTimer(), 0);
}

// ---- Node indexes ----

TEST_F(ControllerTest, NodeIndexesAreStoredAndAnnouncedOnEverySet)
{
  auto* repeater = add<TestRepeaterNode>("TestRepeaterNode");
  auto* first = add<TestIndexUserNode>("TestIndexUserNode");
  auto* second = add<TestIndexUserNode>("TestIndexUserNode");
  add("TestElementNode");  // not dynamic: never told
  const std::string key = repeater->nodeId() + " * Column";
  ASSERT_EQ(key, "1 * Column");

  controller.setNodeIndex("Column", repeater, 3);
  EXPECT_EQ(controller.nodeIndex(key), 3);
  EXPECT_EQ(first->notifiedKeys, (std::vector<std::string>{key}));
  EXPECT_EQ(second->notifiedKeys, (std::vector<std::string>{key}));
  controller.setNodeIndex("Column", repeater, 3);
  EXPECT_EQ(first->notifiedKeys.size(), 2u);

  controller.endNodeIndexSession("Column", repeater);
  EXPECT_EQ(controller.nodeIndex(key), -1);
  EXPECT_EQ(first->notifiedKeys.size(), 2u);

  EXPECT_EQ(controller.nodeIndexNodeFromIndex(key), repeater);
  EXPECT_EQ(controller.nodeIndexNodeFromIndex("Column"), nullptr);
  EXPECT_EQ(controller.nodeIndex("Column"), -1);
  EXPECT_EQ(controller.nodeIndex(""), -1);

  controller.setNodeIndex("", repeater, 1);
  controller.setNodeIndex("Row", nullptr, 1);
  controller.endNodeIndexSession("Row", nullptr);
  EXPECT_EQ(log.count("Error, setNodeIndex called with indexName or nodeID null"), 2);
  EXPECT_EQ(log.count("Error, endNodeIndexSession called with indexName or nodeID null"), 1);
  EXPECT_EQ(first->notifiedKeys.size(), 2u);
}

TEST_F(ControllerTest, PublishingNodeRunsOneSessionPerGeneration)
{
  auto* board = add<TestArtboardNode>("ArtboardNode");
  auto* repeater = add<TestRepeaterNode>("TestRepeaterNode");
  MVNode* source = add("TestElementNode");
  auto* user = add<TestIndexUserNode>("TestIndexUserNode");
  connect(source, "Graphics", repeater, "Graphics");
  connect(repeater, "Graphics", board, "OutputLayer1");
  connect(user, "Value", repeater, "Value");  // the user's value drives the repeater
  const std::string key = repeater->nodeId() + " * Index";
  runTimer();
  user->notifiedKeys.clear();

  repeater->graphicsParameterNamed("Graphics")->setNeedsToUpdate(true);
  controller.regenerate();
  // The reset before the build, then 0, 1, 2; the session's end tells nobody.
  EXPECT_EQ(user->notifiedKeys, (std::vector<std::string>(4, key)));
  EXPECT_EQ(controller.nodeIndex(key), -1);
  EXPECT_EQ(controller.numberOfElements(), 3);
}

TEST_F(ControllerTest, RemovingANodeDropsOnlyItsIndexes)
{
  controller.loadNodeIndexes({{"7 * Column", 1}, {"7 * Row", 2}, {"17 * Column", 3}, {"Column", 4}});
  controller.removeElementIndexesForNodeID("7");
  std::vector<std::string> keys;
  for (const auto& entry : controller.nodeIndexes()) {
    keys.push_back(entry.key);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"17 * Column", "Column"}));
}

TEST_F(ControllerTest, FirstPublishedIndexDownstream)
{
  MVNode* value = add("TestProcessNode");
  MVNode* plain = add("TestProcessNode");
  auto* firstRepeater = add<TestRepeaterNode>("TestRepeaterNode");
  auto* secondRepeater = add<TestRepeaterNode>("TestRepeaterNode");
  connect(value, "Graphics", plain, "Graphics");
  connect(value, "Graphics", firstRepeater, "Graphics");
  connect(value, "Graphics", secondRepeater, "Graphics");
  EXPECT_EQ(controller.getFirstNodeIndexConnectedToNode(value), firstRepeater->nodeId() + " * Index");
  controller.removeElementIndexesForNodeID(firstRepeater->nodeId());
  EXPECT_EQ(controller.getFirstNodeIndexConnectedToNode(value), secondRepeater->nodeId() + " * Index");
  EXPECT_EQ(controller.getFirstNodeIndexConnectedToNode(plain), std::nullopt);
}

TEST_F(ControllerTest, RandomNodesDrawAfreshForEachRepetition)
{
  auto* randomValue = add<TestRandomNode>("TestRandomNode");
  auto* randomGraphics = add<TestRandomGraphicsNode>("TestRandomGraphicsNode");
  auto* repeater = add<TestRepeaterNode>("TestRepeaterNode");
  auto* changer = add<TestElementNode>("TestElementNode");
  auto* apart = add<TestElementNode>("TestElementNode");
  connect(randomValue, "Value", repeater, "Value");
  connect(randomGraphics, "Graphics", changer, "Graphics");
  connect(changer, "Graphics", repeater, "Graphics");
  randomValue->redraws = 0;
  randomGraphics->redraws = 0;

  controller.updateRandomNodesForNode(changer);  // not a repeater: random values only
  EXPECT_EQ(randomValue->redraws, 1);
  EXPECT_EQ(randomGraphics->redraws, 0);
  controller.updateRandomNodesForNode(repeater);
  EXPECT_EQ(randomValue->redraws, 2);
  EXPECT_EQ(randomGraphics->redraws, 1);
  controller.updateRandomNodesForNode(apart);  // nothing dynamic upstream
  EXPECT_EQ(randomValue->redraws, 2);

  // Each published repetition redraws the random nodes once.
  randomValue->redraws = 0;
  repeater->repetitions = 4;
  repeater->graphicsParameterNamed("Graphics")->setNeedsToUpdate(true);
  (void)repeater->graphicsParameterNamed("Graphics")->element();
  // The reset before the build publishes once more (-1), then one per repetition.
  EXPECT_EQ(randomValue->redraws, 5);
}

TEST_F(ControllerTest, LoadedIndexChoiceWaitsForItsPublisher)
{
  // The user is saved before the repeater that publishes its key.
  MVNodeController scratch;
  auto* user = dynamic_cast<TestIndexUserNode*>(scratch.addNodeOfClass("TestIndexUserNode", {0, 0}, false));
  auto* repeater = dynamic_cast<TestRepeaterNode*>(scratch.addNodeOfClass("TestRepeaterNode", {0, 0}, false));
  scratch.addNodeOfClass("ArtboardNode", {0, 0}, false);
  MVParameterNodeIndex* saved = user->elementIndexParameterNamed("IndexParameter");
  saved->updateElementIndexes();
  ASSERT_EQ(saved->indexNames(), (std::vector<std::string>{repeater->nodeId() + " * Index"}));
  const pf::PlistValue::Array records = recordsOf(scratch);

  controller.loadNodesFromArray(records);
  MVParameterNodeIndex* loaded = controller.nodeArray()[0]->elementIndexParameterNamed("IndexParameter");
  ASSERT_NE(loaded, nullptr);
  EXPECT_FALSE(loaded->needsNewIndexFlag());
  EXPECT_EQ(loaded->indexName(), "2 * Index");
  scratch.releaseResources();
}

}  // namespace
