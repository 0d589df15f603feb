#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Platform/Format.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimatorKeyframeDelegate.h"

namespace {

int intFrom(const pf::PlistValue& value)
{
  const std::int64_t number = value.toInteger().value_or(0);
  return static_cast<int>(std::clamp<std::int64_t>(number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::unique_ptr<ODAnimatorKeyframe> ODAnimatorKeyframe::keyframeWithObject(const pf::PlistValue& value, double time)
{
  auto keyframe = std::make_unique<ODAnimatorKeyframe>();
  keyframe->setTimeSeconds(time);
  keyframe->setValueObject(value);
  return keyframe;
}

std::unique_ptr<ODAnimatorKeyframe> ODAnimatorKeyframe::keyframeWithValue(double value, double time)
{
  return keyframeWithObject(pf::PlistValue(value), time);
}

void ODAnimatorKeyframe::setEaseInType(int type)
{
  if (type == easeInType_) {
    return;
  }
  storeUndoState({{"easeInType", pf::PlistValue(easeInType_)}});
  easeInType_ = type;
  changed();
}

void ODAnimatorKeyframe::setEaseOutType(int type)
{
  if (type == easeOutType_) {
    return;
  }
  storeUndoState({{"easeOutType", pf::PlistValue(easeOutType_)}});
  easeOutType_ = type;
  changed();
}

void ODAnimatorKeyframe::setValueObject(const pf::PlistValue& value)
{
  if (value.isNull() || value == valueObject_) {
    return;
  }
  if (!valueObject_.isNull()) {
    storeUndoState({{"doubleValue", valueObject_}});
  }
  valueObject_ = value;
  changed();
}

double ODAnimatorKeyframe::doubleValue() const
{
  return valueObject_.toDouble().value_or(0.0);
}

void ODAnimatorKeyframe::setDoubleValue(double value)
{
  setValueObject(pf::PlistValue(value));
}

void ODAnimatorKeyframe::setTimeSeconds(double time)
{
  if (!std::isfinite(time)) {
    FeedbackManager::log("Warning, %@ setTimeSeconds: %g is not a valid time", description(), time);
    return;
  }
  if (time == timeSeconds_) {
    return;
  }
  storeUndoState({{"timeSeconds", pf::PlistValue(timeSeconds_)}});
  timeSeconds_ = time;
  changed();
}

void ODAnimatorKeyframe::storeUndoState(const pf::PlistValue::Dictionary& state)
{
  if (valueDelegate_ != nullptr) {
    valueDelegate_->storeKeyframeUndoState(state, this);
  }
}

pf::PlistValue::Dictionary ODAnimatorKeyframe::descriptionDictionary() const
{
  return {
      {"doubleValue", pf::PlistValue(doubleValue())},
      {"timeSeconds", pf::PlistValue(timeSeconds_)},
      {"keyframeId", pf::PlistValue(keyframeId_)},
      {"easeInType", pf::PlistValue(easeInType_)},
      {"easeOutType", pf::PlistValue(easeOutType_)},
  };
}

void ODAnimatorKeyframe::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (const pf::PlistValue* time = record.find("timeSeconds")) {
    setTimeSeconds(time->toDouble().value_or(std::nan("")));
  }
  if (const pf::PlistValue* value = record.find("doubleValue")) {
    setValueObject(*value);
  }
  if (const pf::PlistValue* keyframeId = record.find("keyframeId")) {
    keyframeId_ = keyframeId->toInteger().value_or(keyframeId_);
  }
  if (const pf::PlistValue* easeIn = record.find("easeInType")) {
    setEaseInType(intFrom(*easeIn));
  }
  if (const pf::PlistValue* easeOut = record.find("easeOutType")) {
    setEaseOutType(intFrom(*easeOut));
  }
}

std::string ODAnimatorKeyframe::description() const
{
  return pf::format("<ODAnimatorKeyframe #%ld %@ at time %g>", keyframeId_, valueObject_, timeSeconds_);
}

void ODAnimatorKeyframe::changed()
{
  if (valueDelegate_ != nullptr) {
    valueDelegate_->animatorKeyframeChanged(this);
  }
}
