#include "MorvNode/Editor/NodeEditorOverlayView.h"

#include <cmath>

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Editor/NodeEditorConnectionLayer.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"

NodeEditorOverlayView::NodeEditorOverlayView(QWidget* parent)
  : QWidget(parent)
{
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

NodeEditorOverlayView::~NodeEditorOverlayView()
{
  ringTimer_.invalidate();
}

void NodeEditorOverlayView::setCurrentlyEditedConnection(MVConnection* connection)
{
  connection_ = connection;
  update();
}

void NodeEditorOverlayView::setSelectionRect(QRectF rect)
{
  selectionRect_ = rect;
  update();
}

void NodeEditorOverlayView::setShowSelectionBox(bool show)
{
  showSelectionBox_ = show;
  update();
}

std::vector<QPointF> NodeEditorOverlayView::socketHighlightTargets() const
{
  std::vector<QPointF> targets;
  if (controller_ == nullptr || connection_ == nullptr || !connection_->hasLooseEnd()) {
    return targets;
  }
  const bool inputs = connection_->toSocket() == nullptr;
  for (const auto& node : controller_->nodeArray()) {
    for (const auto& parameter : node->parameters()) {
      for (const auto& socket : inputs ? parameter->inputSockets() : parameter->outputSockets()) {
        const auto* adapter = dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView());
        const MVParameterSocketView* view = adapter != nullptr ? adapter->view() : nullptr;
        if (view != nullptr && view->isShownOnNode() && socket->canConnectConnection(connection_)) {
          targets.push_back(view->socketCenterInEditorView());
        }
      }
    }
  }
  return targets;
}

void NodeEditorOverlayView::updateSocketHighlightAnimation()
{
  if (connection_ == nullptr || !connection_->hasLooseEnd()) {
    ringTimer_.invalidate();
    return;
  }
  if (!ringTimer_.isValid()) {
    if (pf::RunLoop* loop = pf::RunLoop::current()) {
      phase_ = 4.6;
      ringTimer_ = loop->scheduleRepeating(0.1, [this] {
        phase_ += 0.3;
        update();
      });
    }
  }
}

void NodeEditorOverlayView::paintEvent(QPaintEvent* event)
{
  QPainter painter(this);
  if (connectionLayer_ != nullptr) {
    connectionLayer_->paint(painter, event->rect());
  }
  painter.setRenderHint(QPainter::Antialiasing);
  updateSocketHighlightAnimation();
  if (connection_ != nullptr && connection_->hasLooseEnd()) {
    const int type = static_cast<int>(connection_->connectionType());
    QColor color = MVInterfaceAssets::color(type == 1 ? "ParameterColor" : type == 2 ? "ParameterGraphics" : "NodeBorder");
    const double k = (std::sin(phase_) + 1.0) / 2.0;
    const double radius = 10.0 + 8.0 * k;
    color.setAlphaF(static_cast<float>(0.6 - 0.2 * k));
    painter.setPen(QPen(color, 3.0));
    painter.setBrush(Qt::NoBrush);
    for (const QPointF& centre : socketHighlightTargets()) {
      painter.drawEllipse(centre, radius, radius);
    }
  }
  if (showSelectionBox_) {
    QColor tint = palette().color(QPalette::Highlight);
    QColor fill = tint;
    fill.setAlphaF(0.2F);
    tint.setAlphaF(0.8F);
    painter.setPen(QPen(tint, 1.0));
    painter.setBrush(fill);
    painter.drawRect(selectionRect_);
  }
}
