#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/Path.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"

namespace pf {
class DrawingContext;
}

class ODSVGGradientLayer;
class ODSVGPatternLayer;
class ODSVGStrokeLayer;

// One layer of the retained tree an SVG document is drawn from: a box with its own content,
// sublayers drawn above it in order, and a mask.
//
// Geometry: content and sublayers live in the layer's bounds space. The layer sits in its
// superlayer's bounds space through its position (where the anchor point, the centre of the
// bounds, lands) and its affine transform, applied about the anchor. `frame` is the box the
// bounds cover in the superlayer's space; setting it keeps the transform. A mask lives in the
// masked layer's bounds space and shows the layer where its alpha is.
//
// Drawing (`renderInContext`): a hidden layer, or one of opacity 0, draws nothing; otherwise the
// content, then the sublayers, composited through the mask with the layer's opacity and blend
// mode. A sublayer or mask whose placement is not finite and invertible is skipped and the rest
// drawn. The context's state is the same after as before.
//
// A mask that is one plain shape (alone or in plain groups) draws as a clip to its path, which
// shows the same and costs no offscreen group; any other mask masks by its alpha. Vector mode
// (`setConvertMasksToPaths`) puts the mask aside as the masking layer and draws it the same way.
//
// Ownership: a layer owns its sublayers and its mask; the superlayer link and the five fill
// and stroke references are plain pointers to layers the tree owns. Built and drawn under the
// transaction lock (ODSVGTransaction.h).
class ODSVGLayer {
public:
  ODSVGLayer();
  virtual ~ODSVGLayer();
  ODSVGLayer(const ODSVGLayer&) = delete;
  ODSVGLayer& operator=(const ODSVGLayer&) = delete;

  // The sublayers, depth first, that have no sublayers of their own (the layer itself never).
  static std::vector<ODSVGLayer*> deepestSublayersOfLayer(const ODSVGLayer& layer);
  // Calls `block` with (layer, false), then with (its mask, true) when it has one at that
  // moment, then walks each sublayer the same way. A mask's own sublayers are not walked.
  static void recursivelyWalkLayer(ODSVGLayer& layer, const std::function<void(ODSVGLayer&, bool)>& block);

  // Geometry.
  pf::Rect bounds() const { return bounds_; }
  void setBounds(const pf::Rect& bounds) { bounds_ = bounds; }
  pf::Point position() const { return position_; }
  void setPosition(pf::Point position) { position_ = position; }
  const pf::AffineTransform& affineTransform() const { return transform_; }
  void setAffineTransform(const pf::AffineTransform& transform) { transform_ = transform; }
  pf::Rect frame() const;
  void setFrame(const pf::Rect& frame);
  // Bounds space to the superlayer's bounds space.
  pf::AffineTransform geometryTransform() const;

  double opacity() const { return opacity_; }
  void setOpacity(double opacity) { opacity_ = opacity; }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  // Blend mode code of the SVG library (0 normal, 1 multiply ... 15 luminosity).
  int blendingMode() const { return blendingMode_; }
  void setBlendingMode(int mode) { blendingMode_ = mode; }

  void addSublayer(std::shared_ptr<ODSVGLayer> layer);  // nullptr is ignored
  const std::vector<std::shared_ptr<ODSVGLayer>>& sublayers() const { return sublayers_; }
  ODSVGLayer* superlayer() const { return superlayer_; }
  const std::shared_ptr<ODSVGLayer>& mask() const { return mask_; }
  void setMask(std::shared_ptr<ODSVGLayer> mask) { mask_ = std::move(mask); }

  // Vector mode; switching to the current mode changes nothing.
  bool convertMasksToPaths() const { return convertMasksToPaths_; }
  void setConvertMasksToPaths(bool convert);
  const std::shared_ptr<ODSVGLayer>& maskingLayer() const { return maskingLayer_; }

