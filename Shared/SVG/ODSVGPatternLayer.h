#pragma once

#include <memory>

#include "Platform/Point.h"
#include "Platform/Rect.h"
#include "Shared/SVG/ODSVGLayer.h"

class ODSVGPattern;

// A layer painted with a pattern's content repeated as tiles, placed as a sublayer of the shape
// layer it fills or strokes and cut to the shape by its mask.
//
// Tile size: the pattern node's width and height, fractions of `objectRect` unless the pattern
// is in user-space units. `tileOrigin` is where a tile starts, in the shape layer's space.
// Nothing is drawn for a tile size that is not positive and finite.
class ODSVGPatternLayer : public ODSVGLayer {
public:
  ODSVGPatternLayer();

  // The tile's content, drawn from the tile's top-left corner.
  const std::shared_ptr<ODSVGLayer>& pattern() const { return pattern_; }
  void setPattern(std::shared_ptr<ODSVGLayer> pattern) { pattern_ = std::move(pattern); }
  const std::shared_ptr<ODSVGPattern>& patternNode() const { return patternNode_; }
  void setPatternNode(std::shared_ptr<ODSVGPattern> node) { patternNode_ = std::move(node); }
  // The shape's path box in the shape node's user space.
  pf::Rect objectRect() const { return objectRect_; }
  void setObjectRect(const pf::Rect& rect) { objectRect_ = rect; }
  pf::Point tileOrigin() const { return tileOrigin_; }
  void setTileOrigin(pf::Point origin) { tileOrigin_ = origin; }

  // The tile's size, (0, 0) without a pattern node.
  pf::Size tileSize() const;

protected:
  void drawInContext(pf::DrawingContext& context) const override;

private:
  std::shared_ptr<ODSVGLayer> pattern_;
  std::shared_ptr<ODSVGPattern> patternNode_;
  pf::Rect objectRect_;
  pf::Point tileOrigin_;
};
