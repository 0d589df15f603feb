#include "MorvNode/Inspector/HoverControlsView.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWheelEvent>

#include "MorvNode/Inspector/HoverControlsDelegate.h"
#include "MorvNode/Inspector/MySlider.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Numbers.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODTextField/ODTextField.h"

bool HoverControlsView::positiveNegativeRange_ = false;

namespace {

QPointer<HoverControlsView>& sharedInstance()
{
  // Never destroyed: the application's post routine may read it after static destructors ran.
  static auto* instance = new QPointer<HoverControlsView>();
  return *instance;
}

// Widgets must go before the application does: an instance still alive then is deleted with it.
void deleteSharedInstance()
{
  delete sharedInstance().data();
}

constexpr int kWidth = 190;
constexpr int kHeight = 44;

}  // namespace

HoverControlsView* HoverControlsView::sharedHoverControls()
{
  QPointer<HoverControlsView>& instance = sharedInstance();
  if (instance.isNull()) {
    qAddPostRoutine(deleteSharedInstance);
    instance = new HoverControlsView;
  }
  return instance.data();
}

HoverControlsView* HoverControlsView::existingHoverControls()
{
  return sharedInstance().data();
}

HoverControlsView::HoverControlsView(QWidget* parent) : QWidget(parent)
{
  setAttribute(Qt::WA_StyledBackground);
  setAutoFillBackground(true);
  setCursor(Qt::ArrowCursor);
  setFocusPolicy(Qt::NoFocus);
  resize(kWidth, kHeight);
  QWidget::setVisible(false);

  valueSlider_ = new MySlider(this);
  valueSlider_->setGeometry(6, 4, 150, 22);
  valueSlider_->setFocusPolicy(Qt::NoFocus);
  valueMinValueLabel_ = new QLabel(this);
  valueMaxValueLabel_ = new QLabel(this);
  QFont small = font();
  small.setPointSizeF(8.0);
  for (QLabel* label : {valueMinValueLabel_, valueMaxValueLabel_}) {
    label->setFont(small);
    label->setGeometry(6, 25, 72, 14);
  }
  valueMaxValueLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  stepperUp_ = new QToolButton(this);
  stepperDown_ = new QToolButton(this);
  stepperUp_->setArrowType(Qt::UpArrow);
  stepperDown_->setArrowType(Qt::DownArrow);
  stepperUp_->setGeometry(kWidth - 26, 3, 20, 18);
  stepperDown_->setGeometry(kWidth - 26, 22, 20, 18);
  defaultValueButton_ = new QToolButton(this);
  defaultValueButton_->setText(QStringLiteral("⟲"));
  defaultValueButton_->setGeometry(kWidth - 48, 3, 20, 18);
  for (QToolButton* button : {stepperUp_, stepperDown_, defaultValueButton_}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
  }

  connect(valueSlider_, &MySlider::doubleValueChanged, this,
          [this] { valueChanged(Sender::Slider, !valueSlider_->isSliderDown()); });
  connect(valueSlider_, &QSlider::sliderReleased, this, [this] {
    if (dynamicValueRange_) {
      recalculateValueRange();
    }
  });
  connect(stepperUp_, &QToolButton::clicked, this, [this] { step(1.0); });
  connect(stepperDown_, &QToolButton::clicked, this, [this] { step(-1.0); });
  connect(defaultValueButton_, &QToolButton::clicked, this, [this] { valueChanged(Sender::DefaultButton); });

  hideTimer_.setSingleShot(true);
  hideTimer_.setInterval(kHideDelayMilliseconds);
  connect(&hideTimer_, &QTimer::timeout, this, [this] { hideControls(); });

  updateDefaultButton();
  recalculateValueRange();
}

// ---- Range ----

