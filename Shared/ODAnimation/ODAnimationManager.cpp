#include "Shared/ODAnimation/ODAnimationManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Platform/RunLoop.h"
#include "Platform/UndoManager.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManagerDelegate.h"
#include "Shared/ODAnimation/ODAnimationPanel.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorInterfaceDelegate.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Shared/ODAnimation/ODAnimatorTarget.h"

namespace {

constexpr const char* kIdentifierKey = "targetPersistentIdentifier";
constexpr const char* kPropertyKey = "propertyName";

// A tick that misses the end by no more than this share of the duration (the rounding of summed
// 1 / frame rate steps) lands on the end itself.
constexpr double kTickTolerance = 1e-9;

bool isValidLength(double value)
{
  return std::isfinite(value) && value > 0.0;
}

std::string stringOf(const pf::PlistValue::Dictionary& record, const char* key)
{
  const pf::PlistValue* value = record.find(key);
  return value != nullptr ? value->stringOr() : std::string();
}

}  // namespace

ODAnimationManager::ODAnimationManager() = default;

ODAnimationManager::~ODAnimationManager()
{
  animationTimer_.invalidate();
  // A window may outlive its document's manager for a moment while it closes.
  if (ODAnimationPanel* panel = std::exchange(panel_, nullptr)) {
    panel->animationManagerWillGo();
  }
}

// ---- Playback ----

void ODAnimationManager::play()
{
  if (currentTime_ == duration_ && !loop_ && !isPlaying_) {
    setCurrentTime(0.0);
  }
  setIsPlaying(true);
}

void ODAnimationManager::pause()
{
  setIsPlaying(false);
}

void ODAnimationManager::setIsPlaying(bool playing)
{
  if (playing == isPlaying_) {
    return;
  }
  animationTimer_.invalidate();
  if (playing) {
    pf::RunLoop* runLoop = pf::RunLoop::current();
    if (runLoop == nullptr) {
      FeedbackManager::log("Warning, ODAnimationManager setIsPlaying: no run loop to play on");
      return;
    }
    animationTimer_ = runLoop->scheduleRepeating(1.0 / framerate_, [this] { animate(); });
  }
  if (panel_ != nullptr) {
    panel_->showPlaying(playing);
  }
  isPlaying_ = playing;
}

void ODAnimationManager::animate()
{
  double time = currentTime_ + 1.0 / framerate_;
  if (std::fabs(time - duration_) <= kTickTolerance * std::max(1.0, duration_)) {
    time = duration_;
  } else if (time > duration_) {
    if (loop_) {
      time = 0.0;
    } else {
      setIsPlaying(false);
      time = duration_;
    }
  }
  setCurrentTime(time);
}

void ODAnimationManager::animationPlayPause()
{
  if (isPlaying_) {
    pause();
  } else {
    play();
  }
}

// ---- Time ----

void ODAnimationManager::setCurrentTime(double time)
{
  setCurrentTime(time, time != currentTime_);
}

void ODAnimationManager::setCurrentTime(double time, bool withUpdate)
{
  if (std::isnan(time)) {
    FeedbackManager::log("Warning, ODAnimationManager setCurrentTime: time is not a valid number (NaN)");
    return;
  }
  currentTime_ = std::max(time, 0.0);
  if (withUpdate) {
    animateWithCurrentTime();
    updateInterface();
  }
}

void ODAnimationManager::animateWithTime(double time)
{
  if (delegate_ != nullptr) {
    delegate_->animationChangePrepare();
  }
  for (std::size_t index = 0; index < animators_.size(); ++index) {
    if (animators_[index]->enabled()) {
      animators_[index]->animateWithTime(time);
    }
  }
  if (delegate_ != nullptr) {
    delegate_->animationChangeDone();
  }
}

void ODAnimationManager::animateWithCurrentTime()
{
  animateWithTime(currentTime_);
}

// ---- Settings ----

void ODAnimationManager::setDuration(double duration)
{
  if (!isValidLength(duration)) {
    FeedbackManager::log("Warning, ODAnimationManager setDuration: %g is not a valid duration", duration);
    return;
  }
  duration_ = duration;
}

void ODAnimationManager::setFramerate(double framerate)
{
  if (!isValidLength(framerate)) {
    FeedbackManager::log("Warning, ODAnimationManager setFramerate: %g is not a valid framerate", framerate);
    return;
  }
  framerate_ = framerate;
}

// ---- Time strings ----

