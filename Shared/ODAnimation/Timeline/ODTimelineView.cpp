#include "Shared/ODAnimation/Timeline/ODTimelineView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>

#include "Platform/Numbers.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Shared/ODAnimation/Timeline/ODSegmentedControl.h"
#include "Shared/ODAnimation/Timeline/ODTimelineAnimatorView.h"
#include "Shared/ODAnimation/Timeline/ODTimelineAppearance.h"
#include "Shared/ODAnimation/Timeline/ODTimelineMarkerView.h"

namespace {

constexpr double kDefaultDuration = 1.0;   // seconds, without a manager
constexpr double kDefaultFramerate = 30.0; // frames per second, without a manager
// A very long animation in a narrow view would otherwise draw a tick per fraction of a pixel.
constexpr double kMaxTicks = 10000;

// The value in plain decimals with the fewest fraction digits that read back exactly (up to
// the 17 that any double needs near 1), never in exponent notation.
QString numberText(double value)
{
  if (!std::isfinite(value)) {
    return QStringLiteral("0");
  }
  char text[400];
  for (int digits = 0; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    if (std::strtod(text, nullptr) == value) {
      break;
    }
  }
  QString result = QString::fromLatin1(text);
  return result == QStringLiteral("-0") ? QStringLiteral("0") : result;
}

}  // namespace

ODTimelineView::ODTimelineView(QWidget* parent) : QWidget(parent)
{
  // Focus comes only from the operations below (a keyframe press, a row's label).
  setFocusPolicy(Qt::NoFocus);
  timeMarkerView_ = new ODTimelineMarkerView(this);
  isDarkMode_ = isSystemDarkMode();
  updateIcons();
}

ODTimelineView::~ODTimelineView()
{
  setAnimationManager(nullptr);
}

void ODTimelineView::setAnimationManager(ODAnimationManager* manager)
{
  if (manager == animationManager_) {
    return;
  }
  // The rows of the old manager's animators go while those animators are still alive.
  while (!timelineAnimatorViews_.empty()) {
    removeRow(timelineAnimatorViews_.back());
  }
  selectedKeyFrame_ = nullptr;
  selectedAnimatorView_ = nullptr;
  animationManager_ = manager;
  updateAnimatorItems();
  updateTime();
}

void ODTimelineView::setKeyframeEditor(const KeyframeEditor& editor)
{
  editorControls_ = editor.controls;
  editorTimeField_ = editor.timeField;
  editorValueField_ = editor.valueField;
  editorEaseInSelector_ = editor.easeInSelector;
  editorEaseOutSelector_ = editor.easeOutSelector;
  editorRemoveButton_ = editor.removeButton;
  addAnimationButton_ = editor.addAnimationButton;
  if (editor.timeField != nullptr) {
    connect(editor.timeField, &QLineEdit::editingFinished, this, [this] { changeSelectedKeyframe(editorTimeField_); });
  }
  if (editor.valueField != nullptr) {
    connect(editor.valueField, &QLineEdit::editingFinished, this, [this] { changeSelectedKeyframe(editorValueField_); });
  }
  if (editor.easeInSelector != nullptr) {
    connect(editor.easeInSelector, &ODSegmentedControl::segmentChanged, this,
            [this] { changeSelectedKeyframe(editorEaseInSelector_); });
  }
  if (editor.easeOutSelector != nullptr) {
    connect(editor.easeOutSelector, &ODSegmentedControl::segmentChanged, this,
            [this] { changeSelectedKeyframe(editorEaseOutSelector_); });
  }
  if (editor.removeButton != nullptr) {
    connect(editor.removeButton, &QAbstractButton::clicked, this, [this] { deleteSelectedKeyframe(); });
    editor.removeButton->setIcon(removeButtonIcon_);
  }
  updateSelectedKeyframeInterface();
}

// ---- Time and position ----

double ODTimelineView::duration() const
{
  return animationManager_ != nullptr ? animationManager_->duration() : kDefaultDuration;
}

