#include "MorvNode/Nodes/Output/ArtboardNode.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVNodeUndoDelegate.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/UndoManager.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {


// Restores the node's change forwarding when the pull ends, however it ends.
class PausedChangeHandling {
public:
  explicit PausedChangeHandling(MVNode& node) : node_(node), previous_(node.updateOnParameterChanges())
  {
    node_.setUpdateOnParameterChanges(false);
  }
  PausedChangeHandling(const PausedChangeHandling&) = delete;
  PausedChangeHandling& operator=(const PausedChangeHandling&) = delete;
  ~PausedChangeHandling() { node_.setUpdateOnParameterChanges(previous_); }

private:
  MVNode& node_;
  bool previous_;
};

// How far the edge, centre or far edge of [origin, origin + length] lies from that of
// [0, extent]: 0 edges at origin, 1 centre, 2 far edges; anything else, no alignment.
double alignmentOffset(long long code, double origin, double length, double extent)
{
  switch (code) {
  case 0:
    return origin;
  case 1:
    return origin + 0.5 * length - extent * 0.5;
  case 2:
    return origin + length - extent;
  default:
    return 0.0;
  }
}

}  // namespace

const MVNodeClass& ArtboardNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "ArtboardNode";
    info.displayName = "Artboard";
    info.displayTypeName = "Output";
    info.toolTipText = "The node graph end point outputting graphics and also sets the background color and size of "
                       "the artboard";
    info.descriptionText = "This node represents the output artboard for you design, and all elements you want to "
                           "add to the end result must be connected to a layer socket in this node.<BR><BR>This "
                           "node also controls the size and background of the artboard.";
    info.iconName = "node_icon_output_artboard.png";
    info.create = [] { return std::make_unique<ArtboardNode>(); };
    return info;
  }();
  return nodeClass;
}

ArtboardNode::ArtboardNode()
{
  initDefaultLayers();
}

void ArtboardNode::updateLinkedParameters()
{
  MVNode::updateLinkedParameters();
  backgroundOpacity_.setLayoutHidden(!backgroundColor_.enabled());
  alignHorizontal_.setLayoutHidden(!alignHeader_.enabled());
  alignVertical_.setLayoutHidden(!alignHeader_.enabled());
}

void ArtboardNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  // A layer's input or visibility changes the output but no other row.
  if (dynamic_cast<MVParameterGraphicsLayer*>(parameter) == nullptr) {
    MVNode::parameterChanged(parameter, propertyName);
  }
  if (nodeController() != nullptr && updateOnParameterChanges()) {
    nodeController()->scheduleRegeneration();
  }
}

void ArtboardNode::menuAddNodeCustomItemsToMenu(MVMenu& menu)
{
  MVNode::menuAddNodeCustomItemsToMenu(menu);
  MVMenuItem addLayer;
  addLayer.title = "Add new layer";
  addLayer.action = [this] { menuAddNewLayer(); };
  menu.items.push_back(std::move(addLayer));
  menu.items.push_back(MVMenuItem::separator());
  auto sizes = std::make_unique<MVMenu>();
  sizes->title = "Set artboard size";
  for (const auto& [title, tag] : {std::pair<const char*, int>{"256x256", 256}, {"512x512", 512}, {"1024x1024", 1024},
                                   {nullptr, 0}, {"720p (1280\u00d7720)", 720}, {"1080p (1920\u00d71080)", 1080}, {nullptr, 0}}) {
    if (title == nullptr) {
      sizes->items.push_back(MVMenuItem::separator());
      continue;
    }
    MVMenuItem size;
    size.title = title;
    size.action = [this, side = tag] { menuResizeToSize(side); };
    sizes->items.push_back(std::move(size));
  }
  MVMenuItem fit;
  fit.title = "Fit to output";
  fit.action = [this] { menuResizeToFitOutput(); };
  sizes->items.push_back(std::move(fit));
  MVMenuItem setSize;
  setSize.title = "Set artboard size";
  setSize.enabled = canSetArtboardSize();
  setSize.submenu = std::move(sizes);
  menu.items.push_back(std::move(setSize));
  menu.items.push_back(MVMenuItem::separator());
}