std::string ODAnimationManager::stringForTime(double timeSeconds)
{
  if (!std::isfinite(timeSeconds)) {
    FeedbackManager::log("Warning, stringForTime: timeSeconds is not a valid number (NaN)");
    return "00:00";
  }
  const bool negative = timeSeconds < 0.0;
  const long long hundredths = pf::roundedSaturatingCast<long long>(std::fabs(timeSeconds) * 100.0);
  const long long minutes = hundredths / 6000;
  const int seconds = static_cast<int>((hundredths / 100) % 60);
  const int fraction = static_cast<int>(hundredths % 100);
  char text[64];
  if (minutes <= 0) {
    std::snprintf(text, sizeof text, "%s%02d:%02d", negative && hundredths > 0 ? "-" : "", seconds, fraction);
  } else {
    std::snprintf(text, sizeof text, "%s%lld:%02d:%02d", negative ? "-" : "", minutes, seconds, fraction);
  }
  return text;
}

double ODAnimationManager::timeFromString(std::string_view text)
{
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t colon = text.find(':'); colon != std::string_view::npos; colon = text.find(':', start)) {
    parts.push_back(text.substr(start, colon - start));
    start = colon + 1;
  }
  parts.push_back(text.substr(start));

  double time = 0.0;
  if (parts.size() == 2) {
    time = pf::intValue(parts[0]) + pf::doubleValue(parts[1]) / 100.0;
  } else if (parts.size() == 3) {
    time = pf::intValue(parts[0]) * 60.0 + pf::intValue(parts[1]) + pf::doubleValue(parts[2]) / 100.0;
  } else {
    time = pf::doubleValue(text);
  }
  return std::isfinite(time) ? time : 0.0;
}

// ---- Panel actions ----

void ODAnimationManager::animationTimeChanged(const std::string& timeText)
{
  const double time = std::clamp(timeFromString(timeText), 0.0, duration_);
  if (time != currentTime_) {
    setCurrentTime(time);
  } else if (panel_ != nullptr) {
    panel_->showCurrentTime(stringForTime(currentTime_));
  }
}

void ODAnimationManager::animationTimeChangedWithTag(int tag)
{
  double time = currentTime_;
  if (tag == -1) {
    time = 0.0;
  } else if (tag == 1) {
    time = duration_;
  }
  time = std::clamp(time, 0.0, duration_);
  if (time != currentTime_) {
    setCurrentTime(time);
  }
}

void ODAnimationManager::animationDurationChanged(const std::string& durationText)
{
  changeDuration(timeFromString(durationText));
}

void ODAnimationManager::animationFramerateChanged(const std::string& framerateText)
{
  changeFramerate(pf::doubleValue(framerateText));
}

void ODAnimationManager::animationLoopChanged(bool loop)
{
  changeLoop(loop);
}

void ODAnimationManager::changeDuration(double duration)
{
  if (!isValidLength(duration)) {
    FeedbackManager::showNSAlert("Invalid animation duration", "Animation duration must be over zero.");
    if (panel_ != nullptr) {
      panel_->showDuration(stringForTime(duration_));
    }
    return;
  }
  if (duration == duration_) {
    return;
  }
  if (undoManager_ != nullptr) {
    const double old = duration_;
    undoManager_->registerUndo([this, old] { revertDuration(old); });
    setUndoActionName("change duration");
  }
  duration_ = duration;
  if (currentTime_ > duration) {
    setCurrentTime(duration);
  }
  if (delegate_ != nullptr) {
    delegate_->animationPropertiesChanged();
  }
  if (panel_ != nullptr) {
    panel_->updateAnimatorItems();
    panel_->setNeedsDisplay();
  }
  updateInterface();
}

void ODAnimationManager::changeFramerate(double framerate)
{
  if (!isValidLength(framerate)) {
    FeedbackManager::showNSAlert("Invalid animation framerate", "Animation framerate must be over zero.");
    updateInterface();
    return;
  }
  if (framerate == framerate_) {
    return;
  }
  if (undoManager_ != nullptr) {
    const double old = framerate_;
    undoManager_->registerUndo([this, old] { revertFramerate(old); });
    setUndoActionName("change framerate");
  }
  framerate_ = framerate;
  if (delegate_ != nullptr) {
    delegate_->animationPropertiesChanged();
  }
  if (isPlaying_) {
    // The new interval applies from a new timer.
    pause();
    play();
  }
  updateInterface();
  if (panel_ != nullptr) {
    panel_->setNeedsDisplay();
  }
}

