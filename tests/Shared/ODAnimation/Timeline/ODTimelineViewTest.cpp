#include "Shared/ODAnimation/Timeline/ODTimelineView.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "Platform/ManualRunLoop.h"
#include "Platform/UndoManager.h"
#include "Shared/ODAnimation/AnimationTestSupport.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Shared/ODAnimation/Timeline/ODAnimationPanelView.h"
#include "Shared/ODAnimation/Timeline/ODSegmentedControl.h"
#include "Shared/ODAnimation/Timeline/ODTimelineAnimatorView.h"
#include "Shared/ODAnimation/Timeline/ODTimelineMarkerView.h"
#include "Shared/ODAnimation/Timeline/ODTransportIcons.h"
#include "Support/LogCapture.h"
#include "Support/OffscreenApplication.h"

namespace {

using testsupport::LogCapture;

TEST(TimelineScale, TickStepsFollowTheZoomAndNeverGoBelowAFrame)
{
  struct Case {
    double pointsPerSecond;
    double framerate;
    double step;
    double major;
  };
  const std::vector<Case> cases{
      {4, 30, 5, 60},     {5, 30, 1, 60},     {9.9, 30, 1, 60},  {10, 30, 0.5, 1},     {20, 30, 0.2, 1},
      {50, 30, 0.1, 1},   {100, 30, 1.0 / 30, 1}, {400, 30, 1.0 / 30, 1}, {100, 5, 0.2, 1}, {4, 0.1, 10, 60},
  };
  for (const Case& entry : cases) {
    SCOPED_TRACE(testing::Message() << entry.pointsPerSecond << " points per second at " << entry.framerate);
    EXPECT_DOUBLE_EQ(ODTimelineView::tickStep(entry.pointsPerSecond, entry.framerate), entry.step);
    EXPECT_DOUBLE_EQ(ODTimelineView::majorTickUnit(entry.pointsPerSecond), entry.major);
  }
}

// An offscreen application, a manager on a manual run loop with undo, two fake targets, and the
// animation panel showing the manager. Every user action runs as one pass of the loop, so each
// is one undo step unless a drag groups more.
class TimelineTest : public testing::Test {
protected:
  // Qt's own notices (the offscreen platform's, the session's) would print.
  static QtMessageHandler quietQt()
  {
    return qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  }

  TimelineTest()
  {
    pf::RunLoop::setCurrent(&runLoop);
    delegate.targets = {&size, &angle};
    manager.setDelegate(&delegate);
    manager.setUndoManager(&undo);
    panel.resize(900, 260);
    panel.setAnimationManager(&manager);
    panel.show();
    QCoreApplication::processEvents();
  }
  ~TimelineTest() override
  {
    panel.setAnimationManager(nullptr);
    undo.removeAllActions();
    pf::RunLoop::setCurrent(nullptr);
  }
  void TearDown() override { qInstallMessageHandler(previousHandler_); }

  template <class Action>
  void event(Action&& action)
  {
    runLoop.runEvent(std::forward<Action>(action));
  }

  // An animator of the target's property with keyframes {time, value}, set up without undo.
  ODAnimator* animate(FakeTarget& target, const std::string& property, const std::vector<std::pair<double, double>>& keys)
  {
    ODAnimator* animator = nullptr;
    event([&] {
      animator = manager.addAnimatorForTarget(&target, property);
      for (const auto& [time, value] : keys) {
        animator->addKeyframeWithValue(value, time);
      }
    });
    undo.removeAllActions();
    return animator;
  }

  ODTimelineView& timeline() { return *panel.timelineView(); }
  ODTimelineAnimatorView* row(std::size_t index) { return timeline().timelineAnimatorViews().at(index); }
  // The middle of row `index` at time t, in the timeline's coordinates.
  QPoint at(std::size_t index, double time)
  {
    return QPoint(static_cast<int>(std::lround(timeline().positionForTime(time))),
                  ODTimelineView::kRowTop + ODTimelineView::kRowSpacing * static_cast<int>(index) + 19);
  }

