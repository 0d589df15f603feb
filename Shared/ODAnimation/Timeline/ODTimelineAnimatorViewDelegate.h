#pragma once

#include <QIcon>

class ODAnimator;
class ODAnimatorKeyframe;
class ODTimelineAnimatorView;

// What a timeline row asks of the timeline that holds it: the mapping between time and the
// row's x (shared by every row), the selection it shows, the appearance and icons, and the
// operations its buttons start.
class ODTimelineAnimatorViewDelegate {
public:
  virtual ~ODTimelineAnimatorViewDelegate() = default;

  virtual double duration() const = 0;  // seconds
  // x in the timeline's (and every row's) coordinates; seconds snapped to a frame.
  virtual double timeForPosition(double x) const = 0;
  virtual double positionForTime(double time) const = 0;
  // nullptr when none.
  virtual ODAnimatorKeyframe* selectedKeyFrame() const = 0;
  virtual ODTimelineAnimatorView* selectedAnimatorView() const = 0;
  // Whether the timeline has the keyboard focus (the selected keyframe shows a halo then).
  virtual bool hasKeyboardFocus() const = 0;
  virtual bool isSystemDarkMode() const = 0;
  virtual QIcon animatorViewRemoveIcon() const = 0;
  virtual QIcon animatorViewDisplayHiddenIcon() const = 0;
  virtual QIcon animatorViewDisplayVisibleIcon() const = 0;
  virtual QIcon animatorViewWarningIcon() const = 0;
  // The row's buttons.
  virtual void removeAnimator(ODAnimator* animator) = 0;
  virtual void animatorParameterClicked(ODAnimator* animator) = 0;
  // The row's animator dropped the keyframe (undo, removal): the selection lets go of it.
  virtual void animatorViewKeyframesChanged(ODTimelineAnimatorView* row) = 0;
};
