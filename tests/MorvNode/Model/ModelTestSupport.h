#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVConnectionDelegate.h"
#include "MorvNode/Model/MVConnectionUndoDelegate.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "MorvNode/Model/MVNodeUndoDelegate.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "Platform/PlistValue.h"
#include "Support/LogCapture.h"

// Shared fakes of the graph model's tests: a quiet log capture, test elements, a recording
// undo delegate, a node box that records its calls, a small graph controller and test node
// classes.

using testsupport::LogCapture;

// Test elements: a leaf named `name`, or a group of that name holding `members`.
std::shared_ptr<const MVElement> makeTestElement(std::string name, std::vector<std::shared_ptr<const MVElement>> members = {});
// The names of a group's members, in order; empty for a leaf or nullptr.
std::vector<std::string> memberNames(const std::shared_ptr<const MVElement>& group);

// The document's undo services, recording what reaches them. The pause counter works as the
// document's does (1 means registering).
class RecordingUndo : public MVNodeUndoDelegate, public MVConnectionUndoDelegate {
public:
  struct Record {
    std::string kind;  // "parameter", "node", "connections"
    pf::PlistValue::Dictionary state;
    std::optional<std::string> actionName;
    MVNode* node = nullptr;
    MVParameter* parameter = nullptr;
  };

  MVParameter* parameterWithPresistentParameterIdentifier(const std::string&) override { return nullptr; }
  void storeParameterUndoState(const pf::PlistValue::Dictionary& state, MVParameter* parameter,
                               const std::optional<std::string>& actionName) override;
  void storeNodeUndoState(const pf::PlistValue::Dictionary& state, MVNode* node,
                          const std::optional<std::string>& actionName) override;
  void storeNodeCreationUndoStateForNode(MVNode*, const std::optional<std::string>&) override {}
  void storeNodeRemovalUndoStateForNode(MVNode*, const std::optional<std::string>&) override {}
  void storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName) override;
  void storeConnectionsUndoState(const pf::PlistValue::Array&, const std::optional<std::string>& actionName) override;
  bool isUndoRegistrationEnabled() const override { return counter_ >= 1; }
  void pauseUndoRegistration() override { --counter_; }
  void resumeUndoRegistration() override { ++counter_; }
  pf::UndoManager* undoManager() override { return nullptr; }

  std::vector<Record> records;
  int pauses() const { return 1 - counter_; }

private:
  int counter_ = 1;
};

// A node box that counts what the model asks of it.
class RecordingNodeView : public MVNodeInterfaceDelegate {
public:
  struct Calls {
    int layouts = 0;
    int removes = 0;
    std::vector<pf::Point> origins;
  };
  explicit RecordingNodeView(Calls* calls, pf::Point origin = {}) : calls_(calls), origin_(origin) {}
  void setNeedsLayout() override { ++calls_->layouts; }
  void remove() override { ++calls_->removes; }
  void menuRename() override {}
  void refreshGraphicsPreviews() override {}
  void initParameterInterface() override {}
  pf::Point frameOrigin() const override { return origin_; }
  void setFrameOrigin(pf::Point origin) override
  {
    origin_ = origin;
    calls_->origins.push_back(origin);
  }
  pf::Size frameSize() const override { return size_; }
  void setFrameSize(pf::Size size) { size_ = size; }

private:
  Calls* calls_;  // owned by the test, outlives the view
  pf::Point origin_;
  pf::Size size_{140.0, 80.0};
};

// A graph controller small enough for tests: it owns nodes and connections, hands out IDs,
// counts node classes, records what the model tells it, and saves and loads the graph as node
// and connection records the way the document does.
class FakeController : public MVNodeDelegate, public MVConnectionDelegate {
public:
  explicit FakeController(RecordingUndo* undo = nullptr) : undo_(undo) {}
  ~FakeController() override;

  // A new node of a registered class with a fresh ID; nullptr for an unknown class.
  MVNode* addNode(std::string_view className);
  // Connects output socket `fromIndex` of `from` to input socket `toIndex` of `to`; nullptr
  // (nothing kept) when the connection is refused.
  MVConnection* connect(MVParameter* from, MVParameter* to, int fromIndex = 0, int toIndex = 0);
  void removeConnection(MVConnection* connection);
  MVNode* nodeWithId(const std::string& nodeId) const;

