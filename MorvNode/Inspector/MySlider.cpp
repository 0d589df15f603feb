#include "MorvNode/Inspector/MySlider.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

MySlider::MySlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
  setRange(0, kResolution);
  connect(this, &QSlider::valueChanged, this, [this](int position) {
    if (settingPosition_) {
      return;
    }
    value_ = minValue_ + (maxValue_ - minValue_) * position / kResolution;
    emit doubleValueChanged(value_);
  });
}

void MySlider::setMinValue(double value)
{
  minValue_ = value;
  applyValue();
}

void MySlider::setMaxValue(double value)
{
  maxValue_ = value;
  applyValue();
}

void MySlider::setDoubleValue(double value)
{
  value_ = value;
  applyValue();
}

double MySlider::doubleValue() const
{
  return std::clamp(value_, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

void MySlider::applyValue()
{
  const double span = maxValue_ - minValue_;
  const double fraction = span > 0.0 ? (doubleValue() - minValue_) / span : 0.0;
  settingPosition_ = true;
  setValue(static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * kResolution)));
  settingPosition_ = false;
  update();
}

void MySlider::setTickmarkValues(const QList<double>& values)
{
  tickmarkValues_ = values;
  setNumberOfTickMarks(static_cast<int>(values.size()));
}

void MySlider::setTickmarkValue(double value)
{
  setNumberOfTickMarks(0);
  tickmarkValues_ = {value};
  setNumberOfTickMarks(1);
  updateGeometry();
}

void MySlider::setNumberOfTickMarks(int count)
{
  numberOfTickMarks_ = std::max(count, 0);
  update();
}

double MySlider::tickMarkValueAtIndex(int index) const
{
  if (index >= 0 && index < tickmarkValues_.size()) {
    return tickmarkValues_[index];
  }
  if (numberOfTickMarks_ <= 1) {
    return minValue_;
  }
  return minValue_ + (maxValue_ - minValue_) * index / (numberOfTickMarks_ - 1);
}

void MySlider::paintEvent(QPaintEvent* event)
{
  QSlider::paintEvent(event);
  const double span = maxValue_ - minValue_;
  if (numberOfTickMarks_ == 0 || span <= 0.0) {
    return;
  }
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  // The handle's centre travels from half a handle in from either end of the groove.
  const double left = groove.left() + handle.width() / 2.0;
  const double travel = groove.width() - handle.width();
  for (int index = 0; index < numberOfTickMarks_; ++index) {
    const double fraction = (tickMarkValueAtIndex(index) - minValue_) / span;
    if (fraction < 0.0 || fraction > 1.0) {
      continue;
    }
    const double x = left + fraction * travel;
    painter.drawLine(QPointF(x, height() - 4.0), QPointF(x, height() - 1.0));
  }
}
