#pragma once

#include "Platform/Point.h"

// A connection's curve in the node editor, as the model reaches it; headless, a connection
// has none.
class MVConnectionInterfaceDelegate {
public:
  virtual ~MVConnectionInterfaceDelegate() = default;

  // Takes the curve out of the editor; the connection drops this object right after.
  virtual void remove() = 0;
  // Redraws the curve (ends changed, loop mark, editing state).
  virtual void setNeedsDisplay() = 0;
  // Re-reads both end points from the socket views.
  virtual void updateEndLocations() = 0;
  // Editor coordinates of the two ends.
  virtual pf::Point fromEndLocation() const = 0;
  virtual pf::Point toEndLocation() const = 0;
  virtual void setSelected(bool selected) = 0;
};