  pf::PlistValue::Array nodeRecords() const;
  pf::PlistValue::Array connectionRecords() const;
  // Loads records as a document does: nodes, then connections, undo paused throughout.
  void load(const pf::PlistValue::Array& nodeRecords, const pf::PlistValue::Array& connectionRecords);
  MVNode* addNodeWithDescriptionDictionary(const pf::PlistValue::Dictionary& record);
  MVConnection* loadConnectionFromDescription(const pf::PlistValue::Dictionary& record);

  // MVNodeDelegate
  std::string uniqueNodeID() override { return std::to_string(++nodeIDCounter); }
  int nodeTypeCountForClass(std::string_view className) const override;
  long long currentGenerationCycleID() const override { return generationCycleID; }
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override
  {
    changes.emplace_back(parameter, propertyName);
  }
  void scheduleRegenerationForParameter(MVParameter* parameter) override { scheduled.push_back(parameter); }
  void scheduleRegeneration() override { ++regenerationRequests; }
  void dragEditParameterSelected(MVParameter* parameter) override { dragEditSelections.push_back(parameter); }
  void connectionsChanged() override { ++connectionsChangedCount; }
  MVConnection* addConnectionFromSocket(MVParameterSocket* outputSocket, MVParameterSocket* inputSocket) override;
  void updateRandomNodesForNode(MVNode* node) override { randomUpdates.push_back(node); }
  void inputConnectionsReordered(MVParameterSocket* socket) override;
  std::vector<MVNode*> nodesLinkedToNode(MVNode*, bool, bool) override { return {}; }
  void setNodeIndex(const std::string&, MVNode*, long long) override {}
  void endNodeIndexSession(const std::string&, MVNode*) override {}
  pf::Size artboardSize() const override { return {200.0, 200.0}; }
  pf::Rect artboardClippingRect() const override { return clippingRect; }
  void setArtboardClippingRect(const pf::Rect& rect) override { clippingRect = rect; }
  std::shared_ptr<const MVElement> outputElement() const override { return nullptr; }
  MVElementDelegate* elementDelegate() override { return nullptr; }
  MVNodeIndexManager* nodeIndexManager() override { return nullptr; }
  MVSharedGraphicsElementsManager* sharedGraphicsManager() override { return nullptr; }
  ODAnimationManager* animationManager() const override { return nullptr; }
  void debugTimeStamp(const std::string&) override {}
  // MVConnectionDelegate
  void connectionChanged(MVConnection* connection) override;

  long nodeIDCounter = 0;
  long long generationCycleID = 1;
  std::vector<std::unique_ptr<MVNode>> nodes;
  std::vector<std::unique_ptr<MVConnection>> connections;  // destroyed before the nodes
  std::vector<std::pair<MVParameter*, std::string>> changes;
  std::vector<MVParameter*> scheduled;
  std::vector<MVParameter*> dragEditSelections;
  std::vector<MVNode*> randomUpdates;
  int connectionsChangedCount = 0;
  int regenerationRequests = 0;
  pf::Rect clippingRect{0.0, 0.0, 200.0, 200.0};

private:
  void updateNodeTypeCount();
  RecordingUndo* undo_;  // not owned; may be nullptr
};

// Test parameter: an element parameter whose pull passes its input through its graphics
// source (its node), cached per cycle.
class TestGraphicsParameter : public MVParameterGraphics {
public:
  static std::unique_ptr<TestGraphicsParameter> parameterWithName(const std::string& name);
  std::shared_ptr<const MVElement> element() override;
  int pulls = 0;  // recomputations

private:
  std::shared_ptr<const MVElement> cache_;
};

// A node with outputs only: "Value", "Color" and "Graphics" (an element named
// "<node ID> element", none while `producesNothing` is set).
class TestSourceNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;
  bool canDisable() const override { return false; }
  bool producesNothing = false;
};

// A node with inputs and outputs: "Value" (plain), "Double" (its node doubles the input),
// "Color", "Graphics" (element input taking several connections, passed through), "Flag"
// (bool), "Option" (enable toggle), the seed rows, and "Linked" (hidden by the linking while
// "Flag" is on). It can be renamed.
class TestProcessNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override;
  void updateLinkedParameters() override;
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;
  bool canRename() const override { return true; }
};

// Registers the test node classes (again harmlessly).
void registerTestNodeClasses();