  void press(QPoint point, Qt::KeyboardModifiers modifiers = {})
  {
    event([&] { QTest::mousePress(&timeline(), Qt::LeftButton, modifiers, point); });
  }
  void drag(QPoint point, Qt::KeyboardModifiers modifiers = {})
  {
    event([&] {
      QMouseEvent move(QEvent::MouseMove, point, timeline().mapToGlobal(point), Qt::NoButton, Qt::LeftButton, modifiers);
      QApplication::sendEvent(&timeline(), &move);
    });
  }
  void release(QPoint point, Qt::KeyboardModifiers modifiers = {})
  {
    event([&] { QTest::mouseRelease(&timeline(), Qt::LeftButton, modifiers, point); });
  }
  void key(Qt::Key key)
  {
    event([&] { QTest::keyClick(&timeline(), key); });
  }
  void type(QLineEdit* field, const QString& text)
  {
    event([&] {
      field->selectAll();
      QTest::keyClicks(field, text);
      QTest::keyClick(field, Qt::Key_Return);
    });
  }
  std::vector<double> times(const ODAnimator* animator)
  {
    std::vector<double> result;
    for (const auto& keyframe : animator->keyFrames()) {
      result.push_back(keyframe->timeSeconds());
    }
    return result;
  }
  double markerTime()
  {
    const ODTimelineMarkerView* marker = timeline().timeMarkerView();
    return timeline().timeForPosition(marker->x() + marker->width() / 2.0);
  }

