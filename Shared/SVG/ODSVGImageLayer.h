#pragma once

#include <optional>

#include "Platform/Image.h"
#include "Shared/SVG/ODSVGLayer.h"

// A layer whose content is a picture stretched over its bounds, y-up inside them like every
// image (the tree builder flips the layer so the picture shows upright in the document).
class ODSVGImageLayer : public ODSVGLayer {
public:
  // Frame (0, 0, pixel width, pixel height); no image gives an empty frame and draws nothing.
  explicit ODSVGImageLayer(std::optional<pf::Image> image);

  const std::optional<pf::Image>& contents() const { return contents_; }

protected:
  void drawInContext(pf::DrawingContext& context) const override;

private:
  std::optional<pf::Image> contents_;
};
