#include "Shared/ODAnimation/Timeline/ODAnimationPanelView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/Timeline/ODSegmentedControl.h"
#include "Shared/ODAnimation/Timeline/ODTimelineAnimatorView.h"
#include "Shared/ODAnimation/Timeline/ODTimelineView.h"
#include "Shared/ODAnimation/Timeline/ODTransportIcons.h"

namespace {

constexpr int kGoToStartTag = -1;
constexpr int kGoToEndTag = 1;

QLineEdit* timeField(QWidget* parent, const QString& toolTip, int width)
{
  auto* field = new QLineEdit(parent);
  field->setToolTip(toolTip);
  field->setFixedWidth(width);
  field->setAlignment(Qt::AlignRight);
  return field;
}

}  // namespace

ODAnimationPanelView::ODAnimationPanelView(QWidget* parent) : QWidget(parent)
{
  buildControls();
}

ODAnimationPanelView::~ODAnimationPanelView()
{
  setAnimationManager(nullptr);
}

void ODAnimationPanelView::buildControls()
{
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->setSpacing(4);
  auto* bar = new QHBoxLayout;
  bar->setSpacing(4);
  layout->addLayout(bar);

  const auto toolButton = [this](ODTransportIcons::Kind icon, const QString& text) {
    auto* button = new QToolButton(this);
    button->setIcon(ODTransportIcons::icon(icon));
    button->setText(text);
    button->setToolTip(text);
    button->setAutoRaise(true);
    return button;
  };
  goToStartButton_ = toolButton(ODTransportIcons::Kind::GoToStart, "Go to Start");
  playButton_ = toolButton(ODTransportIcons::Kind::Play, "Play");
  goToEndButton_ = toolButton(ODTransportIcons::Kind::GoToEnd, "Go to End");
  connect(goToStartButton_, &QToolButton::clicked, this, [this] {
    if (animationManager_ != nullptr) {
      animationManager_->animationTimeChangedWithTag(kGoToStartTag);
    }
  });
  connect(goToEndButton_, &QToolButton::clicked, this, [this] {
    if (animationManager_ != nullptr) {
      animationManager_->animationTimeChangedWithTag(kGoToEndTag);
    }
  });
  connect(playButton_, &QToolButton::clicked, this, [this] {
    if (animationManager_ != nullptr) {
      animationManager_->animationPlayPause();
    }
  });
  bar->addWidget(goToStartButton_);
  bar->addWidget(playButton_);
  bar->addWidget(goToEndButton_);

  currentTimeField_ = timeField(this, "Current time (seconds:hundredths)", 60);
  durationField_ = timeField(this, "Duration of the animation", 60);
  framerateField_ = timeField(this, "Frames per second", 36);
  connect(currentTimeField_, &QLineEdit::editingFinished, this, [this] {
    fieldEdited(currentTimeField_, [this](const std::string& text) { animationManager_->animationTimeChanged(text); });
  });
  connect(durationField_, &QLineEdit::editingFinished, this, [this] {
    fieldEdited(durationField_, [this](const std::string& text) { animationManager_->animationDurationChanged(text); });
  });
  connect(framerateField_, &QLineEdit::editingFinished, this, [this] {
    fieldEdited(framerateField_, [this](const std::string& text) { animationManager_->animationFramerateChanged(text); });
  });
  bar->addWidget(currentTimeField_);
  bar->addSpacing(8);
  bar->addWidget(new QLabel("Duration", this));
  bar->addWidget(durationField_);
  bar->addWidget(new QLabel("FPS", this));
  bar->addWidget(framerateField_);
  loopButton_ = new QCheckBox("Loop", this);
  connect(loopButton_, &QCheckBox::clicked, this, [this](bool checked) {
    if (animationManager_ != nullptr) {
      animationManager_->animationLoopChanged(checked);
    }
  });
  bar->addWidget(loopButton_);
  bar->addStretch(1);
  // The keyframe editor and the add button on a row of their own keep the panel narrow.
  auto* editorBar = new QHBoxLayout;
  editorBar->setSpacing(4);
  layout->addLayout(editorBar);

  keyframeControls_ = new QWidget(this);
  auto* editor = new QHBoxLayout(keyframeControls_);
  editor->setContentsMargins(0, 0, 0, 0);
  editor->setSpacing(4);
  editor->addWidget(new QLabel("Keyframe", keyframeControls_));
  keyframeTimeField_ = timeField(keyframeControls_, "Time of the selected keyframe", 70);
  keyframeValueField_ = timeField(keyframeControls_, "Value of the selected keyframe", 80);
  easeInSelector_ = new ODSegmentedControl("Ease", "Linear", keyframeControls_);
  easeInSelector_->setToolTip("How the animation arrives at the keyframe");
  easeOutSelector_ = new ODSegmentedControl("Linear", "Ease", keyframeControls_);
  easeOutSelector_->setToolTip("How the animation leaves the keyframe");
  keyframeRemoveButton_ = new QToolButton(keyframeControls_);
  keyframeRemoveButton_->setAutoRaise(true);
  keyframeRemoveButton_->setToolTip("Remove the keyframe");
  editor->addWidget(keyframeTimeField_);
  editor->addWidget(keyframeValueField_);
  editor->addWidget(easeInSelector_);
  editor->addWidget(easeOutSelector_);
  editor->addWidget(keyframeRemoveButton_);
  editorBar->addWidget(keyframeControls_);
  editorBar->addStretch(1);

  addAnimationButton_ = new ODMenuButton(this);
  addAnimationButton_->setText("Add Animation");
  addAnimationButton_->setToolTip("Animate a parameter of a node");
  // Room for the chevron at the right edge.
  addAnimationButton_->setMinimumWidth(addAnimationButton_->sizeHint().width() + 16);
  addAnimationButton_->setMenuDelegate(this);
  editorBar->addWidget(addAnimationButton_);

  scrollView_ = new QScrollArea(this);
  scrollView_->setWidgetResizable(true);
  scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  timelineView_ = new ODTimelineView;
  scrollView_->setWidget(timelineView_);
  timelineView_->setScrollView(scrollView_);
  timelineView_->setDefaultFirstResponder(scrollView_);
  timelineView_->setKeyframeEditor({keyframeControls_, keyframeTimeField_, keyframeValueField_, easeInSelector_,
                                    easeOutSelector_, keyframeRemoveButton_, addAnimationButton_});
  layout->addWidget(scrollView_, 1);
}

