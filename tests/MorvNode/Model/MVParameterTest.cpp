#include "MorvNode/Model/MVParameter.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"

namespace {

class ParameterTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    registerTestNodeClasses();
    source = controller.addNode("TestSourceNode");
    first = controller.addNode("TestProcessNode");
    second = controller.addNode("TestProcessNode");
    undo.records.clear();  // creation links the seed rows
  }

  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* source = nullptr;
  MVNode* first = nullptr;
  MVNode* second = nullptr;
};

TEST_F(ParameterTest, HidingRemovesConnectionsAndShowingDoesNotRestoreThem)
{
  MVParameter* value = first->parameterNamed("Value");
  controller.connect(source->parameterNamed("Value"), value);
  controller.connect(value, second->parameterNamed("Value"));
  value->setLayoutHidden(true);
  EXPECT_FALSE(value->hasConnectedInput());
  EXPECT_FALSE(value->hasConnectedOutput());
  EXPECT_TRUE(controller.connections.empty());
  value->setLayoutHidden(false);
  EXPECT_FALSE(value->hasConnectedInput());
  EXPECT_TRUE(value->inputSockets()[0]->enabled());
}

// The parameter's and node's counts against what their sockets and parameters say when visited.
void expectCountsMatchTheGraph(const MVNode* node)
{
  bool awaiting = false;
  for (const auto& parameter : node->parameters()) {
    SCOPED_TRACE(parameter->name());
    bool input = false;
    bool output = false;
    for (const auto& socket : parameter->inputSockets()) {
      input = input || !socket->inputConnections().empty();
    }
    for (const auto& socket : parameter->outputSockets()) {
      output = output || !socket->outputConnections().empty();
    }
    EXPECT_EQ(parameter->hasConnectedInputSocket(), input);
    EXPECT_EQ(parameter->hasConnectedOutput(), output);
    awaiting = awaiting || parameter->awaitsUpdate();
  }
  EXPECT_EQ(node->hasParametersAwaitingUpdate(), awaiting);
}

// Reads skip the sockets of an unconnected parameter and the generation skips nodes with nothing
// left to update, so the counts behind both must follow every way a connection or flag changes.
TEST_F(ParameterTest, ConnectedAndAwaitingCountsFollowEveryChange)
{
  MVParameter* value = first->parameterNamed("Value");
  MVParameter* color = first->parameterNamed("Color");
  MVParameter* graphics = first->parameterNamed("Graphics");
  const auto check = [&](const char* step) {
    SCOPED_TRACE(step);
    expectCountsMatchTheGraph(source);
    expectCountsMatchTheGraph(first);
    expectCountsMatchTheGraph(second);
  };
  check("new nodes");
  MVConnection* in = controller.connect(source->parameterNamed("Value"), value);
  controller.connect(value, second->parameterNamed("Value"));
  controller.connect(source->parameterNamed("Color"), color);
  controller.connect(source->parameterNamed("Graphics"), graphics);
  controller.connect(second->parameterNamed("Graphics"), graphics);
  check("connected");
  EXPECT_TRUE(value->hasConnectedInputSocket());
  controller.removeConnection(in);
  check("one removed");
  EXPECT_FALSE(value->hasConnectedInputSocket());
  graphics->inputSockets()[0]->removeAllInputConnections();
  check("all inputs removed");
  value->setLayoutHidden(true);  // takes the output connection too
  check("hidden");
  color->setEnabled(false);
  check("disabled");
  for (const auto& parameter : first->parameters()) {
    parameter->setNeedsToUpdate(false);
  }
  check("all updated");
  EXPECT_FALSE(first->hasParametersAwaitingUpdate());
  value->setLayoutHidden(false);
  color->setEnabled(true);
  first->clearCachedValues();
  check("shown, enabled and cleared");
  EXPECT_TRUE(first->hasParametersAwaitingUpdate());
  std::unique_ptr<MVParameter> removed = first->removeParameter(color);
  check("parameter removed");
  controller.connect(source->parameterNamed("Value"), second->parameterNamed("Value"));
  controller.connections.clear();  // connections destroyed without detaching first
  check("connections destroyed");
}

