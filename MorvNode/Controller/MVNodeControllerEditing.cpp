// Graph editing operations of the controller (placing, replacing, duplicating, selection),
// auto-keying, renderer set-up and statistics.
#include <algorithm>
#include <cmath>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVControllerAnimationDelegate.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Controller/MVNodeControllerOutputDelegate.h"
#include "MorvNode/Controller/MVStatisticsPanel.h"
#include "MorvNode/Controller/MVStatisticsTexts.h"
#include "MorvNode/Controller/MVWarningsCollector.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVUndoRegistrationPause.h"
#include "Platform/Format.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr const char* kArtboardClassName = "ArtboardNode";
constexpr double kGridSpacing = 20.0;  // editor points

bool snapsToGrid()
{
  return pf::UserDefaults::standard().boolForKey("Snap nodes to grid");
}

bool movesConnectedNodes()
{
  return pf::UserDefaults::standard().boolForKey("Automatically move connected nodes");
}

bool isArtboard(const MVNode* node)
{
  return node != nullptr &&
         (node->className() == kArtboardClassName || dynamic_cast<const MVArtboardSource*>(node) != nullptr);
}

// The box's frame in editor coordinates; nullopt without a box.
struct BoxFrame {
  double left = 0.0;
  double top = 0.0;
  double width = 0.0;
  double right() const { return left + width; }
};

std::optional<BoxFrame> boxFrame(const MVNode* node)
{
  const MVNodeInterfaceDelegate* view = node != nullptr ? node->nodeView() : nullptr;
  if (view == nullptr) {
    return std::nullopt;
  }
  const pf::Point origin = view->frameOrigin();
  return BoxFrame{origin.x, origin.y, view->frameSize().width};
}

// The socket of `sockets` at `index` when there is one, else the first; nullptr for none.
MVParameterSocket* socketAtIndexOrFirst(const MVParameterSocketList& sockets, int index)
{
  if (index >= 0 && static_cast<std::size_t>(index) < sockets.size()) {
    return sockets[static_cast<std::size_t>(index)].get();
  }
  return sockets.empty() ? nullptr : sockets.front().get();
}

// Sets a flag for its lifetime.
class FlagScope {
public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;
  ~FlagScope() { flag_ = false; }

private:
  bool& flag_;
};

}  // namespace

// ---- Placing nodes ----

double MVNodeController::snappedCoordinate(double coordinate)
{
  return std::round((coordinate - 10.0) / kGridSpacing) * kGridSpacing + 10.0;
}


void MVNodeController::makeSpaceAfterNode(MVNode* node, float distance, MVNode* firstConnectedNode)
{
  const std::optional<BoxFrame> frame = boxFrame(node);
  if (!frame) {
    return;
  }
  const std::vector<MVNode*> downstream =
      nodesLinkedToNode(firstConnectedNode != nullptr ? firstConnectedNode : node, false, true);
  const double right = frame->right();
  double gap = 9999.0;
  for (MVNode* each : downstream) {
    if (const std::optional<BoxFrame> other = boxFrame(each); other && other->left > right) {
      gap = std::min(gap, other->left - right);
    }
  }
  double shift = static_cast<double>(distance) - gap;
  if (snapsToGrid()) {
    shift = std::round(shift / kGridSpacing) * kGridSpacing;
  }
  if (!(shift > 0.0)) {
    return;
  }
  double previousRight = 0.0;
  bool first = true;
  for (MVNode* each : downstream) {
    std::optional<BoxFrame> other = boxFrame(each);
    if (!other) {
      continue;
    }
    if (!first) {
      previousRight += kGridSpacing;
      if (other->left >= previousRight) {
        break;  // the chain already has room from here on
      }
    }
    first = false;
    if (other->left > right) {
      other->left += shift;
      each->nodeView()->setFrameOrigin(pf::Point(other->left, other->top));
    }
    previousRight = other->right();
  }
}

