#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/ControllerTestSupport.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeClass.h"
#include "MorvNode/Model/ModelTestSupport.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PlistValue.h"
#include "Platform/UserDefaults.h"

// A fixture for tests that edit a real document's graph through its controller, and an
// element node without inputs. The artboard is the controller tests' TestArtboardNode.

// An element node: a "Size" value and an element output "Graphics" (a test element).
class EditTestShapeNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  bool isElementNode() const override { return true; }
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;
};

// Registers a node class for the object's lifetime and puts back what was registered under
// that name before (or nothing).
class ScopedNodeClass {
public:
  explicit ScopedNodeClass(const MVNodeClass& nodeClass);
  ~ScopedNodeClass();
  ScopedNodeClass(const ScopedNodeClass&) = delete;
  ScopedNodeClass& operator=(const ScopedNodeClass&) = delete;

private:
  std::string className_;
  std::optional<MVNodeClass> previous_;
};

// A document on a manual run loop with a user-defaults store of its own (the registered
// preferences, snapping off), the test node classes registered (a test "ArtboardNode" in place
// of any other while alive) and the log captured.
class DocumentFixture : public ::testing::Test {
protected:
  DocumentFixture();
  ~DocumentFixture() override;

  // Runs `action` as one pass of the run loop: everything it registers is one undo step.
  template <class Action>
  auto step(Action action)
  {
    using Result = decltype(action());
    if constexpr (std::is_void_v<Result>) {
      runLoop.runEvent([&] { action(); });
    } else {
      Result result{};
      runLoop.runEvent([&] { result = action(); });
      return result;
    }
  }
  void undo() { runLoop.runEvent([this] { document.undoManager()->undo(); }); }
  void redo() { runLoop.runEvent([this] { document.undoManager()->redo(); }); }

  // What the document saves of the graph: the node records in array order and the connection
  // records.
  pf::PlistValue graphRecord() const;
  // Node IDs in array order.
  std::vector<std::string> nodeIds() const;
  // "<from node ID>.<parameter> -> <to node ID>.<parameter>" per connection, in array order.
  std::vector<std::string> connectionList() const;
  MVNode* add(const std::string& className, pf::Point location = {}, bool autoConnect = false);
  MVConnection* connect(MVNode* from, const std::string& output, MVNode* to, const std::string& input);

  pf::ManualRunLoop runLoop;
  std::shared_ptr<pf::UserDefaults> defaults;
  LogCapture log;
  ScopedNodeClass artboardClass{TestArtboardNode::nodeClassInfo()};
  ScopedNodeClass shapeClass{EditTestShapeNode::nodeClassInfo()};
  MVDocument document;
  MVNodeController& controller = document.nodeController();
};