void ArtboardNode::checkWarnings()
{
  MVNode::checkWarnings();
  if (size_.valueX() == 1 && size_.valueY() == 1) {
    addWarningMessage("The artboard size is set to 1x1, which is very small and probably unintentional.");
  }
  const bool anyConnected =
      std::any_of(layersArray_.begin(), layersArray_.end(),
                  [](const MVParameterGraphicsLayer* layer) { return layer != nullptr && layer->hasConnectedInput(); });
  if (!anyConnected) {
    addWarningMessage("No graphics are connected to the Artboard graphics layers, so nothing will be shown. Drag "
                      "connections to the blue graphics layer sockets.");
  }
}

pf::PlistValue::Dictionary ArtboardNode::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVNode::descriptionDictionary();
  DictionaryValueExtras::setIntValue(record, layerNumberCounter_, "Layer Counter");
  return record;
}

bool ArtboardNode::loadNodeDictionary(const pf::PlistValue::Dictionary& record)
{
  removeAllLayers();
  if (const pf::PlistValue* entries = record.find("Parameters"); entries != nullptr && entries->isArray()) {
    for (const pf::PlistValue& entry : *entries->asArray()) {
      const pf::PlistValue::Dictionary* parameterRecord = entry.asDictionary();
      if (parameterRecord == nullptr) {
        continue;
      }
      const pf::PlistValue* parameterClass = parameterRecord->find("Parameter class");
      const pf::PlistValue* name = parameterRecord->find("Parameter name");
      if (parameterClass == nullptr || parameterClass->stringOr() != "MVParameterGraphicsLayer" || name == nullptr ||
          !name->isString()) {
        continue;
      }
      if (parameterNamed(*name->asString()) != nullptr) {
        FeedbackManager::log("Warning, %@ loadNodeDictionary skipped a second layer named '%@'", description(),
                             *name->asString());
        continue;
      }
      std::unique_ptr<MVParameterGraphicsLayer> layer = createNewGraphicsLayer();
      layer->setName(*name->asString());
      insertLayer(std::move(layer), layersArray_.size());
    }
  }
  if (record.contains("Layer Counter")) {
    layerNumberCounter_ = DictionaryValueExtras::intValueForKey(record, "Layer Counter");
  }
  if (layersArray_.empty()) {
    FeedbackManager::log("Warning, %@ loadNodeDictionary no layers loaded, adding default layer set", description());
    initDefaultLayers();
  }
  return MVNode::loadNodeDictionary(record);
}

std::shared_ptr<const MVElement> ArtboardNode::graphicsElementForParameter(MVParameter* parameter,
                                                                     std::shared_ptr<const MVElement> inputElement)
{
  FeedbackManager::log("Warning, ArtboardNode graphicsElementForParameter Graphics requested for %@. This should be "
                       "replaced by aligning code in layersOutputElement.",
                       parameter != nullptr ? parameter->description() : std::string("(null)"));
  return alignedElementWithInputElement(std::move(inputElement));
}

std::shared_ptr<const MVElement> ArtboardNode::layersOutputElement()
{
  // Pulling must not set off change handling.
  const PausedChangeHandling paused(*this);
  if (layersArray_.empty()) {
    return nullptr;
  }
  MVElementDelegate* elementController = nodeController() != nullptr ? nodeController()->elementDelegate() : nullptr;
  std::shared_ptr<MVElementGroup> result;
  // Bottom layer first: it is drawn first.
  for (auto layer = layersArray_.rbegin(); layer != layersArray_.rend(); ++layer) {
    if (*layer == nullptr || !(*layer)->hasConnectedInput()) {
      continue;
    }
    try {
      // Pulled before visibility is looked at: a hidden layer's upstream nodes still run.
      std::shared_ptr<const MVElement> element = (*layer)->element();
      if (element == nullptr || !(*layer)->visible()) {
        continue;
      }
      auto layerGroup = std::make_shared<MVElementGroup>();
      layerGroup->setElementName((*layer)->displayName());
      layerGroup->setNodeController(elementController);
      layerGroup->addElementWithoutRecalculatingPivot(std::move(element));
      if (result == nullptr) {
        result = std::make_shared<MVElementGroup>();
        result->setElementName("Artboard layers");
        result->setNodeController(elementController);
      }
      result->addElementWithoutRecalculatingPivot(std::move(layerGroup));
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception in generateOutputElement. Exception: %@", exception.what());
    }
  }
  if (result == nullptr) {
    return nullptr;
  }
  return alignedElementWithInputElement(std::move(result));
}

