#pragma once

#include <vector>

#include <QIcon>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>

#include "Shared/ODAnimation/Timeline/ODTimelineAnimatorViewDelegate.h"

class ODAnimationManager;
class ODAnimator;
class ODAnimatorKeyframe;
class ODSegmentedControl;
class ODTimelineAnimatorView;
class ODTimelineMarkerView;
class QAbstractButton;
class QLineEdit;

// The animation panel's timeline: a time scale, one row per animator of the manager, the red
// current-time marker, and the editor of the selected keyframe (time, value, ease-in,
// ease-out). Presses select keyframes and move the current time, drags move a keyframe (with
// Alt or Ctrl held, a copy of it) or scrub the time, space plays and pauses, Delete removes.
// It changes animators only through their own operations and the animation manager's, so
// every edit is undoable, a whole drag as one step.
//
// Geometry, in points, y-down: time 0 lies at x = 160 (the label column) and the duration 10
// points before the right edge; rows are 38 tall, placed every 34 from y = 5. The manager and
// the keyframe editor's controls are not owned; the rows and the marker are children. Main
// thread only.
class ODTimelineView final : public QWidget, public ODTimelineAnimatorViewDelegate {
public:
  static constexpr double kTimeOrigin = 160;   // x of time 0
  static constexpr double kRightMargin = 10;   // the time axis ends this far from the right edge
  static constexpr int kRowTop = 5;
  static constexpr int kRowSpacing = 34;       // rows overlap by 4 points

  // The keyframe editor's controls; they live wherever the panel puts them. Every one may be
  // left out.
  struct KeyframeEditor {
    QWidget* controls = nullptr;
    QLineEdit* timeField = nullptr;
    QLineEdit* valueField = nullptr;
    ODSegmentedControl* easeInSelector = nullptr;
    ODSegmentedControl* easeOutSelector = nullptr;
    QAbstractButton* removeButton = nullptr;
    QWidget* addAnimationButton = nullptr;  // gives way to the editor where they overlap
  };

  explicit ODTimelineView(QWidget* parent = nullptr);
  ~ODTimelineView() override;

  ODAnimationManager* animationManager() const { return animationManager_; }
  // Rebuilds the rows for the manager's animators; nullptr detaches (the rows go).
  void setAnimationManager(ODAnimationManager* manager);
  // The scroll area around the timeline: the content is at least its height minus 1.
  void setScrollView(QScrollArea* scrollView) { scrollView_ = scrollView; }
  void setKeyframeEditor(const KeyframeEditor& editor);
  // Takes the keyboard focus after a click on empty timeline; nullptr for none.
  void setDefaultFirstResponder(QWidget* responder) { defaultFirstResponder_ = responder; }

  // ---- Refresh ----
  // Rows follow the manager's animator list: new animators get a row, rows of animators that
  // left go, and the rest are laid out again.
  void updateAnimatorItems();
  // Moves the marker to the current time.
  void updateTime();
  void updateSelectedKeyframeInterface();
  // Repaints the timeline and every row.
  void setNeedsDisplay();

  // ---- Selection ----
  // Both nullptr clear it. The keyframe must belong to the row's animator.
  void selectKeyFrame(ODAnimatorKeyframe* keyframe, ODTimelineAnimatorView* row);
  // The row of the animator; nullptr when it has none.
  ODTimelineAnimatorView* rowForAnimator(const ODAnimator* animator) const;
  const std::vector<ODTimelineAnimatorView*>& timelineAnimatorViews() const { return timelineAnimatorViews_; }
  ODTimelineMarkerView* timeMarkerView() const { return timeMarkerView_; }

  // ---- Keyframe editor actions ----
  // Tells the senders apart by identity (time field, value field, ease-in, ease-out).
  void changeSelectedKeyframe(QObject* sender);
  // Removes the selected keyframe, or the whole animator when it is its last.
  void deleteSelectedKeyframe();

  // The time scale: seconds between ticks at that many points per second, never less than one
  // frame (framerate 0: no such floor); full-height ticks fall on multiples of the major unit.
  static double tickStep(double pointsPerSecond, double framerate);
  static double majorTickUnit(double pointsPerSecond);

  // 38n + 5 for n rows (43 for none), or the scroll area's height minus 1 when that is more.
  int contentHeight() const;

  // ---- ODTimelineAnimatorViewDelegate ----
  double duration() const override;
  double timeForPosition(double x) const override;
  double positionForTime(double time) const override;
  ODAnimatorKeyframe* selectedKeyFrame() const override;
  ODTimelineAnimatorView* selectedAnimatorView() const override;
  bool hasKeyboardFocus() const override { return hasFocus(); }
  bool isSystemDarkMode() const override;
  QIcon animatorViewRemoveIcon() const override;
  QIcon animatorViewDisplayHiddenIcon() const override;
  QIcon animatorViewDisplayVisibleIcon() const override;
  QIcon animatorViewWarningIcon() const override;
  void removeAnimator(ODAnimator* animator) override;
  void animatorParameterClicked(ODAnimator* animator) override;
  void animatorViewKeyframesChanged(ODTimelineAnimatorView* row) override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  void renderBackground(QPainter& painter) const;
  void renderTimeScale(QPainter& painter) const;
  // Whether the row is one of ours and its animator still in the manager's list.
  bool isLiveRow(const ODTimelineAnimatorView* row) const;
  bool isManagedAnimator(const ODAnimator* animator) const;
  void removeRow(ODTimelineAnimatorView* row);
  void layoutRows();
  void updateIcons();

  ODTimelineMarkerView* timeMarkerView_ = nullptr;  // child
  QPointer<QScrollArea> scrollView_;
  std::vector<ODTimelineAnimatorView*> timelineAnimatorViews_;  // children, in creation order
  ODAnimatorKeyframe* selectedKeyFrame_ = nullptr;              // checked against the rows before use
  ODTimelineAnimatorView* selectedAnimatorView_ = nullptr;      // one of the rows, or nullptr
  // The keyframe editor's controls, not owned.
  QPointer<QWidget> editorControls_;
  QPointer<QLineEdit> editorTimeField_;
  QPointer<QLineEdit> editorValueField_;
  QPointer<ODSegmentedControl> editorEaseInSelector_;
  QPointer<ODSegmentedControl> editorEaseOutSelector_;
  QPointer<QAbstractButton> editorRemoveButton_;
  QPointer<QWidget> addAnimationButton_;
  bool pausedOnMouseDown_ = false;
  bool isDraggingKeyframe_ = false;     // an undo group is open
  bool isDraggingKeyframeCopy_ = false; // this drag made its copy already
  bool isDarkMode_ = false;
  QPointer<QWidget> defaultFirstResponder_;
  ODAnimationManager* animationManager_ = nullptr;  // the document's, detached before it goes
  QIcon removeButtonIcon_;
  QIcon displayHiddenIcon_;
  QIcon displayVisibleIcon_;
  QIcon warningIcon_;
};
