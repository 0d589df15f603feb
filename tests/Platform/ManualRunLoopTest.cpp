#include "Platform/ManualRunLoop.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Log.h"

namespace {

// A run loop installed as the current one for the length of a test.
class ManualRunLoopTest : public testing::Test {
protected:
  ManualRunLoopTest() { pf::RunLoop::setCurrent(&loop_); }
  ~ManualRunLoopTest() override { pf::RunLoop::setCurrent(nullptr); }

  pf::ManualRunLoop loop_;
};

TEST_F(ManualRunLoopTest, FiresDueTimersInTimeOrderThenArmingOrder)
{
  std::vector<std::string> fired;
  std::vector<double> firedAt;
  auto record = [&](std::string name) {
    return [&, name] {
      fired.push_back(name);
      firedAt.push_back(loop_.now());
    };
  };
  pf::Timer late = loop_.scheduleOneShot(0.3, record("late"));
  pf::Timer first = loop_.scheduleOneShot(0.1, record("first"));
  pf::Timer tieA = loop_.scheduleOneShot(0.2, record("tieA"));
  pf::Timer tieB = loop_.scheduleOneShot(0.2, record("tieB"));
  pf::Timer beyond = loop_.scheduleOneShot(0.5, record("beyond"));

  EXPECT_EQ(loop_.advance(0.3), 4);
  EXPECT_EQ(fired, (std::vector<std::string>{"first", "tieA", "tieB", "late"}));
  EXPECT_EQ(firedAt, (std::vector<double>{0.1, 0.2, 0.2, 0.3}));
  EXPECT_DOUBLE_EQ(loop_.now(), 0.3);
  EXPECT_FALSE(first.isValid());
  EXPECT_TRUE(beyond.isValid());
  EXPECT_EQ(loop_.armedTimerCount(), 1u);
}

TEST_F(ManualRunLoopTest, TimerArmedByACallbackFiresInTheSameAdvanceWhenDue)
{
  std::vector<double> firedAt;
  pf::Timer inner;
  pf::Timer tooLate;
  pf::Timer outer = loop_.scheduleOneShot(0.1, [&] {
    inner = loop_.scheduleOneShot(0.05, [&] { firedAt.push_back(loop_.now()); });
    tooLate = loop_.scheduleOneShot(1.0, [&] { firedAt.push_back(-1.0); });
  });
  EXPECT_EQ(loop_.advance(0.2), 2);
  ASSERT_EQ(firedAt.size(), 1u);
  EXPECT_DOUBLE_EQ(firedAt[0], 0.15);
  EXPECT_TRUE(tooLate.isValid());
}

TEST_F(ManualRunLoopTest, RepeatingTimerStopsWhenItInvalidatesItself)
{
  int ticks = 0;
  pf::Timer timer;
  timer = loop_.scheduleRepeating(0.1, [&] {
    ++ticks;
    if (ticks == 3) {
      timer.invalidate();
    }
  });
  loop_.advance(1.0);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(timer.isValid());
  EXPECT_EQ(loop_.armedTimerCount(), 0u);
}

TEST_F(ManualRunLoopTest, HandleControlsTheTimersLife)
{
  int fires = 0;
  {
    pf::Timer dropped = loop_.scheduleOneShot(0.1, [&] { ++fires; });
  }
  pf::Timer replaced = loop_.scheduleOneShot(0.1, [&] { fires += 10; });
  replaced = loop_.scheduleOneShot(0.1, [&] { fires += 100; });
  loop_.scheduleOneShot(0.1, [&] { fires += 1000; }).detach();
  loop_.performAfter(0.1, [&] { fires += 10000; });

  bool validInsideCallback = true;
  pf::Timer oneShot;
  oneShot = loop_.scheduleOneShot(0.1, [&] { validInsideCallback = oneShot.isValid(); });

  loop_.advance(0.1);
  EXPECT_EQ(fires, 11100);
  EXPECT_FALSE(validInsideCallback);
  EXPECT_FALSE(pf::Timer().isValid());
}

TEST_F(ManualRunLoopTest, CallbackMayDestroyItsOwnHandle)
{
  // The owner of the timer goes away inside the timer's callback, taking the captures with it.
  struct Owner {
    pf::Timer timer;
    std::shared_ptr<int> payload = std::make_shared<int>(7);
  };
  auto owner = std::make_unique<Owner>();
  int seen = 0;
  owner->timer = loop_.scheduleRepeating(0.1, [&, payload = owner->payload] {
    owner.reset();
    seen = *payload;
  });
  loop_.advance(0.5);
  EXPECT_EQ(seen, 7);
  EXPECT_EQ(owner, nullptr);
}

TEST_F(ManualRunLoopTest, OddIntervalsAreClamped)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  int oneShots = 0;
  pf::Timer a = loop_.scheduleOneShot(nan, [&] { ++oneShots; });
  pf::Timer b = loop_.scheduleOneShot(-5.0, [&] { ++oneShots; });
  pf::Timer empty = loop_.scheduleOneShot(1.0, nullptr);
  EXPECT_FALSE(empty.isValid());
  EXPECT_EQ(loop_.advance(nan), 2);
  EXPECT_EQ(oneShots, 2);
  EXPECT_DOUBLE_EQ(loop_.now(), 0.0);

