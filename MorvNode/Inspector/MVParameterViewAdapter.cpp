#include "MorvNode/Inspector/MVParameterViewAdapter.h"

MVParameterViewAdapter::~MVParameterViewAdapter()
{
  if (view_ == nullptr) {
    return;
  }
  if (view_->parentWidget() == nullptr) {
    delete view_.data();
    return;
  }
  view_->setParameter(nullptr);
}

void MVParameterViewAdapter::makeFirstResponder()
{
  if (view_ != nullptr) {
    view_->makeFirstResponder();
  }
}

void MVParameterViewAdapter::setHidden(bool hidden)
{
  if (view_ != nullptr) {
    view_->setHidden(hidden);
  }
}

void MVParameterViewAdapter::layoutNow()
{
  if (view_ != nullptr) {
    view_->layoutRow();
  }
}
