#include "MorvNode/Interface/HoverImageButton.h"

#include <utility>

#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>

HoverImageButton::HoverImageButton(QWidget* parent)
  : QToolButton(parent)
{
  setAutoRaise(true);
  auto* shadow = new QGraphicsDropShadowEffect(this);
  shadow->setOffset(0, 0);
  setGraphicsEffect(shadow);
  updateShadow();
}

void HoverImageButton::setImage(QImage image)
{
  image_ = std::move(image);
  update();
}

void HoverImageButton::setHighlightColor(QColor color)
{
  highlightColor_ = color;
  updateShadow();
}

void HoverImageButton::updateShadow()
{
  auto* shadow = static_cast<QGraphicsDropShadowEffect*>(graphicsEffect());
  QColor color = highlightColor_;
  color.setAlphaF(over_ ? 0.4F : 0.0F);
  shadow->setColor(color);
  shadow->setBlurRadius(over_ ? 4.0 : 0.0);
  // Without the glow the effect would only cost an offscreen pass per paint.
  shadow->setEnabled(over_);
}

void HoverImageButton::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  if (image_.isNull()) {
    return;
  }
  // The image and its tint go through a layer of their own, so the tint covers the image only.
  QImage layer(size() * devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
  layer.setDevicePixelRatio(devicePixelRatioF());
  layer.fill(Qt::transparent);
  {
    QPainter layerPainter(&layer);
    layerPainter.setRenderHint(QPainter::SmoothPixmapTransform);
    layerPainter.drawImage(rect(), image_);
    if (pressed_ && over_) {
      QColor tint = highlightColor_;
      tint.setAlphaF(0.4F);
      layerPainter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
      layerPainter.fillRect(rect(), tint);
    }
  }
  painter.drawImage(0, 0, layer);
}

void HoverImageButton::enterEvent(QEnterEvent* event)
{
  QToolButton::enterEvent(event);
  over_ = true;
  updateShadow();
  update();
}

void HoverImageButton::leaveEvent(QEvent* event)
{
  QToolButton::leaveEvent(event);
  over_ = false;
  pressed_ = false;
  updateShadow();
  update();
}

void HoverImageButton::mousePressEvent(QMouseEvent* event)
{
  pressed_ = true;
  update();
  QToolButton::mousePressEvent(event);
}

void HoverImageButton::mouseReleaseEvent(QMouseEvent* event)
{
  QToolButton::mouseReleaseEvent(event);
  pressed_ = false;
  update();
}
