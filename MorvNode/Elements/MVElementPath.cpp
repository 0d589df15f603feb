#include "MorvNode/Elements/MVElementPath.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <vector>

#include "MorvNode/Elements/BezierPathCGUtilities.h"
#include "MorvNode/Elements/ElementDrawing.h"
#include "MorvNode/Elements/ElementRenderer.h"
#include "Platform/DrawingContext.h"
#include "Platform/Font.h"
#include "Platform/Prefetch.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "MorvNode/Elements/MVSvgWriter.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHalfPi = std::numbers::pi / 2;
constexpr double kSqrt2 = std::numbers::sqrt2;
// Below this angle a circle segment is drawn as its radius line.
constexpr double kMinimumSegmentAngle = 0.001;

pf::Point onCircle(double radius, double angle)
{
  return {radius * std::cos(angle), radius * std::sin(angle)};
}

pf::Point unit(double angle)
{
  return {std::cos(angle), std::sin(angle)};
}

// The directions of a star's 2n points, from the top round and back to it: the radial one of
// point j at angle 2 pi j / 2n + pi / 2 and the tangent a quarter turn before it. They depend
// only on the number of points, so a document of many stars of one count computes them once
// per thread (the sines and cosines were most of a star's cost); larger counts than a star
// usually has are computed afresh rather than kept.
struct StarDirections {
  int points = 0;
  std::vector<pf::Point> radial;   // points + 1 entries
  std::vector<pf::Point> tangent;  // points + 1 entries
};

void computeStarDirections(StarDirections& directions, int points)
{
  const double step = 2 * kPi / points;
  directions.points = points;
  directions.radial.resize(static_cast<std::size_t>(points) + 1);
  directions.tangent.resize(static_cast<std::size_t>(points) + 1);
  for (int j = 0; j <= points; ++j) {
    const double t = step * j + kHalfPi;
    directions.radial[static_cast<std::size_t>(j)] = unit(t);
    directions.tangent[static_cast<std::size_t>(j)] = unit(t - kHalfPi);
  }
}

constexpr int kKeptStarPoints = 1024;

// The element's cap and join codes as stroke shapes; unknown codes keep the defaults.
pf::LineCap lineCapForCode(int code)
{
  switch (code) {
  case 1:
    return pf::LineCap::Square;
  case 2:
    return pf::LineCap::Round;
  default:
    return pf::LineCap::Butt;
  }
}

pf::LineJoin lineJoinForCode(int code)
{
  switch (code) {
  case 1:
    return pf::LineJoin::Round;
  case 2:
    return pf::LineJoin::Bevel;
  default:
    return pf::LineJoin::Miter;
  }
}

}  // namespace

std::shared_ptr<MVElement> MVElementPath::copy() const
{
  auto element = std::make_shared<MVElementPath>();
  copyBaseInto(*element);
  element->cgPath_ = cgPath_;
  element->evenOddFillMode_ = evenOddFillMode_;
  element->closedPath_ = closedPath_;
  return element;
}

std::optional<std::string> MVElementPath::elementTypeDescription() const
{
  return std::string("path element");
}

std::string MVElementPath::description() const
{
  const std::string flags = std::string(evenOddFillMode_ ? "evenOddFillMode " : "") + (closedPath_ ? "closed" : "open");
  return pf::format("<%@ '%@'(%ld) [%@]%@>", className(), elementNameText(), elementID(), flags,
                    hasReleasedResources() ? " [RELEASED]" : "");
}

std::string MVElementPath::svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const
{
  if (!cgPath_ || !isVisible()) {
    return {};
  }
  const pf::AffineTransform current = transform.concatenated(stackTransform().matrix);
  if (!current.isFiniteAndInvertible()) {
    return {};  // drawing skips such an element too
  }
  const std::string data = MVSvgWriter::pathData(*cgPath_, current);
  if (data.empty()) {
    return {};
  }
  std::string fill = " fill=\"none\"";
  if (const std::optional<pf::Color> color = fillColor(); color && fillOpacity() > 0) {
    fill = " fill=\"" + MVSvgWriter::rgb(*color) + "\" fill-opacity=\"" + MVSvgWriter::number(fillOpacity()) + "\"";
    if (evenOddFillMode_) {
      fill += " fill-rule=\"evenodd\"";
    }
  }
  return "<path id=\"" + writer.uniqueID(elementNameText()) + "\" d=\"" + data + "\"" + fill +
         writer.strokeAttributes(*this) + " />\n";
}

