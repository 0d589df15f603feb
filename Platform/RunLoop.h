#pragma once

#include <functional>

#include "Platform/EndOfPassObserver.h"
#include "Platform/Timer.h"

namespace pf {

// The main thread's event loop as the model sees it: one-shot and repeating timers, functions
// posted from any thread, the clock the timers run on, and observers called after each pass
// over the loop's events (the undo manager closes the group of that pass there). The
// application installs its toolkit's loop as the current one; tests install a ManualRunLoop.
// Main thread only, except post() and postToMain().
class RunLoop {
public:
  using Callback = std::function<void()>;

  RunLoop() = default;
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;
  // An implementation disarms its timers and observers and calls resignCurrent() in its own
  // destructor.
  virtual ~RunLoop() = default;

  // The process-wide current run loop, not owned; nullptr when none is installed.
  static RunLoop* current();
  // Installs a loop (nullptr removes it); the caller keeps it alive until it is removed. The
  // installing thread becomes the main thread.
  static void setCurrent(RunLoop* runLoop);
  // True on the thread that installed the current loop, and on every thread while none is
  // installed (nothing could be handed to a main thread then). Callable from any thread.
  static bool isMainThread();
  // Posts to the current run loop from any thread. Safe against the loop being removed at the
  // same time. Returns false and logs when no loop is installed (the function is dropped).
  static bool postToMain(Callback function);

  // Seconds on a monotonic clock, the time timers fire against. Only differences mean anything.
  [[nodiscard]] virtual double now() const = 0;

  // Runs the callback once, `seconds` from now (negative or NaN count as 0). Timers due at the
  // same time fire in the order they were armed.
  [[nodiscard]] Timer scheduleOneShot(double seconds, Callback callback);
  // Runs the callback every `interval` seconds until invalidated; intervals below
  // kMinimumRepeatInterval are raised to it.
  [[nodiscard]] Timer scheduleRepeating(double interval, Callback callback);
  // A one-shot nobody can cancel (deferred alerts, start-up steps).
  void performAfter(double seconds, Callback callback);

  // Queues the function to run on the main thread after the events already queued. Callable
  // from any thread while this loop is alive; functions still queued when it dies are dropped.
  virtual void post(Callback function) = 0;

  // Calls the observer after each pass over the loop's events: once the events that were ready
  // have been handled, before the loop waits for more. Observers run in the order added.
  [[nodiscard]] virtual EndOfPassObserver addEndOfPassObserver(Callback observer) = 0;

  static constexpr double kMinimumRepeatInterval = 0.0001;  // seconds

protected:
  // `seconds` is already clamped: 0 or more for a one-shot, kMinimumRepeatInterval or more
  // for a repeating timer. An empty callback never gets here.
  virtual Timer scheduleTimer(double seconds, bool repeats, Callback callback) = 0;
  // Removes this loop as the current one if it is; for implementations' destructors.
  void resignCurrent();
};

}  // namespace pf
