#pragma once

#include "Shared/SVG/ODSVGGroup.h"

// The group of a pattern element: its children are the tile's content, its width and height
// the tile size. Nothing of its own.
class ODSVGPattern : public ODSVGGroup {
public:
  ODSVGPattern() = default;

  std::shared_ptr<ODSVGNode> copy() const override;
};
