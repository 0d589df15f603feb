#pragma once

#include "Platform/Point.h"
#include "Platform/Size.h"

// A node's box in the node editor, as the model reaches it. The interface layer implements it
// (an adapter owned by the node that refers to the widget); headless, a node has none.
class MVNodeInterfaceDelegate {
public:
  virtual ~MVNodeInterfaceDelegate() = default;

  // Lays the box out again (enable change, layers changed, note edited).
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
