#pragma once

#include <functional>

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "MorvNode/Interface/ODMenuButton.h"
#include "Shared/ODAnimation/ODAnimationPanel.h"

class ODAnimationManager;
class ODSegmentedControl;
class ODTimelineView;
class QCheckBox;
class QLineEdit;
class QScrollArea;
class QToolButton;

// The animation panel of a document window: go-to-start, play/pause and go-to-end, the
// current-time, duration and frame-rate fields, the loop switch, the selected keyframe's editor,
// the add-animation button and, below them, the timeline in a scroll area. The animation
// manager drives it through ODAnimationPanel; its controls call the manager's panel actions,
// which refuse bad input with an alert and register undo. The manager is not owned; whichever of
// the two goes first detaches the other. Main thread only.
class ODAnimationPanelView final : public QWidget, public ODAnimationPanel, public ODMenuButtonMenuDelegate {
public:
  explicit ODAnimationPanelView(QWidget* parent = nullptr);
  ~ODAnimationPanelView() override;

  ODAnimationManager* animationManager() const { return animationManager_; }
  // Becomes the manager's panel and shows its animation; nullptr detaches.
  void setAnimationManager(ODAnimationManager* manager);
  // Builds the add-animation button's menu (the graph's animatable properties) each time the
  // button is pressed (on press, below the button), as a new menu owned by the given parent;
  // without a provider, or when it gives nullptr, nothing opens.
  void setAddAnimationMenuProvider(std::function<QMenu*(QWidget* parent)> provider)
  {
    menuProvider_ = std::move(provider);
  }
  // The menu the button opened last; nullptr once it has closed.
  QMenu* addAnimationMenu() const { return addAnimationMenu_; }

  ODTimelineView* timelineView() const { return timelineView_; }
  QScrollArea* scrollView() const { return scrollView_; }
  // The controls, for the window's shortcuts and for tests.
  QToolButton* playButton() const { return playButton_; }
  QToolButton* goToStartButton() const { return goToStartButton_; }
  QToolButton* goToEndButton() const { return goToEndButton_; }
  QLineEdit* currentTimeField() const { return currentTimeField_; }
  QLineEdit* durationField() const { return durationField_; }
  QLineEdit* framerateField() const { return framerateField_; }
  QCheckBox* loopButton() const { return loopButton_; }
  QWidget* keyframeControls() const { return keyframeControls_; }
  QLineEdit* keyframeTimeField() const { return keyframeTimeField_; }
  QLineEdit* keyframeValueField() const { return keyframeValueField_; }
  ODSegmentedControl* easeInSelector() const { return easeInSelector_; }
  ODSegmentedControl* easeOutSelector() const { return easeOutSelector_; }
  QToolButton* keyframeRemoveButton() const { return keyframeRemoveButton_; }
  ODMenuButton* addAnimationButton() const { return addAnimationButton_; }

  // ---- ODAnimationPanel ----
  void showPlaying(bool playing) override;
  void showCurrentTime(const std::string& timeText) override;
  void showDuration(const std::string& timeText) override;
  void showFramerate(const std::string& framerateText) override;
  void showLoop(bool loop) override;
  void updateTime() override;
  void updateAnimatorItems() override;
  void updateSelectedKeyframeInterface() override;
  void setNeedsDisplay() override;
  ODAnimatorKeyframe* selectedKeyframe() const override;
  void selectKeyframe(ODAnimatorKeyframe* keyframe, ODAnimator* animator) override;
  void animationManagerWillGo() override;

  // ---- ODMenuButtonMenuDelegate (the add-animation button) ----
  QMenu* menuForButton(ODMenuButton& button) override;

private:
  void buildControls();
  // A field's text reached the manager only when the user changed it since it was shown.
  void fieldEdited(QLineEdit* field, const std::function<void(const std::string&)>& action);

  QToolButton* goToStartButton_ = nullptr;  // children from here on
  QToolButton* playButton_ = nullptr;
  QToolButton* goToEndButton_ = nullptr;
  QLineEdit* currentTimeField_ = nullptr;
  QLineEdit* durationField_ = nullptr;
  QLineEdit* framerateField_ = nullptr;
  QCheckBox* loopButton_ = nullptr;
  QWidget* keyframeControls_ = nullptr;
  QLineEdit* keyframeTimeField_ = nullptr;
  QLineEdit* keyframeValueField_ = nullptr;
  ODSegmentedControl* easeInSelector_ = nullptr;
  ODSegmentedControl* easeOutSelector_ = nullptr;
  QToolButton* keyframeRemoveButton_ = nullptr;
  ODMenuButton* addAnimationButton_ = nullptr;
  QPointer<QMenu> addAnimationMenu_;  // deletes itself when closed
  QScrollArea* scrollView_ = nullptr;
  ODTimelineView* timelineView_ = nullptr;
  std::function<QMenu*(QWidget* parent)> menuProvider_;
  ODAnimationManager* animationManager_ = nullptr;  // the document's, detached before it goes
};
