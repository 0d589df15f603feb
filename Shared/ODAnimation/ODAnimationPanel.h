#pragma once

#include <string>

class ODAnimator;
class ODAnimatorKeyframe;

// The animation panel of a document window as the animation manager drives it: the play
// button, the current-time, duration and frame-rate fields, the loop switch and the timeline.
// The interface layer implements it; headless there is none. The panel's controls call the
// manager's panel actions (animationTimeChanged...) with what the user entered.
class ODAnimationPanel {
public:
  virtual ~ODAnimationPanel() = default;

  // ---- Controls ----
  // The play button offers "Pause" while playing, "Play" otherwise.
  virtual void showPlaying(bool playing) = 0;
  // Time strings as ODAnimationManager::stringForTime writes them.
  virtual void showCurrentTime(const std::string& timeText) = 0;
  virtual void showDuration(const std::string& timeText) = 0;
  // The frame rate as a whole number.
  virtual void showFramerate(const std::string& framerateText) = 0;
  virtual void showLoop(bool loop) = 0;

  // ---- Timeline ----
  // Moves the current-time marker.
  virtual void updateTime() = 0;
  // Rebuilds the rows from the manager's animator list.
  virtual void updateAnimatorItems() = 0;
  virtual void updateSelectedKeyframeInterface() = 0;
  virtual void setNeedsDisplay() = 0;
  // The selected keyframe; nullptr when none.
  virtual ODAnimatorKeyframe* selectedKeyframe() const = 0;
  // Selects the keyframe in the animator's row; nullptrs clear the selection.
  virtual void selectKeyframe(ODAnimatorKeyframe* keyframe, ODAnimator* animator) = 0;

  // The manager is being destroyed, its animators still alive: the panel lets go of it and of
  // them, and must not call it again.
  virtual void animationManagerWillGo() {}
};
