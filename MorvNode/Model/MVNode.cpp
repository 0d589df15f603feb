#include "MorvNode/Model/MVNode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "MorvNode/Elements/MVElementDelegate.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVLegacyNodeRecordReader.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVNodeUndoDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Model/MVUndoRegistrationPause.h"
#include "Platform/GeometryStrings.h"
#include "Platform/Numbers.h"
#include "Platform/Unicode.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

// The kinds checkWarnings() reads (parse errors, missing node indexes).
bool hasWarningChecks(const MVParameter* parameter)
{
  return dynamic_cast<const MVParameterValueExpression*>(parameter) != nullptr ||
         dynamic_cast<const MVParameterNodeIndex*>(parameter) != nullptr;
}

// Seed sums wrap like two's-complement 64-bit integers.
std::int64_t wrappingSum(std::int64_t a, std::int64_t b, std::int64_t c = 0)
{
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b) +
                                   static_cast<std::uint64_t>(c));
}

constexpr double kRandomIntegerScale = 10000000.0;

}  // namespace

MVNode::~MVNode() = default;

const MVNodeClass& MVNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass base;
    base.create = [] { return std::make_unique<MVNode>(); };
    return base;
  }();
  return nodeClass;
}

void MVNode::initWithNodeID(const std::string& nodeId)
{
  setNodeId(nodeId);
  warningMessages_.clear();
  loadingWarningMessages_.clear();
  updateOnParameterChanges_ = false;
  initNodeParameters();
  updateLinkedParameters();
  resetNodeIndexes();
  updateOnParameterChanges_ = true;
  checkParameterDefinitions();
}

void MVNode::initNodeParameters()
{
  setMightHaveDynamicInput(false);
  displayName_ = nodeClass().displayName;
  nodeTypeHeader_ = nodeClass().displayTypeName;
  enabled_ = true;
}

void MVNode::setNodeController(MVNodeDelegate* controller)
{
  nodeController_ = controller;
  for (const auto& parameter : parameters_) {
    parameter->setNodeController(controller);
  }
}

void MVNode::setUndoDelegate(MVNodeUndoDelegate* undoDelegate)
{
  undoDelegate_ = undoDelegate;
  for (const auto& parameter : parameters_) {
    parameter->setUndoDelegate(undoDelegate);
  }
}

MVParameter* MVNode::addParameter(std::unique_ptr<MVParameter> parameter)
{
  return insertParameter(std::move(parameter), parameters_.size());
}

MVParameter* MVNode::addParameter(std::unique_ptr<MVParameter> parameter, long index)
{
  if (parameter == nullptr) {
    return nullptr;
  }
  if (index < 0 || static_cast<std::size_t>(index) >= parameters_.size()) {
    FeedbackManager::log("Warning, addParameter: %@ to %@ specified index %ld is invalid, added parameter last",
                         parameter->description(), description(), index);
    return insertParameter(std::move(parameter), parameters_.size());
  }
  return insertParameter(std::move(parameter), static_cast<std::size_t>(index));
}

MVParameter* MVNode::addParameterAfter(std::unique_ptr<MVParameter> parameter, std::string_view previous)
{
  if (parameter == nullptr) {
    return nullptr;
  }
  for (std::size_t i = 0; i < parameters_.size(); ++i) {
    if (parameters_[i]->name() == previous) {
      return insertParameter(std::move(parameter), i + 1);
    }
  }
  FeedbackManager::log("Warning, addParameter: %@ to %@ specified previous parameter %@ is missing, added parameter last",
                       parameter->description(), description(), std::string(previous));
  return insertParameter(std::move(parameter), parameters_.size());
}

