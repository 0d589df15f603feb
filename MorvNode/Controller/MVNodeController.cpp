#include "MorvNode/Controller/MVNodeController.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVControllerAnimation.h"
#include "MorvNode/Controller/MVControllerAnimationDelegate.h"
#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Controller/MVNodeControllerOutputDelegate.h"
#include "MorvNode/Controller/MVNodeControllerReferenceDelegate.h"
#include "MorvNode/Controller/MVStatisticsTexts.h"
#include "MorvNode/Controller/MVSvgExportBody.h"
#include "MorvNode/Model/MVUndoRegistrationPause.h"
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
#include "Shared/ODAnimation/ODAnimationManager.h"

namespace {

constexpr const char* kArtboardClassName = "ArtboardNode";
constexpr const char* kIndexParameterName = "IndexParameter";

bool isUndoingOrRedoing(const pf::UndoManager* undoManager)
{
  return undoManager != nullptr && (undoManager->isUndoing() || undoManager->isRedoing());
}

}  // namespace

// ---- Set-up ----

MVNodeController::MVNodeController()
    : animation_(std::make_unique<MVControllerAnimation>(*this)),
      scheduler_(graph_, [this] { runGeneration(); }, [this] { scheduleRegeneration(); }),
      sharedGraphicsStore_(std::make_shared<MVSharedGraphicsStore>())
{
}

MVNodeController::~MVNodeController()
{
  setAnimationManager(nullptr);
  // Nodes may still call back while they are destroyed: every collaborator is alive here.
  scheduler_.cancel();
  graph_.clear();
}

void MVNodeController::setAnimationManager(ODAnimationManager* manager)
{
  if (animationManager_ != nullptr && animationManager_->delegate() == animation_.get()) {
    animationManager_->setDelegate(nullptr);
  }
  animationManager_ = manager;
  if (manager != nullptr) {
    manager->setDelegate(animation_.get());
    animationDelegate_ = animation_.get();
  } else if (animationDelegate_ == animation_.get()) {
    animationDelegate_ = nullptr;
  }
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

void MVNodeController::setUpNode(MVNode& node, const std::string& nodeId)
{
  node.setNodeController(this);
  node.setUndoDelegate(document_);
  node.setRandomSource(randomSource_);
  // The initial layout of a node being created is no step of its own to undo.
  MVUndoRegistrationPause paused(document_);
  node.initWithNodeID(nodeId);
}

// ---- Node IDs and element IDs ----

std::string MVNodeController::uniqueNodeID()
{
  return graph_.uniqueNodeID();
}

long long MVNodeController::uniqueElementID()
{
  return ++elementIDCounter_;
}

// ---- Node array ----

MVNode* MVNodeController::addNodeWithDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  return graph_.addNodeWithDescriptionDictionary(
      record, [this](MVNode& node, const std::string& nodeId) { setUpNode(node, nodeId); });
}

MVNode* MVNodeController::appendLoadedNode(std::unique_ptr<MVNode> node, const std::string& nodeId)
{
  if (node == nullptr) {
    return nullptr;
  }
  setUpNode(*node, nodeId);
  return graph_.appendNode(std::move(node));
}

