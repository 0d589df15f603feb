#pragma once

#include <QPointer>

#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Model/MVCoalescedLayout.h"
#include "MorvNode/Model/MVParameterInterfaceDelegate.h"

// What a parameter owns of its row: a guarded reference to the widget the node view owns. A
// "needs layout" mark lays the row out once after the pass of the run loop. When the parameter
// goes first, the row forgets it; a row that never got a parent goes with the adapter.
class MVParameterViewAdapter final : public MVParameterInterfaceDelegate, public MVCoalescedLayout {
public:
  explicit MVParameterViewAdapter(MVParameterView* view) : view_(view) {}
  ~MVParameterViewAdapter() override;

  MVParameterView* view() const { return view_.data(); }

  void setNeedsLayout() override { markNeedsLayout(); }
  void makeFirstResponder() override;
  void setHidden(bool hidden) override;

protected:
  void layoutNow() override;

private:
  QPointer<MVParameterView> view_;
};