MVParameter* MVNode::insertParameter(std::unique_ptr<MVParameter> parameter, std::size_t position)
{
  if (parameter == nullptr) {
    return nullptr;
  }
  MVParameter* added = parameter.get();
  parameters_.insert(parameters_.begin() + static_cast<std::ptrdiff_t>(position), std::move(parameter));
  added->setNode(this);
  added->setUndoDelegate(undoDelegate_);
  added->setNodeController(nodeController_);
  added->setupSockets();
  if (dynamic_cast<MVParameterNodeIndex*>(added) != nullptr) {
    hasNodeIndexParameter_ = true;
  }
  if (hasWarningChecks(added)) {
    // Rare (expression and node-index kinds): the list is rebuilt to keep the parameter order.
    warningParameters_.clear();
    for (const auto& parameter : parameters_) {
      if (hasWarningChecks(parameter.get())) {
        warningParameters_.push_back(parameter.get());
      }
    }
  }
  return added;
}

std::unique_ptr<MVParameter> MVNode::removeParameter(const MVParameter* parameter)
{
  const auto found = std::find_if(parameters_.begin(), parameters_.end(),
                                  [parameter](const auto& candidate) { return candidate.get() == parameter; });
  if (parameter == nullptr || found == parameters_.end()) {
    return nullptr;
  }
  std::unique_ptr<MVParameter> removed = std::move(*found);
  parameters_.erase(found);
  std::erase(warningParameters_, removed.get());
  if (removed.get() == showRandomSeedParameter_) {
    showRandomSeedParameter_ = nullptr;
  }
  if (removed.get() == randomSeedParameter_) {
    randomSeedParameter_ = nullptr;
  }
  if (nodeController_ != nullptr) {
    nodeController_->parameterRemoved(removed.get());
  }
  removed->setNode(nullptr);
  removed->setNodeController(nullptr);
  removed->setUndoDelegate(nullptr);
  return removed;
}

MVParameter* MVNode::parameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameter>(name);
}

MVParameterValue2D* MVNode::value2DParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterValue2D>(name);
}

MVParameterValue* MVNode::valueParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterValue>(name);
}

MVParameterIndex* MVNode::indexParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterIndex>(name);
}

MVParameterNodeIndex* MVNode::elementIndexParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterNodeIndex>(name);
}

MVParameterValueExpression* MVNode::expressionParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterValueExpression>(name);
}

MVParameterBool* MVNode::boolParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterBool>(name);
}

MVParameterColor* MVNode::colorParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterColor>(name);
}

MVParameterGraphics* MVNode::graphicsParameterNamed(std::string_view name) const
{
  return parameterNamed<MVParameterGraphics>(name);
}

std::optional<pf::Color> MVNode::colorValueForParameterNamed(std::string_view name) const
{
  if (MVParameterColor* parameter = colorParameterNamed(name)) {
    return parameter->color();
  }
  FeedbackManager::log("Error: %@ colorValueForParameterNamed parameter '%@' not found", description(), name);
  return std::nullopt;
}

double MVNode::doubleValueForParameterNamed(std::string_view name) const
{
  if (MVParameterValue* parameter = valueParameterNamed(name)) {
    return parameter->value();
  }
  FeedbackManager::log("Error: %@ doubleValueForParameterNamed parameter '%@' not found", description(), name);
  return 0.0;
}

