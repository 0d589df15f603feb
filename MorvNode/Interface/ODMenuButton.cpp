#include "MorvNode/Interface/ODMenuButton.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "Shared/FeedbackManager/FeedbackManager.h"

ODMenuButton::ODMenuButton(QWidget* parent)
  : QPushButton(parent)
{
}

void ODMenuButton::setShowChevron(bool show)
{
  showChevron_ = show;
  update();
}

void ODMenuButton::showPopUpMenu()
{
  if (menuDelegate_ != nullptr) {
    menu_ = menuDelegate_->menuForButton(*this);
  }
  if (!menu_) {
    FeedbackManager::log("Warning, %@ pressed with no menu", "<ODMenuButton '" + text().toStdString() + "'>");
    return;
  }
  menu_->popup(mapToGlobal(QPoint(0, height() + 3)));
}

void ODMenuButton::mousePressEvent(QMouseEvent* event)
{
  if (event->button() == Qt::LeftButton) {
    setDown(true);
    showPopUpMenu();
    setDown(false);
    event->accept();
    return;
  }
  QPushButton::mousePressEvent(event);
}

void ODMenuButton::paintEvent(QPaintEvent* event)
{
  QPushButton::paintEvent(event);
  if (!drawsChevron()) {
    return;
  }
  // A small downward chevron near the right edge.
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setOpacity(0.6);
  QPen pen(palette().color(QPalette::ButtonText), 1.5);
  painter.setPen(pen);
  const QRectF box(width() - 16.0, height() / 2.0 - 3.0, 10.0, 6.0);
  painter.drawPolyline(QPolygonF({box.topLeft(), QPointF(box.center().x(), box.bottom()), box.topRight()}));
}
