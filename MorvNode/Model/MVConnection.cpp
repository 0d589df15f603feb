#include "MorvNode/Model/MVConnection.h"

#include "MorvNode/Model/MVConnectionDelegate.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVConnection::~MVConnection()
{
  *alive_ = false;
  if (fromSocket_ != nullptr) {
    fromSocket_->forgetConnection(this);
  }
  if (toSocket_ != nullptr) {
    toSocket_->forgetConnection(this);
  }
}

std::unique_ptr<MVConnection> MVConnection::connectionFromSocket(MVParameterSocket* outputSocket,
                                                                 MVParameterSocket* inputSocket)
{
  auto connection = std::make_unique<MVConnection>();
  if (outputSocket != nullptr) {
    connection->setFromSocket(outputSocket);
  }
  if (inputSocket != nullptr) {
    connection->setToSocket(inputSocket);
  }
  return connection;
}

void MVConnection::setFromSocket(MVParameterSocket* socket)
{
  const bool detached = fromSocket_ != nullptr;
  if (detached) {
    MVParameterSocket* old = fromSocket_;
    fromSocket_ = nullptr;
    updateType();
    old->removeOutputConnection(this);
  }
  if (socket != nullptr) {
    if (socket->addOutputConnection(this)) {
      fromSocket_ = socket;
      updateType();
      if (toSocket_ != nullptr) {
        toSocket_->inputChanged();
      }
    } else {
      FeedbackManager::log("Warning, failed to connect %@ to %@ output", description(), socket->description());
    }
  }
  endChanged(detached);
}

void MVConnection::setToSocket(MVParameterSocket* socket)
{
  const bool detached = toSocket_ != nullptr;
  if (detached) {
    MVParameterSocket* old = toSocket_;
    toSocket_ = nullptr;
    updateType();
    old->removeInputConnection(this);  // pushes the loss of the input into it
  }
  if (socket != nullptr) {
    // The socket pushes the change itself when it accepts.
    if (socket->addInputConnection(this)) {
      toSocket_ = socket;
      updateType();
    } else {
      FeedbackManager::log("Warning, failed to connect %@ to %@", description(), socket->description());
    }
  }
  endChanged(detached);
}

void MVConnection::endChanged(bool detachedOldSocket)
{
  previewCycleID_ = kNoPreviewCycle;
  if (connectionView_) {
    connectionView_->setNeedsDisplay();
  }
  if (detachedOldSocket && nodeController_ != nullptr) {
    nodeController_->connectionChanged(this);  // may end this connection: nothing after it
  }
}

void MVConnection::updateType()
{
  type_ = fromSocket_ != nullptr ? fromSocket_->socketType()
          : toSocket_ != nullptr ? toSocket_->socketType()
                                 : MVSocketType::None;
}

MVNode* MVConnection::fromNode() const
{
  return fromSocket_ != nullptr && fromSocket_->parameter() != nullptr ? fromSocket_->parameter()->node() : nullptr;
}

MVNode* MVConnection::toNode() const
{
  return toSocket_ != nullptr && toSocket_->parameter() != nullptr ? toSocket_->parameter()->node() : nullptr;
}

void MVConnection::inputChanged()
{
  if (toSocket_ == nullptr) {
    return;
  }
  if (isSettingValue_) {
    // The push came back here through a loop of connections.
    hasInfiniteLoopProblem_ = true;
    FeedbackManager::log("Warning, %@ inputChanged caused infinite loop.", description());
    return;
  }
  hasInfiniteLoopProblem_ = false;
  isSettingValue_ = true;
  const std::shared_ptr<bool> alive = alive_;
  toSocket_->inputChanged();
  if (*alive) {
    isSettingValue_ = false;
  }
}

double MVConnection::getValue()
{
  double result = 0.0;
  if (fromSocket_ == nullptr) {
    FeedbackManager::log("Warning, %@ getValue with no fromSocket", description());
  } else if (fromSocket_->socketType() != MVSocketType::Value) {
    FeedbackManager::log("Warning, %@ getValue from socket %@ of wrong type", description(), fromSocket_->description());
  } else {
    hasInfiniteLoopProblem_ = false;
    if (isGettingValue_) {
      hasInfiniteLoopProblem_ = true;  // the pull came back here through a loop
    } else {
      isGettingValue_ = true;
      result = fromSocket_->outputValue();
      isGettingValue_ = false;
    }
  }
  if (!hasInfiniteLoopProblem_) {
    recordPreviewValue(result);
  }
  return result;
}

