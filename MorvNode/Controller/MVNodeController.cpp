#include "MorvNode/Controller/MVNodeController.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <exception>
#include <unordered_map>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVControllerAnimationDelegate.h"
#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Controller/MVNodeControllerOutputDelegate.h"
#include "MorvNode/Controller/MVNodeControllerReferenceDelegate.h"
#include "MorvNode/Controller/MVStatisticsTexts.h"
#include "MorvNode/Controller/MVWarningsCollector.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Model/InterfaceIconProvider.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/RunLoop.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr const char* kArtboardClassName = "ArtboardNode";
constexpr const char* kIndexParameterName = "IndexParameter";
constexpr const char* kConnectionsLoadingWarning =
    "Warning, some node connections could not be loaded since the corresponding nodes or sockets have been changed "
    "and no automatic conversion was possible. The file may therefore produce a different result.";

// Pauses the document's undo registration for its lifetime (balanced counter).
class PausedUndoRegistration {
public:
  explicit PausedUndoRegistration(NodeControllerDocumentProtocol* document) : document_(document)
  {
    if (document_ != nullptr) {
      document_->pauseUndoRegistration();
    }
  }
  PausedUndoRegistration(const PausedUndoRegistration&) = delete;
  PausedUndoRegistration& operator=(const PausedUndoRegistration&) = delete;
  ~PausedUndoRegistration()
  {
    if (document_ != nullptr) {
      document_->resumeUndoRegistration();
    }
  }

private:
  NodeControllerDocumentProtocol* document_;  // owns the controller, outlives this guard
};

// A node ID as records hold it: text, or (leniently) an integer number; nullopt otherwise.
std::optional<std::string> nodeIdText(const pf::PlistValue* value)
{
  if (value == nullptr) {
    return std::nullopt;
  }
  if (const std::string* text = value->asString()) {
    return *text;
  }
  if (value->isInteger()) {
    return pf::format("%lld", static_cast<long long>(*value->asInteger()));
  }
  return std::nullopt;
}

// The counter value a node ID stands for: a plain non-negative decimal "%ld"; nullopt for any
// other text (and for numbers past the counter's range).
std::optional<long> counterValueOfNodeId(const std::string& nodeId)
{
  long value = 0;
  const char* end = nodeId.data() + nodeId.size();
  const auto [stop, error] = std::from_chars(nodeId.data(), end, value);
  if (nodeId.empty() || nodeId.front() == '-' || error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return value;
}

// The node ID part of a node-index key ("<node ID> * <name>"); nullopt without " *".
std::optional<std::string_view> nodeIdOfIndexKey(std::string_view key)
{
  const std::size_t separator = key.find(" *");
  if (separator == std::string_view::npos) {
    return std::nullopt;
  }
  return key.substr(0, separator);
}

std::string nodeIndexKey(const std::string& nodeId, const std::string& indexName)
{
  return pf::format("%@ * %@", nodeId, indexName);
}

// The grid of new node positions: 10, 30, 50, ... and -10, -30, ... (halves away from zero).
double snappedCoordinate(double coordinate)
{
  return std::round((coordinate - 10.0) / 20.0) * 20.0 + 10.0;
}

bool isUndoingOrRedoing(const pf::UndoManager* undoManager)
{
  return undoManager != nullptr && (undoManager->isUndoing() || undoManager->isRedoing());
}

}  // namespace

class MVNodeController::LoadingScope {
public:
  explicit LoadingScope(MVNodeController& controller) : controller_(controller), previous_(controller.isLoadingFile_)
  {
    controller_.isLoadingFile_ = true;
  }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;
  ~LoadingScope() { controller_.isLoadingFile_ = previous_; }
  bool wasLoading() const { return previous_; }

private:
  MVNodeController& controller_;
  bool previous_;
};

// ---- Set-up ----

MVNodeController::MVNodeController() : sharedGraphicsStore_(std::make_shared<MVSharedGraphicsStore>())
{
  updateStartTime_ = now();
}

MVNodeController::~MVNodeController()
{
  regenerationTimer_.invalidate();
  connectionArray_.clear();
  nodeArray_.clear();
}

void MVNodeController::setNodeEditorView(MVNodeControllerEditorDelegate* view)
{
  const bool isNew = view != nullptr && view != nodeEditorView_;
  nodeEditorView_ = view;
  if (isNew) {
    nodeEditorView_->initialize();
    updateDragEditInterface();
  }
}

double MVNodeController::now() const
{
  if (const pf::RunLoop* runLoop = pf::RunLoop::current()) {
    return runLoop->now();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---- Node IDs and element IDs ----

std::string MVNodeController::uniqueNodeID()
{
  ++nodeIDCounter_;
  return pf::format("%ld", nodeIDCounter_);
}

long long MVNodeController::uniqueElementID()
{
  return ++elementIDCounter_;
}

// ---- Node array ----

MVNode* MVNodeController::addNodeWithDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  const pf::PlistValue* storedClass = record.find("Node class");
  const std::string className = storedClass != nullptr ? storedClass->stringOr() : std::string();
  MVNode* added = nullptr;
  try {
    std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode(className);
    if (node == nullptr) {
      FeedbackManager::log("Error, createNodeWithDescriptionDictionary could not create node of class %@", className);
      if (isLoadingFile_) {
        std::string warning =
            pf::format("The file contained an unknown node type '%@' that could not be loaded.", className);
        if (std::find(fileLoadingWarnings_.begin(), fileLoadingWarnings_.end(), warning) == fileLoadingWarnings_.end()) {
          fileLoadingWarnings_.push_back(std::move(warning));
        }
      }
      return nullptr;
    }
    node->setNodeController(this);
    node->setUndoDelegate(document_);
    node->setRandomSource(randomSource_);

    std::optional<std::string> nodeId = nodeIdText(record.find("Node id"));
    if (!nodeId) {
      FeedbackManager::log("Warning, createNodeWithDescriptionDictionary no 'Node id' key in dictionary, generating new "
                           "one (so connections won't be restored)");
      nodeId = uniqueNodeID();
    } else if (const std::optional<long> number = counterValueOfNodeId(*nodeId)) {
      // A file whose counter is missing or stale must not make new nodes reuse a loaded ID:
      // connections and undo records find nodes by ID.
      nodeIDCounter_ = std::max(nodeIDCounter_, *number);
    }
    {
      // The initial layout of a node being created is no step of its own to undo.
      PausedUndoRegistration paused(document_);
      node->initWithNodeID(*nodeId);
    }

    std::size_t position = nodeArray_.size();
    if (record.contains("NodeArrayIndex")) {
      const long long index = DictionaryValueExtras::longValueForKey(record, "NodeArrayIndex");
      const auto count = static_cast<long long>(nodeArray_.size());
      if (index >= 0 && index <= count) {
        position = static_cast<std::size_t>(index);
      } else {
        FeedbackManager::log("Warning, addNodeWithDescriptionDictionary specified NodeArrayIndex %ld, which is not valid "
                             "in node array with %ld nodes. Adding node last instead.",
                             index, count);
      }
    }
    added = node.get();
    nodeArray_.insert(nodeArray_.begin() + static_cast<std::ptrdiff_t>(position), std::move(node));
    added->loadNodeDictionary(record);
    return added;
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception createNodeWithDescriptionDictionary, trying to create %@ node. Exception: %@",
                         className, exception.what());
    return added;
  }
}

