#include "Shared/ODAnimation/Timeline/ODTimelineAnimatorView.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

#include "Platform/Bitmap.h"
#include "Platform/Image.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Shared/ODAnimation/ODAnimatorTarget.h"
#include "Shared/ODAnimation/Timeline/ODTimelineAnimatorViewDelegate.h"
#include "Shared/ODAnimation/Timeline/ODTimelineAppearance.h"

namespace {

constexpr double kInactiveAlpha = 0.4;
constexpr int kButtonSize = 20;
constexpr int kButtonY = 3;        // y-up, from the parameter label's middle
constexpr int kRemoveButtonX = 110;
constexpr int kToggleButtonX = 130;

// A button with no look of its own over the label area: a click on it selects the animator
// instead of reaching the timeline.
class TransparentButton final : public QAbstractButton {
public:
  using QAbstractButton::QAbstractButton;

protected:
  void paintEvent(QPaintEvent*) override {}
};

QPixmap pixmapOfIcon(const pf::Image& image)
{
  const std::optional<pf::Bitmap> bitmap = image.renderedBitmap(2.0);
  if (!bitmap || bitmap->width() <= 0 || bitmap->height() <= 0) {
    return {};
  }
  const QImage view(reinterpret_cast<const uchar*>(bitmap->data()), bitmap->width(), bitmap->height(),
                    static_cast<qsizetype>(bitmap->stride()), QImage::Format_ARGB32_Premultiplied);
  return QPixmap::fromImage(view.copy());
}

QColor withAlphaFactor(QColor color, double factor)
{
  color.setAlphaF(static_cast<float>(color.alphaF() * factor));
  return color;
}

}  // namespace

ODTimelineAnimatorView::ODTimelineAnimatorView(QWidget* parent) : QWidget(parent)
{
  setMouseTracking(true);
}

ODTimelineAnimatorView::~ODTimelineAnimatorView() = default;

QRect ODTimelineAnimatorView::flipped(int x, int y, int width, int height) const
{
  return QRect(x, this->height() - y - height, width, height);
}

// ---- Building ----

