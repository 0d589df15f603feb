#include "MorvNode/Controller/MVNodeGraph.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/ModelTestSupport.h"

namespace {

// A graph with the owner's side played by the model's fake controller: it hands out the graph's
// IDs and passes ID changes on, as the graph controller does.
class GraphOwner : public FakeController {
public:
  std::string uniqueNodeID() override { return graph.uniqueNodeID(); }
  void nodeIdChanged(MVNode* node, const std::string& previousId) override { graph.nodeIdChanged(node, previousId); }

  MVNodeGraph::NodeSetUp setUp()
  {
    return [this](MVNode& node, const std::string& nodeId) {
      node.setNodeController(this);
      node.initWithNodeID(nodeId);
    };
  }
  MVNode* add(const std::string& nodeId, std::size_t position = SIZE_MAX, const char* className = "TestProcessNode")
  {
    std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode(className);
    setUp()(*node, nodeId);
    return graph.insertNode(std::move(node), position);
  }
  MVNode* load(pf::PlistValue::Dictionary record)
  {
    record.set("Node class", "TestProcessNode");
    return graph.addNodeWithDescriptionDictionary(record, setUp());
  }

  MVNodeGraph graph;  // destroyed before the fake, which its nodes report to
};

class NodeGraphTest : public ::testing::Test {
protected:
  NodeGraphTest() { registerTestNodeClasses(); }
  LogCapture log;
  GraphOwner owner;
  MVNodeGraph& graph = owner.graph;
};

TEST_F(NodeGraphTest, LookupByIdFollowsTheArrayThroughInsertsRenamesAndRemovals)
{
  MVNode* first = owner.add("1");
  MVNode* second = owner.add("2");
  // Inserted in front: the later node of the array keeps the ID.
  MVNode* front = owner.add("1", 0);
  EXPECT_EQ(graph.nodeWithId("1"), first);
  EXPECT_EQ(graph.nodeWithId("2"), second);

  graph.takeNode(first);
  EXPECT_EQ(graph.nodeWithId("1"), front);

  // A node renamed in place is found under its new ID only, and wins as the later node.
  second->setNodeId("1");
  EXPECT_EQ(graph.nodeWithId("1"), second);
  EXPECT_EQ(graph.nodeWithId("2"), nullptr);
  second->setNodeId("3");
  EXPECT_EQ(graph.nodeWithId("1"), front);
  EXPECT_EQ(graph.nodeWithId("3"), second);

  // A node outside the array is never found, even when it takes an ID of the array.
  std::unique_ptr<MVNode> taken = graph.takeNode(front);
  taken->setNodeId("3");
  EXPECT_EQ(graph.nodeWithId("3"), second);
  EXPECT_EQ(graph.nodeWithId("1"), nullptr);
  EXPECT_EQ(graph.takeNode(taken.get()), nullptr);

  graph.clear();
  EXPECT_EQ(graph.nodeWithId("3"), nullptr);
  EXPECT_TRUE(graph.nodes().empty());
}

TEST_F(NodeGraphTest, LoadedIdsMoveTheCounterAndTheLookup)
{
  struct Case {
    const char* name;
    pf::PlistValue storedId;
    long counterBefore;
    std::string foundAs;  // the ID the node answers afterwards
    long counterAfter;
  };
  const std::vector<Case> cases = {
      {"numeric text past the counter", pf::PlistValue("7"), 3, "7", 7},
      {"numeric text below the counter", pf::PlistValue("2"), 3, "2", 3},
      {"integer", pf::PlistValue(std::int64_t{12}), 0, "12", 12},
      {"text that is no number", pf::PlistValue("x7"), 3, "x7", 3},
      {"negative number text", pf::PlistValue("-4"), 3, "-4", 3},
      // A real number is no ID to the graph (a new one is drawn), but the node's own loading
      // takes it as its integer: the look-up follows the node.
      {"real number", pf::PlistValue(5.0), 3, "5", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    graph.clear();
    graph.setNodeIDCounter(c.counterBefore);
    pf::PlistValue::Dictionary record;
    record.set("Node id", c.storedId);
    MVNode* node = owner.load(record);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->nodeId(), c.foundAs);
    EXPECT_EQ(graph.nodeWithId(c.foundAs), node);
    EXPECT_EQ(graph.nodeIDCounter(), c.counterAfter);
  }
}

TEST_F(NodeGraphTest, DuplicateIdsKeepTheFirstAndGiveLaterOnesFreshIds)
{
  pf::PlistValue::Array records;
  for (const char* id : {"2", "2", "2", "3"}) {
    records.emplace_back(pf::PlistValue::Dictionary{{"Node class", "TestProcessNode"}, {"Node id", id}});
  }
  graph.setLoadingFile(true);
  graph.addNodesFromRecords(records, owner.setUp());
  graph.setLoadingFile(false);
  std::vector<std::string> ids;
  for (const auto& node : graph.nodes()) {
    ids.push_back(node->nodeId());
    EXPECT_EQ(graph.nodeWithId(node->nodeId()), node.get());
  }
  ASSERT_EQ(ids.size(), 4u);
  EXPECT_EQ(ids[0], "2");
  EXPECT_EQ(ids[3], "3");  // fresh IDs never take one a later record holds
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 4u);
  EXPECT_EQ(std::count(graph.fileLoadingWarnings().begin(), graph.fileLoadingWarnings().end(),
                       "The file contained nodes with an ID already in use; they were given new IDs."),
            1);
}