void ODAnimationManager::changeLoop(bool loop)
{
  if (loop != loop_) {
    if (undoManager_ != nullptr) {
      const bool old = loop_;
      undoManager_->registerUndo([this, old] { revertLoop(old); });
      setUndoActionName("change loop state");
    }
    loop_ = loop;
  }
  if (panel_ != nullptr) {
    panel_->showLoop(loop_);
  }
}

void ODAnimationManager::updateInterface()
{
  if (panel_ == nullptr) {
    return;
  }
  panel_->showFramerate(std::to_string(pf::saturatingCast<long long>(framerate_)));
  panel_->showDuration(stringForTime(duration_));
  panel_->showCurrentTime(stringForTime(currentTime_));
  panel_->showLoop(loop_);
  panel_->updateTime();
}

// ---- Registry ----

ODAnimator* ODAnimationManager::animatorForTarget(const ODAnimatorTarget* target) const
{
  if (target == nullptr) {
    return nullptr;
  }
  const std::string identifier = target->persistentIdentifier();
  if (identifier.empty()) {
    return nullptr;
  }
  for (const auto& animator : animators_) {
    if (animator->targetPersistentIdentifier() == identifier) {
      return animator.get();
    }
  }
  return nullptr;
}

ODAnimator* ODAnimationManager::animatorForTarget(const ODAnimatorTarget* target, const std::string& propertyName) const
{
  if (target == nullptr) {
    return nullptr;
  }
  const std::string identifier = target->persistentIdentifier();
  return identifier.empty() ? nullptr : animatorWithIdentifier(identifier, propertyName);
}

ODAnimator* ODAnimationManager::animatorWithIdentifier(const std::string& identifier,
                                                       const std::string& propertyName) const
{
  for (const auto& animator : animators_) {
    if (animator->targetPersistentIdentifier() == identifier && animator->propertyName() == propertyName) {
      return animator.get();
    }
  }
  return nullptr;
}

ODAnimator* ODAnimationManager::addAnimatorForTarget(ODAnimatorTarget* target, const std::string& propertyName)
{
  if (target == nullptr) {
    FeedbackManager::log("Error, addAnimatorForTarget with target nil");
  }
  if (propertyName.empty()) {
    FeedbackManager::log("Error, addAnimatorForTarget with propertyName nil");
  }
  if (target == nullptr || propertyName.empty()) {
    return nullptr;
  }
  if (animatorForTarget(target, propertyName) != nullptr) {
    FeedbackManager::log("Error in addAnimatorForTarget, animator already exists for target %@ and property:%@",
                         target->persistentIdentifier(), propertyName);
    return nullptr;
  }
  auto animator = std::make_unique<ODAnimator>();
  animator->setValueDelegate(this);
  animator->setPropertyName(propertyName);
  animator->setTarget(target);
  if (undoManager_ != nullptr) {
    const pf::PlistValue::Dictionary record = animator->descriptionDictionary();
    undoManager_->registerUndo([this, record] { revertAddingAnimator(record); });
    setUndoActionName(pf::format("add %@ animation", target->animatorDisplayNameWithProperty("")));
  }
  ODAnimator* added = animator.get();
  animators_.push_back(std::move(animator));
  if (panel_ != nullptr) {
    panel_->updateAnimatorItems();
  }
  return added;
}

void ODAnimationManager::removeAnimator(ODAnimator* animator)
{
  if (animator == nullptr) {
    return;
  }
  const auto found = std::find_if(animators_.begin(), animators_.end(),
                                  [animator](const auto& entry) { return entry.get() == animator; });
  if (found == animators_.end()) {
    // Not ours: it may be gone already, so it is not read.
    FeedbackManager::log("Error, removeAnimator %@, animator not in the list", static_cast<const void*>(animator));
    return;
  }
  if (undoManager_ != nullptr) {
    const pf::PlistValue::Dictionary record = animator->descriptionDictionary();
    undoManager_->registerUndo([this, record] { revertRemovingAnimator(record); });
    const ODAnimatorTarget* target = animator->target();
    setUndoActionName(
        pf::format("remove %@ animation", target != nullptr ? target->animatorDisplayNameWithProperty("") : ""));
  }
  animator->setTarget(nullptr);
  // Destroyed after the timeline has let go of its row.
  const std::unique_ptr<ODAnimator> removed = std::move(*found);
  animators_.erase(found);
  if (panel_ != nullptr) {
    panel_->updateAnimatorItems();
  }
}

// ---- Selection and timeline ----

