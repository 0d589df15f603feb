#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/PlistValue.h"
#include "Platform/Timer.h"
#include "Shared/ODAnimation/ODAnimatorDelegate.h"

class ODAnimationManagerDelegate;
class ODAnimationPanel;
class ODAnimator;
class ODAnimatorKeyframe;
class ODAnimatorTarget;

namespace pf {
class UndoManager;
}

// The animation of one document: it owns the animators, keeps the current time, duration,
// frame rate and loop flag, plays on a repeating timer of 1 / frame rate seconds on the current
// pf::RunLoop, applies a time to every enabled animator between the delegate's
// animationChangePrepare and animationChangeDone, edits its settings from the panel's controls
// (refusing bad input with an alert), registers undo for everything that changes animators and
// saves and loads the document's animation record.
//
// Times are seconds. The current time stays in [0, duration] after every panel edit, load and
// tick; a time, duration or frame rate that is not a finite number never gets in. The delegate
// (the graph controller), the panel and the undo manager are not owned and may be absent. Undo
// steps call back into the manager: the undo manager's steps must be dropped before the manager
// goes away. Main thread only.
class ODAnimationManager final : public ODAnimatorDelegate {
public:
  ODAnimationManager();
  ~ODAnimationManager() override;
  ODAnimationManager(const ODAnimationManager&) = delete;
  ODAnimationManager& operator=(const ODAnimationManager&) = delete;

  // ---- Relations (none owned) ----
  ODAnimationManagerDelegate* delegate() const { return delegate_; }
  void setDelegate(ODAnimationManagerDelegate* delegate) { delegate_ = delegate; }
  pf::UndoManager* undoManager() const { return undoManager_; }
  void setUndoManager(pf::UndoManager* undoManager) { undoManager_ = undoManager; }
  ODAnimationPanel* panel() const { return panel_; }
  void setPanel(ODAnimationPanel* panel) { panel_ = panel; }

  // ---- Playback ----
  void play();
  void pause();
  bool isPlaying() const { return isPlaying_; }
  // Starting arms the playback timer on the current run loop (refused, logged, without one).
  void setIsPlaying(bool playing);
  // One tick: one frame on, wrapping to 0 (loop) or stopping at the end.
  void animate();
  void animationPlayPause();

  // ---- Time ----
  double currentTime() const { return currentTime_; }
  // Applies the time when it differs from the current one. A time that is not a number is
  // refused (logged); a negative one becomes 0.
  void setCurrentTime(double time);
  void setCurrentTime(double time, bool withUpdate);
  void animateWithTime(double time);
  void animateWithCurrentTime();

  // ---- Settings, without undo or interface refresh ----
  double duration() const { return duration_; }
  // A duration that is not above 0 and finite is refused (logged).
  void setDuration(double duration);
  double framerate() const { return framerate_; }  // frames per second
  // A frame rate that is not above 0 and finite is refused (logged).
  void setFramerate(double framerate);
  bool loop() const { return loop_; }
  void setLoop(bool loop) { loop_ = loop; }
  bool allowAnimatorSelection() const { return allowAnimatorSelection_; }
  void setAllowAnimatorSelection(bool allow) { allowAnimatorSelection_ = allow; }
  const std::vector<std::unique_ptr<ODAnimator>>& animators() const { return animators_; }

  // ---- Time strings ----
  // "ss:hh" under a minute, "m:ss:hh" from a minute on (hundredths), rounded to the hundredth.
  static std::string stringForTime(double timeSeconds);
  // Reads "ss:hh", "m:ss:hh" or a plain number; always a finite number (0 for text without one).
  static double timeFromString(std::string_view text);

