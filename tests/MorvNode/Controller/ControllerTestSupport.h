#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Controller/MVNodeControllerOutputDelegate.h"
#include "MorvNode/Controller/MVWarningsCollector.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeClass.h"
#include "MorvNode/Model/ModelTestSupport.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UndoManager.h"

class MVParameterColor;
class MVParameterGraphicsLayer;
class MVParameterValue;
class MVParameterValue2D;

// Fakes of the graph controller's tests: a recording document, editor, preview and warnings
// list, and test node classes that build real elements.

// The document as the controller sees it, recording what reaches it. The pause counter works
// as the document's (1 means registering); the undo manager is real.
class RecordingDocument : public NodeControllerDocumentProtocol {
public:
  struct Record {
    std::string kind;  // "parameter", "node", "creation", "removal", "connections"
    std::optional<std::string> actionName;
    MVNode* node = nullptr;
  };

  MVParameter* parameterWithPresistentParameterIdentifier(const std::string&) override { return nullptr; }
  void storeParameterUndoState(const pf::PlistValue::Dictionary&, MVParameter*,
                               const std::optional<std::string>& actionName) override;
  void storeNodeUndoState(const pf::PlistValue::Dictionary&, MVNode* node,
                          const std::optional<std::string>& actionName) override;
  void storeNodeCreationUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) override;
  void storeNodeRemovalUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) override;
  void storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName) override;
  void storeConnectionsUndoState(const pf::PlistValue::Array&, const std::optional<std::string>& actionName) override;
  bool isUndoRegistrationEnabled() const override { return counter_ >= 1; }
  void pauseUndoRegistration() override { --counter_; }
  void resumeUndoRegistration() override { ++counter_; }
  pf::UndoManager* undoManager() override { return &undo; }
  void showHelpForNodeType(const std::string& nodeClassName) override { helpRequests.push_back(nodeClassName); }
  std::string fileVersion() const override { return "3.0.0"; }
  void openAnimationPanel() override {}
  void animationTogglePlay() override {}

  // Records of that kind.
  int count(const std::string& kind) const;
  // Open pauses; 0 when balanced.
  int pauses() const { return 1 - counter_; }

  std::vector<Record> records;
  std::vector<std::string> helpRequests;
  pf::UndoManager undo;

private:
  void record(Record entry);
  int counter_ = 1;
};

class RecordingEditor : public MVNodeControllerEditorDelegate {
public:
  void nodesChanged() override { ++nodesChangedCount; }
  void connectionsChanged() override { ++connectionsChangedCount; }
  void moveNodeToTop(MVNode*) override {}
  void arrangeNodeViews() override {}
  void copy() override {}
  void paste() override {}
  void resizeView() override {}
  void initialize() override { ++initializeCount; }
  void setSpaceHeldFlag(bool) override {}
  void scrollToNode(MVNode* node) override { scrolledTo.push_back(node); }
  MVConnection* currentlyEditedConnection() const override { return editedConnection; }
  void hideHoverControls() override { ++hoverHidden; }
  void restoreKeyboardFocus(MVNode*) override { ++focusRestores; }
  pf::Rect frame() const override { return frameRect; }

  std::vector<MVNode*> scrolledTo;
  int hoverHidden = 0;
  int focusRestores = 0;
  int nodesChangedCount = 0;
  int connectionsChangedCount = 0;
  int initializeCount = 0;
  MVConnection* editedConnection = nullptr;  // not owned
  pf::Rect frameRect{0.0, 0.0, 800.0, 600.0};
};

class RecordingPreview : public MVNodeControllerOutputDelegate {
public:
  void updatePattern() override { ++updatePatternCount; }
  void updateSelection() override {}
  void setSpaceHeldFlag(bool) override {}
  void setStatusMessage(const std::optional<std::string>& message) override { statusMessages.push_back(message); }
  void setDragEditInfoText(const std::string&) override {}

  int updatePatternCount = 0;
  std::vector<std::optional<std::string>> statusMessages;
};

class RecordingWarnings : public MVWarningsCollector {
public:
  void resetWarnings() override
  {
    entries.clear();
    ++resets;
  }
  void addWarningMessage(const std::string& message, MVNode* sender) override { entries.emplace_back(message, sender); }
  void updateWarningsInterface() override { ++updates; }
  void removeWarningsFromSender(const MVNode* sender) override
  {
    std::erase_if(entries, [sender](const auto& entry) { return entry.second == sender; });
  }
  void openWarningsPanel() override { panelOpen = true; }
  void toggleWarningsPanel() override { panelOpen = !panelOpen; }
  bool panelOpen = false;

