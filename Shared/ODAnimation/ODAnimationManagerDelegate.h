#pragma once

#include <string>

class ODAnimator;
class ODAnimatorTarget;

// What the animation manager asks of the graph it animates (the graph controller).
class ODAnimationManagerDelegate {
public:
  virtual ~ODAnimationManagerDelegate() = default;

  // Before and after the manager applies every enabled animator for a time; the changes in
  // between merge into one regeneration.
  virtual void animationChangePrepare() = 0;
  virtual void animationChangeDone() = 0;
  // The duration or the frame rate changed.
  virtual void animationPropertiesChanged() = 0;
  // The target with that persistent identifier; nullptr when there is none.
  virtual ODAnimatorTarget* animatorTargetWithIdentifier(const std::string& identifier) = 0;
  // The user clicked the animator's timeline row.
  virtual void animationTimelineAnimatorClicked(ODAnimator* animator) = 0;
};
