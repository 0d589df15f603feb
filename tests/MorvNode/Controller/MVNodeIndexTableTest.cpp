#include "MorvNode/Controller/MVNodeIndexTable.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/ModelTestSupport.h"

namespace {

TEST(NodeIndexTable, KeysSplitAtTheFirstSeparator)
{
  struct Case {
    std::string key;
    std::optional<std::string> nodeId;
  };
  const std::vector<Case> cases = {
      {"12 * Index", "12"},
      {" * Index", ""},
      {"3 * Row * Index", "3"},
      {"Index", std::nullopt},
      {"12*Index", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const std::optional<std::string_view> nodeId = MVNodeIndexTable::nodeIdOfKey(c.key);
    EXPECT_EQ(nodeId ? std::optional<std::string>(*nodeId) : std::nullopt, c.nodeId);
  }
  EXPECT_EQ(MVNodeIndexTable::key("7", "Index"), "7 * Index");
}

TEST(NodeIndexTable, MissingOrUnreadableValuesAreMinusOne)
{
  MVNodeIndexTable table;
  pf::PlistValue::Dictionary saved;
  saved.set("1 * Index", 4);
  saved.set("2 * Index", pf::PlistValue::Array{});  // no number at all
  saved.set("3 * Index", "2");  // numbers in text are read as the text's number
  table.load(saved);
  EXPECT_EQ(table.index("1 * Index"), 4);
  EXPECT_EQ(table.index("2 * Index"), -1);
  EXPECT_EQ(table.index("3 * Index"), 2);
  EXPECT_EQ(table.index("9 * Index"), -1);
  EXPECT_EQ(table.index(""), -1);

  table.setIndex("1 * Index", 5);
  table.endSession("3 * Index");
  EXPECT_EQ(table.index("1 * Index"), 5);
  EXPECT_TRUE(table.contains("3 * Index"));
  EXPECT_EQ(table.index("3 * Index"), -1);
}

TEST(NodeIndexTable, RemovingANodesKeysSparesLookAlikes)
{
  MVNodeIndexTable table;
  for (const char* key : {"1 * Index", "1 * Row", "12 * Index", "Index", "21 * Index"}) {
    table.setIndex(key, 0);
  }
  table.removeIndexesForNodeID("1");
  std::vector<std::string> left;
  for (const auto& [key, value] : table.indexes().entries()) {
    left.push_back(key);
  }
  EXPECT_EQ(left, (std::vector<std::string>{"12 * Index", "Index", "21 * Index"}));
}

TEST(NodeIndexTable, FirstIndexKeyIsTheFirstPublishingNodeWithAStoredIndex)
{
  registerTestNodeClasses();
  std::vector<std::unique_ptr<MVNode>> owned;
  std::vector<MVNode*> nodes;
  for (const char* nodeId : {"1", "2", "3"}) {
    owned.push_back(MVClassRegistry::shared().createNode("TestProcessNode"));
    owned.back()->initWithNodeID(nodeId);
    nodes.push_back(owned.back().get());
  }
  MVNodeIndexTable table;
  table.setIndex("1 * Index", 0);  // node 1 publishes no indexes
  table.setIndex("3 * Index", 0);
  EXPECT_EQ(table.firstIndexKeyOf(nodes), std::nullopt);
  nodes[0]->setHasNodeIndexes(true);
  nodes[1]->setHasNodeIndexes(true);  // publishes, but has no stored index
  nodes[2]->setHasNodeIndexes(true);
  EXPECT_EQ(table.firstIndexKeyOf({nodes[1], nodes[2], nodes[0]}), "3 * Index");
  EXPECT_EQ(table.firstIndexKeyOf({}), std::nullopt);
}

}  // namespace