std::shared_ptr<const MVElement> ArtboardNode::alignedElementWithInputElement(std::shared_ptr<const MVElement> element)
{
  if (!alignHeader_.enabled()) {
    return element;
  }
  const long long horizontal = alignHorizontal_.index();
  const long long vertical = alignVertical_.index();
  if (horizontal < 0 && vertical < 0) {
    return element;
  }
  const pf::Size artboard = nodeController() != nullptr ? nodeController()->artboardSize() : pf::Size();
  const std::optional<pf::Rect> box = element != nullptr ? element->transformedBoundingBoxNested() : std::nullopt;
  const pf::Rect bounds = box.value_or(pf::Rect());
  const double dx = alignmentOffset(horizontal, bounds.minX(), bounds.width(), artboard.width);
  const double dy = alignmentOffset(vertical, bounds.minY(), bounds.height(), artboard.height);
  if (element == nullptr || (dx == 0 && dy == 0)) {
    return element;
  }
  std::shared_ptr<MVElement> aligned = element->copy();
  aligned->offsetPositionX(-dx, -dy);
  return aligned;
}

std::unique_ptr<MVParameterGraphicsLayer> ArtboardNode::createNewGraphicsLayer()
{
  ++layerNumberCounter_;
  return MVParameterGraphicsLayer::parameterWithName(pf::format("OutputLayer%d", layerNumberCounter_));
}

void ArtboardNode::initDefaultLayers()
{
  layerNumberCounter_ = 0;
  for (const char* displayName : {"Top layer", "Middle layer", "Bottom layer"}) {
    std::unique_ptr<MVParameterGraphicsLayer> layer = createNewGraphicsLayer();
    layer->setDisplayName(displayName);
    insertLayer(std::move(layer), layersArray_.size());
  }
}

void ArtboardNode::addLayerWithDescription(const pf::PlistValue::Dictionary& description)
{
  const pf::PlistValue* layerID = description.find("LayerID");
  if (layerID == nullptr || !layerID->isString() || layerID->asString()->empty()) {
    FeedbackManager::log("Error, Artboard node addLayerWithDescription without LayerID: %@",
                         pf::PlistValue(description).description());
    return;
  }
  if (parameterNamed(*layerID->asString()) != nullptr) {
    FeedbackManager::log("Error, Artboard node addLayerWithDescription, %@ already has a parameter named '%@'",
                         this->description(), *layerID->asString());
    return;
  }
  auto layer = MVParameterGraphicsLayer::parameterWithName(*layerID->asString());
  if (const pf::PlistValue* displayName = description.find("DisplayName"); displayName != nullptr) {
    layer->setDisplayName(displayName->stringOr());
  }
  if (description.contains("Visible")) {
    layer->setVisible(DictionaryValueExtras::boolValueForKey(description, "Visible"));
  }
  const long long requested = description.contains("LayerIndex")
                                  ? DictionaryValueExtras::longValueForKey(description, "LayerIndex")
                                  : 0;
  const auto count = static_cast<long long>(layersArray_.size());
  const auto index = static_cast<std::size_t>(std::clamp<long long>(requested, 0, count));
  insertLayer(std::move(layer), index);
  if (MVNodeInterfaceDelegate* view = nodeView()) {
    view->initParameterInterface();
  }
  const long undoIndex = static_cast<long>(index);
  registerLayerUndo([undoIndex](ArtboardNode& node) { node.removeLayerAtIndex(undoIndex); }, "adding layer");
  layersChanged();
}

std::string ArtboardNode::nextLayerName()
{
  // A record without "Layer Counter" may leave the counter below the numbers in use.
  std::string name;
  do {
    ++layerNumberCounter_;
    name = pf::format("OutputLayer%d", layerNumberCounter_);
  } while (parameterNamed(name) != nullptr);
  return name;
}

void ArtboardNode::menuAddNewLayer()
{
  addLayerWithDescription({{"LayerID", nextLayerName()},
                           {"DisplayName", "New layer"},
                           {"Visible", true},
                           {"LayerIndex", 0}});
}