MVNode* MVNodeController::addNodeOfClass(const std::string& nodeClass, MVNode* node)
{
  pf::UndoManager* undoManager = document_ != nullptr ? document_->undoManager() : nullptr;
  if (document_ != nullptr) {
    std::optional<std::string> actionName;
    if (undoManager != nullptr && !undoManager->undoActionName().empty()) {
      actionName = undoManager->undoActionName();
    }
    document_->storeCurrentConnectionsUndoState(actionName);
  }
  const std::optional<BoxFrame> frame = boxFrame(node);
  const pf::Point location = frame ? pf::Point(frame->left + 20.0 + frame->width, frame->top) : pf::Point(20.0, 0.0);
  MVNode* added = addNodeOfClass(nodeClass, location, false);
  if (added == nullptr) {
    return nullptr;
  }
  if (node != nullptr) {
    if (movesConnectedNodes()) {
      makeSpaceAfterNode(node, 40.0F, nullptr);
    }
    MVParameter* output = node->primaryOutputParameterForType(MVSocketType::Element);
    MVParameter* addedOutput = added->primaryOutputParameterForType(MVSocketType::Element);
    MVParameter* addedInput = added->primaryInputParameterForType(MVSocketType::Element);
    if (output != nullptr && addedOutput != nullptr && addedOutput->outputSocket() != nullptr) {
      // The new node takes over every consumer of the node's element output.
      std::vector<MVConnection*> leaving;
      for (const auto& socket : output->outputSockets()) {
        leaving.insert(leaving.end(), socket->outputConnections().begin(), socket->outputConnections().end());
      }
      for (MVConnection* connection : leaving) {
        connection->setFromSocket(addedOutput->outputSocket());
      }
    }
    if (output != nullptr && output->outputSocket() != nullptr && addedInput != nullptr &&
        addedInput->inputSocket() != nullptr) {
      addConnectionFromSocket(output->outputSocket(), addedInput->inputSocket());
    }
  }
  selectNode(added, false, false, true);
  return added;
}

namespace {

// The first input of `node` that can take a connection of `type`: of the type, enabled and
// shown in the box. nullptr when there is none.
MVParameter* firstAcceptingInput(const MVNode& node, MVSocketType type)
{
  for (const auto& parameter : node.parameters()) {
    if (!parameter->hasInputSocket() || !parameter->enabled() || parameter->layoutHidden()) {
      continue;
    }
    const MVParameter* candidate = parameter.get();
    const bool matches = (type == MVSocketType::Value && (dynamic_cast<const MVParameterValue*>(candidate) != nullptr ||
                                                          candidate->answersValue())) ||
                         (type == MVSocketType::Color && dynamic_cast<const MVParameterColor*>(candidate) != nullptr);
    if (matches) {
      return parameter.get();
    }
  }
  return nullptr;
}

// The first output of `node` for `type` that is shown; nullptr when there is none.
MVParameter* firstShownOutput(const MVNode& node, MVSocketType type)
{
  MVParameter* output = node.primaryOutputParameterForType(type);
  if (output == nullptr || (output->enabled() && !output->layoutHidden())) {
    return output;
  }
  for (const auto& parameter : node.parameters()) {
    if (parameter->hasOutputSocket() && parameter->enabled() && !parameter->layoutHidden() &&
        ((type == MVSocketType::Value && parameter->answersValue()) ||
         (type == MVSocketType::Color && dynamic_cast<const MVParameterColor*>(parameter.get()) != nullptr))) {
      return parameter.get();
    }
  }
  return nullptr;
}

}  // namespace

