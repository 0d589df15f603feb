#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace testsupport {

// Lets a test that reads a named pipe end even when the read waits for a writer: after ten
// seconds it opens the pipe for writing, which releases the read, and remembers that it had to.
// Call finish() once the reads are done; blockedRead() then says whether one of them waited.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::filesystem::path pipe)
      : watchdog_([this, pipe = std::move(pipe), done = finished_.get_future()] {
          if (done.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            blocked_ = true;
            const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) {
              ::close(writer);
            }
          }
        })
  {
  }
  PipeWatchdog(const PipeWatchdog&) = delete;
  PipeWatchdog& operator=(const PipeWatchdog&) = delete;
  ~PipeWatchdog() { finish(); }

  void finish()
  {
    if (watchdog_.joinable()) {
      finished_.set_value();
      watchdog_.join();
    }
  }

  [[nodiscard]] bool blockedRead()
  {
    finish();
    return blocked_;
  }

 private:
  std::promise<void> finished_;
  bool blocked_ = false;  // written by the watchdog before join, read after it
  std::thread watchdog_;
};

}  // namespace testsupport
