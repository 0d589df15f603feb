#include "Shared/ODAnimation/Timeline/ODTimelineMarkerView.h"

#include <QPainter>

ODTimelineMarkerView::ODTimelineMarkerView(QWidget* parent) : QWidget(parent)
{
  setAttribute(Qt::WA_TransparentForMouseEvents);
  resize(kWidth, 0);
}

void ODTimelineMarkerView::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen(QColor::fromRgbF(0.9f, 0.1f, 0.1f, 1.0f), 2.0);
  pen.setJoinStyle(Qt::RoundJoin);
  painter.setPen(pen);
  const qreal middle = width() / 2.0;
  painter.drawLine(QPointF(middle, 0.0), QPointF(middle, height()));
}