int MVNode::intValueForParameterNamed(std::string_view name) const
{
  if (MVParameterIndex* parameter = indexParameterNamed(name)) {
    return std::clamp<long long>(parameter->index(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  }
  if (MVParameterValue* parameter = valueParameterNamed(name)) {
    return pf::roundedSaturatingCast<int>(parameter->value());
  }
  FeedbackManager::log("Error: %@ intValueForParameterNamed parameter '%@' not found", description(), name);
  return 0;
}

long long MVNode::longValueForParameterNamed(std::string_view name) const
{
  if (MVParameterIndex* parameter = indexParameterNamed(name)) {
    return parameter->index();
  }
  if (MVParameterValue* parameter = valueParameterNamed(name)) {
    return pf::roundedSaturatingCast<long long>(parameter->value());
  }
  FeedbackManager::log("Error: %@ longValueForParameterNamed parameter '%@' not found", description(), name);
  return 0;
}

bool MVNode::boolValueForParameterNamed(std::string_view name) const
{
  if (MVParameterBool* parameter = boolParameterNamed(name)) {
    return parameter->value();
  }
  FeedbackManager::log("Error: %@ boolValueForParameterNamed parameter '%@' not found", description(), name);
  return false;
}

void MVNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  warningsCurrent_ = false;
  // Changes made by the linking come back here with the flag clear: they neither link again
  // nor reach the controller.
  const bool forwarding = updateOnParameterChanges_;
  updateOnParameterChanges_ = false;
  if (forwarding) {
    updateLinkedParameters();
  }
  updateOnParameterChanges_ = forwarding;

  if (parameter != nullptr && parameter == randomSeedParameter_) {
    nodeRandomSeed_ = pf::saturatingCast<std::int64_t>(randomSeedParameter_->value());
  }
  if (nodeController_ != nullptr && updateOnParameterChanges_) {
    nodeController_->parameterChanged(parameter, propertyName);
  }
}

void MVNode::updateLinkedParameters()
{
  if (showRandomSeedParameter_ != nullptr && randomSeedParameter_ != nullptr) {
    const bool shown = showRandomSeedParameter_->enabled() && !showRandomSeedParameter_->layoutHidden();
    randomSeedParameter_->setLayoutHidden(!shown);
  }
}

void MVNode::updateDependentParameters()
{
  for (const auto& parameter : parameters_) {
    if (parameter->hasValueSource()) {
      parameter->inputChanged();
    }
  }
}

void MVNode::clearCachedValues()
{
  if (refreshCount_.refreshes == std::numeric_limits<std::uint32_t>::max()) {
    // Before the count wraps, every parameter writes the refreshes it has not seen into its
    // flags: none can then take the wrapped count for the one it saw.
    for (const auto& parameter : parameters_) {
      parameter->setNeedsToUpdate(true);
    }
  }
  ++refreshCount_.refreshes;
  parametersAwaitingUpdate_ = awaitableParameters_;
}

void MVNode::nodeIndexUpdated(const std::string& indexName)
{
  if (!hasNodeIndexParameter_) {
    return;
  }
  MVParameterNodeIndex* parameter = elementIndexParameterNamed("IndexParameter");
  if (parameter != nullptr && !parameter->layoutHidden() && parameter->indexName() == indexName) {
    parameter->inputChanged();
  }
}

void MVNode::reverseConnectionOrder()
{
  for (const auto& parameter : parameters_) {
    for (const auto& socket : parameter->inputSockets()) {
      if (socket->socketType() != MVSocketType::Element || socket->inputConnections().size() < 2) {
        continue;
      }
      // One record of the connection list before the change, so undo restores the old order.
      if (undoDelegate_ != nullptr) {
        undoDelegate_->storeCurrentConnectionsUndoState(std::nullopt);
      }
      socket->reverseInputConnections();
      if (nodeController_ != nullptr) {
        nodeController_->inputConnectionsReordered(socket.get());
      }
      socket->inputChanged();
    }
  }
}

std::shared_ptr<const MVElement> MVNode::graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement)
{
  if (parameter != nullptr && parameter->name() == "Graphics") {
    FeedbackManager::log("graphicsElementForParameter Graphics requested but not implemented for %@", description());
  } else {
    FeedbackManager::log("graphicsElementForParameter requested but not implemented for parameter %@",
                         parameter != nullptr ? parameter->description() : std::string("(null)"));
  }
  return inputElement;
}

std::shared_ptr<const MVElement> MVNode::graphicsPreviewElementForParameter(MVParameter*,
                                                                           std::shared_ptr<const MVElement> element)
{
  return element;
}

pf::Color MVNode::colorForParameter(MVParameter*, const pf::Color& inputColor)
{
  FeedbackManager::log("colorForParameter requested but not implemented for %@", description());
  return inputColor;
}

double MVNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  FeedbackManager::log("Warning: %@ valueForParameter requested but not implemented for parameter %@ field#%d",
                       description(), parameter != nullptr ? parameter->description() : std::string("(null)"),
                       fieldIndex);
  return inputValue;
}

bool MVNode::hasConnectedInput() const
{
  return std::any_of(parameters_.begin(), parameters_.end(), [](const auto& parameter) {
    return parameter->enabled() && !parameter->layoutHidden() && parameter->hasConnectedInput();
  });
}