std::optional<pf::Color> MVConnection::getColor()
{
  if (fromSocket_ == nullptr) {
    FeedbackManager::log("Warning, %@ getColor with no fromSocket", description());
    return std::nullopt;
  }
  if (fromSocket_->socketType() != MVSocketType::Color) {
    FeedbackManager::log("Warning, %@ getColor, but fromSocket %@ is the wrong type", description(),
                         fromSocket_->description());
    return std::nullopt;
  }
  hasInfiniteLoopProblem_ = false;
  if (isGettingValue_) {
    hasInfiniteLoopProblem_ = true;
    return std::nullopt;
  }
  isGettingValue_ = true;
  const pf::Color color = fromSocket_->outputColor();
  isGettingValue_ = false;
  if (!hasInfiniteLoopProblem_) {
    recordPreviewColor(color);
  }
  return color;
}

std::shared_ptr<const MVElement> MVConnection::getElement()
{
  std::shared_ptr<const MVElement> element;
  if (fromSocket_ == nullptr) {
    FeedbackManager::log("Warning, %@ getElement with no fromSocket", description());
  } else if (fromSocket_->socketType() != MVSocketType::Element) {
    FeedbackManager::log("Warning, %@ getElement, but fromSocket %@ is the wrong type", description(),
                         fromSocket_->description());
  } else {
    hasInfiniteLoopProblem_ = false;
    if (isGettingValue_) {
      hasInfiniteLoopProblem_ = true;
    } else {
      isGettingValue_ = true;
      element = fromSocket_->outputElement();
      isGettingValue_ = false;
    }
  }
  if (!hasInfiniteLoopProblem_) {
    // Elements keep no history, only the count of pulls in this cycle.
    if (previewsNewCycleFlag()) {
      startPreviewCycle();
      previewIterations_ = 1;
    } else {
      ++previewIterations_;
    }
  }
  return element;
}

bool MVConnection::previewsNewCycleFlag() const
{
  return previewCycleID_ != currentCycleID();
}

void MVConnection::setPreviewsNewCycleFlag(bool flag)
{
  if (flag) {
    previewCycleID_ = kNoPreviewCycle;
  } else {
    startPreviewCycle();
  }
}

long long MVConnection::currentCycleID() const
{
  return nodeController_ != nullptr ? nodeController_->currentGenerationCycleID() : 0;
}

void MVConnection::startPreviewCycle()
{
  previewCycleID_ = currentCycleID();
}

void MVConnection::recordPreviewValue(double value)
{
  if (previewsNewCycleFlag() || !hasPreviewValues_) {
    previewValues_.clear();
    hasPreviewValues_ = true;
    previewIterations_ = 0;
    startPreviewCycle();
  }
  previewValues_.push_back(value);
  ++previewIterations_;
}

void MVConnection::recordPreviewColor(const pf::Color& color)
{
  if (previewsNewCycleFlag() || !hasPreviewColors_) {
    previewColors_.clear();
    hasPreviewColors_ = true;
    previewIterations_ = 0;
    startPreviewCycle();
  }
  previewColors_.push_back(color);
  ++previewIterations_;
}

void MVConnection::remove()
{
  nodeController_ = nullptr;  // detaching reports nothing to the controller
  if (toSocket_ != nullptr) {
    setToSocket(nullptr);
  }
  if (fromSocket_ != nullptr) {
    setFromSocket(nullptr);
  }
  if (connectionView_) {
    connectionView_->remove();
    connectionView_.reset();
  }
}

std::optional<pf::PlistValue::Dictionary> MVConnection::descriptionDictionary() const
{
  if (hasLooseEnd()) {
    return std::nullopt;
  }
  const MVParameter* from = fromSocket_->parameter();
  const MVParameter* to = toSocket_->parameter();
  if (from == nullptr || to == nullptr) {
    return std::nullopt;
  }
  pf::PlistValue::Dictionary record;
  record.set("From parameter name", from->name());
  record.set("From parameter nodeId", from->nodeId());
  DictionaryValueExtras::setIntValue(record, fromSocket_->socketIndex(), "From parameter socket index");
  record.set("To parameter name", to->name());
  record.set("To parameter nodeId", to->nodeId());
  DictionaryValueExtras::setIntValue(record, toSocket_->socketIndex(), "To parameter socket index");
  return record;
}

std::string MVConnection::description() const
{
  const std::string from = fromSocket_ != nullptr ? pf::format("[%@]", fromSocket_->description()) : "[ ]";
  const std::string to = toSocket_ != nullptr ? pf::format("[%@]", toSocket_->description()) : "[ ]";
  return pf::format("<%@ %@ - %@>", "MVConnection", from, to);
}

void MVConnection::forgetSocket(const MVParameterSocket* socket)
{
  if (fromSocket_ == socket) {
    fromSocket_ = nullptr;
  }
  if (toSocket_ == socket) {
    toSocket_ = nullptr;
  }
  updateType();
}
