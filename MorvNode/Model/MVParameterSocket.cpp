#include "MorvNode/Model/MVParameterSocket.h"

#include <algorithm>
#include <iterator>

#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVConnectionUndoDelegate.h"
#include "MorvNode/Elements/MVElementDelegate.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameter.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

bool isValueOrColor(MVSocketType type)
{
  return type == MVSocketType::Value || type == MVSocketType::Color;
}

}  // namespace

const std::vector<MVConnection*>& MVParameterSocket::noConnections()
{
  static const std::vector<MVConnection*> none;
  return none;
}

MVParameterSocket::MVParameterSocket(MVParameter* parameter, MVSocketType type) : type_(type), parameter_(parameter)
{
}

MVParameterSocket::~MVParameterSocket()
{
  for (MVConnection* connection : connections_) {
    connection->forgetSocket(this);
  }
}

bool MVParameterSocket::enabled() const
{
  if (!enabled_) {
    return false;
  }
  return parameter_ == nullptr || (parameter_->enabled() && !parameter_->layoutHidden());
}

void MVParameterSocket::setEnabled(bool enabled)
{
  if (enabled_ == enabled) {
    return;
  }
  enabled_ = enabled;
  if (socketView_) {
    socketView_->setNeedsLayout();
  }
  if (!enabled) {
    removeAllConnections();
  }
}

bool MVParameterSocket::canConnectConnection(const MVConnection* connection) const
{
  if (connection == nullptr) {
    return false;
  }
  const MVSocketType connectionType = connection->connectionType();
  if (connectionType != MVSocketType::None && connectionType != type_) {
    return false;
  }
  if (!enabled()) {
    return false;
  }
  const MVParameterSocket* from = connection->fromSocket();
  const MVParameterSocket* to = connection->toSocket();
  if (from != nullptr && to == nullptr && direction_ == MVSocketDirection::Output) {
    return false;  // output to output
  }
  if (to != nullptr && from == nullptr && direction_ == MVSocketDirection::Input) {
    return false;  // input to input
  }
  if (from != nullptr && from->parameter() == parameter_ && from->socketIndex() == index_) {
    return false;
  }
  if (to != nullptr && to->parameter() == parameter_ && to->socketIndex() == index_) {
    return false;
  }
  // Value and colour inputs take one connection; element inputs any number.
  return !(direction_ == MVSocketDirection::Input && isValueOrColor(type_) && !connections_.empty());
}

bool MVParameterSocket::addInputConnection(MVConnection* connection)
{
  if (direction_ != MVSocketDirection::Input || !canConnectConnection(connection)) {
    if (!enabled()) {
      FeedbackManager::log("Warning, attempted addInputConnection to %@ while disabled", description());
    }
    return false;
  }
  connections_.push_back(connection);
  connectionListChanged(connections_.size() > 1);
  if (connection->fromSocket() != nullptr) {
    // The value before the connection takes effect is what undo restores.
    if (parameter_ != nullptr) {
      parameter_->storeParameterUndoValue();
    }
    inputChanged();
  }
  if (parameter_ != nullptr) {
    parameter_->connectionsChanged();
  }
  return true;
}

bool MVParameterSocket::addOutputConnection(MVConnection* connection)
{
  if (direction_ != MVSocketDirection::Output || !canConnectConnection(connection)) {
    if (!enabled()) {
      FeedbackManager::log("Warning, attempted addOutputConnection to %@ while disabled", description());
    }
    return false;
  }
  connections_.push_back(connection);
  connectionListChanged(connections_.size() > 1);
  return true;
}

void MVParameterSocket::removeInputConnection(MVConnection* connection)
{
  const auto found = std::find(connections_.begin(), connections_.end(), connection);
  if (direction_ != MVSocketDirection::Input || found == connections_.end()) {
    FeedbackManager::log("Warning, %@ removeInputConnection: %@ but connection is not in inputConnections",
                         description(), connection != nullptr ? connection->description() : std::string("(null)"));
    return;
  }
  connections_.erase(found);
  connectionListChanged(true);
  if (parameter_ != nullptr) {
    parameter_->connectionsChanged();
    parameter_->inputChangedSocket(index_);  // losing an input is a change
  }
}