bool MVNode::hasConnectedOutput() const
{
  return std::any_of(parameters_.begin(), parameters_.end(), [](const auto& parameter) {
    return parameter->enabled() && !parameter->layoutHidden() && parameter->hasConnectedOutput();
  });
}

MVParameter* MVNode::primaryInputParameterForType(MVSocketType type) const
{
  for (const auto& parameter : parameters_) {
    if (!parameter->hasInputSocket()) {
      continue;
    }
    const MVParameter* candidate = parameter.get();
    const bool matches = (type == MVSocketType::Value &&
                          (dynamic_cast<const MVParameterValue*>(candidate) != nullptr || candidate->answersValue())) ||
                         (type == MVSocketType::Color && dynamic_cast<const MVParameterColor*>(candidate) != nullptr) ||
                         (type == MVSocketType::Element && dynamic_cast<const MVParameterGraphics*>(candidate) != nullptr);
    if (matches) {
      return parameter.get();
    }
  }
  return nullptr;
}

MVParameter* MVNode::primaryOutputParameterForType(MVSocketType type) const
{
  for (const auto& parameter : parameters_) {
    if (!parameter->hasOutputSocket()) {
      continue;
    }
    const MVParameter* candidate = parameter.get();
    const bool matches = (type == MVSocketType::Value && candidate->answersValue()) ||
                         (type == MVSocketType::Color && dynamic_cast<const MVParameterColor*>(candidate) != nullptr) ||
                         (type == MVSocketType::Element && dynamic_cast<const MVParameterGraphics*>(candidate) != nullptr);
    if (matches) {
      return parameter.get();
    }
  }
  return nullptr;
}

std::string MVNode::displayName() const
{
  const std::string& classDisplayName = nodeClass().displayName;
  const std::string& stored = displayName_ ? *displayName_ : classDisplayName;
  if (stored == classDisplayName && nodeController_ != nullptr &&
      nodeController_->nodeTypeCountForClass(className()) >= 2) {
    return pf::format("%@ %d", stored, dynamicNodeDisplayIndex_);
  }
  return stored;
}

void MVNode::setDisplayName(const std::string& displayName)
{
  // A caller may hand over bytes that are not UTF-8; the document could not save them.
  if (!pf::isValidUTF8(displayName)) {
    setDisplayName(pf::wellFormedUTF8(displayName));
  } else if (displayName_ != displayName) {
    displayName_ = displayName;
  }
}

std::string MVNode::displayFullName() const
{
  return pf::format("%@ %@", nodeClass().displayTypeName, displayName());
}

std::string MVNode::description() const
{
  return pf::format("<%@ '%@' (ID:%@)>", className(), displayName(), nodeId_);
}

void MVNode::setEnabled(bool enabled)
{
  if (enabled == enabled_) {
    return;
  }
  if (nodeController_ != nullptr) {
    registerUndoProperty("enabled", pf::PlistValue(enabled_));
  }
  enabled_ = enabled;
  warningsCurrent_ = false;
  if (nodeView_) {
    nodeView_->setNeedsLayout();
  }
  if (nodeController_ != nullptr) {
    updateOutputParameters();
  }
}

void MVNode::setSelected(bool selected)
{
  if (selected == selected_ || referenceMode_) {
    return;
  }
  selected_ = selected;
  if (nodeView_) {
    nodeView_->setNeedsLayout();
  }
}

void MVNode::setInitialNodeViewOrigin(pf::Point origin)
{
  if (origin.x == initialNodeViewOrigin_.x && origin.y == initialNodeViewOrigin_.y) {
    return;
  }
  if (nodeController_ != nullptr) {
    registerUndoProperty("position", pf::PlistValue(pf::pointString(initialNodeViewOrigin_)));
  }
  initialNodeViewOrigin_ = origin;
}