HoverControlsView::ValueRange HoverControlsView::valueRangeForValue(double v, const MVParameterValue* parameter,
                                                                    bool& positiveNegativeRange)
{
  ValueRange range;
  if (v < 0.0) {
    range.min = v;
    positiveNegativeRange = true;
  }
  if (v > 100.0) {
    range.max = v;
  }
  if (parameter == nullptr) {
    return range;
  }
  // Every row that holds applies in turn: the last one wins.
  if (!positiveNegativeRange) {
    static constexpr double kRows[][2] = {{2, 2},       {10, 10},     {50, 50},       {250, 250},        {500, 500},
                                          {1000, 1000}, {2000, 2000}, {10000, 10000}, {100000, 100000}};
    double lower = 0.0;
    for (const auto& row : kRows) {
      if (v >= lower && v < row[0]) {
        range = {0.0, row[1]};
      }
      lower = row[0];
    }
  } else {
    for (const double bound : {1000.0, 500.0, 250.0, 50.0, 10.0, 2.0}) {
      if (v > -bound && v < bound) {
        range = {-bound, bound};
      }
    }
  }
  if (parameter->hasPreferredValueRangeMax() && parameter->preferredValueRangeMax() > v) {
    range.max = parameter->preferredValueRangeMax();
  }
  if (parameter->hasPreferredValueRangeMin() && parameter->preferredValueRangeMin() < v) {
    range.min = parameter->preferredValueRangeMin();
  }
  if (parameter->hasMinValueLimit() && parameter->hasMaxValueLimit() && parameter->maxValueLimit() == 1.0 &&
      (parameter->minValueLimit() == 0.0 || parameter->minValueLimit() == -1.0)) {
    range = {parameter->minValueLimit(), parameter->maxValueLimit()};
  }
  if (parameter->hasMaxValueLimit() && parameter->maxValueLimit() < range.max) {
    range.max = parameter->maxValueLimit();
  }
  if (parameter->hasMinValueLimit() && parameter->minValueLimit() > range.min) {
    range.min = parameter->minValueLimit();
  }
  return range;
}

void HoverControlsView::recalculateValueRange()
{
  const ValueRange range = valueRangeForValue(valueSlider_->doubleValue(), parameter_, positiveNegativeRange_);
  valueRangeMin_ = range.min;
  valueRangeMax_ = range.max;
  valueSlider_->setMaxValue(range.max);
  valueSlider_->setMinValue(range.min);
  if (range.max > 0.0 && range.min < 0.0) {
    valueSlider_->setTickmarkValue(0.0);
  } else {
    valueSlider_->setNumberOfTickMarks(0);
  }
  valueMaxValueLabel_->setText(QString::fromStdString(pf::formatG(range.max)));
  valueMinValueLabel_->setText(QString::fromStdString(pf::formatG(range.min)));
  // The increment follows the new range at once, not only from the next value on.
  updateStepperIncrement();
}

void HoverControlsView::updateDefaultButton()
{
  // The default button is never shown: the slider takes its place up to 2 points before its
  // right edge, and the maximum label ends where the slider does.
  defaultValueButton_->setVisible(false);
  const QRect button = defaultValueButton_->geometry();
  QRect slider = valueSlider_->geometry();
  slider.setRight(button.right() - 2);
  valueSlider_->setGeometry(slider);
  QRect maximum = valueMaxValueLabel_->geometry();
  maximum.moveRight(slider.right());
  maximum.moveTop(valueMinValueLabel_->geometry().top());
  valueMaxValueLabel_->setGeometry(maximum);
}

// ---- Value ----

void HoverControlsView::setDoubleValue(double value)
{
  // The slider always contains the value; the chosen range stays as it is.
  valueSlider_->setMaxValue(value > valueRangeMax_ ? value : valueRangeMax_);
  valueSlider_->setMinValue(value < valueRangeMin_ ? value : valueRangeMin_);
  valueSlider_->setDoubleValue(value);
  if (parameter_ != nullptr) {
    stepperValue_ = value;
    updateStepperIncrement();
  }
  update();
}

void HoverControlsView::updateStepperIncrement()
{
  stepperIncrement_ = 1.0;
  if (parameter_ != nullptr && valueSlider_->maxValue() - valueSlider_->minValue() < 3.1 && !parameter_->isInteger()) {
    stepperIncrement_ = 0.1;
  }
}

double HoverControlsView::doubleValue() const
{
  return valueSlider_->doubleValue();
}

void HoverControlsView::setParameter(MVParameterValue* parameter)
{
  parameter_ = parameter;
  if (parameter == nullptr) {
    return;
  }
  dynamicValueRange_ = true;
  if (auto* pair = dynamic_cast<MVParameterValue2D*>(parameter)) {
    setDoubleValue(fieldIndex_ == 1 ? pair->valueY() : pair->valueX());
  } else {
    setDoubleValue(parameter->value());
  }
  updateDefaultButton();
  recalculateValueRange();
}

