#include "Platform/RunLoopSlot.h"

#include <utility>

namespace pf {

RunLoopSlot::RunLoopSlot(Callback callback)
    : callback_(callback ? std::make_shared<const Callback>(std::move(callback)) : nullptr)
{
}

void RunLoopSlot::disarm()
{
  callback_.reset();
  // Moved out first: the action may drop the last reference to whatever owns this slot.
  std::function<void()> action = std::move(disarmAction_);
  disarmAction_ = nullptr;
  if (action) {
    action();
  }
}

void RunLoopSlot::setDisarmAction(std::function<void()> action)
{
  disarmAction_ = std::move(action);
}

}  // namespace pf