void MVNode::initNodeRandomSeedParameters(std::string_view after)
{
  std::unique_ptr<MVParameter> show = MVParameter::parameterWithName("Show seed");
  show->setDisplayName("Show seed");
  show->setTooltip("Show or edit random seed value used to generate random parameters in this node");
  show->setLayoutHasEnableToggle(true);
  show->setEnabled(false);
  showRandomSeedParameter_ = after.empty() ? addParameter(std::move(show)) : addParameterAfter(std::move(show), after);

  std::unique_ptr<MVParameterValue> seed = MVParameterValue::parameterWithName("Seed");
  seed->setDisplayName("Seed");
  seed->setPreferredValueRangeMin(0.0);
  seed->setPreferredValueRangeMax(10000.0);
  seed->setValue(static_cast<double>(std::rand() % 10000));  // a new node gets a seed from 0 to 9999
  seed->setIsInteger(true);
  seed->setTooltip("The random seed used for the random values of this node");
  randomSeedParameter_ = static_cast<MVParameterValue*>(addParameterAfter(std::move(seed), "Show seed"));
}

void MVNode::initRandomSeed()
{
  randomIncrementalSeed_ = 0;
  nodeRandomSeed_ =
      randomSeedParameter_ != nullptr ? pf::saturatingCast<std::int64_t>(randomSeedParameter_->value()) : 0;
}

void MVNode::updateIncrementalRandomSeed()
{
  const double draw = randomSource_ != nullptr
                          ? randomSource_->randomDoubleWithSeed(wrappingSum(randomIncrementalSeed_, nodeRandomSeed_))
                          : 0.0;
  randomIncrementalSeed_ = pf::saturatingCast<std::int64_t>(draw * kRandomIntegerScale);
}

void MVNode::incrementRandomIncrementalSeed()
{
  randomIncrementalSeed_ = wrappingSum(randomIncrementalSeed_, 1);
}

double MVNode::randomDoubleWithSeed(long long index) const
{
  if (randomSource_ == nullptr) {
    FeedbackManager::log("Error, %@ has no randomSource for randomDoubleWithSeed", description());
    return 0.0;
  }
  return randomSource_->randomDoubleWithSeed(wrappingSum(index, nodeRandomSeed_, randomIncrementalSeed_));
}

long long MVNode::randomIntegerWithSeed(long long index) const
{
  if (randomSource_ == nullptr) {
    FeedbackManager::log("Error, %@ has no randomSource for randomIntegerWithSeed", description());
    return 0;
  }
  const double draw = randomSource_->randomDoubleWithSeed(wrappingSum(index, nodeRandomSeed_, randomIncrementalSeed_));
  return pf::saturatingCast<long long>(draw * kRandomIntegerScale);
}

void MVNode::registerUndoProperty(const std::string& propertyName, const std::optional<pf::PlistValue>& oldValue)
{
  if (undoDelegate_ == nullptr) {
    if (!referenceMode_) {
      FeedbackManager::log("Warning, %@ registerUndoProperty:%@ with no undoDelegate set", description(), propertyName);
    }
    return;
  }
  if (!undoDelegate_->isUndoRegistrationEnabled()) {
    return;
  }
  pf::PlistValue::Dictionary state;
  state.set("propertyName", propertyName);
  if (oldValue) {
    state.set("propertyValue", *oldValue);
  }
  undoDelegate_->storeNodeUndoState(state, this, undoActionNameForProperty(propertyName));
}

std::string MVNode::undoActionNameForProperty(const std::string& propertyName) const
{
  const std::string label = pf::lowercased(displayName());
  if (propertyName == "enabled") {
    return pf::format(enabled_ ? "disable %@ node" : "enable %@ node", label);
  }
  if (propertyName == "displayName") {
    return "rename node";
  }
  if (propertyName == "position") {
    return pf::format("move %@ node", label);
  }
  return pf::format("%@ change", label);
}

