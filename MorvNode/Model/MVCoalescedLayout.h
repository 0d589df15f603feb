#pragma once

#include <vector>

#include "Platform/EndOfPassObserver.h"

// The "needs layout" half of a view adapter. The model marks a view whenever something it shows
// changed (a graphics parameter does so on every evaluation, thousands of times per generation
// under a repeater), so a mark only sets a flag: the first mark in a pass of the current run loop
// queues the view, and after the pass each queued view is laid out once (layoutNow). Views that
// go away before then leave the queue. Without a run loop the layout runs at once.
//
// Qt adapters derive from it and answer the model's setNeedsLayout() with markNeedsLayout().
// Main thread only.
class MVCoalescedLayout {
public:
  MVCoalescedLayout() = default;
  MVCoalescedLayout(const MVCoalescedLayout&) = delete;
  MVCoalescedLayout& operator=(const MVCoalescedLayout&) = delete;
  virtual ~MVCoalescedLayout();

  void markNeedsLayout();
  [[nodiscard]] bool isLayoutPending() const { return pending_; }

protected:
  // Lays the view out; runs once per pass however often it was marked.
  virtual void layoutNow() = 0;

private:
  friend class MVLayoutQueue;
  bool pending_ = false;
};

// The views marked during the current pass, laid out at its end. One per process.
class MVLayoutQueue {
public:
  static MVLayoutQueue& shared();

  void enqueue(MVCoalescedLayout* view);
  void remove(MVCoalescedLayout* view);
  // Lays out every queued view now (also what the end of a pass does). Views marked while this
  // runs are laid out in the next pass.
  void flush();

private:
  std::vector<MVCoalescedLayout*> queued_;    // not owned; each removes itself when destroyed
  std::vector<MVCoalescedLayout*> flushing_;  // the views of the flush under way
  pf::EndOfPassObserver observer_;
};