void ODTimelineAnimatorView::initInterface()
{
  if (parameterNameLabel_ != nullptr) {
    return;
  }
  const int h = height();
  ODAnimatorTarget* target = timelineAnimator_ != nullptr ? timelineAnimator_->target() : nullptr;
  const std::shared_ptr<const pf::Image> icon = target != nullptr ? target->animatorIcon() : nullptr;
  int x0 = 10;
  if (icon != nullptr) {
    const QPixmap pixmap = pixmapOfIcon(*icon);
    if (!pixmap.isNull()) {
      animatorIconView_ = new QLabel(this);
      animatorIconView_->setGeometry(flipped(10, 8, 20, 20));
      animatorIconView_->setAlignment(Qt::AlignCenter);
      QPixmap scaled = pixmap.scaled(QSize(40, 40), Qt::KeepAspectRatio, Qt::SmoothTransformation);
      scaled.setDevicePixelRatio(2.0);
      animatorIconView_->setPixmap(scaled);
      x0 = 32;
    }
  }
  const int labelWidth = static_cast<int>(kLabelColumnWidth) - x0 + 5;
  isDarkMode_ = timelineView_ != nullptr ? timelineView_->isSystemDarkMode() : ODTimelineAppearance::isSystemDark();
  QPalette labelPalette = palette();
  if (const std::optional<QColor> color = ODTimelineAppearance::namedColor("LabelTextColor", isDarkMode_)) {
    labelPalette.setColor(QPalette::WindowText, *color);
  }

  ownerNameLabel_ = new QLabel(this);
  ownerNameLabel_->setGeometry(flipped(x0, 19, labelWidth, 12));
  QFont ownerFont = font();
  ownerFont.setPixelSize(9);
  ownerNameLabel_->setFont(ownerFont);
  QPalette ownerPalette = labelPalette;
  ownerPalette.setColor(QPalette::WindowText, withAlphaFactor(labelPalette.color(QPalette::WindowText), 0.7));
  ownerNameLabel_->setPalette(ownerPalette);

  parameterNameLabel_ = new QLabel(this);
  parameterNameLabel_->setGeometry(flipped(x0, 4, labelWidth, 16));
  QFont parameterFont = font();
  parameterFont.setPixelSize(11);
  parameterNameLabel_->setFont(parameterFont);
  parameterNameLabel_->setPalette(labelPalette);

  enableToggleButton_ = new QToolButton(this);
  enableToggleButton_->setGeometry(flipped(kToggleButtonX, kButtonY, kButtonSize, kButtonSize));
  enableToggleButton_->setAutoRaise(true);
  enableToggleButton_->setCheckable(true);
  QIcon toggleIcon;
  if (timelineView_ != nullptr) {
    const QSize size(16, 16);
    toggleIcon.addPixmap(timelineView_->animatorViewDisplayHiddenIcon().pixmap(size, 2.0), QIcon::Normal, QIcon::Off);
    toggleIcon.addPixmap(timelineView_->animatorViewDisplayVisibleIcon().pixmap(size, 2.0), QIcon::Normal, QIcon::On);
  }
  enableToggleButton_->setIcon(toggleIcon);
  enableToggleButton_->setIconSize(QSize(16, 16));
  enableToggleButton_->setToolTip("Temporarily enable/disable animation of this parameter");
  connect(enableToggleButton_, &QToolButton::clicked, this, [this] { enableToggleButtonPressed(); });

  warningIconView_ = new QLabel(this);
  warningIconView_->setGeometry(flipped(kToggleButtonX + 2, kButtonY + 2 + 3, 16, 16));
  const QIcon warning =
      timelineView_ != nullptr ? timelineView_->animatorViewWarningIcon() : ODTimelineAppearance::warningIcon();
  warningIconView_->setPixmap(warning.pixmap(QSize(16, 16), 2.0));
  warningIconView_->setToolTip(
      "The property this animation controls is currently not available, it may be disabled or controlled by "
      "something else");
  warningIconView_->hide();

  removeButton_ = new QToolButton(this);
  removeButton_->setGeometry(flipped(kRemoveButtonX, kButtonY, kButtonSize, kButtonSize));
  removeButton_->setAutoRaise(true);
  if (timelineView_ != nullptr) {
    removeButton_->setIcon(timelineView_->animatorViewRemoveIcon());
  }
  removeButton_->setIconSize(QSize(16, 16));
  removeButton_->setToolTip("Remove all animation of this parameter");
  removeButton_->hide();
  connect(removeButton_, &QToolButton::clicked, this, [this] { removeButtonPressed(); });

  parameterSelectButton_ = new TransparentButton(this);
  parameterSelectButton_->setGeometry(flipped(0, 0, kRemoveButtonX, h));
  parameterSelectButton_->setFocusPolicy(Qt::NoFocus);
  connect(parameterSelectButton_, &QAbstractButton::clicked, this, [this] { selectParameterButtonPressed(); });
  // Over the labels, under the buttons.
  parameterSelectButton_->stackUnder(removeButton_);

  updateInterface();
}

// ---- Refreshing ----

void ODTimelineAnimatorView::updateInterface()
{
  if (timelineAnimator_ != nullptr && parameterNameLabel_ != nullptr) {
    if (ODAnimatorTarget* target = timelineAnimator_->target()) {
      parameterName_ = QString::fromStdString(target->animatorDisplayNameWithProperty(timelineAnimator_->propertyName()));
      ownerName_ = QString::fromStdString(target->animatorOwnerDisplayName());
      parameterNameLabel_->setToolTip(parameterName_);
      const bool hideWarning = target->animatorCanAnimateProperty(timelineAnimator_->propertyName());
      if (warningIconView_->isHidden() != hideWarning) {
        warningIconView_->setVisible(!hideWarning);
        update();
      }
    }
    enableToggleButton_->setChecked(timelineAnimator_->enabled());
  }
  updateBackground();
  updateHoverInterface();
}

void ODTimelineAnimatorView::updateHoverInterface()
{
  if (parameterNameLabel_ == nullptr) {
    return;
  }
  const bool enabled = timelineAnimator_ == nullptr || timelineAnimator_->enabled();
  const bool warning = !warningIconView_->isHidden();
  // The toggle and the warning share one place.
  enableToggleButton_->setVisible(!(!mouseOverFlag_ && enabled) && !warning);
  removeButton_->setVisible(mouseOverFlag_);
  int width = static_cast<int>(kLabelColumnWidth) - parameterNameLabel_->x() - 5;
  if (mouseOverFlag_) {
    width -= 50;
  } else if (!(warningIconView_->isHidden() && enableToggleButton_->isHidden())) {
    width -= 25;
  }
  parameterNameLabel_->resize(std::max(width, 0), parameterNameLabel_->height());
  setLabelTexts();
}

