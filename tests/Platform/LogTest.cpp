#include "Platform/Log.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Whoever removes the sink may destroy what it writes into at once: a line that another thread
// is handing to the old sink at that moment must have been handled by then.
TEST(Log, RemovingTheSinkWaitsForCallsInProgress)
{
  pf::setLogEcho(false);
  std::atomic<bool> entered{false};
  std::atomic<bool> mayFinish{false};
  auto lines = std::make_unique<std::atomic<int>>(0);
  std::atomic<int>* counter = lines.get();
  pf::setLogSink([&, counter](const std::string&) {
    entered = true;
    while (!mayFinish) {
      std::this_thread::yield();
    }
    ++*counter;
  });
  std::thread writer([] { pf::log("a line from a worker"); });
  while (!entered) {
    std::this_thread::yield();
  }
  std::atomic<bool> removed{false};
  int linesAtRemoval = -1;
  std::thread remover([&] {
    pf::setLogSink(nullptr);
    linesAtRemoval = *counter;
    removed = true;
  });
  // Gives an early return the chance to show; the result does not depend on the pause.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const bool removedEarly = removed;
  mayFinish = true;
  remover.join();
  writer.join();
  EXPECT_FALSE(removedEarly);
  EXPECT_EQ(linesAtRemoval, 1);
  lines.reset();
  pf::log("no sink any more");  // must not reach the destroyed counter
  pf::setLogEcho(true);
}

// A sink may log and may replace itself without waiting for its own call.
TEST(Log, SinkMayLogAndReplaceItself)
{
  pf::setLogEcho(false);
  int calls = 0;
  pf::setLogSink([&](const std::string& message) {
    ++calls;
    if (message == "first") {
      pf::log("nested");
      pf::setLogSink(nullptr);
    }
  });
  pf::log("first");
  pf::log("after removal");
  EXPECT_EQ(calls, 2);
  pf::setLogEcho(true);
}

// A capture keeps the lines of its own thread only, until taken; an inner capture keeps the lines
// while it lives, and the outer one those after it.
TEST(Log, CaptureKeepsTheLinesOfItsThread)
{
  pf::setLogEcho(false);
  std::vector<std::string> sunk;
  pf::setLogSink([&sunk](const std::string& message) { sunk.push_back(message); });
  std::vector<std::string> outerLines;
  std::vector<std::string> innerLines;
  {
    pf::ThreadLogCapture outer;
    pf::log("outer %d", 1);
    {
      pf::ThreadLogCapture inner;
      pf::log("inner");
      std::thread([] { pf::log("from another thread"); }).join();
      innerLines = inner.takeLines();
    }
    pf::log("outer %d", 2);
    outerLines = outer.takeLines();
  }
  pf::log("after");
  pf::setLogSink(nullptr);
  pf::setLogEcho(true);
  EXPECT_EQ(outerLines, (std::vector<std::string>{"outer 1", "outer 2"}));
  EXPECT_EQ(innerLines, (std::vector<std::string>{"inner"}));
  EXPECT_EQ(sunk, (std::vector<std::string>{"from another thread", "after"}));
}

}  // namespace