void MVParameterSocket::removeOutputConnection(MVConnection* connection)
{
  const auto found = std::find(connections_.begin(), connections_.end(), connection);
  if (direction_ != MVSocketDirection::Output || found == connections_.end()) {
    FeedbackManager::log("Warning, %@ removeOutputConnection: %@ but connection is not in outputConnections",
                         description(), connection != nullptr ? connection->description() : std::string("(null)"));
    return;
  }
  connections_.erase(found);
  connectionListChanged(true);
}

void MVParameterSocket::removeAllInputConnections()
{
  if (direction_ != MVSocketDirection::Input || connections_.empty()) {
    return;
  }
  if (MVConnectionUndoDelegate* undo = connections_.front()->undoDelegate()) {
    undo->storeCurrentConnectionsUndoState(std::nullopt);
  }
  while (!connections_.empty()) {
    MVConnection* connection = connections_.front();
    if (connection->toSocket() == this) {
      connection->setToSocket(nullptr);  // takes it out of the list; may end the connection
    } else {
      connections_.erase(connections_.begin());  // inconsistent entry: drop it
      connectionListChanged(true);
    }
  }
  if (parameter_ != nullptr) {
    parameter_->connectionsChanged();
  }
}

void MVParameterSocket::removeAllOutputConnections()
{
  if (direction_ != MVSocketDirection::Output || connections_.empty()) {
    return;
  }
  if (MVConnectionUndoDelegate* undo = connections_.front()->undoDelegate()) {
    undo->storeCurrentConnectionsUndoState(std::nullopt);
  }
  while (!connections_.empty()) {
    MVConnection* connection = connections_.front();
    if (connection->fromSocket() == this) {
      connection->setFromSocket(nullptr);
    } else {
      connections_.erase(connections_.begin());
      connectionListChanged(true);
    }
  }
  if (parameter_ != nullptr) {
    parameter_->connectionsChanged();
  }
}

void MVParameterSocket::removeAllConnections()
{
  removeAllInputConnections();
  removeAllOutputConnections();
  if (parameter_ != nullptr) {
    parameter_->connectionsChanged();
  }
}

bool MVParameterSocket::mightHaveDynamicInput() const
{
  return std::any_of(inputConnections().begin(), inputConnections().end(), [](const MVConnection* connection) {
    const MVParameterSocket* from = connection->fromSocket();
    if (from == nullptr || from->parameter() == nullptr) {
      return false;
    }
    const MVNode* node = from->parameter()->node();
    return node != nullptr && node->mightHaveDynamicInput();
  });
}

void MVParameterSocket::inputChanged()
{
  if (parameter_ != nullptr) {
    parameter_->inputChangedSocket(index_);
  }
}

void MVParameterSocket::outputChanged()
{
  // A push may remove connections from the list (and destroy them): walk a copy and skip
  // what is no longer in the list, so that the remaining consumers are all told.
  const std::vector<MVConnection*> connections = outputConnections();
  for (MVConnection* connection : connections) {
    if (std::find(outputConnections().begin(), outputConnections().end(), connection) == outputConnections().end()) {
      continue;
    }
    if (connection->fromSocket() != nullptr && connection->toSocket() != nullptr) {
      connection->inputChanged();
    }
  }
}

double MVParameterSocket::outputValue()
{
  return parameter_ != nullptr ? parameter_->valueForSocketIndex(index_) : 0.0;
}

pf::Color MVParameterSocket::outputColor()
{
  return parameter_ != nullptr ? parameter_->color() : pf::Color::black();
}

std::shared_ptr<const MVElement> MVParameterSocket::outputElement()
{
  return parameter_ != nullptr ? parameter_->element() : nullptr;
}

double MVParameterSocket::inputValue()
{
  if (inputConnections().empty() || inputConnections().front()->fromSocket() == nullptr) {
    return 0.0;
  }
  return inputConnections().front()->getValue();
}

std::optional<pf::Color> MVParameterSocket::inputColor()
{
  if (inputConnections().empty() || inputConnections().front()->hasLooseEnd()) {
    return std::nullopt;
  }
  return inputConnections().front()->getColor();
}

