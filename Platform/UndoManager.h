#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Platform/EndOfPassObserver.h"

namespace pf {

// The undo and redo stacks of one document. An action is a closure that reverses one change;
// while it runs it registers the reverse of that reversal, which goes onto the redo stack (and,
// while redoing, back onto the undo stack). Actions are kept in groups, one group being one
// step of Undo or Redo with one action name. With grouping by event (the default) everything
// registered during one pass of the current RunLoop forms one group, closed by the loop's
// end-of-pass observer; explicit groups nest inside it and may span passes (a drag). Empty
// groups are dropped. Misuse (an unbalanced end, undo inside an open group) is logged and
// ignored, and the manager stays usable. Main thread only.
class UndoManager {
public:
  using Action = std::function<void()>;

  UndoManager() = default;
  UndoManager(const UndoManager&) = delete;
  UndoManager& operator=(const UndoManager&) = delete;
  ~UndoManager() = default;

  // Adds an action to the open group, opening the pass's group when none is open. Ignored while
  // registration is disabled. Outside undo and redo it clears the redo stack. Actions and their
  // captures are copies: they keep no reference to the caller's arguments.
  void registerUndo(Action action);

  // While an undo or redo replays a step, runs `action` after every action of that step (in the
  // order such calls are made), still inside the reverse step being built; at any other time, runs
  // it at once. For actions that need the rest of the step in place first, such as reconnecting
  // inputs that another action of the step shows again.
  void performAtEndOfStep(Action action);

  // A counter: registration is on while every disable has been matched by an enable.
  void disableUndoRegistration();
  void enableUndoRegistration();  // an unmatched enable is logged and ignored
  [[nodiscard]] bool isUndoRegistrationEnabled() const { return disabledCount_ == 0; }

  void beginUndoGrouping();
  void endUndoGrouping();  // without an open group: logged, nothing happens
  // Open groups, the pass's own group included; 0 between passes.
  [[nodiscard]] int groupingLevel() const { return static_cast<int>(openGroups_.size()); }
  [[nodiscard]] bool groupsByEvent() const { return groupsByEvent_; }
  void setGroupsByEvent(bool groupsByEvent) { groupsByEvent_ = groupsByEvent; }
  // Closes the pass's group when nothing else is open inside it. Called by the run loop's
  // end-of-pass observer; headless callers without a run loop may call it themselves.
  void closeEventGroup();

  // Names the step being built: the open group, else (grouping by event) a new pass group,
  // else the top of the stack being filled. While undoing this names the redo step, which
  // otherwise keeps the name of the step undone.
  void setActionName(const std::string& actionName);
  // The name of the step that Undo would revert ("" when none or unnamed).
  [[nodiscard]] std::string undoActionName() const;
  // The name of the step that Redo would replay ("" when none or unnamed).
  [[nodiscard]] std::string redoActionName() const;

  [[nodiscard]] bool canUndo() const;
  [[nodiscard]] bool canRedo() const;
  // Closes an open pass group first, then runs the last step's actions in reverse order inside
  // a new redo step of the same name. An action that throws is logged; the rest still run.
  void undo();
  void redo();
  [[nodiscard]] bool isUndoing() const { return state_ == State::Undoing; }
  [[nodiscard]] bool isRedoing() const { return state_ == State::Redoing; }

  // Empties both stacks and closes every open group (the document is going away).
  void removeAllActions();

  // Names the content that the stacks lead to, for telling whether a document differs from
  // what was saved: the identifier of the step on top of the undo stack (0 when it is empty),
  // or a fresh one while the pass's group holds actions. Undoing a step and redoing it gives
  // the same identifier again; any new change gives a new one.
  [[nodiscard]] unsigned long long contentState() const;

  // Opens a group for its lifetime.
  class ScopedGrouping {
  public:
    explicit ScopedGrouping(UndoManager& manager) : manager_(manager) { manager_.beginUndoGrouping(); }
    ScopedGrouping(const ScopedGrouping&) = delete;
    ScopedGrouping& operator=(const ScopedGrouping&) = delete;
    ~ScopedGrouping() { manager_.endUndoGrouping(); }

  private:
    UndoManager& manager_;
  };

  // Switches registration off for its lifetime.
  class ScopedDisabledRegistration {
  public:
    explicit ScopedDisabledRegistration(UndoManager& manager) : manager_(manager) { manager_.disableUndoRegistration(); }
    ScopedDisabledRegistration(const ScopedDisabledRegistration&) = delete;
    ScopedDisabledRegistration& operator=(const ScopedDisabledRegistration&) = delete;
    ~ScopedDisabledRegistration() { manager_.enableUndoRegistration(); }

  private:
    UndoManager& manager_;
  };

private:
  enum class State { Idle, Undoing, Redoing };

  struct Group {
    std::string actionName;
    std::vector<Action> actions;  // in registration order; nested groups are merged in
    unsigned long long contentState = 0;  // 0 until the group reaches a stack
  };

  void openGroup();
  void closeGroup();
  void openEventGroup();
  void replay(std::vector<Group>& from, State state);
  std::vector<Group>& stackBeingFilled();

  std::vector<Group> undoStack_;
  std::vector<Group> redoStack_;
  std::vector<Group> openGroups_;  // [0] is the step being built
  std::vector<Action> endOfStepActions_;  // queued by performAtEndOfStep during a replay
  bool eventGroupOpen_ = false;    // openGroups_[0] is the pass's own group
  bool groupsByEvent_ = true;
  int disabledCount_ = 0;
  State state_ = State::Idle;
  unsigned long long lastContentState_ = 0;
  bool warnedNoRunLoop_ = false;
  EndOfPassObserver endOfPass_;  // on the current run loop, added with the first pass group
};

}  // namespace pf