  // Layers whose content is a bitmap or drawn by the layer (image, pattern, gradient).
  bool requiresBackingScaleHelp() const { return requiresBackingScaleHelp_; }
  double backingScaleFactor() const { return backingScaleFactor_; }
  void setBackingScaleFactor(double scale);
  bool needsDisplay() const { return needsDisplay_; }
  virtual void setNeedsDisplay() { needsDisplay_ = true; }

  ODSVGGradientLayer* gradientFillLayer() const { return gradientFillLayer_; }
  void setGradientFillLayer(ODSVGGradientLayer* layer) { gradientFillLayer_ = layer; }
  ODSVGPatternLayer* patternFillLayer() const { return patternFillLayer_; }
  void setPatternFillLayer(ODSVGPatternLayer* layer) { patternFillLayer_ = layer; }
  ODSVGGradientLayer* gradientStrokeLayer() const { return gradientStrokeLayer_; }
  void setGradientStrokeLayer(ODSVGGradientLayer* layer) { gradientStrokeLayer_ = layer; }
  ODSVGPatternLayer* patternStrokeLayer() const { return patternStrokeLayer_; }
  void setPatternStrokeLayer(ODSVGPatternLayer* layer) { patternStrokeLayer_ = layer; }
  ODSVGStrokeLayer* strokeLayer() const { return strokeLayer_; }
  void setStrokeLayer(ODSVGStrokeLayer* layer) { strokeLayer_ = layer; }

  // The sum of the frame origins of this layer and its superlayers.
  virtual pf::Point absoluteOrigin() const;
  void setAbsoluteOrigin(pf::Point origin) { absoluteOrigin_ = origin; }

  // Draws the layer and its sublayers in the context's current space (taken as the layer's
  // bounds space), with the layer's blend mode.
  void renderInContext(pf::DrawingContext& context) const;
  // Vector mode: clips the context to the masking layer when it is one plain shape (offset moves
  // the clip path). Answers whether it clipped.
  bool applySublayerMaskToContext(pf::DrawingContext& context, pf::Point offset) const;
  // The path, in this layer's space, that a mask placed here shows exactly: one plain shape,
  // alone or inside plain groups. nullopt for any other mask (several shapes, opacity, images).
  static std::optional<std::pair<pf::Path, pf::FillRule>> clipOfMask(const ODSVGLayer& mask);
  // One opaque filled shape without stroke, sublayers or mask: can stand in for a clip.
  virtual bool isClipShape() const { return false; }
  // The own content is one paint (so an opacity can apply to it directly, without a group).
  virtual bool drawsOnePaint() const { return true; }

protected:
  // The layer's own content in its bounds space; nothing by default.
  virtual void drawInContext(pf::DrawingContext& context) const;
  void setRequiresBackingScaleHelp(bool value) { requiresBackingScaleHelp_ = value; }

private:
  void customRenderInContext(pf::DrawingContext& context) const;
  void renderContents(pf::DrawingContext& context, const ODSVGLayer* alphaMask) const;

  pf::Rect bounds_;
  pf::Point position_;
  pf::AffineTransform transform_;
  double opacity_ = 1.0;
  bool hidden_ = false;
  bool needsDisplay_ = false;
  std::vector<std::shared_ptr<ODSVGLayer>> sublayers_;
  ODSVGLayer* superlayer_ = nullptr;  // not owned: the superlayer owns this layer
  std::shared_ptr<ODSVGLayer> mask_;

  std::shared_ptr<ODSVGLayer> maskingLayer_;
  bool requiresBackingScaleHelp_ = false;
  bool convertMasksToPaths_ = false;
  int blendingMode_ = 0;
  // Not owned: sublayers (or, for a stroke that masks a gradient or pattern stroke, that
  // layer's mask) of this layer.
  ODSVGGradientLayer* gradientFillLayer_ = nullptr;
  ODSVGPatternLayer* patternFillLayer_ = nullptr;
  ODSVGGradientLayer* gradientStrokeLayer_ = nullptr;
  ODSVGPatternLayer* patternStrokeLayer_ = nullptr;
  ODSVGStrokeLayer* strokeLayer_ = nullptr;
  double backingScaleFactor_ = 1.0;
  pf::Point absoluteOrigin_;
};
