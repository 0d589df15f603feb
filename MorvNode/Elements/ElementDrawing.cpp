#include "MorvNode/Elements/ElementDrawing.h"

#include <algorithm>
#include <cmath>

#include "MorvNode/Elements/ElementRenderer.h"
#include "MorvNode/Elements/MVElement.h"
#include "Platform/BlendMode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Platform/DrawingContext.h"

namespace {

// Cairo drops or cuts strokes wider than a few hundred thousand device units. 2^18 device units
// already cover every bitmap we draw (at most 32767 pixels a side) from a path inside it, so a
// wider stroke is drawn at this width.
constexpr double kMaxDeviceLineWidth = 262144;
// Cairo's miter limit unless a pass sets another (bitmap passes do not).
constexpr double kDefaultMiterLimit = 10;

}  // namespace

namespace elementdrawing {

pf::DrawingContext* renderingContextFor(const MVElement& element, ElementRenderer& renderer)
{
  if (element.hasReleasedResources()) {
    FeedbackManager::log("Warning, tried to render released element %@, rendererObject: %@", element.description(),
                         renderer.description());
    return nullptr;
  }
  return renderer.renderingContext();
}

bool concatElementTransform(pf::DrawingContext& context, const pf::AffineTransform& transform,
                            ElementRenderer& renderer)
{
  if (transform.isIdentity()) {
    return true;
  }
  const pf::AffineTransform product = context.transform().concatenated(transform);
  // Checked here, silently, so that a broken element does not write a line per frame; the
  // renderer reports the count.
  if (!product.isFiniteAndInvertible() || !context.setTransform(product)) {
    renderer.elementSkipped();
    return false;
  }
  return true;
}

std::optional<DevicePlacement> devicePlacement(const pf::AffineTransform& parents, const pf::AffineTransform& transform,
                                               const pf::Rect& box, double outset)
{
  const pf::AffineTransform product = parents.concatenated(transform);
  // An element the drawing code would skip (and count as skipped) is left to it.
  if (!product.isFiniteAndInvertible() || !std::isfinite(outset)) {
    return std::nullopt;
  }
  const pf::Rect device = box.applying(product).insetBy(-outset, -outset);
  if (!device.isFinite()) {
    return std::nullopt;
  }
  return DevicePlacement{product, device};
}

bool outsideDrawingArea(const pf::Rect& box, const ElementRenderer& renderer)
{
  const pf::Rect* area = renderer.drawingArea();
  return area != nullptr && outsideArea(box, *area);
}

bool outsideArea(const pf::Rect& box, const pf::Rect& area)
{
  return box.maxX() < area.minX() || box.minX() > area.maxX() || box.maxY() < area.minY() || box.minY() > area.maxY();
}

double strokeOutset(double width)
{
  return width > 0 ? std::min(width, kMaxDeviceLineWidth) / 2 * kDefaultMiterLimit + 1 : 1.0;
}

void setContextBlendMode(pf::DrawingContext& context, int blendModeCode)
{
  if (const std::optional<pf::BlendMode> mode = pf::blendModeForElementCode(blendModeCode)) {
    context.setBlendMode(*mode);
  }
}

std::optional<pf::LineCap> lineCap(int code)
{
  switch (code) {
  case 0:
    return pf::LineCap::Butt;
  case 1:
    return pf::LineCap::Square;
  case 2:
    return pf::LineCap::Round;
  default:
    return std::nullopt;
  }
}

std::optional<pf::LineJoin> lineJoin(int code)
{
  switch (code) {
  case 0:
    return pf::LineJoin::Miter;
  case 1:
    return pf::LineJoin::Round;
  case 2:
    return pf::LineJoin::Bevel;
  default:
    return std::nullopt;
  }
}

void strokeCurrentPathInDeviceSpace(pf::DrawingContext& context, const std::optional<pf::Color>& color,
                                    double opacity, double width, int capCode, int joinCode)
{
  const pf::AffineTransform elementTransform = context.transform();
  context.setTransform(pf::AffineTransform::identity());
  const pf::Color rgb = color.value_or(pf::Color::black());
  context.setStrokeColor(rgb.red(), rgb.green(), rgb.blue(), opacity);
  context.setLineWidth(width > 0 ? std::min(width, kMaxDeviceLineWidth) : 0.0);
  if (const std::optional<pf::LineCap> cap = lineCap(capCode)) {
    context.setLineCap(*cap);
  }
  if (const std::optional<pf::LineJoin> join = lineJoin(joinCode)) {
    context.setLineJoin(*join);
  }
  context.stroke();
  context.setTransform(elementTransform);
}

void setFillColor(pf::DrawingContext& context, const std::optional<pf::Color>& color, double alpha)
{
  const pf::Color rgb = color.value_or(pf::Color::black());
  context.setFillColor(rgb.red(), rgb.green(), rgb.blue(), alpha);
}

}  // namespace elementdrawing
