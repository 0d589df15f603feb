#include "MorvNode/Editor/MVConnectionView.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cmath>
#include <optional>

#include <QPaintEvent>
#include <QPainter>

#include "MorvNode/Editor/NodeViewEditorView.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVConnection.h"
#include "Platform/GeometryStrings.h"
#include "Platform/Format.h"

namespace {

QColor blended(const QColor& color, double fraction, const QColor& with)
{
  auto mix = [fraction](double a, double b) { return a + (b - a) * fraction; };
  return QColor::fromRgbF(static_cast<float>(mix(color.redF(), with.redF())),
                          static_cast<float>(mix(color.greenF(), with.greenF())),
                          static_cast<float>(mix(color.blueF(), with.blueF())),
                          static_cast<float>(mix(color.alphaF(), with.alphaF())));
}

MVParameterSocketView* viewOf(const MVParameterSocket* socket)
{
  const auto* adapter = socket != nullptr ? dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView())
                                          : nullptr;
  return adapter != nullptr ? adapter->view() : nullptr;
}

}  // namespace

MVConnectionView::MVConnectionView(QWidget* parent)
  : QWidget(parent)
{
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, 100, 100);
}

void MVConnectionView::setFromLocation(QPointF location)
{
  if (location == from_) {
    return;
  }
  from_ = location;
  updateViewFrame();
}

void MVConnectionView::setToLocation(QPointF location)
{
  if (location == to_) {
    return;
  }
  to_ = location;
  updateViewFrame();
}

void MVConnectionView::updateEndLocations()
{
  if (connection_ == nullptr) {
    return;
  }
  if (editor_ != nullptr) {
    // The canvas knows where a socket lies also while its node has no widget.
    if (const std::optional<QPointF> from = editor_->socketCenterInCanvas(connection_->fromSocket())) {
      setFromLocation(*from);
    }
    if (const std::optional<QPointF> to = editor_->socketCenterInCanvas(connection_->toSocket())) {
      setToLocation(*to);
    }
    return;
  }
  if (const MVParameterSocketView* view = viewOf(connection_->fromSocket())) {
    setFromLocation(view->socketCenterInEditorView());
  }
  if (const MVParameterSocketView* view = viewOf(connection_->toSocket())) {
    setToLocation(view->socketCenterInEditorView());
  }
}

QRect MVConnectionView::frameForEnds(QPointF from, QPointF to)
{
  const double left = std::min(to.x() - 20.0, from.x());
  const double top = std::min(to.y(), from.y());
  const double right = std::max(to.x(), from.x() + 20.0);
  const double bottom = std::max(to.y(), from.y());
  const int x = static_cast<int>(std::floor(left - 10.0));
  const int y = static_cast<int>(std::floor(top - 10.0));
  return QRect(x, y, static_cast<int>(std::ceil(right + 10.0)) - x, static_cast<int>(std::ceil(bottom + 10.0)) - y);
}

void MVConnectionView::updateViewFrame()
{
  const QRect frame = frameForEnds(from_, to_);
  const QRect previous = geometry();
  if (frame != previous) {
    setGeometry(frame);
  }
  requestDisplay(previous);
}

void MVConnectionView::setSelected(bool selected)
{
  if (selected_ != selected) {
    selected_ = selected;
    requestDisplay();
  }
}

void MVConnectionView::setHoverHighlight(bool hoverHighlight)
{
  if (hoverHighlight_ != hoverHighlight) {
    hoverHighlight_ = hoverHighlight;
    requestDisplay();
  }
}

void MVConnectionView::requestDisplay(const QRect& previousFrame)
{
  ++displayRequests_;
  if (!drawnByCanvas_) {
    update();
    return;
  }
  // Hidden, the view asks the canvas for the area it covered and covers now, as far as it shows
  // (a long curve's frame reaches far beyond, and a thousand of them make a costly region).
  if (QWidget* canvas = parentWidget()) {
    QRect area = previousFrame.isEmpty() ? geometry() : geometry().united(previousFrame);
    if (const QWidget* clip = canvas->parentWidget()) {
      area &= QRect(-canvas->pos(), clip->size());
    }
    if (!area.isEmpty()) {
      canvas->update(area);
    }
  }
}

