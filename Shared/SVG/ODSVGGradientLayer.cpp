#include "Shared/SVG/ODSVGGradientLayer.h"

#include "Platform/DrawingContext.h"
#include "Shared/SVG/ODSVGGradient.h"

ODSVGGradientLayer::ODSVGGradientLayer()
{
  setRequiresBackingScaleHelp(true);
}

void ODSVGGradientLayer::drawInContext(pf::DrawingContext& context) const
{
  if (!gradient_) {
    return;
  }
  const pf::DrawingContext::StateGuard guard(context);
  context.clipToRect(bounds());
  // From this layer's bounds to the shape layer's space (a stroke's layer is outset), and from
  // there to the shape node's user space.
  const pf::Rect placed = frame();
  if (!context.translate(-placed.origin.x, -placed.origin.y)) {
    return;
  }
  const pf::AffineTransform userToShape = pf::AffineTransform::translation(-objectRect_.origin.x, -objectRect_.origin.y);
  gradient_->drawInContextRef(context, objectRect_, userToShape, viewBox_);
}