void ODAnimationManager::selectAnimator(ODAnimator* animator)
{
  for (const auto& entry : animators_) {
    entry->setSelected(entry.get() == animator && allowAnimatorSelection_);
  }
  if (panel_ == nullptr) {
    return;
  }
  const ODAnimatorKeyframe* selected = panel_->selectedKeyframe();
  if (selected != nullptr && selected->valueDelegate() != animator) {
    ODAnimatorKeyframe* atTime = animator != nullptr ? animator->keyFrameAtTime(currentTime_) : nullptr;
    if (atTime != nullptr) {
      panel_->selectKeyframe(atTime, animator);
    } else {
      panel_->selectKeyframe(nullptr, nullptr);
    }
  }
  panel_->setNeedsDisplay();
}

void ODAnimationManager::animatorParameterClicked(ODAnimator* animator)
{
  selectAnimator(animator);
  if (animator != nullptr && delegate_ != nullptr) {
    delegate_->animationTimelineAnimatorClicked(animator);
  }
}

ODAnimatorKeyframe* ODAnimationManager::selectedKeyframe() const
{
  return panel_ != nullptr ? panel_->selectedKeyframe() : nullptr;
}

void ODAnimationManager::updateTimelineAnimators()
{
  for (const auto& animator : animators_) {
    if (animator->interfaceDelegate() != nullptr) {
      animator->interfaceDelegate()->updateInterface();
    }
  }
}

void ODAnimationManager::startChangingAnimator(ODAnimator*)
{
  if (undoManager_ != nullptr) {
    undoManager_->beginUndoGrouping();
  }
}

void ODAnimationManager::finishChangingAnimator(ODAnimator*)
{
  if (undoManager_ != nullptr) {
    undoManager_->endUndoGrouping();
  }
}

// ---- ODAnimatorDelegate ----

void ODAnimationManager::animatorChanged(ODAnimator*)
{
  animateWithCurrentTime();
  updateInterface();
  if (panel_ != nullptr) {
    panel_->updateSelectedKeyframeInterface();
  }
}

void ODAnimationManager::storeAnimatorUndoState(const pf::PlistValue::Dictionary& state, ODAnimator* animator,
                                                const std::optional<std::string>& actionName)
{
  if (animator == nullptr || undoManager_ == nullptr) {
    return;
  }
  pf::PlistValue::Dictionary record = state;
  record.set(kIdentifierKey, pf::PlistValue(animator->targetPersistentIdentifier()));
  record.set(kPropertyKey, pf::PlistValue(animator->propertyName()));
  undoManager_->registerUndo([this, record] { revertAnimatorUndoState(record); });
  if (actionName) {
    setUndoActionName(*actionName);
  }
}

// ---- Undo steps ----

void ODAnimationManager::revertAnimatorUndoState(const pf::PlistValue::Dictionary& state)
{
  const std::string identifier = stringOf(state, kIdentifierKey);
  const std::string propertyName = stringOf(state, kPropertyKey);
  ODAnimator* animator = propertyName.empty() ? nullptr : animatorWithIdentifier(identifier, propertyName);
  if (animator == nullptr) {
    FeedbackManager::log("WARNING, revertAnimatorUndoState found no animator for property %@ on %@", propertyName,
                         identifier);
    return;
  }
  animator->revertUndoState(state);
}

void ODAnimationManager::revertAddingAnimator(const pf::PlistValue::Dictionary& record)
{
  removeAnimator(animatorWithIdentifier(stringOf(record, kIdentifierKey), stringOf(record, kPropertyKey)));
}

void ODAnimationManager::revertRemovingAnimator(const pf::PlistValue::Dictionary& record)
{
  auto animator = std::make_unique<ODAnimator>();
  animator->loadDescriptionDictionary(record);
  ODAnimatorTarget* target =
      delegate_ != nullptr ? delegate_->animatorTargetWithIdentifier(animator->targetPersistentIdentifier()) : nullptr;
  if (target != nullptr) {
    animator->setTarget(target);
  }
  animator->setValueDelegate(this);
  ODAnimator* restored = animator.get();
  animators_.push_back(std::move(animator));
  if (undoManager_ != nullptr) {
    const pf::PlistValue::Dictionary restoredRecord = restored->descriptionDictionary();
    undoManager_->registerUndo([this, restoredRecord] { revertAddingAnimator(restoredRecord); });
  }
  if (panel_ != nullptr) {
    panel_->updateAnimatorItems();
  }
  animatorChanged(restored);
}

void ODAnimationManager::revertDuration(double duration)
{
  changeDuration(duration);
}

