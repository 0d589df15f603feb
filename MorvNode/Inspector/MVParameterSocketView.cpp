#include "MorvNode/Inspector/MVParameterSocketView.h"

#include <cmath>
#include <numbers>
#include <utility>

#include <QPainter>
#include <QPainterPath>

#include "MorvNode/Inspector/KeptLook.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

const char* edgeColorName(int connectionType)
{
  switch (connectionType) {
  case 1:
    return "ParameterColorEdge";
  case 2:
    return "ParameterGraphicsEdge";
  default:
    return "NodeBorder";
  }
}

const char* dotColorName(int connectionType)
{
  switch (connectionType) {
  case 1:
    return "ParameterColor";
  case 2:
    return "ParameterGraphics";
  default:
    return "NodeBackground";
  }
}

}  // namespace

MVParameterSocketView::MVParameterSocketView(QWidget* parent)
  : QWidget(parent)
{
  setAttribute(Qt::WA_TransparentForMouseEvents);  // the editor hit-tests sockets itself
}

MVParameterSocketView* MVParameterSocketView::socketViewAt(float x, float y, MVParameterSocket* socket, QWidget* parent)
{
  if (socket == nullptr) {
    return nullptr;
  }
  auto* view = new MVParameterSocketView(parent);
  view->setGeometry(static_cast<int>(std::lround(x - kSize / 2.0)), static_cast<int>(std::lround(y - kSize / 2.0)),
                    kSize, kSize);
  view->socket_ = socket;
  socket->setSocketView(std::make_unique<MVParameterSocketViewAdapter>(view));
  return view;
}

QPointF MVParameterSocketView::socketCenterInEditorView() const
{
  const QWidget* row = parentWidget();
  const QWidget* node = row != nullptr ? row->parentWidget() : nullptr;
  const QPointF half(width() / 2.0, height() / 2.0);
  if (node == nullptr) {
    FeedbackManager::log("Warning, socket %@ socketCenterInEditorView called when socket is not placed two superviews",
                         description());
    return QPointF(pos()) + half;
  }
  return QPointF(pos() + row->pos() + node->pos()) + half;
}

bool MVParameterSocketView::isEditorViewPointNearSocket(QPointF point) const
{
  const QPointF d = point - socketCenterInEditorView();
  return std::hypot(d.x(), d.y()) < kNearDistance;
}

bool MVParameterSocketView::isShownOnNode() const
{
  const QWidget* row = parentWidget();
  const QWidget* node = row != nullptr ? row->parentWidget() : nullptr;
  if (node == nullptr || !isVisibleTo(node)) {
    return false;
  }
  const double centre = y() + height() / 2.0;
  return centre >= 0.0 && centre < row->height();
}

void MVParameterSocketView::setHoverHighlight(bool hoverHighlight)
{
  if (hoverHighlight_ == hoverHighlight) {
    return;
  }
  hoverHighlight_ = hoverHighlight;
  requestDisplay();
}

void MVParameterSocketView::requestDisplay()
{
  ++displayRequests_;
  update();
}

int MVParameterSocketView::connectionType() const
{
  if (socket_ == nullptr) {
    FeedbackManager::log("Warning, %@ connectionType requested when it has no parameter", description());
    return 0;
  }
  return static_cast<int>(socket_->socketType());
}

std::string MVParameterSocketView::description() const
{
  return pf::format("<%@ for %@>", "MVParameterSocketView", socket_ != nullptr ? socket_->description() : "(null)");
}

void MVParameterSocketView::paintEvent(QPaintEvent*)
{
  const int type = socket_ != nullptr ? static_cast<int>(socket_->socketType()) : 0;
  const int direction = socket_ != nullptr ? static_cast<int>(socket_->socketDirection()) : 0;
  const QColor fill = MVInterfaceAssets::color("EditorBackgroundSockets");
  const QColor edge = MVInterfaceAssets::color(edgeColorName(type));
  const bool dotted = direction == 2 || hoverHighlight_;
  const QColor dotColor = dotted ? MVInterfaceAssets::color(dotColorName(type)) : QColor();
  // Sockets come in a few looks, kept between paints.
  KeptLook::Key key(u's');
  key.add(direction).add(hoverHighlight_);
  for (const QColor& color : {fill, edge, dotColor}) {
    key.add(color.isValid()).add(color.rgba());
  }
  KeptLook::paint(*this, std::move(key), [&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();
    const QPointF centre(w / 2.0, h / 2.0);
    const double radius = w / 2.0 - 1.0;

    // The half inside the node: an input's disc opens to the right, an output's to the left (in
    // screen terms, angles counter-clockwise from the positive x axis as QPainterPath takes
    // them).
    QPainterPath arc;
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    if (direction == 1) {
      arc.arcMoveTo(circle, 90);
      arc.arcTo(circle, 90, -180);
    } else if (direction == 2) {
      arc.arcMoveTo(circle, 90);
      arc.arcTo(circle, 90, 180);
    } else {
      arc.addEllipse(circle);
    }
    if (fill.isValid()) {
      painter.fillPath(arc, fill);
    }
    if (edge.isValid()) {
      painter.strokePath(arc, QPen(edge, 1.0));
    }
    if (dotted) {
      const double inset = hoverHighlight_ ? 4.5 : 5.5;
      const QRectF dot(inset, inset, w - 2 * inset, h - 2 * inset);
      painter.setPen(edge.isValid() ? QPen(edge, 1.0) : QPen(Qt::NoPen));
      painter.setBrush(dotColor.isValid() ? QBrush(dotColor) : QBrush(Qt::NoBrush));
      painter.drawEllipse(dot);
    }
  });
}
