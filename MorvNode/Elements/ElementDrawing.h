#pragma once

#include <optional>

#include "Platform/AffineTransform.h"
#include "Platform/Rect.h"
#include "Platform/Color.h"
#include "Platform/StrokeStyle.h"

class ElementRenderer;
class MVElement;

namespace pf {
class DrawingContext;
}

// Drawing steps shared by the element classes.
namespace elementdrawing {

// The context an element draws into: nullptr when the renderer has none, or (with a log line)
// when the element's resources were released.
pf::DrawingContext* renderingContextFor(const MVElement& element, ElementRenderer& renderer);

// Applies an element's own transform to the context. When the product with the enclosing
// transform is not finite and invertible (a drawing library cannot use it), the context is left
// unchanged, the renderer counts the element as skipped and the answer is false: the element is
// not drawn, the rest of the tree is.
bool concatElementTransform(pf::DrawingContext& context, const pf::AffineTransform& transform,
                            ElementRenderer& renderer);

// Where a leaf lands on the device: `box` (in the element's own space, under `transform` on top
// of `parents`, the context's transformation where it draws) mapped to device space and grown by `outset` device units for what strokes
// and anti-aliasing add, with the whole transformation. nullopt for anything not finite or a
// transformation that is not invertible (the drawing code decides about those).
struct DevicePlacement {
  pf::AffineTransform transform;  // element space to device space
  pf::Rect box;
};
std::optional<DevicePlacement> devicePlacement(const pf::AffineTransform& parents, const pf::AffineTransform& transform,
                                               const pf::Rect& box, double outset);
// Whether a leaf whose device box is `box` lies wholly outside the renderer's drawing area, so
// that it can be left out; false when the renderer fills all of device space.
bool outsideDrawingArea(const pf::Rect& box, const ElementRenderer& renderer);
// Whether `box` lies wholly outside `area` (touching edges count as inside).
bool outsideArea(const pf::Rect& box, const pf::Rect& area);

// The device units a stroke of `width` device units reaches beyond its path: half the width,
// times Cairo's default miter limit of 10 for sharp mitred corners (bitmap passes keep that
// limit), plus one unit of anti-aliasing. 1 for no stroke.
double strokeOutset(double width);

// The element's `blendMode` code: 0 or below normal, 1 to 9 the table's modes, 10 and above
// leave the context's mode as it is.
void setContextBlendMode(pf::DrawingContext& context, int blendModeCode);

// Cap and join codes of an element (0 butt / miter, 1 square / round, 2 round / bevel); other
// codes leave the context's setting (nullopt).
std::optional<pf::LineCap> lineCap(int code);
std::optional<pf::LineJoin> lineJoin(int code);

// Strokes the current path (already added under the element's transform) in device space: the
// transformation is reset to the identity for the stroke, so `width` is in surface units
// whatever the element's scale, and put back afterwards. Only red, green and blue of the colour
// are used (an absent colour is black); `opacity` is the alpha. A `width` of 0 or below, or NaN,
// strokes with 0; a width above 2^18 (infinity included) strokes with 2^18, which covers any
// bitmap from a path inside it (Cairo draws wider strokes empty or cut).
void strokeCurrentPathInDeviceSpace(pf::DrawingContext& context, const std::optional<pf::Color>& color,
                                    double opacity, double width, int capCode, int joinCode);

// Red, green and blue of an optional colour (black when absent) with the given alpha.
void setFillColor(pf::DrawingContext& context, const std::optional<pf::Color>& color, double alpha);

}  // namespace elementdrawing
