#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/GeometryStrings.h"

namespace {

class RecordTest : public ::testing::Test {
protected:
  void SetUp() override { registerTestNodeClasses(); }

  // A record of a fresh process node with the given changes applied to its top level.
  pf::PlistValue::Dictionary processRecord(std::initializer_list<pf::PlistValue::Dictionary::Entry> changes)
  {
    FakeController scratch;
    pf::PlistValue::Dictionary record = scratch.addNode("TestProcessNode")->descriptionDictionary();
    for (const auto& change : changes) {
      if (change.value.isNull()) {
        record.erase(change.key);
      } else {
        record.set(change.key, change.value);
      }
    }
    return record;
  }

  LogCapture log;
  RecordingUndo undo;
};

TEST_F(RecordTest, GraphRoundTripGivesTheSameResultsWithoutUndo)
{
  FakeController original(&undo);
  MVNode* source = original.addNode("TestSourceNode");
  MVNode* otherSource = original.addNode("TestSourceNode");
  MVNode* a = original.addNode("TestProcessNode");
  MVNode* b = original.addNode("TestProcessNode");
  source->valueParameterNamed("Value")->setValue(1.25);
  source->colorParameterNamed("Color")->setColor(pf::Color::rgb(0.25, 0.5, 0.75, 1.0));
  a->setDisplayName("Renamed");
  a->setInitialNodeViewOrigin({12.5, -40});
  a->parameterNamed("Option")->setEnabled(false);
  a->boolParameterNamed("Flag")->setValue(true);
  b->setEnabled(false);
  original.connect(source->parameterNamed("Value"), a->parameterNamed("Double"));
  original.connect(a->parameterNamed("Double"), b->parameterNamed("Value"));
  original.connect(source->parameterNamed("Color"), b->parameterNamed("Color"));
  original.connect(otherSource->parameterNamed("Graphics"), b->parameterNamed("Graphics"));
  original.connect(source->parameterNamed("Graphics"), b->parameterNamed("Graphics"));
  // A loop A -> B -> A on the plain values.
  original.connect(a->parameterNamed("Value"), b->parameterNamed("Double"));
  original.connect(b->parameterNamed("Double"), a->parameterNamed("Value"));

  const pf::PlistValue::Array nodeRecords = original.nodeRecords();
  const pf::PlistValue::Array connectionRecords = original.connectionRecords();
  ASSERT_EQ(connectionRecords.size(), 7u);

  RecordingUndo freshUndo;
  FakeController loaded(&freshUndo);
  loaded.load(nodeRecords, connectionRecords);
  EXPECT_TRUE(freshUndo.records.empty());
  EXPECT_EQ(freshUndo.pauses(), 0);
  ASSERT_EQ(loaded.nodes.size(), 4u);
  EXPECT_EQ(loaded.connections.size(), 7u);
  EXPECT_EQ(loaded.nodeRecords(), nodeRecords);
  EXPECT_EQ(loaded.connectionRecords(), connectionRecords);

  MVNode* loadedA = loaded.nodeWithId("3");
  MVNode* loadedB = loaded.nodeWithId("4");
  EXPECT_EQ(loadedA->displayName(), "Renamed");
  EXPECT_EQ(loadedA->initialNodeViewOrigin(), pf::Point(12.5, -40));
  EXPECT_FALSE(loadedA->parameterNamed("Option")->enabled());
  EXPECT_TRUE(loadedA->parameterNamed("Linked")->layoutHidden());  // linked again after loading
  EXPECT_FALSE(loadedB->enabled());
  for (FakeController* graph : {&original, &loaded}) {
    SCOPED_TRACE(graph == &original ? "original" : "loaded");
    MVNode* nodeA = graph->nodeWithId("3");
    MVNode* nodeB = graph->nodeWithId("4");
    EXPECT_EQ(nodeB->valueParameterNamed("Value")->value(), 2.5);
    EXPECT_EQ(nodeB->colorParameterNamed("Color")->color(), pf::Color::rgb(0.25, 0.5, 0.75, 1.0));
    EXPECT_EQ(memberNames(nodeB->parameterNamed("Graphics")->element()),
              (std::vector<std::string>{"2 element", "1 element"}));
    EXPECT_EQ(nodeA->valueParameterNamed("Value")->value(), 0.0);
    // A change at the source is pushed through "Double" and pulled again.
    graph->nodeWithId("1")->valueParameterNamed("Value")->setValue(2.0);
    EXPECT_TRUE(nodeB->parameterNamed("Value")->needsToUpdate());
    EXPECT_EQ(nodeB->valueParameterNamed("Value")->value(), 4.0);
  }
}

TEST_F(RecordTest, RecordWithoutAViewStillSavesTheOrigin)
{
  FakeController graph;
  MVNode* node = graph.addNode("TestProcessNode");
  node->setInitialNodeViewOrigin({3, 4});
  EXPECT_EQ(node->descriptionDictionary().find("Node view origin")->stringOr(), "{3, 4}");
  RecordingNodeView::Calls calls;
  node->setNodeView(std::make_unique<RecordingNodeView>(&calls, pf::Point(7, 8)));
  EXPECT_EQ(node->descriptionDictionary().find("Node view origin")->stringOr(), "{7, 8}");
}

TEST_F(RecordTest, DamagedNodeRecordsLoadWhatTheyCan)
{
  pf::PlistValue::Array parameters;
  parameters.emplace_back(pf::PlistValue::Dictionary{
      {"Parameter class", "MVParameterValue"}, {"Parameter name", "Unknown"}, {"Value", 3.0}});
  parameters.emplace_back(pf::PlistValue::Dictionary{
      {"Parameter class", "MVParameterColor"}, {"Parameter name", "Value"}, {"Value", 3.0}});
  parameters.emplace_back(pf::PlistValue::Dictionary{{"Parameter class", "MVParameterValue"}, {"Value", 4.0}});
  parameters.emplace_back(pf::PlistValue("not a record"));
  parameters.emplace_back(pf::PlistValue::Dictionary{
      {"Parameter class", "MVParameterValue"}, {"Parameter name", "Linked"}, {"Value", "7"}});
  parameters.emplace_back(pf::PlistValue::Dictionary{
      {"Parameter class", "MVParameter"}, {"Parameter name", "Option"}, {"Enabled", pf::PlistValue::data("x")}});
  const pf::PlistValue::Array replacementParameters{parameters[0], parameters[4]};

  struct Case {
    const char* name;
    pf::PlistValue::Dictionary record;
    const char* expectedLog;  // contained in exactly one line; nullptr: nothing logged
    double linked;
    std::string nodeId;
  };
  const Case cases[] = {
      {"unknown names and kinds are skipped",
       processRecord({{"Parameters", pf::PlistValue(parameters)}, {"Node id", "9"}}),
       "loadNodeDictionary, node has no parameter named 'Unknown'", 7.0, "9"},
      {"replacement mode keeps the ID and warns of nothing",
       processRecord({{"Parameters", pf::PlistValue(replacementParameters)},
                      {"Node id", "9"},
                      {"Node class", "SomethingElse"},
                      {"Node Replacement Mode", true}}),
       nullptr, 7.0, "1"},
      {"another class name is reported", processRecord({{"Node class", "SomethingElse"}}),
       "loadNodeDictionary specified class SomethingElse does not match node class.", 0.0, "1"},
      {"parameters of the wrong type", processRecord({{"Parameters", "none"}}),
       "loadNodeDictionary, no Parameters found", 0.0, "1"},
      {"no node class loads nothing", processRecord({{"Node class", pf::PlistValue()}, {"Node id", "9"}}), nullptr,
       0.0, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeController graph(&undo);
    MVNode* node = graph.addNode("TestProcessNode");
    log.clear();
    EXPECT_TRUE(node->loadNodeDictionary(c.record));
    if (c.expectedLog != nullptr) {
      EXPECT_EQ(log.countContaining(c.expectedLog), 1);
    } else {
      EXPECT_EQ(log.lines().size(), 0u);
    }
    EXPECT_EQ(node->valueParameterNamed("Linked")->localValue(), c.linked);
    EXPECT_EQ(node->valueParameterNamed("Value")->localValue(), 0.0);  // the colour record was skipped
    EXPECT_EQ(node->nodeId(), c.nodeId);
  }
  // The unreadable "Enabled" of the first case read as NO, logged.
  EXPECT_EQ(log.countContaining("object <78> does not support boolValue"), 0);
}

TEST_F(RecordTest, FlagsApplyOnlyWhereTheClassAllowsThem)
{
  FakeController graph(&undo);
  MVNode* source = graph.addNode("TestSourceNode");  // cannot be disabled or renamed
  pf::PlistValue::Dictionary record = source->descriptionDictionary();
  record.set("Enabled", false);
  record.set("Node display name", "Custom");
  source->loadNodeDictionary(record);
  EXPECT_TRUE(source->enabled());
  EXPECT_EQ(source->displayName(), "Source");
  EXPECT_FALSE(source->descriptionDictionary().contains("Node display name"));

  // A parameter without an enable toggle ignores its record's "Enabled".
  MVNode* process = graph.addNode("TestProcessNode");
  undo.records.clear();  // creation links the seed rows
  pf::PlistValue::Dictionary processRecord = process->descriptionDictionary();
  pf::PlistValue::Array parameters = *processRecord.find("Parameters")->asArray();
  for (pf::PlistValue& parameter : parameters) {
    parameter.set("Enabled", false);
  }
  processRecord.set("Parameters", pf::PlistValue(parameters));
  process->loadNodeDictionary(processRecord);
  EXPECT_TRUE(process->parameterNamed("Value")->enabled());
  EXPECT_FALSE(process->parameterNamed("Option")->enabled());
  // Loading neither recorded undo nor told the controller.
  EXPECT_TRUE(undo.records.empty());
}

TEST_F(RecordTest, ConnectionRecordsToMissingNodesOrSocketsAreSkipped)
{
  FakeController original;
  MVNode* source = original.addNode("TestSourceNode");
  MVNode* target = original.addNode("TestProcessNode");
  original.connect(source->parameterNamed("Value"), target->parameterNamed("Value"));
  const pf::PlistValue::Dictionary good = *original.connectionRecords().front().asDictionary();

  auto changed = [&good](std::string_view key, pf::PlistValue value) {
    pf::PlistValue::Dictionary record = good;
    if (value.isNull()) {
      record.erase(key);
    } else {
      record.set(key, std::move(value));
    }
    return pf::PlistValue(record);
  };
  const pf::PlistValue::Array records{
      changed("To parameter nodeId", "77"),          changed("From parameter socket index", 2),
      changed("To parameter name", "Nothing"),       changed("From parameter name", pf::PlistValue()),
      changed("To parameter socket index", "junk"),  pf::PlistValue(good),
  };
  FakeController loaded;
  loaded.load(original.nodeRecords(), records);
  // "junk" reads as index 0 and connects; the good record then meets a value input that is
  // already connected.
  ASSERT_EQ(loaded.connections.size(), 1u);
  EXPECT_EQ(log.countContaining("Error, could not load connection, to node not found with ID:77"), 1);
  EXPECT_EQ(log.countContaining("has no output socket index 2"), 1);
  EXPECT_EQ(log.countContaining("Warning, could not make connection from"), 3);
}

}  // namespace
