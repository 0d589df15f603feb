#include "Shared/ODAnimation/ODAnimator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Platform/Format.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimatorDelegate.h"
#include "Shared/ODAnimation/ODAnimatorInterfaceDelegate.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Shared/ODAnimation/ODAnimatorTarget.h"

namespace {

constexpr const char* kAddKey = "Add";
constexpr const char* kKeyframeIdKey = "keyframeId";

}  // namespace

ODAnimator::~ODAnimator() = default;

// ---- Target and state ----

ODAnimatorTarget* ODAnimator::target() const
{
  return targetLifetime_.expired() ? nullptr : target_;
}

void ODAnimator::setTarget(ODAnimatorTarget* target)
{
  if (ODAnimatorTarget* old = this->target()) {
    old->animatorProperty(propertyName_, false);
  }
  target_ = target;
  targetLifetime_ = target != nullptr ? target->animatorTargetLifetime() : std::weak_ptr<const void>();
  if (target != nullptr) {
    target->animatorProperty(propertyName_, true);
    targetPersistentIdentifier_ = target->persistentIdentifier();
  } else {
    targetPersistentIdentifier_.clear();
  }
}

void ODAnimator::setEnabled(bool enabled)
{
  if (enabled == enabled_) {
    return;
  }
  storeUndoState({{"enabled", pf::PlistValue(enabled_)}},
                 pf::format("%@ %@ animation", enabled ? "enable" : "disable", targetDisplayName()));
  enabled_ = enabled;
  notifyInterfaceDelegate();
  if (enabled) {
    notifyValueDelegate();
  }
}

void ODAnimator::setSelected(bool selected)
{
  if (selected == selected_) {
    return;
  }
  selected_ = selected;
  notifyInterfaceDelegate();
}

// ---- Keyframes ----

ODAnimatorKeyframe* ODAnimator::keyFrameAtTime(double time) const
{
  for (const auto& keyframe : keyframes_) {
    if (keyframe->timeSeconds() == time) {
      return keyframe.get();
    }
  }
  return nullptr;
}

ODAnimatorKeyframe* ODAnimator::keyFrameBeforeTime(double time) const
{
  ODAnimatorKeyframe* best = nullptr;
  for (const auto& keyframe : keyframes_) {
    if (keyframe->timeSeconds() < time && (best == nullptr || keyframe->timeSeconds() > best->timeSeconds())) {
      best = keyframe.get();
    }
  }
  return best;
}

ODAnimatorKeyframe* ODAnimator::keyFrameAfterTime(double time) const
{
  ODAnimatorKeyframe* best = nullptr;
  for (const auto& keyframe : keyframes_) {
    if (keyframe->timeSeconds() > time && (best == nullptr || keyframe->timeSeconds() < best->timeSeconds())) {
      best = keyframe.get();
    }
  }
  return best;
}

ODAnimatorKeyframe* ODAnimator::keyFrameWithId(long long keyframeId) const
{
  for (const auto& keyframe : keyframes_) {
    if (keyframe->keyframeId() == keyframeId) {
      return keyframe.get();
    }
  }
  return nullptr;
}

ODAnimatorKeyframe* ODAnimator::addKeyframeWithValue(double value, double time)
{
  if (!std::isfinite(time)) {
    FeedbackManager::log("Warning, %@ addKeyframeWithValue: time %g is not a valid number", description(), time);
    return nullptr;
  }
  ODAnimatorKeyframe* keyframe = keyFrameAtTime(time);
  if (keyframe != nullptr) {
    keyframe->setDoubleValue(value);
  } else {
    std::unique_ptr<ODAnimatorKeyframe> created = ODAnimatorKeyframe::keyframeWithValue(value, time);
    created->setValueDelegate(this);
    created->setKeyframeId(keyframeIdCounter_++);
    created->storeUndoState({{kAddKey, pf::PlistValue("True")}});
    keyframe = created.get();
    keyframes_.push_back(std::move(created));
  }
  // The value delegate is not told: callers that need the target updated apply the time.
  notifyInterfaceDelegate();
  return keyframe;
}