void MVConnectionView::setDrawnByCanvas(bool drawnByCanvas)
{
  if (drawnByCanvas_ == drawnByCanvas) {
    return;
  }
  drawnByCanvas_ = drawnByCanvas;
  if (drawnByCanvas_) {
    hide();
    releasePicture();
  }
  requestDisplay();
}

bool MVConnectionView::event(QEvent* event)
{
  // Restacked among the canvas's views: what it passes over or under changed.
  if (event->type() == QEvent::ZOrderChange && drawnByCanvas_ && !removed_) {
    requestDisplay();
  }
  return QWidget::event(event);
}

void MVConnectionView::remove()
{
  if (removed_) {
    return;
  }
  if (drawnByCanvas_) {
    requestDisplay();  // the canvas draws it no more
  }
  removed_ = true;
  connection_ = nullptr;
  // Hidden, it takes no part in drawing or hit tests; it stays the canvas's child until it is
  // deleted, since leaving the window walks the window's whole focus chain (which made dropping
  // the views of a scrolled-away area quadratic).
  hide();
  deleteLater();
}

std::string MVConnectionView::description() const
{
  return pf::format("<%@ for %@ from %@ to %@>", "MVConnectionView",
                    connection_ != nullptr ? connection_->description() : std::string("(null)"),
                    pf::pointString(pf::Point(from_.x(), from_.y())), pf::pointString(pf::Point(to_.x(), to_.y())));
}

double MVConnectionView::tangentLength(QPointF from, QPointF to)
{
  const double distance = std::hypot(to.x() - from.x(), to.y() - from.y());
  const double dx = to.x() - from.x();
  return std::min(distance / 2.0, std::max(30.0, std::min(std::abs(dx), 100.0)));
}

QPainterPath MVConnectionView::curve() const
{
  const double t = tangentLength(from_, to_);
  QPainterPath path;
  if (connection_ != nullptr && connection_->toSocket() != nullptr) {
    path.moveTo(from_);
    path.cubicTo(from_ + QPointF(t, 0), to_ - QPointF(t, 0), to_);
  } else {
    path.moveTo(to_);
    path.cubicTo(to_ - QPointF(t, 0), from_ + QPointF(t, 0), from_);
  }
  return path;
}

int MVConnectionView::colorType() const
{
  return connection_ != nullptr ? static_cast<int>(connection_->connectionType()) : 2;
}

bool MVConnectionView::hasBlackFill() const
{
  return connection_ != nullptr && !connection_->isBeingEdited() && connection_->hasLooseEnd();
}

std::pair<QColor, QColor> MVConnectionView::colors() const
{
  return colorsFor(colorType(), hasBlackFill(), selected_, hoverHighlight_);
}

std::pair<QColor, QColor> MVConnectionView::colorsFor(int type, bool blackFill, bool selected, bool hoverHighlight)
{
  QColor fill;
  QColor edge;
  if (type == 1) {
    fill = MVInterfaceAssets::color("ParameterColor");
    edge = MVInterfaceAssets::color("ParameterColorEdge");
  } else if (type == 0) {
    fill = MVInterfaceAssets::color("NodeBackground");
    edge = MVInterfaceAssets::color("NodeBorder");
  } else {
    fill = MVInterfaceAssets::color("ParameterGraphics");
    edge = MVInterfaceAssets::color("ParameterGraphicsEdge");
  }
  if (blackFill) {
    fill = Qt::black;
  }
  if (selected) {
    fill = blended(fill, 0.15, Qt::black);
    edge = blended(edge, 0.1, Qt::black);
  } else if (hoverHighlight) {
    const QColor lighter = blended(fill, 0.25, Qt::white);
    edge = blended(edge, 0.1, Qt::white);
    fill = type == 0 ? blended(lighter, 0.15, edge) : lighter;
  }
  return {fill, edge};
}

QPainterPath MVConnectionView::visiblePartOfPath(const QPainterPath& path, const QRectF& area)
{
  QPainterPath visible;
  for (const QPolygonF& polygon : path.toSubpathPolygons()) {
    bool inRun = false;
    for (qsizetype i = 1; i < polygon.size(); ++i) {
      const QPointF& a = polygon[i - 1];
      const QPointF& b = polygon[i];
      // The segment's box, closed (a vertical or horizontal segment has an empty QRectF).
      const bool meets = std::max(a.x(), b.x()) >= area.left() && std::min(a.x(), b.x()) <= area.right() &&
                         std::max(a.y(), b.y()) >= area.top() && std::min(a.y(), b.y()) <= area.bottom();
      if (!meets) {
        inRun = false;
        continue;
      }
      if (!inRun) {
        visible.moveTo(a);
        inRun = true;
      }
      visible.lineTo(b);
    }
  }
  return visible;
}

