#include "Platform/WorkQueue.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <pthread.h>

#include "Platform/Log.h"

namespace pf {

namespace {

// Linux keeps 15 characters of a thread's name.
std::string threadName(const std::string& label)
{
  const std::size_t dot = label.find_last_of('.');
  std::string name = dot == std::string::npos ? label : label.substr(dot + 1);
  if (name.empty()) {
    name = "WorkQueue";
  }
  return name.substr(0, 15);
}

}  // namespace

std::unique_ptr<WorkQueue> WorkQueue::serial(std::string label)
{
  return std::unique_ptr<WorkQueue>(new WorkQueue(std::move(label), 1));
}

std::unique_ptr<WorkQueue> WorkQueue::concurrent(std::string label, unsigned threadCount)
{
  if (threadCount == 0) {
    threadCount = std::max(1u, std::thread::hardware_concurrency());
  }
  return std::unique_ptr<WorkQueue>(new WorkQueue(std::move(label), threadCount));
}

WorkQueue::WorkQueue(std::string label, unsigned threadCount) : label_(std::move(label))
{
  threads_.reserve(threadCount);
  const std::string name = threadName(label_);
  for (unsigned i = 0; i < threadCount; ++i) {
    threads_.emplace_back([this, name] {
      pthread_setname_np(pthread_self(), name.c_str());
      runWorker();
    });
  }
}

WorkQueue::~WorkQueue()
{
  std::deque<Work> dropped;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    dropped.swap(items_);
  }
  workAvailable_.notify_all();
  for (std::thread& thread : threads_) {
    thread.join();
  }
  // `dropped` dies here, on the destroying thread, after the workers are gone.
}

void WorkQueue::post(Work work)
{
  post(std::move(work), 1);
}

void WorkQueue::post(Work work, int count)
{
  if (!work || count <= 0) {
    return;
  }
  bool queued = false;
  {
    const std::lock_guard lock(mutex_);
    if (!stopping_) {
      for (int index = 1; index < count; ++index) {
        items_.push_back(work);
      }
      items_.push_back(std::move(work));
      queued = true;
    }
  }
  if (queued) {
    if (count == 1) {
      workAvailable_.notify_one();
    } else {
      workAvailable_.notify_all();
    }
    return;
  }
  log("Warning, WorkQueue %@ is shutting down, posted work dropped", label_);
}

std::size_t WorkQueue::cancelPending()
{
  std::deque<Work> dropped;
  {
    const std::lock_guard lock(mutex_);
    dropped.swap(items_);
    if (running_ == 0) {
      idle_.notify_all();
    }
  }
  return dropped.size();
}

void WorkQueue::waitUntilIdle()
{
  if (isOwnThread()) {
    log("Warning, WorkQueue %@ waitUntilIdle called from its own thread", label_);
    return;
  }
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return items_.empty() && running_ == 0; });
}

bool WorkQueue::isOwnThread() const
{
  const std::thread::id self = std::this_thread::get_id();
  return std::any_of(threads_.begin(), threads_.end(), [self](const std::thread& thread) { return thread.get_id() == self; });
}

void WorkQueue::runWorker()
{
  for (;;) {
    Work work;
    {
      std::unique_lock lock(mutex_);
      workAvailable_.wait(lock, [this] { return stopping_ || !items_.empty(); });
      if (stopping_) {
        return;
      }
      work = std::move(items_.front());
      items_.pop_front();
      ++running_;
    }
    try {
      work();
    } catch (const std::exception& error) {
      log("Error, WorkQueue %@ work item failed: %@", label_, error.what());
    } catch (...) {
      log("Error, WorkQueue %@ work item failed with an unknown exception", label_);
    }
    // Captures are released before the queue reports idle, so waiters see them gone.
    work = nullptr;
    {
      const std::lock_guard lock(mutex_);
      --running_;
      if (running_ == 0 && items_.empty()) {
        idle_.notify_all();
      }
    }
  }
}

}  // namespace pf
