#include "Platform/UndoManager.h"

#include <exception>
#include <utility>

#include "Platform/Log.h"
#include "Platform/RunLoop.h"

namespace pf {

void UndoManager::registerUndo(Action action)
{
  if (!action || !isUndoRegistrationEnabled()) {
    return;
  }
  if (state_ == State::Idle) {
    redoStack_.clear();
  }
  if (openGroups_.empty()) {
    if (groupsByEvent_) {
      openEventGroup();
    } else {
      log("Warning, UndoManager registerUndo outside an undo group, the action becomes a step of its own");
      openGroup();
      openGroups_.back().actions.push_back(std::move(action));
      closeGroup();
      return;
    }
  }
  openGroups_.back().actions.push_back(std::move(action));
}

void UndoManager::disableUndoRegistration()
{
  ++disabledCount_;
}

void UndoManager::enableUndoRegistration()
{
  if (disabledCount_ == 0) {
    log("Warning, UndoManager enableUndoRegistration without a matching disableUndoRegistration");
    return;
  }
  --disabledCount_;
}

void UndoManager::beginUndoGrouping()
{
  if (openGroups_.empty() && groupsByEvent_ && state_ == State::Idle) {
    openEventGroup();
  }
  openGroup();
}

void UndoManager::endUndoGrouping()
{
  if (openGroups_.empty()) {
    log("Warning, UndoManager endUndoGrouping without an open undo group");
    return;
  }
  if (state_ != State::Idle && openGroups_.size() == 1) {
    // The outermost group belongs to the running undo or redo, not to the action calling this.
    log("Warning, UndoManager endUndoGrouping without an open undo group while undoing or redoing");
    return;
  }
  closeGroup();
}

void UndoManager::closeEventGroup()
{
  if (state_ == State::Idle && eventGroupOpen_ && openGroups_.size() == 1) {
    closeGroup();
  }
}

void UndoManager::setActionName(const std::string& actionName)
{
  if (openGroups_.empty() && groupsByEvent_ && state_ == State::Idle) {
    openEventGroup();
  }
  if (!openGroups_.empty()) {
    openGroups_.front().actionName = actionName;
    return;
  }
  std::vector<Group>& stack = stackBeingFilled();
  if (!stack.empty()) {
    stack.back().actionName = actionName;
  }
}

std::string UndoManager::undoActionName() const
{
  if (state_ == State::Idle && !openGroups_.empty()) {
    const Group& open = openGroups_.front();
    if (!open.actions.empty() || !open.actionName.empty()) {
      return open.actionName;
    }
  }
  return undoStack_.empty() ? std::string() : undoStack_.back().actionName;
}

std::string UndoManager::redoActionName() const
{
  return redoStack_.empty() ? std::string() : redoStack_.back().actionName;
}

bool UndoManager::canUndo() const
{
  if (state_ != State::Idle || openGroups_.size() > 1) {
    return false;
  }
  return !undoStack_.empty() || (!openGroups_.empty() && !openGroups_.front().actions.empty());
}

bool UndoManager::canRedo() const
{
  return state_ == State::Idle && openGroups_.size() <= 1 && !redoStack_.empty();
}

void UndoManager::performAtEndOfStep(Action action)
{
  if (state_ == State::Idle) {
    action();
    return;
  }
  endOfStepActions_.push_back(std::move(action));
}

void UndoManager::undo()
{
  if (state_ != State::Idle) {
    log("Warning, UndoManager undo called while undoing or redoing");
    return;
  }
  // Undo reverts the step being built too: close it first.
  if (openGroups_.size() == 1) {
    closeGroup();
  }
  if (!openGroups_.empty()) {
    log("Warning, UndoManager undo called with %d open undo groups", groupingLevel());
    return;
  }
  if (!undoStack_.empty()) {
    replay(undoStack_, State::Undoing);
  }
}

void UndoManager::redo()
{
  if (state_ != State::Idle) {
    log("Warning, UndoManager redo called while undoing or redoing");
    return;
  }
  if (openGroups_.size() == 1) {
    closeGroup();
  }
  if (!openGroups_.empty()) {
    log("Warning, UndoManager redo called with %d open undo groups", groupingLevel());
    return;
  }
  if (!redoStack_.empty()) {
    replay(redoStack_, State::Redoing);
  }
}

void UndoManager::removeAllActions()
{
  undoStack_.clear();
  redoStack_.clear();
  openGroups_.clear();
  eventGroupOpen_ = false;
}

void UndoManager::openGroup()
{
  openGroups_.emplace_back();
}

void UndoManager::closeGroup()
{
  Group group = std::move(openGroups_.back());
  openGroups_.pop_back();
  if (!openGroups_.empty()) {
    std::vector<Action>& parent = openGroups_.back().actions;
    parent.insert(parent.end(), std::make_move_iterator(group.actions.begin()),
                  std::make_move_iterator(group.actions.end()));
    return;
  }
  eventGroupOpen_ = false;
  if (!group.actions.empty()) {
    if (group.contentState == 0) {
      group.contentState = ++lastContentState_;
    }
    stackBeingFilled().push_back(std::move(group));
  }
}

unsigned long long UndoManager::contentState() const
{
  if (state_ == State::Idle && !openGroups_.empty() && !openGroups_.front().actions.empty()) {
    return lastContentState_ + 1;
  }
  return undoStack_.empty() ? 0 : undoStack_.back().contentState;
}

void UndoManager::openEventGroup()
{
  openGroup();
  eventGroupOpen_ = true;
  if (endOfPass_.isActive()) {
    return;
  }
  if (RunLoop* runLoop = RunLoop::current()) {
    endOfPass_ = runLoop->addEndOfPassObserver([this] { closeEventGroup(); });
  } else if (!warnedNoRunLoop_) {
    warnedNoRunLoop_ = true;
    log("Warning, UndoManager groups by event without a run loop, the group stays open until closeEventGroup");
  }
}

void UndoManager::replay(std::vector<Group>& from, State state)
{
  Group step = std::move(from.back());
  from.pop_back();
  state_ = state;
  // The reverse step keeps the name, so that Redo shows what Undo showed, and the content
  // state, so that redoing comes back to the state the step made.
  openGroups_.push_back(Group{step.actionName, {}, step.contentState});
  eventGroupOpen_ = false;
  auto run = [](const Action& action) {
    try {
      action();
    } catch (const std::exception& error) {
      log("Error, UndoManager undo action failed: %@", error.what());
    } catch (...) {
      log("Error, UndoManager undo action failed with an unknown exception");
    }
  };
  for (auto action = step.actions.rbegin(); action != step.actions.rend(); ++action) {
    run(*action);
  }
  // Deferred actions may defer more; each runs once, in order.
  for (std::size_t i = 0; i < endOfStepActions_.size(); ++i) {
    const Action action = endOfStepActions_[i];
    run(action);
  }
  endOfStepActions_.clear();
  if (openGroups_.size() > 1) {
    log("Warning, UndoManager an undo action left %d undo groups open", groupingLevel() - 1);
    while (openGroups_.size() > 1) {
      closeGroup();
    }
  }
  // Empty when an action removed all actions.
  if (!openGroups_.empty()) {
    closeGroup();
  }
  state_ = State::Idle;
}

std::vector<UndoManager::Group>& UndoManager::stackBeingFilled()
{
  return state_ == State::Undoing ? redoStack_ : undoStack_;
}

}  // namespace pf