void ODAnimator::removeKeyFrame(ODAnimatorKeyframe* keyframe)
{
  const auto found = std::find_if(keyframes_.begin(), keyframes_.end(),
                                  [keyframe](const auto& entry) { return entry.get() == keyframe; });
  if (found == keyframes_.end()) {
    FeedbackManager::log("Warning, %@ removeKeyFrame, keyframe %@ not found in array", description(),
                         keyframe != nullptr ? keyframe->description() : std::string("(null)"));
    return;
  }
  // Kept alive until the delegates have heard of the removal.
  const std::unique_ptr<ODAnimatorKeyframe> removed = std::move(*found);
  keyframes_.erase(found);
  storeKeyframeUndoState(removed->descriptionDictionary(), removed.get());
  notifyValueDelegate();
  notifyInterfaceDelegate();
}

// ---- Values ----

std::optional<pf::PlistValue> ODAnimator::valueObjectForTime(double time) const
{
  if (keyframes_.empty()) {
    return std::nullopt;
  }
  if (keyframes_.size() == 1) {
    return keyframes_.front()->valueObject();
  }
  if (const ODAnimatorKeyframe* exact = keyFrameAtTime(time)) {
    return exact->valueObject();
  }
  const ODAnimatorKeyframe* before = keyFrameBeforeTime(time);
  const ODAnimatorKeyframe* after = keyFrameAfterTime(time);
  if (before != nullptr && after != nullptr && before != after) {
    return valueObjectForTime(time, *before, *after);
  }
  if (before != nullptr) {
    return before->valueObject();
  }
  if (after != nullptr) {
    return after->valueObject();
  }
  return std::nullopt;
}

pf::PlistValue ODAnimator::valueObjectForTime(double time, const ODAnimatorKeyframe& a, const ODAnimatorKeyframe& b)
{
  const double span = b.timeSeconds() - a.timeSeconds();
  const double u = span == 0.0 ? 1.0 : (time - a.timeSeconds()) / span;
  const double start = a.doubleValue();
  const double distance = b.doubleValue() - start;
  double offset = 0.0;
  if (a.easeOutType() == 0 && b.easeInType() == 0) {
    offset = u * distance;
  } else if (a.easeOutType() == 1 && b.easeInType() == 1) {
    // Slow start and slow end, continuous at the middle.
    offset = u <= 0.5 ? 2.0 * u * u * distance : (2.0 * (u - 0.5) * (1.5 - u) + 0.5) * distance;
  } else if (a.easeOutType() == 1 && b.easeInType() == 0) {
    offset = u * u * distance;
  } else {
    offset = (1.0 - (1.0 - u) * (1.0 - u)) * distance;
  }
  return pf::PlistValue(start + offset);
}

double ODAnimator::doubleValueForTime(double time) const
{
  const std::optional<pf::PlistValue> value = valueObjectForTime(time);
  if (!value) {
    return 0.0;
  }
  const std::optional<double> number = value->toDouble();
  if (!number) {
    FeedbackManager::log("Warning %@ doubleValueForTime valueObject %@ not suitable for doubleValue", description(),
                         *value);
    return 0.0;
  }
  return *number;
}

void ODAnimator::animateWithTime(double time)
{
  ODAnimatorTarget* target = this->target();
  if (target == nullptr || !target->animatorCanAnimateProperty(propertyName_)) {
    return;
  }
  if (const std::optional<pf::PlistValue> value = valueObjectForTime(time)) {
    target->animatorSetProperty(propertyName_, *value);
  }
}

// ---- Records ----

pf::PlistValue::Dictionary ODAnimator::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record{
      {"targetPersistentIdentifier", pf::PlistValue(targetPersistentIdentifier_)},
      {"propertyName", pf::PlistValue(propertyName_)},
      {"keyframeIdCounter", pf::PlistValue(keyframeIdCounter_)},
      {"enabled", pf::PlistValue(enabled_)},
  };
  if (!keyframes_.empty()) {
    pf::PlistValue::Array keyframes;
    keyframes.reserve(keyframes_.size());
    for (const auto& keyframe : keyframes_) {
      keyframes.emplace_back(keyframe->descriptionDictionary());
    }
    record.set("Keyframes", pf::PlistValue(std::move(keyframes)));
  }
  return record;
}

