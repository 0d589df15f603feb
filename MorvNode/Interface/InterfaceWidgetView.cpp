#include "MorvNode/Interface/InterfaceWidgetView.h"

#include <QMouseEvent>
#include <QPainter>

#include "MorvNode/Interface/MVInterfaceAssets.h"

QColor InterfaceWidgetView::namedColor(std::string_view name, QColor fallback)
{
  const QColor color = MVInterfaceAssets::color(name);
  return color.isValid() ? color : fallback;
}

InterfaceWidgetView::InterfaceWidgetView(QWidget* parent)
  : QWidget(parent)
  , color_(namedColor("NodeBackground", Qt::white))
  , borderColor_(namedColor("NodeBorder", Qt::red))
{
}

void InterfaceWidgetView::setColor(QColor color)
{
  color_ = color;
  update();
}

void InterfaceWidgetView::setBorderColor(QColor color)
{
  borderColor_ = color;
  update();
}

void InterfaceWidgetView::setRoundedCorners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight)
{
  roundedTopLeft_ = topLeft;
  roundedTopRight_ = topRight;
  roundedBottomLeft_ = bottomLeft;
  roundedBottomRight_ = bottomRight;
  update();
}

QPainterPath InterfaceWidgetView::pathForRoundedRect(const QRectF& rect, double radius, bool topLeft, bool topRight,
                                                     bool bottomLeft, bool bottomRight)
{
  const double x = rect.x();
  const double y = rect.y();
  const double w = rect.width();
  const double h = rect.height();
  const double d = 2.0 * radius;
  QPainterPath path;
  // Clockwise on the y-down screen from the top-left corner.
  if (topLeft) {
    path.moveTo(x, y + radius);
    path.arcTo(x, y, d, d, 180.0, -90.0);
  } else {
    path.moveTo(x, y);
  }
  if (topRight) {
    path.lineTo(x + w - radius, y);
    path.arcTo(x + w - d, y, d, d, 90.0, -90.0);
  } else {
    path.lineTo(x + w, y);
  }
  if (bottomRight) {
    path.lineTo(x + w, y + h - radius);
    path.arcTo(x + w - d, y + h - d, d, d, 0.0, -90.0);
  } else {
    path.lineTo(x + w, y + h);
  }
  if (bottomLeft) {
    path.lineTo(x + radius, y + h);
    path.arcTo(x, y + h - d, d, d, 270.0, -90.0);
  } else {
    path.lineTo(x, y + h);
  }
  path.closeSubpath();
  return path;
}

void InterfaceWidgetView::paintEvent(QPaintEvent*)
{
  if (!color_.isValid() || !borderColor_.isValid()) {
    return;
  }
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPainterPath path = pathForRoundedRect(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0), kCornerRadius,
                                               roundedTopLeft_, roundedTopRight_, roundedBottomLeft_,
                                               roundedBottomRight_);
  painter.fillPath(path, color_);
  painter.setPen(QPen(borderColor_, 1.0));
  painter.drawPath(path);
}

void InterfaceWidgetView::mousePressEvent(QMouseEvent* event)
{
  event->accept();
}
