#include "Platform/EndOfPassObserver.h"

#include <utility>

namespace pf {

EndOfPassObserver& EndOfPassObserver::operator=(EndOfPassObserver&& other) noexcept
{
  if (this != &other) {
    remove();
    slot_ = std::move(other.slot_);
  }
  return *this;
}

EndOfPassObserver::~EndOfPassObserver()
{
  remove();
}

void EndOfPassObserver::remove()
{
  if (slot_) {
    const std::shared_ptr<RunLoopSlot> slot = std::move(slot_);
    slot->disarm();
  }
}

}  // namespace pf
