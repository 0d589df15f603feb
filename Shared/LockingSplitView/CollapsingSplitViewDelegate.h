#pragma once

class CollapsingSplitView;

// Told by a collapsing split view about resizes (only while no pane is collapsed), about the
// collapse of its second pane and about the end of an animated expansion.
class CollapsingSplitViewDelegate {
public:
  virtual ~CollapsingSplitViewDelegate() = default;

  virtual void splitViewDidResizeSubviews(CollapsingSplitView& splitView) = 0;
  virtual void splitViewDidCollapse(CollapsingSplitView& splitView) = 0;
  virtual void splitViewDidExpand(CollapsingSplitView& splitView) = 0;
};
