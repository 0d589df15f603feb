#pragma once

#include "Shared/SVG/ODSVGShapeLayer.h"

// The stroke of a path: a shape layer without fill, drawn above the path's fill, or used as the
// mask that cuts a gradient or pattern to the stroke.
class ODSVGStrokeLayer : public ODSVGShapeLayer {
public:
  ODSVGStrokeLayer() = default;
};
