#include "MorvNode/Editor/NodeEditorBackgroundView.h"

#include <cmath>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include "MorvNode/Interface/MVInterfaceAssets.h"

NodeEditorBackgroundView::NodeEditorBackgroundView(QWidget* parent)
  : QWidget(parent)
{
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  initColors();
}

void NodeEditorBackgroundView::initColors()
{
  gridColor_ = MVInterfaceAssets::color("EditorBackgroundGrid");
  if (!gridColor_.isValid()) {
    gridColor_ = Qt::blue;
  }
  backgroundColor_ = MVInterfaceAssets::color("EditorBackground");
  if (!backgroundColor_.isValid()) {
    backgroundColor_ = Qt::white;
  }
}

std::vector<double> NodeEditorBackgroundView::verticalGridLines(double left, double width, double originOffset)
{
  std::vector<double> lines;
  const double start = left - originOffset;
  for (long long i = static_cast<long long>(std::trunc(start / kGridSpacing));
       static_cast<double>(i) <= (start + width) / kGridSpacing; ++i) {
    lines.push_back(kGridSpacing * static_cast<double>(i) + 0.5 + originOffset);
  }
  return lines;
}

void NodeEditorBackgroundView::paintEvent(QPaintEvent* event)
{
  QPainter painter(this);
  const QRectF dirty = event->rect();
  painter.fillRect(dirty, backgroundColor_);
  QPainterPath grid;
  for (double x : verticalGridLines(dirty.x(), dirty.width(), gridOrigin_.x())) {
    grid.moveTo(x, dirty.top());
    grid.lineTo(x, dirty.top() + dirty.height());
  }
  for (double y : verticalGridLines(dirty.y(), dirty.height(), gridOrigin_.y())) {
    grid.moveTo(dirty.left(), y);
    grid.lineTo(dirty.left() + dirty.width(), y);
  }
  painter.setPen(QPen(gridColor_, 1.0));
  painter.drawPath(grid);
}

void NodeEditorBackgroundView::changeEvent(QEvent* event)
{
  if (event->type() == QEvent::PaletteChange) {
    initColors();
    update();
  }
  QWidget::changeEvent(event);
}

void NodeEditorBackgroundView::mousePressEvent(QMouseEvent* event)
{
  emit mouseEventReceived(event);
  event->accept();
}

void NodeEditorBackgroundView::mouseMoveEvent(QMouseEvent* event)
{
  emit mouseEventReceived(event);
  event->accept();
}

void NodeEditorBackgroundView::mouseReleaseEvent(QMouseEvent* event)
{
  emit mouseEventReceived(event);
  event->accept();
}

void NodeEditorBackgroundView::mouseDoubleClickEvent(QMouseEvent* event)
{
  emit mouseEventReceived(event);
  event->accept();
}
