#include "MorvNode/Model/MVCoalescedLayout.h"

#include <algorithm>

#include "Platform/RunLoop.h"

MVCoalescedLayout::~MVCoalescedLayout()
{
  MVLayoutQueue::shared().remove(this);
}

void MVCoalescedLayout::markNeedsLayout()
{
  if (pending_) {
    return;
  }
  if (pf::RunLoop::current() == nullptr) {
    layoutNow();
    return;
  }
  pending_ = true;
  MVLayoutQueue::shared().enqueue(this);
}

MVLayoutQueue& MVLayoutQueue::shared()
{
  static MVLayoutQueue queue;
  return queue;
}

void MVLayoutQueue::enqueue(MVCoalescedLayout* view)
{
  queued_.push_back(view);
  if (!observer_.isActive()) {
    if (pf::RunLoop* runLoop = pf::RunLoop::current()) {
      observer_ = runLoop->addEndOfPassObserver([this] { flush(); });
    }
  }
}

void MVLayoutQueue::remove(MVCoalescedLayout* view)
{
  std::erase(queued_, view);
  std::replace(flushing_.begin(), flushing_.end(), view, static_cast<MVCoalescedLayout*>(nullptr));
}

void MVLayoutQueue::flush()
{
  if (!flushing_.empty()) {
    return;  // a layout ran a nested pass; the outer flush goes on
  }
  flushing_.swap(queued_);
  for (MVCoalescedLayout* view : flushing_) {
    view->pending_ = false;
  }
  // By index: a layout may destroy a later view, which then leaves a null here.
  for (std::size_t i = 0; i < flushing_.size(); ++i) {
    if (MVCoalescedLayout* view = flushing_[i]) {
      view->layoutNow();
    }
  }
  flushing_.clear();
}
