#include "Platform/WorkQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <pthread.h>

#include <gtest/gtest.h>

#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"

namespace {

// A one-way gate between threads. The wait gives up after a generous limit so that a broken
// queue fails the test instead of hanging it; it is not a timing assertion.
class Gate {
public:
  void open()
  {
    const std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  [[nodiscard]] bool wait()
  {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return open_; });
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

std::string currentThreadName()
{
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

TEST(WorkQueue, SerialRunsItemsOneAtATimeInOrderOnItsOwnThread)
{
  auto queue = pf::WorkQueue::serial("com.oradel.MorvalisPreviewRendering");
  EXPECT_EQ(queue->threadCount(), 1u);
  constexpr int kItems = 500;
  std::vector<int> order;  // touched only by the queue's thread until waitUntilIdle returns
  std::atomic<int> active{0};
  std::atomic<bool> overlapped{false};
  std::string name;
  std::thread::id worker;
  for (int i = 0; i < kItems; ++i) {
    queue->post([&, i] {
      if (active.fetch_add(1) != 0) {
        overlapped = true;
      }
      order.push_back(i);
      if (i == 0) {
        name = currentThreadName();
        worker = std::this_thread::get_id();
      }
      active.fetch_sub(1);
    });
  }
  queue->waitUntilIdle();
  ASSERT_EQ(order.size(), static_cast<std::size_t>(kItems));
  for (int i = 0; i < kItems; ++i) {
    EXPECT_EQ(order[i], i);
  }
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(name, "MorvalisPreview");
  EXPECT_NE(worker, std::this_thread::get_id());
}

TEST(WorkQueue, ConcurrentRunsItemsAtTheSameTime)
{
  auto queue = pf::WorkQueue::concurrent("com.oradel.thumbnails", 2);
  // Each of two items waits for the other to have started: only a pool that runs them at the
  // same time gets both through.
  Gate first;
  Gate second;
  std::atomic<int> passed{0};
  queue->post([&] {
    first.open();
    passed += second.wait() ? 1 : 0;
  });
  queue->post([&] {
    second.open();
    passed += first.wait() ? 1 : 0;
  });
  std::atomic<int> count{0};
  for (int i = 0; i < 1000; ++i) {
    queue->post([&] { ++count; });
  }
  queue->waitUntilIdle();
  EXPECT_EQ(passed, 2);
  EXPECT_EQ(count, 1000);

  auto sized = pf::WorkQueue::concurrent("sized");
  EXPECT_EQ(sized->threadCount(), std::max(1u, std::thread::hardware_concurrency()));
}

TEST(WorkQueue, CompletionRunsOnTheMainRunLoop)
{
  pf::ManualRunLoop loop;
  pf::RunLoop::setCurrent(&loop);
  auto queue = pf::WorkQueue::serial("results");
  std::vector<std::string> results;
  std::thread::id completedOn;
  bool voidDone = false;
  queue->postWithCompletion([] { return std::string("rendered"); },
                            [&](std::string result) {
                              results.push_back(std::move(result));
                              completedOn = std::this_thread::get_id();
                            });
  queue->postWithCompletion([] {}, [&] { voidDone = true; });
  queue->waitUntilIdle();
  EXPECT_TRUE(results.empty());  // nothing reaches the main thread before its loop runs
  EXPECT_EQ(loop.runPending(), 2);
  EXPECT_EQ(results, std::vector<std::string>{"rendered"});
  EXPECT_EQ(completedOn, std::this_thread::get_id());
  EXPECT_TRUE(voidDone);
  pf::RunLoop::setCurrent(nullptr);
}

TEST(WorkQueue, CancelPendingDropsOnlyItemsNotStarted)
{
  auto queue = pf::WorkQueue::serial("cancel");
  Gate started;
  Gate release;
  bool firstFinished = false;
  std::atomic<int> later{0};
  queue->post([&] {
    started.open();
    firstFinished = release.wait();
  });
  ASSERT_TRUE(started.wait());
  for (int i = 0; i < 5; ++i) {
    queue->post([&] { ++later; });
  }
  EXPECT_EQ(queue->cancelPending(), 5u);
  release.open();
  queue->waitUntilIdle();
  EXPECT_TRUE(firstFinished);
  EXPECT_EQ(later, 0);
}

TEST(WorkQueue, DestructorWaitsForTheRunningItem)
{
  auto queue = pf::WorkQueue::serial("shutdown");
  Gate started;
  Gate release;
  std::atomic<bool> finished{false};
  std::atomic<int> later{0};
  queue->post([&] {
    started.open();
    finished = release.wait();
  });
  for (int i = 0; i < 5; ++i) {
    queue->post([&] { ++later; });
  }
  ASSERT_TRUE(started.wait());
  std::thread closer([&] { queue.reset(); });
  release.open();
  closer.join();
  EXPECT_TRUE(finished);
  EXPECT_LE(later, 5);
}

TEST(WorkQueue, FailuresAreLoggedAndTheQueueCarriesOn)
{
  std::vector<std::string> lines;
  std::mutex linesMutex;
  pf::setLogEcho(false);
  pf::setLogSink([&](const std::string& line) {
    const std::lock_guard lock(linesMutex);
    lines.push_back(line);
  });
  auto queue = pf::WorkQueue::serial("failing");
  bool after = false;
  queue->post([] { throw std::runtime_error("bad bitmap"); });
  queue->post([&] { queue->waitUntilIdle(); });  // would wait for itself
  queue->post([&] { after = true; });
  queue->waitUntilIdle();
  queue.reset();
  pf::setLogSink(nullptr);
  pf::setLogEcho(true);
  EXPECT_TRUE(after);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Error, WorkQueue failing work item failed: bad bitmap");
}

}  // namespace
