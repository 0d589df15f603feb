#pragma once

#include <string>

class MVElement;

namespace pf {
class DrawingContext;
struct Rect;
}

// What an element asks of the renderer that draws it: the context to draw into, the scales of
// the pass, its abort state, its visibility filter and the count of drawn elements. The
// renderer is handed to every drawing call explicitly; elements never keep it.
class ElementRenderer {
public:
  virtual ~ElementRenderer() = default;

  // View points per output unit (the zoom, fit included).
  virtual double renderingScale() const = 0;
  // Device pixels per output unit: the factor from a stroke width to device units.
  virtual double strokeRenderingScale() const = 0;
  // A newer pass is waiting: groups stop drawing their children.
  virtual bool renderingAborted() const = 0;
  // False while the pass is being aborted.
  virtual bool elementShouldRender() const = 0;
  // Counts one drawn leaf.
  virtual void elementRendered() = 0;
  // nullptr: nothing to draw into, elements draw nothing.
  virtual pf::DrawingContext* renderingContext() = 0;

  // Counts one element left out because its transform (with the enclosing ones) is not finite
  // and invertible; the renderer reports the count once per pass instead of a line per element.
  virtual void elementSkipped() {}
  // Whether groups grow their clip by one device pixel on pixel targets, so that the edges of
  // clipped neighbours do not leave hairline gaps (the "Clipping rendering sub-pixel overlaps"
  // preference, read once per pass).
  virtual bool enlargesClips() const { return false; }
  // Whether plain fills may wait in the context to be drawn together (pf::DrawingContext::
  // fillPathDeferred): a renderer that says so reads its pixels only after the context has
  // drawn them.
  virtual bool batchesFills() const { return false; }
  // The part of device space this renderer fills (the bitmap, or one band of it when several
  // threads draw it at once), or nullptr for all of it. A leaf that lies wholly outside may
  // leave its drawing out, and then says so with elementOutsideDrawingArea (with the device box
  // it would have drawn in) instead of elementRendered.
  virtual const pf::Rect* drawingArea() const { return nullptr; }
  virtual void elementOutsideDrawingArea(const MVElement& element, const pf::Rect& deviceBox)
  {
    (void)element;
    (void)deviceBox;
  }
  // For log lines ("<MVElementRenderer 'Preview'>").
  virtual std::string description() const { return "<ElementRenderer>"; }
};
