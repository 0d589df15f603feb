#include "Platform/ManualRunLoop.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pf {

ManualRunLoop::~ManualRunLoop()
{
  resignCurrent();
  // Moved out first: disarming may run code that touches this loop's lists.
  std::vector<ArmedTimer> timers = std::move(timers_);
  std::vector<std::shared_ptr<RunLoopSlot>> observers = std::move(observers_);
  for (ArmedTimer& timer : timers) {
    timer.slot->disarm();
  }
  for (const std::shared_ptr<RunLoopSlot>& observer : observers) {
    observer->disarm();
  }
}

void ManualRunLoop::post(Callback function)
{
  if (!function) {
    return;
  }
  const std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(function));
}

EndOfPassObserver ManualRunLoop::addEndOfPassObserver(Callback observer)
{
  if (!observer) {
    return EndOfPassObserver();
  }
  auto slot = std::make_shared<RunLoopSlot>(std::move(observer));
  observers_.push_back(slot);
  return EndOfPassObserver(std::move(slot));
}

Timer ManualRunLoop::scheduleTimer(double seconds, bool repeats, Callback callback)
{
  auto slot = std::make_shared<RunLoopSlot>(std::move(callback));
  timers_.push_back(ArmedTimer{slot, now_ + seconds, seconds, repeats, nextOrder_++});
  return Timer(std::move(slot));
}

void ManualRunLoop::dropDisarmed()
{
  std::erase_if(timers_, [](const ArmedTimer& timer) { return !timer.slot->isArmed(); });
}

int ManualRunLoop::advance(double seconds)
{
  runPending();
  const double target = now_ + (std::isnan(seconds) || seconds < 0.0 ? 0.0 : seconds);
  int fired = 0;
  for (;;) {
    dropDisarmed();
    auto next = std::min_element(timers_.begin(), timers_.end(), [](const ArmedTimer& a, const ArmedTimer& b) {
      return a.dueTime < b.dueTime || (a.dueTime == b.dueTime && a.order < b.order);
    });
    if (next == timers_.end() || next->dueTime > target) {
      break;
    }
    now_ = std::max(now_, next->dueTime);
    const std::shared_ptr<const Callback> callback = next->slot->callback();
    if (next->repeats) {
      next->dueTime += next->interval;
      next->order = nextOrder_++;
    } else {
      // Taken off before the call: the callback may arm new timers, which reallocates timers_.
      const std::shared_ptr<RunLoopSlot> slot = next->slot;
      timers_.erase(next);
      slot->disarm();
    }
    ++fired;
    (*callback)();
    endPass();
  }
  now_ = std::max(now_, target);
  return fired;
}

int ManualRunLoop::runPending()
{
  std::deque<Callback> batch;
  {
    const std::lock_guard lock(postedMutex_);
    batch.swap(posted_);
  }
  if (batch.empty()) {
    return 0;
  }
  for (const Callback& function : batch) {
    function();
  }
  endPass();
  return static_cast<int>(batch.size());
}

void ManualRunLoop::runEvent(const Callback& event)
{
  if (event) {
    event();
  }
  endPass();
}

void ManualRunLoop::endPass()
{
  // An observer that ends a pass itself (by running another event) does not call the
  // observers again from inside their own round.
  if (inEndPass_) {
    return;
  }
  inEndPass_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{inEndPass_};
  std::erase_if(observers_, [](const std::shared_ptr<RunLoopSlot>& slot) { return !slot->isArmed(); });
  // A copy: observers may add or remove observers while they run.
  const std::vector<std::shared_ptr<RunLoopSlot>> observers = observers_;
  for (const std::shared_ptr<RunLoopSlot>& observer : observers) {
    if (const std::shared_ptr<const Callback> callback = observer->callback()) {
      (*callback)();
    }
  }
}

std::size_t ManualRunLoop::armedTimerCount() const
{
  return static_cast<std::size_t>(
      std::count_if(timers_.begin(), timers_.end(), [](const ArmedTimer& timer) { return timer.slot->isArmed(); }));
}

bool ManualRunLoop::hasPending() const
{
  const std::lock_guard lock(postedMutex_);
  return !posted_.empty();
}

}  // namespace pf