void ODAnimator::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (const pf::PlistValue* identifier = record.find("targetPersistentIdentifier")) {
    targetPersistentIdentifier_ = identifier->stringOr();
  }
  if (const pf::PlistValue* property = record.find("propertyName")) {
    propertyName_ = property->stringOr();
  }
  if (const pf::PlistValue* counter = record.find("keyframeIdCounter")) {
    keyframeIdCounter_ = counter->toInteger().value_or(keyframeIdCounter_);
  }
  if (const pf::PlistValue* enabled = record.find("enabled")) {
    setEnabled(enabled->toBool().value_or(true));
  }
  const pf::PlistValue* keyframes = record.find("Keyframes");
  if (keyframes == nullptr) {
    return;
  }
  keyframes_.clear();
  const pf::PlistValue::Array* entries = keyframes->asArray();
  if (entries == nullptr) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary: Keyframes is not an array", description());
    return;
  }
  for (const pf::PlistValue& entry : *entries) {
    const pf::PlistValue::Dictionary* keyframeRecord = entry.asDictionary();
    if (keyframeRecord == nullptr) {
      FeedbackManager::log("Warning, %@ loadDescriptionDictionary: skipped keyframe record %@", description(), entry);
      continue;
    }
    auto keyframe = std::make_unique<ODAnimatorKeyframe>();
    keyframe->loadDescriptionDictionary(*keyframeRecord);
    keyframe->setValueDelegate(this);
    // A damaged counter must not hand out an identifier that is taken: undo finds keyframes by it.
    if (keyframe->keyframeId() >= keyframeIdCounter_ && keyframe->keyframeId() < std::numeric_limits<long long>::max()) {
      keyframeIdCounter_ = keyframe->keyframeId() + 1;
    }
    keyframes_.push_back(std::move(keyframe));
  }
}

// ---- Undo ----

void ODAnimator::storeUndoState(const pf::PlistValue::Dictionary& state, const std::optional<std::string>& actionName)
{
  if (valueDelegate_ != nullptr) {
    valueDelegate_->storeAnimatorUndoState(state, this, actionName);
  }
}

void ODAnimator::storeKeyframeUndoState(const pf::PlistValue::Dictionary& state, ODAnimatorKeyframe* keyframe)
{
  if (keyframe == nullptr) {
    return;
  }
  pf::PlistValue::Dictionary record = state;
  record.set(kKeyframeIdKey, pf::PlistValue(keyframe->keyframeId()));
  const char* verb = state.contains(kAddKey) ? "add" : (contains(keyframe) ? "change" : "remove");
  storeUndoState(record, pf::format("%@ %@ keyframe", verb, targetDisplayName()));
}

void ODAnimator::revertUndoState(const pf::PlistValue::Dictionary& state)
{
  if (const pf::PlistValue* keyframeId = state.find(kKeyframeIdKey)) {
    const long long identifier = keyframeId->toInteger().value_or(0);
    if (ODAnimatorKeyframe* keyframe = keyFrameWithId(identifier)) {
      if (state.contains(kAddKey)) {
        removeKeyFrame(keyframe);
      } else {
        keyframe->loadDescriptionDictionary(state);
      }
    } else {
      auto restored = std::make_unique<ODAnimatorKeyframe>();
      restored->loadDescriptionDictionary(state);
      restored->setKeyframeId(identifier);
      restored->setValueDelegate(this);
      ODAnimatorKeyframe* added = restored.get();
      keyframes_.push_back(std::move(restored));
      added->storeUndoState({{kAddKey, pf::PlistValue("True")}});
    }
  } else {
    loadDescriptionDictionary(state);
  }
  notifyValueDelegate();
  notifyInterfaceDelegate();
}

void ODAnimator::animatorKeyframeChanged(ODAnimatorKeyframe*)
{
  notifyValueDelegate();
  notifyInterfaceDelegate();
}

std::string ODAnimator::description() const
{
  return pf::format("<ODAnimator for target %@ property '%@'>", targetPersistentIdentifier_, propertyName_);
}

bool ODAnimator::contains(const ODAnimatorKeyframe* keyframe) const
{
  return std::any_of(keyframes_.begin(), keyframes_.end(),
                     [keyframe](const auto& entry) { return entry.get() == keyframe; });
}

std::string ODAnimator::targetDisplayName() const
{
  const ODAnimatorTarget* target = this->target();
  return target != nullptr ? target->animatorDisplayNameWithProperty("") : std::string();
}

void ODAnimator::notifyValueDelegate()
{
  if (valueDelegate_ != nullptr) {
    valueDelegate_->animatorChanged(this);
  }
}

void ODAnimator::notifyInterfaceDelegate()
{
  if (interfaceDelegate_ != nullptr) {
    interfaceDelegate_->animatorChanged(this);
  }
}