// A refresh of a node marks its parameters, and both axes of a two-axis one, without visiting
// them: each reads as stale until it is read or set again, also after it left the node for
// another one, and the node's count of parameters awaiting an update follows.
TEST_F(ParameterTest, ARefreshMarksEveryParameterUntilItUpdates)
{
  auto* size = first->addParameter(MVParameterValue2D::parameterWithName("Size"));
  MVParameterValue* value = first->valueParameterNamed("Value");
  const auto updateAll = [](MVNode* node) {
    for (const auto& parameter : node->parameters()) {
      parameter->setNeedsToUpdate(false);
    }
  };
  updateAll(first);
  size->valueForSocketIndex(0);
  size->valueForSocketIndex(1);
  ASSERT_FALSE(size->needsToUpdateX() || size->needsToUpdateY());
  ASSERT_FALSE(first->hasParametersAwaitingUpdate());

  for (int refresh = 0; refresh < 2; ++refresh) {
    SCOPED_TRACE(refresh);
    first->clearCachedValues();
    for (const auto& parameter : first->parameters()) {
      EXPECT_TRUE(parameter->needsToUpdate()) << parameter->name();
    }
    EXPECT_TRUE(size->needsToUpdateX());
    EXPECT_TRUE(size->needsToUpdateY());
    expectCountsMatchTheGraph(first);
    size->valueForSocketIndex(0);
    EXPECT_FALSE(size->needsToUpdateX());
    EXPECT_TRUE(size->needsToUpdateY());
    (void)value->value();
    EXPECT_FALSE(value->needsToUpdate());
    expectCountsMatchTheGraph(first);
  }
  updateAll(second);  // a refresh of one node leaves the others alone
  first->clearCachedValues();
  EXPECT_FALSE(second->parameterNamed("Color")->needsToUpdate());

  std::unique_ptr<MVParameter> moved = first->removeParameter(size);
  EXPECT_TRUE(moved->needsToUpdate());
  expectCountsMatchTheGraph(first);
  moved->setNeedsToUpdate(false);
  second->addParameter(std::move(moved));
  EXPECT_FALSE(size->needsToUpdate());
  expectCountsMatchTheGraph(second);
  second->clearCachedValues();
  EXPECT_TRUE(size->needsToUpdateY());
  expectCountsMatchTheGraph(second);
  updateAll(first);
  EXPECT_FALSE(first->hasParametersAwaitingUpdate());
  updateAll(second);
  EXPECT_FALSE(second->hasParametersAwaitingUpdate());
}

TEST_F(ParameterTest, DisablingWithoutANodeOnlyStoresTheFlag)
{
  auto loose = MVParameterValue::parameterWithName("Loose");
  loose->setupSockets();
  loose->setEnabled(false);
  EXPECT_FALSE(loose->enabled());
  EXPECT_TRUE(undo.records.empty());
  EXPECT_EQ(log.lines().size(), 0u);
}

TEST_F(ParameterTest, OnlyTheEndOfADownstreamChainSchedulesARegeneration)
{
  // "Double" has a value source, so it schedules when its output is free.
  controller.connect(first->parameterNamed("Double"), second->parameterNamed("Double"));
  controller.scheduled.clear();
  first->valueParameterNamed("Double")->inputChanged();
  EXPECT_EQ(controller.scheduled, std::vector<MVParameter*>{second->parameterNamed("Double")});

  // Neither updateIfUnconnected nor a source: nothing.
  controller.scheduled.clear();
  first->valueParameterNamed("Linked")->setValue(9.0);
  EXPECT_TRUE(controller.scheduled.empty());
  first->parameterNamed("Linked")->inputChanged();
  EXPECT_TRUE(controller.scheduled.empty());
  first->parameterNamed("Linked")->setUpdateIfUnconnected(true);
  first->parameterNamed("Linked")->inputChanged();
  EXPECT_EQ(controller.scheduled, std::vector<MVParameter*>{first->parameterNamed("Linked")});
}