void ODAnimationPanelView::setAnimationManager(ODAnimationManager* manager)
{
  if (manager == animationManager_) {
    return;
  }
  if (animationManager_ != nullptr && animationManager_->panel() == this) {
    animationManager_->setPanel(nullptr);
  }
  animationManager_ = manager;
  timelineView_->setAnimationManager(manager);
  setEnabled(manager != nullptr);
  if (manager != nullptr) {
    manager->setPanel(this);
    showPlaying(manager->isPlaying());
    manager->updateInterface();
  }
}

QMenu* ODAnimationPanelView::menuForButton(ODMenuButton& button)
{
  if (addAnimationMenu_ != nullptr) {
    addAnimationMenu_->close();
  }
  QMenu* menu = menuProvider_ ? menuProvider_(&button) : nullptr;
  if (menu == nullptr) {
    return nullptr;
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  addAnimationMenu_ = menu;
  return menu;
}

void ODAnimationPanelView::animationManagerWillGo()
{
  // The manager no longer lists this panel; only its rows are let go, while their animators live.
  timelineView_->setAnimationManager(nullptr);
  animationManager_ = nullptr;
  setEnabled(false);
}

void ODAnimationPanelView::fieldEdited(QLineEdit* field, const std::function<void(const std::string&)>& action)
{
  // Focus leaving a field it did not change (an alert taking it, a click elsewhere) is no edit.
  if (animationManager_ == nullptr || !field->isModified()) {
    return;
  }
  field->setModified(false);
  action(field->text().toStdString());
}

// ---- ODAnimationPanel ----

void ODAnimationPanelView::showPlaying(bool playing)
{
  playButton_->setText(playing ? "Pause" : "Play");
  playButton_->setToolTip(playButton_->text());
  playButton_->setIcon(ODTransportIcons::icon(playing ? ODTransportIcons::Kind::Pause : ODTransportIcons::Kind::Play));
}

void ODAnimationPanelView::showCurrentTime(const std::string& timeText)
{
  currentTimeField_->setText(QString::fromStdString(timeText));
}

void ODAnimationPanelView::showDuration(const std::string& timeText)
{
  durationField_->setText(QString::fromStdString(timeText));
}

void ODAnimationPanelView::showFramerate(const std::string& framerateText)
{
  framerateField_->setText(QString::fromStdString(framerateText));
}

void ODAnimationPanelView::showLoop(bool loop)
{
  loopButton_->setChecked(loop);
}

void ODAnimationPanelView::updateTime()
{
  timelineView_->updateTime();
}

void ODAnimationPanelView::updateAnimatorItems()
{
  timelineView_->updateAnimatorItems();
}

void ODAnimationPanelView::updateSelectedKeyframeInterface()
{
  timelineView_->updateSelectedKeyframeInterface();
}

void ODAnimationPanelView::setNeedsDisplay()
{
  timelineView_->setNeedsDisplay();
}

ODAnimatorKeyframe* ODAnimationPanelView::selectedKeyframe() const
{
  return timelineView_->selectedKeyFrame();
}

void ODAnimationPanelView::selectKeyframe(ODAnimatorKeyframe* keyframe, ODAnimator* animator)
{
  ODTimelineAnimatorView* row = timelineView_->rowForAnimator(animator);
  timelineView_->selectKeyFrame(row != nullptr ? keyframe : nullptr, row);
}
