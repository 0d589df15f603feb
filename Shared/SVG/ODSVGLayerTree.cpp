#include "Shared/SVG/ODSVGLayerTree.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGColor.h"
#include "Shared/SVG/ODSVGGradient.h"
#include "Shared/SVG/ODSVGGradientLayer.h"
#include "Shared/SVG/ODSVGGroup.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGImage.h"
#include "Shared/SVG/ODSVGImageLayer.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGPattern.h"
#include "Shared/SVG/ODSVGPatternLayer.h"
#include "Shared/SVG/ODSVGShapeLayer.h"
#include "Shared/SVG/ODSVGStrokeLayer.h"

namespace {

double lengthValue(const std::optional<ODSVGUnitLength>& length)
{
  return length ? length->value() : 0.0;
}

// The smallest rectangle with whole-number edges that holds `rect`.
pf::Rect integral(const pf::Rect& rect)
{
  const pf::Rect r = rect.standardized();
  const double minX = std::floor(r.minX());
  const double minY = std::floor(r.minY());
  return pf::Rect(minX, minY, std::ceil(r.maxX()) - minX, std::ceil(r.maxY()) - minY);
}

pf::Rect pathBox(const pf::Path& path)
{
  return path.bounds().value_or(pf::Rect());
}

// A transform attribute's list as one matrix, placed as the layer wrappers place it: the first
// entry outermost, so the last acts first on a point.
pf::AffineTransform placementOfList(const std::vector<ODSVGTransform>& transforms)
{
  pf::AffineTransform result;
  for (const ODSVGTransform& transform : transforms) {
    result = result.concatenated(transform.CGAffineTransform());
  }
  return result;
}

}  // namespace

class ODSVGLayerTree::ReferenceGuard {
public:
  ReferenceGuard(ODSVGLayerTree& tree, const ODSVGNode* node) : tree_(tree)
  {
    auto& building = tree_.building_;
    entered_ = std::find(building.begin(), building.end(), node) == building.end();
    if (entered_) {
      building.push_back(node);
    } else {
      FeedbackManager::log("Warning, ODSVGLayerTree skipped a reference to %@ inside itself",
                           node->identifier().value_or(node->name()));
    }
  }
  ~ReferenceGuard()
  {
    if (entered_) {
      tree_.building_.pop_back();
    }
  }
  ReferenceGuard(const ReferenceGuard&) = delete;
  ReferenceGuard& operator=(const ReferenceGuard&) = delete;
  bool entered() const { return entered_; }

private:
  ODSVGLayerTree& tree_;
  bool entered_ = false;
};

bool ODSVGLayerTree::countLayer()
{
  if (layerCount_ >= kMaxLayers) {
    if (!budgetLogged_) {
      budgetLogged_ = true;
      FeedbackManager::log("Warning, ODSVGLayerTree stopped at %ld layers, the rest of the document is not drawn",
                           static_cast<long>(kMaxLayers));
    }
    return false;
  }
  ++layerCount_;
  return true;
}

std::shared_ptr<ODSVGLayer> ODSVGLayerTree::layerForNode(const std::shared_ptr<ODSVGNode>& node)
{
  if (!node || !countLayer()) {
    return nullptr;
  }
  std::shared_ptr<ODSVGLayer> layer;
  if (const auto* path = dynamic_cast<const ODSVGPath*>(node.get())) {
    layer = layerForPath(*path);
  } else if (const auto* group = dynamic_cast<const ODSVGGroup*>(node.get())) {
    layer = layerForGroup(*group);
  } else if (const auto* image = dynamic_cast<const ODSVGImage*>(node.get())) {
    layer = layerForImage(*image);
  }
  if (!layer) {
    return nullptr;
  }
  applyDefaultsToLayer(*layer, *node);
  return applyTransforms(node->transforms(), std::move(layer), *node);
}

void ODSVGLayerTree::applyDefaultsToLayer(ODSVGLayer& layer, const ODSVGNode& node) const
{
  layer.setOpacity(static_cast<float>(lengthValue(node.opacity())));
  if (node.blendMode() != 0) {
    layer.setBlendingMode(node.blendMode());
  }
  if (!node.shouldRender()) {
    layer.setHidden(true);
  }
}

