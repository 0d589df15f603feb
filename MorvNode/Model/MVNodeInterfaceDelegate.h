#pragma once

#include "Platform/Point.h"
#include "Platform/Size.h"

// A node's box in the node editor, as the model reaches it. The interface layer implements it
// as a thin adapter owned by the node that refers to the widget the editor owns (by node ID or a
// guarded pointer) and never owns it; headless, a node has none.
class MVNodeInterfaceDelegate {
public:
  virtual ~MVNodeInterfaceDelegate() = default;

  // Marks the box for layout (enable change, layers changed, note edited); only marks, as the
  // rows do (see MVCoalescedLayout).
  virtual void setNeedsLayout() = 0;
  // Takes the box out of the editor; the node drops this object right after.
  virtual void remove() = 0;
  // Starts editing the title.
  virtual void menuRename() = 0;
  // Renders the graphics previews of the rows again.
  virtual void refreshGraphicsPreviews() = 0;
  // Rebuilds the parameter rows.
  virtual void initParameterInterface() = 0;
  // Editor coordinates of the box's origin; saved as the node's view origin.
  virtual pf::Point frameOrigin() const = 0;
  virtual void setFrameOrigin(pf::Point origin) = 0;
  // The box's size in editor points (new nodes are placed beside it).
  virtual pf::Size frameSize() const = 0;
};
