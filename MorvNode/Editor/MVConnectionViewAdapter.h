#pragma once

#include <QPointer>

#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Model/MVConnectionInterfaceDelegate.h"

// What a connection owns of its curve: a guarded reference to the widget the canvas owns. End
// locations are answered in the graph's editor coordinates.
class MVConnectionViewAdapter final : public MVConnectionInterfaceDelegate {
public:
  explicit MVConnectionViewAdapter(MVConnectionView* view) : view_(view) {}
  ~MVConnectionViewAdapter() override;

  MVConnectionView* view() const { return view_.data(); }

  void remove() override;
  void setNeedsDisplay() override;
  void updateEndLocations() override;
  pf::Point fromEndLocation() const override;
  pf::Point toEndLocation() const override;
  void setSelected(bool selected) override;

private:
  pf::Point toModel(QPointF canvasPoint) const;

  QPointer<MVConnectionView> view_;
};