std::shared_ptr<ODSVGLayer> ODSVGLayerTree::applyTransforms(const std::vector<ODSVGTransform>& transforms,
                                                            std::shared_ptr<ODSVGLayer> layer, const ODSVGNode& node)
{
  const pf::Rect frame = layer->frame();
  const double x = node.x() ? node.x()->computeValue(frame.width()) : 0.0;
  const double y = node.y() ? node.y()->computeValue(frame.height()) : 0.0;
  if (x == 0.0 && y == 0.0 && transforms.empty()) {
    return layer;
  }
  std::vector<ODSVGTransform> all = transforms;
  if (x != 0.0 || y != 0.0) {
    all.push_back(ODSVGTransform::transformByTranslatingX(x, y));
  }
  // The first transform of the list is the outermost wrapper; the offset acts first.
  std::shared_ptr<ODSVGLayer> outermost;
  ODSVGLayer* innermost = nullptr;
  for (const ODSVGTransform& transform : all) {
    auto wrapper = std::make_shared<ODSVGGroupLayer>();
    wrapper->setAffineTransform(transform.CGAffineTransform());
    ODSVGLayer* next = wrapper.get();
    if (innermost) {
      innermost->addSublayer(std::move(wrapper));
    } else {
      outermost = std::move(wrapper);
    }
    innermost = next;
  }
  innermost->addSublayer(std::move(layer));
  return outermost;
}

std::shared_ptr<ODSVGLayer> ODSVGLayerTree::layerForGroup(const ODSVGGroup& node)
{
  if (const std::shared_ptr<ODSVG>& nested = node.svg()) {
    const std::shared_ptr<ODSVGParser>& root = nested->rootNode();
    if (!root) {
      return nullptr;
    }
    const ReferenceGuard guard(*this, root.get());
    if (!guard.entered()) {
      return nullptr;
    }
    std::shared_ptr<ODSVGLayer> content = layerForGroup(*root);
    // The nested view box fills the nested document's size, centred, as the document's own
    // drawing maps it.
    const pf::Rect viewBox = nested->viewBox();
    const pf::Size size = nested->proposedViewSize();
    const double scale = std::min(size.width / viewBox.width(), size.height / viewBox.height());
    if (!content || !std::isfinite(scale) || !(scale > 0.0) || (scale == 1.0 && viewBox.origin == pf::Point())) {
      return content;
    }
    auto placed = std::make_shared<ODSVGGroupLayer>();
    placed->setAffineTransform(
        pf::AffineTransform::translation((size.width - viewBox.width() * scale) / 2.0 - viewBox.origin.x * scale,
                                         (size.height - viewBox.height() * scale) / 2.0 - viewBox.origin.y * scale)
            .scaled(scale, scale));
    placed->addSublayer(std::move(content));
    return placed;
  }
  auto layer = std::make_shared<ODSVGGroupLayer>();
  for (const std::shared_ptr<ODSVGNode>& child : node.children()) {
    layer->addSublayer(layerForNode(child));
  }
  layer->setFrame(pf::Rect(0.0, 0.0, lengthValue(node.width()), lengthValue(node.height())));
  maskLayer(*layer, node);
  return layer;
}

std::shared_ptr<ODSVGImageLayer> ODSVGLayerTree::layerForImage(const ODSVGImage& node)
{
  auto layer = std::make_shared<ODSVGImageLayer>(node.image());
  // Images draw y-up in their box; the flip shows them upright in the document's y-down space.
  layer->setAffineTransform(pf::AffineTransform::concat(layer->affineTransform(), pf::AffineTransform::scaling(1.0, -1.0)));
  const pf::Rect frame = layer->frame();
  layer->setFrame(pf::Rect(frame.origin.x, frame.origin.y, lengthValue(node.width()), lengthValue(node.height())));
  return layer;
}

pf::Rect ODSVGLayerTree::correctedBounds(const pf::Rect& rect)
{
  auto corrected = [](double value) { return value >= INFINITY ? 0.0 : value; };
  return pf::Rect(corrected(rect.origin.x), corrected(rect.origin.y), corrected(rect.size.width),
                  corrected(rect.size.height));
}

pf::Rect ODSVGLayerTree::correctBounds(const pf::Rect& rect, const ODSVGNode& node)
{
  const double width = lengthValue(node.strokeWidth());
  return pf::Rect(rect.origin.x - width / 2.0, rect.origin.y - width / 2.0, rect.size.width + width,
                  rect.size.height + width);
}