  std::vector<std::pair<std::string, MVNode*>> entries;
  int resets = 0;
  int updates = 0;
};

// "ArtboardNode": one element layer "OutputLayer1" (taking several connections), "Size",
// "Background Color" and "Background Opacity". Its output is a group "Artboard layers" holding a
// group named after the layer with the layer's input, as the real artboard builds it.
class TestArtboardNode : public MVNode, public MVArtboardSource {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  void artboardSizeChanged() override { ++artboardSizeChanges; }
  bool canDelete() const override { return false; }

  std::shared_ptr<const MVElement> layersOutputElement() override;
  MVParameterValue2D* sizeParameter() const override { return size_; }
  MVParameterColor* backgroundColorParameter() const override { return background_; }
  MVParameterValue* backgroundOpacityParameter() const override { return opacity_; }
  std::vector<MVParameterGraphicsLayer*> layersArray() const override { return {layer_}; }

  int pulls = 0;
  int artboardSizeChanges = 0;
  // Runs inside each pull (to act while a generation is running).
  std::function<void()> duringPull;

private:
  MVParameterGraphicsLayer* layer_ = nullptr;  // owned by the node's parameters
  MVParameterValue2D* size_ = nullptr;        // owned by the node's parameters
  MVParameterColor* background_ = nullptr;    // owned by the node's parameters
  MVParameterValue* opacity_ = nullptr;       // owned by the node's parameters
};

// "TestElementNode": an element node whose "Graphics" output is a new element named after the
// node (its input, when connected, comes first in a group with it), with an element input.
class TestElementNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  bool isElementNode() const override { return true; }
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;
  void checkWarnings() override;
  int builds = 0;
  std::vector<std::string> warnings;  // raised by checkWarnings
};

// "TestRandomNode": a value node with a random output; counts its redraws.
class TestRandomNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  void updateOutputParameters() override { ++redraws; }
  int redraws = 0;
};

// "TestRandomGraphicsNode": an element source with a random graphics output.
class TestRandomGraphicsNode : public TestElementNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  void updateOutputParameters() override { ++redraws; }
  int redraws = 0;
};

// "TestIndexUserNode": a value node with a node-index parameter "IndexParameter" (manager: the
// controller) and a "Value" output; records the keys it is told about.
class TestIndexUserNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  void nodeIndexUpdated(const std::string& key) override;
  std::vector<std::string> notifiedKeys;
};

// "TestRepeaterNode": a repeater that publishes "Index" 0 ... repetitions - 1 while it pulls
// its element input, then ends the session.
class TestRepeaterNode : public TestElementNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  bool isRepeaterNode() const override { return true; }
  void resetNodeIndexes() override;
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;
  int repetitions = 3;
};

// Registers the test node classes of both the model and the controller tests.
void registerControllerTestClasses();

// A controller wired to a recording document, preview and warnings list, on a manual run loop,
// with the test node classes registered (a test "ArtboardNode" until the real one exists; any
// earlier registration under that name is restored afterwards) and the preference defaults in a
// store of its own.
class ControllerTest : public ::testing::Test {
protected:
  ControllerTest();
  ~ControllerTest() override;

  // A node added as the editor adds one, at (0, 0), without auto-connection.
  template <class Node = MVNode>
  Node* add(const std::string& className)
  {
    return dynamic_cast<Node*>(controller.addNodeOfClass(className, {0.0, 0.0}, false));
  }
  TestArtboardNode* artboard() { return dynamic_cast<TestArtboardNode*>(controller.artboardNode()); }
  // Output socket `fromIndex` of the named parameter of `from` to input socket `toIndex`.
  MVConnection* connect(MVNode* from, const std::string& fromName, MVNode* to, const std::string& toName,
                        std::size_t fromIndex = 0, std::size_t toIndex = 0);
  // Runs the pending regeneration (the timer's 0.005 s); answers the number of timer fires.
  int runTimer() { return runLoop.advance(MVNodeController::kRegenerationDelay); }

  pf::ManualRunLoop runLoop;
  LogCapture log;
  RecordingDocument document;
  RecordingPreview preview;
  RecordingWarnings warnings;
  MVNodeController controller;

private:
  std::optional<MVNodeClass> previousArtboardClass_;
};
