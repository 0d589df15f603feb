#pragma once

#include <functional>
#include <string>
#include <string_view>

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

template <typename... Args>
void log(std::string_view formatText, const Args&... arguments)
{
  logMessage(format(formatText, arguments...));
}

}  // namespace pf