std::shared_ptr<ODSVGShapeLayer> ODSVGLayerTree::basicLayerForPath(const ODSVGPath& node, pf::Rect& originalBoundingBox)
{
  auto layer = std::make_shared<ODSVGShapeLayer>();
  const std::optional<pf::Path> path = node.newPathRefByAutoClosingPath(false);
  const pf::Rect box = path ? integral(pathBox(*path)) : pf::Rect();
  originalBoundingBox = box;
  layer->setOriginalPathOrigin(box.origin);
  const pf::Rect corrected = correctedBounds(box);
  if (path) {
    pf::Path moved = *path;
    moved.transform(pf::AffineTransform::translation(-corrected.origin.x, -corrected.origin.y));
    layer->setPath(std::move(moved));
  }
  layer->setFrame(integral(corrected));
  layer->setFillColor(std::nullopt);
  layer->setFillRule(fillRule(node.windingRule()));
  return layer;
}

std::shared_ptr<ODSVGShapeLayer> ODSVGLayerTree::layerForPath(const ODSVGPath& node)
{
  pf::Rect box;
  std::shared_ptr<ODSVGShapeLayer> layer = basicLayerForPath(node, box);
  const bool stroked = node.strokeColor() || node.strokePattern() || node.strokeGradient();

  // Fill: override, gradient, pattern, colour, black.
  if (!fillColor_ && node.fillGradient()) {
    std::shared_ptr<ODSVGGradientLayer> gradient = gradientLayerForLayer(*layer, node.fillGradient(), node, box, true);
    layer->setGradientFillLayer(gradient.get());
    layer->addSublayer(std::move(gradient));
  } else if (std::shared_ptr<ODSVGPattern> fillPattern = node.fillPattern(); !fillColor_ && fillPattern) {
    std::shared_ptr<ODSVGPatternLayer> pattern = patternLayerForLayer(*layer, fillPattern, node, box);
    if (pattern) {
      applyOffsetsToLayer(*pattern, *fillPattern);
      layer->setPatternFillLayer(pattern.get());
      layer->addSublayer(std::move(pattern));
    }
  } else {
    std::optional<pf::Color> color = node.fillColor();
    // An override replaces every fill except an explicitly transparent colour.
    if (fillColor_ && (node.fillPattern() || node.fillGradient() || !color || color->alpha() != 0.0)) {
      color = fillColor_;
    }
    color = proposedColorForColor(color);
    if (color) {
      layer->setFillColor(color);
    } else {
      pf::Color black = pf::Color::black();
      const std::optional<ODSVGUnitLength> fillOpacity = node.fillOpacity();
      if (fillOpacity && fillOpacity->value() != 1.0) {
        black = ODSVGColor::changeAlphaOnColor(black, fillOpacity->value());
      }
      layer->setFillColor(proposedColorForColor(black));
    }
  }

  if (stroked) {
    std::shared_ptr<ODSVGStrokeLayer> stroke = strokeLayer(*layer, node);
    std::shared_ptr<ODSVGLayer> painted;
    if (!strokeColor_ && node.strokeGradient()) {
      std::shared_ptr<ODSVGGradientLayer> gradient = gradientStrokeLayerForLayer(*layer, node.strokeGradient(), node, box);
      layer->setGradientStrokeLayer(gradient.get());
      painted = std::move(gradient);
    } else if (std::shared_ptr<ODSVGPattern> strokePattern = node.strokePattern(); !strokeColor_ && strokePattern) {
      std::shared_ptr<ODSVGPatternLayer> pattern = patternStrokeLayerForLayer(*layer, strokePattern, node, box);
      if (pattern) {
        applyOffsetsToLayer(*pattern, *strokePattern);
        layer->setPatternStrokeLayer(pattern.get());
        painted = std::move(pattern);
      }
    }
    layer->setStrokeLayer(stroke.get());
    if (painted) {
      // The stroke, in black, cuts the paint to its outline; the paint's layer is outset by
      // half the line width, so the stroke moves by as much to line up.
      stroke->setStrokeColor(pf::Color::black());
      painted->setOpacity(stroke->opacity());
      stroke->setOpacity(1.0);
      const double half = stroke->lineWidth() / 2.0;
      const pf::Rect frame = stroke->frame();
      stroke->setFrame(pf::Rect(frame.origin.x + half, frame.origin.y + half, frame.size.width, frame.size.height));
      painted->setMask(std::move(stroke));
      layer->addSublayer(std::move(painted));
    } else if (!(!strokeColor_ && node.strokePattern())) {
      layer->addSublayer(std::move(stroke));
    }
  }

  maskLayer(*layer, node);
  return layer;
}

