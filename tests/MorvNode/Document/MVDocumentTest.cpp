#include "MorvNode/Document/MVDocument.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Document/DocumentTestSupport.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterValue.h"

namespace {

using MVDocumentTest = DocumentFixture;

TEST_F(MVDocumentTest, PauseAndResumeNestWithABalancedCounter)
{
  pf::UndoManager& undoManager = *document.undoManager();
  const struct {
    const char* call;
    int state;
    bool enabled;
  } sequence[] = {
      {"pause", 0, false}, {"pause", -1, false}, {"resume", 0, false}, {"resume", 1, true},
      {"resume", 1, true},  // one too many: logged and set back to 1
      {"pause", 0, false}, {"resume", 1, true},
  };
  for (const auto& each : sequence) {
    SCOPED_TRACE(testing::Message() << each.call << " to " << each.state);
    if (std::string(each.call) == "pause") {
      document.pauseUndoRegistration();
    } else {
      document.resumeUndoRegistration();
    }
    EXPECT_EQ(document.undoRegistrationState(), each.state);
    EXPECT_EQ(document.isUndoRegistrationEnabled(), each.enabled);
    EXPECT_EQ(undoManager.isUndoRegistrationEnabled(), each.enabled);
  }
  EXPECT_EQ(log.count("Warning, resumeUndoRegistration called too many times, state 2 > 1"), 1);
}

TEST_F(MVDocumentTest, ParameterIdentifiers)
{
  MVNode* node = add("TestProcessNode");
  const std::string id = node->nodeId();
  EXPECT_EQ(document.parameterWithPresistentParameterIdentifier(id + " : Value"), node->parameterNamed("Value"));
  EXPECT_EQ(document.parameterWithPresistentParameterIdentifier(id + " : Missing"), nullptr);
  EXPECT_EQ(document.parameterWithPresistentParameterIdentifier("99 : Value"), nullptr);
  EXPECT_EQ(log.countContaining("does not seem to be correctly formatted"), 0);
  for (const std::string& bad : {id + " : Value : X", id + ":Value", std::string()}) {
    SCOPED_TRACE(bad);
    log.clear();
    EXPECT_EQ(document.parameterWithPresistentParameterIdentifier(bad), nullptr);
    EXPECT_EQ(log.count("Warning, parameterWithPresistentParameterIdentifier presistentIdentifier '" + bad +
                        "' does not seem to be correctly formatted"),
              1);
  }
  EXPECT_EQ(MVDocument::persistentIdentifier(), "Document");
}

TEST_F(MVDocumentTest, ParameterChangesUndoByIdentifierEvenAfterTheNodeCameBack)
{
  MVNode* node = add("TestProcessNode");
  const std::string id = node->nodeId();
  auto* value = dynamic_cast<MVParameterValue*>(node->parameterNamed("Value"));
  step([&] { value->setValue(4.0); });
  EXPECT_EQ(document.undoManager()->undoActionName(), "process value change");
  step([&] { controller.removeNode(node); });
  undo();  // the node comes back as a new object with the same ID
  MVNode* back = controller.nodeWithId(id);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->doubleValueForParameterNamed("Value"), 4.0);
  undo();
  EXPECT_EQ(back->doubleValueForParameterNamed("Value"), 0.0);
  redo();
  EXPECT_EQ(back->doubleValueForParameterNamed("Value"), 4.0);
}

TEST_F(MVDocumentTest, ChangesWhileLoadingRegisterNothing)
{
  MVNode* node = add("TestProcessNode");
  auto* value = dynamic_cast<MVParameterValue*>(node->parameterNamed("Value"));
  const std::string name = document.undoManager()->undoActionName();
  document.pauseUndoRegistration();
  step([&] {
    value->setValue(9.0);
    node->setEnabled(false);
    document.storeCurrentConnectionsUndoState("adding connection");
  });
  document.resumeUndoRegistration();
  EXPECT_EQ(document.undoManager()->undoActionName(), name);
  undo();
  EXPECT_TRUE(controller.nodeArray().empty());
}

TEST_F(MVDocumentTest, NodePropertiesUndoThroughTheNodeID)
{
  MVNode* node = add("TestProcessNode");
  step([&] { node->setEnabled(false); });
  undo();
  EXPECT_TRUE(node->enabled());
  redo();
  EXPECT_FALSE(node->enabled());
}

TEST_F(MVDocumentTest, UndoingADeletionPutsTheNodeBackInPlace)
{
  std::vector<MVNode*> nodes;
  for (int index = 0; index < 5; ++index) {
    nodes.push_back(add("TestProcessNode"));
  }
  const std::vector<std::string> ids = nodeIds();
  step([&] { controller.removeNode(nodes[2]); });
  undo();
  EXPECT_EQ(nodeIds(), ids);

  // Meanwhile the array shrank below that index: the node comes back last.
  step([&] { controller.removeNode(controller.nodeWithId(ids[3])); });
  document.pauseUndoRegistration();
  step([&] {
    controller.removeNode(controller.nodeWithId(ids[0]));
    controller.removeNode(controller.nodeWithId(ids[1]));
    controller.removeNode(controller.nodeWithId(ids[2]));
  });
  document.resumeUndoRegistration();
  undo();
  EXPECT_EQ(nodeIds(), (std::vector<std::string>{ids[4], ids[3]}));
}

TEST_F(MVDocumentTest, UndoAndRedoOfACreationKeepTheIDAndTheName)
{
  MVNode* node = add("TestProcessNode");
  const std::string id = node->nodeId();
  undo();
  EXPECT_TRUE(controller.nodeArray().empty());
  EXPECT_EQ(document.undoManager()->redoActionName(), "adding Process node");
  redo();
  ASSERT_EQ(nodeIds(), std::vector<std::string>{id});
  EXPECT_EQ(document.undoManager()->undoActionName(), "adding Process node");

  // A creation record whose node has gone meanwhile only logs.
  document.pauseUndoRegistration();
  step([&] { controller.removeNode(controller.nodeWithId(id)); });
  document.resumeUndoRegistration();
  undo();
  EXPECT_EQ(log.count("Warning revertNodeCreationUndoState: could not find node for nodeID " + id), 1);
}

TEST_F(MVDocumentTest, ARemovalRecordThatCannotBeRecreatedIsLogged)
{
  MVNode* node = add("TestProcessNode");
  step([&] { document.storeNodeRemovalUndoStateForNode(node, "deleting"); });
  {
    // The class is gone when the record comes back.
    ScopedNodeClass replaced(TestProcessNode::nodeClassInfo());
    MVClassRegistry::shared().unregisterNodeClass("TestProcessNode");
    undo();
  }
  EXPECT_EQ(log.count("Warning revertNodeDeletionUndoState: could not recreate node based on nodeDescription"), 1);
}

}  // namespace