namespace {

// Bytes held by the kept pictures of all connection views, main thread only.
std::size_t picturesBytes = 0;

}  // namespace

MVConnectionView::~MVConnectionView()
{
  releasePicture();
}

void MVConnectionView::releasePicture()
{
  picturesBytes -= std::min(picturesBytes, pictureBytes_);
  pictureBytes_ = 0;
  pictureCache_ = QPixmap();
}

void MVConnectionView::paintEvent(QPaintEvent* event)
{
  if (connection_ == nullptr && !referenceMode_) {
    return;
  }
  const auto [fill, edge] = colors();
  const bool dashed = connection_ != nullptr && connection_->isBeingEdited();
  QPainter painter(this);
  // A view of modest size keeps its picture while the pictures of all views stay within their
  // budget: a repaint with the same ends and colours (a scroll, a node moved over it, the rest
  // of the canvas redrawn) draws it again instead of stroking anew.
  if (!dashed && width() <= kMaxCachedSide && height() <= kMaxCachedSide) {
    const qreal ratio = devicePixelRatioF();
    const std::array<double, 9> signature{from_.x(), to_.x(), from_.y(), to_.y(), static_cast<double>(fill.rgba()),
                                          static_cast<double>(edge.rgba()), static_cast<double>(width()),
                                          static_cast<double>(height()), ratio};
    const QPoint origin = pos();
    if (pictureCache_.isNull() || signature != pictureSignature_ || origin != pictureOrigin_) {
      releasePicture();
      const QSize pixels = size() * ratio;
      const auto bytes = static_cast<std::size_t>(pixels.width()) * static_cast<std::size_t>(pixels.height()) * 4;
      if (picturesBytes + bytes <= kPictureBudget) {
        pictureCache_ = QPixmap(pixels);
        pictureCache_.setDevicePixelRatio(ratio);
        pictureCache_.fill(Qt::transparent);
        pictureBytes_ = bytes;
        picturesBytes += bytes;
        QPainter picture(&pictureCache_);
        picture.setRenderHint(QPainter::Antialiasing);
        picture.translate(-QPointF(origin));
        drawConnection(picture, curve(), fill, edge, false);
        pictureSignature_ = signature;
        pictureOrigin_ = origin;
      }
    }
    if (!pictureCache_.isNull()) {
      painter.drawPixmap(0, 0, pictureCache_);
      return;
    }
  } else {
    releasePicture();
  }
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(-QPointF(pos()));
  QPainterPath path = curve();
  // A long curve of which only a little is exposed (it crosses the visible area, or a node
  // moved over it) is stroked in that part only: stroking wide antialiased pens costs by the
  // length of the path, not by what shows. A dashed curve keeps its whole length, so that the
  // dashes do not restart at the edge of the exposed part.
  const QRectF exposed =
      QRectF(event->rect()).translated(QPointF(pos())).adjusted(-kPaintMargin, -kPaintMargin, kPaintMargin, kPaintMargin);
  if (!dashed && !exposed.contains(path.boundingRect())) {
    path = visiblePartOfPath(path, exposed);
  }
  drawConnection(painter, path, fill, edge, dashed);
}

void MVConnectionView::drawConnection(QPainter& painter, const QPainterPath& path, QColor fill, QColor edge,
                                      bool dashed) const
{
  const QRectF fromDot(from_ - QPointF(3, 3), QSizeF(6, 6));
  const QRectF toDot(to_ - QPointF(3, 3), QSizeF(6, 6));

  QPen pen(edge, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(fromDot);
  painter.drawEllipse(toDot);
  pen.setWidthF(5.0);
  if (dashed) {
    pen.setDashPattern({4.0 / 5.0, 10.0 / 5.0});  // in units of the pen width: 4 on, 10 off
  }
  painter.setPen(pen);
  painter.drawPath(path);
  QPen inner(fill, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  if (dashed) {
    inner.setDashPattern({4.0 / 3.0, 10.0 / 3.0});
  }
  painter.setPen(inner);
  painter.drawPath(path);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawEllipse(fromDot);
  painter.drawEllipse(toDot);
}
