#include "MorvNode/Controller/MVNodeController.h"

#include <gtest/gtest.h>

#include "ControllerTestSupport.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterValue.h"

namespace {

constexpr const char* kSummaryWarning =
    "Warning, some node connections could not be loaded since the corresponding nodes or sockets have been changed "
    "and no automatic conversion was possible. The file may therefore produce a different result.";

pf::PlistValue::Dictionary connectionRecord(const std::string& fromId, const std::string& fromName, int fromIndex,
                                            const std::string& toId, const std::string& toName, int toIndex)
{
  return {{"From parameter nodeId", fromId}, {"From parameter name", fromName},
          {"From parameter socket index", fromIndex}, {"To parameter nodeId", toId},
          {"To parameter name", toName}, {"To parameter socket index", toIndex}};
}

// Two process nodes, "1" and "2".
class ConnectionLoadingTest : public ControllerTest {
protected:
  ConnectionLoadingTest()
  {
    from = add("TestProcessNode");
    to = add("TestProcessNode");
    log.clear();
  }

  MVNode* from = nullptr;
  MVNode* to = nullptr;
};

TEST_F(ConnectionLoadingTest, BadRecordsAreLoggedAndSummarisedOnce)
{
  const std::string couldNotMake =
      "Warning, could not make connection from Change Process 1 node parameter 'Value' to Change Process 2 node "
      "parameter 'Value'.";
  struct Case {
    const char* name;
    pf::PlistValue::Dictionary record;
    std::vector<std::string> expectedLines;
  };
  const Case cases[] = {
      {"output socket index out of range",
       connectionRecord("1", "Value", 2, "2", "Value", 0),
       {"Error, loadConnectionsFromArray <MVParameterValue [Change Process 1 'Value'] value:0> has no output socket "
        "index 2",
        couldNotMake}},
      {"input socket index out of range",
       connectionRecord("1", "Value", 0, "2", "Value", -1),
       {"Error, loadConnectionsFromArray <MVParameterValue [Change Process 2 'Value'] value:0> has no input socket "
        "index -1",
        couldNotMake}},
      {"both nodes missing", connectionRecord("8", "Value", 0, "9", "Value", 0), {}},
      {"to node missing",
       connectionRecord("1", "Value", 0, "9", "Value", 0),
       {"Error, could not load connection, to node not found with ID:9"}},
      {"from node missing",
       connectionRecord("8", "Value", 0, "2", "Value", 0),
       {"Error, could not load connection, from node not found with ID:8"}},
      {"both parameters missing",
       connectionRecord("1", "Nothing", 0, "2", "None", 0),
       {"Error, could not load connection from [Change Process 1 : Nothing] to [Change Process 2 : None], no such "
        "parameters found in either node",
        "Warning, could not make connection from Change Process 1 node parameter 'Nothing' to Change Process 2 node "
        "parameter 'None'."}},
      {"from parameter missing",
       connectionRecord("1", "Nothing", 0, "2", "Value", 0),
       {"Error, could not load connection from [Change Process 1 : Nothing], no such parameter found in node",
        "Warning, could not make connection from Change Process 1 node parameter 'Nothing' to Change Process 2 node "
        "parameter 'Value'."}},
      {"refused by the sockets (colour into value)",
       connectionRecord("1", "Color", 0, "2", "Value", 0),
       {"Warning, could not make connection from Change Process 1 node parameter 'Color' to Change Process 2 node "
        "parameter 'Value'."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    controller.clearFileLoadingWarnings();
    controller.loadConnectionsFromArray({c.record, connectionRecord("1", "Graphics", 0, "2", "Graphics", 0)});
    for (const std::string& line : c.expectedLines) {
      EXPECT_EQ(log.count(line), 1) << line;
    }
    if (c.expectedLines.empty()) {
      EXPECT_EQ(log.countContaining("connection"), 0);
    }
    EXPECT_EQ(controller.fileLoadingWarnings(), (std::vector<std::string>{kSummaryWarning}));
    // The good record still loads.
    ASSERT_EQ(controller.connectionArray().size(), 1u);
    EXPECT_EQ(controller.connectionArray()[0]->fromSocket()->parameter()->name(), "Graphics");
  }
}

TEST_F(ConnectionLoadingTest, LoadingReplacesTheConnectionsAndRoundTrips)
{
  EXPECT_TRUE(controller.connectionDescriptionsArray().empty());
  connect(from, "Value", to, "Value");
  connect(from, "Graphics", to, "Graphics");
  const pf::PlistValue::Array saved = controller.connectionDescriptionsArray();
  ASSERT_EQ(saved.size(), 2u);

  controller.loadConnectionsFromArray({connectionRecord("2", "Color", 0, "1", "Color", 0)});
  ASSERT_EQ(controller.connectionArray().size(), 1u);
  EXPECT_EQ(controller.connectionArray()[0]->fromNode(), to);
  EXPECT_FALSE(from->parameterNamed("Value")->hasConnectedOutput());

  controller.loadConnectionsFromArray(saved);
  EXPECT_EQ(controller.connectionDescriptionsArray(), saved);
  EXPECT_TRUE(controller.fileLoadingWarnings().empty());
  EXPECT_FALSE(controller.isLoadingFile());
  EXPECT_TRUE(from->updateOnParameterChanges());
  EXPECT_TRUE(to->updateOnParameterChanges());
}

TEST_F(ControllerTest, RemovingAConnectionOfALoopClearsEveryLoopMark)
{
  MVNode* a = add("TestProcessNode");
  MVNode* b = add("TestProcessNode");
  MVNode* c = add("TestProcessNode");
  MVConnection* ab = connect(a, "Graphics", b, "Graphics");
  MVConnection* bc = connect(b, "Graphics", c, "Graphics");
  MVConnection* ca = connect(c, "Graphics", a, "Graphics");
  MVConnection* plain = connect(a, "Value", b, "Value");
  for (MVConnection* connection : {ab, bc, ca}) {
    connection->setHasInfiniteLoopProblem(true);
  }

  controller.removeConnection(plain);  // not part of the loop: the marks stay
  EXPECT_TRUE(ab->hasInfiniteLoopProblem());
  controller.removeConnection(ca);
  EXPECT_FALSE(ab->hasInfiniteLoopProblem());
  EXPECT_FALSE(bc->hasInfiniteLoopProblem());
  EXPECT_EQ(controller.connectionArray().size(), 2u);

  MVConnection notOurs;
  controller.removeConnection(&notOurs);
  controller.removeConnection(nullptr);
  EXPECT_EQ(log.countContaining("connection not in connectionArray"), 2);
  EXPECT_EQ(controller.connectionArray().size(), 2u);
}

TEST_F(ControllerTest, ConnectionLeftWithALooseEndIsRemoved)
{
  MVNode* a = add("TestProcessNode");
  MVNode* b = add("TestProcessNode");
  RecordingEditor editor;
  controller.setNodeEditorView(&editor);
  EXPECT_EQ(editor.initializeCount, 1);

  // A connection the user is still drawing stays.
  MVConnection* drawn = connect(a, "Graphics", b, "Graphics");
  drawn->setIsBeingEdited(true);
  drawn->setToSocket(nullptr);
  ASSERT_EQ(controller.connectionArray().size(), 1u);
  drawn->setIsBeingEdited(false);
  drawn->setToSocket(b->graphicsParameterNamed("Graphics")->inputSocket());

  // Detached otherwise, it goes.
  const int changes = editor.connectionsChangedCount;
  drawn->setToSocket(nullptr);
  EXPECT_TRUE(controller.connectionArray().empty());
  EXPECT_GT(editor.connectionsChangedCount, changes);
  EXPECT_TRUE(controller.isRegenerationPending());

  // A connection started from one end only tells the editor but asks for no regeneration.
  runTimer();
  const int editorChanges = editor.connectionsChangedCount;
  MVConnection* started = controller.addConnectionFromSocket(a->graphicsParameterNamed("Graphics")->outputSocket(), nullptr);
  ASSERT_NE(started, nullptr);
  EXPECT_EQ(editor.connectionsChangedCount, editorChanges + 1);
  EXPECT_FALSE(controller.isRegenerationPending());
  controller.setNodeEditorView(nullptr);
}

TEST_F(ControllerTest, RefusedConnectionIsNotKept)
{
  MVNode* a = add("TestProcessNode");
  MVNode* b = add("TestProcessNode");
  ASSERT_NE(connect(a, "Value", b, "Value"), nullptr);
  // A value input takes one connection.
  EXPECT_EQ(connect(b, "Value", b, "Value"), nullptr);
  EXPECT_EQ(connect(a, "Double", b, "Value"), nullptr);
  EXPECT_EQ(controller.connectionArray().size(), 1u);
  EXPECT_FALSE(a->parameterNamed("Double")->hasConnectedOutput());
}

TEST_F(ControllerTest, AConnectionRemovedByThePushItCarriesIsLeftAlone)
{
  // The push through a connection reaches a node whose linking hides the connection's own
  // input, which removes (and destroys) the connection before the push returns to it; the
  // next consumer of the same output must still be told.
  MVNode* source = add("TestProcessNode");
  MVNode* target = add("TestProcessNode");
  MVNode* other = add("TestProcessNode");
  ASSERT_NE(connect(source, "Value", target, "Linked"), nullptr);
  ASSERT_NE(connect(source, "Value", other, "Value"), nullptr);
  ASSERT_EQ(other->valueParameterNamed("Value")->value(), 0.0);
  target->setUpdateOnParameterChanges(false);
  target->boolParameterNamed("Flag")->setValue(true);  // "Linked" stays shown until the next change
  target->setUpdateOnParameterChanges(true);
  ASSERT_FALSE(target->parameterNamed("Linked")->layoutHidden());

  source->valueParameterNamed("Value")->setValue(5.0);
  EXPECT_TRUE(target->parameterNamed("Linked")->layoutHidden());
  EXPECT_EQ(controller.connectionArray().size(), 1u);
  // The push still reaches the consumer after the removed one.
  EXPECT_EQ(other->valueParameterNamed("Value")->value(), 5.0);
}

}  // namespace