std::optional<pf::Rect> MVElementPath::boundingBoxNested() const
{
  if (!cgPath_) {
    return std::nullopt;
  }
  std::optional<pf::Rect> box = cgPath_->bounds();
  if (box && strokeWidth() != 0) {
    box = box->insetBy(-strokeWidth() / 2, -strokeWidth() / 2);
  }
  return box;
}

std::optional<pf::Rect> MVElementPath::transformedBoundingBoxNested(const pf::AffineTransform& parents) const
{
  if (!cgPath_) {
    return std::nullopt;
  }
  const pf::AffineTransform m = parents.concatenated(stackTransform().matrix);
  std::optional<pf::Rect> box = m.isIdentity() ? cgPath_->bounds() : cgPath_->transformed(m).bounds();
  if (box && strokeWidth() > 0 && strokeOpacity() > 0) {
    box = box->insetBy(-strokeWidth() / 2, -strokeWidth() / 2);
  }
  return box;
}

bool MVElementPath::pointInElement(pf::Point point, const pf::AffineTransform& parents) const
{
  if (!cgPath_) {
    return false;
  }
  const std::optional<pf::AffineTransform> inverse = parents.concatenated(stackTransform().matrix).inverted();
  if (!inverse) {
    return false;
  }
  const pf::Point local = inverse->apply(point);
  if (closedPath_) {
    return cgPath_->contains(local, pf::FillRule::EvenOdd);
  }
  if (strokeWidth() == 0) {
    return false;
  }
  pf::StrokeStyle style;
  style.width = std::max(strokeWidth() + 1, 5.0);
  style.miterLimit = 1;
  style.cap = lineCapForCode(strokeEndCap());
  style.join = lineJoinForCode(strokeJoints());
  return cgPath_->strokeContains(local, style);
}

void MVElementPath::render(ElementRenderer& renderer) const
{
  pf::DrawingContext* context = elementdrawing::renderingContextFor(*this, renderer);
  if (context == nullptr) {
    return;
  }
  const MVStackTransform own = stackTransform();
  if (cgPath_ && (renderer.drawingArea() != nullptr || renderer.batchesFills())) {
    const std::optional<elementdrawing::DevicePlacement> placed =
        devicePlacement(context->transform(), own.matrix, renderer.strokeRenderingScale());
    // A path wholly outside the bitmap, or outside this thread's band of it, is left out.
    if (placed && elementdrawing::outsideDrawingArea(placed->box, renderer)) {
      renderer.elementOutsideDrawingArea(*this, placed->box);
      return;
    }
    if (placed && !isStroked() && renderer.batchesFills()) {
      switch (renderInBatch(*context, *placed, renderer)) {
      case BatchedFill::Filled:
        renderer.elementRendered();
        return;
      case BatchedFill::Invisible:
        return;
      case BatchedFill::NotBatched:
        break;
      }
    }
  }
  try {
    const pf::DrawingContext::StateGuard guard(*context);
    if (!elementdrawing::concatElementTransform(*context, own.matrix, renderer)) {
      return;
    }
    elementdrawing::setContextBlendMode(*context, blendMode());
    if (!isVisible(&renderer)) {
      return;
    }
    if (cgPath_) {
      context->setAlpha(1);
      if (fillOpacity() != 0) {
        elementdrawing::setFillColor(*context, fillColor(), fillOpacity());
        context->fillPath(*cgPath_, evenOddFillMode_ ? pf::FillRule::EvenOdd : pf::FillRule::NonZero);
      }
      if (strokeWidth() != 0 && strokeOpacity() != 0) {
        // The stroke keeps the element's blend mode, as its fill does.
        context->beginPath();
        context->addPath(*cgPath_);
        elementdrawing::strokeCurrentPathInDeviceSpace(*context, strokeColor(), strokeOpacity(),
                                                       strokeWidth() * renderer.strokeRenderingScale(),
                                                       strokeEndCap(), strokeJoints());
      }
    }
  } catch (const std::exception& exception) {
    FeedbackManager::log("ERROR caught exception trying to render MVElement:%@, Exception:%@", description(),
                         exception.what());
  }
  renderer.elementRendered();
}