  QtMessageHandler previousHandler_ = quietQt();
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  LogCapture log;
  RecordingAlerts alerts;
  pf::ManualRunLoop runLoop;
  pf::UndoManager undo;
  FakeTarget size{"3 : Size"};
  FakeTarget angle{"4 : Angle"};
  FakeAnimationDelegate delegate;
  ODAnimationManager manager;
  ODAnimationPanelView panel;
};

TEST_F(TimelineTest, TimeAndPositionMapOntoTheAxisAtFrameResolution)
{
  ODTimelineView view;
  view.resize(670, 100);
  EXPECT_DOUBLE_EQ(view.duration(), 1.0);  // without a manager
  view.setAnimationManager(&manager);
  EXPECT_DOUBLE_EQ(view.positionForTime(2.5), 410.0);
  const std::vector<std::pair<double, double>> presses{
      {164, 1.0 / 30}, {161, 0.0}, {100, 0.0}, {700, 5.0}, {410, 2.5}, {160, 0.0}};
  for (const auto& [x, time] : presses) {
    SCOPED_TRACE(testing::Message() << "x = " << x);
    EXPECT_NEAR(view.timeForPosition(x), time, 1e-12);
  }
  event([&] { manager.animationFramerateChanged("10"); });
  EXPECT_NEAR(view.timeForPosition(164), 0.0, 1e-12);   // 0.04 s snaps to the frame at 0
  EXPECT_NEAR(view.timeForPosition(176), 0.2, 1e-12);   // 0.16 s snaps to 0.2
  view.resize(100, 100);  // no room for an axis: every x is time 0
  EXPECT_DOUBLE_EQ(view.timeForPosition(400), 0.0);
  view.setAnimationManager(nullptr);
}

TEST_F(TimelineTest, RowsFollowTheAnimatorsAndSetTheContentHeight)
{
  ODTimelineView view;
  view.resize(670, 10);
  view.setAnimationManager(&manager);
  EXPECT_EQ(view.contentHeight(), 43);
  ODAnimator* sizeX = animate(size, "x", {{0, 1}});
  animate(size, "y", {{0, 2}});
  animate(angle, "value", {{0, 3}});
  // The panel's timeline and this one both follow the manager, which tells only its panel.
  view.updateAnimatorItems();
  ASSERT_EQ(view.timelineAnimatorViews().size(), 3u);
  EXPECT_EQ(view.contentHeight(), 119);
  EXPECT_EQ(view.height(), 119);
  for (std::size_t index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    const ODTimelineAnimatorView* shown = view.timelineAnimatorViews()[index];
    EXPECT_EQ(shown->geometry(), QRect(0, 5 + 34 * static_cast<int>(index), 670, 38));
    EXPECT_EQ(shown->alternatingRowFlag(), index % 2 == 0);
    EXPECT_EQ(shown->timelineAnimator(), manager.animators()[index].get());
  }
  EXPECT_EQ(view.timelineAnimatorViews()[0]->parameterName(), "Size x");
  EXPECT_EQ(view.timelineAnimatorViews()[0]->ownerName(), "Shape");

  // The panel's rows: the remove button removes through the manager, and undo brings a row back.
  ASSERT_EQ(timeline().timelineAnimatorViews().size(), 3u);
  event([&] { row(0)->removeButton()->click(); });
  EXPECT_EQ(manager.animators().size(), 2u);
  ASSERT_EQ(timeline().timelineAnimatorViews().size(), 2u);
  EXPECT_EQ(row(0)->timelineAnimator()->propertyName(), "y");
  EXPECT_EQ(row(0)->y(), 5);
  EXPECT_TRUE(row(0)->alternatingRowFlag());
  EXPECT_EQ(undo.undoActionName(), "remove Size animation");
  event([&] { undo.undo(); });
  ASSERT_EQ(timeline().timelineAnimatorViews().size(), 3u);
  EXPECT_EQ(row(2)->timelineAnimator()->propertyName(), "x");
  EXPECT_EQ(row(2)->timelineAnimator()->interfaceDelegate(), row(2));
  EXPECT_NE(sizeX, nullptr);

  // Inside a taller scroll area the content fills it.
  QScrollArea scroll;
  scroll.resize(700, 300);
  view.setScrollView(&scroll);
  EXPECT_EQ(view.contentHeight(), 299);
  view.setAnimationManager(nullptr);
  EXPECT_TRUE(view.timelineAnimatorViews().empty());
}

TEST_F(TimelineTest, APressSelectsAKeyframeOrScrubsTheTime)
{
  ODAnimator* animator = animate(size, "value", {{1, 10}, {3, 30}});
  ODAnimatorKeyframe* first = animator->keyFrames()[0].get();

  press(at(0, 1) + QPoint(3, 0));
  EXPECT_EQ(timeline().selectedKeyFrame(), first);
  EXPECT_EQ(manager.currentTime(), 1.0);
  EXPECT_EQ(delegate.clicked, std::vector<ODAnimator*>{animator});
  EXPECT_FALSE(panel.keyframeControls()->isHidden());
  EXPECT_EQ(panel.keyframeTimeField()->text(), "01:00");
  EXPECT_EQ(panel.keyframeValueField()->text(), "10");
  EXPECT_FALSE(panel.easeInSelector()->isEnabled());  // nothing before the first keyframe
  EXPECT_EQ(panel.easeInSelector()->selectedSegment(), -1);
  EXPECT_TRUE(panel.easeOutSelector()->isEnabled());
  EXPECT_EQ(panel.easeOutSelector()->selectedSegment(), 0);  // linear
  release(at(0, 1));

  // Empty timeline: the selection goes and the time follows the mouse, snapped to frames.
  press(at(0, 2) + QPoint(0, 60));
  EXPECT_EQ(timeline().selectedKeyFrame(), nullptr);
  EXPECT_TRUE(panel.keyframeControls()->isHidden());
  EXPECT_NEAR(manager.currentTime(), 2.0, 0.02);
  drag(at(0, 2.5) + QPoint(0, 60));
  EXPECT_NEAR(manager.currentTime(), 2.5, 1e-9);
  EXPECT_NEAR(size.values["value"], 25.0, 1e-9);
  EXPECT_EQ(panel.currentTimeField()->text(), "02:50");
  EXPECT_NEAR(markerTime(), 2.5, 1e-9);
  release(at(0, 2.5));
  EXPECT_FALSE(undo.canUndo());  // scrubbing is no edit
}

TEST_F(TimelineTest, DraggingAKeyframeIsOneUndoStepAndWaitsAtAnOccupiedTime)
{
  ODAnimator* animator = animate(size, "value", {{1, 10}, {3, 30}});
  press(at(0, 1));
  drag(at(0, 1.5));
  drag(at(0, 2));
  drag(at(0, 3));  // taken by the other keyframe: the dragged one stays at 2
  EXPECT_EQ(times(animator), (std::vector<double>{2, 3}));
  EXPECT_EQ(manager.currentTime(), 3.0);  // the marker still follows the mouse
  release(at(0, 3));
  EXPECT_EQ(undo.groupingLevel(), 0);
  EXPECT_EQ(panel.keyframeTimeField()->text(), "02:00");

  event([&] { undo.undo(); });
  EXPECT_EQ(times(animator), (std::vector<double>{1, 3}));
  EXPECT_FALSE(undo.canUndo());
  event([&] { undo.redo(); });
  EXPECT_EQ(times(animator), (std::vector<double>{2, 3}));
}

class TimelineCopyDragTest : public TimelineTest, public testing::WithParamInterface<Qt::KeyboardModifier> {};

TEST_P(TimelineCopyDragTest, LeavesThePressedKeyframeAndMovesOneCopy)
{
  ODAnimator* animator = animate(size, "value", {{1, 10}, {3, 30}});
  ODAnimatorKeyframe* original = animator->keyFrames()[0].get();
  event([&] { original->setEaseOutType(1); });
  undo.removeAllActions();

  press(at(0, 1), GetParam());
  drag(at(0, 1), GetParam());  // no time change: no copy yet
  EXPECT_EQ(animator->keyFrames().size(), 2u);
  drag(at(0, 2), GetParam());
  drag(at(0, 2.5), GetParam());
  release(at(0, 2.5), GetParam());
  EXPECT_EQ(times(animator), (std::vector<double>{1, 3, 2.5}));
  const ODAnimatorKeyframe* copy = timeline().selectedKeyFrame();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, original);
  EXPECT_EQ(copy->timeSeconds(), 2.5);
  EXPECT_EQ(copy->doubleValue(), 10.0);
  EXPECT_EQ(copy->easeOutType(), 1);

