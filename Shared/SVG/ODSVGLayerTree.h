#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/Color.h"
#include "Platform/Rect.h"
#include "Platform/Path.h"
#include "Platform/StrokeStyle.h"
#include "Shared/SVG/ODSVGLayer.h"
#include "Shared/SVG/ODSVGTransform.h"

class ODSVGGradient;
class ODSVGGradientLayer;
class ODSVGGroup;
class ODSVGImage;
class ODSVGImageLayer;
class ODSVGNode;
class ODSVGPath;
class ODSVGPattern;
class ODSVGPatternLayer;
class ODSVGShapeLayer;
class ODSVGStrokeLayer;

// Turns a parsed SVG node tree into the layer tree it is drawn from: which layer each node
// becomes, transform wrappers, opacity, blend mode and visibility, fills (override, gradient,
// pattern, colour, black) and strokes (colour, gradient, pattern; width, caps, joins, dashes),
// clip paths and masks. Optional overrides (fill and stroke colour, stroke width, cap, join)
// and a colour replacement table change what it builds.
//
// One object per build, on the caller's thread; it keeps no layer. Layers are made fresh on
// every call, so a pattern or clip path used twice is built twice. A reference that leads back
// into what is being built (a pattern filled with itself) is skipped, and a build stops adding
// layers past kMaxLayers (both logged).
class ODSVGLayerTree {
public:
  static constexpr std::size_t kMaxLayers = 200000;

  ODSVGLayerTree() = default;

  // The outermost layer for the node, nullptr for a node that makes none.
  std::shared_ptr<ODSVGLayer> layerForNode(const std::shared_ptr<ODSVGNode>& node);
  std::shared_ptr<ODSVGShapeLayer> layerForPath(const ODSVGPath& node);
  std::shared_ptr<ODSVGLayer> layerForGroup(const ODSVGGroup& node);
  std::shared_ptr<ODSVGImageLayer> layerForImage(const ODSVGImage& node);
  void applyDefaultsToLayer(ODSVGLayer& layer, const ODSVGNode& node) const;
  // The outermost wrapper, or the layer itself without transforms and offsets.
  std::shared_ptr<ODSVGLayer> applyTransforms(const std::vector<ODSVGTransform>& transforms,
                                              std::shared_ptr<ODSVGLayer> layer, const ODSVGNode& node);
  // The path's integral box (user space) goes to `originalBoundingBox`.
  std::shared_ptr<ODSVGShapeLayer> basicLayerForPath(const ODSVGPath& node, pf::Rect& originalBoundingBox);
  static pf::Rect correctedBounds(const pf::Rect& rect);
  static pf::Rect correctBounds(const pf::Rect& rect, const ODSVGNode& node);
  std::shared_ptr<ODSVGShapeLayer> layerMaskFromLayer(const ODSVGShapeLayer& layer);
  static pf::AffineTransform absoluteTransform(const ODSVGNode& node);
  std::optional<pf::Color> proposedColorForColor(const std::optional<pf::Color>& color) const;
  std::shared_ptr<ODSVGGradientLayer> gradientLayerForLayer(const ODSVGShapeLayer& layer,
                                                            const std::shared_ptr<ODSVGGradient>& gradient,
                                                            const ODSVGNode& node, const pf::Rect& objectRect,
                                                            bool shouldMask);
  std::shared_ptr<ODSVGGradientLayer> gradientStrokeLayerForLayer(const ODSVGShapeLayer& layer,
                                                                  const std::shared_ptr<ODSVGGradient>& gradient,
                                                                  const ODSVGNode& node, const pf::Rect& objectRect);
  std::shared_ptr<ODSVGPatternLayer> patternLayerForLayer(const ODSVGShapeLayer& layer,
                                                          const std::shared_ptr<ODSVGPattern>& pattern,
                                                          const ODSVGNode& node, const pf::Rect& objectRect);
  std::shared_ptr<ODSVGPatternLayer> patternStrokeLayerForLayer(const ODSVGShapeLayer& layer,
                                                                const std::shared_ptr<ODSVGPattern>& pattern,
                                                                const ODSVGNode& node, const pf::Rect& objectRect);
  // Where the pattern's tiles start, from its x and y.
  static void applyOffsetsToLayer(ODSVGPatternLayer& layer, const ODSVGPattern& pattern);
  std::shared_ptr<ODSVGStrokeLayer> strokeLayer(const ODSVGShapeLayer& layer, const ODSVGNode& node);
  // The node's clip path and mask become the layer's mask, in the layer's bounds space.
  void maskLayer(ODSVGLayer& layer, const ODSVGNode& node);
  // The box of the node's geometry in its own user space (its own transforms left out);
  // nullopt when it has none.
  static std::optional<pf::Rect> objectBoundingBox(const ODSVGNode& node);
  static void recursiveColorLayersFromLayer(ODSVGLayer& layer, const pf::Color& color);
  // Moves the layer's frame by minus the parent's frame origin; the size and the transform stay.
  static void adjustLayer(ODSVGLayer& layer, const ODSVGLayer& parent);
  static std::vector<double> lineDashPattern(const ODSVGNode& node);
  static pf::LineJoin lineJoin(long style);
  static pf::LineCap lineCap(long style);
  static pf::FillRule fillRule(long rule);

