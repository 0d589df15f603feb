#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Platform/PlistValue.h"
#include "Shared/FeedbackManager/AlertPresenter.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManagerDelegate.h"
#include "Shared/ODAnimation/ODAnimationPanel.h"
#include "Shared/ODAnimation/ODAnimatorTarget.h"

// Fakes of the animation tests: a target holding its properties as numbers, a delegate that
// resolves targets by identifier and counts the brackets, a panel and an alert presenter that
// record what reaches them.

class FakeTarget : public ODAnimatorTarget {
public:
  explicit FakeTarget(std::string identifier) : identifier_(std::move(identifier)) {}

  bool animatorCanAnimateProperty(const std::string& propertyName) const override
  {
    return canAnimate && (propertyName == "value" || propertyName == "x" || propertyName == "y");
  }
  void animatorSetProperty(const std::string& propertyName, const pf::PlistValue& value) override
  {
    values[propertyName] = value.toDouble().value_or(-1.0);
    ++sets;
  }
  void animatorProperty(const std::string& propertyName, bool setAnimated) override { animated[propertyName] = setAnimated; }
  std::string animatorDisplayNameWithProperty(const std::string& propertyName) const override
  {
    return propertyName.empty() ? "Size" : "Size " + propertyName;
  }
  std::string animatorOwnerDisplayName() const override { return "Shape"; }
  std::shared_ptr<const pf::Image> animatorIcon() const override { return nullptr; }
  std::string persistentIdentifier() const override { return identifier_; }

  bool canAnimate = true;
  std::map<std::string, double> values;
  std::map<std::string, bool> animated;
  int sets = 0;

private:
  std::string identifier_;
};

class FakeAnimationDelegate : public ODAnimationManagerDelegate {
public:
  void animationChangePrepare() override { ++prepares; }
  void animationChangeDone() override { ++dones; }
  void animationPropertiesChanged() override { ++propertiesChanges; }
  ODAnimatorTarget* animatorTargetWithIdentifier(const std::string& identifier) override
  {
    for (ODAnimatorTarget* target : targets) {
      if (target->persistentIdentifier() == identifier) {
        return target;
      }
    }
    return nullptr;
  }
  void animationTimelineAnimatorClicked(ODAnimator* animator) override { clicked.push_back(animator); }

  std::vector<ODAnimatorTarget*> targets;  // not owned
  std::vector<ODAnimator*> clicked;
  int prepares = 0;
  int dones = 0;
  int propertiesChanges = 0;
};

class RecordingPanel : public ODAnimationPanel {
public:
  void showPlaying(bool isPlaying) override { playing = isPlaying; }
  void showCurrentTime(const std::string& text) override { currentTime = text; }
  void showDuration(const std::string& text) override { duration = text; }
  void showFramerate(const std::string& text) override { framerate = text; }
  void showLoop(bool isLooping) override { loop = isLooping; }
  void updateTime() override {}
  void updateAnimatorItems() override { ++itemUpdates; }
  void updateSelectedKeyframeInterface() override {}
  void setNeedsDisplay() override {}
  ODAnimatorKeyframe* selectedKeyframe() const override { return keyframe; }
  void selectKeyframe(ODAnimatorKeyframe* selected, ODAnimator* animator) override
  {
    keyframe = selected;
    keyframeAnimator = animator;
  }

  bool playing = false;
  std::string currentTime;
  std::string duration;
  std::string framerate;
  bool loop = false;
  int itemUpdates = 0;
  ODAnimatorKeyframe* keyframe = nullptr;
  ODAnimator* keyframeAnimator = nullptr;
};

class RecordingAlerts : public AlertPresenter {
public:
  RecordingAlerts() { FeedbackManager::setAlertPresenter(this); }
  ~RecordingAlerts() override { FeedbackManager::setAlertPresenter(nullptr); }
  RecordingAlerts(const RecordingAlerts&) = delete;
  RecordingAlerts& operator=(const RecordingAlerts&) = delete;
  void presentAlert(const std::string& title, const std::string& text) override { alerts.emplace_back(title, text); }

  std::vector<std::pair<std::string, std::string>> alerts;
};