void ODTimelineAnimatorView::setLabelTexts()
{
  const auto elided = [](QLabel* label, const QString& text) {
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->width()));
  };
  elided(parameterNameLabel_, parameterName_);
  elided(ownerNameLabel_, ownerName_);
}

void ODTimelineAnimatorView::updateBackground()
{
  // The band is painted with the row; a change of the flag needs a repaint only.
  update();
}

bool ODTimelineAnimatorView::showsWarning() const
{
  return warningIconView_ != nullptr && !warningIconView_->isHidden();
}

// ---- Buttons ----

void ODTimelineAnimatorView::selectParameterButtonPressed()
{
  if (timelineAnimator_ != nullptr && timelineView_ != nullptr) {
    timelineView_->animatorParameterClicked(timelineAnimator_);
  }
}

void ODTimelineAnimatorView::removeButtonPressed()
{
  if (timelineAnimator_ != nullptr && timelineView_ != nullptr) {
    timelineView_->removeAnimator(timelineAnimator_);
  }
}

void ODTimelineAnimatorView::enableToggleButtonPressed()
{
  if (timelineAnimator_ != nullptr) {
    timelineAnimator_->setEnabled(!timelineAnimator_->enabled());
  } else if (enableToggleButton_ != nullptr) {
    enableToggleButton_->setChecked(false);
  }
}

// ---- Hover ----

void ODTimelineAnimatorView::enterEvent(QEnterEvent* event)
{
  mouseOverFlag_ = true;
  updateHoverInterface();
  QWidget::enterEvent(event);
}

void ODTimelineAnimatorView::leaveEvent(QEvent* event)
{
  mouseOverFlag_ = false;
  setMouseOverKeyframe(nullptr);
  updateHoverInterface();
  QWidget::leaveEvent(event);
}

void ODTimelineAnimatorView::mouseMoveEvent(QMouseEvent* event)
{
  if (event->buttons() == Qt::NoButton) {
    setMouseOverKeyframe(keyframeNearPosition(event->position().x()));
  }
  // The timeline handles drags.
  event->ignore();
}

void ODTimelineAnimatorView::setMouseOverKeyframe(ODAnimatorKeyframe* keyframe)
{
  if (keyframe != mouseOverKeyframe_) {
    mouseOverKeyframe_ = keyframe;
    update();
  }
}

ODAnimatorKeyframe* ODTimelineAnimatorView::keyframeNearPosition(double x) const
{
  if (timelineAnimator_ == nullptr || timelineView_ == nullptr) {
    return nullptr;
  }
  for (const auto& keyframe : timelineAnimator_->keyFrames()) {
    if (std::fabs(timelineView_->positionForTime(keyframe->timeSeconds()) - x) < kKeyframeHitRange) {
      return keyframe.get();
    }
  }
  return nullptr;
}

bool ODTimelineAnimatorView::hasKeyframe(const ODAnimatorKeyframe* keyframe) const
{
  if (timelineAnimator_ == nullptr || keyframe == nullptr) {
    return false;
  }
  const auto& keyframes = timelineAnimator_->keyFrames();
  return std::any_of(keyframes.begin(), keyframes.end(), [keyframe](const auto& entry) { return entry.get() == keyframe; });
}

void ODTimelineAnimatorView::animatorChanged(ODAnimator*)
{
  // A keyframe this change removed is destroyed right after it: let go of it now.
  if (mouseOverKeyframe_ != nullptr && !hasKeyframe(mouseOverKeyframe_)) {
    mouseOverKeyframe_ = nullptr;
  }
  if (timelineView_ != nullptr) {
    timelineView_->animatorViewKeyframesChanged(this);
  }
  updateInterface();
  update();
}

// ---- Drawing ----

