#include "MorvNode/Model/MVParameter.h"

#include "MorvNode/Model/InterfaceIconProvider.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterUndoDelegate.h"
#include "Platform/Unicode.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// Tooltip formats of the sockets by type and direction; other types get none.
const char* socketTooltipFormat(MVSocketType type, MVSocketDirection direction)
{
  const bool input = direction == MVSocketDirection::Input;
  switch (type) {
  case MVSocketType::Value:
    return input ? "%@ value input" : "%@ value output";
  case MVSocketType::Color:
    return input ? "%@ color input" : "%@ color output";
  case MVSocketType::Element:
    return input ? "%@ graphics input" : "%@ graphics output";
  case MVSocketType::None:
    break;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<MVParameter> MVParameter::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameter>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameter::~MVParameter() = default;

void MVParameter::setDisplayName(const std::string& displayName)
{
  displayName_ = &pf::TextPool::text(displayName);
  setViewNeedsLayout();
}

void MVParameter::setDisplayHeaderName(const std::string& displayHeaderName)
{
  displayHeaderName_ = &pf::TextPool::text(displayHeaderName);
  setViewNeedsLayout();
}

std::string MVParameter::nodeId() const
{
  return node_ != nullptr ? node_->nodeId() : "?";
}

std::string MVParameter::persistentIdentifier() const
{
  if (node_ == nullptr) {
    FeedbackManager::log("Warning, parameter %@ has no valueDelegate when generating persistentIdentifier", name());
    return name();
  }
  return pf::format("%@ : %@", node_->persistentIdentifier(), name());
}

std::string MVParameter::description() const
{
  return pf::format("<%@ [%@ '%@']>", className(), node_ != nullptr ? node_->displayFullName() : "Unknown node",
                    name());
}

void MVParameter::setEnabled(bool enabled)
{
  if (enabled != enabled_) {
    if (node_ != nullptr) {
      setSocketsEnableState(enabled && !layoutHidden_);
      registerUndoProperty("enabled", pf::PlistValue(enabled_));
    }
    const AwaitState before = awaitState();
    enabled_ = enabled;
    tellNodeIfAwaitedChanged(before);
    markNodeWarningsStale();
    if (node_ != nullptr) {
      node_->parameterChanged(this, "enabled");
    }
  }
  setViewNeedsLayout();
}

void MVParameter::setLayoutHidden(bool hidden)
{
  if (hidden == layoutHidden_) {
    return;
  }
  setSocketsEnableState(!hidden && enabled_);
  if (node_ != nullptr && undoDelegate_ != nullptr) {
    registerUndoProperty("layoutHidden", pf::PlistValue(layoutHidden_));
  }
  const AwaitState before = awaitState();
  layoutHidden_ = hidden;
  tellNodeIfAwaitedChanged(before);
  markNodeWarningsStale();
  setViewNeedsLayout();
}

void MVParameter::setLayoutDragEditSelected(bool selected)
{
  if (selected == layoutDragEditSelected_) {
    return;
  }
  layoutDragEditSelected_ = selected;
  if (parameterView_) {
    parameterView_->setNeedsLayout();
    if (selected) {
      parameterView_->makeFirstResponder();
    }
  }
}

bool MVParameter::canEditValue() const
{
  return !layoutHidden_ && !hasConnectedInput();
}

bool MVParameter::hasPreview() const
{
  return !layoutHidden_ && enabled_;
}

std::unique_ptr<MVParameterSocket> MVParameter::createSocketOfType(MVSocketType type)
{
  return std::make_unique<MVParameterSocket>(this, type);
}

MVParameterSocket* MVParameter::addSocketOfType(MVSocketType type, MVSocketDirection direction)
{
  const bool input = direction == MVSocketDirection::Input;
  if (input && inputSocketCount_ == UINT8_MAX) {
    FeedbackManager::log("Error, %@ has too many input sockets to add another", description());
    return nullptr;
  }
  std::unique_ptr<MVParameterSocket> socket = createSocketOfType(type);
  socket->setSocketDirection(direction);
  socket->setSocketIndex(static_cast<int>(input ? inputSocketCount_ : sockets_.size() - inputSocketCount_));
  if (const char* tooltipFormat = socketTooltipFormat(type, direction)) {
    socket->setTooltip(pf::format(tooltipFormat, displayName()));
  }
  MVParameterSocket* added = socket.get();
  if (input) {
    sockets_.insert(sockets_.begin() + inputSocketCount_, std::move(socket));
    ++inputSocketCount_;
  } else {
    sockets_.push_back(std::move(socket));
  }
  return added;
}

MVParameterSocket* MVParameter::addInputSocketOfType(MVSocketType type)
{
  return addSocketOfType(type, MVSocketDirection::Input);
}

MVParameterSocket* MVParameter::addOutputSocketOfType(MVSocketType type)
{
  return addSocketOfType(type, MVSocketDirection::Output);
}

void MVParameter::setSocketsEnableState(bool enabled)
{
  // By index: disabling a socket detaches connections, which reaches back into this parameter.
  for (std::size_t i = 0; i < outputSockets().size(); ++i) {
    outputSockets()[i]->setEnabled(enabled);
  }
  for (std::size_t i = 0; i < inputSockets().size(); ++i) {
    inputSockets()[i]->setEnabled(enabled);
  }
}

MVParameterSocket* MVParameter::inputSocket() const
{
  if (!inputSockets().empty()) {
    return inputSockets().front().get();
  }
  if (hasInputSocket_) {
    FeedbackManager::log(
        "Warning, %@ has no inputSockets when getting inputSocket even though hasInputSocket is true", description());
  }
  return nullptr;
}

MVParameterSocket* MVParameter::outputSocket() const
{
  if (!outputSockets().empty()) {
    return outputSockets().front().get();
  }
  if (hasOutputSocket_) {
    FeedbackManager::log(
        "Warning, %@ has no outputSockets when getting outputSocket even though hasOutputSocket is true",
        description());
  }
  return nullptr;
}

void MVParameter::setNeedsToUpdate(bool needsToUpdate)
{
  catchUpWithRefresh();
  if (needsToUpdate) {
    needsToUpdateX_ = needsToUpdateY_ = true;
  }
  if (needsToUpdate == needsToUpdate_) {
    return;
  }
  const AwaitState before = awaitState();
  needsToUpdate_ = needsToUpdate;
  tellNodeIfAwaitedChanged(before);
}

void MVParameter::setNode(MVNode* node)
{
  // The flags hold the old node's refreshes before the parameter leaves it.
  catchUpWithRefresh();
  if (node_ != nullptr) {
    const AwaitState state = awaitState();
    node_->parameterAwaitStateChanged(state.awaitable, state.awaiting, false);
  }
  if (node_ != nullptr && hasConnectedInputSocket()) {
    node_->parameterInputConnectionChanged(false);
  }
  markNodeWarningsStale();
  node_ = node;
  refreshCount_ = node_ != nullptr ? &node_->refreshCount() : &kNoNodeRefreshCount;
  seenRefreshes_ = refreshCount_->refreshes;
  if (node_ != nullptr) {
    const AwaitState state = awaitState();
    node_->parameterAwaitStateChanged(state.awaitable, state.awaiting, true);
    if (hasConnectedInputSocket()) {
      node_->parameterInputConnectionChanged(true);
    }
  }
  markNodeWarningsStale();
}

void MVParameter::markNodeWarningsStale() const
{
  if (node_ != nullptr) {
    node_->markWarningsStale();
  }
}

void MVParameter::tellNodeIfAwaitedChanged(AwaitState before) const
{
  const AwaitState now = awaitState();
  // The flags first: they share a line of memory with the node pointer.
  if ((now.awaitable != before.awaitable || now.awaiting != before.awaiting) && node_ != nullptr) {
    if (now.awaitable != before.awaitable) {
      node_->parameterAwaitStateChanged(true, false, now.awaitable);
    }
    if (now.awaiting != before.awaiting) {
      node_->parameterAwaitStateChanged(false, true, now.awaiting);
    }
  }
}

bool MVParameter::hasConnectedInput() const
{
  if (connectedInputSocketCount_ > 0) {
    return true;
  }
  // A sample node in the node reference shows its element inputs as connected.
  return node_ != nullptr && node_->referenceMode() && !inputSockets().empty() &&
         inputSockets().front()->socketType() == MVSocketType::Element;
}

void MVParameter::socketConnectedStateChanged(MVSocketDirection direction, bool connected)
{
  if (direction == MVSocketDirection::Input) {
    const bool before = hasConnectedInputSocket();
    connectedInputSocketCount_ = static_cast<std::uint8_t>(connectedInputSocketCount_ + (connected ? 1 : -1));
    if (node_ != nullptr && hasConnectedInputSocket() != before) {
      node_->parameterInputConnectionChanged(!before);
    }
  } else {
    connectedOutputSocketCount_ = static_cast<std::uint16_t>(connectedOutputSocketCount_ + (connected ? 1 : -1));
  }
  markNodeWarningsStale();
}

bool MVParameter::mightHaveDynamicInput() const
{
  for (const auto& socket : inputSockets()) {
    if (socket->mightHaveDynamicInput()) {
      return true;
    }
  }
  return false;
}

void MVParameter::connectionsChanged()
{
  setViewNeedsLayout();
}

double MVParameter::valueForSocketIndex(int)
{
  FeedbackManager::log("Warning, %@ default MVParameter getValue called, should be subclassed", description());
  return 0.0;
}

pf::Color MVParameter::color()
{
  FeedbackManager::log("Warning, %@ default MVParameter getColor called, should be subclassed", description());
  return pf::Color::black();
}

std::shared_ptr<const MVElement> MVParameter::element()
{
  FeedbackManager::log("Warning, %@ default MVParameter getElement called, should be subclassed", description());
  return nullptr;
}

void MVParameter::inputChanged()
{
  push(std::nullopt);
}

void MVParameter::inputChangedSocket(int index)
{
  push(index);
}

void MVParameter::push(std::optional<int> outputSocketIndex)
{
  if (inInputChanged_) {
    return;  // a change arriving while this parameter pushes is dropped (loops end here)
  }
  inInputChanged_ = true;
  setNeedsToUpdate(true);
  if (node_ != nullptr) {
    node_->parameterChanged(this, "value");
  }
  MVNodeDelegate* controller = node_ != nullptr ? node_->nodeController() : nullptr;
  if (layoutDragEditSelected_ && !canEditValue() && controller != nullptr) {
    controller->dragEditParameterSelected(nullptr);
  }
  if (outputSocketIndex) {
    outputChangedSocket(*outputSocketIndex);
  } else {
    outputChanged();
  }
  // The end of a downstream chain asks for the regeneration.
  if (!layoutHidden_ && enabled_ && !hasConnectedOutput() && (updateIfUnconnected_ || hasValueSource()) &&
      controller != nullptr) {
    controller->scheduleRegenerationForParameter(this);
  }
  inInputChanged_ = false;
}

void MVParameter::outputChanged()
{
  for (std::size_t index = 0; index < outputSockets().size(); ++index) {
    outputChangedSocket(static_cast<int>(index));
  }
}

void MVParameter::outputChangedSocket(int index)
{
  if (index >= 0 && static_cast<std::size_t>(index) < outputSockets().size()) {
    outputSockets()[static_cast<std::size_t>(index)]->outputChanged();
  }
}

pf::PlistValue::Dictionary MVParameter::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record;
  record.set("Parameter class", std::string(className()));
  record.set("Parameter name", name());
  DictionaryValueExtras::setBoolValue(record, enabled_, "Enabled");
  return record;
}

bool MVParameter::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  markNodeWarningsStale();
  if (const pf::PlistValue* storedClass = record.find("Parameter class")) {
    if (storedClass->stringOr() != className()) {
      FeedbackManager::log("Warning, %@ loadDescriptionDictionary class %@ mismatch", description(),
                           storedClass->stringOr());
    }
  }
  if (const pf::PlistValue* storedName = record.find("Parameter name")) {
    if (storedName->stringOr() != name()) {
      FeedbackManager::log("Warning, %@ loadDescriptionDictionary name %@ mismatch", description(),
                           storedName->stringOr());
    }
  }
  if (layoutHasEnableToggle_ && record.contains("Enabled")) {
    setEnabled(DictionaryValueExtras::boolValueForKey(record, "Enabled"));
  }
  return true;
}