double ODTimelineView::positionForTime(double time) const
{
  const double d = duration();
  if (d <= 0.0) {
    return kTimeOrigin;
  }
  return kTimeOrigin + time * (width() - kTimeOrigin - kRightMargin) / d;
}

double ODTimelineView::timeForPosition(double x) const
{
  const double d = duration();
  const double axis = width() - kTimeOrigin - kRightMargin;
  // A view too narrow for an axis has only time 0.
  double time = axis > 0.0 && d > 0.0 ? (x - kTimeOrigin) / (axis / d) : 0.0;
  time = std::clamp(time, 0.0, std::max(d, 0.0));
  const double framerate = animationManager_ != nullptr ? animationManager_->framerate() : kDefaultFramerate;
  const double frame = 1.0 / framerate;
  return std::round(time / frame) * frame;
}

// ---- Rows ----

bool ODTimelineView::isManagedAnimator(const ODAnimator* animator) const
{
  if (animationManager_ == nullptr || animator == nullptr) {
    return false;
  }
  const auto& animators = animationManager_->animators();
  return std::any_of(animators.begin(), animators.end(), [animator](const auto& entry) { return entry.get() == animator; });
}

bool ODTimelineView::isLiveRow(const ODTimelineAnimatorView* row) const
{
  return row != nullptr && std::find(timelineAnimatorViews_.begin(), timelineAnimatorViews_.end(), row) !=
                               timelineAnimatorViews_.end() &&
         isManagedAnimator(row->timelineAnimator()) && row->timelineAnimator()->interfaceDelegate() == row;
}

ODTimelineAnimatorView* ODTimelineView::rowForAnimator(const ODAnimator* animator) const
{
  if (!isManagedAnimator(animator)) {
    return nullptr;
  }
  for (ODTimelineAnimatorView* row : timelineAnimatorViews_) {
    if (row->timelineAnimator() == animator && animator->interfaceDelegate() == row) {
      return row;
    }
  }
  return nullptr;
}

void ODTimelineView::updateAnimatorItems()
{
  // Rows whose animator left the list go first. Their animator may already be destroyed (a
  // loaded record replaces the whole list), so only a listed animator is ever touched.
  for (std::size_t index = timelineAnimatorViews_.size(); index-- > 0;) {
    if (!isLiveRow(timelineAnimatorViews_[index])) {
      removeRow(timelineAnimatorViews_[index]);
    }
  }
  if (animationManager_ != nullptr) {
    for (const auto& animator : animationManager_->animators()) {
      if (rowForAnimator(animator.get()) != nullptr) {
        continue;
      }
      auto* row = new ODTimelineAnimatorView(this);
      row->setGeometry(0, 0, width(), ODTimelineAnimatorView::kHeight);
      row->setTimelineAnimator(animator.get());
      row->setTimelineView(this);
      animator->setInterfaceDelegate(row);
      row->initInterface();
      row->show();
      timelineAnimatorViews_.push_back(row);
    }
  }
  layoutRows();
  updateSelectedKeyframeInterface();
}

void ODTimelineView::removeRow(ODTimelineAnimatorView* row)
{
  const auto found = std::find(timelineAnimatorViews_.begin(), timelineAnimatorViews_.end(), row);
  if (found == timelineAnimatorViews_.end()) {
    return;
  }
  if (isManagedAnimator(row->timelineAnimator()) && row->timelineAnimator()->interfaceDelegate() == row) {
    row->timelineAnimator()->setInterfaceDelegate(nullptr);
  }
  if (selectedAnimatorView_ == row) {
    selectedAnimatorView_ = nullptr;
    selectedKeyFrame_ = nullptr;
  }
  timelineAnimatorViews_.erase(found);
  row->setTimelineAnimator(nullptr);
  row->setTimelineView(nullptr);
  row->hide();
  // The row may be running one of its own buttons' actions (its remove button).
  row->deleteLater();
}

int ODTimelineView::contentHeight() const
{
  // An empty timeline keeps the height of one row.
  const int rows = std::max(static_cast<int>(timelineAnimatorViews_.size()), 1);
  int content = ODTimelineAnimatorView::kHeight * rows + kRowTop;
  if (scrollView_ != nullptr) {
    content = std::max(content, scrollView_->height() - 1);
  }
  return content;
}

