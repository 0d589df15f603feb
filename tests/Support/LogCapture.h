#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Log.h"

namespace testsupport {

// Keeps standard error quiet while a test feeds bad input on purpose.
class QuietLog {
public:
  QuietLog() { pf::setLogEcho(false); }
  ~QuietLog() { pf::setLogEcho(true); }
  QuietLog(const QuietLog&) = delete;
  QuietLog& operator=(const QuietLog&) = delete;
};

// Collects log lines instead of printing them. Lines may arrive from any thread.
class LogCapture {
public:
  LogCapture()
  {
    pf::setLogEcho(false);
    pf::setLogSink([this](const std::string& message) {
      const std::lock_guard lock(mutex_);
      lines_.push_back(message);
    });
  }
  ~LogCapture()
  {
    pf::setLogSink(nullptr);
    pf::setLogEcho(true);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const
  {
    const std::lock_guard lock(mutex_);
    return lines_;
  }
  int count(std::string_view exactLine) const
  {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(lines_.begin(), lines_.end(), exactLine));
  }
  // Lines that contain the text.
  int countContaining(std::string_view text) const
  {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(),
                                          [text](const std::string& line) { return line.find(text) != std::string::npos; }));
  }
  void clear()
  {
    const std::lock_guard lock(mutex_);
    lines_.clear();
  }

private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace testsupport
