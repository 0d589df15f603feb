#include "MorvNode/Editor/MVConnectionViewAdapter.h"

#include "MorvNode/Editor/NodeViewEditorView.h"

MVConnectionViewAdapter::~MVConnectionViewAdapter()
{
  if (view_ == nullptr) {
    return;
  }
  view_->setConnection(nullptr);
  view_->remove();
}

void MVConnectionViewAdapter::remove()
{
  if (view_ != nullptr) {
    view_->setConnection(nullptr);
    view_->remove();
  }
}

void MVConnectionViewAdapter::setNeedsDisplay()
{
  if (view_ != nullptr) {
    view_->setNeedsDisplay();
  }
}

void MVConnectionViewAdapter::updateEndLocations()
{
  if (view_ != nullptr) {
    view_->updateEndLocations();
  }
}

pf::Point MVConnectionViewAdapter::toModel(QPointF canvasPoint) const
{
  if (view_ != nullptr && view_->nodeEditorView() != nullptr) {
    return view_->nodeEditorView()->modelPointFromCanvas(canvasPoint);
  }
  return pf::Point(canvasPoint.x(), canvasPoint.y());
}

pf::Point MVConnectionViewAdapter::fromEndLocation() const
{
  return view_ != nullptr ? toModel(view_->fromEndLocation()) : pf::Point();
}

pf::Point MVConnectionViewAdapter::toEndLocation() const
{
  return view_ != nullptr ? toModel(view_->toEndLocation()) : pf::Point();
}

void MVConnectionViewAdapter::setSelected(bool selected)
{
  if (view_ != nullptr) {
    view_->setSelected(selected);
  }
}
