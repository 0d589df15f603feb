#include "MorvNode/Interface/QtRunLoop.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <utility>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "Platform/Log.h"

namespace {

// Exceptions must not unwind through Qt's event loop: a failing callback is logged instead.
void runCallback(const pf::RunLoop::Callback& callback)
{
  try {
    callback();
  } catch (const std::exception& error) {
    pf::log("Error, run loop callback failed: %@", error.what());
  } catch (...) {
    pf::log("Error, run loop callback failed with an unknown exception");
  }
}

int milliseconds(double seconds, bool repeats)
{
  const double ms = std::round(seconds * 1000.0);
  // A repeating 0 ms QTimer would fire on every turn of the loop; 1 ms is Qt's finest step.
  const int minimum = repeats ? 1 : 0;
  return ms >= static_cast<double>(INT_MAX) ? INT_MAX : std::max(minimum, static_cast<int>(ms));
}

}  // namespace

QtRunLoop::QtRunLoop()
{
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
  if (!dispatcher) {
    pf::log("Error, QtRunLoop created without an event dispatcher, end-of-pass observers will not run");
    return;
  }
  aboutToBlock_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &context_, [this] { endPass(); });
}

QtRunLoop::~QtRunLoop()
{
  resignCurrent();
  QObject::disconnect(aboutToBlock_);
  // Handles that outlive the loop read as invalid; their QTimers die with context_.
  for (const std::weak_ptr<pf::RunLoopSlot>& weak : timers_) {
    if (const std::shared_ptr<pf::RunLoopSlot> slot = weak.lock()) {
      slot->disarm();
    }
  }
  const std::vector<std::shared_ptr<pf::RunLoopSlot>> observers = std::move(observers_);
  for (const std::shared_ptr<pf::RunLoopSlot>& observer : observers) {
    observer->disarm();
  }
}

double QtRunLoop::now() const
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void QtRunLoop::post(Callback function)
{
  if (!function) {
    return;
  }
  // Thread-safe: the call is queued as an event for context_, which lives on the main thread.
  QMetaObject::invokeMethod(&context_, [function = std::move(function)] { runCallback(function); }, Qt::QueuedConnection);
}

pf::Timer QtRunLoop::scheduleTimer(double seconds, bool repeats, Callback callback)
{
  std::erase_if(timers_, [](const std::weak_ptr<pf::RunLoopSlot>& weak) {
    const std::shared_ptr<pf::RunLoopSlot> slot = weak.lock();
    return !slot || !slot->isArmed();
  });
  auto slot = std::make_shared<pf::RunLoopSlot>(std::move(callback));
  auto* timer = new QTimer(&context_);
  timer->setTimerType(Qt::PreciseTimer);
  timer->setSingleShot(!repeats);
  timer->setInterval(milliseconds(seconds, repeats));
  // The QTimer keeps the slot alive (a detached timer has no other owner); the slot only
  // watches the QTimer, so there is no cycle.
  slot->setDisarmAction([timer = QPointer<QTimer>(timer)] {
    if (timer) {
      timer->stop();
      timer->deleteLater();
    }
  });
  QObject::connect(timer, &QTimer::timeout, timer, [slot, repeats] {
    const std::shared_ptr<const Callback> callback = slot->callback();
    if (!callback) {
      return;
    }
    if (!repeats) {
      slot->disarm();
    }
    runCallback(*callback);
  });
  timer->start();
  timers_.push_back(slot);
  return pf::Timer(std::move(slot));
}

pf::EndOfPassObserver QtRunLoop::addEndOfPassObserver(Callback observer)
{
  if (!observer) {
    return pf::EndOfPassObserver();
  }
  auto slot = std::make_shared<pf::RunLoopSlot>(std::move(observer));
  observers_.push_back(slot);
  return pf::EndOfPassObserver(std::move(slot));
}

void QtRunLoop::endPass()
{
  // An observer that spins a nested loop (a modal alert) does not re-enter the round.
  if (inEndPass_) {
    return;
  }
  inEndPass_ = true;
  std::erase_if(observers_, [](const std::shared_ptr<pf::RunLoopSlot>& slot) { return !slot->isArmed(); });
  const std::vector<std::shared_ptr<pf::RunLoopSlot>> observers = observers_;
  for (const std::shared_ptr<pf::RunLoopSlot>& observer : observers) {
    if (const std::shared_ptr<const Callback> callback = observer->callback()) {
      runCallback(*callback);
    }
  }
  inEndPass_ = false;
}
