#include "Platform/Log.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

namespace pf {

namespace {

// An installed sink and the number of its calls still running.
struct InstalledSink {
  explicit InstalledSink(LogSink function) : function(std::move(function)) {}
  const LogSink function;
  int running = 0;  // guarded by sinkMutex()
};

std::mutex& sinkMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::condition_variable& sinkIdle()
{
  static std::condition_variable idle;
  return idle;
}

std::shared_ptr<InstalledSink>& currentSink()
{
  static std::shared_ptr<InstalledSink> sink;
  return sink;
}

// Sink calls running on this thread: a sink that replaces the sink cannot wait for itself.
thread_local int sinkCallsOnThisThread = 0;

// The capture that keeps this thread's lines, if any.
thread_local ThreadLogCapture* captureOnThisThread = nullptr;

std::atomic<bool>& echo()
{
  static std::atomic<bool> enabled{true};
  return enabled;
}

}  // namespace

void setLogSink(LogSink sink)
{
  std::shared_ptr<InstalledSink> next = sink ? std::make_shared<InstalledSink>(std::move(sink)) : nullptr;
  std::unique_lock lock(sinkMutex());
  const std::shared_ptr<InstalledSink> previous = std::move(currentSink());
  currentSink() = std::move(next);
  // The owner of the old sink usually dies right after replacing it: calls that other threads
  // started before the swap must have returned first.
  if (previous && sinkCallsOnThisThread == 0) {
    sinkIdle().wait(lock, [&] { return previous->running == 0; });
  }
}

void setLogEcho(bool enabled)
{
  echo().store(enabled);
}

ThreadLogCapture::ThreadLogCapture() : outer_(captureOnThisThread)
{
  captureOnThisThread = this;
}

ThreadLogCapture::~ThreadLogCapture()
{
  captureOnThisThread = outer_;
}

void logMessage(const std::string& message)
{
  if (captureOnThisThread != nullptr) {
    captureOnThisThread->lines_.push_back(message);
    return;
  }
  if (echo().load()) {
    // One write per line so that lines from several threads do not interleave.
    const std::string line = message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  std::shared_ptr<InstalledSink> sink;
  {
    const std::lock_guard lock(sinkMutex());
    sink = currentSink();
    if (!sink) {
      return;
    }
    ++sink->running;
  }
  struct Finished {
    InstalledSink& sink;
    ~Finished()
    {
      --sinkCallsOnThisThread;
      {
        const std::lock_guard lock(sinkMutex());
        --sink.running;
      }
      sinkIdle().notify_all();
    }
  };
  ++sinkCallsOnThisThread;
  const Finished finished{*sink};
  sink->function(message);
}

}  // namespace pf