MVNode* MVNodeController::addNodeOfClassOnConnection(const std::string& nodeClass, MVConnection* connection,
                                                     pf::Point clickLocation)
{
  if (connection == nullptr) {
    return nullptr;
  }
  MVNode* fromNode = connection->fromNode();
  MVNode* toNode = connection->toNode();
  const MVSocketType type = connection->connectionType();
  const pf::PlistValue::Array snapshot = connectionDescriptionsArray();

  // Placement: right of the from-node, level with it on element chains.
  pf::Point location = clickLocation;
  const std::optional<BoxFrame> fromFrame = boxFrame(fromNode);
  const std::optional<BoxFrame> toFrame = boxFrame(toNode);
  if (fromFrame && toFrame && movesConnectedNodes() && clickLocation.x < fromFrame->right() + 180.0) {
    makeSpaceAfterNode(fromNode, 180.0F, nullptr);
  }
  if (fromFrame) {
    if (std::abs(clickLocation.x - fromFrame->right()) < 100.0) {
      location.x = fromFrame->right() + 20.0;
    }
    const bool nearFromNode = std::abs(clickLocation.y - fromFrame->top) < 100.0;
    const bool chainIsLevel = toFrame && std::abs(fromFrame->top - toFrame->top) < 1.0;
    if (type == MVSocketType::Element && (nearFromNode || chainIsLevel)) {
      location.y = fromFrame->top;
    }
  }
  if (snapsToGrid()) {
    location = pf::Point(snappedCoordinate(location.x), snappedCoordinate(location.y));
  }

  MVNode* added = nullptr;
  {
    FlagScope adding(isAddingNodeOnConnection_);
    added = addNodeOfClass(nodeClass, location, false);
    if (added != nullptr) {
      pf::UndoManager* undoManager = document_ != nullptr ? document_->undoManager() : nullptr;
      const std::string actionName = undoManager != nullptr ? undoManager->undoActionName() : std::string();
      MVParameterSocket* fromSocket = connection->fromSocket();
      MVParameterSocket* toSocket = connection->toSocket();
      // A connection being drawn hands what flows through its fixed end to value and colour nodes.
      MVParameterSocket* fixedEnd = fromSocket != nullptr && toSocket == nullptr   ? fromSocket
                                    : fromSocket == nullptr && toSocket != nullptr ? toSocket
                                                                                   : nullptr;
      if (fixedEnd != nullptr) {
        if (type == MVSocketType::Value) {
          added->setProposedValue(fixedEnd->outputValue());
        } else if (type == MVSocketType::Color) {
          added->setProposedValue(fixedEnd->outputColor());
        }
      }
      // A value or colour connection goes through the first input that can take it: enabled,
      // shown and of its type. When none can, a complete connection stays as it was.
      MVParameter* input = type == MVSocketType::Element ? added->primaryInputParameterForType(type)
                                                         : firstAcceptingInput(*added, type);
      bool routedIn = false;
      if (fromNode != nullptr) {
        if (input != nullptr && input->hasInputSocket() && input->inputSocket() != nullptr) {
          if (toNode == nullptr) {
            connection->setToSocket(input->inputSocket());
            routedIn = true;
          } else {
            routedIn = addConnectionFromSocket(fromSocket, input->inputSocket()) != nullptr;
          }
        } else if (type != MVSocketType::Element) {
          FeedbackManager::log("Warning, addNodeOfClassOnConnection: %@ has no enabled, visible input for the "
                               "connection %@, the connection is left as it was",
                               added->description(), connection->description());
        }
      }
      const bool keepConnection = type != MVSocketType::Element && fromNode != nullptr && toNode != nullptr && !routedIn;
      if (toNode != nullptr && !keepConnection) {
        MVParameter* output = type == MVSocketType::Element ? added->primaryOutputParameterForType(type)
                                                            : firstShownOutput(*added, type);
        if (output != nullptr && output->outputSocket() != nullptr) {
          connection->setFromSocket(output->outputSocket());
        }
      }
      connectionsChanged();
      if (added->hasNodeIndexParameter()) {
        if (MVParameterNodeIndex* indexParameter = added->elementIndexParameterNamed("IndexParameter")) {
          indexParameter->updateElementIndexes();
          if (const std::optional<std::string> key = getFirstNodeIndexConnectedToNode(added)) {
            const std::vector<std::string>& names = indexParameter->indexNames();
            const auto found = std::find(names.begin(), names.end(), *key);
            if (found != names.end()) {
              indexParameter->setIndex(found - names.begin());
            }
          }
        }
      }
      if (document_ != nullptr) {
        document_->storeConnectionsUndoState(snapshot, std::nullopt);
      }
      // The new inputs recorded their values under their own names meanwhile: the step is the
      // adding.
      if (undoManager != nullptr && !actionName.empty() && !undoManager->isUndoing() && !undoManager->isRedoing()) {
        undoManager->setActionName(actionName);
      }
    }
  }
  nodeArrayChanged();
  checkWarnings();
  return added;
}

