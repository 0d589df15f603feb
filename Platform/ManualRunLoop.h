#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/RunLoop.h"

namespace pf {

// A run loop that does nothing until the test drives it: time stands still until advance(),
// posted functions wait for runPending(). Every timer fire and every batch of posted functions
// is one pass, followed by the end-of-pass observers. Time starts at 0. post() may be called
// from any thread; everything else belongs to the test's thread.
class ManualRunLoop final : public RunLoop {
public:
  ManualRunLoop() = default;
  // Disarms the timers and observers still held and stops being the current loop.
  ~ManualRunLoop() override;

  [[nodiscard]] double now() const override { return now_; }
  void post(Callback function) override;
  [[nodiscard]] EndOfPassObserver addEndOfPassObserver(Callback observer) override;

  // Runs the functions posted so far, then moves time forward by `seconds` (negative or NaN
  // count as 0), firing every timer that falls due on the way in time order (ties in arming
  // order), with now() at its due time. Timers armed by a callback fire in the same call when
  // they fall due within it. Returns the number of timer fires.
  int advance(double seconds);
  // Runs the functions posted before this call, in order, as one pass; functions they post wait
  // for the next call. Returns how many ran.
  int runPending();
  // Runs `event` as one pass of the loop: the event, then the end-of-pass observers.
  void runEvent(const Callback& event);
  // Calls the end-of-pass observers, as at the end of a pass whose events the test ran itself.
  void endPass();

  [[nodiscard]] std::size_t armedTimerCount() const;
  [[nodiscard]] bool hasPending() const;

protected:
  Timer scheduleTimer(double seconds, bool repeats, Callback callback) override;

private:
  struct ArmedTimer {
    std::shared_ptr<RunLoopSlot> slot;
    double dueTime = 0.0;
    double interval = 0.0;
    bool repeats = false;
    std::uint64_t order = 0;  // arming order, breaks ties between equal due times
  };

  void dropDisarmed();

  double now_ = 0.0;
  std::uint64_t nextOrder_ = 0;
  std::vector<ArmedTimer> timers_;
  std::vector<std::shared_ptr<RunLoopSlot>> observers_;
  bool inEndPass_ = false;

  mutable std::mutex postedMutex_;
  std::deque<Callback> posted_;  // guarded by postedMutex_
};

}  // namespace pf
