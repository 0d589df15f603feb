#include "Shared/SVG/ODSVGCairoRenderer.h"

#include <cmath>
#include <typeinfo>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/Bitmap.h"
#include "Platform/DrawingContext.h"
#include "Platform/Numbers.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVGGradientLayer.h"
#include "Shared/SVG/ODSVGLayer.h"
#include "Shared/SVG/ODSVGShapeLayer.h"
#include "Shared/SVG/ODSVGStrokeLayer.h"

namespace {

// Draws a gradient layer (cut to its own mask) placed in the current space.
void renderGradient(const ODSVGGradientLayer& gradient, pf::DrawingContext& context)
{
  const pf::AffineTransform placement = gradient.geometryTransform();
  if (!placement.isFiniteAndInvertible()) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(context);
  if (context.concat(placement)) {
    gradient.renderInContext(context);
  }
}

pf::Rect unite(const std::optional<pf::Rect>& rect, const pf::Rect& other)
{
  if (!rect) {
    return other;
  }
  const double minX = std::min(rect->minX(), other.minX());
  const double minY = std::min(rect->minY(), other.minY());
  const double maxX = std::max(rect->maxX(), other.maxX());
  const double maxY = std::max(rect->maxY(), other.maxY());
  return pf::Rect(minX, minY, maxX - minX, maxY - minY);
}

}  // namespace

void ODSVGCairoRenderer::renderLayer(const ODSVGLayer& layer, pf::DrawingContext& context) const
{
  if (layer.isHidden()) {
    return;
  }
  // Drawn by the shape layer that owns them.
  if (typeid(layer) == typeid(ODSVGStrokeLayer) || typeid(layer) == typeid(ODSVGGradientLayer)) {
    return;
  }
  const pf::AffineTransform placement = layer.geometryTransform();
  if (!placement.isFiniteAndInvertible()) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(context);
  if (!context.concat(placement)) {
    return;
  }
  const double opacity = std::clamp(layer.opacity(), 0.0, 1.0);
  const bool grouped = opacity < 1.0 && !layer.sublayers().empty();
  if (grouped) {
    context.beginTransparencyGroup();
  } else {
    context.setAlpha(context.alpha() * opacity);
  }
  std::optional<pf::AlphaMask> mask;
  pf::Rect maskRect;
  if (layer.mask()) {
    mask = newMaskedImageForLayer(*layer.mask(), maskRect);
    if (!mask) {
      // A mask that covers nothing shows nothing.
      if (grouped) {
        context.endTransparencyGroup(opacity);
      }
      return;
    }
    context.beginMaskedGroup();
  }
  renderLayerContent(layer, context);
  for (const std::shared_ptr<ODSVGLayer>& sublayer : layer.sublayers()) {
    renderLayer(*sublayer, context);
  }
  if (mask) {
    context.beginMask();
    mask->paint(context, maskRect);
    context.endMaskedGroup();
  }
  if (grouped) {
    context.endTransparencyGroup(opacity);
  }
}

void ODSVGCairoRenderer::renderLayerContent(const ODSVGLayer& layer, pf::DrawingContext& context) const
{
  if (typeid(layer) != typeid(ODSVGShapeLayer)) {
    return;
  }
  const auto& shape = static_cast<const ODSVGShapeLayer&>(layer);
  {
    const pf::DrawingContext::StateGuard fill(context);
    context.clipToPath(shape.path(), shape.fillRule());
    if (const ODSVGGradientLayer* gradient = shape.gradientFillLayer()) {
      renderGradient(*gradient, context);
    } else if (shape.fillColor()) {
      context.setFillColor(*shape.fillColor());
      context.fillPath(shape.path(), shape.fillRule());
    }
  }
  const ODSVGStrokeLayer* stroke = shape.strokeLayer();
  if (!stroke) {
    return;
  }
  const pf::DrawingContext::StateGuard strokeState(context);
  if (const ODSVGGradientLayer* gradient = shape.gradientStrokeLayer()) {
    // The gradient cut to the stroke, which is the gradient layer's mask.
    renderGradient(*gradient, context);
    return;
  }
  // The stroke layer of a pattern stroke is only its cut-out, drawn black.
  if (shape.patternStrokeLayer() || !stroke->strokeColor() || !(stroke->lineWidth() > 0.0)) {
    return;
  }
  context.setAlpha(context.alpha() * std::clamp(stroke->opacity(), 0.0, 1.0));
  context.setLineCap(lineCapFromLayer(*stroke));
  context.setLineJoin(lineJoinFromLayer(*stroke));
  context.setMiterLimit(stroke->miterLimit());
  std::vector<double> dashes;
  for (const double length : stroke->lineDashPattern()) {
    dashes.push_back(static_cast<float>(length));
  }
  context.setLineDash(dashes, stroke->lineDashPhase());
  context.setLineWidth(stroke->lineWidth());
  context.setStrokeColor(*stroke->strokeColor());
  context.strokePath(stroke->path());
}