  const std::optional<pf::Color>& fillColor() const { return fillColor_; }
  void setFillColor(std::optional<pf::Color> color) { fillColor_ = color; }
  const std::optional<pf::Color>& strokeColor() const { return strokeColor_; }
  void setStrokeColor(std::optional<pf::Color> color) { strokeColor_ = color; }
  double strokeWidth() const { return strokeWidth_; }
  void setStrokeWidth(double width) { strokeWidth_ = width; }
  long lineJoinStyle() const { return lineJoinStyle_; }
  void setLineJoinStyle(long style) { lineJoinStyle_ = style; }
  long lineCapStyle() const { return lineCapStyle_; }
  void setLineCapStyle(long style) { lineCapStyle_ = style; }
  using ReplacementColors = std::vector<std::pair<pf::Color, pf::Color>>;  // old colour, new colour
  const ReplacementColors& replacementColors() const { return replacementColors_; }
  void setReplacementColors(ReplacementColors colors) { replacementColors_ = std::move(colors); }
  pf::Rect viewBox() const { return viewBox_; }
  void setViewBox(const pf::Rect& viewBox) { viewBox_ = viewBox; }

private:
  // Counts a new layer against kMaxLayers; false once the budget is spent.
  bool countLayer();
  // Marks a referenced node as being built for the guard's lifetime; `entered` is false when it
  // already was (a cycle).
  class ReferenceGuard;
  std::shared_ptr<ODSVGLayer> patternContent(const std::shared_ptr<ODSVGPattern>& pattern);
  // A clip path's or mask's children in the user space of the node that refers to it: its
  // transform applied, and with `boxUnits` mapped onto the box first. nullptr when it lets
  // nothing through (the box is missing or empty, or the layer budget is spent).
  std::shared_ptr<ODSVGLayer> referencedContent(const ODSVGGroup& group, bool boxUnits,
                                                const std::optional<pf::Rect>& box);
  // A clip path as a mask (opaque white shapes), with the clip path on it, if any, applied;
  // `boxOfNode` answers the referring node's object bounding box. nullptr on a cycle.
  template <typename BoxOfNode>
  std::shared_ptr<ODSVGLayer> clipLayerInUserSpace(const std::shared_ptr<ODSVGGroup>& clipPath,
                                                   const BoxOfNode& boxOfNode);
  template <typename BoxOfNode>
  std::shared_ptr<ODSVGLayer> maskLayerInUserSpace(const std::shared_ptr<ODSVGGroup>& mask,
                                                   const BoxOfNode& boxOfNode);
  // Makes a clip path's layers draw its geometry only.
  static void solidifyClipLayer(ODSVGLayer& layer);

  std::optional<pf::Color> fillColor_;
  std::optional<pf::Color> strokeColor_;
  double strokeWidth_ = 0.0;   // 0 or less: no override
  long lineJoinStyle_ = 0;     // 0: no override
  long lineCapStyle_ = 0;      // 0: no override
  ReplacementColors replacementColors_;
  pf::Rect viewBox_;

  std::size_t layerCount_ = 0;
  bool budgetLogged_ = false;
  std::vector<const ODSVGNode*> building_;  // references being built, innermost last
};