  event([&] { undo.undo(); });
  EXPECT_EQ(times(animator), (std::vector<double>{1, 3}));
  EXPECT_EQ(timeline().selectedKeyFrame(), nullptr);  // the copy is gone, and so is its selection
  EXPECT_TRUE(panel.keyframeControls()->isHidden());
}

INSTANTIATE_TEST_SUITE_P(AltOrCtrl, TimelineCopyDragTest, testing::Values(Qt::AltModifier, Qt::ControlModifier));

TEST_F(TimelineTest, DeleteRemovesTheKeyframeAndWithTheLastOneTheAnimation)
{
  for (const Qt::Key deleteKey : {Qt::Key_Delete, Qt::Key_Backspace}) {
    SCOPED_TRACE(deleteKey);
    ODAnimator* animator = animate(size, "value", {{1, 10}, {3, 30}});
    press(at(0, 3));
    release(at(0, 3));
    key(deleteKey);
    EXPECT_EQ(times(animator), std::vector<double>{1});
    EXPECT_EQ(timeline().selectedKeyFrame(), nullptr);
    event([&] { undo.undo(); });
    EXPECT_EQ(times(animator), (std::vector<double>{1, 3}));

    event([&] { undo.redo(); });
    press(at(0, 1));
    release(at(0, 1));
    key(deleteKey);  // the last keyframe takes its animator along
    EXPECT_TRUE(manager.animators().empty());
    EXPECT_TRUE(timeline().timelineAnimatorViews().empty());
    event([&] { undo.undo(); });
    ASSERT_EQ(timeline().timelineAnimatorViews().size(), 1u);
    EXPECT_EQ(times(row(0)->timelineAnimator()), std::vector<double>{1});

    // With no keyframe selected, Delete removes the row's animator after a click on its label.
    event([&] { row(0)->parameterSelectButton()->click(); });
    EXPECT_TRUE(row(0)->timelineAnimator()->selected());
    key(deleteKey);
    EXPECT_TRUE(manager.animators().empty());
    undo.removeAllActions();
  }
  EXPECT_EQ(log.countContaining("TimelineView key event! code:"), 6);
}

TEST_F(TimelineTest, PlaybackRunsOnTheClockAndAPressPausesItUntilRelease)
{
  ODAnimator* animator = animate(size, "value", {{0, 0}, {5, 50}});
  event([&] { panel.playButton()->click(); });
  EXPECT_TRUE(manager.isPlaying());
  EXPECT_EQ(panel.playButton()->text(), "Pause");
  runLoop.advance(3.0 / 30.0 + 1e-9);
  EXPECT_NEAR(manager.currentTime(), 0.1, 1e-9);
  EXPECT_EQ(panel.currentTimeField()->text(), "00:10");
  EXPECT_NEAR(size.values["value"], 1.0, 1e-9);
  EXPECT_NEAR(markerTime(), 0.1, 1e-9);

  // A press on a keyframe while playing selects it and pauses without moving the time; a drag
  // moves the keyframe but not the time; the release plays on.
  press(at(0, 5));
  EXPECT_FALSE(manager.isPlaying());
  EXPECT_NEAR(manager.currentTime(), 0.1, 1e-9);
  drag(at(0, 4));
  EXPECT_NEAR(manager.currentTime(), 0.1, 1e-9);
  EXPECT_EQ(times(animator), (std::vector<double>{0, 4}));
  release(at(0, 4));
  EXPECT_TRUE(manager.isPlaying());
  runLoop.advance(1.0 / 30.0);
  EXPECT_NEAR(manager.currentTime(), 4.0 / 30.0, 1e-9);

  key(Qt::Key_Space);
  EXPECT_FALSE(manager.isPlaying());
  EXPECT_EQ(panel.playButton()->text(), "Play");
  EXPECT_EQ(runLoop.armedTimerCount(), 0u);
  key(Qt::Key_Space);
  EXPECT_TRUE(manager.isPlaying());
  event([&] { panel.playButton()->click(); });
  EXPECT_FALSE(manager.isPlaying());
}