void MVParameter::registerUndoProperty(const std::string& propertyName, const std::optional<pf::PlistValue>& oldValue)
{
  // Every change of a property comes through here, also while loading and animating.
  markNodeWarningsStale();
  if (undoDelegate_ == nullptr) {
    if (node_ == nullptr || !node_->referenceMode()) {
      FeedbackManager::log("Warning, %@ registerUndoProperty:%@ with no undoDelegate set, node:%@", description(),
                           propertyName, node_ != nullptr ? node_->description() : std::string("(null)"));
    }
    return;
  }
  if (!undoDelegate_->isUndoRegistrationEnabled()) {
    return;
  }
  pf::PlistValue::Dictionary state;
  state.set("parameterName", name());
  state.set("propertyName", propertyName);
  if (oldValue) {
    state.set("propertyValue", *oldValue);
  }
  undoDelegate_->storeParameterUndoState(state, this, undoActionNameForProperty(propertyName));
}

bool MVParameter::isRecordingUndo() const
{
  return undoDelegate_ != nullptr && undoDelegate_->isUndoRegistrationEnabled();
}

std::optional<std::string> MVParameter::undoActionNameForProperty(const std::string& propertyName) const
{
  if (propertyName == "layoutHidden") {
    return std::nullopt;
  }
  const std::string& label =
      propertyName == "enabled" && !displayHeaderName().empty() ? displayHeaderName() : displayName();
  const std::string nodeName = node_ != nullptr ? pf::lowercased(node_->displayName()) : std::string();
  if (propertyName == "enabled") {
    return pf::format(enabled_ ? "disable %@ %@" : "enable %@ %@", nodeName, pf::lowercased(label));
  }
  return pf::format("%@ %@ change", nodeName, pf::lowercased(label));
}