void HoverControlsView::valueChanged(Sender sender, bool mouseUp, double finestStep)
{
  double value = 0.0;
  switch (sender) {
  case Sender::Slider: {
    const double span = valueSlider_->maxValue() - valueSlider_->minValue();
    double precision = span < 4.1 ? 100.0 : span < 20.1 ? 10.0 : 1.0;
    // A wheel step finer than the slider's precision is kept (a tenth on a wide range).
    if (finestStep > 0.0) {
      precision = std::max(precision, std::round(1.0 / finestStep));
    }
    value = std::round(valueSlider_->doubleValue() * precision) / precision;
    break;
  }
  case Sender::Stepper:
    value = stepperValue_;
    break;
  case Sender::DefaultButton:
    value = defaultValue_;
    break;
  }
  setDoubleValue(value);
  if (dynamicValueRange_ && (sender != Sender::Slider || mouseUp)) {
    recalculateValueRange();
  }
  if (delegate_ != nullptr) {
    delegate_->valueControlChanged(this);
  }
}

void HoverControlsView::step(double direction)
{
  stepperValue_ += direction * stepperIncrement_;
  valueChanged(Sender::Stepper);
}

// ---- Showing and hiding ----

void HoverControlsView::showForField(ODTextField* field)
{
  if (field == nullptr) {
    return;
  }
  lastField_ = field;
  QWidget* host = field->window();
  if (host == field) {
    FeedbackManager::log("showHoverControlsForField nodeEditorView (superview) NULL!");
    return;
  }
  if (parentWidget() != host) {
    setParent(host);
  }
  const QPoint origin = field->mapTo(host, QPoint(0, 0));
  int x = origin.x() + field->width() + 1;
  // The control's lower edge lies a field's height and 7 points below the field's.
  const int y = origin.y() + 2 * field->height() + 7 - height();
  if (x + width() > host->width()) {
    x = origin.x() - width() - 3;
  }
  move(x, y);
  setVisible(true);
  fieldIndex_ = field->tag();
}

ODTextField* HoverControlsView::lastField() const
{
  return qobject_cast<ODTextField*>(lastField_.data());
}

void HoverControlsView::releaseDelegate(HoverControlsDelegate* delegate)
{
  if (delegate != nullptr && delegate_ == delegate) {
    hideControls();
    parameter_ = nullptr;
  }
}

void HoverControlsView::startHideTimer()
{
  hideTimer_.start();
}

void HoverControlsView::hideControls()
{
  hideTimer_.stop();
  setVisible(false);
  lastField_.clear();
  mouseCurrentlyOver_ = false;
}

void HoverControlsView::setVisible(bool visible)
{
  hideTimer_.stop();
  if (!visible) {
    mouseCurrentlyOver_ = false;
    delegate_ = nullptr;
    QWidget::setVisible(false);
    return;
  }
  QWidget::setVisible(true);
  raise();
}

// ---- Pointer ----

void HoverControlsView::enterEvent(QEnterEvent* event)
{
  QWidget::enterEvent(event);
  hideTimer_.stop();
  mouseCurrentlyOver_ = true;
}

void HoverControlsView::leaveEvent(QEvent* event)
{
  QWidget::leaveEvent(event);
  startHideTimer();
  mouseCurrentlyOver_ = false;
}

// Clicks and drags on the control's own background stop here, never reaching the canvas below.
void HoverControlsView::mousePressEvent(QMouseEvent* event)
{
  event->accept();
}

void HoverControlsView::mouseMoveEvent(QMouseEvent* event)
{
  event->accept();
}

void HoverControlsView::mouseReleaseEvent(QMouseEvent* event)
{
  event->accept();
}

void HoverControlsView::wheelEvent(QWheelEvent* event)
{
  event->accept();
  if (!pf::UserDefaults::standard().boolForKey(kScrollWheelEditingKey)) {
    return;
  }
  const QPoint angle = event->angleDelta();
  const int direction = ODTextField::scrollDirection(angle.x() / 120.0, angle.y() / 120.0);
  double stepSize = stepperIncrement_;
  if (event->modifiers() & Qt::ControlModifier) {
    stepSize = 0.1;
  } else if (event->modifiers() & Qt::ShiftModifier) {
    stepSize = 10.0;
  }
  const double change = direction * stepSize;
  if (change == 0.0) {
    return;
  }
  // A scroll is no mouse-up: the range stays.
  valueSlider_->setDoubleValue(valueSlider_->doubleValue() + change);
  valueChanged(Sender::Slider, false, stepSize);
}

void HoverControlsView::paintEvent(QPaintEvent* event)
{
  QWidget::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

QString HoverControlsView::minimumLabelText() const
{
  return valueMinValueLabel_->text();
}

QString HoverControlsView::maximumLabelText() const
{
  return valueMaxValueLabel_->text();
}