void ODTimelineView::layoutRows()
{
  for (std::size_t index = 0; index < timelineAnimatorViews_.size(); ++index) {
    ODTimelineAnimatorView* row = timelineAnimatorViews_[index];
    row->setAlternatingRowFlag(index % 2 == 0);
    row->setGeometry(0, kRowTop + kRowSpacing * static_cast<int>(index), width(), ODTimelineAnimatorView::kHeight);
    row->update();
  }
  const int rows = std::max(static_cast<int>(timelineAnimatorViews_.size()), 1);
  setMinimumHeight(ODTimelineAnimatorView::kHeight * rows + kRowTop);
  const int content = contentHeight();
  if (height() != content && (scrollView_ == nullptr || !scrollView_->widgetResizable())) {
    resize(width(), content);
  }
  timeMarkerView_->raise();
}

// ---- Refresh ----

void ODTimelineView::updateTime()
{
  const double time = animationManager_ != nullptr ? animationManager_->currentTime() : 0.0;
  const double x = positionForTime(time) - ODTimelineMarkerView::kWidth / 2.0;
  timeMarkerView_->setGeometry(pf::roundedSaturatingCast<int>(x), 0, ODTimelineMarkerView::kWidth, height());
  timeMarkerView_->raise();
}

void ODTimelineView::setNeedsDisplay()
{
  update();
  for (ODTimelineAnimatorView* row : timelineAnimatorViews_) {
    row->update();
  }
}

void ODTimelineView::updateSelectedKeyframeInterface()
{
  ODAnimatorKeyframe* keyframe = selectedKeyFrame();
  if (keyframe == nullptr) {
    if (editorControls_ != nullptr) {
      editorControls_->hide();
    }
    if (addAnimationButton_ != nullptr) {
      addAnimationButton_->show();
    }
    return;
  }
  if (editorControls_ != nullptr) {
    editorControls_->show();
    if (addAnimationButton_ != nullptr) {
      const bool overlaps = addAnimationButton_->parentWidget() == editorControls_->parentWidget() &&
                            addAnimationButton_->geometry().intersects(editorControls_->geometry());
      addAnimationButton_->setVisible(!overlaps);
    }
  }
  if (editorTimeField_ != nullptr) {
    editorTimeField_->setText(QString::fromStdString(ODAnimationManager::stringForTime(keyframe->timeSeconds())));
  }
  if (editorValueField_ != nullptr) {
    editorValueField_->setText(numberText(keyframe->doubleValue()));
  }
  const ODAnimator* animator = selectedAnimatorView_->timelineAnimator();
  if (editorEaseInSelector_ != nullptr) {
    const bool before = animator->keyFrameBeforeTime(keyframe->timeSeconds()) != nullptr;
    editorEaseInSelector_->setEnabled(before);
    editorEaseInSelector_->setSelectedSegment(!before ? -1 : keyframe->easeInType() == 1 ? 0 : 1);
  }
  if (editorEaseOutSelector_ != nullptr) {
    const bool after = animator->keyFrameAfterTime(keyframe->timeSeconds()) != nullptr;
    editorEaseOutSelector_->setEnabled(after);
    editorEaseOutSelector_->setSelectedSegment(!after ? -1 : keyframe->easeOutType() == 1 ? 1 : 0);
  }
}

// ---- Selection ----

ODAnimatorKeyframe* ODTimelineView::selectedKeyFrame() const
{
  if (selectedKeyFrame_ == nullptr || !isLiveRow(selectedAnimatorView_)) {
    return nullptr;
  }
  const auto& keyframes = selectedAnimatorView_->timelineAnimator()->keyFrames();
  const bool listed = std::any_of(keyframes.begin(), keyframes.end(),
                                  [this](const auto& entry) { return entry.get() == selectedKeyFrame_; });
  return listed ? selectedKeyFrame_ : nullptr;
}