void MVNodeController::loadNodesFromArray(const pf::PlistValue::Array& records)
{
  {
    LoadingScope loading(*this);
    for (const pf::PlistValue& record : records) {
      const pf::PlistValue::Dictionary* dictionary = record.asDictionary();
      MVNode* node = dictionary != nullptr ? addNodeWithDescriptionDictionary(*dictionary) : nullptr;
      if (node == nullptr) {
        FeedbackManager::log("Error, loadNodesFromArray failed to load node from description: %@", record.description());
        continue;
      }
      const std::vector<std::string>& warnings = node->loadingWarningMessages();
      fileLoadingWarnings_.insert(fileLoadingWarnings_.end(), warnings.begin(), warnings.end());
    }

    // Node-index parameters whose saved key was not published when they loaded take it now, or
    // the key that the nearest downstream publisher offers.
    for (std::size_t index = 0; index < nodeArray_.size(); ++index) {
      MVNode* node = nodeArray_[index].get();
      MVParameterNodeIndex* parameter =
          node->hasNodeIndexParameter() ? node->elementIndexParameterNamed(kIndexParameterName) : nullptr;
      if (parameter == nullptr || !parameter->needsNewIndexFlag()) {
        continue;
      }
      parameter->updateElementIndexes();
      const std::vector<std::string>& names = parameter->indexNames();
      std::optional<std::string> name = parameter->loadedIndexName();
      if (std::find(names.begin(), names.end(), *name) == names.end()) {
        name = getFirstNodeIndexConnectedToNode(node);
      }
      const auto found = name ? std::find(names.begin(), names.end(), *name) : names.end();
      if (found != names.end()) {
        parameter->setIndex(found - names.begin());
        parameter->setNeedsNewIndexFlag(false);
      }
    }

    // Exactly one artboard.
    const auto artboardCount = std::count_if(nodeArray_.begin(), nodeArray_.end(), [](const auto& node) {
      return dynamic_cast<const MVArtboardSource*>(node.get()) != nullptr;
    });
    if (artboardCount > 1) {
      FeedbackManager::log("Too many artboard nodes! Removing all but the first");
      bool keptFirst = false;
      std::size_t index = 0;
      while (index < nodeArray_.size()) {
        MVNode* node = nodeArray_[index].get();
        if (dynamic_cast<MVArtboardSource*>(node) == nullptr) {
          ++index;
        } else if (!keptFirst) {
          keptFirst = true;
          ++index;
        } else {
          removeNode(node);  // the walk goes on at the same position
        }
      }
    } else if (artboardCount == 0) {
      FeedbackManager::log("No Artboard node, adding one!");
      const double x = nodeEditorView_ != nullptr ? nodeEditorView_->frame().size.width - 160.0 : -160.0;
      addNodeOfClass(kArtboardClassName, pf::Point(x, 300.0), true);
    }
  }
  updateNodeTypeCount();
}

void MVNodeController::nodeArrayChanged()
{
  updateNodeTypeCount();
  // TODO(Animation manager): when the manager has animators, tell it updateTimelineAnimators.
  updateDynamicValueNodesArray();
  if (nodeEditorView_ != nullptr) {
    nodeEditorView_->nodesChanged();
  }
  scheduleRegeneration();
}

void MVNodeController::updateNodeTypeCount()
{
  nodeTypeCount_.clear();
  for (const auto& node : nodeArray_) {
    int& count = nodeTypeCount_[node->className()];
    ++count;
    node->setDynamicNodeDisplayIndex(count);
  }
}

int MVNodeController::nodeTypeCountForClass(std::string_view className) const
{
  const auto found = nodeTypeCount_.find(className);
  return found != nodeTypeCount_.end() ? found->second : 0;
}

void MVNodeController::updateDynamicValueNodesArray()
{
  dynamicValueNodeArray_.clear();
  for (const auto& node : nodeArray_) {
    node->setMightHaveDynamicInput(false);
  }
  for (const auto& node : nodeArray_) {
    if (!node->hasRandomValueOutput() && !node->hasRandomGraphicsOutput() && !node->hasNodeIndexParameter()) {
      continue;
    }
    if (MVParameterNodeIndex* parameter = node->elementIndexParameterNamed(kIndexParameterName)) {
      parameter->updateElementIndexes();
    }
    dynamicValueNodeArray_.push_back(node.get());
    if (node->hasConnectedOutput()) {
      markDynamicInputForNodesConnectedTo(node.get());
    }
  }
}

void MVNodeController::markDynamicInputForNodesConnectedTo(MVNode* node)
{
  if (node == nullptr) {
    return;
  }
  node->setMightHaveDynamicInput(true);
  for (MVNode* downstream : nodesLinkedToNode(node, false, true)) {
    downstream->setMightHaveDynamicInput(true);
  }
}