void ArtboardNode::duplicateLayer(MVParameterGraphicsLayer* layer)
{
  if (layer == nullptr) {
    FeedbackManager::log("Error, Artboard node duplicateLayer with layer null");
    return;
  }
  const long index = indexOfLayer(layer);
  if (index < 0) {
    FeedbackManager::log("Error, Artboard node duplicateLayer, layer %@ not in layersArray", layer->description());
    return;
  }
  const std::string copyName = nextLayerName();
  addLayerWithDescription({{"LayerID", copyName},
                           {"DisplayName", layer->displayName() + " copy"},
                           {"Visible", layer->visible()},
                           {"LayerIndex", index + 1}});
  pf::UndoManager* undoManager = undoDelegate() != nullptr ? undoDelegate()->undoManager() : nullptr;
  if (undoManager != nullptr && !undoManager->isUndoing()) {
    undoManager->setActionName("duplicating layer");
  }
  auto* copy = parameterNamed<MVParameterGraphicsLayer>(copyName);
  MVParameterSocket* source = layer->inputSocket();
  if (copy != nullptr && source != nullptr && layer->hasConnectedInput()) {
    if (undoDelegate() != nullptr) {
      undoDelegate()->storeCurrentConnectionsUndoState(std::nullopt);
    }
    // A copy of the list: adding connections may change the socket's.
    const std::vector<MVConnection*> connections = source->inputConnections();
    for (MVConnection* connection : connections) {
      if (nodeController() != nullptr && connection->fromSocket() != nullptr) {
        nodeController()->addConnectionFromSocket(connection->fromSocket(), copy->inputSocket());
      }
    }
  }
  if (MVNodeInterfaceDelegate* view = nodeView()) {
    view->setNeedsLayout();
  }
}

void ArtboardNode::removeLayer(MVParameterGraphicsLayer* layer)
{
  if (layer == nullptr) {
    FeedbackManager::log("Error, Artboard node removeLayer with layer null");
    return;
  }
  const long index = indexOfLayer(layer);
  if (index < 0) {
    FeedbackManager::log("Error, Artboard node removeLayer, layer %@ not in layersArray", layer->description());
    return;
  }
  if (layersArray_.size() == 1) {
    FeedbackManager::log("Error, Artboard node removeLayer, trying to remove last layer %@ (not allowed)",
                         layer->description());
    return;
  }
  if (layer->hasConnectedInput() && layer->inputSocket() != nullptr) {
    layer->inputSocket()->removeAllInputConnections();
  }
  const pf::PlistValue::Dictionary restore = descriptionForLayer(*layer);
  registerLayerUndo([restore](ArtboardNode& node) { node.addLayerWithDescription(restore); }, "delete layer");
  layer->setParameterView(nullptr);
  layersArray_.erase(layersArray_.begin() + index);
  removeParameter(layer);  // destroys the layer
  layersChanged();
}

void ArtboardNode::removeLayerAtIndex(long index)
{
  if (index < 0 || index >= static_cast<long>(layersArray_.size())) {
    FeedbackManager::log("Error, removeLayerAtIndex index %ld outside layersArray bounds", index);
    return;
  }
  removeLayer(layersArray_[static_cast<std::size_t>(index)]);
}

void ArtboardNode::moveLayer(MVParameterGraphicsLayer* layer, int direction)
{
  if (layer == nullptr || direction == 0) {
    FeedbackManager::log("Error, Artboard node moveLayer with layer null");
    return;
  }
  const long index = indexOfLayer(layer);
  if (index < 0) {
    FeedbackManager::log("Error, Artboard node moveLayer, layer %@ not in layersArray", layer->description());
    return;
  }
  const long newIndex = index + direction;
  if (newIndex < 0 || newIndex >= static_cast<long>(layersArray_.size())) {
    FeedbackManager::log("Error, Artboard node moveLayer, layer %@ newLayerIndex %ld out of array bounds",
                         layer->description(), newIndex);
    if (MVNodeInterfaceDelegate* view = nodeView()) {
      view->setNeedsLayout();
    }
    return;
  }
  if (direction < 1) {
    registerLayerUndo([newIndex](ArtboardNode& node) { node.moveLayerAtIndexDown(newIndex); }, "reorder layer");
  } else {
    registerLayerUndo([newIndex](ArtboardNode& node) { node.moveLayerAtIndexUp(newIndex); }, "reorder layer");
  }
  layersArray_.erase(layersArray_.begin() + index);
  std::unique_ptr<MVParameter> moved = removeParameter(layer);
  insertLayer(std::unique_ptr<MVParameterGraphicsLayer>(static_cast<MVParameterGraphicsLayer*>(moved.release())),
              static_cast<std::size_t>(newIndex));
  layersChanged();
}

