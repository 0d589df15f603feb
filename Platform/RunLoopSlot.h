#pragma once

#include <functional>
#include <memory>

namespace pf {

// What a timer or an end-of-pass observer shares between its handle and its run loop: the
// callback, held while the slot is armed. Either side may disarm it; neither calls into the
// other, so handle and run loop may be destroyed in any order. Main thread only.
class RunLoopSlot {
public:
  using Callback = std::function<void()>;

  explicit RunLoopSlot(Callback callback);
  RunLoopSlot(const RunLoopSlot&) = delete;
  RunLoopSlot& operator=(const RunLoopSlot&) = delete;

  [[nodiscard]] bool isArmed() const { return callback_ != nullptr; }

  // Drops the callback and runs the disarm action once (a run loop stops its system timer
  // there). Idempotent.
  void disarm();

  // The callback to run, nullptr once disarmed. The run loop holds this copy while it calls,
  // so the callback may disarm its own slot or destroy its handle without ending its own life.
  [[nodiscard]] std::shared_ptr<const Callback> callback() const { return callback_; }

  // Set by the run loop that arms the slot; replaced, not chained.
  void setDisarmAction(std::function<void()> action);

private:
  std::shared_ptr<const Callback> callback_;  // nullptr once disarmed
  std::function<void()> disarmAction_;
};

}  // namespace pf
