#pragma once

class ODAnimator;

// The timeline row that shows one animator. The interface layer implements it and clears the
// animator's reference to it before the row goes away.
class ODAnimatorInterfaceDelegate {
public:
  virtual ~ODAnimatorInterfaceDelegate() = default;

  virtual void updateInterface() = 0;
  // Keyframes or state changed. A keyframe removed by this change is still alive during the
  // call and destroyed right after it: the row drops any pointer to a keyframe that is no longer
  // in the animator's list.
  virtual void animatorChanged(ODAnimator* animator) = 0;
};
