#pragma once

#include <memory>

#include "Platform/RunLoopSlot.h"

namespace pf {

// The owner's handle on a callback that a RunLoop runs after each pass over its events.
// Destroying or reassigning the handle removes the observer. Main thread only.
class EndOfPassObserver {
public:
  EndOfPassObserver() = default;
  explicit EndOfPassObserver(std::shared_ptr<RunLoopSlot> slot) : slot_(std::move(slot)) {}
  EndOfPassObserver(EndOfPassObserver&& other) noexcept = default;
  EndOfPassObserver& operator=(EndOfPassObserver&& other) noexcept;
  ~EndOfPassObserver();

  void remove();
  // False once removed or once its run loop is gone.
  [[nodiscard]] bool isActive() const { return slot_ && slot_->isArmed(); }

private:
  std::shared_ptr<RunLoopSlot> slot_;
};

}  // namespace pf
