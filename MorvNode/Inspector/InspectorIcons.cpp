#include "MorvNode/Inspector/InspectorIcons.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

QPixmap InspectorIcons::image(std::string_view name, int size, QColor tint)
{
  if (size <= 0) {
    return {};
  }
  const QColor ink = tint.isValid() ? tint : QApplication::palette().color(QPalette::WindowText);
  const double ratio = 2.0;
  QPixmap pixmap(static_cast<int>(size * ratio), static_cast<int>(size * ratio));
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  QPen pen(ink, std::max(1.0, s / 12.0));
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  painter.setPen(pen);
  if (name == "Keyframe") {
    // A diamond.
    QPainterPath diamond;
    diamond.moveTo(s / 2, 1);
    diamond.lineTo(s - 1, s / 2);
    diamond.lineTo(s / 2, s - 1);
    diamond.lineTo(1, s / 2);
    diamond.closeSubpath();
    painter.fillPath(diamond, ink);
  } else if (name == "aspect_locked.png" || name == "aspect_unlocked.png") {
    // A chain link: two rounded links, joined while locked.
    const bool locked = name == "aspect_locked.png";
    const QRectF upper(s * 0.3, s * 0.05, s * 0.4, s * 0.42);
    const QRectF lower(s * 0.3, s * 0.53, s * 0.4, s * 0.42);
    painter.drawRoundedRect(upper, s * 0.15, s * 0.15);
    painter.drawRoundedRect(lower, s * 0.15, s * 0.15);
    if (locked) {
      painter.drawLine(QPointF(s / 2, s * 0.3), QPointF(s / 2, s * 0.7));
    }
  } else if (name == "DisplayVisible" || name == "DisplayHidden") {
    // An eye, crossed out while hidden.
    QPainterPath eye;
    eye.moveTo(1, s / 2);
    eye.quadTo(s / 2, s * 0.05, s - 1, s / 2);
    eye.quadTo(s / 2, s * 0.95, 1, s / 2);
    painter.drawPath(eye);
    painter.setBrush(ink);
    painter.drawEllipse(QPointF(s / 2, s / 2), s * 0.14, s * 0.14);
    if (name == "DisplayHidden") {
      painter.drawLine(QPointF(s * 0.15, s * 0.85), QPointF(s * 0.85, s * 0.15));
    }
  } else if (name == "BrowseFile") {
    // An open folder.
    QPainterPath folder;
    folder.moveTo(1, s * 0.25);
    folder.lineTo(s * 0.4, s * 0.25);
    folder.lineTo(s * 0.5, s * 0.35);
    folder.lineTo(s - 1, s * 0.35);
    folder.lineTo(s - 1, s * 0.85);
    folder.lineTo(1, s * 0.85);
    folder.closeSubpath();
    painter.drawPath(folder);
  } else {
    return {};
  }
  return pixmap;
}

QPixmap InspectorIcons::faded(const QPixmap& picture, double opacity)
{
  if (picture.isNull()) {
    return picture;
  }
  QPixmap result(picture.size());
  result.setDevicePixelRatio(picture.devicePixelRatio());
  result.fill(Qt::transparent);
  QPainter painter(&result);
  painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
  painter.drawPixmap(0, 0, picture);
  return result;
}
