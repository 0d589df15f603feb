#pragma once

#include <QPointer>

#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Model/MVCoalescedLayout.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"

// What a node owns of its box: a guarded reference to the widget the canvas owns. "Needs
// layout" lays the box out once after the pass of the run loop. Positions are the graph's
// editor coordinates, which the canvas maps to its own.
class MVNodeViewAdapter final : public MVNodeInterfaceDelegate, public MVCoalescedLayout {
public:
  explicit MVNodeViewAdapter(MVNodeView* view) : view_(view) {}
  ~MVNodeViewAdapter() override;

  MVNodeView* view() const { return view_.data(); }

  void setNeedsLayout() override { markNeedsLayout(); }
  void remove() override;
  void menuRename() override;
  void refreshGraphicsPreviews() override;
  void initParameterInterface() override;
  pf::Point frameOrigin() const override;
  void setFrameOrigin(pf::Point origin) override;
  pf::Size frameSize() const override;

protected:
  void layoutNow() override;

private:
  QPointer<MVNodeView> view_;
};
