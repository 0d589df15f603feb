#include "Shared/ODAnimation/ODAnimationManager.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/ManualRunLoop.h"
#include "Platform/UndoManager.h"
#include "Shared/ODAnimation/AnimationTestSupport.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Support/LogCapture.h"

namespace {

using testsupport::LogCapture;

// A manager on a manual run loop with an undo manager, a recording panel and delegate, and two
// targets the delegate can find. Each edit runs as one pass of the loop (one undo step).
class AnimationManagerTest : public testing::Test {
protected:
  AnimationManagerTest()
  {
    pf::RunLoop::setCurrent(&runLoop);
    delegate.targets = {&size, &angle};
    manager.setDelegate(&delegate);
    manager.setUndoManager(&undo);
    manager.setPanel(&panel);
  }
  ~AnimationManagerTest() override
  {
    undo.removeAllActions();
    pf::RunLoop::setCurrent(nullptr);
  }

  template <class Edit>
  void edit(Edit&& action)
  {
    runLoop.runEvent(action);
  }
  // The times set by the next `ticks` timer fires.
  std::vector<double> tick(int ticks)
  {
    std::vector<double> times;
    for (int index = 0; index < ticks; ++index) {
      runLoop.advance(1.0 / manager.framerate());
      times.push_back(manager.currentTime());
    }
    return times;
  }

