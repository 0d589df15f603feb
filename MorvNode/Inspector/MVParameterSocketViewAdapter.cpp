#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"

#include "MorvNode/Model/MVParameterSocket.h"

MVParameterSocketViewAdapter::~MVParameterSocketViewAdapter()
{
  if (view_ != nullptr) {
    view_->setSocket(nullptr);
  }
}

void MVParameterSocketViewAdapter::setNeedsLayout()
{
  if (view_ == nullptr) {
    return;
  }
  if (const MVParameterSocket* socket = view_->socket()) {
    view_->setVisible(socket->enabled());
  }
  view_->requestDisplay();
}