std::shared_ptr<const MVElement> MVParameterSocket::inputElement()
{
  if (inputConnections().empty()) {
    return nullptr;
  }
  if (inputConnections().size() == 1) {
    MVConnection* connection = inputConnections().front();
    if (connection->fromSocket() == nullptr) {
      return nullptr;
    }
    std::shared_ptr<const MVElement> element = connection->getElement();
    return connection->hasInfiniteLoopProblem() ? nullptr : element;
  }

  MVNode* node = parameter_ != nullptr ? parameter_->node() : nullptr;
  MVNodeDelegate* controller = node != nullptr ? node->nodeController() : nullptr;
  // Gathered into a list of the final size first: a layer of many inputs would otherwise grow
  // the group's list step by step, copying it and freeing the old blocks on every step.
  MVElementGroup::ElementArray elements;
  elements.reserve(inputConnections().size());
  // The group's pivot is the centre of its children's: each adds its own while it is at hand.
  MVElementGroup::PivotSpan pivots;
  const bool asksAhead = inputConnections().size() >= kElementPullsAskedAheadFrom;
  for (std::size_t i = 0; i < inputConnections().size(); ++i) {
    if (asksAhead) {
      prefetchElementPulls(i);
    }
    MVConnection* connection = inputConnections()[i];
    if (connection->hasInfiniteLoopProblem()) {
      continue;
    }
    if (i > 0 && controller != nullptr) {
      // Random upstream nodes draw afresh for each input.
      controller->updateRandomNodesForNode(node);
    }
    if (std::shared_ptr<const MVElement> element = connection->getElement()) {
      pivots.add(*element);
      elements.push_back(std::move(element));
    }
  }
  if (elements.empty()) {
    return nullptr;
  }
  auto group = std::make_shared<MVElementGroup>();
  // The controller implements both delegate interfaces.
  group->setNodeController(dynamic_cast<MVElementDelegate*>(controller));
  group->setElementName(pf::format("%@ input group", node != nullptr ? node->displayFullName() : std::string()));
  group->setElementArray(std::move(elements));
  group->recalculateArrayPivot(pivots);
  return group;
}

void MVParameterSocket::prefetchElementPulls(std::size_t index) const
{
  const std::vector<MVConnection*>& connections = inputConnections();
  for (int step = 0; step < kElementPullSteps; ++step) {
    const std::size_t ahead = index + static_cast<std::size_t>(kElementPullSteps - step);
    if (ahead >= connections.size()) {
      continue;
    }
    const MVConnection* connection = connections[ahead];
    if (step == 0) {
      pf::prefetchMemory(connection, sizeof(MVConnection));
      continue;
    }
    const MVParameterSocket* socket = connection->fromSocket();
    if (socket == nullptr) {
      continue;
    }
    if (step == 1) {
      pf::prefetchMemory(socket, sizeof(MVParameterSocket));
      continue;
    }
    const MVParameter* parameter = socket->parameter();
    if (parameter == nullptr) {
      continue;
    }
    if (step == 2) {
      __builtin_prefetch(parameter);  // its table of virtual functions, for the steps after
    } else {
      parameter->prefetchElementPull(step - 3);
    }
  }
}

bool MVParameterSocket::inputHasInfiniteLoopProblems() const
{
  return std::any_of(inputConnections().begin(), inputConnections().end(),
                     [](const MVConnection* connection) { return connection->hasInfiniteLoopProblem(); });
}

std::string MVParameterSocket::description() const
{
  const std::string parameterText = parameter_ != nullptr ? parameter_->description() : "Unknown parameter";
  std::string axis;
  if (type_ == MVSocketType::Value && parameterText.find("Value2D") != std::string::npos) {
    axis = index_ == 0 ? "X " : index_ == 1 ? "Y " : "";
  }
  return pf::format("<MVParameterSocket %@ %@%@>", parameterText, axis,
                    direction_ == MVSocketDirection::Input ? "In" : "Out");
}

void MVParameterSocket::forgetConnection(const MVConnection* connection)
{
  const bool hadConnections = !connections_.empty();
  // Searched from the end: connections go mostly newest first (a graph is cleared so), and an
  // input gathering 100,000 of them would otherwise be searched and shifted whole for each.
  const auto found = std::find(connections_.rbegin(), connections_.rend(), connection);
  if (found != connections_.rend()) {
    connections_.erase(std::next(found).base());
  }
  connectionListChanged(hadConnections);
}

void MVParameterSocket::connectionListChanged(bool hadConnections)
{
  const bool hasConnections = !connections_.empty();
  if (parameter_ != nullptr && hasConnections != hadConnections) {
    parameter_->socketConnectedStateChanged(direction_, hasConnections);
  }
}
