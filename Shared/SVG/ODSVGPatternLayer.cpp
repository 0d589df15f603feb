#include "Shared/SVG/ODSVGPatternLayer.h"

#include <cmath>

#include "Platform/DrawingContext.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVGPattern.h"

ODSVGPatternLayer::ODSVGPatternLayer()
{
  setRequiresBackingScaleHelp(true);
}

pf::Size ODSVGPatternLayer::tileSize() const
{
  if (!patternNode_) {
    return pf::Size();
  }
  const double width = patternNode_->width() ? patternNode_->width()->value() : 0.0;
  const double height = patternNode_->height() ? patternNode_->height()->value() : 0.0;
  if (patternNode_->units() == 0) {
    return pf::Size(width, height);
  }
  return pf::Size(width * objectRect_.width(), height * objectRect_.height());
}

void ODSVGPatternLayer::drawInContext(pf::DrawingContext& context) const
{
  if (!pattern_) {
    return;
  }
  const pf::Size tile = tileSize();
  if (!(tile.width > 0.0) || !(tile.height > 0.0) || !std::isfinite(tile.width) || !std::isfinite(tile.height)) {
    return;
  }
  std::optional<pf::Surface> recording = pf::Surface::recording(tile);
  if (!recording) {
    return;
  }
  {
    pf::DrawingContext tileContext(*recording);
    pattern_->renderInContext(tileContext);
  }
  const pf::DrawingContext::StateGuard guard(context);
  context.clipToRect(bounds());
  const pf::Rect placed = frame();
  if (!context.translate(-placed.origin.x, -placed.origin.y)) {
    return;
  }
  context.drawTiledPattern(*recording, pf::AffineTransform::translation(tileOrigin_.x, tileOrigin_.y));
}
