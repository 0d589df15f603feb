#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Format.h"

namespace pf {

// The process-wide log line sink. Every line is written to standard error (the system log of a
// desktop session) unless echo is off, then handed to the installed sink, which the application
// uses to keep the persistent log. Safe to call from any thread.

using LogSink = std::function<void(const std::string& message)>;

// Replaces the sink; an empty function removes it. The sink is called without any lock held.
// Returns once calls of the old sink on other threads have returned, so its owner may go away.
void setLogSink(LogSink sink);
// Tests that feed bad input on purpose turn the standard-error echo off.
void setLogEcho(bool enabled);

void logMessage(const std::string& message);

// While it lives, the lines logged on the thread that made it are kept here instead of being
// written: for work done ahead on a worker whose lines belong to a later step of the main
// thread (a document read while the application starts), which logs them there (takeLines).
// Captures nest; the innermost keeps the lines.
class ThreadLogCapture {
public:
  ThreadLogCapture();
  ~ThreadLogCapture();
  ThreadLogCapture(const ThreadLogCapture&) = delete;
  ThreadLogCapture& operator=(const ThreadLogCapture&) = delete;

  std::vector<std::string> takeLines() { return std::move(lines_); }

private:
  friend void logMessage(const std::string& message);
  std::vector<std::string> lines_;
  ThreadLogCapture* outer_;
};

template <typename... Args>
void log(std::string_view formatText, const Args&... arguments)
{
  logMessage(format(formatText, arguments...));
}

}  // namespace pf
