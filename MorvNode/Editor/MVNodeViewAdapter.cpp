#include "MorvNode/Editor/MVNodeViewAdapter.h"

#include <cmath>
#include <limits>

#include "MorvNode/Editor/NodeViewEditorView.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"

MVNodeViewAdapter::~MVNodeViewAdapter()
{
  if (view_ == nullptr) {
    return;
  }
  if (view_->parentWidget() == nullptr && !view_->isRemoved()) {
    delete view_.data();  // never placed on a canvas
    return;
  }
  view_->remove();
}

MVNodeView* MVNodeViewAdapter::makeView()
{
  if (view_ == nullptr && maker_) {
    view_ = maker_();
  }
  return view_.data();
}

void MVNodeViewAdapter::measureShape(const MVNode& node)
{
  if (view_ == nullptr) {
    return;
  }
  const QPointF origin(view_->pos());
  const double none = std::numeric_limits<double>::quiet_NaN();
  auto centres = [&](const MVParameterSocketList& sockets) {
    std::vector<QPointF> points;
    points.reserve(sockets.size());
    for (const auto& socket : sockets) {
      const auto* adapter = dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView());
      const MVParameterSocketView* marker = adapter != nullptr ? adapter->view() : nullptr;
      points.push_back(marker != nullptr && marker->isShownOnNode() ? marker->socketCenterInEditorView() - origin
                                                                     : QPointF(none, none));
    }
    return points;
  };
  MVNodeViewShape shape;
  shape.size = pf::Size(view_->width(), view_->height());
  shape.inputs.reserve(node.parameters().size());
  shape.outputs.reserve(node.parameters().size());
  for (const auto& parameter : node.parameters()) {
    shape.inputs.push_back(centres(parameter->inputSockets()));
    shape.outputs.push_back(centres(parameter->outputSockets()));
  }
  shape.key = MVNodeViewShape::keyOf(node);
  shape_ = std::move(shape);
}

void MVNodeViewAdapter::dropView(MVNode& node)
{
  if (view_ == nullptr) {
    return;
  }
  measureShape(node);
  origin_ = frameOrigin();
  // The rows and socket markers go with the widget; their adapters go now, so that the next
  // widget builds them anew.
  for (const auto& parameter : node.parameters()) {
    for (const auto& socket : parameter->inputSockets()) {
      socket->setSocketView(nullptr);
    }
    for (const auto& socket : parameter->outputSockets()) {
      socket->setSocketView(nullptr);
    }
    parameter->setParameterView(nullptr);
  }
  MVNodeView* view = view_.data();
  view_.clear();
  view->remove();
}

void MVNodeViewAdapter::setNeedsLayout()
{
  if (view_ != nullptr) {
    markNeedsLayout();
  }
}

void MVNodeViewAdapter::remove()
{
  if (view_ != nullptr) {
    view_->remove();
  }
}

void MVNodeViewAdapter::menuRename()
{
  if (view_ != nullptr) {
    view_->menuRename();
  }
}

void MVNodeViewAdapter::refreshGraphicsPreviews()
{
  if (view_ != nullptr) {
    view_->refreshGraphicsPreviews();
  }
}

void MVNodeViewAdapter::initParameterInterface()
{
  if (view_ != nullptr) {
    view_->initParameterInterface();
  }
}

pf::Point MVNodeViewAdapter::frameOrigin() const
{
  // A widget not yet placed on a canvas has no place of its own.
  if (view_ == nullptr || view_->isRemoved() || view_->parentWidget() == nullptr) {
    return origin_;
  }
  const QPoint origin = view_->pos();
  if (const NodeViewEditorView* editor = view_->nodeEditorView()) {
    return editor->modelPointFromCanvas(QPointF(origin));
  }
  return pf::Point(origin.x(), origin.y());
}

void MVNodeViewAdapter::moveFrameTo(pf::Point origin)
{
  origin_ = origin;
  if (view_ == nullptr || view_->isRemoved()) {
    return;
  }
  if (const NodeViewEditorView* editor = view_->nodeEditorView()) {
    view_->move(editor->canvasPointFromModel(origin).toPoint());
  } else {
    view_->move(QPoint(static_cast<int>(std::lround(origin.x)), static_cast<int>(std::lround(origin.y))));
  }
}

void MVNodeViewAdapter::setFrameOrigin(pf::Point origin)
{
  moveFrameTo(origin);
  NodeViewEditorView* editor = view_ != nullptr && view_->nodeEditorView() != nullptr ? view_->nodeEditorView() : editor_;
  if (editor != nullptr) {
    editor->nodesChanged();
  }
}

pf::Size MVNodeViewAdapter::frameSize() const
{
  if (view_ != nullptr && !view_->isRemoved()) {
    return pf::Size(view_->width(), view_->height());
  }
  if (editor_ != nullptr && node_ != nullptr) {
    return editor_->keptFrameSize(*node_);
  }
  return shape_.size;
}

void MVNodeViewAdapter::layoutNow()
{
  if (view_ != nullptr) {
    view_->layoutNode();
  }
}