void MVNode::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  if (propertyName == "displayName") {
    registerUndoProperty("displayName", pf::PlistValue(displayName_ ? *displayName_ : nodeClass().displayName));
    setDisplayName(value.stringOr());
    if (nodeView_) {
      nodeView_->setNeedsLayout();
    }
  } else if (propertyName == "enabled") {
    setEnabled(value.toBool().value_or(false));
  } else if (propertyName == "position") {
    const pf::Point origin = pf::pointFromString(value.stringOr());
    if (std::isnan(origin.x) || std::isnan(origin.y)) {
      return;
    }
    setInitialNodeViewOrigin(origin);
    if (nodeView_) {
      nodeView_->setFrameOrigin(initialNodeViewOrigin_);
      if (nodeController_ != nullptr) {
        nodeController_->connectionsChanged();  // connection views follow the box
      }
    }
  }
}

void MVNode::addWarningMessage(const std::string& message)
{
  if (referenceMode_ || std::find(warningMessages_.begin(), warningMessages_.end(), message) != warningMessages_.end()) {
    return;
  }
  warningMessages_.push_back(message);
}

void MVNode::updateWarnings()
{
  checkWarnings();
  warningsCurrent_ = warningsFollowOwnState() && warningParameters_.empty() && parametersWithConnectedInput_ == 0;
}

void MVNode::checkWarnings()
{
  warningMessages_.clear();
  if (parameters_.empty() || referenceMode_) {
    return;
  }
  for (const MVParameter* parameter : warningParameters_) {
    if (!parameter->enabled() || parameter->layoutHidden()) {
      continue;
    }
    if (const auto* expression = dynamic_cast<const MVParameterValueExpression*>(parameter)) {
      if (expression->parsingErrorFlag()) {
        addWarningMessage(
            pf::format("Could not parse expression '%@'. Will output 0 instead", expression->expressionString()));
      }
    }
    if (const auto* nodeIndex = dynamic_cast<const MVParameterNodeIndex*>(parameter)) {
      if (nodeIndex->indexNames().empty()) {
        addWarningMessage("Node indexes are used to generate dynamic input parameters in Group and Repeater nodes, "
                          "but there are no nodes generating node indexes in this file.");
      } else if (nodeIndex->invalidIndexFlag()) {
        addWarningMessage(pf::format("The selected node index '%@' is not available to this node and will be 0. "
                                     "Select a node index from a connected node after this one.",
                                     nodeIndex->indexDisplayName()));
      }
    }
  }
}

std::shared_ptr<const MVElement> MVNode::getReferenceInputGraphicsNamed(const std::string&)
{
  // The controller implements both delegate interfaces.
  return MVElementGroup::referenceGroup(dynamic_cast<MVElementDelegate*>(nodeController_));
}

pf::PlistValue::Dictionary MVNode::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record;
  record.set("Node class", className());
  record.set("Node id", nodeId_);
  DictionaryValueExtras::setBoolValue(record, enabled_, "Enabled");
  if (canRename() && displayName_ && *displayName_ != nodeClass().displayName) {
    record.set("Node display name", *displayName_);
  }
  // The box's origin when there is a box, else the stored one (headless documents keep it).
  const pf::Point origin = nodeView_ ? nodeView_->frameOrigin() : initialNodeViewOrigin_;
  record.set("Node view origin", pf::pointString(origin));
  pf::PlistValue::Array parameterRecords;
  parameterRecords.reserve(parameters_.size());
  for (const auto& parameter : parameters_) {
    parameterRecords.emplace_back(parameter->descriptionDictionary());
  }
  record.set("Parameters", pf::PlistValue(std::move(parameterRecords)));
  return record;
}

