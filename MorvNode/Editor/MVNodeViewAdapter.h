#pragma once

#include <functional>

#include <QPointer>

#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/MVNodeViewShape.h"
#include "MorvNode/Model/MVCoalescedLayout.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "Platform/Point.h"
#include "Platform/Size.h"

class MVNode;

// What a node owns of its box on the editor canvas. The canvas makes the box's widget only
// while the box is in or near the visible area (it owns that widget; this adapter keeps a
// guarded reference), so the adapter is also where the box lives while it has no widget: its
// origin in editor coordinates and its last measured shape. "Needs layout" lays the widget
// out once after the pass of the run loop; without a widget there is nothing to lay out.
class MVNodeViewAdapter final : public MVNodeInterfaceDelegate, public MVCoalescedLayout {
public:
  using ViewMaker = std::function<MVNodeView*()>;

  // The widget is made on demand (makeView) by `maker`.
  explicit MVNodeViewAdapter(ViewMaker maker) : maker_(std::move(maker)) {}
  ~MVNodeViewAdapter() override;

  MVNodeView* view() const { return view_.data(); }
  // A new, unplaced widget from the maker when there is none (the canvas places it); the
  // existing one otherwise. nullptr when the maker makes none.
  MVNodeView* makeView();
  // Measures the widget (shape), keeps its origin and lets it go: it leaves the canvas now and
  // is deleted soon after. The node's rows let go of their widgets too.
  void dropView(MVNode& node);
  // Measures the widget's size and socket centres into shape().
  void measureShape(const MVNode& node);
  const MVNodeViewShape& shape() const { return shape_; }
  void setShape(MVNodeViewShape shape) { shape_ = std::move(shape); }

  // The canvas this box belongs to and the node (neither owned: the canvas outlives its use
  // here, the node owns this adapter); set when the canvas takes the node in.
  NodeViewEditorView* editor() const { return editor_; }
  void setEditor(NodeViewEditorView* editor, const MVNode* node)
  {
    editor_ = editor;
    node_ = node;
  }
  // Moves the box (widget or kept origin) without telling the canvas: the canvas itself moves
  // many boxes at once and updates once.
  void moveFrameTo(pf::Point origin);
  // Stacking rank among the canvas's boxes: higher ranks are drawn above lower ones.
  long stackRank() const { return stackRank_; }
  void setStackRank(long rank) { stackRank_ = rank; }
  // Where a drag of the selection started (editor coordinates).
  pf::Point dragStartOrigin() const { return dragStartOrigin_; }
  void setDragStartOrigin(pf::Point origin) { dragStartOrigin_ = origin; }

  void setNeedsLayout() override;
  void remove() override;
  void menuRename() override;
  void refreshGraphicsPreviews() override;
  void initParameterInterface() override;
  // Editor coordinates; the widget's place while there is one, else the kept origin.
  pf::Point frameOrigin() const override;
  void setFrameOrigin(pf::Point origin) override;
  // The widget's size, else the one the canvas keeps for the box.
  pf::Size frameSize() const override;

protected:
  void layoutNow() override;

private:
  ViewMaker maker_;
  QPointer<MVNodeView> view_;
  NodeViewEditorView* editor_ = nullptr;
  const MVNode* node_ = nullptr;
  pf::Point origin_;  // editor coordinates, kept while there is no widget
  MVNodeViewShape shape_;
  pf::Point dragStartOrigin_;
  long stackRank_ = 0;
};