MVNode* MVNodeController::nodeWithId(const std::string& nodeId) const
{
  MVNode* match = nullptr;
  for (const auto& node : nodeArray_) {
    if (node->nodeId() == nodeId) {
      match = node.get();
    }
  }
  return match;
}

MVNode* MVNodeController::artboardNode()
{
  if (artboardNode_ == nullptr) {
    for (const auto& node : nodeArray_) {
      if (node->className() == kArtboardClassName) {
        artboardNode_ = node.get();
      }
    }
  }
  return artboardNode_;
}

MVArtboardSource* MVNodeController::artboard()
{
  return dynamic_cast<MVArtboardSource*>(artboardNode());
}

std::vector<MVNode*> MVNodeController::nodesLinkedToNode(MVNode* node, bool before, bool after)
{
  for (const auto& each : nodeArray_) {
    each->setRecursiveCheckedFlag(false);
  }
  std::vector<MVNode*> linked;
  if (node == nullptr) {
    return linked;
  }
  // The neighbours each node meets when it scans the connections in array order: sources
  // (before) through connections that enter it, consumers (after) through those that leave it.
  std::unordered_map<const MVNode*, std::vector<MVNode*>> neighbours;
  for (const auto& connection : connectionArray_) {
    MVNode* from = connection->fromNode();
    MVNode* to = connection->toNode();
    if (from == nullptr || to == nullptr || from == to) {
      continue;
    }
    if (before) {
      neighbours[to].push_back(from);
    }
    if (after) {
      neighbours[from].push_back(to);
    }
  }
  // Depth-first pre-order without recursion, so long chains cannot exhaust the stack; the
  // checked flag stops cycles.
  struct Visit {
    const std::vector<MVNode*>* candidates;
    std::size_t next;
  };
  std::vector<Visit> stack;
  const auto visit = [&](MVNode* visited) {
    visited->setRecursiveCheckedFlag(true);
    linked.push_back(visited);
    const auto found = neighbours.find(visited);
    if (found != neighbours.end()) {
      stack.push_back({&found->second, 0});
    }
  };
  visit(node);
  while (!stack.empty()) {
    Visit& top = stack.back();
    if (top.next >= top.candidates->size()) {
      stack.pop_back();
      continue;
    }
    MVNode* candidate = (*top.candidates)[top.next++];
    if (!candidate->recursiveCheckedFlag()) {
      visit(candidate);
    }
  }
  if (!(before && after)) {
    linked.erase(linked.begin());
  }
  return linked;
}

void MVNodeController::showHelpForNodeType(const std::string& nodeClassName)
{
  if (document_ != nullptr) {
    document_->showHelpForNodeType(nodeClassName);
  }
}

std::shared_ptr<const pf::Image> MVNodeController::nodeIconForNodeClass(const std::string& nodeClassName) const
{
  if (nodeClassName.empty()) {
    return nullptr;
  }
  const MVNodeClass* nodeClass = MVClassRegistry::shared().nodeClass(nodeClassName);
  if (nodeClass == nullptr) {
    FeedbackManager::log("Warning, nodeIconForNodeClass for class '%@', no such class loaded", nodeClassName);
    return nullptr;
  }
  InterfaceIconProvider* provider = InterfaceIconProvider::installed();
  if (nodeClass->iconName.empty() || provider == nullptr) {
    return nullptr;
  }
  return provider->interfaceIconImageNamed(nodeClass->iconName);
}

void MVNodeController::releaseResources()
{
  isLoadingFile_ = true;
  NodeControllerDocumentProtocol* document = document_;
  if (document != nullptr) {
    document->pauseUndoRegistration();
  }
  // Trees are shared with rendering threads that may still draw a copy: only our reference goes.
  outputElement_.reset();
  removeAllNodes();
  nodeArray_.clear();
  dynamicValueNodeArray_.clear();
  sharedGraphicsStore_->removeAllObjects();
  randomSource_ = nullptr;
  if (document != nullptr) {
    document->resumeUndoRegistration();
  }
  document_ = nullptr;
  isLoadingFile_ = false;
  regenerationTimer_.invalidate();
}