void MVNodeController::loadNodesFromArray(pf::PlistValue::Array records)
{
  {
    MVNodeGraph::LoadingScope loading(graph_);
    graph_.addNodesFromRecords(std::move(records),
                               [this](MVNode& node, const std::string& nodeId) { setUpNode(node, nodeId); });

    // Node-index parameters whose saved key was not published when they loaded take it now, or
    // the key that the nearest downstream publisher offers.
    const auto& nodes = graph_.nodes();
    for (std::size_t index = 0; index < nodes.size(); ++index) {
      MVNode* node = nodes[index].get();
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
    const auto artboardCount = std::count_if(nodes.begin(), nodes.end(), [](const auto& node) {
      return dynamic_cast<const MVArtboardSource*>(node.get()) != nullptr;
    });
    if (artboardCount > 1) {
      FeedbackManager::log("Too many artboard nodes! Removing all but the first");
      bool keptFirst = false;
      std::size_t index = 0;
      while (index < nodes.size()) {
        MVNode* node = nodes[index].get();
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
  if (animationManager_ != nullptr && !animationManager_->animators().empty()) {
    animationManager_->updateTimelineAnimators();
  }
  updateDynamicValueNodesArray();
  if (nodeEditorView_ != nullptr) {
    nodeEditorView_->nodesChanged();
  }
  scheduleRegeneration();
}

MVArtboardSource* MVNodeController::artboard()
{
  return dynamic_cast<MVArtboardSource*>(artboardNode());
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
  graph_.setLoadingFile(true);
  NodeControllerDocumentProtocol* document = document_;
  if (document != nullptr) {
    document->pauseUndoRegistration();
  }
  // Trees are shared with rendering threads that may still draw a copy: only our reference goes.
  scheduler_.releaseOutputElement();
  removeAllNodes();
  graph_.clear();
  sharedGraphicsStore_->removeAllObjects();
  randomSource_ = nullptr;
  if (document != nullptr) {
    document->resumeUndoRegistration();
  }
  document_ = nullptr;
  graph_.setLoadingFile(false);
  scheduler_.cancel();
}

void MVNodeController::forgetNode(const MVNode* node)
{
  selection_.remove(node);
  dragEdit_.forgetNode(node);
  scheduler_.forgetNode(node);
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
  if (autoConnect && !isLoadingFile() && !isReplacingNode_) {
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
  setUpNode(*created, uniqueNodeID());
  MVNode* node = graph_.appendNode(std::move(created));
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

  if (!isLoadingFile() && !isUndoingOrRedoing(undoManager) && node->isElementNode() && !isReplacingNode_ &&
      autoConnect && pf::UserDefaults::standard().boolForKey("Auto connect new Element nodes")) {
    // The first free element input in array order, else the artboard's top layer.
    MVNode* artboardMet = nullptr;
    MVParameterGraphics* freeInput = nullptr;
    for (const auto& other : graph_.nodes()) {
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
  if (!isLoadingFile() && !isAddingNodeOnConnection_) {
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
  if (!graph_.indexOfNode(node)) {
    // Not ours: it may be gone already, so it is not read.
    FeedbackManager::log("Warning, removeNode: %@, node not in nodeArray", static_cast<const void*>(node));
    return;
  }
  if (!isLoadingFile() && nodeEditorView_ != nullptr) {
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
  if (!isLoadingFile()) {
    pf::UndoManager* undoManager = document_ != nullptr ? document_->undoManager() : nullptr;
    if (!isUndoingOrRedoing(undoManager) && document_ != nullptr) {
      document_->storeNodeRemovalUndoStateForNode(node, pf::format("deleting %@ node", node->displayName()));
    }
    if (node->selected()) {
      selectNode(node, true, true, true);
    }
  }
  node->remove();
  // Taken by identity: the steps above may have changed the array (undo records, selection).
  const std::unique_ptr<MVNode> removed = graph_.takeNode(node);
  if (!isLoadingFile() && selection_.remove(node)) {
    updateAfterSelectionChange();
  }
  // Nothing may keep pointing at the node once it is destroyed below.
  forgetNode(node);
  if (!isLoadingFile()) {
    scheduleRegeneration();
    nodeArrayChanged();
  }
}

void MVNodeController::unlinkNode(MVNode* node, bool forDeletion)
{
  if (node == nullptr) {
    return;
  }
  if (!isLoadingFile() && document_ != nullptr) {
    document_->storeCurrentConnectionsUndoState("unlinking node");
  }
  std::vector<MVConnection*> unlinked;
  std::vector<MVParameterSocket*> sources;
  std::vector<MVParameterSocket*> targets;
  for (const auto& connection : graph_.connections()) {
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
  if (!isLoadingFile() && !sources.empty() && !targets.empty()) {
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
    MVNodeGraph::LoadingScope loading(graph_);
    removeAllConnections();
    while (!graph_.nodes().empty()) {
      MVNode* node = graph_.nodes().back().get();
      node->setUpdateOnParameterChanges(false);
      removeNode(node);
    }
  }
  selection_.clear();
  updateDragEditInterface();
  if (!isLoadingFile()) {
    nodeArrayChanged();
  }
}

void MVNodeController::selectNode(MVNode* node, bool addition, bool toggleSelection, bool updateInterface)
{
  if (selection_.select(node, addition, toggleSelection) && nodeEditorView_ != nullptr) {
    nodeEditorView_->moveNodeToTop(node);
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
  if (parameter != nullptr && !isLoadingFile()) {
    scheduler_.queueParameterForRegeneration(parameter);
  }
  scheduleRegeneration();
}

void MVNodeController::scheduleRegeneration()
{
  if (isLoadingFile()) {
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

void MVNodeController::runGeneration()
{
  getArtboardSettings();
  generateOutputElement();
  updatePatternViews();
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
          graph_.cachedArtboardNode()->description());
      backgroundColor_ = pf::Color::white();
      drawBackgroundFlag_ = false;
    }
    if (MVParameterValue2D* size = source->sizeParameter()) {
      artboardSize_ = pf::Size(size->valueX(), size->valueY());
    }
    artboardClippingRect_ = pf::Rect(pf::Point(0.0, 0.0), artboardSize_);
  }

  if (artboardSize_.width != previousSize.width || artboardSize_.height != previousSize.height) {
    for (const auto& node : graph_.nodes()) {
      node->artboardSizeChanged();
    }
  }
  if (backgroundColor_ == previousColor && backgroundOpacity_ == previousOpacity && drawBackgroundFlag_ == previousFlag) {
    return;
  }
  for (const auto& node : graph_.nodes()) {
    if (MVNodeInterfaceDelegate* view = node->nodeView()) {
      view->refreshGraphicsPreviews();
    }
  }
}

void MVNodeController::generateOutputElement()
{
  scheduler_.generateOutputElement();
  if (scheduler_.generationTime() > MVStatisticsTexts::kStatusThreshold) {
    updateStatisticsPanelWithRenderer(nullptr);
  }
  updateDragEditPivot();
  const bool drawingConnection = nodeEditorView_ != nullptr && nodeEditorView_->currentlyEditedConnection() != nullptr;
  if (!drawingConnection && !isLoadingFile()) {
    checkWarnings();
  }
}

void MVNodeController::updatePatternViews()
{
  if (previewView_ != nullptr) {
    previewView_->updatePattern();
  }
}

void MVNodeController::checkWarnings()
{
  if (warningsManager_ != nullptr) {
    warningsManager_->resetWarnings();
  }
  if (graph_.nodes().size() >= 2) {
    MVNode::sweep(graph_.nodes(), [this](const std::unique_ptr<MVNode>& node) {
      // A node whose warnings follow its own state keeps them until it changes: a document of
      // many shapes is not read through once more after every generation.
      if (node->warningsNeedCheck()) {
        const std::size_t previousCount = node->warningMessages().size();
        node->updateWarnings();
        if (node->warningMessages().size() != previousCount && node->nodeView() != nullptr) {
          node->nodeView()->setNeedsLayout();
        }
      }
      if (warningsManager_ != nullptr) {
        for (const std::string& message : node->warningMessages()) {
          warningsManager_->addWarningMessage(message, node.get());
        }
      }
    });
  }
  if (warningsManager_ != nullptr) {
    warningsManager_->updateWarningsInterface();
  }
}

void MVNodeController::debugTimeStamp(const std::string& text)
{
  const double milliseconds = std::round((MVGenerationScheduler::now() - scheduler_.generationStartTime()) * 1000.0);
  FeedbackManager::log("[%g ms] %@", milliseconds, text);
}

// ---- Node indexes ----

MVNode* MVNodeController::nodeIndexNodeFromIndex(const std::string& key)
{
  const std::optional<std::string_view> nodeId = MVNodeIndexTable::nodeIdOfKey(key);
  return nodeId ? nodeWithId(std::string(*nodeId)) : nullptr;
}

void MVNodeController::setNodeIndex(const std::string& indexName, MVNode* node, long long value)
{
  updateRandomNodesForNode(node);
  if (indexName.empty() || node == nullptr || node->nodeId().empty()) {
    FeedbackManager::log("Error, setNodeIndex called with indexName or nodeID null");
    return;
  }
  const std::string key = MVNodeIndexTable::key(node->nodeId(), indexName);
  nodeIndexTable_.setIndex(key, value);
  // By index: a notified node may not change the list, but must not invalidate the walk if it did.
  const std::vector<MVNode*>& dynamicNodes = graph_.dynamicValueNodes();
  for (std::size_t index = 0; index < dynamicNodes.size(); ++index) {
    MVNode* dynamicNode = dynamicNodes[index];
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
  nodeIndexTable_.endSession(MVNodeIndexTable::key(node->nodeId(), indexName));
}

void MVNodeController::resetAllNodeIndexes()
{
  for (const auto& node : graph_.nodes()) {
    node->resetNodeIndexes();
  }
}

void MVNodeController::updateRandomNodesForNode(MVNode* node)
{
  if (node == nullptr || !node->mightHaveDynamicInput()) {
    return;
  }
  const bool isRepeater = node->isRepeaterNode();
  const std::vector<MVNode*>& dynamicNodes = graph_.dynamicValueNodes();
  for (std::size_t index = 0; index < dynamicNodes.size(); ++index) {
    MVNode* dynamicNode = dynamicNodes[index];
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
  MVConnection* added = graph_.appendConnection(std::move(connection));
  if (!isLoadingFile()) {
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
  bool hadLoopProblem = false;
  if (const std::unique_ptr<MVConnection> removed = graph_.takeConnection(connection)) {
    hadLoopProblem = removed->hasInfiniteLoopProblem();
    removed->remove();
  } else {
    // Not ours: it may be gone already, so it is not read.
    FeedbackManager::log("Warning, removeConnection: %@, connection not in connectionArray",
                         static_cast<const void*>(connection));
  }
  if (hadLoopProblem) {
    // Removing one connection of a loop may have broken it; the next evaluation marks it again.
    graph_.clearInfiniteLoopMarks();
  }
  if (!isLoadingFile()) {
    connectionsChanged();
  }
}

void MVNodeController::removeAllConnections()
{
  bool wasLoading = false;
  {
    MVNodeGraph::LoadingScope loading(graph_);
    wasLoading = loading.wasLoading();
    graph_.detachAllConnections();
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
  if (!isLoadingFile()) {
    scheduleRegeneration();
  }
}

void MVNodeController::connectionsChanged()
{
  if (isLoadingFile()) {
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
    graph_.moveConnectionToEnd(connection);
  }
}

void MVNodeController::loadConnectionsFromArray(pf::PlistValue::Array records)
{
  {
    MVNodeGraph::LoadingScope loading(graph_);
    removeAllConnections();
    artboardNode();
    graph_.addConnectionsFromRecords(std::move(records), [this](MVParameterSocket* outputSocket, MVParameterSocket* inputSocket) {
      return addConnectionFromSocket(outputSocket, inputSocket);
    });
  }
  connectionsChanged();
}

MVConnection* MVNodeController::loadConnectionFromDescription(const pf::PlistValue::Dictionary& record)
{
  return graph_.loadConnectionFromDescription(record, [this](MVParameterSocket* outputSocket, MVParameterSocket* inputSocket) {
    return addConnectionFromSocket(outputSocket, inputSocket);
  });
}

// ---- Shared graphics ----

MVSharedGraphicsElementsManager* MVNodeController::sharedGraphicsManager()
{
  return sharedGraphicsStore_.get();
}

// ---- SVG body of an export ----

MVSvgExportBody MVNodeController::svgExportBody() const
{
  return MVSvgExportBody(outputElement(), sharedGraphicsStore_.get(),
                         {artboardSize_, renderingScale_, backgroundColor_, drawBackgroundFlag_, backgroundOpacity_});
}

std::string MVNodeController::svgArtboardBackgroundString() const
{
  return svgExportBody().artboardBackgroundString();
}

std::string MVNodeController::svgSymbolDefinitionsString() const
{
  return svgExportBody().symbolDefinitionsString();
}

std::string MVNodeController::svgOutputElementString() const
{
  return svgExportBody().outputElementString();
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

