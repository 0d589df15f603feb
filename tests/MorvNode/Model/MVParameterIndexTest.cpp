#include "MorvNode/Model/MVParameterIndex.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Model/MVNodeIndexManager.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"

namespace {

const std::vector<std::string> kShapes{"Rectangle", "Oval", "Star"};

TEST(IndexParameter, SetIndexClampsByLayoutAndList)
{
  struct Case {
    const char* name;
    int layoutType;
    std::optional<std::vector<std::string>> names;
    std::optional<std::vector<std::string>> displayNames;
    long long set;
    long long stored;
    const char* logged;
  };
  const Case cases[] = {
      {"above the last name", 0, kShapes, std::nullopt, 5, 2, "Warning, tried to set index 5 > max 2 for"},
      {"below the pop-up's lowest", 0, kShapes, std::nullopt, -1, 0, "Warning, tried to set index -1 < min 0 for"},
      {"segments may select none", 1, kShapes, std::nullopt, -1, -1, nullptr},
      {"segments, below none", 1, kShapes, std::nullopt, -3, -1, "< min -1 for"},
      {"mode chooser's lowest", 2, kShapes, std::nullopt, -1, 0, "< min 0 for"},
      {"no lists: only 0", 0, std::nullopt, std::nullopt, 3, 0, "> max 0 for"},
      {"display names bound without names", 0, std::nullopt, std::vector<std::string>{"A", "B"}, 3, 1, "> max 1"},
      {"an empty name list sets no upper bound", 0, std::vector<std::string>{}, std::nullopt, 3, 3, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    auto index = MVParameterIndex::parameterWithName("Shape");
    index->setLayoutInterfaceType(c.layoutType);
    if (c.names) {
      index->setIndexNames(*c.names);
    }
    if (c.displayNames) {
      index->setIndexDisplayNames(*c.displayNames);
    }
    index->setIndex(c.set);
    EXPECT_EQ(index->index(), c.stored);
    EXPECT_EQ(log.lines().size(), c.logged != nullptr ? 1u : 0u);
    if (c.logged != nullptr) {
      EXPECT_EQ(log.countContaining(c.logged), 1);
    }
  }
}

TEST(IndexParameter, RowClassFollowsTheLayoutType)
{
  auto index = MVParameterIndex::parameterWithName("Mode");
  EXPECT_EQ(index->parameterViewClass(), "MVParameterIndexView");
  index->setLayoutInterfaceType(1);
  EXPECT_EQ(index->parameterViewClass(), "MVParameterIndexSegmentView");
  index->setLayoutInterfaceType(2);
  EXPECT_EQ(index->parameterViewClass(), "MVParameterChangeModeView");
  index->setLayoutInterfaceType(7);
  EXPECT_EQ(index->parameterViewClass(), "MVParameterIndexView");
}

TEST(IndexParameter, NamesOutsideTheListAreUnknown)
{
  LogCapture log;
  auto index = MVParameterIndex::parameterWithName("Shape");
  EXPECT_EQ(index->indexName(), "Unknown");
  EXPECT_EQ(log.countContaining("indexName requested, but parameter has no indexNames"), 1);
  index->setIndexNames(kShapes);
  index->setIndex(2);
  index->setIndexNames({"Rectangle"});  // the index stays where it was
  EXPECT_EQ(index->index(), 2);
  EXPECT_EQ(index->indexName(), "Unknown");
  EXPECT_EQ(log.countContaining("indexName, current index 2 is outside indexNames list range"), 1);
  EXPECT_EQ(index->description(), "<MVParameterIndex [Unknown node 'Shape'] index: 2 'Unknown'>");
  // Saved without a name that no longer exists.
  EXPECT_FALSE(index->descriptionDictionary().contains("Index name"));
}

TEST(IndexParameter, RecordsPreferTheName)
{
  LogCapture log;
  auto index = MVParameterIndex::parameterWithName("Shape");
  index->setIndexNames(kShapes);
  pf::PlistValue::Dictionary record{{"Parameter class", "MVParameterIndex"},
                                    {"Parameter name", "Shape"},
                                    {"Enabled", true},
                                    {"Index", 0},
                                    {"Index name", "Oval"}};
  EXPECT_TRUE(index->loadDescriptionDictionary(record));
  EXPECT_EQ(index->index(), 1);

  record.set("Index name", "Hexagon");
  record.set("Index", 2);
  EXPECT_TRUE(index->loadDescriptionDictionary(record));
  EXPECT_EQ(index->index(), 2);
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, index name 'Hexagon' not found"), 1);

  record.erase("Index");
  EXPECT_FALSE(index->loadDescriptionDictionary(record));
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, missing Index key"), 1);

  // Without names the name is ignored quietly.
  auto plain = MVParameterIndex::parameterWithName("Shape");
  log.clear();
  EXPECT_FALSE(plain->loadDescriptionDictionary(record));
  EXPECT_EQ(log.countContaining("not found"), 0);
}

TEST(IndexParameter, ChangesRecordUndoAndTellTheNode)
{
  registerTestNodeClasses();
  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* node = controller.addNode("TestProcessNode");
  auto parameter = MVParameterIndex::parameterWithName("Shape");
  parameter->setIndexNames(kShapes);
  MVParameterIndex* index = node->addParameter(std::move(parameter));
  undo.records.clear();
  controller.changes.clear();

  index->setIndex(2);
  index->setIndex(2);
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0].state.find("propertyValue")->asInteger(), 0);
  ASSERT_EQ(controller.changes.size(), 1u);
  EXPECT_EQ(controller.changes[0].second, "value");
  index->revertProperty("index", *undo.records[0].state.find("propertyValue"));
  EXPECT_EQ(index->index(), 0);
}

