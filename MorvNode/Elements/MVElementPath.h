#pragma once

#include <cstdint>
#include <optional>

#include "MorvNode/Elements/MVElement.h"
#include "Platform/Path.h"

namespace elementdrawing {
struct DevicePlacement;
}
namespace pf {
class DrawingContext;
class Font;
}

// The leaf drawn from one vector path: every shape, line, text outline and imported outline
// ends up as one. The path is in element coordinates and shared, never copied: a copy holds the
// same path, so a path handed to an element is never changed again (build a new one instead).
// The class also builds the shape paths of the shape and line nodes, all centred on the origin.
class MVElementPath : public MVElement {
public:
  // Written out rather than defaulted: std::make_shared value-initialises, which zeroes an object
  // whose constructor is defaulted before the member initialisers write it again (every member
  // here and in MVElement has one).
  MVElementPath() {}

  [[nodiscard]] std::shared_ptr<MVElement> copy() const override;
  std::string_view className() const override { return "MVElementPath"; }
  std::optional<std::string> elementTypeDescription() const override;
  // "<MVElementPath 'name'(7) [evenOddFillMode closed]>".
  std::string description() const override;

  // Step 1 also the path, step 2 its points.
  void prefetchRelease(int step) const override;

  // Closed outlines hit by their area, open ones by their stroke.
  bool closedPath() const { return closedPath_; }
  void setClosedPath(bool closed) { closedPath_ = closed; }
  bool evenOddFillMode() const { return evenOddFillMode_; }
  void setEvenOddFillMode(bool evenOdd) { evenOddFillMode_ = evenOdd; }
  // nullptr: no geometry (nothing to draw, measure or hit).
  const pf::SharedPath& cgPath() const { return cgPath_; }
  void setCgPath(pf::SharedPath path) { cgPath_ = std::move(path); }

  // The path's own box (curves, not control points), grown by half the stroke width.
  std::optional<pf::Rect> boundingBoxNested() const override;
  // The path mapped through the parents and the element's transform, then grown by half the
  // stroke width untransformed (the stroke is drawn in output units whatever the scale).
  std::optional<pf::Rect> transformedBoundingBoxNested(const pf::AffineTransform& parents = {}) const override;
  // Closed: inside under the even-odd rule, whatever the fill rule. Open: on the stroke widened
  // to max(strokeWidth + 1, 5) with miter limit 1; never without a stroke.
  bool pointInElement(pf::Point point, const pf::AffineTransform& parents = {}) const override;

  void render(ElementRenderer& renderer) const override;
  // The device box that drawing tests against a pass's drawing area (the control points' box
  // under `parents`, the enclosing transformation from user to device space, and the element's
  // transform, grown for stroke and anti-aliasing), so that a pass can learn beforehand which
  // parts of the bitmap the path reaches. nullopt where drawing decides otherwise: no path, or
  // nothing finite and invertible to place.
  std::optional<pf::Rect> deviceBox(const pf::AffineTransform& parents, double strokeRenderingScale) const;
  void renderSelectionOutline(ElementRenderer& renderer) const override;
  // A <path> with the path's points in SVG user units, its fill (fill="none" without a fill
  // colour or opacity, fill-rule="evenodd" for even-odd fills) and its stroke; empty for an
  // invisible element or a path without points. Opacity and blend mode are not written.
  std::string svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const override;
  void releaseResources() override;

  // Shape factories. Lengths in output units, angles in radians from +x towards +y (clockwise
  // on the y-down output). Zero or negative sizes give the degenerate path the geometry gives.
  static pf::Path cgPathForCircleWithRadius(double radius);
  static pf::Path cgPathForEllipseWithWidth(double width, double height);
  static pf::Path cgPathForSquareWithSide(double side);
  static pf::Path cgPathForRectangleWithWidth(double width, double height);
  // The right angle is at the bottom-left corner (-w/2, h/2).
  static pf::Path cgPathForRightTriangleWithWidth(double width, double height);
  // The top edge is moved right by shift/2, the bottom edge left by shift/2.
  static pf::Path cgPathForParallelogramWithWidth(double width, double height, double shift);
  // The top edge (at -h/2) is longer by `shift` at each end.
  static pf::Path cgPathForTrapeziodWithWidth(double width, double height, double shift);
  static pf::Path cgPathForLineFromX(double x1, double y1, double x2, double y2);
  // An arc of `angle` centred on the top (0, -r); with `wedge` a closed pie slice.
  static pf::Path cgPathForCircleSegmentWithRadius(double radius, double angle, bool wedge);
  // A ring segment of `angle` centred on the top.
  static pf::Path cgPathForCircleSegmentWedgeWithInnerRadius(double innerRadius, double outerRadius, double angle);
  // Starts at the bottom vertex (0, r); fewer than 2 sides: the starting point only.
  static pf::Path cgPathForPolygonWithRadius(double radius, int sides);
  // Starts at the top vertex (0, -r); rounding > 0 bends the edges outward along the tangents,
  // < 0 pulls the handles towards the centre.
  static pf::Path cgPathForRoundedPolygonWithRadius(double radius, int sides, double rounding);
  // Alternates outer and inner points, starting at the inner point (0, r).
  static pf::Path cgPathForRoundedStarWithOuterRadius(double outerRadius, double innerRadius, int sides,
                                                      double outerRounding, double innerRounding);
  // The glyph's outline at the font's size, y-up as fonts are drawn (element nodes flip it),
  // optionally centred on the origin. nullopt without a font or for a glyph without outline.
  static std::optional<pf::Path> cgPathForGlyph(std::uint16_t glyph, const pf::Font* font, bool center);

private:
  bool isStroked() const;
  // Where drawing under `parents` puts the path whose own transform is `own`; needs cgPath_.
  std::optional<elementdrawing::DevicePlacement> devicePlacement(const pf::AffineTransform& parents,
                                                                 const pf::AffineTransform& own,
                                                                 double strokeRenderingScale) const;
  enum class BatchedFill { Filled, Invisible, NotBatched };
  // Hands a plain fill to the context's batch (see ElementRenderer::batchesFills); NotBatched
  // for anything the full drawing must do.
  BatchedFill renderInBatch(pf::DrawingContext& context, const elementdrawing::DevicePlacement& placed,
                            const ElementRenderer& renderer) const;

  bool closedPath_ = true;
  bool evenOddFillMode_ = false;
  pf::SharedPath cgPath_;
};