void ODAnimationManager::revertFramerate(double framerate)
{
  changeFramerate(framerate);
}

void ODAnimationManager::revertLoop(bool loop)
{
  changeLoop(loop);
}

void ODAnimationManager::setUndoActionName(const std::string& actionName)
{
  if (undoManager_ != nullptr && undoManager_->isUndoRegistrationEnabled() && !undoManager_->isUndoing()) {
    undoManager_->setActionName(actionName);
  }
}

// ---- Records ----

pf::PlistValue::Dictionary ODAnimationManager::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record{
      {"currentTime", pf::PlistValue(currentTime_)},
      {"duration", pf::PlistValue(duration_)},
      {"framerate", pf::PlistValue(framerate_)},
      {"loop", pf::PlistValue(loop_)},
  };
  if (!animators_.empty()) {
    pf::PlistValue::Array animators;
    animators.reserve(animators_.size());
    for (const auto& animator : animators_) {
      animators.emplace_back(animator->descriptionDictionary());
    }
    record.set("Animators", pf::PlistValue(std::move(animators)));
  }
  return record;
}

void ODAnimationManager::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (delegate_ == nullptr) {
    FeedbackManager::log("ERROR: ODAnimationManager loadDescriptionDictionary with no delegate set, nothing loaded.");
    return;
  }
  std::optional<pf::UndoManager::ScopedDisabledRegistration> noUndo;
  if (undoManager_ != nullptr && undoManager_->isUndoRegistrationEnabled()) {
    noUndo.emplace(*undoManager_);
  }

  if (const pf::PlistValue* value = record.find("duration")) {
    double duration = value->toDouble().value_or(0.0);
    if (!isValidLength(duration)) {
      FeedbackManager::log("Warning, loaded animation duration %g is invalid, set to 1", duration);
      duration = 1.0;
    }
    setDuration(duration);
  }
  if (const pf::PlistValue* value = record.find("currentTime")) {
    double time = value->toDouble().value_or(0.0);
    if (!(time >= 0.0 && time <= duration_)) {
      FeedbackManager::log("Warning, loaded animation current time %g is invalid, set to 0", time);
      time = 0.0;
    }
    setCurrentTime(time);
  }
  if (const pf::PlistValue* value = record.find("framerate")) {
    double framerate = value->toDouble().value_or(0.0);
    if (!isValidLength(framerate)) {
      FeedbackManager::log("Warning, loaded animation framerate %g is invalid, set to 10", framerate);
      framerate = 10.0;
    }
    setFramerate(framerate);
  }
  if (const pf::PlistValue* value = record.find("loop")) {
    setLoop(value->toBool().value_or(loop_));
  }
  if (const pf::PlistValue* value = record.find("Animators")) {
    for (const auto& animator : animators_) {
      animator->setTarget(nullptr);
    }
    // The panel lets go of the old animators' rows while they are still alive.
    const std::vector<std::unique_ptr<ODAnimator>> replaced = std::move(animators_);
    animators_.clear();
    if (panel_ != nullptr) {
      panel_->updateAnimatorItems();
    }
    const pf::PlistValue::Array* records = value->asArray();
    for (const pf::PlistValue& entry : records != nullptr ? *records : pf::PlistValue::Array()) {
      const pf::PlistValue::Dictionary* animatorRecord = entry.asDictionary();
      if (animatorRecord == nullptr) {
        FeedbackManager::log("Warning: Loading animators, skipped animator record %@", entry);
        continue;
      }
      auto animator = std::make_unique<ODAnimator>();
      animator->loadDescriptionDictionary(*animatorRecord);
      ODAnimatorTarget* target = delegate_->animatorTargetWithIdentifier(animator->targetPersistentIdentifier());
      if (target == nullptr) {
        FeedbackManager::log(
            "Warning: Loading animators, failed to find animation target with identifier %@. Did not add animation",
            animator->targetPersistentIdentifier());
        continue;
      }
      // Two animators on one property would fight over it, and the registry finds only the first.
      if (animatorForTarget(target, animator->propertyName()) != nullptr) {
        FeedbackManager::log("Warning: Loading animators, skipped a second animator for %@ property %@",
                             animator->targetPersistentIdentifier(), animator->propertyName());
        continue;
      }
      animator->setTarget(target);
      animator->setValueDelegate(this);
      animators_.push_back(std::move(animator));
    }
    if (panel_ != nullptr) {
      panel_->updateAnimatorItems();
    }
  }
  updateInterface();
}