// ---- Replacing, duplicating ----

void MVNodeController::replaceNode(MVNode* node, const std::string& nodeType)
{
  if (node == nullptr || nodeType.empty() || node->className() == nodeType) {
    return;
  }
  if (document_ != nullptr) {
    document_->storeCurrentConnectionsUndoState("replacing node");
  }
  const bool wasSelected = node->selected();
  const std::string oldName = node->displayName();
  MVNode* replacement = nullptr;
  {
    FlagScope replacing(isReplacingNode_);
    const MVNodeInterfaceDelegate* view = node->nodeView();
    replacement = addNodeOfClass(nodeType, view != nullptr ? view->frameOrigin() : pf::Point(), false);
    if (replacement == nullptr) {
      FeedbackManager::log("Error replacing node, could not create new node of type %@", nodeType);
      return;
    }
    pf::PlistValue::Dictionary record = node->descriptionDictionary();
    record.set("Node Replacement Mode", true);
    replacement->loadNodeDictionary(record);
    moveConnectionsToReplacement(node, replacement);
    removeNode(node);
    if (wasSelected) {
      selectNode(replacement, true, false, true);
    }
  }
  pf::UndoManager* undoManager = document_ != nullptr ? document_->undoManager() : nullptr;
  if (undoManager != nullptr && !undoManager->isUndoing() && !undoManager->isRedoing()) {
    undoManager->setActionName(pf::format("changing %@ node to %@", oldName, replacement->displayName()));
  }
}

void MVNodeController::moveConnectionsToReplacement(MVNode* node, MVNode* replacement)
{
  // A connection whose end moves may be replaced in the array: walk a copy.
  std::vector<MVConnection*> connections;
  for (const auto& connection : graph_.connections()) {
    connections.push_back(connection.get());
  }
  for (MVConnection* connection : connections) {
    const MVSocketType type = connection->connectionType();
    MVParameterSocket* fromSocket = connection->fromSocket();
    MVParameterSocket* toSocket = connection->toSocket();
    if (fromSocket != nullptr && connection->fromNode() == node) {
      MVParameter* target = replacement->parameterNamed(fromSocket->parameter()->name());
      if (target == nullptr || !target->hasOutputSocket()) {
        target = replacement->primaryOutputParameterForType(type);
      }
      MVParameterSocket* socket = target != nullptr ? socketAtIndexOrFirst(target->outputSockets(), fromSocket->socketIndex())
                                                    : nullptr;
      // A socket of another type would refuse the end and the connection would be lost.
      if (socket != nullptr && socket->socketType() == type) {
        connection->setFromSocket(socket);
      }
    } else if (toSocket != nullptr && connection->toNode() == node) {
      MVParameter* target = replacement->parameterNamed(toSocket->parameter()->name());
      if (target == nullptr || !target->hasInputSocket()) {
        target = replacement->primaryInputParameterForType(type);
      }
      MVParameterSocket* socket = target != nullptr ? socketAtIndexOrFirst(target->inputSockets(), toSocket->socketIndex())
                                                    : nullptr;
      if (socket != nullptr && socket->socketType() == type && socket->enabled()) {
        connection->setToSocket(socket);
      }
    }
  }
}