TEST_F(ParameterTest, AChangeAtOneInputSocketLeavesOnlyThroughTheOutputOfThatIndex)
{
  // A two-axis-like parameter: two sockets each way.
  auto pair = MVParameter::parameterWithName("Pair");
  MVParameter* twoAxis = first->addParameter(std::move(pair));
  twoAxis->addInputSocketOfType(MVSocketType::Value);
  twoAxis->addInputSocketOfType(MVSocketType::Value);
  twoAxis->addOutputSocketOfType(MVSocketType::Value);
  twoAxis->addOutputSocketOfType(MVSocketType::Value);
  controller.connect(twoAxis, second->parameterNamed("Value"), 0, 0);
  controller.connect(twoAxis, second->parameterNamed("Double"), 1, 0);
  second->valueParameterNamed("Value")->value();
  second->valueParameterNamed("Double")->value();

  twoAxis->inputSockets()[1]->inputChanged();
  EXPECT_FALSE(second->parameterNamed("Value")->needsToUpdate());
  EXPECT_TRUE(second->parameterNamed("Double")->needsToUpdate());
  EXPECT_EQ(twoAxis->outputSockets()[1]->tooltip(), "Pair value output");
}

TEST_F(ParameterTest, UndoStatesAndActionNames)
{
  MVParameter* option = first->parameterNamed("Option");
  option->setDisplayHeaderName("Extra Options");
  option->setEnabled(false);
  option->setEnabled(true);
  ASSERT_EQ(undo.records.size(), 2u);
  EXPECT_EQ(undo.records[0].actionName, "disable process 1 extra options");
  EXPECT_EQ(undo.records[1].actionName, "enable process 1 extra options");
  EXPECT_EQ(undo.records[1].state.find("propertyValue")->asBool(), false);

  EXPECT_EQ(first->parameterNamed("Value")->undoActionNameForProperty("value"), "process 1 value change");
  EXPECT_EQ(first->parameterNamed("Value")->undoActionNameForProperty("layoutHidden"), std::nullopt);

  undo.records.clear();
  first->parameterNamed("Value")->registerUndoProperty("value", std::nullopt);
  ASSERT_EQ(undo.records.size(), 1u);
  const pf::PlistValue::Dictionary expected{{"parameterName", "Value"}, {"propertyName", "value"}};
  EXPECT_EQ(undo.records[0].state, expected);

  undo.pauseUndoRegistration();
  first->valueParameterNamed("Value")->setValue(12.0);
  undo.resumeUndoRegistration();
  EXPECT_EQ(undo.records.size(), 1u);
}

TEST_F(ParameterTest, RevertingAValueRecordsTheReverseStep)
{
  MVParameterValue* value = first->valueParameterNamed("Value");
  value->setValue(5.0);
  ASSERT_EQ(undo.records.size(), 1u);
  const pf::PlistValue oldValue = *undo.records[0].state.find("propertyValue");
  value->revertProperty("value", oldValue);
  EXPECT_EQ(value->value(), 0.0);
  ASSERT_EQ(undo.records.size(), 2u);
  EXPECT_EQ(undo.records[1].state.find("propertyValue")->asReal(), 5.0);
}

TEST_F(ParameterTest, MissingSocketsAreLoggedOnlyWhenExpected)
{
  auto plain = MVParameter::parameterWithName("Plain");
  EXPECT_EQ(plain->inputSocket(), nullptr);
  EXPECT_EQ(log.lines().size(), 0u);
  plain->setHasInputSocket(true);
  EXPECT_EQ(plain->inputSocket(), nullptr);
  EXPECT_EQ(log.countContaining("has no inputSockets when getting inputSocket even though hasInputSocket is true"), 1);
}

TEST_F(ParameterTest, IdentityAndDescriptions)
{
  MVParameter* value = first->parameterNamed("Value");
  EXPECT_EQ(value->persistentIdentifier(), "2 : Value");
  EXPECT_EQ(value->description(), "<MVParameterValue [Change Process 1 'Value'] value:0>");
  EXPECT_EQ(value->inputSockets()[0]->description(),
            "<MVParameterSocket <MVParameterValue [Change Process 1 'Value'] value:0> In>");
  auto orphan = MVParameter::parameterWithName("Orphan");
  EXPECT_EQ(orphan->persistentIdentifier(), "Orphan");
  EXPECT_EQ(orphan->nodeId(), "?");
  EXPECT_EQ(log.countContaining("has no valueDelegate when generating persistentIdentifier"), 1);
}

