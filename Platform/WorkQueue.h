#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "Platform/RunLoop.h"

namespace pf {

// Threads of its own that run posted work: a serial queue runs one item at a time in posting
// order on one thread (the preview's rendering), a concurrent queue starts items in posting
// order on a pool of threads (thumbnails). Results go back to the main thread through the
// current RunLoop. Destroying the queue drops the items that have not started, waits for the
// running ones and joins every thread. Everything here may be called from any thread except
// the destructor and waitUntilIdle(), which must not run on the queue's own threads.
class WorkQueue {
public:
  using Work = std::function<void()>;

  // Threads are named after the label's last dot-separated part, cut to the system's 15
  // characters ("com.oradel.MorvalisPreviewRendering" runs as "MorvalisPreview").
  static std::unique_ptr<WorkQueue> serial(std::string label);
  // threadCount 0 takes one thread per hardware thread (at least one).
  static std::unique_ptr<WorkQueue> concurrent(std::string label, unsigned threadCount = 0);

  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;
  ~WorkQueue();

  // Queues the work. An item that throws is logged and the queue carries on. Work posted while
  // the queue shuts down is dropped with a log line.
  void post(Work work);
  // Queues the same work `count` times, waking as many threads at once: cheaper than as many
  // posts when several threads are to start together.
  void post(Work work, int count);

  // Runs `work` on the queue, then `completion(result)` on the main thread through
  // RunLoop::postToMain. Both are copied; they keep no reference to the caller's arguments.
  template <typename WorkFunction, typename Completion>
  void postWithCompletion(WorkFunction work, Completion completion)
  {
    post([work = std::move(work), completion = std::move(completion)]() mutable {
      if constexpr (std::is_void_v<std::invoke_result_t<WorkFunction&>>) {
        work();
        RunLoop::postToMain(std::move(completion));
      } else {
        RunLoop::postToMain([completion = std::move(completion), result = work()]() mutable {
          completion(std::move(result));
        });
      }
    });
  }

  // Drops the items that have not started; returns how many.
  std::size_t cancelPending();
  // Blocks until nothing is queued or running. Called from one of the queue's own threads it
  // would wait for itself: it logs and returns at once.
  void waitUntilIdle();

  [[nodiscard]] const std::string& label() const { return label_; }
  [[nodiscard]] unsigned threadCount() const { return static_cast<unsigned>(threads_.size()); }

private:
  WorkQueue(std::string label, unsigned threadCount);
  void runWorker();
  [[nodiscard]] bool isOwnThread() const;

  const std::string label_;
  std::vector<std::thread> threads_;

  mutable std::mutex mutex_;
  std::condition_variable workAvailable_;
  std::condition_variable idle_;
  std::deque<Work> items_;  // guarded by mutex_
  std::size_t running_ = 0;  // guarded by mutex_
  bool stopping_ = false;   // guarded by mutex_
};

}  // namespace pf
