#pragma once

#include <optional>

#include "Platform/AlphaMask.h"
#include "Platform/Rect.h"
#include "Platform/StrokeStyle.h"

namespace pf {
class AffineTransform;
class DrawingContext;
}  // namespace pf

class ODSVGLayer;
class ODSVGShapeLayer;

// Draws an SVG document's layer tree with direct drawing calls (Cairo, through
// pf::DrawingContext) instead of letting each layer render itself: only shape layers' own
// content (fill colour or gradient, then stroke colour or gradient); image and pattern layers
// draw nothing (their sublayers are still visited); hidden layers are skipped with their
// sublayers. A mask becomes a grey bitmap, rendered by this renderer at `scale` times
// `backingScale` pixels per unit, that the masked layer is composited through.
//
// Coordinates: each layer is drawn in its bounds space, placed in its superlayer's by its
// geometry (ODSVGLayer::geometryTransform). Opacity passes down through groups: a layer with
// sublayers and an opacity below 1 is composited as a whole.
//
// Holds its three settings only; each call draws at once and keeps nothing. One thread at a
// time, under the transaction lock like every drawing of a layer tree.
class ODSVGCairoRenderer {
public:
  double scale() const { return scale_; }
  void setScale(double scale) { scale_ = scale; }
  double backingScale() const { return backingScale_; }
  void setBackingScale(double scale) { backingScale_ = scale; }
  // Kept for the caller; drawing does not read it.
  pf::Rect viewPort() const { return viewPort_; }
  void setViewPort(const pf::Rect& viewPort) { viewPort_ = viewPort; }

  // Draws the layer and its sublayers in the context's current space, taken as the space the
  // layer is placed in. The context's state is the same afterwards.
  void renderLayer(const ODSVGLayer& layer, pf::DrawingContext& context) const;
  // One shape layer's own content in its bounds space; nothing for other layers.
  void renderLayerContent(const ODSVGLayer& layer, pf::DrawingContext& context) const;

  static pf::LineJoin lineJoinFromLayer(const ODSVGShapeLayer& layer);
  static pf::LineCap lineCapFromLayer(const ODSVGShapeLayer& layer);
  // The area the layer tree covers in the space the layer is placed in: the union of the
  // layer's frame and every sublayer's frame brought into that space, each shape's outset by
  // its stroke width. Boxes without width and height count for nothing; nullopt when none has
  // any.
  static std::optional<pf::Rect> findFrameForLayer(const ODSVGLayer& layer);
  static void recursivelyFindFrameForLayer(const ODSVGLayer& layer, const pf::AffineTransform& toRoot,
                                           std::optional<pf::Rect>& rect);

  // The layer tree rendered into a mask covering findFrameForLayer (written to `proposedRect`)
  // at scale x backing scale pixels per unit; nullopt when it covers nothing or the bitmap
  // caps refuse the size.
  std::optional<pf::AlphaMask> newMaskedImageForLayer(const ODSVGLayer& layer, pf::Rect& proposedRect) const;

  // A rectangle at (0, 0) whose width is |x - width| and height |y - height| of the given one.
  static pf::Rect convertLayerFrame(const pf::Rect& rect);

private:
  double scale_ = 1.0;
  double backingScale_ = 1.0;
  pf::Rect viewPort_;
};
