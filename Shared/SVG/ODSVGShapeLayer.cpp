#include "Shared/SVG/ODSVGShapeLayer.h"

#include "Platform/DrawingContext.h"

ODSVGShapeLayer::ODSVGShapeLayer() : fillColor_(pf::Color::black()) {}

pf::Point ODSVGShapeLayer::absoluteOrigin() const
{
  pf::Point origin;
  for (const ODSVGLayer* layer = this; layer != nullptr; layer = layer->superlayer()) {
    const pf::Rect frame = layer->frame();
    origin = pf::Point(origin.x + frame.origin.x, origin.y + frame.origin.y);
  }
  return origin;
}

bool ODSVGShapeLayer::isClipShape() const
{
  return sublayers().empty() && !mask() && !maskingLayer() && !isHidden() && opacity() >= 1.0 && blendingMode() == 0 &&
         fillColor_ && fillColor_->alpha() >= 1.0 && !strokeColor_;
}

void ODSVGShapeLayer::drawInContext(pf::DrawingContext& context) const
{
  if (path_.isEmpty()) {
    return;
  }
  if (fillColor_ && fillColor_->alpha() > 0.0) {
    context.setFillColor(*fillColor_);
    context.fillPath(path_, fillRule_);
  }
  if (strokeColor_ && strokeColor_->alpha() > 0.0 && lineWidth_ > 0.0) {
    context.setStrokeColor(*strokeColor_);
    context.setStrokeStyle(pf::StrokeStyle{lineWidth_, lineCap_, lineJoin_, miterLimit_});
    context.setLineDash(lineDashPattern_, lineDashPhase_);
    context.strokePath(path_);
  }
}