void ArtboardNode::moveLayerAtIndexUp(long index)
{
  if (index < 0 || index >= static_cast<long>(layersArray_.size())) {
    FeedbackManager::log("Error, moveLayerAtIndexUp index %ld outside layersArray bounds", index);
    return;
  }
  moveLayer(layersArray_[static_cast<std::size_t>(index)], -1);
}

void ArtboardNode::moveLayerAtIndexDown(long index)
{
  if (index < 0 || index >= static_cast<long>(layersArray_.size())) {
    FeedbackManager::log("Error, moveLayerAtIndexDown index %ld outside layersArray bounds", index);
    return;
  }
  moveLayer(layersArray_[static_cast<std::size_t>(index)], 1);
}

bool ArtboardNode::isLayerFirstLayer(const MVParameterGraphicsLayer* layer) const
{
  return !layersArray_.empty() && layersArray_.front() == layer;
}

bool ArtboardNode::isLayerLastLayer(const MVParameterGraphicsLayer* layer) const
{
  return !layersArray_.empty() && layersArray_.back() == layer;
}

pf::PlistValue::Dictionary ArtboardNode::descriptionForLayer(const MVParameterGraphicsLayer& layer) const
{
  return {{"LayerID", layer.name()},
          {"DisplayName", layer.displayName()},
          {"Visible", layer.visible()},
          {"LayerIndex", indexOfLayer(&layer)}};
}

void ArtboardNode::menuResizeToSize(int tag)
{
  switch (tag) {
  case 0:
    size_.setValueX(256.0, 256.0);
    break;
  case 1080:
    size_.setValueX(1920.0, 1080.0);
    break;
  case 720:
    size_.setValueX(1280.0, 720.0);
    break;
  default:
    size_.setValueX(tag, tag);
    break;
  }
}

void ArtboardNode::menuResizeToFitOutput()
{
  const std::shared_ptr<const MVElement> output = nodeController() != nullptr ? nodeController()->outputElement() : nullptr;
  const std::optional<pf::Rect> box = output != nullptr ? output->boundingBoxNested() : std::nullopt;
  if (!box) {
    FeedbackManager::log("Error, trying to set artboard size to fit output element, but self.nodeController has no "
                         "output element");
    return;
  }
  size_.setValueX(std::ceil(box->width()), std::ceil(box->height()));
}

bool ArtboardNode::canSetArtboardSize() const
{
  return !size_.hasConnectedInput();
}

ArtboardNode* ArtboardNode::artboardForUndo(MVNodeUndoDelegate* delegate, const std::string& nodeId)
{
  const std::string identifier = pf::format("%@ : %@", nodeId, kLayersHeaderName);
  MVParameter* header = delegate != nullptr ? delegate->parameterWithPresistentParameterIdentifier(identifier) : nullptr;
  auto* node = header != nullptr ? dynamic_cast<ArtboardNode*>(header->node()) : nullptr;
  if (node == nullptr) {
    FeedbackManager::log("Error, Artboard node layer undo could not find artboard node %@", nodeId);
  }
  return node;
}

void ArtboardNode::registerLayerUndo(std::function<void(ArtboardNode&)> step, const std::string& actionName)
{
  MVNodeUndoDelegate* delegate = undoDelegate();
  pf::UndoManager* undoManager = delegate != nullptr ? delegate->undoManager() : nullptr;
  if (undoManager == nullptr || !delegate->isUndoRegistrationEnabled()) {
    return;
  }
  undoManager->registerUndo([delegate, id = nodeId(), step = std::move(step)] {
    if (ArtboardNode* node = artboardForUndo(delegate, id)) {
      step(*node);
    }
  });
  if (!undoManager->isUndoing()) {
    undoManager->setActionName(actionName);
  }
}

long ArtboardNode::indexOfLayer(const MVParameterGraphicsLayer* layer) const
{
  const auto found = std::find(layersArray_.begin(), layersArray_.end(), layer);
  return found == layersArray_.end() ? -1 : static_cast<long>(found - layersArray_.begin());
}