std::optional<std::size_t> MVNodeController::indexOfNode(const MVNode* node) const
{
  const auto found =
      std::find_if(nodeArray_.begin(), nodeArray_.end(), [node](const auto& owned) { return owned.get() == node; });
  if (found == nodeArray_.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(found - nodeArray_.begin());
}

void MVNodeController::parameterRemoved(const MVParameter* parameter)
{
  std::erase(unconnectedParametersRegenerationArray_, parameter);
  queuedParameters_.erase(parameter);
}

void MVNodeController::forgetNode(const MVNode* node)
{
  const auto isNode = [node](const MVNode* each) { return each == node; };
  std::erase_if(selectedNodesArray_, isNode);
  std::erase_if(dynamicValueNodeArray_, isNode);
  const auto isNodeParameter = [node](const MVParameter* parameter) { return parameter->node() == node; };
  std::erase_if(unconnectedParametersRegenerationArray_, isNodeParameter);
  std::erase_if(queuedParameters_, isNodeParameter);
  if (artboardNode_ == node) {
    artboardNode_ = nullptr;
  }
  if (warningsManager_ != nullptr) {
    warningsManager_->removeWarningsFromSender(node);
  }
}

// ---- Editing operations the node array needs ----

MVNode* MVNodeController::addNodeOfClass(const std::string& nodeClass, pf::Point location, bool autoConnect)
{
  location = pf::Point(std::round(location.x), std::round(location.y));
  if (pf::UserDefaults::standard().boolForKey("Snap nodes to grid")) {
    location = pf::Point(snappedCoordinate(location.x), snappedCoordinate(location.y));
  }
  std::optional<pf::PlistValue::Array> connectionsSnapshot;
  if (autoConnect && !isLoadingFile_ && !isReplacingNode_) {
    connectionsSnapshot = connectionDescriptionsArray();
  }
  std::unique_ptr<MVNode> created = MVClassRegistry::shared().createNode(nodeClass);
  if (created == nullptr) {
    FeedbackManager::log("Error, addNodeOfClass could not create node. Invalid node class '%@'", nodeClass);
    return nullptr;
  }
  if (nodeClass == kArtboardClassName) {
    updateNodeTypeCount();
    if (nodeTypeCountForClass(kArtboardClassName) > 0) {
      FeedbackManager::showNSAlert("Only one allowed", "Only one Artboard node is allowed per document.");
      return nullptr;
    }
  }

  created->setInitialNodeViewOrigin(location);
  created->setNodeController(this);
  created->setUndoDelegate(document_);
  created->setRandomSource(randomSource_);
  {
    // The initial layout of a node being created is no step of its own to undo.
    PausedUndoRegistration paused(document_);
    created->initWithNodeID(uniqueNodeID());
  }
  MVNode* node = created.get();
  nodeArray_.push_back(std::move(created));
  // The action name below carries the node's display index among the nodes of its class.
  updateNodeTypeCount();

  const std::string actionName = pf::format("adding %@ node", node->displayName());
  pf::UndoManager* undoManager = document_ != nullptr ? document_->undoManager() : nullptr;
  if (undoManager != nullptr) {
    undoManager->beginUndoGrouping();
  }
  if (document_ != nullptr) {
    document_->storeNodeCreationUndoStateForNode(node, actionName);
  }

  if (!isLoadingFile_ && !isUndoingOrRedoing(undoManager) && node->isElementNode() && !isReplacingNode_ &&
      autoConnect && pf::UserDefaults::standard().boolForKey("Auto connect new Element nodes")) {
    // The first free element input in array order, else the artboard's top layer.
    MVNode* artboardMet = nullptr;
    MVParameterGraphics* freeInput = nullptr;
    for (const auto& other : nodeArray_) {
      if (other.get() == node) {
        continue;
      }
      if (other->className() == kArtboardClassName) {
        artboardMet = other.get();
      }
      if (node->nodeTypeHeader() != "Value") {
        MVParameterGraphics* graphics = other->graphicsParameterNamed("Graphics");
        if (graphics != nullptr && graphics->hasInputSocket() && !graphics->hasConnectedInput()) {
          freeInput = graphics;
          break;
        }
      }
    }
    MVParameterGraphics* output = node->graphicsParameterNamed("Graphics");
    MVParameterSocket* outputSocket = output != nullptr && output->hasOutputSocket() ? output->outputSocket() : nullptr;
    MVParameterSocket* inputSocket = nullptr;
    if (freeInput != nullptr) {
      inputSocket = freeInput->inputSocket();
    } else if (auto* source = dynamic_cast<MVArtboardSource*>(artboardMet)) {
      const std::vector<MVParameterGraphicsLayer*> layers = source->layersArray();
      if (!layers.empty() && layers.front() != nullptr && layers.front()->hasInputSocket()) {
        inputSocket = layers.front()->inputSocket();
      }
    }
    if (outputSocket != nullptr && inputSocket != nullptr && addConnectionFromSocket(outputSocket, inputSocket) != nullptr &&
        connectionsSnapshot && document_ != nullptr) {
      document_->storeConnectionsUndoState(*connectionsSnapshot, std::nullopt);
    }
  }

  if (undoManager != nullptr) {
    undoManager->setActionName(actionName);
    undoManager->endUndoGrouping();
  }
  if (!isLoadingFile_ && !isAddingNodeOnConnection_) {
    nodeArrayChanged();
    checkWarnings();
  }
  return node;
}

void MVNodeController::removeNode(MVNode* node)
{
  if (node == nullptr) {
    return;
  }
  const std::optional<std::size_t> index = indexOfNode(node);
  if (!index) {
    // Not ours: it may be gone already, so it is not read.
    FeedbackManager::log("Warning, removeNode: %@, node not in nodeArray", static_cast<const void*>(node));
    return;
  }
  if (!isLoadingFile_ && nodeEditorView_ != nullptr) {
    nodeEditorView_->hideHoverControls();
  }
  unlinkNode(node, true);
  removeElementIndexesForNodeID(node->nodeId());
  if (animationDelegate_ != nullptr) {
    for (const auto& parameter : node->parameters()) {
      if (parameter->animated()) {
        animationDelegate_->removeAnimatorsOfParameter(parameter.get());
      }
    }
  }
  if (!isLoadingFile_) {
    pf::UndoManager* undoManager = document_ != nullptr ? document_->undoManager() : nullptr;
    if (!isUndoingOrRedoing(undoManager) && document_ != nullptr) {
      document_->storeNodeRemovalUndoStateForNode(node, pf::format("deleting %@ node", node->displayName()));
    }
    if (node->selected()) {
      selectNode(node, true, true, true);
    }
  }
  node->remove();
  // Found again: the steps above may have changed the array (undo records, selection).
  std::unique_ptr<MVNode> removed;
  if (const std::optional<std::size_t> position = indexOfNode(node)) {
    removed = std::move(nodeArray_[*position]);
    nodeArray_.erase(nodeArray_.begin() + static_cast<std::ptrdiff_t>(*position));
  }
  if (!isLoadingFile_) {
    const auto selected = std::find(selectedNodesArray_.begin(), selectedNodesArray_.end(), node);
    if (selected != selectedNodesArray_.end()) {
      selectedNodesArray_.erase(selected);
      updateAfterSelectionChange();
    }
  }
  // Nothing may keep pointing at the node once it is destroyed below.
  forgetNode(node);
  if (!isLoadingFile_) {
    scheduleRegeneration();
    nodeArrayChanged();
  }
}

void MVNodeController::unlinkNode(MVNode* node, bool forDeletion)
{
  if (node == nullptr) {
    return;
  }
  if (!isLoadingFile_ && document_ != nullptr) {
    document_->storeCurrentConnectionsUndoState("unlinking node");
  }
  std::vector<MVConnection*> unlinked;
  std::vector<MVParameterSocket*> sources;
  std::vector<MVParameterSocket*> targets;
  for (const auto& connection : connectionArray_) {
    const bool enters = connection->toNode() == node;
    const bool leaves = connection->fromNode() == node;
    if (!enters && !leaves) {
      continue;
    }
    unlinked.push_back(connection.get());
    // A connection from the node to itself bridges nothing (it would outlive the node).
    if (enters && !leaves) {
      sources.push_back(connection->fromSocket());
    } else if (leaves && !enters) {
      targets.push_back(connection->toSocket());
    }
  }
  for (MVConnection* connection : unlinked) {
    removeConnection(connection);
  }
  if (!isLoadingFile_ && !sources.empty() && !targets.empty()) {
    for (MVParameterSocket* source : sources) {
      for (MVParameterSocket* target : targets) {
        if (source != nullptr && target != nullptr && source->socketType() == target->socketType() &&
            addConnectionFromSocket(source, target) != nullptr) {
          break;
        }
      }
    }
  }
  if (!forDeletion) {
    scheduleRegeneration();
  }
}

void MVNodeController::removeAllNodes()
{
  {
    LoadingScope loading(*this);
    removeAllConnections();
    while (!nodeArray_.empty()) {
      MVNode* node = nodeArray_.back().get();
      node->setUpdateOnParameterChanges(false);
      removeNode(node);
    }
  }
  artboardNode_ = nullptr;
  // TODO(Drag-edit on the preview): clear the drag-edit parameter and hide the panel.
  selectedNodesArray_.clear();
  dynamicValueNodeArray_.clear();
  if (!isLoadingFile_) {
    nodeArrayChanged();
  }
}

void MVNodeController::selectNode(MVNode* node, bool addition, bool toggleSelection, bool updateInterface)
{
  if (!addition) {
    for (MVNode* selected : selectedNodesArray_) {
      if (selected->selected()) {
        selected->setSelected(false);
      }
    }
    selectedNodesArray_.clear();
  }
  if (node != nullptr) {
    const auto found = std::find(selectedNodesArray_.begin(), selectedNodesArray_.end(), node);
    if (found == selectedNodesArray_.end()) {
      selectedNodesArray_.push_back(node);
      node->setSelected(true);
      if (nodeEditorView_ != nullptr) {
        nodeEditorView_->moveNodeToTop(node);
      }
    } else if (addition && toggleSelection) {
      selectedNodesArray_.erase(found);
      node->setSelected(false);
    }
  }
  if (nodeEditorView_ != nullptr) {
    nodeEditorView_->restoreKeyboardFocus(node);
  }
  if (updateInterface) {
    updateAfterSelectionChange();
  }
}

void MVNodeController::updateAfterSelectionChange()
{
  updateDragEditInterface();
  updateDragEditPivot();
  if (previewView_ != nullptr) {
    previewView_->updateSelection();
  }
  if (warningsManager_ != nullptr) {
    warningsManager_->updateWarningsInterface();
  }
}

// ---- Regeneration and the generation cycle ----

void MVNodeController::scheduleRegenerationForParameter(MVParameter* parameter)
{
  if (parameter != nullptr && !isLoadingFile_) {
    queueParameterForRegeneration(parameter);
  }
  scheduleRegeneration();
}

void MVNodeController::queueParameterForRegeneration(MVParameter* parameter)
{
  if (queuedParameters_.insert(parameter).second) {
    unconnectedParametersRegenerationArray_.push_back(parameter);
  }
}

void MVNodeController::scheduleRegeneration()
{
  if (isLoadingFile_) {
    return;
  }
  if (!autoRegenerate_) {
    if (previewView_ != nullptr) {
      previewView_->setStatusMessage(std::string(kAutoRefreshDisabledMessage));
    }
    return;
  }
  scheduleRegenerationForced();
}

void MVNodeController::scheduleRegenerationForced()
{
  if (isLoadingFile_ || regenerationTimer_.isValid() || isGenerating_) {
    return;
  }
  pf::RunLoop* runLoop = pf::RunLoop::current();
  if (runLoop == nullptr) {
    FeedbackManager::log("Warning, scheduleRegeneration without a run loop, no regeneration scheduled");
    return;
  }
  regenerationTimer_ = runLoop->scheduleOneShot(kRegenerationDelay, [this] { regenerate(); });
}

void MVNodeController::regenerate()
{
  regenerationTimer_.invalidate();
  if (isGenerating_) {
    regenerateWhenFinished_ = true;
    return;
  }
  isGenerating_ = true;
  regenerateWhenFinished_ = false;
  updateStartTime_ = now();
  try {
    getArtboardSettings();
    generateOutputElement();
    updatePatternViews();
  } catch (const std::exception& exception) {
    // Node code failed in a way it should have handled: the loop goes on without this run.
    FeedbackManager::log("Exception in generateOutputElement. Exception: %@", exception.what());
  }
  isGenerating_ = false;
  if (regenerateWhenFinished_) {
    scheduleRegeneration();
  }
}

void MVNodeController::getArtboardSettings()
{
  const pf::Size previousSize = artboardSize_;
  const pf::Color previousColor = backgroundColor_;
  const double previousOpacity = backgroundOpacity_;
  const bool previousFlag = drawBackgroundFlag_;

  if (MVArtboardSource* source = artboard()) {
    if (MVParameterColor* background = source->backgroundColorParameter()) {
      backgroundColor_ = background->color();
      drawBackgroundFlag_ = background->enabled();
      if (MVParameterValue* opacity = source->backgroundOpacityParameter()) {
        backgroundOpacity_ = opacity->value();
      }
    } else {
      FeedbackManager::log(
          "Warning, getArtboardSettings artboardNode %@ has no backgroundColorParameter. Setting drawBackgroundFlag to NO",
          artboardNode_->description());
      backgroundColor_ = pf::Color::white();
      drawBackgroundFlag_ = false;
    }
    if (MVParameterValue2D* size = source->sizeParameter()) {
      artboardSize_ = pf::Size(size->valueX(), size->valueY());
    }
    artboardClippingRect_ = pf::Rect(pf::Point(0.0, 0.0), artboardSize_);
  }

  if (artboardSize_.width != previousSize.width || artboardSize_.height != previousSize.height) {
    for (const auto& node : nodeArray_) {
      node->artboardSizeChanged();
    }
  }
  if (backgroundColor_ == previousColor && backgroundOpacity_ == previousOpacity && drawBackgroundFlag_ == previousFlag) {
    return;
  }
  for (const auto& node : nodeArray_) {
    if (MVNodeInterfaceDelegate* view = node->nodeView()) {
      view->refreshGraphicsPreviews();
    }
  }
}

void MVNodeController::generateOutputElement()
{
  generationStartTime_ = now();
  ++generationCycleID_;
  outputElement_.reset();
  markConnectionsForNewPreviewGenerationCycle();
  resetNodeRandomSeeds();

  // The pull: every parameter read recomputes only when it needs to.
  std::shared_ptr<MVElement> tree;
  if (artboardNode_ != nullptr) {
    if (auto* source = dynamic_cast<MVArtboardSource*>(artboardNode_)) {
      tree = source->layersOutputElement();
    }
  } else if (nodeArray_.size() >= 2) {
    FeedbackManager::log("Warning, generateOutputElement with no artboardNode");
  }

  // Previews the pull did not reach.
  for (const auto& node : nodeArray_) {
    for (const auto& parameter : node->parameters()) {
      if (parameter->needsToUpdate() && parameter->hasPreview() &&
          parameter->lastUpdateGenerationCycleID() != generationCycleID_ &&
          (parameter->hasInputSocket() || parameter->hasOutputSocket())) {
        queueParameterForRegeneration(parameter.get());
      }
    }
  }
  // By index: forcing a parameter may queue another one.
  for (std::size_t index = 0; index < unconnectedParametersRegenerationArray_.size(); ++index) {
    MVParameter* parameter = unconnectedParametersRegenerationArray_[index];
    if (!parameter->needsToUpdate()) {
      continue;
    }
    if (auto* graphics = dynamic_cast<MVParameterGraphics*>(parameter)) {
      (void)graphics->element();
    }
    if (auto* value = dynamic_cast<MVParameterValue*>(parameter)) {
      (void)value->value();
    }
    if (auto* color = dynamic_cast<MVParameterColor*>(parameter)) {
      (void)color->color();
    }
  }
  unconnectedParametersRegenerationArray_.clear();
  queuedParameters_.clear();

  outputElement_ = std::move(tree);
  numberOfElements_ = outputElement_ != nullptr ? outputElement_->numberOfSubElements() : 0;
  generationEndTime_ = now();
  generationTime_ = generationEndTime_ - generationStartTime_;
  if (generationTime_ > MVStatisticsTexts::kStatusThreshold) {
    updateStatisticsPanelWithRenderer(nullptr);
  }
  updateDragEditPivot();
  const bool drawingConnection = nodeEditorView_ != nullptr && nodeEditorView_->currentlyEditedConnection() != nullptr;
  if (!drawingConnection && !isLoadingFile_) {
    checkWarnings();
  }
}

void MVNodeController::updatePatternViews()
{
  if (previewView_ != nullptr) {
    previewView_->updatePattern();
  }
}

void MVNodeController::resetNodeRandomSeeds()
{
  for (const auto& node : nodeArray_) {
    node->initRandomSeed();
  }
}

void MVNodeController::markConnectionsForNewPreviewGenerationCycle()
{
  for (const auto& connection : connectionArray_) {
    connection->setPreviewsNewCycleFlag(true);
  }
}

void MVNodeController::checkWarnings()
{
  if (warningsManager_ != nullptr) {
    warningsManager_->resetWarnings();
  }
  if (nodeArray_.size() >= 2) {
    for (const auto& node : nodeArray_) {
      const std::size_t previousCount = node->warningMessages().size();
      node->checkWarnings();
      if (node->warningMessages().size() != previousCount && node->nodeView() != nullptr) {
        node->nodeView()->setNeedsLayout();
      }
      if (warningsManager_ != nullptr) {
        for (const std::string& message : node->warningMessages()) {
          warningsManager_->addWarningMessage(message, node.get());
        }
      }
    }
  }
  if (warningsManager_ != nullptr) {
    warningsManager_->updateWarningsInterface();
  }
}

void MVNodeController::debugTimeStamp(const std::string& text)
{
  const double milliseconds = std::round((now() - generationStartTime_) * 1000.0);
  FeedbackManager::log("[%g ms] %@", milliseconds, text);
}

void MVNodeController::updateDragEditInterface()
{
  // TODO(Drag-edit on the preview): rebuild the drag-edit panel for the selection.
}

void MVNodeController::updateDragEditPivot()
{
  // TODO(Drag-edit on the preview): move the pivot to the drag-edit parameter's element.
}

// ---- Node indexes ----

long long MVNodeController::nodeIndex(const std::string& key)
{
  const pf::PlistValue* value = currentNodeIndexes_.find(key);
  if (key.empty() || value == nullptr) {
    return -1;
  }
  return value->toInteger().value_or(-1);
}

MVNode* MVNodeController::nodeIndexNodeFromIndex(const std::string& key)
{
  const std::optional<std::string_view> nodeId = nodeIdOfIndexKey(key);
  return nodeId ? nodeWithId(std::string(*nodeId)) : nullptr;
}

void MVNodeController::setNodeIndex(const std::string& indexName, MVNode* node, long long value)
{
  updateRandomNodesForNode(node);
  if (indexName.empty() || node == nullptr || node->nodeId().empty()) {
    FeedbackManager::log("Error, setNodeIndex called with indexName or nodeID null");
    return;
  }
  const std::string key = nodeIndexKey(node->nodeId(), indexName);
  currentNodeIndexes_.set(key, pf::PlistValue(value));
  // By index: a notified node may not change the list, but must not invalidate the walk if it did.
  for (std::size_t index = 0; index < dynamicValueNodeArray_.size(); ++index) {
    MVNode* dynamicNode = dynamicValueNodeArray_[index];
    if (dynamicNode->hasNodeIndexParameter()) {
      dynamicNode->nodeIndexUpdated(key);
    }
  }
}

void MVNodeController::endNodeIndexSession(const std::string& indexName, MVNode* node)
{
  if (indexName.empty() || node == nullptr || node->nodeId().empty()) {
    FeedbackManager::log("Error, endNodeIndexSession called with indexName or nodeID null");
    return;
  }
  DictionaryValueExtras::setIntValue(currentNodeIndexes_, -1, nodeIndexKey(node->nodeId(), indexName));
}

std::optional<std::string> MVNodeController::getFirstNodeIndexConnectedToNode(MVNode* node)
{
  for (MVNode* downstream : nodesLinkedToNode(node, false, true)) {
    if (!downstream->hasNodeIndexes()) {
      continue;
    }
    std::string key = nodeIndexKey(downstream->nodeId(), "Index");
    if (currentNodeIndexes_.contains(key)) {
      return key;
    }
  }
  return std::nullopt;
}

void MVNodeController::resetAllNodeIndexes()
{
  for (const auto& node : nodeArray_) {
    node->resetNodeIndexes();
  }
}

void MVNodeController::removeElementIndexesForNodeID(const std::string& nodeId)
{
  std::vector<std::string> keys;
  for (const auto& [key, value] : currentNodeIndexes_.entries()) {
    const std::optional<std::string_view> keyNodeId = nodeIdOfIndexKey(key);
    if (keyNodeId && *keyNodeId == nodeId) {
      keys.push_back(key);
    }
  }
  for (const std::string& key : keys) {
    currentNodeIndexes_.erase(key);
  }
}

void MVNodeController::updateRandomNodesForNode(MVNode* node)
{
  if (node == nullptr || !node->mightHaveDynamicInput()) {
    return;
  }
  const bool isRepeater = node->isRepeaterNode();
  for (std::size_t index = 0; index < dynamicValueNodeArray_.size(); ++index) {
    MVNode* dynamicNode = dynamicValueNodeArray_[index];
    if (dynamicNode->hasRandomValueOutput() || (isRepeater && dynamicNode->hasRandomGraphicsOutput())) {
      dynamicNode->updateOutputParameters();
    }
  }
}

// ---- Connections ----

MVConnection* MVNodeController::addConnectionFromSocket(MVParameterSocket* outputSocket, MVParameterSocket* inputSocket)
{
  std::unique_ptr<MVConnection> connection = MVConnection::connectionFromSocket(outputSocket, inputSocket);
  if (connection->fromSocket() != outputSocket || connection->toSocket() != inputSocket) {
    return nullptr;  // refused: the connection detaches from the socket it took when destroyed
  }
  connection->setUndoDelegate(document_);
  connection->setNodeController(this);
  MVConnection* added = connection.get();
  connectionArray_.push_back(std::move(connection));
  if (!isLoadingFile_) {
    if (outputSocket != nullptr && inputSocket != nullptr) {
      connectionsChanged();
    } else if (nodeEditorView_ != nullptr) {
      nodeEditorView_->connectionsChanged();
    }
  }
  return added;
}

void MVNodeController::removeConnection(MVConnection* connection)
{
  const auto found = std::find_if(connectionArray_.begin(), connectionArray_.end(),
                                  [connection](const auto& owned) { return owned.get() == connection; });
  bool hadLoopProblem = false;
  std::unique_ptr<MVConnection> removed;
  if (connection != nullptr && found != connectionArray_.end()) {
    hadLoopProblem = connection->hasInfiniteLoopProblem();
    removed = std::move(*found);
    connectionArray_.erase(found);
    removed->remove();
  } else {
    // Not ours: it may be gone already, so it is not read.
    FeedbackManager::log("Warning, removeConnection: %@, connection not in connectionArray",
                         static_cast<const void*>(connection));
  }
  if (hadLoopProblem) {
    // Removing one connection of a loop may have broken it; the next evaluation marks it again.
    for (const auto& each : connectionArray_) {
      if (each->hasInfiniteLoopProblem()) {
        each->setHasInfiniteLoopProblem(false);
        if (MVConnectionInterfaceDelegate* view = each->connectionView()) {
          view->setNeedsDisplay();
        }
      }
    }
  }
  if (!isLoadingFile_) {
    connectionsChanged();
  }
}

void MVNodeController::removeAllConnections()
{
  bool wasLoading = false;
  {
    LoadingScope loading(*this);
    wasLoading = loading.wasLoading();
    while (!connectionArray_.empty()) {
      std::unique_ptr<MVConnection> connection = std::move(connectionArray_.back());
      connectionArray_.pop_back();
      // Detaching must not start the node's change handling.
      if (MVNode* toNode = connection->toNode()) {
        toNode->setUpdateOnParameterChanges(false);
        connection->remove();
        toNode->setUpdateOnParameterChanges(true);
      } else {
        connection->remove();
      }
    }
  }
  if (!wasLoading) {
    connectionsChanged();
  }
}

void MVNodeController::connectionChanged(MVConnection* connection)
{
  if (connection != nullptr && connection->hasLooseEnd() && !connection->isBeingEdited()) {
    removeConnection(connection);  // destroys it
  }
  if (!isLoadingFile_) {
    scheduleRegeneration();
  }
}

void MVNodeController::connectionsChanged()
{
  if (isLoadingFile_) {
    return;
  }
  updateDynamicValueNodesArray();
  if (nodeEditorView_ != nullptr) {
    nodeEditorView_->connectionsChanged();
  }
  scheduleRegeneration();
}

void MVNodeController::inputConnectionsReordered(MVParameterSocket* socket)
{
  if (socket == nullptr) {
    return;
  }
  // The saved order follows the socket's order: its connections move to the end, in order.
  for (MVConnection* connection : socket->inputConnections()) {
    const auto found = std::find_if(connectionArray_.begin(), connectionArray_.end(),
                                    [connection](const auto& owned) { return owned.get() == connection; });
    if (found != connectionArray_.end()) {
      std::unique_ptr<MVConnection> moved = std::move(*found);
      connectionArray_.erase(found);
      connectionArray_.push_back(std::move(moved));
    }
  }
}

pf::PlistValue::Array MVNodeController::connectionDescriptionsArray() const
{
  pf::PlistValue::Array records;
  records.reserve(connectionArray_.size());
  for (const auto& connection : connectionArray_) {
    if (std::optional<pf::PlistValue::Dictionary> record = connection->descriptionDictionary()) {
      records.emplace_back(std::move(*record));
    }
  }
  return records;
}

void MVNodeController::loadConnectionsFromArray(const pf::PlistValue::Array& records)
{
  {
    LoadingScope loading(*this);
    removeAllConnections();
    artboardNode();
    int failures = 0;
    for (const pf::PlistValue& record : records) {
      if (record.isNull()) {
        continue;
      }
      const pf::PlistValue::Dictionary* dictionary = record.asDictionary();
      if (dictionary == nullptr) {
        FeedbackManager::log("Error, loadConnectionsFromArray record is not a dictionary: %@", record.description());
        ++failures;
      } else if (loadConnectionFromDescription(*dictionary) == nullptr) {
        ++failures;
      }
    }
    if (failures > 0) {
      fileLoadingWarnings_.emplace_back(kConnectionsLoadingWarning);
    }
  }
  connectionsChanged();
}

MVConnection* MVNodeController::loadConnectionFromDescription(const pf::PlistValue::Dictionary& record)
{
  const std::optional<std::string> fromId = nodeIdText(record.find("From parameter nodeId"));
  const std::optional<std::string> toId = nodeIdText(record.find("To parameter nodeId"));
  MVNode* fromNode = nullptr;
  MVNode* toNode = nullptr;
  if (fromId && toId) {
    fromNode = nodeWithId(*fromId);
    toNode = nodeWithId(*toId);
  }
  if (fromNode == nullptr && toNode == nullptr) {
    return nullptr;
  }
  if (fromNode == nullptr || toNode == nullptr) {
    if (toNode == nullptr && toId) {
      FeedbackManager::log("Error, could not load connection, to node not found with ID:%@", *toId);
    }
    if (fromNode == nullptr && fromId) {
      FeedbackManager::log("Error, could not load connection, from node not found with ID:%@", *fromId);
    }
    return nullptr;
  }
  const pf::PlistValue* storedFromName = record.find("From parameter name");
  const pf::PlistValue* storedToName = record.find("To parameter name");
  if (storedFromName == nullptr || storedToName == nullptr) {
    return nullptr;
  }
  const std::string fromName = storedFromName->stringOr();
  const std::string toName = storedToName->stringOr();
  MVParameter* from = fromNode->parameterNamed(fromName);
  MVParameter* to = toNode->parameterNamed(toName);

  // The new input must not start the node's change handling while the graph is being rebuilt.
  struct UpdatesOff {
    MVNode* node;
    explicit UpdatesOff(MVNode* owner) : node(owner) { node->setUpdateOnParameterChanges(false); }
    UpdatesOff(const UpdatesOff&) = delete;
    UpdatesOff& operator=(const UpdatesOff&) = delete;
    ~UpdatesOff() { node->setUpdateOnParameterChanges(true); }
  } updatesOff(toNode);

  if (from == nullptr && to == nullptr) {
    FeedbackManager::log("Error, could not load connection from [%@ : %@] to [%@ : %@], no such parameters found in "
                         "either node",
                         fromNode->displayFullName(), fromName, toNode->displayFullName(), toName);
  } else if (from == nullptr) {
    FeedbackManager::log("Error, could not load connection from [%@ : %@], no such parameter found in node",
                         fromNode->displayFullName(), fromName);
  } else if (to == nullptr) {
    FeedbackManager::log("Error, could not load connection to [%@ : %@], no such parameter found in node",
                         toNode->displayFullName(), toName);
  } else {
    const int fromIndex = DictionaryValueExtras::intValueForKey(record, "From parameter socket index");
    const int toIndex = DictionaryValueExtras::intValueForKey(record, "To parameter socket index");
    MVParameterSocket* outputSocket = nullptr;
    MVParameterSocket* inputSocket = nullptr;
    if (fromIndex >= 0 && static_cast<std::size_t>(fromIndex) < from->outputSockets().size()) {
      outputSocket = from->outputSockets()[static_cast<std::size_t>(fromIndex)].get();
    } else {
      FeedbackManager::log("Error, loadConnectionsFromArray %@ has no output socket index %d", from->description(),
                           fromIndex);
    }
    if (toIndex >= 0 && static_cast<std::size_t>(toIndex) < to->inputSockets().size()) {
      inputSocket = to->inputSockets()[static_cast<std::size_t>(toIndex)].get();
    } else {
      FeedbackManager::log("Error, loadConnectionsFromArray %@ has no input socket index %d", to->description(), toIndex);
    }
    if (outputSocket != nullptr && inputSocket != nullptr) {
      if (MVConnection* connection = addConnectionFromSocket(outputSocket, inputSocket)) {
        return connection;
      }
    }
  }
  FeedbackManager::log("Warning, could not make connection from %@ node parameter '%@' to %@ node parameter '%@'.",
                       fromNode->displayFullName(), fromName, toNode->displayFullName(), toName);
  return nullptr;
}

// ---- Shared graphics ----

MVSharedGraphicsElementsManager* MVNodeController::sharedGraphicsManager()
{
  return sharedGraphicsStore_.get();
}

// ---- Other node requests ----

void MVNodeController::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  if (parameter == nullptr) {
    return;
  }
  const bool isBool = dynamic_cast<MVParameterBool*>(parameter) != nullptr;
  if (!referenceMode_) {
    if (document_ == nullptr || !document_->isUndoRegistrationEnabled()) {
      return;
    }
    recordAnimatedChange(parameter, propertyName);
    if ((propertyName == "enabled" || isBool) && parameter->node() != nullptr && parameter->node()->selected()) {
      updateDragEditInterface();
    }
    return;
  }
  if (parameter->name() == "Change Mode" || parameter->name() == "Selection Mode") {
    return;
  }
  if (propertyName == "enabled" || isBool || dynamic_cast<MVParameterIndex*>(parameter) != nullptr) {
    if (nodeReferenceDelegate_ != nullptr) {
      nodeReferenceDelegate_->updateNodeReferenceText();
    } else {
      FeedbackManager::log("Warning, NodeController parameter changed in reference mode, no nodeReferenceDelegate set "
                           "to update reference text");
    }
  }
}

void MVNodeController::dragEditParameterSelected(MVParameter* parameter)
{
  // TODO(Drag-edit on the preview): make the parameter the drag-edit parameter.
  (void)parameter;
}