MVNode* MVNodeController::duplicateNode(MVNode* node)
{
  if (node == nullptr) {
    return nullptr;
  }
  if (isArtboard(node)) {
    FeedbackManager::log("Warning, duplicateNode: only one Artboard node is allowed per document, not duplicating %@",
                         node->description());
    return nullptr;
  }
  std::unique_ptr<MVNode> created;
  {
    // Setting up the copy is no step of its own to undo.
    MVUndoRegistrationPause paused(document_);
    created = node->copy();
  }
  if (created == nullptr) {
    FeedbackManager::log("Error, duplicateNode could not copy %@", node->description());
    return nullptr;
  }
  if (const MVNodeInterfaceDelegate* view = node->nodeView()) {
    const pf::Point origin = view->frameOrigin();
    created->setInitialNodeViewOrigin(pf::Point(origin.x + 20.0, origin.y + 20.0));
  }
  MVNode* copy = created.get();
  const std::string actionName = pf::format("duplicating %@ node", node->displayName());
  if (document_ != nullptr) {
    document_->storeNodeCreationUndoStateForNode(copy, actionName);
    document_->storeCurrentConnectionsUndoState(actionName);
  }
  graph_.appendNode(std::move(created));

  // The copy is fed like the node and feeds the same element consumers (value and colour
  // inputs take one connection, so those outputs are not copied). Connections added here come
  // after `count` and are not visited.
  const std::size_t count = graph_.connections().size();
  for (std::size_t index = 0; index < count; ++index) {
    MVConnection* connection = graph_.connections()[index].get();
    MVParameterSocket* fromSocket = connection->fromSocket();
    MVParameterSocket* toSocket = connection->toSocket();
    if (fromSocket == nullptr || toSocket == nullptr) {
      continue;
    }
    if (connection->fromNode() == node && connection->connectionType() == MVSocketType::Element) {
      MVParameterGraphics* output = copy->parameterNamed<MVParameterGraphics>(fromSocket->parameter()->name());
      if (output != nullptr && output->outputSocket() != nullptr) {
        addConnectionFromSocket(output->outputSocket(), toSocket);
      }
    } else if (connection->toNode() == node) {
      MVParameter* input = copy->parameterNamed(toSocket->parameter()->name());
      MVParameterSocket* socket = input != nullptr ? socketAtIndexOrFirst(input->inputSockets(), toSocket->socketIndex())
                                                   : nullptr;
      if (socket != nullptr) {
        addConnectionFromSocket(fromSocket, socket);
      }
    }
  }
  selectNode(copy, false, false, true);
  nodeArrayChanged();
  if (nodeEditorView_ != nullptr) {
    nodeEditorView_->nodesChanged();
  }
  // The inputs recorded their values under their own names meanwhile: the step is the copy.
  pf::UndoManager* undoManager = document_ != nullptr ? document_->undoManager() : nullptr;
  if (undoManager != nullptr && !undoManager->isUndoing() && !undoManager->isRedoing()) {
    undoManager->setActionName(actionName);
  }
  return copy;
}

// ---- Selection ----

void MVNodeController::selectAndCenterOnNode(MVNode* node)
{
  selectNode(node, false, false, true);
  if (nodeEditorView_ != nullptr && node != nullptr) {
    nodeEditorView_->scrollToNode(node);
  }
}

void MVNodeController::selectLinkedToNode(MVNode* node, bool before, bool after)
{
  for (MVNode* linked : nodesLinkedToNode(node, before, after)) {
    selectNode(linked, true, false, false);
  }
}

void MVNodeController::parameterSelected(MVParameter* parameter)
{
  MVNode* node = parameter != nullptr ? parameter->node() : nullptr;
  if (node != nullptr && !node->selected()) {
    selectNode(node, false, false, true);
  }
}

void MVNodeController::showWarningsForNode(MVNode* node)
{
  if (node == nullptr) {
    return;
  }
  if (node->selected()) {
    if (warningsManager_ != nullptr) {
      warningsManager_->toggleWarningsPanel();
    }
    return;
  }
  selectNode(node, false, false, true);
  if (warningsManager_ != nullptr) {
    warningsManager_->openWarningsPanel();
  }
}

// ---- Auto-keying ----