MVParameterGraphicsLayer* ArtboardNode::insertLayer(std::unique_ptr<MVParameterGraphicsLayer> layer,
                                                     std::size_t layerIndex)
{
  MVParameterGraphicsLayer* added = layer.get();
  layerIndex = std::min(layerIndex, layersArray_.size());
  // The parameter goes where its neighbours in the layer list are: before the layer that
  // follows it, else after the one before it, else after the header.
  const auto positionOf = [this](const MVParameter* parameter) -> std::optional<std::size_t> {
    const auto& list = parameters();
    const auto found =
        std::find_if(list.begin(), list.end(), [parameter](const auto& p) { return p.get() == parameter; });
    return found == list.end() ? std::nullopt : std::optional<std::size_t>(found - list.begin());
  };
  std::optional<std::size_t> position;
  if (layerIndex < layersArray_.size()) {
    position = positionOf(layersArray_[layerIndex]);
  } else if (layerIndex > 0) {
    if (const auto before = positionOf(layersArray_[layerIndex - 1])) {
      position = *before + 1;
    }
  } else if (const auto header = positionOf(&layersHeader_)) {
    position = *header + 1;
  }
  layersArray_.insert(layersArray_.begin() + static_cast<std::ptrdiff_t>(layerIndex), added);
  if (position && *position < parameters().size()) {
    addParameter(std::move(layer), static_cast<long>(*position));
  } else {
    addParameter(std::move(layer));
  }
  return added;
}

void ArtboardNode::removeAllLayers()
{
  layersArray_.clear();
  std::vector<const MVParameter*> layers;
  for (const auto& parameter : parameters()) {
    if (dynamic_cast<const MVParameterGraphicsLayer*>(parameter.get()) != nullptr) {
      layers.push_back(parameter.get());
    }
  }
  for (const MVParameter* layer : layers) {
    removeParameter(layer);
  }
}

void ArtboardNode::layersChanged()
{
  if (MVNodeInterfaceDelegate* view = nodeView()) {
    view->setNeedsLayout();
  }
  if (nodeController() != nullptr && updateOnParameterChanges()) {
    nodeController()->scheduleRegeneration();
  }
}

std::optional<std::string> ArtboardNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "X") {
    return "Size:X";
  }
  if (name == "Y") {
    return "Size:Y";
  }
  if (name == "Has Background") {
    return "Background Color[ENABLE]";
  }
  return MVNode::legacyMV2ParameterNameTranslation(name);
}

bool ArtboardNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const pf::PlistValue* valuesEntry = record.find("Parameter values");
  if (const pf::PlistValue::Dictionary* values = valuesEntry != nullptr ? valuesEntry->asDictionary() : nullptr) {
    const auto isYes = [values](std::string_view key) {
      const pf::PlistValue* value = values->find(key);
      return value != nullptr && value->toBool().value_or(false);
    };
    if (isYes("Has Mirroring") && (isYes("Horizontal mirroring") || isYes("Vertical mirroring"))) {
      addLoadingWarningMessage(
          "This file had legacy art board mirroring enabled. This feature was deprecated and removed in Morvalis 2 "
          "and is no longer supported in Morvalis 3. Use the Repeat Mirror node instead to make mirrored designs.");
    }
  }
  const pf::PlistValue* layers = record.find("Output layers");
  if (layers != nullptr && layers->isArray() && layers->size() > 0) {
    removeAllLayers();
    long long index = 0;
    for (const pf::PlistValue& entry : *layers->asArray()) {
      const pf::PlistValue::Dictionary* description = entry.asDictionary();
      if (description == nullptr) {
        FeedbackManager::log("Warning, %@ loadLegacyMV2NodeDictionary skipped a layer description that is not a "
                             "dictionary",
                             this->description());
        continue;
      }
      pf::PlistValue::Dictionary layer = *description;
      layer.set("LayerIndex", index++);
      addLayerWithDescription(layer);
    }
    if (layersArray_.empty()) {
      FeedbackManager::log("Warning, %@ loadLegacyMV2NodeDictionary no layers loaded, adding default layer set",
                           this->description());
      initDefaultLayers();
    }
  }
  // Layers added later are named from "OutputLayer101" on.
  layerNumberCounter_ = 100;
  return MVNode::loadLegacyMV2NodeDictionary(record);
}