ODTimelineAnimatorView* ODTimelineView::selectedAnimatorView() const
{
  return isLiveRow(selectedAnimatorView_) ? selectedAnimatorView_ : nullptr;
}

void ODTimelineView::selectKeyFrame(ODAnimatorKeyframe* keyframe, ODTimelineAnimatorView* row)
{
  if (selectedAnimatorView_ != nullptr && selectedAnimatorView_ != row && isLiveRow(selectedAnimatorView_)) {
    selectedAnimatorView_->update();
  }
  selectedKeyFrame_ = keyframe;
  selectedAnimatorView_ = row;
  if (row != nullptr) {
    row->update();
  }
  if (keyframe != nullptr && row != nullptr) {
    animatorParameterClicked(row->timelineAnimator());
  }
  updateSelectedKeyframeInterface();
}

void ODTimelineView::animatorParameterClicked(ODAnimator* animator)
{
  if (animationManager_ != nullptr) {
    animationManager_->animatorParameterClicked(animator);
  }
  if (animator != nullptr) {
    if (ODTimelineAnimatorView* row = rowForAnimator(animator)) {
      selectedAnimatorView_ = row;
    }
    setFocus(Qt::OtherFocusReason);
  }
}

void ODTimelineView::removeAnimator(ODAnimator* animator)
{
  if (animationManager_ != nullptr) {
    animationManager_->removeAnimator(animator);
  }
}

void ODTimelineView::animatorViewKeyframesChanged(ODTimelineAnimatorView* row)
{
  // The selected keyframe may have gone with the change (an undone add, a removal).
  if (row == selectedAnimatorView_ && selectedKeyFrame_ != nullptr && selectedKeyFrame() == nullptr) {
    selectedKeyFrame_ = nullptr;
    updateSelectedKeyframeInterface();
  }
}

// ---- Keyframe editor ----

void ODTimelineView::changeSelectedKeyframe(QObject* sender)
{
  ODAnimatorKeyframe* keyframe = selectedKeyFrame();
  if (keyframe == nullptr || sender == nullptr) {
    return;
  }
  if (sender == editorTimeField_) {
    const double time = std::clamp(ODAnimationManager::timeFromString(editorTimeField_->text().toStdString()), 0.0,
                                   duration());
    if (time != keyframe->timeSeconds()) {
      keyframe->setTimeSeconds(time);
    }
  } else if (sender == editorValueField_) {
    const double value = pf::doubleValue(editorValueField_->text().toStdString());
    if (std::isfinite(value) && value != keyframe->doubleValue()) {
      keyframe->setDoubleValue(value);
    }
  } else if (sender == editorEaseInSelector_) {
    keyframe->setEaseInType(editorEaseInSelector_->selectedSegment() == 0 ? 1 : 0);
  } else if (sender == editorEaseOutSelector_) {
    keyframe->setEaseOutType(editorEaseOutSelector_->selectedSegment() == 1 ? 1 : 0);
  }
  if (selectedAnimatorView_ != nullptr) {
    selectedAnimatorView_->update();
  }
  updateSelectedKeyframeInterface();
}

void ODTimelineView::deleteSelectedKeyframe()
{
  ODAnimatorKeyframe* keyframe = selectedKeyFrame();
  if (keyframe == nullptr) {
    return;
  }
  ODAnimator* animator = selectedAnimatorView_->timelineAnimator();
  selectedKeyFrame_ = nullptr;
  if (animator->keyFrames().size() < 2) {
    if (animationManager_ != nullptr) {
      animationManager_->removeAnimator(animator);
    }
  } else {
    animator->removeKeyFrame(keyframe);
  }
  updateSelectedKeyframeInterface();
}

// ---- Drawing ----

bool ODTimelineView::isSystemDarkMode() const
{
  return ODTimelineAppearance::isSystemDark();
}

void ODTimelineView::updateIcons()
{
  removeButtonIcon_ = ODTimelineAppearance::removeIcon(isDarkMode_);
  displayHiddenIcon_ = ODTimelineAppearance::displayHiddenIcon(isDarkMode_);
  displayVisibleIcon_ = ODTimelineAppearance::displayVisibleIcon(isDarkMode_);
  warningIcon_ = ODTimelineAppearance::warningIcon();
  if (editorRemoveButton_ != nullptr) {
    editorRemoveButton_->setIcon(removeButtonIcon_);
  }
}

