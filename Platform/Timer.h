#pragma once

#include <memory>

#include "Platform/RunLoopSlot.h"

namespace pf {

// The owner's handle on a timer armed on a RunLoop. Destroying or reassigning the handle
// invalidates the timer, so a callback that captures its owner never outlives it; detach()
// lets a one-shot run without an owner. A default-constructed handle holds no timer.
// Main thread only.
class Timer {
public:
  Timer() = default;
  explicit Timer(std::shared_ptr<RunLoopSlot> slot) : slot_(std::move(slot)) {}
  Timer(Timer&& other) noexcept = default;
  Timer& operator=(Timer&& other) noexcept;
  ~Timer();

  // Stops the timer: its callback will not run again. Harmless on an invalid timer.
  void invalidate();
  // True while the timer is armed: a repeating timer until invalidated, a one-shot until it
  // fires (it is already invalid while its own callback runs). False once its run loop is gone.
  [[nodiscard]] bool isValid() const { return slot_ && slot_->isArmed(); }
  // Gives up the handle without stopping the timer (fire-and-forget).
  void detach() { slot_.reset(); }

private:
  std::shared_ptr<RunLoopSlot> slot_;
};

}  // namespace pf
