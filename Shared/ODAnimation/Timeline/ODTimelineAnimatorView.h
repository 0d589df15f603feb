#pragma once

#include <vector>

#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QWidget>

#include "Shared/ODAnimation/ODAnimatorInterfaceDelegate.h"

class ODAnimator;
class ODAnimatorKeyframe;
class ODTimelineAnimatorViewDelegate;
class QAbstractButton;
class QLabel;
class QPainter;
class QToolButton;

// One row of the timeline: which property of which node its animator drives, buttons to switch
// the animation off and on and to remove it, a warning while the property cannot be animated,
// the value over time as a filled curve around a zero line, and the keyframes as diamonds. It
// is its animator's interface delegate. Its x axis is the timeline's (time 0 at x = 160); its
// drawing is y-up, larger values higher, like the frames of its controls below. Presses
// outside its buttons go on to the timeline, which does the selecting and dragging.
//
// The animator and the timeline are not owned; the timeline clears the animator before the
// animator goes away. Without an animator the row draws nothing of the animation and its buttons
// do nothing. Main thread only.
class ODTimelineAnimatorView final : public QWidget, public ODAnimatorInterfaceDelegate {
public:
  static constexpr int kHeight = 38;              // points
  static constexpr double kKeyframeHitRange = 6;  // points either side of a keyframe
  static constexpr double kLabelColumnWidth = 160;
  static constexpr double kStraightTolerance = 0.05;  // points

  // Whether b lies between a and c on the straight line from a to c, within
  // kStraightTolerance: the value curve leaves out such samples.
  static bool continuesStraight(QPointF a, QPointF b, QPointF c);

  explicit ODTimelineAnimatorView(QWidget* parent = nullptr);
  ~ODTimelineAnimatorView() override;

  ODAnimator* timelineAnimator() const { return timelineAnimator_; }
  void setTimelineAnimator(ODAnimator* animator) { timelineAnimator_ = animator; }
  ODTimelineAnimatorViewDelegate* timelineView() const { return timelineView_; }
  void setTimelineView(ODTimelineAnimatorViewDelegate* timelineView) { timelineView_ = timelineView; }
  bool alternatingRowFlag() const { return alternatingRowFlag_; }
  void setAlternatingRowFlag(bool flag) { alternatingRowFlag_ = flag; }

  // Builds the labels and buttons once the animator and the timeline are set.
  void initInterface();
  void updateHoverInterface();
  void updateBackground();

  // The first keyframe in the animator's list within kKeyframeHitRange of x; nullptr without
  // animator, timeline or keyframes.
  ODAnimatorKeyframe* keyframeNearPosition(double x) const;
  // y-up: 10 points above the bottom for the smallest value, 10 below the top for the largest.
  double positionForValue(double value) const;
  ODAnimatorKeyframe* mouseOverKeyframe() const { return mouseOverKeyframe_; }
  bool mouseOverFlag() const { return mouseOverFlag_; }
  // Whether the warning is up (the property cannot be animated now).
  bool showsWarning() const;

  // The controls, for the timeline's tests and for keyboard-free use.
  QToolButton* removeButton() const { return removeButton_; }
  QToolButton* enableToggleButton() const { return enableToggleButton_; }
  QAbstractButton* parameterSelectButton() const { return parameterSelectButton_; }
  QString parameterName() const { return parameterName_; }
  QString ownerName() const { return ownerName_; }

  // ---- ODAnimatorInterfaceDelegate ----
  void updateInterface() override;
  void animatorChanged(ODAnimator* animator) override;

  // Button actions.
  void selectParameterButtonPressed();
  void removeButtonPressed();
  void enableToggleButtonPressed();

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

private:
  // A frame given y-up in this row becomes the widget geometry (y-down).
  QRect flipped(int x, int y, int width, int height) const;
  void setupValueScale();
  // What the axis and the value curve are drawn from; a NaN in it always draws anew.
  std::vector<double> curveSignature() const;
  void renderTimeScale(QPainter& painter) const;
  void renderValueCurve(QPainter& painter) const;
  void renderKeyFrames(QPainter& painter) const;
  void renderKeyFrame(QPainter& painter, const ODAnimatorKeyframe& keyframe) const;
  bool hasKeyframe(const ODAnimatorKeyframe* keyframe) const;
  void setLabelTexts();
  void setMouseOverKeyframe(ODAnimatorKeyframe* keyframe);

  QLabel* animatorIconView_ = nullptr;  // children; only made with a target icon
  QLabel* ownerNameLabel_ = nullptr;
  QLabel* parameterNameLabel_ = nullptr;
  QLabel* warningIconView_ = nullptr;
  QToolButton* removeButton_ = nullptr;
  QToolButton* enableToggleButton_ = nullptr;
  QAbstractButton* parameterSelectButton_ = nullptr;
  QString ownerName_;
  QString parameterName_;
  double valueCurveAlpha_ = 1.0;
  double valueScaleMin_ = 0.0;
  double valueScaleMax_ = 0.0;
  bool mouseOverFlag_ = false;
  ODAnimatorKeyframe* mouseOverKeyframe_ = nullptr;  // in the animator's list, or nullptr
  bool isDarkMode_ = false;
  bool alternatingRowFlag_ = false;
  ODAnimator* timelineAnimator_ = nullptr;                  // cleared by the timeline first
  ODTimelineAnimatorViewDelegate* timelineView_ = nullptr;  // the parent timeline
  QPixmap curveCache_;  // the axis and the value curve as last drawn (device pixels)
  std::vector<double> curveCacheSignature_;
};
