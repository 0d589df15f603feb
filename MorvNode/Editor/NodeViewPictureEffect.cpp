#include "MorvNode/Editor/NodeViewPictureEffect.h"

#include <algorithm>

#include <QPaintDevice>
#include <QPainter>

NodeViewPictureEffect::NodeViewPictureEffect(QObject* parent)
  : QGraphicsEffect(parent)
{
}

void NodeViewPictureEffect::setOpacity(double opacity)
{
  opacity = std::clamp(opacity, 0.0, 1.0);
  if (opacity != opacity_) {
    opacity_ = opacity;
    update();
  }
}

void NodeViewPictureEffect::draw(QPainter* painter)
{
  const QPaintDevice* device = painter->device();
  const qreal ratio = device != nullptr ? device->devicePixelRatio() : 1.0;
  if (picture_.isNull() || picture_.isDetached() || picture_.devicePixelRatio() != ratio) {
    picture_ = sourcePixmap(Qt::LogicalCoordinates, &offset_, QGraphicsEffect::NoPad);
    ++pictureCount_;
  }
  if (picture_.isNull()) {
    return;
  }
  const qreal opacity = painter->opacity();
  painter->setOpacity(opacity * opacity_);
  painter->drawPixmap(offset_, picture_);
  painter->setOpacity(opacity);
}
