#include "MorvNode/Editor/NodeEditorBackgroundView.h"

#include <cmath>
#include <utility>

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
  gridTile_ = QPixmap();
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

void NodeEditorBackgroundView::makeGridTile(double ratio)
{
  const double side = kGridSpacing * kGridTileCells;
  QPixmap tile(QSize(static_cast<int>(std::ceil(side * ratio)), static_cast<int>(std::ceil(side * ratio))));
  tile.setDevicePixelRatio(ratio);
  QPainter painter(&tile);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(QRectF(0, 0, side, side), backgroundColor_);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  // The lines as the whole background draws them, each across the tile.
  QPainterPath grid;
  for (double x : verticalGridLines(0.0, side - 1.0)) {
    grid.moveTo(x, 0.0);
    grid.lineTo(x, side);
  }
  for (double y : verticalGridLines(0.0, side - 1.0)) {
    grid.moveTo(0.0, y);
    grid.lineTo(side, y);
  }
  painter.setPen(QPen(gridColor_, 1.0));
  painter.drawPath(grid);
  painter.end();
  gridTile_ = std::move(tile);
}

void NodeEditorBackgroundView::paintEvent(QPaintEvent* event)
{
  QPainter painter(this);
  const QRectF dirty = event->rect();
  const double ratio = painter.device() != nullptr ? painter.device()->devicePixelRatio() : 1.0;
  if (gridTile_.isNull() || gridTile_.devicePixelRatio() != ratio) {
    makeGridTile(ratio);
  }
  // Tiles are laid from the grid origin: where in its tile the dirty area's corner falls.
  const double side = kGridSpacing * kGridTileCells;
  auto within = [side](double value) {
    const double rest = std::fmod(value, side);
    return rest < 0.0 ? rest + side : rest;
  };
  painter.drawTiledPixmap(dirty, gridTile_,
                          QPointF(within(dirty.x() - gridOrigin_.x()), within(dirty.y() - gridOrigin_.y())));
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
