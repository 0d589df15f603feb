#pragma once

#include <memory>
#include <string>

#include "Platform/PlistValue.h"

class ODAnimatorKeyframeDelegate;

// One keyframe of an animator: a value at a time in seconds from the start of the animation,
// with the ease of the segment that arrives at it (ease-in) and of the one that leaves it
// (ease-out): 0 linear, 1 eased. Every field change records the old value for undo and tells
// the owning animator. The animator owns its keyframes. Main thread only.
class ODAnimatorKeyframe {
public:
  // A keyframe without delegate, so nothing is recorded yet.
  static std::unique_ptr<ODAnimatorKeyframe> keyframeWithObject(const pf::PlistValue& value, double time);
  static std::unique_ptr<ODAnimatorKeyframe> keyframeWithValue(double value, double time);

  ODAnimatorKeyframe() = default;
  ODAnimatorKeyframe(const ODAnimatorKeyframe&) = delete;
  ODAnimatorKeyframe& operator=(const ODAnimatorKeyframe&) = delete;

  // Setters: an equal value does nothing; otherwise the old value is recorded for undo, the new
  // one stored and the delegate told.
  int easeInType() const { return easeInType_; }
  void setEaseInType(int type);
  int easeOutType() const { return easeOutType_; }
  void setEaseOutType(int type);
  // A number for numeric properties; null before the first value.
  const pf::PlistValue& valueObject() const { return valueObject_; }
  // A null value is ignored.
  void setValueObject(const pf::PlistValue& value);
  // 0.0 without a value or when the value is not a number.
  double doubleValue() const;
  void setDoubleValue(double value);
  double timeSeconds() const { return timeSeconds_; }
  // A time that is not finite is refused (logged): it could never be found or drawn.
  void setTimeSeconds(double time);
  // Unique within the animator, kept across undo and redo. Set without undo.
  long long keyframeId() const { return keyframeId_; }
  void setKeyframeId(long long keyframeId) { keyframeId_ = keyframeId; }
  ODAnimatorKeyframeDelegate* valueDelegate() const { return valueDelegate_; }
  void setValueDelegate(ODAnimatorKeyframeDelegate* delegate) { valueDelegate_ = delegate; }

  // Hands the state to the delegate, when there is one.
  void storeUndoState(const pf::PlistValue::Dictionary& state);

  // {"doubleValue", "timeSeconds", "keyframeId", "easeInType", "easeOutType"}.
  pf::PlistValue::Dictionary descriptionDictionary() const;
  // Reads each key that is present, through the setters (so undo records the inverse);
  // missing keys leave their fields alone.
  void loadDescriptionDictionary(const pf::PlistValue::Dictionary& record);

  std::string description() const;

private:
  // The delegate hears the change.
  void changed();

  int easeInType_ = 0;
  int easeOutType_ = 0;
  pf::PlistValue valueObject_;
  double timeSeconds_ = 0.0;
  long long keyframeId_ = 0;
  ODAnimatorKeyframeDelegate* valueDelegate_ = nullptr;  // the owning animator, outlives this
};