bool MVNode::loadNodeDictionary(const pf::PlistValue::Dictionary& record)
{
  // Loading sets values without telling the node.
  warningsCurrent_ = false;
  const pf::PlistValue* storedClass = record.find("Node class");
  if (storedClass == nullptr) {
    updateLinkedParameters();
    return true;
  }
  {
    const MVUndoRegistrationPause paused(undoDelegate_);
    // Replacement: another class's record carried over by name; the node keeps its own ID.
    const bool replacementMode = record.contains("Node Replacement Mode");
    if (!replacementMode && storedClass->stringOr() != className()) {
      FeedbackManager::log("Warning, %@ loadNodeDictionary specified class %@ does not match node class.",
                           description(), storedClass->stringOr());
    }
    if (record.contains("Enabled") && canDisable()) {
      setEnabled(DictionaryValueExtras::boolValueForKey(record, "Enabled"));
    }
    if (const pf::PlistValue* storedId = record.find("Node id"); storedId != nullptr && !replacementMode) {
      if (storedId->isString()) {
        setNodeId(*storedId->asString());
      } else if (const std::optional<std::int64_t> number = storedId->isNumber() ? storedId->toInteger() : std::nullopt) {
        setNodeId(std::to_string(*number));
      }
    }
    if (const pf::PlistValue* storedName = record.find("Node display name"); storedName != nullptr && canRename()) {
      setDisplayName(storedName->stringOr());
    }
    if (const pf::PlistValue* storedOrigin = record.find("Node view origin")) {
      setInitialNodeViewOrigin(pf::pointFromString(storedOrigin->stringOr()));
    }
    const pf::PlistValue* parameterRecords = record.find("Parameters");
    if (parameterRecords == nullptr || !parameterRecords->isArray()) {
      FeedbackManager::log("Warning, %@ loadNodeDictionary, no Parameters found", description());
    } else {
      for (const pf::PlistValue& entry : *parameterRecords->asArray()) {
        const pf::PlistValue::Dictionary* parameterRecord = entry.asDictionary();
        const pf::PlistValue* name = parameterRecord != nullptr ? parameterRecord->find("Parameter name") : nullptr;
        if (name == nullptr || !name->isString()) {
          continue;
        }
        MVParameter* parameter = parameterNamed(*name->asString());
        if (parameter == nullptr) {
          if (!replacementMode) {
            FeedbackManager::log("Warning, %@ loadNodeDictionary, node has no parameter named '%@'", description(),
                                 *name->asString());
          }
          continue;
        }
        const pf::PlistValue* parameterClass = parameterRecord->find("Parameter class");
        if (parameterClass == nullptr || parameterClass->stringOr() != parameter->className()) {
          continue;  // another kind under the same name: keep the default
        }
        // Loading a value neither tells the node nor records undo.
        parameter->setUpdateDelegatesOnValueChange(false);
        parameter->loadDescriptionDictionary(*parameterRecord);
        parameter->setUpdateDelegatesOnValueChange(true);
      }
    }
  }
  updateLinkedParameters();
  return true;
}

void MVNode::setNodeId(std::string nodeId)
{
  if (nodeId == nodeId_) {
    return;
  }
  std::string previousId = std::exchange(nodeId_, std::move(nodeId));
  ++nodeIdRevision_;
  if (nodeController_ != nullptr) {
    nodeController_->nodeIdChanged(this, previousId);
  }
}

std::unique_ptr<MVNode> MVNode::copy() const
{
  const MVNodeClass& info = nodeClass();
  std::unique_ptr<MVNode> node = info.create ? info.create() : nullptr;
  if (node == nullptr) {
    return nullptr;
  }
  node->setNodeController(nodeController_);
  node->setUndoDelegate(undoDelegate_);
  node->setRandomSource(randomSource_);
  if (nodeController_ != nullptr) {
    node->initWithNodeID(nodeController_->uniqueNodeID());
  } else {
    FeedbackManager::log("Warning, copying %@ with no nodeController assigned, did not get new unique nodeID",
                         description());
    node->initWithNodeID(nodeId_);
  }
  pf::PlistValue::Dictionary record = descriptionDictionary();
  record.set("Node id", node->nodeId());
  node->loadNodeDictionary(record);
  return node;
}

void MVNode::remove()
{
  nodeController_ = nullptr;
  randomSource_ = nullptr;
  if (nodeView_) {
    nodeView_->remove();
    nodeView_.reset();
  }
}

bool MVNode::addKeyframesToAnimator(ODAnimator* /*animator*/) const
{
  return false;
}

void MVNode::processImportedLegacyAnimations(const std::vector<ODAnimator*>& /*animators*/) {}

bool MVNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  warningsCurrent_ = false;
  return MVLegacyNodeRecordReader::load(*this, record);
}
