#include "Shared/SVG/ODSVGImageLayer.h"

#include "Platform/DrawingContext.h"

ODSVGImageLayer::ODSVGImageLayer(std::optional<pf::Image> image) : contents_(std::move(image))
{
  setRequiresBackingScaleHelp(true);
  if (contents_) {
    const auto [width, height] = contents_->pixelSize();
    setFrame(pf::Rect(0.0, 0.0, width, height));
  }
}

void ODSVGImageLayer::drawInContext(pf::DrawingContext& context) const
{
  if (contents_) {
    contents_->draw(context, bounds(), 1.0);
  }
}