// The controller's node-index store as a node-index parameter reads it.
class FakeNodeIndexManager : public MVNodeIndexManager {
public:
  void publish(MVNode* node, const std::string& indexName, long long index)
  {
    const std::string key = node->nodeId() + " * " + indexName;
    indexes_.set(key, index);
    publishers_[key] = node;
  }
  const pf::PlistValue::Dictionary& nodeIndexes() override { return indexes_; }
  MVNode* nodeIndexNodeFromIndex(const std::string& key) override
  {
    const auto found = publishers_.find(key);
    return found != publishers_.end() ? found->second : nullptr;
  }
  long long nodeIndex(const std::string& key) override
  {
    const pf::PlistValue* index = indexes_.find(key);
    return index != nullptr ? index->toInteger().value_or(-1) : -1;
  }
  pf::PlistValue::Dictionary indexes_;
  std::map<std::string, MVNode*> publishers_;
};

class NodeIndexTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    registerTestNodeClasses();
    repeater = controller.addNode("TestProcessNode");  // node 1, "Process 1"
    second = controller.addNode("TestProcessNode");    // node 2
    reader = controller.addNode("TestSourceNode");
    manager.publish(repeater, "Row", 3);
    manager.publish(repeater, "column", 1);
    manager.publish(second, "Index", -1);
    manager.indexes_.set("broken key", 0);
    auto parameter = MVParameterNodeIndex::parameterWithName("IndexParameter");
    parameter->setNodeIndexManager(&manager);
    parameter->setHasOutputSocket(true);
    nodeIndex = reader->addParameter(std::move(parameter));
  }

  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  FakeNodeIndexManager manager;
  MVNode* repeater = nullptr;
  MVNode* second = nullptr;
  MVNode* reader = nullptr;
  MVParameterNodeIndex* nodeIndex = nullptr;
};

TEST_F(NodeIndexTest, ListIsTheSortedKeysWithTheirNodes)
{
  nodeIndex->updateElementIndexes();
  EXPECT_EQ(nodeIndex->indexNames(), (std::vector<std::string>{"1 * column", "1 * Row", "2 * Index"}));
  EXPECT_EQ(nodeIndex->indexDisplayNames(),
            (std::vector<std::string>{"Process 1 column", "Process 1 Row", "Process 2 Index"}));
  EXPECT_EQ(log.countContaining("Error, failed to add element index menu item for indexKey: broken key"), 1);
  ASSERT_EQ(nodeIndex->outputSockets().size(), 1u);
  EXPECT_FALSE(nodeIndex->hasPreview());
}