std::shared_ptr<ODSVGStrokeLayer> ODSVGLayerTree::strokeLayer(const ODSVGShapeLayer& layer, const ODSVGNode& node)
{
  std::optional<pf::Color> color = node.strokeColor();
  if (strokeColor_ && ((color && color->alpha() != 0.0) || node.strokePattern() || node.strokeGradient())) {
    color = strokeColor_;
  }
  color = proposedColorForColor(color);

  auto stroke = std::make_shared<ODSVGStrokeLayer>();
  stroke->setPath(layer.path());
  stroke->setFillColor(std::nullopt);
  stroke->setStrokeColor(color);

  // Width: the override, else the node's; a width nobody set is 1, an explicit 0 draws none.
  const std::optional<ODSVGUnitLength> nodeWidth = node.strokeWidth();
  double width = 1.0;
  if (strokeWidth_ > 0.0) {
    width = strokeWidth_;
  } else if (nodeWidth && nodeWidth->value() > 0.0) {
    width = nodeWidth->value();
  } else if (nodeWidth && !nodeWidth->inherit()) {
    width = 0.0;
  }
  stroke->setLineWidth(width);
  stroke->setLineCap(lineCap(lineCapStyle_ != 0 ? lineCapStyle_ : node.lineCapStyle()));
  stroke->setLineJoin(lineJoin(lineJoinStyle_ != 0 ? lineJoinStyle_ : node.lineJoinStyle()));

  const std::optional<ODSVGUnitLength> strokeOpacity = node.strokeOpacity();
  stroke->setOpacity(strokeOpacity ? strokeOpacity->value() : 1.0);
  stroke->setLineDashPhase(lengthValue(node.strokeDashOffset()));
  stroke->setLineDashPattern(lineDashPattern(node));
  return stroke;
}

std::vector<double> ODSVGLayerTree::lineDashPattern(const ODSVGNode& node)
{
  // Dashes inherit like the other stroke properties: the nearest node that sets some.
  for (const ODSVGNode* current = &node; current != nullptr; current = current->parentNode()) {
    if (current->strokeDashArrayCount() > 0) {
      return current->strokeDashArray();
    }
  }
  return {};
}

pf::LineCap ODSVGLayerTree::lineCap(long style)
{
  return style == 2 ? pf::LineCap::Round : style == 3 ? pf::LineCap::Square : pf::LineCap::Butt;
}

pf::LineJoin ODSVGLayerTree::lineJoin(long style)
{
  return style == 2 ? pf::LineJoin::Round : style == 3 ? pf::LineJoin::Bevel : pf::LineJoin::Miter;
}

pf::FillRule ODSVGLayerTree::fillRule(long rule)
{
  return rule == 1 ? pf::FillRule::EvenOdd : pf::FillRule::NonZero;
}

std::shared_ptr<ODSVGShapeLayer> ODSVGLayerTree::layerMaskFromLayer(const ODSVGShapeLayer& layer)
{
  auto mask = std::make_shared<ODSVGShapeLayer>();
  mask->setFillColor(pf::Color::black());
  mask->setPath(layer.path());
  mask->setFillRule(layer.fillRule());
  return mask;
}

pf::AffineTransform ODSVGLayerTree::absoluteTransform(const ODSVGNode& node)
{
  pf::AffineTransform result;
  for (const ODSVGNode* ancestor = node.parentNode(); ancestor != nullptr; ancestor = ancestor->parentNode()) {
    if (ancestor == node.intermediateParentNode()) {
      continue;
    }
    // The nearer ancestor acts first on a point of the node.
    result = pf::AffineTransform::concat(result, ODSVGConcatTransforms(ancestor->transforms()));
  }
  return result;
}

std::optional<pf::Color> ODSVGLayerTree::proposedColorForColor(const std::optional<pf::Color>& color) const
{
  if (replacementColors_.empty() || !color) {
    return color;
  }
  const pf::Color converted = ODSVGColor::computeColorSpace(*color);
  for (const auto& [from, to] : replacementColors_) {
    if (ODSVGColor::computeColorSpace(from) == converted) {
      return to;
    }
  }
  return converted;
}

