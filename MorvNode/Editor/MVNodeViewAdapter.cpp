#include "MorvNode/Editor/MVNodeViewAdapter.h"

#include "MorvNode/Editor/NodeViewEditorView.h"

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
  if (view_ == nullptr) {
    return {};
  }
  const QPoint origin = view_->pos();
  if (const NodeViewEditorView* editor = view_->nodeEditorView()) {
    return editor->modelPointFromCanvas(QPointF(origin));
  }
  return pf::Point(origin.x(), origin.y());
}

void MVNodeViewAdapter::setFrameOrigin(pf::Point origin)
{
  if (view_ == nullptr) {
    return;
  }
  QPointF canvas(origin.x, origin.y);
  if (NodeViewEditorView* editor = view_->nodeEditorView()) {
    canvas = editor->canvasPointFromModel(origin);
    view_->move(canvas.toPoint());
    editor->nodesChanged();
    return;
  }
  view_->move(canvas.toPoint());
}

pf::Size MVNodeViewAdapter::frameSize() const
{
  return view_ != nullptr ? pf::Size(view_->width(), view_->height()) : pf::Size();
}

void MVNodeViewAdapter::layoutNow()
{
  if (view_ != nullptr) {
    view_->layoutNode();
  }
}
