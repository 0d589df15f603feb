#include "MorvNode/Model/MVConnection.h"

#include <memory>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"

namespace {

// Two sources feeding two process nodes, with a recording document.
class ConnectionTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    registerTestNodeClasses();
    source = controller.addNode("TestSourceNode");
    otherSource = controller.addNode("TestSourceNode");
    first = controller.addNode("TestProcessNode");
    second = controller.addNode("TestProcessNode");
  }

  MVParameterSocket* output(MVNode* node, const char* name, std::size_t index = 0)
  {
    return node->parameterNamed(name)->outputSockets().at(index).get();
  }
  MVParameterSocket* input(MVNode* node, const char* name, std::size_t index = 0)
  {
    return node->parameterNamed(name)->inputSockets().at(index).get();
  }

  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* source = nullptr;
  MVNode* otherSource = nullptr;
  MVNode* first = nullptr;
  MVNode* second = nullptr;
};

TEST_F(ConnectionTest, RulesRefuseInOrder)
{
  MVParameterValue* firstValue = first->valueParameterNamed("Value");
  firstValue->setEnabled(true);

  struct Case {
    const char* name;
    MVParameterSocket* from;  // the connection's existing ends
    MVParameterSocket* to;
    MVParameterSocket* socket;  // the socket asked
    bool allowed;
  };
  const Case cases[] = {
      {"value output to value input", output(source, "Value"), nullptr, input(first, "Value"), true},
      {"rule 2: value output to colour input", output(source, "Value"), nullptr, input(first, "Color"), false},
      {"rule 4: output to output", output(source, "Value"), nullptr, output(first, "Value"), false},
      {"rule 5: input to input", nullptr, input(first, "Value"), input(second, "Value"), false},
      {"rule 6: a parameter's output to its own input", output(first, "Value"), nullptr, input(first, "Value"), false},
      {"another parameter of the same node", output(first, "Value"), nullptr, input(first, "Double"), true},
      {"rule 7: a parameter's input to its own output", nullptr, input(first, "Value"), output(first, "Value"), false},
      {"element output to element input", output(source, "Graphics"), nullptr, input(first, "Graphics"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MVConnection connection;
    if (c.from != nullptr) {
      connection.setFromSocket(c.from);
    }
    if (c.to != nullptr) {
      connection.setToSocket(c.to);
    }
    EXPECT_EQ(c.socket->canConnectConnection(&connection), c.allowed);
  }
  // Rule 1 and a connection with no ends (type -1 passes rule 2 for any socket).
  MVConnection empty;
  EXPECT_EQ(empty.connectionType(), MVSocketType::None);
  EXPECT_FALSE(input(first, "Value")->canConnectConnection(nullptr));
  EXPECT_TRUE(input(first, "Color")->canConnectConnection(&empty));
}

TEST_F(ConnectionTest, ValueInputTakesOneConnectionElementInputSeveral)
{
  ASSERT_NE(controller.connect(source->parameterNamed("Value"), first->parameterNamed("Value")), nullptr);
  EXPECT_EQ(controller.connect(otherSource->parameterNamed("Value"), first->parameterNamed("Value")), nullptr);
  EXPECT_EQ(log.countContaining("Warning, failed to connect"), 1);
  EXPECT_EQ(input(first, "Value")->inputConnections().size(), 1u);

  ASSERT_NE(controller.connect(source->parameterNamed("Graphics"), first->parameterNamed("Graphics")), nullptr);
  ASSERT_NE(controller.connect(otherSource->parameterNamed("Graphics"), first->parameterNamed("Graphics")), nullptr);
  const std::shared_ptr<const MVElement> group = input(first, "Graphics")->inputElement();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->elementName(), "Change Process 1 input group");
  EXPECT_EQ(memberNames(group), (std::vector<std::string>{"1 element", "2 element"}));
  // Random upstream nodes draw afresh before the second input only.
  EXPECT_EQ(controller.randomUpdates, std::vector<MVNode*>{first});
}

TEST_F(ConnectionTest, ASocketHoldsOnlyConnectionsOfItsOwnDirection)
{
  // A connection with no ends passes the rules everywhere; it still only enters a socket at the
  // end that matches the socket's direction.
  MVConnection loose;
  EXPECT_FALSE(output(first, "Value")->addInputConnection(&loose));
  EXPECT_FALSE(input(first, "Value")->addOutputConnection(&loose));
  EXPECT_TRUE(output(first, "Value")->inputConnections().empty());
  EXPECT_TRUE(output(first, "Value")->outputConnections().empty());

  ASSERT_NE(controller.connect(source->parameterNamed("Value"), first->parameterNamed("Value")), nullptr);
  EXPECT_EQ(output(source, "Value")->outputConnections().size(), 1u);
  EXPECT_TRUE(output(source, "Value")->inputConnections().empty());
  EXPECT_FALSE(output(source, "Value")->hasConnectedInput());
  EXPECT_TRUE(input(first, "Value")->outputConnections().empty());
  // Asking a socket to drop connections of the other direction leaves its own in place.
  output(source, "Value")->removeAllInputConnections();
  input(first, "Value")->removeAllOutputConnections();
  EXPECT_TRUE(first->parameterNamed("Value")->hasConnectedInput());
}

TEST_F(ConnectionTest, ElementGroupSkipsEmptyInputsAndIsNothingWhenAllAreEmpty)
{
  controller.connect(source->parameterNamed("Graphics"), first->parameterNamed("Graphics"));
  controller.connect(otherSource->parameterNamed("Graphics"), first->parameterNamed("Graphics"));
  static_cast<TestSourceNode*>(otherSource)->producesNothing = true;
  EXPECT_EQ(memberNames(input(first, "Graphics")->inputElement()), std::vector<std::string>{"1 element"});

  static_cast<TestSourceNode*>(source)->producesNothing = true;
  source->clearCachedValues();
  otherSource->clearCachedValues();
  EXPECT_EQ(input(first, "Graphics")->inputElement(), nullptr);
}

TEST_F(ConnectionTest, MistypedPullLogsAndStillRecordsThePreview)
{
  MVConnection connection;
  connection.setFromSocket(output(source, "Color"));
  EXPECT_EQ(connection.getValue(), 0.0);
  EXPECT_EQ(log.countContaining("getValue from socket"), 1);
  EXPECT_EQ(connection.previewValues(), std::vector<double>{0.0});
  EXPECT_EQ(connection.previewIterations(), 1);
}

TEST_F(ConnectionTest, PreviewHistoryRestartsWithEachCycle)
{
  source->valueParameterNamed("Value")->setValue(4.0);
  MVConnection* connection = controller.connect(source->parameterNamed("Value"), first->parameterNamed("Value"));
  connection->getValue();
  source->valueParameterNamed("Value")->setValue(5.0);
  connection->getValue();
  EXPECT_EQ(connection->previewValues(), (std::vector<double>{4.0, 5.0}));
  connection->setPreviewsNewCycleFlag(true);
  connection->getValue();
  EXPECT_EQ(connection->previewValues(), std::vector<double>{5.0});
  EXPECT_EQ(connection->previewIterations(), 1);

  // A new generation of the controller starts the history again at the connection's first pull,
  // without anybody marking the connection; the pulls after it in that generation add to it.
  source->valueParameterNamed("Value")->setValue(6.0);
  connection->getValue();
  EXPECT_EQ(connection->previewIterations(), 2);
  ++controller.generationCycleID;
  EXPECT_TRUE(connection->previewsNewCycleFlag());
  connection->getValue();
  connection->getValue();
  EXPECT_EQ(connection->previewValues(), (std::vector<double>{6.0, 6.0}));
  EXPECT_EQ(connection->previewIterations(), 2);
  EXPECT_FALSE(connection->previewsNewCycleFlag());
}

TEST_F(ConnectionTest, LoopIsCaughtOnPullAndPush)
{
  MVConnection* forward = controller.connect(first->parameterNamed("Value"), second->parameterNamed("Value"));
  MVConnection* back = controller.connect(second->parameterNamed("Value"), first->parameterNamed("Value"));
  ASSERT_NE(forward, nullptr);
  ASSERT_NE(back, nullptr);
  log.clear();

  // Push: the change circles once and stops at the connection it started through.
  first->valueParameterNamed("Value")->setValue(3.0);
  EXPECT_EQ(log.countContaining("inputChanged caused infinite loop."), 1);
  EXPECT_TRUE(forward->hasInfiniteLoopProblem());

  // Pull: the repeated connection answers 0 and is marked; the outer pull completes with the
  // stored value because the delivered one came round the loop.
  EXPECT_EQ(first->valueParameterNamed("Value")->value(), 3.0);
  EXPECT_TRUE(back->hasInfiniteLoopProblem());
  EXPECT_FALSE(back->isGettingValue());
  EXPECT_FALSE(forward->isGettingValue());
}

TEST_F(ConnectionTest, ElementLoopGivesNothing)
{
  controller.connect(first->parameterNamed("Graphics"), second->parameterNamed("Graphics"));
  controller.connect(second->parameterNamed("Graphics"), first->parameterNamed("Graphics"));
  EXPECT_EQ(first->parameterNamed("Graphics")->element(), nullptr);
  EXPECT_TRUE(input(second, "Graphics")->inputHasInfiniteLoopProblems() ||
              input(first, "Graphics")->inputHasInfiniteLoopProblems());
}

TEST_F(ConnectionTest, DisablingAParameterRemovesItsConnectionsWithOneUndoRecordPerSocket)
{
  MVParameter* sourceValue = source->parameterNamed("Value");
  controller.connect(sourceValue, first->parameterNamed("Value"));
  controller.connect(sourceValue, second->parameterNamed("Value"));
  controller.connect(first->parameterNamed("Value"), second->parameterNamed("Double"));
  first->valueParameterNamed("Value")->value();
  second->valueParameterNamed("Double")->value();
  undo.records.clear();

  first->parameterNamed("Value")->setEnabled(false);

  int connectionRecords = 0;
  for (const auto& record : undo.records) {
    connectionRecords += record.kind == "connections" ? 1 : 0;
  }
  EXPECT_EQ(connectionRecords, 2);  // its output socket and its input socket
  EXPECT_EQ(controller.connections.size(), 1u);
  EXPECT_FALSE(first->parameterNamed("Value")->hasConnectedInput());
  // The formerly connected input downstream learned of the loss.
  EXPECT_TRUE(second->parameterNamed("Double")->needsToUpdate());
  EXPECT_EQ(output(source, "Value")->outputConnections().size(), 1u);
}

TEST_F(ConnectionTest, RecordNamesBothEndsAndALooseConnectionHasNone)
{
  MVConnection* connection = controller.connect(source->parameterNamed("Value"), first->parameterNamed("Double"));
  const auto record = connection->descriptionDictionary();
  ASSERT_TRUE(record.has_value());
  const pf::PlistValue::Dictionary expected{{"From parameter name", "Value"},    {"From parameter nodeId", "1"},
                                            {"From parameter socket index", 0}, {"To parameter name", "Double"},
                                            {"To parameter nodeId", "3"},       {"To parameter socket index", 0}};
  EXPECT_EQ(*record, expected);

  MVConnection loose;
  loose.setFromSocket(output(source, "Value"));
  EXPECT_FALSE(loose.descriptionDictionary().has_value());
}

TEST_F(ConnectionTest, TypeFollowsTheEnds)
{
  MVConnection loose;
  EXPECT_EQ(loose.connectionType(), MVSocketType::None);
  loose.setToSocket(input(first, "Color"));
  EXPECT_EQ(loose.connectionType(), MVSocketType::Color);
  loose.setToSocket(nullptr);
  EXPECT_EQ(loose.connectionType(), MVSocketType::None);
  loose.setFromSocket(output(source, "Value"));
  EXPECT_EQ(loose.connectionType(), MVSocketType::Value);

  // A socket that goes away takes its type with it.
  {
    MVConnection dangling;
    auto socket = std::make_unique<MVParameterSocket>(nullptr, MVSocketType::Element);
    dangling.setToSocket(socket.get());
    ASSERT_EQ(dangling.toSocket(), socket.get());
    EXPECT_EQ(dangling.connectionType(), MVSocketType::Element);
    socket.reset();
    EXPECT_EQ(dangling.connectionType(), MVSocketType::None);
  }
}

TEST(ConnectionLifetime, DestroyingEitherSideDetachesTheOther)
{
  registerTestNodeClasses();
  LogCapture log;
  FakeController controller;
  MVNode* source = controller.addNode("TestSourceNode");
  MVNode* target = controller.addNode("TestProcessNode");
  auto connection = MVConnection::connectionFromSocket(source->parameterNamed("Value")->outputSockets()[0].get(),
                                                       target->parameterNamed("Value")->inputSockets()[0].get());
  connection.reset();
  EXPECT_FALSE(target->parameterNamed("Value")->hasConnectedInput());
  EXPECT_FALSE(source->parameterNamed("Value")->hasConnectedOutput());

  auto survivor = MVConnection::connectionFromSocket(source->parameterNamed("Value")->outputSockets()[0].get(),
                                                     target->parameterNamed("Value")->inputSockets()[0].get());
  controller.nodes.clear();  // the sockets go first
  EXPECT_TRUE(survivor->hasLooseEnd());
  EXPECT_EQ(survivor->fromSocket(), nullptr);
  EXPECT_EQ(survivor->toSocket(), nullptr);
}

}  // namespace
