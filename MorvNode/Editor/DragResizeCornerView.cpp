#include "MorvNode/Editor/DragResizeCornerView.h"

#include <QMouseEvent>
#include <QPainter>

#include "MorvNode/Interface/MVInterfaceAssets.h"

DragResizeCornerView::DragResizeCornerView(QWidget* parent)
  : QWidget(parent)
{
  setCursor(Qt::SizeFDiagCursor);
  resize(kSize, kSize);
}

void DragResizeCornerView::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(MVInterfaceAssets::color("NodeParameterLabel"), 1.0));
  for (int step : {4, 8, 12}) {
    painter.drawLine(QPointF(width() - 2, height() - 2 - step), QPointF(width() - 2 - step, height() - 2));
  }
}

// The canvas resizes the note: the events go on to the note view, which hands them over.
void DragResizeCornerView::mousePressEvent(QMouseEvent* event)
{
  event->ignore();
}

void DragResizeCornerView::mouseMoveEvent(QMouseEvent* event)
{
  event->ignore();
}

void DragResizeCornerView::mouseReleaseEvent(QMouseEvent* event)
{
  event->ignore();
}