QIcon ODTimelineView::animatorViewRemoveIcon() const
{
  return removeButtonIcon_;
}

QIcon ODTimelineView::animatorViewDisplayHiddenIcon() const
{
  return displayHiddenIcon_;
}

QIcon ODTimelineView::animatorViewDisplayVisibleIcon() const
{
  return displayVisibleIcon_;
}

QIcon ODTimelineView::animatorViewWarningIcon() const
{
  return warningIcon_;
}

void ODTimelineView::paintEvent(QPaintEvent*)
{
  if (isSystemDarkMode() != isDarkMode_) {
    isDarkMode_ = !isDarkMode_;
    updateIcons();
  }
  QPainter painter(this);
  renderBackground(painter);
  renderTimeScale(painter);
}

void ODTimelineView::renderBackground(QPainter& painter) const
{
  QColor color = palette().color(QPalette::Highlight);
  if (const std::optional<QColor> named = ODTimelineAppearance::namedColor("DragEditBackground", isDarkMode_)) {
    color = *named;
  }
  for (const ODTimelineAnimatorView* row : timelineAnimatorViews_) {
    if (isLiveRow(row) && row->timelineAnimator()->selected()) {
      const QRect frame = row->geometry();
      painter.fillRect(QRect(frame.x(), frame.y() + 2, frame.width(), frame.height() - 4), color);
    }
  }
}

void ODTimelineView::renderTimeScale(QPainter& painter) const
{
  QColor color = painter.pen().color();
  if (const std::optional<QColor> named = ODTimelineAppearance::namedColor("GraphAxisColor", isDarkMode_)) {
    color = *named;
  } else {
    FeedbackManager::log("Warning, TimelineView could not get GraphAxisColor to renderTimeScale");
  }
  painter.setPen(QPen(color, 1.0));
  const double d = duration();
  if (!(d > 0.0)) {
    return;
  }
  const double pointsPerSecond = (positionForTime(d) - positionForTime(0.0)) / d;
  double step = tickStep(pointsPerSecond, animationManager_ != nullptr ? animationManager_->framerate() : 0.0);
  if (d / step > kMaxTicks) {
    step *= std::ceil(d / step / kMaxTicks);
  }
  const double major = majorTickUnit(pointsPerSecond);
  const double bottom = height();
  for (long long index = 0;; ++index) {
    const double time = static_cast<double>(index) * step;
    if (time > d + 0.001) {
      break;
    }
    const double x = positionForTime(time);
    const bool full = std::fabs(time - std::round(time / major) * major) < 0.000001;
    painter.drawLine(QPointF(x, 1.0), QPointF(x, full ? bottom : 6.0));
  }
}

double ODTimelineView::tickStep(double pointsPerSecond, double framerate)
{
  const double step = pointsPerSecond < 5    ? 5.0
                      : pointsPerSecond < 10  ? 1.0
                      : pointsPerSecond < 20  ? 0.5
                      : pointsPerSecond < 50  ? 0.2
                      : pointsPerSecond < 100 ? 0.1
                                              : 1.0 / 30.0;
  return framerate > 0.0 ? std::max(step, 1.0 / framerate) : step;
}

double ODTimelineView::majorTickUnit(double pointsPerSecond)
{
  return pointsPerSecond < 10 ? 60.0 : 1.0;
}

// ---- Events ----

void ODTimelineView::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  layoutRows();
  updateTime();
}