  // A zero interval would spin forever; it repeats at the minimum interval instead.
  int repeats = 0;
  pf::Timer fast = loop_.scheduleRepeating(0.0, [&] { ++repeats; });
  loop_.advance(10.5 * pf::RunLoop::kMinimumRepeatInterval);
  EXPECT_EQ(repeats, 10);
}

TEST_F(ManualRunLoopTest, EndOfPassFollowsEveryTimerFireAndPostedBatch)
{
  std::vector<std::string> events;
  pf::EndOfPassObserver observer = loop_.addEndOfPassObserver([&] { events.push_back("end"); });
  pf::Timer a = loop_.scheduleOneShot(0.1, [&] { events.push_back("a"); });
  pf::Timer b = loop_.scheduleOneShot(0.1, [&] { events.push_back("b"); });
  loop_.post([&] { events.push_back("p1"); });
  loop_.post([&] { events.push_back("p2"); });
  loop_.advance(0.1);
  EXPECT_EQ(events, (std::vector<std::string>{"p1", "p2", "end", "a", "end", "b", "end"}));

  events.clear();
  loop_.runEvent([&] { events.push_back("event"); });
  observer.remove();
  loop_.endPass();
  EXPECT_EQ(events, (std::vector<std::string>{"event", "end"}));
  EXPECT_FALSE(observer.isActive());
}

TEST_F(ManualRunLoopTest, PostedFunctionsRunInOrderAndTheirOwnPostsWait)
{
  std::vector<int> order;
  loop_.post([&] {
    order.push_back(1);
    loop_.post([&] { order.push_back(3); });
  });
  loop_.post([&] { order.push_back(2); });
  EXPECT_EQ(loop_.runPending(), 2);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_TRUE(loop_.hasPending());
  EXPECT_EQ(loop_.runPending(), 1);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(loop_.runPending(), 0);
}

TEST_F(ManualRunLoopTest, PostToMainFromOtherThreadsKeepsEachThreadsOrder)
{
  constexpr int kThreads = 4;
  constexpr int kPosts = 200;
  std::vector<std::vector<int>> received(kThreads);
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int i = 0; i < kPosts; ++i) {
          EXPECT_TRUE(pf::RunLoop::postToMain([&, t, i] { received[t].push_back(i); }));
        }
      });
    }
  }
  EXPECT_EQ(loop_.runPending(), kThreads * kPosts);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(received[t].size(), static_cast<std::size_t>(kPosts));
    for (int i = 0; i < kPosts; ++i) {
      EXPECT_EQ(received[t][i], i);
    }
  }
}

TEST_F(ManualRunLoopTest, MainThreadIsTheInstallingThread)
{
  EXPECT_TRUE(pf::RunLoop::isMainThread());
  bool onOtherThread = true;
  std::thread([&] { onOtherThread = pf::RunLoop::isMainThread(); }).join();
  EXPECT_FALSE(onOtherThread);

  // Without a loop there is no main thread to hand anything to: every thread counts as main.
  pf::RunLoop::setCurrent(nullptr);
  std::thread([&] { onOtherThread = pf::RunLoop::isMainThread(); }).join();
  EXPECT_TRUE(onOtherThread);
}

TEST(ManualRunLoop, DestroyedLoopDisarmsItsHandlesAndResigns)
{
  pf::Timer timer;
  pf::EndOfPassObserver observer;
  {
    pf::ManualRunLoop loop;
    pf::RunLoop::setCurrent(&loop);
    timer = loop.scheduleRepeating(1.0, [] {});
    observer = loop.addEndOfPassObserver([] {});
    EXPECT_TRUE(timer.isValid());
  }
  EXPECT_FALSE(timer.isValid());
  EXPECT_FALSE(observer.isActive());
  EXPECT_EQ(pf::RunLoop::current(), nullptr);

  pf::setLogEcho(false);
  EXPECT_FALSE(pf::RunLoop::postToMain([] {}));
  pf::setLogEcho(true);
}

}  // namespace
