#pragma once

#include "Shared/SVG/ODSVGLayer.h"

// A plain container: groups, transform wrappers and mask containers.
class ODSVGGroupLayer : public ODSVGLayer {
public:
  ODSVGGroupLayer() = default;
};