void ODTimelineView::mousePressEvent(QMouseEvent* event)
{
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const QPointF point = event->position();
  double time = timeForPosition(point.x());
  bool hit = false;
  for (ODTimelineAnimatorView* row : timelineAnimatorViews_) {
    if (!row->geometry().contains(point.toPoint())) {
      continue;
    }
    if (ODAnimatorKeyframe* keyframe = row->keyframeNearPosition(point.x())) {
      selectKeyFrame(keyframe, row);
      setFocus(Qt::MouseFocusReason);
      time = keyframe->timeSeconds();
      hit = true;
      break;
    }
  }
  if (!hit) {
    selectKeyFrame(nullptr, selectedAnimatorView());
    if (defaultFirstResponder_ != nullptr) {
      defaultFirstResponder_->setFocus(Qt::MouseFocusReason);
    }
  }
  isDraggingKeyframe_ = false;
  isDraggingKeyframeCopy_ = false;
  if (animationManager_ == nullptr) {
    pausedOnMouseDown_ = false;
    return;
  }
  const bool playing = animationManager_->isPlaying();
  if (!(hit && playing)) {
    animationManager_->setCurrentTime(time);
  }
  pausedOnMouseDown_ = playing;
  if (playing) {
    animationManager_->pause();
  }
}

void ODTimelineView::mouseMoveEvent(QMouseEvent* event)
{
  if (!(event->buttons() & Qt::LeftButton) || animationManager_ == nullptr) {
    event->ignore();
    return;
  }
  const double time = timeForPosition(event->position().x());
  ODAnimatorKeyframe* keyframe = selectedKeyFrame();
  ODAnimator* animator = keyframe != nullptr ? selectedAnimatorView_->timelineAnimator() : nullptr;
  if (animator != nullptr) {
    if (!isDraggingKeyframe_) {
      animationManager_->startChangingAnimator(animator);
      isDraggingKeyframe_ = true;
    }
    // A keyframe is never dropped onto another one's time: the drag waits until the time is free.
    if (animator->keyFrameAtTime(time) == nullptr) {
      const bool copying = event->modifiers() & (Qt::AltModifier | Qt::ControlModifier);
      if (copying && !isDraggingKeyframeCopy_ && time != keyframe->timeSeconds()) {
        ODAnimatorKeyframe* copy = animator->addKeyframeWithValue(keyframe->doubleValue(), time);
        if (copy != nullptr) {
          copy->setEaseInType(keyframe->easeInType());
          copy->setEaseOutType(keyframe->easeOutType());
          selectedKeyFrame_ = copy;
          keyframe = copy;
          isDraggingKeyframeCopy_ = true;
        }
      }
      keyframe->setTimeSeconds(time);
      selectedAnimatorView_->update();
      updateSelectedKeyframeInterface();
    }
  }
  if (!animationManager_->isPlaying() && !pausedOnMouseDown_) {
    animationManager_->setCurrentTime(time);
  }
}

void ODTimelineView::mouseReleaseEvent(QMouseEvent* event)
{
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  if (pausedOnMouseDown_ && animationManager_ != nullptr) {
    pausedOnMouseDown_ = false;
    animationManager_->play();
  }
  if (isDraggingKeyframe_) {
    isDraggingKeyframe_ = false;
    if (animationManager_ != nullptr) {
      animationManager_->finishChangingAnimator(selectedAnimatorView() != nullptr ? selectedAnimatorView_->timelineAnimator()
                                                                                : nullptr);
    }
  }
}

void ODTimelineView::keyPressEvent(QKeyEvent* event)
{
  FeedbackManager::log("TimelineView key event! code:%d", event->key());
  if (animationManager_ == nullptr) {
    return;
  }
  switch (event->key()) {
    case Qt::Key_Space:
      animationManager_->animationPlayPause();
      break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
      if (selectedKeyFrame() != nullptr) {
        deleteSelectedKeyframe();
      } else if (ODTimelineAnimatorView* row = selectedAnimatorView()) {
        animationManager_->removeAnimator(row->timelineAnimator());
      }
      break;
    default:
      break;
  }
  // Other keys stop here.
  event->accept();
}

void ODTimelineView::focusInEvent(QFocusEvent* event)
{
  QWidget::focusInEvent(event);
  setNeedsDisplay();
}

void ODTimelineView::focusOutEvent(QFocusEvent* event)
{
  QWidget::focusOutEvent(event);
  if (ODTimelineAnimatorView* row = selectedAnimatorView()) {
    row->update();
  }
}
