#include "Shared/SVG/ODSVGLayer.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "Platform/BlendMode.h"
#include "Platform/DrawingContext.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGShapeLayer.h"

namespace {

// The SVG library's blend mode codes (the order of the mix-blend-mode keywords).
pf::BlendMode blendModeForCode(int code)
{
  static constexpr pf::BlendMode kModes[] = {
      pf::BlendMode::Normal,     pf::BlendMode::Multiply,  pf::BlendMode::Screen,    pf::BlendMode::Overlay,
      pf::BlendMode::Darken,     pf::BlendMode::Lighten,   pf::BlendMode::ColorDodge, pf::BlendMode::ColorBurn,
      pf::BlendMode::SoftLight,  pf::BlendMode::HardLight, pf::BlendMode::Difference, pf::BlendMode::Exclusion,
      pf::BlendMode::Hue,        pf::BlendMode::Saturation, pf::BlendMode::Color,     pf::BlendMode::Luminosity};
  if (code < 0 || code >= static_cast<int>(std::size(kModes))) {
    return pf::BlendMode::Normal;
  }
  return kModes[code];
}

void collectDeepest(const ODSVGLayer& layer, std::vector<ODSVGLayer*>& result)
{
  for (const std::shared_ptr<ODSVGLayer>& sublayer : layer.sublayers()) {
    if (sublayer->sublayers().empty()) {
      result.push_back(sublayer.get());
    } else {
      collectDeepest(*sublayer, result);
    }
  }
}

// Draws a sublayer or a mask placed in the current space; a placement Cairo cannot use skips
// the layer (a scale of 0 is ordinary SVG and draws nothing).
void renderPlaced(pf::DrawingContext& context, const ODSVGLayer& layer)
{
  if (layer.isHidden()) {
    return;
  }
  const pf::AffineTransform placement = layer.geometryTransform();
  if (!placement.isFiniteAndInvertible()) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(context);
  if (context.concat(placement)) {
    layer.renderInContext(context);
  }
}

}  // namespace

ODSVGLayer::ODSVGLayer() = default;

ODSVGLayer::~ODSVGLayer() = default;

std::vector<ODSVGLayer*> ODSVGLayer::deepestSublayersOfLayer(const ODSVGLayer& layer)
{
  std::vector<ODSVGLayer*> result;
  collectDeepest(layer, result);
  return result;
}

void ODSVGLayer::recursivelyWalkLayer(ODSVGLayer& layer, const std::function<void(ODSVGLayer&, bool)>& block)
{
  block(layer, false);
  if (const std::shared_ptr<ODSVGLayer> mask = layer.mask()) {
    block(*mask, true);
  }
  // A copy: the block may change the tree's masks, never its sublayer lists.
  const std::vector<std::shared_ptr<ODSVGLayer>> sublayers = layer.sublayers();
  for (const std::shared_ptr<ODSVGLayer>& sublayer : sublayers) {
    recursivelyWalkLayer(*sublayer, block);
  }
}

pf::AffineTransform ODSVGLayer::geometryTransform() const
{
  const double anchorX = bounds_.origin.x + 0.5 * bounds_.size.width;
  const double anchorY = bounds_.origin.y + 0.5 * bounds_.size.height;
  return pf::AffineTransform::translation(position_.x, position_.y)
      .concatenated(transform_)
      .concatenated(pf::AffineTransform::translation(-anchorX, -anchorY));
}

pf::Rect ODSVGLayer::frame() const
{
  return geometryTransform().apply(bounds_);
}

void ODSVGLayer::setFrame(const pf::Rect& frame)
{
  const pf::Rect r = frame.standardized();
  pf::Size size = r.size;
  // An axis-aligned transform (a flip, a scale) keeps the frame's size over the bounds it maps.
  if (transform_.b == 0.0 && transform_.c == 0.0 && transform_.a != 0.0 && transform_.d != 0.0) {
    size = pf::Size(size.width / std::abs(transform_.a), size.height / std::abs(transform_.d));
  }
  bounds_.size = size;
  position_ = pf::Point(r.origin.x + 0.5 * r.size.width, r.origin.y + 0.5 * r.size.height);
}

void ODSVGLayer::addSublayer(std::shared_ptr<ODSVGLayer> layer)
{
  if (!layer) {
    return;
  }
  if (ODSVGLayer* old = layer->superlayer_) {
    auto& siblings = old->sublayers_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), layer), siblings.end());
  }
  layer->superlayer_ = this;
  sublayers_.push_back(std::move(layer));
}