pf::LineJoin ODSVGCairoRenderer::lineJoinFromLayer(const ODSVGShapeLayer& layer)
{
  switch (layer.lineJoin()) {
    case pf::LineJoin::Bevel:
      return pf::LineJoin::Bevel;
    case pf::LineJoin::Miter:
      return pf::LineJoin::Miter;
    case pf::LineJoin::Round:
      break;
  }
  return pf::LineJoin::Round;
}

pf::LineCap ODSVGCairoRenderer::lineCapFromLayer(const ODSVGShapeLayer& layer)
{
  switch (layer.lineCap()) {
    case pf::LineCap::Butt:
      return pf::LineCap::Butt;
    case pf::LineCap::Round:
      return pf::LineCap::Round;
    case pf::LineCap::Square:
      break;
  }
  return pf::LineCap::Square;
}

std::optional<pf::Rect> ODSVGCairoRenderer::findFrameForLayer(const ODSVGLayer& layer)
{
  std::optional<pf::Rect> rect;
  recursivelyFindFrameForLayer(layer, layer.geometryTransform(), rect);
  return rect;
}

void ODSVGCairoRenderer::recursivelyFindFrameForLayer(const ODSVGLayer& layer, const pf::AffineTransform& toRoot,
                                                      std::optional<pf::Rect>& rect)
{
  pf::Rect bounds = layer.bounds();
  if (const auto* shape = dynamic_cast<const ODSVGShapeLayer*>(&layer)) {
    if (const ODSVGStrokeLayer* stroke = shape->strokeLayer()) {
      const double outset = std::isfinite(stroke->lineWidth()) ? stroke->lineWidth() : 0.0;
      bounds = pf::Rect(bounds.origin.x - outset, bounds.origin.y - outset, bounds.size.width + 2 * outset,
                        bounds.size.height + 2 * outset);
    }
  }
  if (bounds.size.width != 0.0 || bounds.size.height != 0.0) {
    const pf::Rect frame = toRoot.apply(bounds);
    if (frame.isFinite()) {
      rect = unite(rect, frame);
    }
  }
  for (const std::shared_ptr<ODSVGLayer>& sublayer : layer.sublayers()) {
    recursivelyFindFrameForLayer(*sublayer, toRoot.concatenated(sublayer->geometryTransform()), rect);
  }
}

std::optional<pf::AlphaMask> ODSVGCairoRenderer::newMaskedImageForLayer(const ODSVGLayer& layer,
                                                                        pf::Rect& proposedRect) const
{
  const std::optional<pf::Rect> frame = findFrameForLayer(layer);
  if (!frame) {
    return std::nullopt;
  }
  proposedRect = *frame;
  const double pixelScale = scale_ * backingScale_;
  const int width = pf::saturatingCast<int>(frame->size.width * pixelScale);
  const int height = pf::saturatingCast<int>(frame->size.height * pixelScale);
  if (!pf::Bitmap::isAllowedSize(width, height)) {
    return std::nullopt;
  }
  std::optional<pf::Surface> surface = pf::Surface::bitmap(width, height);
  if (!surface) {
    return std::nullopt;
  }
  {
    pf::DrawingContext context(*surface);
    // The bitmap covers the frame: its corner is the frame's origin.
    context.scale(width / frame->size.width, height / frame->size.height);
    context.translate(-frame->origin.x, -frame->origin.y);
    renderLayer(layer, context);
  }
  std::optional<pf::Bitmap> bitmap = std::move(*surface).takeBitmap();
  if (!bitmap) {
    return std::nullopt;
  }
  return pf::AlphaMask::fromLuminance(*bitmap);
}

pf::Rect ODSVGCairoRenderer::convertLayerFrame(const pf::Rect& rect)
{
  return pf::Rect(0.0, 0.0, std::abs(rect.origin.x - rect.size.width), std::abs(rect.origin.y - rect.size.height));
}
