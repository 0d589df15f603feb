#include "Shared/ODAnimation/Timeline/ODTimelineAppearance.h"

#include <functional>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include "MorvNode/Interface/MVInterfaceAssets.h"

namespace {

constexpr int kIconSize = 16;     // points
constexpr qreal kIconScale = 2.0; // drawn at twice the size for sharp high-density screens

QIcon drawnIcon(const std::function<void(QPainter&)>& draw)
{
  QPixmap pixmap(static_cast<int>(kIconSize * kIconScale), static_cast<int>(kIconSize * kIconScale));
  pixmap.setDevicePixelRatio(kIconScale);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  draw(painter);
  painter.end();
  return QIcon(pixmap);
}

QColor iconColor(bool dark)
{
  return dark ? QColor(225, 225, 225) : QColor(60, 60, 60);
}

// An eye: the outline always, the pupil only when open; a stroke across when closed.
QIcon eyeIcon(bool dark, bool open)
{
  return drawnIcon([dark, open](QPainter& painter) {
    const QColor color = iconColor(dark);
    painter.setPen(QPen(color, 1.3));
    QPainterPath outline;
    outline.moveTo(2, 8);
    outline.quadTo(8, 1.5, 14, 8);
    outline.quadTo(8, 14.5, 2, 8);
    painter.drawPath(outline);
    if (open) {
      painter.setBrush(color);
      painter.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    } else {
      painter.drawLine(QPointF(3, 13), QPointF(13, 3));
    }
  });
}

}  // namespace

bool ODTimelineAppearance::isDark(const QPalette& palette)
{
  return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

bool ODTimelineAppearance::isSystemDark()
{
  return isDark(QApplication::palette());
}

std::optional<QColor> ODTimelineAppearance::namedColor(std::string_view name, bool dark)
{
  const QColor color = MVInterfaceAssets::color(name, dark);
  if (!color.isValid()) {
    return std::nullopt;
  }
  return color;
}

QIcon ODTimelineAppearance::removeIcon(bool dark)
{
  return drawnIcon([dark](QPainter& painter) {
    const QColor color = iconColor(dark);
    painter.setPen(QPen(color, 1.3));
    painter.drawEllipse(QPointF(8, 8), 6, 6);
    painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
  });
}

QIcon ODTimelineAppearance::displayHiddenIcon(bool dark)
{
  return eyeIcon(dark, false);
}

QIcon ODTimelineAppearance::displayVisibleIcon(bool dark)
{
  return eyeIcon(dark, true);
}

QIcon ODTimelineAppearance::warningIcon()
{
  return drawnIcon([](QPainter& painter) {
    QPainterPath triangle;
    triangle.moveTo(8, 1.5);
    triangle.lineTo(15, 14.5);
    triangle.lineTo(1, 14.5);
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(120, 80, 0), 1.0));
    painter.setBrush(*namedColor("WarningColor", false));
    painter.drawPath(triangle);
    painter.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8, 5.5), QPointF(8, 10));
    painter.drawPoint(QPointF(8, 12.4));
  });
}