double ODTimelineAnimatorView::positionForValue(double value) const
{
  const double h = height();
  if (valueScaleMax_ == valueScaleMin_) {
    return 10.0 + (h - 20.0) / 2.0;
  }
  return 10.0 + (h - 20.0) * (value - valueScaleMin_) / (valueScaleMax_ - valueScaleMin_);
}

void ODTimelineAnimatorView::setupValueScale()
{
  valueScaleMin_ = 0.0;
  valueScaleMax_ = 0.0;
  if (timelineAnimator_ == nullptr) {
    return;
  }
  for (const auto& keyframe : timelineAnimator_->keyFrames()) {
    const double value = keyframe->doubleValue();
    if (std::isfinite(value)) {
      valueScaleMin_ = std::min(valueScaleMin_, value);
      valueScaleMax_ = std::max(valueScaleMax_, value);
    }
  }
}

void ODTimelineAnimatorView::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  if (alternatingRowFlag_) {
    painter.fillRect(QRectF(0, 2, width(), height() - 4), withAlphaFactor(palette().color(QPalette::WindowText), 0.05));
  }
  if (timelineAnimator_ == nullptr || timelineView_ == nullptr) {
    return;
  }
  setupValueScale();
  const ODAnimatorTarget* target = timelineAnimator_->target();
  const bool active = timelineAnimator_->enabled() && target != nullptr &&
                      target->animatorCanAnimateProperty(timelineAnimator_->propertyName());
  valueCurveAlpha_ = active ? 1.0 : kInactiveAlpha;
  // The axis and the curve change with the keyframes, the size and the appearance only: a
  // repaint for anything else (a scrub, a hover, a selection) draws the kept picture.
  std::vector<double> signature = curveSignature();
  const qreal ratio = devicePixelRatioF();
  if (curveCache_.isNull() || signature != curveCacheSignature_) {
    curveCache_ = QPixmap(size() * ratio);
    curveCache_.setDevicePixelRatio(ratio);
    curveCache_.fill(Qt::transparent);
    QPainter curvePainter(&curveCache_);
    curvePainter.setRenderHint(QPainter::Antialiasing);
    curvePainter.translate(0, height());  // the graph is y-up
    curvePainter.scale(1, -1);
    renderTimeScale(curvePainter);
    renderValueCurve(curvePainter);
    curveCacheSignature_ = std::move(signature);
  }
  painter.drawPixmap(0, 0, curveCache_);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(0, height());
  painter.scale(1, -1);
  renderKeyFrames(painter);
}

std::vector<double> ODTimelineAnimatorView::curveSignature() const
{
  const double duration = timelineView_->duration();
  std::vector<double> signature{static_cast<double>(width()),
                                static_cast<double>(height()),
                                devicePixelRatioF(),
                                isDarkMode_ ? 1.0 : 0.0,
                                timelineAnimator_->enabled() ? 1.0 : 0.0,
                                valueCurveAlpha_,
                                valueScaleMin_,
                                valueScaleMax_,
                                duration,
                                timelineView_->positionForTime(0.0),
                                timelineView_->positionForTime(duration)};
  signature.reserve(signature.size() + 4 * timelineAnimator_->keyFrames().size());
  for (const auto& keyframe : timelineAnimator_->keyFrames()) {
    signature.insert(signature.end(), {keyframe->timeSeconds(), keyframe->doubleValue(),
                                       static_cast<double>(keyframe->easeInType()),
                                       static_cast<double>(keyframe->easeOutType())});
  }
  return signature;
}

void ODTimelineAnimatorView::renderTimeScale(QPainter& painter) const
{
  QColor color = painter.pen().color();
  if (const std::optional<QColor> named = ODTimelineAppearance::namedColor("GraphAxisColor", isDarkMode_)) {
    color = withAlphaFactor(*named, timelineAnimator_->enabled() ? 1.0 : kInactiveAlpha);
  } else {
    FeedbackManager::log("Warning, TimelineAnimatorView could not get GraphAxisColor to axis");
  }
  painter.setPen(QPen(color, 1.0));
  const double zero = positionForValue(0.0);
  painter.drawLine(QPointF(timelineView_->positionForTime(0.0), zero),
                   QPointF(timelineView_->positionForTime(timelineView_->duration()), zero));
}

