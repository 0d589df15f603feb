#include "Platform/Log.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>

namespace pf {

namespace {

std::mutex& sinkMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<const LogSink>& currentSink()
{
  static std::shared_ptr<const LogSink> sink;
  return sink;
}

std::atomic<bool>& echo()
{
  static std::atomic<bool> enabled{true};
  return enabled;
}

}  // namespace

void setLogSink(LogSink sink)
{
  std::shared_ptr<const LogSink> next = sink ? std::make_shared<const LogSink>(std::move(sink)) : nullptr;
  const std::lock_guard lock(sinkMutex());
  currentSink() = std::move(next);
}

void setLogEcho(bool enabled)
{
  echo().store(enabled);
}

void logMessage(const std::string& message)
{
  if (echo().load()) {
    // One write per line so that lines from several threads do not interleave.
    const std::string line = message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  std::shared_ptr<const LogSink> sink;
  {
    const std::lock_guard lock(sinkMutex());
    sink = currentSink();
  }
  if (sink) {
    (*sink)(message);
  }
}

}  // namespace pf
