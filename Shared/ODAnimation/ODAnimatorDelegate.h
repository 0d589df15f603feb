#pragma once

#include <optional>
#include <string>

#include "Platform/PlistValue.h"

class ODAnimator;

// What an animator reports to the one that keeps it (the animation manager).
class ODAnimatorDelegate {
public:
  virtual ~ODAnimatorDelegate() = default;

  // The animator's keyframes or state changed: the current time is applied again.
  virtual void animatorChanged(ODAnimator* animator) = 0;
  // `state` restores the animator (or one of its keyframes) when undone; the delegate adds the
  // target's identifier and the property name and registers it. nullopt: no action name.
  virtual void storeAnimatorUndoState(const pf::PlistValue::Dictionary& state, ODAnimator* animator,
                                      const std::optional<std::string>& actionName) = 0;
};