std::shared_ptr<ODSVGGradientLayer> ODSVGLayerTree::gradientLayerForLayer(const ODSVGShapeLayer& layer,
                                                                          const std::shared_ptr<ODSVGGradient>& gradient,
                                                                          const ODSVGNode& node,
                                                                          const pf::Rect& objectRect, bool shouldMask)
{
  auto result = std::make_shared<ODSVGGradientLayer>();
  result->setViewBox(viewBox_);
  result->setFrame(layer.bounds());
  result->setGradient(gradient);
  result->setAbsoluteTransform(absoluteTransform(node));
  result->setObjectRect(objectRect);
  if (shouldMask) {
    result->setMask(layerMaskFromLayer(layer));
  }
  const std::optional<ODSVGUnitLength> fillOpacity = node.fillOpacity();
  result->setOpacity(fillOpacity ? fillOpacity->value() : 1.0);
  return result;
}

std::shared_ptr<ODSVGGradientLayer> ODSVGLayerTree::gradientStrokeLayerForLayer(
    const ODSVGShapeLayer& layer, const std::shared_ptr<ODSVGGradient>& gradient, const ODSVGNode& node,
    const pf::Rect& objectRect)
{
  std::shared_ptr<ODSVGGradientLayer> result = gradientLayerForLayer(layer, gradient, node, objectRect, false);
  result->setFrame(correctBounds(pathBox(layer.path()), node));
  return result;
}

std::shared_ptr<ODSVGLayer> ODSVGLayerTree::patternContent(const std::shared_ptr<ODSVGPattern>& pattern)
{
  const ReferenceGuard guard(*this, pattern.get());
  if (!guard.entered() || !countLayer()) {
    return nullptr;
  }
  // The content is drawn from the tile's corner: the pattern's x and y place the tiles, not
  // the content inside them.
  std::shared_ptr<ODSVGLayer> content = layerForGroup(*pattern);
  if (content) {
    applyDefaultsToLayer(*content, *pattern);
  }
  return content;
}

std::shared_ptr<ODSVGPatternLayer> ODSVGLayerTree::patternLayerForLayer(const ODSVGShapeLayer& layer,
                                                                        const std::shared_ptr<ODSVGPattern>& pattern,
                                                                        const ODSVGNode& node,
                                                                        const pf::Rect& objectRect)
{
  std::shared_ptr<ODSVGLayer> content = patternContent(pattern);
  if (!content) {
    return nullptr;
  }
  auto result = std::make_shared<ODSVGPatternLayer>();
  result->setPatternNode(pattern);
  result->setPattern(std::move(content));
  result->setObjectRect(objectRect);
  result->setFrame(pathBox(layer.path()));
  const std::optional<ODSVGUnitLength> fillOpacity = node.fillOpacity();
  result->setOpacity(fillOpacity ? fillOpacity->value() : 1.0);
  result->setMask(layerMaskFromLayer(layer));
  result->setNeedsDisplay();
  return result;
}

std::shared_ptr<ODSVGPatternLayer> ODSVGLayerTree::patternStrokeLayerForLayer(
    const ODSVGShapeLayer& layer, const std::shared_ptr<ODSVGPattern>& pattern, const ODSVGNode& node,
    const pf::Rect& objectRect)
{
  std::shared_ptr<ODSVGLayer> content = patternContent(pattern);
  if (!content) {
    return nullptr;
  }
  auto result = std::make_shared<ODSVGPatternLayer>();
  result->setPatternNode(pattern);
  result->setPattern(std::move(content));
  result->setObjectRect(objectRect);
  result->setFrame(correctBounds(pathBox(layer.path()), node));
  result->setNeedsDisplay();
  return result;
}

void ODSVGLayerTree::applyOffsetsToLayer(ODSVGPatternLayer& layer, const ODSVGPattern& pattern)
{
  // Tile origin in the shape layer's space, whose origin is the object box's corner.
  const pf::Rect box = layer.objectRect();
  const double x = lengthValue(pattern.x());
  const double y = lengthValue(pattern.y());
  if (pattern.units() == 0) {
    layer.setTileOrigin(pf::Point(x - box.origin.x, y - box.origin.y));
  } else {
    layer.setTileOrigin(pf::Point(x * box.width(), y * box.height()));
  }
}

