#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include <QMetaObject>
#include <QObject>

#include "Platform/RunLoop.h"

// The application's Qt event loop as the core's pf::RunLoop. Timers are QTimers, so they keep
// firing inside nested modal loops (dialogs, message boxes); functions posted from other
// threads arrive as queued calls; end-of-pass observers run whenever the event dispatcher is
// about to wait for more events, which is where the undo manager closes the group of the pass.
// Create it on the main thread once the QApplication exists; it resigns as the current run loop
// when destroyed, and its timers and observers become invalid.
class QtRunLoop final : public pf::RunLoop {
public:
  QtRunLoop();
  ~QtRunLoop() override;

  [[nodiscard]] double now() const override;
  void post(Callback function) override;
  [[nodiscard]] pf::EndOfPassObserver addEndOfPassObserver(Callback observer) override;

protected:
  pf::Timer scheduleTimer(double seconds, bool repeats, Callback callback) override;

private:
  void endPass();

  QObject context_;  // parent of the timers and receiver of posted calls, on the main thread
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::vector<std::weak_ptr<pf::RunLoopSlot>> timers_;  // for disarming when the loop goes
  std::vector<std::shared_ptr<pf::RunLoopSlot>> observers_;
  QMetaObject::Connection aboutToBlock_;
  bool inEndPass_ = false;
};
