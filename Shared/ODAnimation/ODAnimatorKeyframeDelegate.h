#pragma once

#include "Platform/PlistValue.h"

class ODAnimatorKeyframe;

// What a keyframe reports to its animator.
class ODAnimatorKeyframeDelegate {
public:
  virtual ~ODAnimatorKeyframeDelegate() = default;

  virtual void animatorKeyframeChanged(ODAnimatorKeyframe* keyframe) = 0;
  // `state` holds the field's old value ({"timeSeconds": 1.5}, {"Add": "True"}, a whole record).
  virtual void storeKeyframeUndoState(const pf::PlistValue::Dictionary& state, ODAnimatorKeyframe* keyframe) = 0;
};