void ODSVGLayerTree::maskLayer(ODSVGLayer& layer, const ODSVGNode& node)
{
  const std::shared_ptr<ODSVGGroup>& clipPath = node.clipPath();
  const std::shared_ptr<ODSVGGroup>& mask = node.mask();
  if (!clipPath && !mask) {
    return;
  }
  // Clip paths and masks are written in the user space of the node; the masked layer's bounds
  // space is that space moved by the layer's frame origin. The box is asked only for units of
  // the object's bounding box.
  std::optional<std::optional<pf::Rect>> box;
  const auto boxOfNode = [&]() -> const std::optional<pf::Rect>& {
    if (!box) {
      box = objectBoundingBox(node);
    }
    return *box;
  };
  std::shared_ptr<ODSVGLayer> clip = clipPath ? clipLayerInUserSpace(clipPath, boxOfNode) : nullptr;
  std::shared_ptr<ODSVGLayer> masking = mask ? maskLayerInUserSpace(mask, boxOfNode) : nullptr;
  // A reference that makes no layer (a cycle, an empty clip path) shows nothing.
  auto container = std::make_shared<ODSVGGroupLayer>();
  if (clipPath && mask) {
    // The mask shows the layer only where the clip path lets it through as well.
    auto both = std::make_shared<ODSVGGroupLayer>();
    both->addSublayer(std::move(masking));
    auto clipContainer = std::make_shared<ODSVGGroupLayer>();
    clipContainer->addSublayer(std::move(clip));
    both->setMask(std::move(clipContainer));
    container->addSublayer(std::move(both));
  } else {
    container->addSublayer(clip ? std::move(clip) : std::move(masking));
  }
  // The container's bounds start at the masked layer's frame origin, so its content keeps the
  // element's user-space coordinates (which is also how the exporter writes them) and lands in
  // the masked layer's bounds space.
  const pf::Point origin = layer.frame().origin;
  container->setBounds(pf::Rect(origin.x, origin.y, 0.0, 0.0));
  layer.setMask(std::move(container));
}

std::shared_ptr<ODSVGLayer> ODSVGLayerTree::referencedContent(const ODSVGGroup& group, bool boxUnits,
                                                              const std::optional<pf::Rect>& box)
{
  if (!countLayer()) {
    return nullptr;
  }
  auto content = std::make_shared<ODSVGGroupLayer>();
  for (const std::shared_ptr<ODSVGNode>& child : group.children()) {
    content->addSublayer(layerForNode(child));
  }
  std::shared_ptr<ODSVGLayer> placed = content;
  if (boxUnits) {
    // Content in units of the box: (0, 0) is its corner and (1, 1) the opposite one. An object
    // without a box (or with an empty one) lets nothing through.
    if (!box || !(box->width() > 0.0) || !(box->height() > 0.0)) {
      return nullptr;
    }
    auto fitted = std::make_shared<ODSVGGroupLayer>();
    fitted->setAffineTransform(
        pf::AffineTransform::translation(box->minX(), box->minY()).scaled(box->width(), box->height()));
    fitted->addSublayer(std::move(placed));
    placed = std::move(fitted);
  }
  // The element's own transform acts in the user space, after the box units.
  if (!group.transforms().empty()) {
    auto transformed = std::make_shared<ODSVGGroupLayer>();
    transformed->setAffineTransform(placementOfList(group.transforms()));
    transformed->addSublayer(std::move(placed));
    placed = std::move(transformed);
  }
  return placed;
}

template <typename BoxOfNode>
std::shared_ptr<ODSVGLayer> ODSVGLayerTree::clipLayerInUserSpace(const std::shared_ptr<ODSVGGroup>& clipPath,
                                                                 const BoxOfNode& boxOfNode)
{
  const ReferenceGuard guard(*this, clipPath.get());
  if (!guard.entered()) {
    return nullptr;
  }
  const bool boxUnits = clipPath->units() == 1;
  std::shared_ptr<ODSVGLayer> clip = referencedContent(*clipPath, boxUnits, boxUnits ? boxOfNode() : std::nullopt);
  if (!clip) {
    return nullptr;
  }
  // A clip path is pure geometry: every shape is filled opaquely, strokes, paints, images and
  // opacities play no part.
  solidifyClipLayer(*clip);
  // A clip path on the clip path itself is in the same user space: both must let a point through.
  if (const std::shared_ptr<ODSVGGroup>& nested = clipPath->clipPath()) {
    auto intersected = std::make_shared<ODSVGGroupLayer>();
    intersected->addSublayer(std::move(clip));
    auto nestedContainer = std::make_shared<ODSVGGroupLayer>();
    nestedContainer->addSublayer(clipLayerInUserSpace(nested, boxOfNode));
    intersected->setMask(std::move(nestedContainer));
    clip = std::move(intersected);
  }
  return clip;
}

