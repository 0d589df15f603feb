#include "Platform/RunLoop.h"

#include <cmath>
#include <mutex>
#include <thread>
#include <utility>

#include "Platform/Log.h"

namespace pf {

namespace {

// Guards the current loop so that a thread posting to it cannot race with its removal.
std::mutex& currentMutex()
{
  static std::mutex mutex;
  return mutex;
}

RunLoop*& currentLoop()
{
  static RunLoop* loop = nullptr;
  return loop;
}

std::thread::id& mainThreadID()  // guarded by currentMutex(); meaningful while a loop is installed
{
  static std::thread::id id;
  return id;
}

double clampedSeconds(double seconds, double minimum)
{
  return std::isnan(seconds) || seconds < minimum ? minimum : seconds;
}

}  // namespace

RunLoop* RunLoop::current()
{
  const std::lock_guard lock(currentMutex());
  return currentLoop();
}

void RunLoop::setCurrent(RunLoop* runLoop)
{
  const std::lock_guard lock(currentMutex());
  currentLoop() = runLoop;
  mainThreadID() = std::this_thread::get_id();
}

bool RunLoop::isMainThread()
{
  const std::lock_guard lock(currentMutex());
  return currentLoop() == nullptr || mainThreadID() == std::this_thread::get_id();
}

bool RunLoop::postToMain(Callback function)
{
  {
    const std::lock_guard lock(currentMutex());
    if (RunLoop* loop = currentLoop()) {
      loop->post(std::move(function));
      return true;
    }
  }
  log("Warning, RunLoop postToMain without a current run loop, the function is dropped");
  return false;
}

void RunLoop::resignCurrent()
{
  const std::lock_guard lock(currentMutex());
  if (currentLoop() == this) {
    currentLoop() = nullptr;
  }
}

Timer RunLoop::scheduleOneShot(double seconds, Callback callback)
{
  if (!callback) {
    return Timer();
  }
  return scheduleTimer(clampedSeconds(seconds, 0.0), false, std::move(callback));
}

Timer RunLoop::scheduleRepeating(double interval, Callback callback)
{
  if (!callback) {
    return Timer();
  }
  return scheduleTimer(clampedSeconds(interval, kMinimumRepeatInterval), true, std::move(callback));
}

void RunLoop::performAfter(double seconds, Callback callback)
{
  scheduleOneShot(seconds, std::move(callback)).detach();
}

}  // namespace pf
