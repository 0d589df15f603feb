#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Model/ModelTestSupport.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"

class ArtboardNode;
class MVConnection;
class MVElement;
class MVNode;

// A document with the real node classes on a manual run loop: an artboard node, a user-defaults
// store of its own with the registered preferences, and the log captured.
class NodeGraphTest : public ::testing::Test {
protected:
  NodeGraphTest();
  ~NodeGraphTest() override;

  MVNodeController& controller() { return document.nodeController(); }
  ArtboardNode& artboard() { return *artboard_; }
  // A node added as the editor adds one, without auto-connection.
  template <class Node = MVNode>
  Node* add(const std::string& className)
  {
    return dynamic_cast<Node*>(controller().addNodeOfClass(className, {0.0, 0.0}, false));
  }
  // The node's "Graphics" output to the artboard layer at `layerIndex` (0: top layer).
  MVConnection* connectToLayer(MVNode* node, std::size_t layerIndex = 0);
  // Hands the application's random table (seed 123456789, made once per process) to the
  // document, and so to the nodes added afterwards.
  void useRandomTable();
  // Lets the pending regeneration run and answers the output tree.
  std::shared_ptr<const MVElement> regenerate();
  // Runs `action` as one pass of the run loop (one undo step; what was registered outside a
  // pass before is closed as a step of its own).
  template <class Action>
  void step(Action action)
  {
    document.undoManager()->closeEventGroup();
    runLoop.runEvent([&] { action(); });
  }
  void undo()
  {
    runLoop.runEvent([this] { document.undoManager()->undo(); });
  }

  pf::ManualRunLoop runLoop;
  LogCapture log;
  std::shared_ptr<pf::UserDefaults> defaults;
  MVDocument document;

private:
  ArtboardNode* artboard_ = nullptr;  // owned by the controller
};
