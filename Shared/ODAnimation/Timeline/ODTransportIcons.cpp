#include "Shared/ODAnimation/Timeline/ODTransportIcons.h"

#include <QApplication>
#include <algorithm>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace ODTransportIcons {

namespace {

class TransportIconEngine final : public QIconEngine {
public:
  explicit TransportIconEngine(Kind kind) : kind_(kind) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
  {
    const QPalette palette = QApplication::palette();
    const QColor colour =
        palette.color(mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText);
    // A square of 16 units, centred in `rect`.
    const qreal side = std::min(rect.width(), rect.height());
    const qreal unit = side / 16.0;
    const QPointF origin(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
    const auto at = [&](qreal x, qreal y) { return origin + QPointF(x * unit, y * unit); };
    const auto bar = [&](qreal x, qreal width) { return QRectF(at(x, 3), at(x + width, 13)); };
    const auto triangle = [&](qreal tipX, qreal baseX) {
      QPainterPath path;
      path.moveTo(at(baseX, 3));
      path.lineTo(at(tipX, 8));
      path.lineTo(at(baseX, 13));
      path.closeSubpath();
      return path;
    };

    QPainterPath shape;
    switch (kind_) {
    case Kind::GoToStart:
      shape.addRect(bar(3, 2));
      shape.addPath(triangle(5, 13));
      break;
    case Kind::Play:
      shape.addPath(triangle(13, 4));
      break;
    case Kind::Pause:
      shape.addRect(bar(4, 3));
      shape.addRect(bar(9, 3));
      break;
    case Kind::GoToEnd:
      shape.addPath(triangle(11, 3));
      shape.addRect(bar(11, 2));
      break;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    painter->drawPath(shape);
    painter->restore();
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
  {
    return scaledPixmap(size, mode, state, 1.0);
  }

  // `size` in device pixels.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
  {
    QPixmap pixmap(size);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), (QSizeF(size) / scale).toSize()), mode, state);
    return pixmap;
  }

  QIconEngine* clone() const override { return new TransportIconEngine(kind_); }

private:
  Kind kind_;
};

}  // namespace

QIcon icon(Kind kind)
{
  return QIcon(new TransportIconEngine(kind));
}

}  // namespace ODTransportIcons
