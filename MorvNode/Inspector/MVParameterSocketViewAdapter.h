#pragma once

#include <QPointer>

#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Model/MVParameterSocketInterfaceDelegate.h"

// What a socket owns of its view: a guarded reference to the widget its row owns. When the
// socket goes first, the widget forgets it.
class MVParameterSocketViewAdapter final : public MVParameterSocketInterfaceDelegate {
public:
  explicit MVParameterSocketViewAdapter(MVParameterSocketView* view) : view_(view) {}
  ~MVParameterSocketViewAdapter() override;

  MVParameterSocketView* view() const { return view_.data(); }
  void setNeedsLayout() override;

private:
  QPointer<MVParameterSocketView> view_;
};