void ODSVGLayer::setConvertMasksToPaths(bool convert)
{
  if (convert == convertMasksToPaths_) {
    return;
  }
  convertMasksToPaths_ = convert;
  if (convert) {
    maskingLayer_ = std::move(mask_);
    mask_ = nullptr;
  } else {
    mask_ = std::move(maskingLayer_);
    maskingLayer_ = nullptr;
  }
}

void ODSVGLayer::setBackingScaleFactor(double scale)
{
  if (scale == backingScaleFactor_) {
    return;
  }
  backingScaleFactor_ = scale;
  setNeedsDisplay();
}

pf::Point ODSVGLayer::absoluteOrigin() const
{
  return absoluteOrigin_;
}

void ODSVGLayer::drawInContext(pf::DrawingContext&) const {}

void ODSVGLayer::renderInContext(pf::DrawingContext& context) const
{
  if (hidden_ || !(opacity_ > 0.0)) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(context);
  if (blendingMode_ != 0) {
    context.setBlendMode(blendModeForCode(blendingMode_));
  }
  customRenderInContext(context);
}

void ODSVGLayer::customRenderInContext(pf::DrawingContext& context) const
{
  if (convertMasksToPaths_ && maskingLayer_) {
    const pf::DrawingContext::StateGuard guard(context);
    if (applySublayerMaskToContext(context, pf::Point())) {
      renderContents(context, nullptr);
    } else {
      renderContents(context, maskingLayer_.get());
    }
    return;
  }
  renderContents(context, mask_.get());
}

std::optional<std::pair<pf::Path, pf::FillRule>> ODSVGLayer::clipOfMask(const ODSVGLayer& mask)
{
  const ODSVGLayer* layer = &mask;
  pf::AffineTransform placement;
  // Down a chain of plain groups with one sublayer each, to one plain shape.
  while (true) {
    if (layer->isHidden() || layer->opacity() < 1.0 || layer->blendingMode() != 0 || layer->mask_ ||
        layer->maskingLayer_) {
      return std::nullopt;
    }
    placement.concat(layer->geometryTransform());
    if (const auto* shape = dynamic_cast<const ODSVGShapeLayer*>(layer)) {
      if (!shape->isClipShape() || !placement.isFiniteAndInvertible()) {
        return std::nullopt;
      }
      pf::Path path = shape->path();
      path.transform(placement);
      return std::make_pair(std::move(path), shape->fillRule());
    }
    if (typeid(*layer) != typeid(ODSVGGroupLayer) || layer->sublayers_.size() != 1) {
      return std::nullopt;
    }
    layer = layer->sublayers_.front().get();
  }
}

void ODSVGLayer::renderContents(pf::DrawingContext& context, const ODSVGLayer* alphaMask) const
{
  const double opacity = std::min(opacity_, 1.0);
  if (alphaMask) {
    if (std::optional<std::pair<pf::Path, pf::FillRule>> clip = clipOfMask(*alphaMask)) {
      context.clipToPath(clip->first, clip->second);
      alphaMask = nullptr;
    }
  }
  const bool leaf = sublayers_.empty() && !alphaMask && drawsOnePaint();
  const bool blended = context.blendMode() != pf::BlendMode::Normal;
  // A blend mode or an opacity composites the layer as a whole, sublayers included; a layer
  // that only draws its own content takes them directly.
  const bool grouped = !leaf && (opacity < 1.0 || blended);
  if (grouped) {
    context.beginTransparencyGroup();
    context.setBlendMode(pf::BlendMode::Normal);
  } else if (opacity < 1.0) {
    context.setAlpha(context.alpha() * opacity);
  }
  if (alphaMask) {
    context.beginMaskedGroup();
    context.setBlendMode(pf::BlendMode::Normal);
  }
  drawInContext(context);
  for (const std::shared_ptr<ODSVGLayer>& sublayer : sublayers_) {
    renderPlaced(context, *sublayer);
  }
  if (alphaMask) {
    context.beginMask();
    renderPlaced(context, *alphaMask);
    context.endMaskedGroup();
  }
  if (grouped) {
    context.endTransparencyGroup(opacity);
  }
}

bool ODSVGLayer::applySublayerMaskToContext(pf::DrawingContext& context, pf::Point offset) const
{
  const auto* shape = dynamic_cast<const ODSVGShapeLayer*>(maskingLayer_.get());
  if (!shape || !shape->isClipShape()) {
    return false;
  }
  const pf::AffineTransform placement =
      shape->geometryTransform().concatenated(pf::AffineTransform::translation(-offset.x, -offset.y));
  if (!placement.isFiniteAndInvertible()) {
    context.clipToRect(pf::Rect());  // a mask squeezed to nothing shows nothing
    return true;
  }
  pf::Path path = shape->path();
  path.transform(placement);
  context.clipToPath(path, shape->fillRule());
  return true;
}
