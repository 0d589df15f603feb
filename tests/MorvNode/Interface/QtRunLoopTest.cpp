#include "MorvNode/Interface/QtRunLoop.h"

#include <memory>
#include <thread>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include "Platform/UndoManager.h"

namespace {

// An offscreen application with the Qt run loop installed as the current one.
class QtRunLoopTest : public testing::Test {
protected:
  QtRunLoopTest() { pf::RunLoop::setCurrent(&loop_); }
  ~QtRunLoopTest() override { pf::RunLoop::setCurrent(nullptr); }

  // Runs the event loop until `quit` is called; a stuck test gives up after a generous limit
  // instead of hanging (this is no timing assertion). Returns false when it gave up.
  bool runUntilQuit()
  {
    bool gaveUp = false;
    QTimer::singleShot(30000, &events_, [&] {
      gaveUp = true;
      events_.quit();
    });
    events_.exec();
    return !gaveUp;
  }
  void quit() { events_.quit(); }

  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  QtRunLoop loop_;
  QEventLoop events_;
};

TEST_F(QtRunLoopTest, OneShotRepeatingAndInvalidatedTimers)
{
  int oneShots = 0;
  int ticks = 0;
  int cancelledFires = 0;
  pf::Timer cancelled = loop_.scheduleOneShot(0.0, [&] { ++cancelledFires; });
  cancelled.invalidate();
  auto finishWhenDone = [&] {
    if (oneShots == 1 && ticks == 3) {
      quit();
    }
  };
  pf::Timer oneShot = loop_.scheduleOneShot(0.002, [&] {
    ++oneShots;
    finishWhenDone();
  });
  pf::Timer repeating;
  repeating = loop_.scheduleRepeating(0.001, [&] {
    ++ticks;
    if (ticks == 3) {
      repeating.invalidate();
    }
    finishWhenDone();
  });
  ASSERT_TRUE(runUntilQuit());
  // One more turn of the loop: nothing stopped may fire again.
  QTimer::singleShot(20, &events_, [&] { quit(); });
  events_.exec();
  EXPECT_EQ(oneShots, 1);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(cancelledFires, 0);
  EXPECT_FALSE(oneShot.isValid());
  EXPECT_FALSE(repeating.isValid());
}

TEST_F(QtRunLoopTest, PostedFunctionsFromAnotherThreadRunOnTheMainThreadInOrder)
{
  const std::thread::id mainThread = std::this_thread::get_id();
  std::vector<int> order;
  bool allOnMain = true;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) {
      pf::RunLoop::postToMain([&, i] {
        allOnMain = allOnMain && std::this_thread::get_id() == mainThread;
        order.push_back(i);
        if (i == 99) {
          quit();
        }
      });
    }
  });
  ASSERT_TRUE(runUntilQuit());
  poster.join();
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(order[i], i);
  }
  EXPECT_TRUE(allOnMain);
}

TEST_F(QtRunLoopTest, TimersKeepFiringInsideAModalMessageBox)
{
  QPointer<QMessageBox> box;
  int ticksWhileModal = 0;
  pf::Timer ticker = loop_.scheduleRepeating(0.005, [&] {
    if (box && box->isVisible()) {
      if (++ticksWhileModal == 3) {
        box->accept();
      }
    }
  });
  loop_.performAfter(0.0, [&] {
    QMessageBox modal(QMessageBox::Information, "Exporting", "Please wait");
    box = &modal;
    modal.exec();
    quit();
  });
  ASSERT_TRUE(runUntilQuit());
  EXPECT_EQ(ticksWhileModal, 3);
}

TEST_F(QtRunLoopTest, UndoGroupClosesOncePerPass)
{
  pf::UndoManager undo;
  int value = 0;
  int passesBetween = 0;
  pf::EndOfPassObserver countPasses = loop_.addEndOfPassObserver([&] { ++passesBetween; });
  // Two registrations in one event, a third in a later one (a timer that fires after the loop
  // has waited for it).
  loop_.post([&] {
    undo.registerUndo([&] { value -= 1; });
    undo.registerUndo([&] { value -= 2; });
    value = 3;
  });
  pf::Timer later = loop_.scheduleOneShot(0.05, [&] {
    EXPECT_EQ(undo.groupingLevel(), 0);
    undo.registerUndo([&] { value -= 4; });
    value += 4;
    loop_.performAfter(0.05, [&] { quit(); });
  });
  ASSERT_TRUE(runUntilQuit());
  EXPECT_GE(passesBetween, 2);
  EXPECT_EQ(undo.groupingLevel(), 0);
  undo.undo();
  EXPECT_EQ(value, 3);
  undo.undo();
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(undo.canUndo());
}

TEST(QtRunLoop, ResignsAndDisarmsWhenDestroyed)
{
  int argc = 1;
  char name[] = "ui_tests";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  pf::Timer timer;
  pf::EndOfPassObserver observer;
  {
    QtRunLoop loop;
    pf::RunLoop::setCurrent(&loop);
    timer = loop.scheduleRepeating(1.0, [] {});
    observer = loop.addEndOfPassObserver([] {});
  }
  EXPECT_EQ(pf::RunLoop::current(), nullptr);
  EXPECT_FALSE(timer.isValid());
  EXPECT_FALSE(observer.isActive());
}

}  // namespace