TEST_F(TimelineTest, PanelFieldsEditTheAnimationWithAlertsAndUndo)
{
  EXPECT_EQ(panel.durationField()->text(), "05:00");
  EXPECT_EQ(panel.framerateField()->text(), "30");
  EXPECT_TRUE(panel.loopButton()->isChecked());

  type(panel.durationField(), "0");
  EXPECT_EQ(alerts.alerts, (std::vector<std::pair<std::string, std::string>>{
                               {"Invalid animation duration", "Animation duration must be over zero."}}));
  EXPECT_EQ(panel.durationField()->text(), "05:00");
  type(panel.framerateField(), "-3");
  EXPECT_EQ(alerts.alerts.back().first, "Invalid animation framerate");
  EXPECT_EQ(panel.framerateField()->text(), "30");
  EXPECT_FALSE(undo.canUndo());

  event([&] { panel.goToEndButton()->click(); });
  EXPECT_EQ(manager.currentTime(), 5.0);
  type(panel.durationField(), "02:50");
  EXPECT_EQ(manager.duration(), 2.5);
  EXPECT_EQ(manager.currentTime(), 2.5);
  EXPECT_NEAR(markerTime(), 2.5, 1e-9);
  type(panel.framerateField(), "24");
  EXPECT_EQ(manager.framerate(), 24.0);
  event([&] { panel.loopButton()->click(); });
  EXPECT_FALSE(manager.loop());
  type(panel.currentTimeField(), "1:00:00");  // a minute, past the end: clamped
  EXPECT_EQ(manager.currentTime(), 2.5);
  type(panel.currentTimeField(), "01:25");
  EXPECT_EQ(manager.currentTime(), 1.25);
  event([&] { panel.goToStartButton()->click(); });
  EXPECT_EQ(manager.currentTime(), 0.0);

  event([&] { undo.undo(); });
  EXPECT_TRUE(manager.loop());
  EXPECT_TRUE(panel.loopButton()->isChecked());
  event([&] { undo.undo(); });
  EXPECT_EQ(panel.framerateField()->text(), "30");
  event([&] { undo.undo(); });
  EXPECT_EQ(manager.duration(), 5.0);
  EXPECT_EQ(panel.durationField()->text(), "05:00");
  EXPECT_EQ(alerts.alerts.size(), 2u);
}

TEST_F(TimelineTest, TheKeyframeEditorChangesTheSelectedKeyframe)
{
  ODAnimator* animator = animate(size, "value", {{1, 10}, {3, 30}, {4, 40}});
  ODAnimatorKeyframe* middle = animator->keyFrames()[1].get();
  press(at(0, 3));
  release(at(0, 3));
  ASSERT_EQ(timeline().selectedKeyFrame(), middle);
  EXPECT_TRUE(panel.easeInSelector()->isEnabled());
  EXPECT_EQ(panel.easeInSelector()->selectedSegment(), 1);  // linear
  EXPECT_EQ(panel.easeOutSelector()->selectedSegment(), 0);

  type(panel.keyframeTimeField(), "02:50");
  EXPECT_EQ(middle->timeSeconds(), 2.5);
  type(panel.keyframeTimeField(), "9:00");  // past the end: the duration
  EXPECT_EQ(middle->timeSeconds(), 5.0);
  type(panel.keyframeValueField(), "12.5");
  EXPECT_EQ(middle->doubleValue(), 12.5);
  EXPECT_EQ(panel.keyframeValueField()->text(), "12.5");
  event([&] { QTest::mouseClick(panel.easeInSelector()->segmentButton(0), Qt::LeftButton); });
  EXPECT_EQ(middle->easeInType(), 1);
  EXPECT_FALSE(panel.easeOutSelector()->isEnabled());  // at 5 s nothing follows

  event([&] { undo.undo(); });
  EXPECT_EQ(middle->easeInType(), 0);
  EXPECT_EQ(panel.easeInSelector()->selectedSegment(), 1);
  event([&] { undo.undo(); });
  EXPECT_EQ(middle->doubleValue(), 30.0);
  EXPECT_EQ(panel.keyframeValueField()->text(), "30");
  event([&] { undo.undo(); });
  event([&] { undo.undo(); });
  EXPECT_EQ(middle->timeSeconds(), 3.0);

  event([&] { panel.keyframeRemoveButton()->click(); });
  EXPECT_EQ(times(animator), (std::vector<double>{1, 4}));
}

