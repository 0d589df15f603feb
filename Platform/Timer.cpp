#include "Platform/Timer.h"

#include <utility>

namespace pf {

Timer& Timer::operator=(Timer&& other) noexcept
{
  if (this != &other) {
    invalidate();
    slot_ = std::move(other.slot_);
  }
  return *this;
}

Timer::~Timer()
{
  invalidate();
}

void Timer::invalidate()
{
  if (slot_) {
    // Released before disarming: the disarm action may destroy objects that hold this handle.
    const std::shared_ptr<RunLoopSlot> slot = std::move(slot_);
    slot->disarm();
  }
}

}  // namespace pf