std::optional<pf::Rect> MVElementPath::deviceBox(const pf::AffineTransform& parents, double strokeRenderingScale) const
{
  if (!cgPath_) {
    return std::nullopt;
  }
  const std::optional<elementdrawing::DevicePlacement> placed =
      devicePlacement(parents, stackTransform().matrix, strokeRenderingScale);
  return placed ? std::optional<pf::Rect>(placed->box) : std::nullopt;
}

bool MVElementPath::isStroked() const
{
  return strokeWidth() != 0 && strokeOpacity() != 0;
}

std::optional<elementdrawing::DevicePlacement> MVElementPath::devicePlacement(const pf::AffineTransform& parents,
                                                                             const pf::AffineTransform& own,
                                                                             double strokeRenderingScale) const
{
  // The box is the control points', never smaller than what is drawn.
  const double outset = elementdrawing::strokeOutset(isStroked() ? strokeWidth() * strokeRenderingScale : 0.0);
  const std::optional<pf::Rect> box = cgPath_->controlPointBounds();
  return box ? elementdrawing::devicePlacement(parents, own, *box, outset) : std::nullopt;
}

MVElementPath::BatchedFill MVElementPath::renderInBatch(pf::DrawingContext& context,
                                                        const elementdrawing::DevicePlacement& placed,
                                                        const ElementRenderer& renderer) const
{
  // A plain fill in the normal blend mode on a bitmap: drawn in a batch, it gives the pixels the
  // full drawing below would. The placement's box (one device pixel around the control points)
  // covers anti-aliasing; a path with a non-finite point has no placement and never comes here.
  if (!context.isRaster() || fillOpacity() == 0 ||
      pf::blendModeForElementCode(blendMode()).value_or(context.blendMode()) != pf::BlendMode::Normal) {
    return BatchedFill::NotBatched;
  }
  if (!isVisible(&renderer)) {
    return BatchedFill::Invisible;
  }
  const pf::Color rgb = fillColor().value_or(pf::Color::black());
  const bool filled = context.fillPathDeferred(*cgPath_, placed.transform,
                                               evenOddFillMode_ ? pf::FillRule::EvenOdd : pf::FillRule::NonZero,
                                               pf::Color::rgb(rgb.red(), rgb.green(), rgb.blue(), fillOpacity()),
                                               placed.box);
  return filled ? BatchedFill::Filled : BatchedFill::NotBatched;
}

void MVElementPath::renderSelectionOutline(ElementRenderer& renderer) const
{
  pf::DrawingContext* context = renderer.renderingContext();
  if (context == nullptr || !cgPath_) {
    return;
  }
  // Under the element's transform, stroked in device space with the selection pass's settings.
  context->beginPath();
  context->addPath(*cgPath_);
  const pf::AffineTransform elementTransform = context->transform();
  context->setTransform(pf::AffineTransform::identity());
  context->stroke();
  context->setTransform(elementTransform);
}

void MVElementPath::releaseResources()
{
  cgPath_.reset();
  MVElement::releaseResources();
}

pf::Path MVElementPath::cgPathForCircleWithRadius(double radius)
{
  pf::Path path;
  path.reserve(6);  // a move, four quarters and the close
  path.addEllipse(pf::Rect(-radius, -radius, 2 * radius, 2 * radius));
  return path;
}

pf::Path MVElementPath::cgPathForEllipseWithWidth(double width, double height)
{
  pf::Path path;
  path.reserve(6);  // a move, four quarters and the close
  path.addEllipse(pf::Rect(-width / 2, -height / 2, width, height));
  return path;
}

pf::Path MVElementPath::cgPathForSquareWithSide(double side)
{
  pf::Path path;
  path.reserve(5);  // a move, three lines and the close
  path.addRect(pf::Rect(-side / 2, -side / 2, side, side));
  return path;
}

pf::Path MVElementPath::cgPathForRectangleWithWidth(double width, double height)
{
  pf::Path path;
  path.reserve(5);  // a move, three lines and the close
  path.addRect(pf::Rect(-width / 2, -height / 2, width, height));
  return path;
}