TEST_F(TimelineTest, RowsShowTheToggleTheWarningAndTheirHover)
{
  ODAnimator* animator = animate(size, "value", {{1, 10}});
  ODTimelineAnimatorView* shown = row(0);
  EXPECT_TRUE(shown->enableToggleButton()->isHidden());  // enabled and not hovered
  EXPECT_TRUE(shown->removeButton()->isHidden());
  EXPECT_FALSE(shown->showsWarning());

  event([&] { shown->enableToggleButtonPressed(); });
  EXPECT_FALSE(animator->enabled());
  EXPECT_FALSE(shown->enableToggleButton()->isHidden());  // off: always shown
  EXPECT_FALSE(shown->enableToggleButton()->isChecked());
  event([&] { undo.undo(); });
  EXPECT_TRUE(animator->enabled());

  size.canAnimate = false;
  manager.updateTimelineAnimators();
  EXPECT_TRUE(shown->showsWarning());
  EXPECT_TRUE(shown->enableToggleButton()->isHidden());  // the warning takes its place

  QEnterEvent enter(QPointF(300, 19), QPointF(300, 19), QPointF(300, 19));
  QApplication::sendEvent(shown, &enter);
  EXPECT_TRUE(shown->mouseOverFlag());
  EXPECT_FALSE(shown->removeButton()->isHidden());
  QMouseEvent hover(QEvent::MouseMove, QPointF(timeline().positionForTime(1) + 4, 19), QPointF(), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(shown, &hover);
  EXPECT_EQ(shown->mouseOverKeyframe(), animator->keyFrames()[0].get());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(shown, &leave);
  EXPECT_EQ(shown->mouseOverKeyframe(), nullptr);
  EXPECT_TRUE(shown->removeButton()->isHidden());
}

TEST_F(TimelineTest, ValuesMapOntoTheRowHeightWithZeroInsideTheRange)
{
  struct Case {
    std::vector<std::pair<double, double>> keys;
    double value;
    double y;
  };
  const std::vector<Case> cases{
      {{{0, 5}, {1, 10}}, 10, 28},   // the largest value 10 points below the top
      {{{0, 5}, {1, 10}}, 0, 10},    // zero at the bottom
      {{{0, 0}, {1, 0}}, 0, 19},     // a flat range: the middle
      {{{0, -4}, {1, 4}}, 0, 19},
  };
  for (const Case& entry : cases) {
    ODAnimator* animator = animate(size, "value", entry.keys);
    row(0)->grab();  // drawing sets up the value range
    EXPECT_DOUBLE_EQ(row(0)->positionForValue(entry.value), entry.y);
    event([&] { manager.removeAnimator(animator); });
    undo.removeAllActions();
  }
}

TEST_F(TimelineTest, TheCurveIsDrawnAgainOnlyWhenWhatItShowsChanges)
{
  ODAnimator* animator = animate(size, "value", {{0, 0}, {1, 10}, {2, 0}});
  const QImage first = row(0)->grab().toImage();
  EXPECT_EQ(row(0)->grab().toImage(), first) << "a repaint with nothing changed";
  // The middle keyframe falls: the curve under the end keyframes changes with it.
  event([&] { animator->keyFrames()[1]->setDoubleValue(-10); });
  const QImage lowered = row(0)->grab().toImage();
  EXPECT_NE(lowered, first);
  event([&] { animator->keyFrames()[1]->setDoubleValue(10); });
  EXPECT_EQ(row(0)->grab().toImage(), first);
  // Disabling fades the curve.
  event([&] { row(0)->enableToggleButtonPressed(); });
  EXPECT_NE(row(0)->grab().toImage(), first);
}

TEST_F(TimelineTest, APanelOutlivesItsManager)
{
  auto own = std::make_unique<ODAnimationManager>();
  own->setDelegate(&delegate);
  ODAnimationPanelView other;
  other.setAnimationManager(own.get());
  own->addAnimatorForTarget(&angle, "value")->addKeyframeWithValue(1, 1);
  ASSERT_EQ(other.timelineView()->timelineAnimatorViews().size(), 1u);
  own.reset();  // the document closes before its window lets go of the panel
  EXPECT_EQ(other.animationManager(), nullptr);
  EXPECT_TRUE(other.timelineView()->timelineAnimatorViews().empty());
  EXPECT_FALSE(other.isEnabled());
  other.grab();
}

TEST_F(TimelineTest, ReplacingTheAnimatorsLetsGoOfTheOldRowsAndSelection)
{
  animate(size, "value", {{1, 10}, {2, 20}});
  press(at(0, 1));
  release(at(0, 1));
  ASSERT_NE(timeline().selectedKeyFrame(), nullptr);
  const pf::PlistValue::Dictionary record = manager.descriptionDictionary();

  // Loading destroys the animators behind the timeline's back; the caller refreshes the rows.
  event([&] { manager.loadDescriptionDictionary(record); });
  EXPECT_EQ(timeline().selectedKeyFrame(), nullptr);
  timeline().grab();
  panel.updateAnimatorItems();
  ASSERT_EQ(timeline().timelineAnimatorViews().size(), 1u);
  EXPECT_EQ(row(0)->timelineAnimator(), manager.animators()[0].get());
  EXPECT_EQ(manager.animators()[0]->interfaceDelegate(), row(0));
  press(at(0, 2));
  EXPECT_EQ(timeline().selectedKeyFrame(), manager.animators()[0]->keyFrames()[1].get());
  release(at(0, 2));
}

TEST(ODTimelineAnimatorViewCurve, OnlyCornersOfTheValueCurveAreKept)
{
  EXPECT_TRUE(ODTimelineAnimatorView::continuesStraight({0, 0}, {3, 3}, {6, 6}));
  EXPECT_TRUE(ODTimelineAnimatorView::continuesStraight({0, 0}, {3, 0.01}, {6, 0}));
  EXPECT_FALSE(ODTimelineAnimatorView::continuesStraight({0, 0}, {3, 0.5}, {6, 0})) << "a corner";
  EXPECT_FALSE(ODTimelineAnimatorView::continuesStraight({0, 0}, {9, 0}, {6, 0})) << "beyond the end";
  EXPECT_FALSE(ODTimelineAnimatorView::continuesStraight({0, 0}, {-3, 0}, {6, 0})) << "before the start";
  EXPECT_FALSE(ODTimelineAnimatorView::continuesStraight({1, 1}, {1, 1}, {1, 1})) << "no length";
}

}  // namespace