template <typename BoxOfNode>
std::shared_ptr<ODSVGLayer> ODSVGLayerTree::maskLayerInUserSpace(const std::shared_ptr<ODSVGGroup>& mask,
                                                                 const BoxOfNode& boxOfNode)
{
  const ReferenceGuard guard(*this, mask.get());
  if (!guard.entered()) {
    return nullptr;
  }
  const bool boxUnits = mask->contentUnits() == 1;
  std::shared_ptr<ODSVGLayer> content = referencedContent(*mask, boxUnits, boxUnits ? boxOfNode() : std::nullopt);
  if (content) {
    recursiveColorLayersFromLayer(*content, pf::Color::white());
  }
  return content;
}

void ODSVGLayerTree::solidifyClipLayer(ODSVGLayer& layer)
{
  layer.setOpacity(1.0);
  layer.setBlendingMode(0);
  if (auto* shape = dynamic_cast<ODSVGShapeLayer*>(&layer)) {
    shape->setFillColor(pf::Color::white());
    // Stroke, gradient and pattern layers are the shape's sublayers.
    for (const std::shared_ptr<ODSVGLayer>& sublayer : shape->sublayers()) {
      sublayer->setHidden(true);
    }
    return;
  }
  if (typeid(layer) != typeid(ODSVGGroupLayer)) {
    layer.setHidden(true);  // images and other content do not clip
    return;
  }
  for (const std::shared_ptr<ODSVGLayer>& sublayer : layer.sublayers()) {
    solidifyClipLayer(*sublayer);
  }
}

std::optional<pf::Rect> ODSVGLayerTree::objectBoundingBox(const ODSVGNode& node)
{
  if (const auto* path = dynamic_cast<const ODSVGPath*>(&node)) {
    const std::optional<pf::Path> geometry = path->newPathRefByAutoClosingPath(false);
    return geometry ? geometry->bounds() : std::nullopt;
  }
  if (const auto* image = dynamic_cast<const ODSVGImage*>(&node)) {
    return pf::Rect(0.0, 0.0, lengthValue(image->width()), lengthValue(image->height()));
  }
  const auto* group = dynamic_cast<const ODSVGGroup*>(&node);
  if (!group) {
    return std::nullopt;
  }
  std::optional<pf::Rect> result;
  for (const std::shared_ptr<ODSVGNode>& child : group->children()) {
    if (!child || !child->shouldRender()) {
      continue;
    }
    const std::optional<pf::Rect> childBox = objectBoundingBox(*child);
    if (!childBox) {
      continue;
    }
    // The child's offset acts first, then its transforms, as the layer wrappers place it.
    const pf::AffineTransform placement = placementOfList(child->transforms())
                                              .concatenated(pf::AffineTransform::translation(
                                                  lengthValue(child->x()), lengthValue(child->y())));
    result = pf::united(result, placement.apply(*childBox));
  }
  return result;
}

void ODSVGLayerTree::recursiveColorLayersFromLayer(ODSVGLayer& layer, const pf::Color& color)
{
  if (auto* shape = dynamic_cast<ODSVGShapeLayer*>(&layer)) {
    const bool painted = std::any_of(shape->sublayers().begin(), shape->sublayers().end(), [](const auto& sublayer) {
      return dynamic_cast<const ODSVGGradientLayer*>(sublayer.get()) ||
             dynamic_cast<const ODSVGPatternLayer*>(sublayer.get());
    });
    if (!painted) {
      shape->setFillColor(color);
    }
    return;
  }
  if (dynamic_cast<ODSVGGroupLayer*>(&layer)) {
    for (const std::shared_ptr<ODSVGLayer>& sublayer : layer.sublayers()) {
      recursiveColorLayersFromLayer(*sublayer, color);
    }
  }
}

void ODSVGLayerTree::adjustLayer(ODSVGLayer& layer, const ODSVGLayer& parent)
{
  // Moves the whole placement: setting the frame would apply the layer's transform again.
  const pf::Point parentOrigin = parent.frame().origin;
  const pf::Point position = layer.position();
  layer.setPosition(pf::Point(position.x - parentOrigin.x, position.y - parentOrigin.y));
}