pf::Path MVElementPath::cgPathForRightTriangleWithWidth(double width, double height)
{
  pf::Path path;
  path.reserve(4);  // a move, two lines and the close
  path.moveTo({-width / 2, -height / 2});
  path.lineTo({width / 2, height / 2});
  path.lineTo({-width / 2, height / 2});
  path.closeSubpath();
  return path;
}

pf::Path MVElementPath::cgPathForParallelogramWithWidth(double width, double height, double shift)
{
  const double d = shift / 2;
  pf::Path path;
  path.reserve(5);  // a move, three lines and the close
  path.moveTo({-width / 2 + d, -height / 2});
  path.lineTo({width / 2 + d, -height / 2});
  path.lineTo({width / 2 - d, height / 2});
  path.lineTo({-width / 2 - d, height / 2});
  path.closeSubpath();
  return path;
}

pf::Path MVElementPath::cgPathForTrapeziodWithWidth(double width, double height, double shift)
{
  pf::Path path;
  path.reserve(5);  // a move, three lines and the close
  path.moveTo({-width / 2 - shift, -height / 2});
  path.lineTo({width / 2 + shift, -height / 2});
  path.lineTo({width / 2, height / 2});
  path.lineTo({-width / 2, height / 2});
  path.closeSubpath();
  return path;
}

pf::Path MVElementPath::cgPathForLineFromX(double x1, double y1, double x2, double y2)
{
  pf::Path path;
  path.moveTo({x1, y1});
  path.lineTo({x2, y2});
  return path;
}

pf::Path MVElementPath::cgPathForCircleSegmentWithRadius(double radius, double angle, bool wedge)
{
  pf::Path path;
  if (std::fabs(angle) <= kMinimumSegmentAngle) {
    if (wedge) {
      path.moveTo({0, 0});
      path.lineTo({0, -radius});
      path.closeSubpath();
    } else {
      path.moveTo({0, -radius});
      path.lineTo({0, -radius});
    }
    return path;
  }
  if (wedge) {
    path.moveTo({0, 0});
  }
  path.addArc({0, 0}, radius, -kHalfPi - angle / 2, -kHalfPi + angle / 2, pf::ArcDirection::IncreasingAngle);
  if (wedge) {
    path.closeSubpath();
  }
  return path;
}

pf::Path MVElementPath::cgPathForCircleSegmentWedgeWithInnerRadius(double innerRadius, double outerRadius,
                                                                   double angle)
{
  const double start = -kHalfPi - angle / 2;
  const double end = -kHalfPi + angle / 2;
  pf::Path path;
  path.moveTo(onCircle(innerRadius, start));
  if (std::fabs(angle) > kMinimumSegmentAngle) {
    path.addArc({0, 0}, outerRadius, start, end, pf::ArcDirection::IncreasingAngle);
    path.addArc({0, 0}, innerRadius, end, start, pf::ArcDirection::DecreasingAngle);
  } else {
    path.lineTo({0, -outerRadius});
  }
  path.closeSubpath();
  return path;
}

pf::Path MVElementPath::cgPathForPolygonWithRadius(double radius, int sides)
{
  pf::Path path;
  path.moveTo({0, radius});
  if (sides < 2) {
    return path;
  }
  for (int k = 1; k < sides; ++k) {
    path.lineTo(onCircle(radius, 2 * kPi * k / sides + kHalfPi));
  }
  path.closeSubpath();
  return path;
}

pf::Path MVElementPath::cgPathForRoundedPolygonWithRadius(double radius, int sides, double rounding)
{
  pf::Path path;
  if (sides + (rounding != 0 ? 1 : 0) < 2) {
    path.moveTo({0, -radius});
    return path;
  }
  const double handle = kPi / (2.0 * sides) * rounding * radius * kSqrt2;
  const int segments = rounding != 0 ? sides : sides - 1;
  // The move, the segments and the close, in one block.
  path.reserve(static_cast<std::size_t>(segments) + 2);
  path.moveTo({0, -radius});
  // Corner i at this angle; each corner's directions serve the segment that ends there and the
  // next one, so they are computed once.
  const auto cornerAngle = [sides](int i) { return 2 * kPi * i / sides - kHalfPi; };
  pf::Point previousRadial = unit(cornerAngle(0));
  pf::Point previousTangent = handle > 0 ? unit(cornerAngle(0) - kHalfPi) : pf::Point();
  for (int i = 0; i < segments; ++i) {
    const double t = cornerAngle(i + 1);
    const pf::Point radial = unit(t);
    const pf::Point tangent = handle > 0 ? unit(t - kHalfPi) : pf::Point();
    const pf::Point previous = previousRadial * radius;
    const pf::Point target = radial * radius;
    if (handle == 0) {
      path.lineTo(target);
    } else if (handle > 0) {
      // Handles along the tangents.
      path.curveTo(previous - previousTangent * handle, target + tangent * handle, target);
    } else {
      // Radial handles, pulling towards the centre.
      path.curveTo(previous + previousRadial * handle, target + radial * handle, target);
    }
    previousRadial = radial;
    previousTangent = tangent;
  }
  path.closeSubpath();
  return path;
}