  // ---- Panel actions ----
  // The current-time field was edited. The time is clamped to [0, duration].
  void animationTimeChanged(const std::string& timeText);
  // A button by its tag: -1 goes to the start, 1 to the end; other tags keep the time.
  void animationTimeChangedWithTag(int tag);
  // The duration field was edited: an undoable change, refused with an alert when not above 0.
  void animationDurationChanged(const std::string& durationText);
  // The frame-rate field was edited: an undoable change, refused with an alert when not above 0.
  void animationFramerateChanged(const std::string& framerateText);
  // The loop switch was toggled: an undoable change.
  void animationLoopChanged(bool loop);
  // Shows the settings and the current time in the panel.
  void updateInterface();

  // ---- Registry ----
  // The first animator of the target (and property); nullptr when none, or for a target
  // without identifier.
  ODAnimator* animatorForTarget(const ODAnimatorTarget* target) const;
  ODAnimator* animatorForTarget(const ODAnimatorTarget* target, const std::string& propertyName) const;
  // A new animator without keyframes (undoable, "add %@ animation"); nullptr (logged) for a
  // missing target or property, or when the target's property has an animator already.
  ODAnimator* addAnimatorForTarget(ODAnimatorTarget* target, const std::string& propertyName);
  // Removes and destroys the animator (undoable); its target keeps its last value.
  void removeAnimator(ODAnimator* animator);

  // ---- Selection and timeline ----
  void selectAnimator(ODAnimator* animator);
  void animatorParameterClicked(ODAnimator* animator);
  // The timeline's selected keyframe; nullptr when none or without a panel.
  ODAnimatorKeyframe* selectedKeyframe() const;
  // Every animator's row refreshes.
  void updateTimelineAnimators();
  // A keyframe drag: everything between the two is one undo step.
  void startChangingAnimator(ODAnimator* animator);
  void finishChangingAnimator(ODAnimator* animator);

  // ---- ODAnimatorDelegate ----
  void animatorChanged(ODAnimator* animator) override;
  void storeAnimatorUndoState(const pf::PlistValue::Dictionary& state, ODAnimator* animator,
                              const std::optional<std::string>& actionName) override;

  // ---- Undo steps ----
  void revertAnimatorUndoState(const pf::PlistValue::Dictionary& state);
  void revertAddingAnimator(const pf::PlistValue::Dictionary& record);
  void revertRemovingAnimator(const pf::PlistValue::Dictionary& record);
  void revertDuration(double duration);
  void revertFramerate(double framerate);
  void revertLoop(bool loop);

  // ---- Records ----
  // {"currentTime", "duration", "framerate", "loop", "Animators"}; "Animators" is left out when
  // there are none.
  pf::PlistValue::Dictionary descriptionDictionary() const;
  // Repairs invalid values with a logged warning (duration 1, current time 0, frame rate 10) and
  // drops animators whose target cannot be found. Needs the delegate: without one nothing loads.
  // A record with "Animators" replaces the whole list, and the panel rebuilds its rows before
  // the old animators go.
  void loadDescriptionDictionary(const pf::PlistValue::Dictionary& record);

private:
  // The animator for the identifier and property in the list; nullptr when none.
  ODAnimator* animatorWithIdentifier(const std::string& identifier, const std::string& propertyName) const;
  void changeDuration(double duration);
  void changeFramerate(double framerate);
  void changeLoop(bool loop);
  // Names the undo step unless an undo is running (the redo step keeps the undone name).
  void setUndoActionName(const std::string& actionName);

  std::vector<std::unique_ptr<ODAnimator>> animators_;
  pf::Timer animationTimer_;
  bool loop_ = true;
  bool isPlaying_ = false;
  bool allowAnimatorSelection_ = true;
  double framerate_ = 30.0;
  double currentTime_ = 0.0;
  double duration_ = 5.0;
  ODAnimationManagerDelegate* delegate_ = nullptr;  // the graph controller, outlives this
  pf::UndoManager* undoManager_ = nullptr;          // the document's, outlives this
  ODAnimationPanel* panel_ = nullptr;               // the window's, clears itself; told when this goes
};