  LogCapture log;
  pf::ManualRunLoop runLoop;
  pf::UndoManager undo;
  FakeTarget size{"3 : Size"};
  FakeTarget angle{"4 : Angle"};
  FakeAnimationDelegate delegate;
  RecordingPanel panel;
  ODAnimationManager manager;
};

TEST(AnimationTimeStrings, WriteHundredthsRoundedAndReadEveryForm)
{
  LogCapture log;
  const std::vector<std::pair<double, std::string>> written{
      {7.5, "07:50"},      {75.25, "1:15:25"},   {0.0, "00:00"},     {0.999, "01:00"}, {59.999, "1:00:00"},
      {60.0, "1:00:00"},   {0.125, "00:13"},     {3599.99, "59:59:99"}, {std::nan(""), "00:00"},
  };
  for (const auto& [time, text] : written) {
    EXPECT_EQ(ODAnimationManager::stringForTime(time), text) << time;
  }
  EXPECT_EQ(log.count("Warning, stringForTime: timeSeconds is not a valid number (NaN)"), 1);

  const std::vector<std::pair<std::string, double>> read{
      {"1:05:50", 65.5}, {"12", 12.0}, {"00:00", 0.0}, {"07:50", 7.5}, {"0:5", 0.05},
      {"2.5", 2.5},      {"abc", 0.0}, {"1e999", 0.0}, {"1:2:3:4", 1.0}, {"", 0.0},
  };
  for (const auto& [text, time] : read) {
    EXPECT_DOUBLE_EQ(ODAnimationManager::timeFromString(text), time) << text;
  }
  // Every hundredth reads back as itself.
  for (int hundredths = 0; hundredths < 20000; hundredths += 37) {
    const double time = hundredths / 100.0;
    EXPECT_NEAR(ODAnimationManager::timeFromString(ODAnimationManager::stringForTime(time)), time, 1e-9) << time;
  }
}

TEST_F(AnimationManagerTest, PlaybackStepsOneFrameAPerTickUpToTheEndThenWrapsOrStops)
{
  manager.setDuration(5.0);
  manager.setFramerate(30.0);
  manager.play();
  EXPECT_TRUE(panel.playing);
  std::vector<double> times = tick(151);
  EXPECT_NEAR(times[0], 1.0 / 30.0, 1e-12);
  EXPECT_NEAR(times[148], 149.0 / 30.0, 1e-9);
  EXPECT_EQ(times[149], 5.0);  // the last frame shows the end itself
  EXPECT_EQ(times[150], 0.0);  // then the loop wraps

  manager.setLoop(false);
  manager.setCurrentTime(4.99);
  times = tick(2);
  EXPECT_EQ(times[0], 5.0);
  EXPECT_FALSE(manager.isPlaying());
  EXPECT_FALSE(panel.playing);
  EXPECT_EQ(runLoop.armedTimerCount(), 0u);

  // Playing again from the end starts over.
  manager.play();
  EXPECT_EQ(manager.currentTime(), 0.0);
  EXPECT_NEAR(tick(1)[0], 1.0 / 30.0, 1e-12);
  manager.pause();
  EXPECT_EQ(runLoop.armedTimerCount(), 0u);
}

TEST_F(AnimationManagerTest, EveryTickAppliesTheEnabledAnimatorsInOneBracket)
{
  ODAnimator* sizeAnimator = manager.addAnimatorForTarget(&size, "value");
  sizeAnimator->addKeyframeWithValue(0.0, 0.0);
  sizeAnimator->addKeyframeWithValue(10.0, 1.0);
  ODAnimator* angleAnimator = manager.addAnimatorForTarget(&angle, "value");
  angleAnimator->addKeyframeWithValue(90.0, 0.0);
  angleAnimator->setEnabled(false);
  manager.setFramerate(10.0);
  manager.play();

  const int prepares = delegate.prepares;
  tick(3);
  EXPECT_EQ(delegate.prepares - prepares, 3);
  EXPECT_EQ(delegate.dones, delegate.prepares);
  EXPECT_NEAR(size.values["value"], 3.0, 1e-9);
  EXPECT_EQ(angle.sets, 0);
  EXPECT_EQ(panel.currentTime, "00:30");

  // Enabling applies the current time at once; disabling leaves the value.
  angleAnimator->setEnabled(true);
  EXPECT_EQ(angle.values["value"], 90.0);
  sizeAnimator->setEnabled(false);
  tick(1);
  EXPECT_NEAR(size.values["value"], 3.0, 1e-9);
}

TEST_F(AnimationManagerTest, AFramerateChangeWhilePlayingRestartsTheTimer)
{
  manager.setFramerate(10.0);
  manager.play();
  edit([&] { manager.animationFramerateChanged("20"); });
  EXPECT_TRUE(manager.isPlaying());
  EXPECT_EQ(runLoop.armedTimerCount(), 1u);
  EXPECT_EQ(runLoop.advance(0.5), 10);
  EXPECT_NEAR(manager.currentTime(), 0.5, 1e-9);
  EXPECT_EQ(delegate.propertiesChanges, 1);
}

TEST_F(AnimationManagerTest, PanelEditsRefuseBadValuesWithAnAlertAndUndoExactly)
{
  RecordingAlerts alerts;
  manager.setCurrentTime(4.0);

  for (const char* text : {"0", "-3", "abc"}) {
    panel.duration.clear();
    manager.animationDurationChanged(text);
    EXPECT_EQ(manager.duration(), 5.0) << text;
    EXPECT_EQ(panel.duration, "05:00") << text;
  }
  manager.animationFramerateChanged("0");
  EXPECT_EQ(manager.framerate(), 30.0);
  EXPECT_EQ(panel.framerate, "30");
  ASSERT_EQ(alerts.alerts.size(), 4u);
  EXPECT_EQ(alerts.alerts[0], std::make_pair(std::string("Invalid animation duration"),
                                             std::string("Animation duration must be over zero.")));
  EXPECT_EQ(alerts.alerts[3], std::make_pair(std::string("Invalid animation framerate"),
                                             std::string("Animation framerate must be over zero.")));
  EXPECT_FALSE(undo.canUndo());

  // A duration shorter than the current time moves the time to the new end.
  edit([&] { manager.animationDurationChanged("02:50"); });
  EXPECT_EQ(manager.duration(), 2.5);
  EXPECT_EQ(manager.currentTime(), 2.5);
  EXPECT_EQ(undo.undoActionName(), "change duration");
  edit([&] { manager.setDuration(5.004); });  // a plain setter, as a drag on the preview uses
  edit([&] { manager.animationDurationChanged("3"); });
  undo.undo();
  EXPECT_EQ(manager.duration(), 5.004);
  undo.redo();
  EXPECT_EQ(manager.duration(), 3.0);

  edit([&] { manager.animationLoopChanged(false); });
  EXPECT_EQ(undo.undoActionName(), "change loop state");
  undo.undo();
  EXPECT_TRUE(manager.loop());
  EXPECT_TRUE(panel.loop);

  edit([&] { manager.animationFramerateChanged("12.5"); });
  EXPECT_EQ(panel.framerate, "12");
  undo.undo();
  EXPECT_EQ(manager.framerate(), 30.0);
}

TEST_F(AnimationManagerTest, TheTimeFieldAndTheEndButtonsStayInsideTheAnimation)
{
  manager.animationTimeChanged("1:00:00");
  EXPECT_EQ(manager.currentTime(), 5.0);
  manager.animationTimeChanged("-2");
  EXPECT_EQ(manager.currentTime(), 0.0);
  manager.animationTimeChangedWithTag(1);
  EXPECT_EQ(manager.currentTime(), 5.0);
  manager.animationTimeChangedWithTag(7);
  EXPECT_EQ(manager.currentTime(), 5.0);
  manager.animationTimeChangedWithTag(-1);
  EXPECT_EQ(manager.currentTime(), 0.0);
  manager.setCurrentTime(std::nan(""));
  EXPECT_EQ(manager.currentTime(), 0.0);
}

TEST_F(AnimationManagerTest, TheRegistryRefusesMisuseWithTheLoggedReason)
{
  ODAnimator* first = manager.addAnimatorForTarget(&size, "x");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(manager.addAnimatorForTarget(&size, "x"), nullptr);
  EXPECT_EQ(log.count("Error in addAnimatorForTarget, animator already exists for target 3 : Size and property:x"), 1);
  EXPECT_EQ(manager.addAnimatorForTarget(nullptr, ""), nullptr);
  EXPECT_EQ(log.count("Error, addAnimatorForTarget with target nil"), 1);
  EXPECT_EQ(log.count("Error, addAnimatorForTarget with propertyName nil"), 1);

  ODAnimator* second = manager.addAnimatorForTarget(&size, "y");
  EXPECT_EQ(manager.animatorForTarget(&size), first);
  EXPECT_EQ(manager.animatorForTarget(&size, "y"), second);
  EXPECT_EQ(manager.animatorForTarget(&angle), nullptr);

  ODAnimator stranger;
  manager.removeAnimator(&stranger);
  EXPECT_EQ(log.countContaining("animator not in the list"), 1);
  manager.removeAnimator(second);
  EXPECT_FALSE(size.animated["y"]);
  EXPECT_EQ(manager.animators().size(), 1u);
}

TEST_F(AnimationManagerTest, KeyframeAndAnimatorEditsUndoAndRedoByIdentifier)
{
  ODAnimator* animator = nullptr;
  edit([&] { animator = manager.addAnimatorForTarget(&size, "value"); });
  EXPECT_EQ(undo.undoActionName(), "add Size animation");
  edit([&] { animator->addKeyframeWithValue(1.0, 0.0); });
  EXPECT_EQ(undo.undoActionName(), "add Size keyframe");
  edit([&] { animator->addKeyframeWithValue(3.0, 2.0); });
  edit([&] { animator->keyFrameAtTime(2.0)->setTimeSeconds(4.0); });
  EXPECT_EQ(undo.undoActionName(), "change Size keyframe");

  undo.undo();
  EXPECT_NE(animator->keyFrameAtTime(2.0), nullptr);
  undo.undo();
  EXPECT_EQ(animator->keyFrames().size(), 1u);
  undo.redo();
  ASSERT_EQ(animator->keyFrames().size(), 2u);
  EXPECT_EQ(animator->keyFrames()[1]->keyframeId(), 1);

  edit([&] { animator->removeKeyFrame(animator->keyFrameWithId(0)); });
  EXPECT_EQ(undo.undoActionName(), "remove Size keyframe");
  undo.undo();
  ASSERT_NE(animator->keyFrameWithId(0), nullptr);
  EXPECT_EQ(animator->keyFrameWithId(0)->doubleValue(), 1.0);

  edit([&] { animator->setEnabled(false); });
  EXPECT_EQ(undo.undoActionName(), "disable Size animation");
  undo.undo();
  EXPECT_TRUE(animator->enabled());
}

TEST_F(AnimationManagerTest, UndoingARemovalBringsTheAnimatorBackWithItsKeyframesOnItsTarget)
{
  ODAnimator* animator = manager.addAnimatorForTarget(&size, "value");
  animator->addKeyframeWithValue(1.0, 0.0);
  animator->addKeyframeWithValue(9.0, 1.0);
  animator->keyFrames()[0]->setEaseOutType(1);
  runLoop.endPass();
  edit([&] { manager.removeAnimator(animator); });
  EXPECT_EQ(undo.undoActionName(), "remove Size animation");
  EXPECT_FALSE(size.animated["value"]);

  manager.setCurrentTime(0.5);
  undo.undo();
  ASSERT_EQ(manager.animators().size(), 1u);
  ODAnimator* restored = manager.animators()[0].get();
  EXPECT_EQ(restored->target(), &size);
  EXPECT_TRUE(size.animated["value"]);
  EXPECT_EQ(restored->keyFrames().size(), 2u);
  EXPECT_DOUBLE_EQ(size.values["value"], 3.0);  // eased out of the first keyframe, applied at once

  // Redo removes it once more, and undo brings it back again.
  undo.redo();
  EXPECT_TRUE(manager.animators().empty());
  undo.undo();
  ASSERT_EQ(manager.animators().size(), 1u);
  restored = manager.animators()[0].get();

  // Further edits of the restored animator are undoable again.
  edit([&] { restored->keyFrames()[1]->setDoubleValue(5.0); });
  undo.undo();
  EXPECT_EQ(restored->keyFrames()[1]->doubleValue(), 9.0);
}

TEST_F(AnimationManagerTest, RecordsRoundTripAndLoadingRepairsInvalidSettings)
{
  ODAnimator* animator = manager.addAnimatorForTarget(&size, "value");
  animator->addKeyframeWithValue(2.0, 1.0);
  manager.setDuration(8.0);
  manager.setCurrentTime(1.5);
  manager.setLoop(false);
  manager.setFramerate(24.0);
  const pf::PlistValue::Dictionary record = manager.descriptionDictionary();

  ODAnimationManager loaded;
  loaded.setDelegate(&delegate);
  loaded.loadDescriptionDictionary(record);
  EXPECT_EQ(loaded.descriptionDictionary(), record);
  ASSERT_EQ(loaded.animators().size(), 1u);
  EXPECT_EQ(loaded.animators()[0]->target(), &size);

  struct Repair {
    pf::PlistValue::Dictionary record;
    double duration;
    double currentTime;
    double framerate;
    const char* line;
  };
  const std::vector<Repair> repairs{
      {{{"duration", pf::PlistValue(-2.0)}}, 1.0, 0.0, 30.0, "Warning, loaded animation duration -2 is invalid, set to 1"},
      {{{"duration", pf::PlistValue(5.0)}, {"currentTime", pf::PlistValue(7.0)}},
       5.0, 0.0, 30.0, "Warning, loaded animation current time 7 is invalid, set to 0"},
      {{{"framerate", pf::PlistValue(0.0)}}, 5.0, 0.0, 10.0, "Warning, loaded animation framerate 0 is invalid, set to 10"},
      {{{"framerate", pf::PlistValue(std::nan(""))}}, 5.0, 0.0, 10.0, "Warning, loaded animation framerate nan is invalid, set to 10"},
  };
  for (const Repair& repair : repairs) {
    SCOPED_TRACE(repair.line);
    ODAnimationManager repaired;
    repaired.setDelegate(&delegate);
    log.clear();
    repaired.loadDescriptionDictionary(repair.record);
    EXPECT_EQ(repaired.duration(), repair.duration);
    EXPECT_EQ(repaired.currentTime(), repair.currentTime);
    EXPECT_EQ(repaired.framerate(), repair.framerate);
    EXPECT_EQ(log.count(repair.line), 1);
  }
}

TEST_F(AnimationManagerTest, LoadingDropsAnimatorsWithoutTargetAndNeedsADelegate)
{
  pf::PlistValue::Array animators{
      pf::PlistValue(pf::PlistValue::Dictionary{{"targetPersistentIdentifier", pf::PlistValue("99 : Gone")},
                                                {"propertyName", pf::PlistValue("value")}}),
      pf::PlistValue(pf::PlistValue::Dictionary{{"targetPersistentIdentifier", pf::PlistValue("4 : Angle")},
                                                {"propertyName", pf::PlistValue("value")}}),
      pf::PlistValue(pf::PlistValue::Dictionary{{"targetPersistentIdentifier", pf::PlistValue("4 : Angle")},
                                                {"propertyName", pf::PlistValue("value")}}),
  };
  const pf::PlistValue::Dictionary record{{"Animators", pf::PlistValue(animators)}};

  ODAnimationManager orphan;
  orphan.loadDescriptionDictionary(record);
  EXPECT_TRUE(orphan.animators().empty());
  EXPECT_EQ(log.count("ERROR: ODAnimationManager loadDescriptionDictionary with no delegate set, nothing loaded."), 1);

  manager.loadDescriptionDictionary(record);
  ASSERT_EQ(manager.animators().size(), 1u);
  EXPECT_EQ(manager.animators()[0]->target(), &angle);
  EXPECT_EQ(log.count("Warning: Loading animators, failed to find animation target with identifier 99 : Gone. Did not "
                      "add animation"),
            1);
  EXPECT_FALSE(undo.canUndo());
}

TEST_F(AnimationManagerTest, SelectingAnAnimatorMovesTheKeyframeSelectionToItsKeyframeAtTheCurrentTime)
{
  ODAnimator* sizeAnimator = manager.addAnimatorForTarget(&size, "value");
  ODAnimatorKeyframe* sizeKey = sizeAnimator->addKeyframeWithValue(1.0, 0.0);
  ODAnimator* angleAnimator = manager.addAnimatorForTarget(&angle, "value");
  ODAnimatorKeyframe* angleKey = angleAnimator->addKeyframeWithValue(1.0, 0.0);
  panel.selectKeyframe(sizeKey, sizeAnimator);

  manager.animatorParameterClicked(angleAnimator);
  EXPECT_TRUE(angleAnimator->selected());
  EXPECT_FALSE(sizeAnimator->selected());
  EXPECT_EQ(panel.keyframe, angleKey);
  EXPECT_EQ(delegate.clicked, std::vector<ODAnimator*>{angleAnimator});

  manager.setCurrentTime(1.0);
  manager.selectAnimator(sizeAnimator);
  EXPECT_EQ(panel.keyframe, nullptr);

  manager.setAllowAnimatorSelection(false);
  manager.selectAnimator(sizeAnimator);
  EXPECT_FALSE(sizeAnimator->selected());
}

}  // namespace