void MVNodeController::recordAnimatedChange(MVParameter* parameter, const std::string& propertyName)
{
  if (animationDelegate_ == nullptr || !parameter->animated()) {
    return;
  }
  if (animationDelegate_->hasAnimator(parameter, propertyName) && parameter->enabled() && !parameter->layoutHidden()) {
    if (auto* value = dynamic_cast<MVParameterValue*>(parameter)) {
      auto* twoAxis = dynamic_cast<MVParameterValue2D*>(parameter);
      const double keyed = propertyName == "y" && twoAxis != nullptr ? twoAxis->valueY() : value->value();
      animationDelegate_->setKeyframeValueAtCurrentTime(parameter, propertyName, keyed);
    }
  }
  if (propertyName == "enabled") {
    animationDelegate_->animatorsOfParameterChanged(parameter);
  }
}

// ---- Renderer set-up and statistics ----

void MVNodeController::setupRenderingThread(MVElementRenderer* renderer) const
{
  if (renderer == nullptr) {
    return;
  }
  renderer->setRenderingSize(artboardSize_.width, artboardSize_.height);
  renderer->setBackgroundColor(backgroundColor_);
  renderer->setDrawBackgroundFlag(drawBackgroundFlag_);
  renderer->setBackgroundOpacity(backgroundOpacity_);
}

std::string MVNodeController::displayTimeFromTime(double seconds)
{
  return MVStatisticsTexts::displayTimeFromTime(seconds);
}

void MVNodeController::updateStatisticsPanelWithRenderer(const MVElementRenderer* renderer)
{
  const double current = MVGenerationScheduler::now();
  animationLastFrameRenderTime_ = 0.0;
  double fps = 0.0;
  if (animationDelegate_ != nullptr && animationDelegate_->isPlaying()) {
    animationLastFrameRenderTime_ = current - animationLastFrameStartTime_;
    fps = MVStatisticsTexts::previewFrameRate(animationLastFrameRenderTime_, animationDelegate_->framerate());
  }

  MVStatisticsTexts::Reading reading;
  reading.now = current;
  reading.updateStartTime = scheduler_.updateStartTime();
  reading.updateEndTime = scheduler_.updateEndTime();
  reading.updateTime = scheduler_.updateTime();
  reading.generationStartTime = scheduler_.generationStartTime();
  reading.generationEndTime = scheduler_.generationEndTime();
  reading.generationTime = scheduler_.generationTime();
  reading.numberOfElements = scheduler_.numberOfElements();
  reading.framesPerSecond = fps;
  if (renderer != nullptr) {
    MVStatisticsTexts::RendererReading rendererReading;
    rendererReading.displayScale = renderer->displayScale();
    rendererReading.renderingSizeWidth = renderer->renderingSizeWidth();
    rendererReading.renderingSizeHeight = renderer->renderingSizeHeight();
    rendererReading.retinaScaling = renderer->retinaScaling();
    rendererReading.renderTime = renderer->renderTime();
    rendererReading.renderStartTime = renderer->renderStartTime();
    rendererReading.renderEndTime = renderer->renderEndTime();
    rendererReading.now = MVElementRenderer::renderClock();
    rendererReading.numberOfRenderedElements = static_cast<long>(renderer->numberOfRenderedElements());
    reading.renderer = rendererReading;
  }

  const MVStatisticsTexts::Texts texts = MVStatisticsTexts::compose(reading);
  numberOfRenderedElements_ = texts.numberOfRenderedElements;
  if (statisticsPanel_ != nullptr) {
    if (texts.renderSize) {
      statisticsPanel_->setRenderSizeText(*texts.renderSize);
    }
    if (texts.calculationTime) {
      statisticsPanel_->setCalculationTimeText(*texts.calculationTime);
    }
    if (texts.renderTime) {
      statisticsPanel_->setRenderTimeText(*texts.renderTime);
    }
    if (texts.elementCount) {
      statisticsPanel_->setElementCountText(*texts.elementCount);
    }
  }
  // A drag-edit's hint ("Hold Shift for uniform scale") stays until the drag ends.
  if (previewView_ != nullptr && !dragEdit_.isDragInProgress()) {
    previewView_->setStatusMessage(texts.status);
  }
}