TEST_F(NodeIndexTest, ValueIsReadFromTheManagerEveryTime)
{
  nodeIndex->updateElementIndexes();
  nodeIndex->setIndex(1);  // "1 * Row"
  EXPECT_EQ(nodeIndex->value(), 3.0);
  manager.publish(repeater, "Row", 4);
  EXPECT_EQ(nodeIndex->value(), 4.0);
  EXPECT_FALSE(nodeIndex->invalidIndexFlag());

  nodeIndex->setIndex(2);  // "2 * Index", no current value
  EXPECT_EQ(nodeIndex->value(), 0.0);
  EXPECT_TRUE(nodeIndex->invalidIndexFlag());

  nodeIndex->setNodeIndexManager(nullptr);
  EXPECT_EQ(nodeIndex->value(), 0.0);  // the last value read
  EXPECT_EQ(log.countContaining("value requested with no elementIndexManager"), 1);

  auto unlisted = MVParameterNodeIndex::parameterWithName("IndexParameter");
  unlisted->setNodeIndexManager(&manager);
  EXPECT_EQ(unlisted->value(), 0.0);
  EXPECT_EQ(log.countContaining("getting value with no indexName, will return 0"), 1);
}

TEST_F(NodeIndexTest, UpdatingKeepsTheChoiceOrFallsBackToTheFirst)
{
  nodeIndex->updateElementIndexes();
  nodeIndex->setIndex(1);
  nodeIndex->setIndexesChanged(false);
  nodeIndex->updateElementIndexes();  // same keys: nothing changes
  EXPECT_FALSE(nodeIndex->indexesChanged());
  EXPECT_EQ(nodeIndex->indexName(), "1 * Row");

  manager.publish(repeater, "Alpha", 0);  // sorts first
  nodeIndex->updateElementIndexes();
  EXPECT_TRUE(nodeIndex->indexesChanged());
  EXPECT_EQ(nodeIndex->indexName(), "1 * Row");
  EXPECT_EQ(nodeIndex->index(), 2);

  manager.indexes_.erase("1 * Row");
  nodeIndex->updateElementIndexes();
  EXPECT_EQ(nodeIndex->index(), 0);
}

TEST_F(NodeIndexTest, RecordsChooseTheSavedKeyOrAskForANewOne)
{
  nodeIndex->updateElementIndexes();
  nodeIndex->setIndex(0);
  const pf::PlistValue::Dictionary record = nodeIndex->descriptionDictionary();
  EXPECT_EQ(record.find("Selected index key")->stringOr(), "1 * column");

  // The loading parameter sees the keys unsorted, so the saved key decides, not "Index".
  auto loaded = MVParameterNodeIndex::parameterWithName("IndexParameter");
  loaded->setNodeIndexManager(&manager);
  EXPECT_TRUE(loaded->loadDescriptionDictionary(record));
  EXPECT_EQ(loaded->indexName(), "1 * column");
  EXPECT_EQ(loaded->index(), 1);
  EXPECT_FALSE(loaded->needsNewIndexFlag());

  pf::PlistValue::Dictionary gone = record;
  gone.set("Selected index key", "9 * Layer");
  gone.erase("Index name");
  gone.set("Index", 0);
  auto orphan = MVParameterNodeIndex::parameterWithName("IndexParameter");
  orphan->setNodeIndexManager(&manager);
  EXPECT_TRUE(orphan->loadDescriptionDictionary(gone));
  EXPECT_TRUE(orphan->needsNewIndexFlag());
  EXPECT_EQ(orphan->loadedIndexName(), "9 * Layer");
  EXPECT_EQ(log.countContaining("loaded index key '9 * Layer' not in list"), 1);

  gone.erase("Selected index key");
  EXPECT_TRUE(orphan->loadDescriptionDictionary(gone));
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, no 'Index key' found"), 1);
}

TEST_F(NodeIndexTest, EmptyListReadsAsNoKeyAndOutputOnlyToValues)
{
  auto empty = MVParameterNodeIndex::parameterWithName("IndexParameter");
  empty->setIndexNames({});
  EXPECT_EQ(empty->indexName(), "");
  EXPECT_TRUE(nodeIndex->canConnectOutputParameter(repeater->parameterNamed("Value")));
  EXPECT_FALSE(nodeIndex->canConnectOutputParameter(repeater->parameterNamed("Color")));
  EXPECT_FALSE(nodeIndex->canConnectOutputParameter(nodeIndex));
  EXPECT_FALSE(empty->canConnectOutputParameter(repeater->parameterNamed("Value")));  // no output socket
}

}  // namespace