// The transport icons: each kind its own shape, in the palette's button text colour, dimmed
// when disabled, at any size and scale.
TEST(ODTransportIcons, EachKindIsItsOwnShapeInTheButtonTextColour)
{
  const testsupport::OffscreenApplication application;
  using ODTransportIcons::Kind;
  const QColor text = QApplication::palette().color(QPalette::Active, QPalette::ButtonText);
  const QColor dimmed = QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText);
  std::vector<QImage> images;
  for (const Kind kind : {Kind::GoToStart, Kind::Play, Kind::Pause, Kind::GoToEnd}) {
    const QIcon icon = ODTransportIcons::icon(kind);
    // Pixels fully covered, each in `colour`.
    const auto inked = [](const QImage& image, const QColor& colour) {
      int count = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          const QColor pixel = image.pixelColor(x, y);
          if (pixel.alpha() == 255) {
            EXPECT_EQ(pixel.rgb(), colour.rgb()) << x << "," << y;
            ++count;
          }
        }
      }
      return count;
    };
    const QImage image = icon.pixmap(QSize(16, 16), 2.0).toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_GT(inked(image, text), 80) << static_cast<int>(kind);  // a real shape, not a speck
    const QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
    EXPECT_GT(inked(disabled, dimmed), 20) << static_cast<int>(kind);
    for (const QImage& other : images) {
      EXPECT_NE(image, other);
    }
    images.push_back(image);
  }
}
