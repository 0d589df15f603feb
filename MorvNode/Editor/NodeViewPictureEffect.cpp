#include "MorvNode/Editor/NodeViewPictureEffect.h"

#include <algorithm>

#include <QChildEvent>
#include <QEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QWidget>

namespace {

// Events after which a widget may look different without having asked for a repaint of its
// own (or having asked while outside the visible area, where Qt drops the request).
bool changesLook(QEvent::Type type)
{
  switch (type) {
  case QEvent::Move:
  case QEvent::Resize:
  case QEvent::Show:
  case QEvent::Hide:
  case QEvent::ShowToParent:
  case QEvent::HideToParent:
  case QEvent::ChildAdded:
  case QEvent::ChildRemoved:
  case QEvent::ZOrderChange:
  case QEvent::EnabledChange:
  case QEvent::PaletteChange:
  case QEvent::FontChange:
  case QEvent::StyleChange:
  case QEvent::LayoutDirectionChange:
  case QEvent::ContentsRectChange:
  case QEvent::ActivationChange:
  case QEvent::HoverEnter:
  case QEvent::HoverLeave:
  case QEvent::Enter:
  case QEvent::Leave:
  case QEvent::FocusIn:
  case QEvent::FocusOut:
  case QEvent::UpdateLater:
    return true;
  default:
    return false;
  }
}

}  // namespace

NodeViewPictureEffect::NodeViewPictureEffect(QObject* parent)
  : QGraphicsEffect(parent)
{
}

void NodeViewPictureEffect::watch(QWidget* box)
{
  if (box != nullptr) {
    watchTree(box);
    stale_ = true;
  }
}

void NodeViewPictureEffect::watchTree(QWidget* widget)
{
  widget->removeEventFilter(this);  // never twice
  widget->installEventFilter(this);
  for (QObject* child : widget->children()) {
    if (child->isWidgetType()) {
      watchTree(static_cast<QWidget*>(child));
    }
  }
}

bool NodeViewPictureEffect::eventFilter(QObject* watched, QEvent* event)
{
  if (changesLook(event->type())) {
    stale_ = true;
    if (event->type() == QEvent::ChildAdded) {
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child->isWidgetType()) {
        watchTree(static_cast<QWidget*>(child));
      }
    }
  }
  return QGraphicsEffect::eventFilter(watched, event);
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
  if (isStale() || picture_.devicePixelRatio() != ratio) {
    picture_ = sourcePixmap(Qt::LogicalCoordinates, &offset_, QGraphicsEffect::NoPad);
    ++pictureCount_;
    // Drawing the picture delivers the widgets' pending moves and resizes: they are in it.
    stale_ = false;
  }
  if (picture_.isNull()) {
    return;
  }
  const qreal opacity = painter->opacity();
  painter->setOpacity(opacity * opacity_);
  painter->drawPixmap(offset_, picture_);
  painter->setOpacity(opacity);
}