TEST_F(NodeGraphTest, RecordPositionsAndUnknownClasses)
{
  MVNode* first = owner.add("1");
  MVNode* second = owner.add("2");
  pf::PlistValue::Dictionary record;
  record.set("Node id", "9");
  record.set("NodeArrayIndex", std::int64_t{1});
  MVNode* middle = owner.load(record);
  record.set("Node id", "10");
  record.set("NodeArrayIndex", std::int64_t{7});
  MVNode* last = owner.load(record);
  std::vector<MVNode*> order;
  for (const auto& node : graph.nodes()) {
    order.push_back(node.get());
  }
  EXPECT_EQ(order, (std::vector<MVNode*>{first, middle, second, last}));
  EXPECT_EQ(log.count("Warning, addNodeWithDescriptionDictionary specified NodeArrayIndex 7, which is not valid in node "
                      "array with 3 nodes. Adding node last instead."),
            1);

  // An unknown class is a loading warning only while loading, and once per class.
  pf::PlistValue::Dictionary unknown;
  unknown.set("Node class", "NoSuchNode");
  EXPECT_EQ(graph.addNodeWithDescriptionDictionary(unknown, owner.setUp()), nullptr);
  EXPECT_TRUE(graph.fileLoadingWarnings().empty());
  {
    MVNodeGraph::LoadingScope loading(graph);
    graph.addNodesFromRecords({pf::PlistValue(unknown), pf::PlistValue(unknown), pf::PlistValue("no record")},
                              owner.setUp());
  }
  EXPECT_FALSE(graph.isLoadingFile());
  EXPECT_EQ(graph.fileLoadingWarnings(),
            std::vector<std::string>{"The file contained an unknown node type 'NoSuchNode' that could not be loaded."});
  EXPECT_EQ(log.countContaining("Error, loadNodesFromArray failed to load node from description"), 3);
  EXPECT_EQ(graph.nodes().size(), 4u);
}

TEST_F(NodeGraphTest, ConnectionRecordsGoThroughTheOwnersConnectAndFailuresMakeOneWarning)
{
  MVNode* source = owner.add("1", SIZE_MAX, "TestSourceNode");
  MVNode* target = owner.add("2");
  std::vector<std::pair<MVParameterSocket*, MVParameterSocket*>> asked;
  const MVNodeGraph::Connect connect = [&](MVParameterSocket* output, MVParameterSocket* input) {
    asked.emplace_back(output, input);
    return graph.appendConnection(MVConnection::connectionFromSocket(output, input));
  };
  const auto record = [](const char* from, const char* fromName, const char* to, const char* toName) {
    pf::PlistValue::Dictionary entry;
    entry.set("From parameter nodeId", from);
    entry.set("From parameter name", fromName);
    entry.set("From parameter socket index", std::int64_t{0});
    entry.set("To parameter nodeId", to);
    entry.set("To parameter name", toName);
    entry.set("To parameter socket index", std::int64_t{0});
    return pf::PlistValue(std::move(entry));
  };
  graph.addConnectionsFromRecords({record("1", "Graphics", "2", "Graphics"), record("1", "Graphics", "5", "Graphics"),
                                   record("1", "Nothing", "2", "Graphics"), pf::PlistValue()},
                                  connect);
  ASSERT_EQ(asked.size(), 1u);
  ASSERT_EQ(graph.connections().size(), 1u);
  EXPECT_EQ(graph.connections().front()->fromNode(), source);
  EXPECT_EQ(graph.connections().front()->toNode(), target);
  EXPECT_EQ(log.count("Error, could not load connection, to node not found with ID:5"), 1);
  ASSERT_EQ(graph.fileLoadingWarnings().size(), 1u);
  EXPECT_EQ(graph.fileLoadingWarnings().front().rfind("Warning, some node connections could not be loaded", 0), 0u);

  // The records read back as they were written.
  const pf::PlistValue::Array saved = graph.connectionDescriptionsArray();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.front().asDictionary()->find("To parameter nodeId")->stringOr(), "2");

  graph.detachAllConnections();
  EXPECT_TRUE(graph.connections().empty());
  EXPECT_FALSE(target->hasConnectedInput());
}

}  // namespace