pf::Path MVElementPath::cgPathForRoundedStarWithOuterRadius(double outerRadius, double innerRadius, int sides,
                                                            double outerRounding, double innerRounding)
{
  pf::Path path;
  const pf::Point start(0, innerRadius);
  const int points = 2 * sides;
  // The move, a segment per point and the close, in one block.
  path.reserve(static_cast<std::size_t>(std::max(points, 0)) + 2);
  path.moveTo(start);
  if (points < 1) {
    path.closeSubpath();
    return path;
  }
  const double handleUnit = kPi / points * kSqrt2;
  const double outerHandle = handleUnit * outerRounding * outerRadius;
  const double innerHandle = handleUnit * innerRounding * innerRadius;
  const bool tangents = outerHandle > 0 || innerHandle > 0;
  thread_local StarDirections kept;
  StarDirections fresh;
  StarDirections& directions = points <= kKeptStarPoints ? kept : fresh;
  if (directions.points != points) {
    computeStarDirections(directions, points);
  }
  // Each point's directions serve the segment that ends there and the next one.
  pf::Point previous = start;
  pf::Point previousRadial = directions.radial[0];
  pf::Point previousTangent = tangents ? directions.tangent[0] : pf::Point();
  for (int j = 1; j <= points; ++j) {
    const bool outerTarget = j % 2 == 1;
    const pf::Point radial = directions.radial[static_cast<std::size_t>(j)];
    const pf::Point tangent = tangents ? directions.tangent[static_cast<std::size_t>(j)] : pf::Point();
    const pf::Point target = radial * (outerTarget ? outerRadius : innerRadius);
    const double targetHandle = outerTarget ? outerHandle : innerHandle;
    const double previousHandle = outerTarget ? innerHandle : outerHandle;
    const pf::Point control1 = previousHandle > 0 ? previous - previousTangent * previousHandle
                                                  : previous + previousRadial * previousHandle;
    const pf::Point control2 = targetHandle > 0 ? target + tangent * targetHandle : target + radial * targetHandle;
    path.curveTo(control1, control2, target);
    previous = target;
    previousRadial = radial;
    previousTangent = tangent;
  }
  path.closeSubpath();
  return path;
}

std::optional<pf::Path> MVElementPath::cgPathForGlyph(std::uint16_t glyph, const pf::Font* font, bool center)
{
  pf::Path bezierPath;
  bezierPath.moveTo({0, 0});
  if (font != nullptr) {
    const std::optional<pf::Path> outline = font->glyphOutline(glyph);
    BezierPathCGUtilities::appendCGPath(bezierPath, outline ? &*outline : nullptr);
    if (center) {
      BezierPathCGUtilities::centerAtZero(bezierPath);
    }
  }
  if (bezierPath.elementCount() < 2) {
    return std::nullopt;
  }
  return bezierPath;
}

void MVElementPath::prefetchRelease(int step) const
{
  if (step == 0) {
    pf::prefetchForWrite(this, sizeof(*this));
    return;
  }
  MVElement::prefetchRelease(step);
  if (step == 1) {
    pf::prefetchShared(cgPath_.get());
  } else if (step == 2 && cgPath_) {
    // Freeing the points reads the allocator's header just before them; the path that replaces
    // this one is then mostly written into the same memory.
    const auto& elements = cgPath_->elements();
    pf::prefetchShared(elements.data());
    pf::prefetchForWrite(elements.data(), elements.size() * sizeof(pf::PathElement));
  }
}