TEST(ParameterValue, LimitsAndRounding)
{
  LogCapture log;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const double largest = std::numeric_limits<double>::max();
  struct Case {
    const char* name;
    std::optional<double> minimum;
    std::optional<double> maximum;
    bool isInteger;
    double set;
    double stored;
  };
  const Case cases[] = {
      {"below the minimum", 0.0, 10.0, false, -3.0, 0.0},
      {"above the maximum", 0.0, 10.0, false, 12.0, 10.0},
      {"crossed limits: the maximum wins", 5.0, 1.0, false, 3.0, 1.0},
      {"half rounds up", std::nullopt, std::nullopt, true, 2.5, 3.0},
      {"negative half rounds down", std::nullopt, std::nullopt, true, -2.5, -3.0},
      {"just below a half", std::nullopt, std::nullopt, true, 2.4999, 2.0},
      {"largest double below a half", std::nullopt, std::nullopt, true, 0.49999999999999994, 0.0},
      {"NaN is 0", std::nullopt, std::nullopt, false, nan, 0.0},
      {"NaN is 0, then limited", 2.0, std::nullopt, false, nan, 2.0},
      {"infinity is the largest number", std::nullopt, std::nullopt, true, infinity, largest},
      {"minus infinity is the lowest", std::nullopt, std::nullopt, false, -infinity, -largest},
      {"infinity meets the maximum", std::nullopt, 10.0, false, infinity, 10.0},
      {"huge values stay as they are", std::nullopt, std::nullopt, true, 1e300, 1e300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto value = MVParameterValue::parameterWithName("Value");
    if (c.minimum) {
      value->setMinValueLimit(*c.minimum);
    }
    if (c.maximum) {
      value->setMaxValueLimit(*c.maximum);
    }
    value->setIsInteger(c.isInteger);
    value->setValue(c.set);
    EXPECT_EQ(value->localValue(), c.stored);
    EXPECT_EQ(value->value(), c.stored);
  }
}

TEST(ParameterValue, DisabledValueIsLimitedAndTheCacheIsKept)
{
  registerTestNodeClasses();
  LogCapture log;
  FakeController controller;
  MVNode* node = controller.addNode("TestProcessNode");
  MVParameterValue* doubled = node->valueParameterNamed("Double");
  doubled->setValue(3.0);
  controller.generationCycleID = 7;
  EXPECT_EQ(doubled->value(), 6.0);  // the source doubles the stored value
  EXPECT_EQ(doubled->value(), 6.0);  // fresh: the source is not asked again
  EXPECT_EQ(doubled->lastUpdateGenerationCycleID(), 7);

  doubled->setDisabledValue(7.0);
  doubled->setMaxValueLimit(5.0);
  node->parameterNamed("Double")->setEnabled(false);
  EXPECT_EQ(doubled->value(), 5.0);
}

TEST(ParameterValue, LimitWithoutFlagIsLoggedAndRecordNeedsAValue)
{
  LogCapture log;
  auto value = MVParameterValue::parameterWithName("Size");
  EXPECT_EQ(value->maxValueLimit(), 0.0);
  EXPECT_EQ(log.countContaining("Warning, requested maxValueLimit for"), 1);

  pf::PlistValue::Dictionary record{{"Parameter class", "MVParameterValue"}, {"Parameter name", "Size"}};
  EXPECT_FALSE(value->loadDescriptionDictionary(record));
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, missing Value key"), 1);
  record.set("ValueX", 2.0);
  EXPECT_TRUE(value->loadDescriptionDictionary(record));
  record.set("Value", "2.5");  // a numeric string converts
  EXPECT_TRUE(value->loadDescriptionDictionary(record));
  EXPECT_EQ(value->localValue(), 2.5);
}

}  // namespace
