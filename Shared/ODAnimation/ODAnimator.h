#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/PlistValue.h"
#include "Shared/ODAnimation/ODAnimatorKeyframeDelegate.h"

class ODAnimatorDelegate;
class ODAnimatorInterfaceDelegate;
class ODAnimatorKeyframe;
class ODAnimatorTarget;

// Drives one named property of one target through its keyframes: at any time in seconds it
// yields the value by eased interpolation between the nearest keyframes, and when the animation
// manager applies a time it sets that value on the target. Keyframes stay in insertion order,
// never sorted; every look-up is a linear scan that compares times exactly, the first keyframe
// in the list winning ties. Changes are recorded for undo through the value delegate (the
// manager) and reported to the interface delegate (the timeline row). Main thread only.
class ODAnimator final : public ODAnimatorKeyframeDelegate {
public:
  // Enabled, no keyframes, identifier counter 0.
  ODAnimator() = default;
  ~ODAnimator() override;
  ODAnimator(const ODAnimator&) = delete;
  ODAnimator& operator=(const ODAnimator&) = delete;

  // ---- Target and delegates (none owned) ----
  // nullptr when none is set or the target has been destroyed.
  ODAnimatorTarget* target() const;
  // Tells the old target its property is no longer animated and the new one that it is, and
  // copies the new target's identifier ("" for nullptr).
  void setTarget(ODAnimatorTarget* target);
  const std::string& targetPersistentIdentifier() const { return targetPersistentIdentifier_; }
  void setTargetPersistentIdentifier(std::string identifier) { targetPersistentIdentifier_ = std::move(identifier); }
  const std::string& propertyName() const { return propertyName_; }
  void setPropertyName(std::string propertyName) { propertyName_ = std::move(propertyName); }
  ODAnimatorInterfaceDelegate* interfaceDelegate() const { return interfaceDelegate_; }
  void setInterfaceDelegate(ODAnimatorInterfaceDelegate* delegate) { interfaceDelegate_ = delegate; }
  ODAnimatorDelegate* valueDelegate() const { return valueDelegate_; }
  void setValueDelegate(ODAnimatorDelegate* delegate) { valueDelegate_ = delegate; }

  // ---- State ----
  bool enabled() const { return enabled_; }
  // Undoable ("enable %@ animation"); enabling applies the current time again at once,
  // disabling leaves the target at its last value.
  void setEnabled(bool enabled);
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  long long keyframeIdCounter() const { return keyframeIdCounter_; }

  // ---- Keyframes ----
  const std::vector<std::unique_ptr<ODAnimatorKeyframe>>& keyFrames() const { return keyframes_; }
  // nullptr when no keyframe qualifies.
  ODAnimatorKeyframe* keyFrameAtTime(double time) const;
  // The latest keyframe strictly before the time / the earliest strictly after it.
  ODAnimatorKeyframe* keyFrameBeforeTime(double time) const;
  ODAnimatorKeyframe* keyFrameAfterTime(double time) const;
  ODAnimatorKeyframe* keyFrameWithId(long long keyframeId) const;
  // Sets the value of the keyframe at exactly that time, or appends a new keyframe with the next
  // identifier (undoable). Answers the keyframe; nullptr (logged) for a time that is not finite.
  ODAnimatorKeyframe* addKeyframeWithValue(double value, double time);
  // Removes and destroys the keyframe (undoable). A keyframe not in the list is logged.
  void removeKeyFrame(ODAnimatorKeyframe* keyframe);

  // ---- Values ----
  // nullopt without keyframes. Before the first and after the last keyframe the value holds.
  std::optional<pf::PlistValue> valueObjectForTime(double time) const;
  // The eased value between a and b (a number); the position is not clamped.
  static pf::PlistValue valueObjectForTime(double time, const ODAnimatorKeyframe& a, const ODAnimatorKeyframe& b);
  // 0.0 without a value (a value that is not a number is logged).
  double doubleValueForTime(double time) const;
  // Sets the target's property to the value at the time, when the target can take it now.
  void animateWithTime(double time);

  // ---- Records ----
  // {"targetPersistentIdentifier", "propertyName", "keyframeIdCounter", "enabled", "Keyframes"};
  // "Keyframes" is left out when there are none.
  pf::PlistValue::Dictionary descriptionDictionary() const;
  // Reads each key that is present; "Keyframes" replaces the whole list. The target is not
  // resolved here (the manager does that).
  void loadDescriptionDictionary(const pf::PlistValue::Dictionary& record);

  // ---- Undo ----
  void storeUndoState(const pf::PlistValue::Dictionary& state, const std::optional<std::string>& actionName);
  void storeKeyframeUndoState(const pf::PlistValue::Dictionary& state, ODAnimatorKeyframe* keyframe) override;
  // Runs an undo or redo record of this animator; records its own inverse.
  void revertUndoState(const pf::PlistValue::Dictionary& state);

  void animatorKeyframeChanged(ODAnimatorKeyframe* keyframe) override;
  std::string description() const;

private:
  bool contains(const ODAnimatorKeyframe* keyframe) const;
  // The target's own name for undo names; "" without a target.
  std::string targetDisplayName() const;
  void notifyValueDelegate();
  void notifyInterfaceDelegate();

  std::vector<std::unique_ptr<ODAnimatorKeyframe>> keyframes_;
  long long keyframeIdCounter_ = 0;
  bool enabled_ = true;
  bool selected_ = false;
  ODAnimatorTarget* target_ = nullptr;  // not owned; valid while targetLifetime_ has not expired
  std::weak_ptr<const void> targetLifetime_;
  std::string targetPersistentIdentifier_;
  ODAnimatorInterfaceDelegate* interfaceDelegate_ = nullptr;  // the timeline row, clears itself
  ODAnimatorDelegate* valueDelegate_ = nullptr;               // the manager, outlives this
  std::string propertyName_;
};