void ODTimelineAnimatorView::renderValueCurve(QPainter& painter) const
{
  if (timelineAnimator_->keyFrames().empty()) {
    return;
  }
  const double duration = timelineView_->duration();
  QPen pen(painter.pen().color(), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  if (const std::optional<QColor> named = ODTimelineAppearance::namedColor("GraphLineStrokeColor", isDarkMode_)) {
    pen.setColor(withAlphaFactor(*named, valueCurveAlpha_));
  } else {
    FeedbackManager::log("Warning, TimelineAnimatorView could not get GraphLineStrokeColor to renderValueCurve");
  }
  // One sample every 3 points; a row narrower than that still samples both ends. Samples along
  // a straight stretch merge into one segment: the round joins of the stroke cost by corner.
  const double step = duration / std::max(width() / 3.0, 1.0);
  double time = 0.0;
  QPolygonF samples;
  samples.reserve(static_cast<qsizetype>(width() / 3.0) + 3);
  auto addSample = [this, &samples](double sampleTime) {
    const QPointF point(timelineView_->positionForTime(sampleTime),
                        positionForValue(timelineAnimator_->doubleValueForTime(sampleTime)));
    const qsizetype count = samples.size();
    if (count >= 2 && continuesStraight(samples[count - 2], samples[count - 1], point)) {
      samples[count - 1] = point;
    } else {
      samples.append(point);
    }
  };
  addSample(0.0);
  if (step > 0.0 && std::isfinite(step)) {
    while (time <= duration) {
      time += step;
      addSample(time);
    }
  }
  QPainterPath path;
  path.addPolygon(samples);
  painter.strokePath(path, pen);

  const double zero = positionForValue(0.0);
  path.lineTo(timelineView_->positionForTime(time), zero);
  path.lineTo(timelineView_->positionForTime(0.0), zero);
  QColor fill = painter.pen().color();
  if (const std::optional<QColor> named = ODTimelineAppearance::namedColor("GraphLineFillColor", isDarkMode_)) {
    fill = withAlphaFactor(*named, valueCurveAlpha_);
  } else {
    FeedbackManager::log("Warning, TimelineAnimatorView could not get GraphLineFillColor to renderValueCurve");
  }
  painter.fillPath(path, fill);
}

bool ODTimelineAnimatorView::continuesStraight(QPointF a, QPointF b, QPointF c)
{
  // b lies between a and c, within a twentieth of a point of the line from a to c.
  const QPointF ac = c - a;
  const QPointF ab = b - a;
  const double length = std::hypot(ac.x(), ac.y());
  if (length <= 0.0 || ab.x() * ac.x() + ab.y() * ac.y() < 0.0 || ab.x() * ac.x() + ab.y() * ac.y() > length * length) {
    return false;
  }
  return std::abs(ac.x() * ab.y() - ac.y() * ab.x()) / length < kStraightTolerance;
}

void ODTimelineAnimatorView::renderKeyFrames(QPainter& painter) const
{
  for (const auto& keyframe : timelineAnimator_->keyFrames()) {
    renderKeyFrame(painter, *keyframe);
  }
}

void ODTimelineAnimatorView::renderKeyFrame(QPainter& painter, const ODAnimatorKeyframe& keyframe) const
{
  painter.save();
  painter.translate(timelineView_->positionForTime(keyframe.timeSeconds()), positionForValue(keyframe.doubleValue()));
  painter.rotate(45.0);
  double side = 7.0;
  QColor fill = &keyframe == mouseOverKeyframe_ ? QColor::fromRgbF(0.8f, 0.8f, 0.8f) : QColor(Qt::white);
  if (&keyframe == timelineView_->selectedKeyFrame()) {
    side = 9.0;
    fill = QColor::fromRgbF(1.0f, 0.1f, 0.1f);
    if (timelineView_->hasKeyboardFocus()) {
      const QRectF halo(-4.5, -4.5, 9.0, 9.0);
      painter.setPen(QPen(palette().color(QPalette::Highlight), 7.0));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(halo);
    }
  }
  const QRectF square(-side / 2.0, -side / 2.0, side, side);
  painter.fillRect(square, fill);
  painter.setPen(QPen(QColor::fromRgbF(0.0f, 0.0f, 0.0f, static_cast<float>(valueCurveAlpha_)), 1.5));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(square);
  painter.restore();
}