void MVParameter::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  if (propertyName == "enabled") {
    setEnabled(value.toBool().value_or(false));
  } else if (propertyName == "layoutHidden") {
    setLayoutHidden(value.toBool().value_or(false));
  }
}

bool MVParameter::animatorCanAnimateProperty(const std::string&) const
{
  return false;
}

void MVParameter::animatorSetProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  FeedbackManager::log("%@ animatorSetProperty:%@ to:%@ not implemented", description(), propertyName, value);
}

void MVParameter::animatorProperty(const std::string&, bool setAnimated)
{
  if (animated_ != setAnimated) {
    animated_ = setAnimated;
    setViewNeedsLayout();
  }
}

std::string MVParameter::animatorDisplayNameWithProperty(const std::string&) const
{
  if ((layoutHasEnableToggle_ || layoutShowHeaderLabel_) && !displayHeaderName().empty() &&
      displayHeaderName() != displayName()) {
    return pf::format("%@ %@", displayHeaderName(), displayName());
  }
  return displayName();
}

std::string MVParameter::animatorOwnerDisplayName() const
{
  return node_ != nullptr ? node_->displayName() : std::string();
}

std::shared_ptr<const pf::Image> MVParameter::animatorIcon() const
{
  InterfaceIconProvider* icons = InterfaceIconProvider::installed();
  if (node_ == nullptr || node_->iconName().empty() || icons == nullptr) {
    return nullptr;
  }
  return icons->interfaceIconImageNamed(node_->iconName());
}

