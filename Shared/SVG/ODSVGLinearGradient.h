#pragma once

#include <optional>

#include <pugixml.hpp>

#include "Shared/SVG/ODSVGGradient.h"

// A linearGradient element's node.
class ODSVGLinearGradient : public ODSVGGradient {
public:
  ODSVGLinearGradient() = default;

  std::shared_ptr<ODSVGNode> copy() const override;

  void drawInContextRef(pf::DrawingContext& context, const pf::Rect& objectRect,
                        const pf::AffineTransform& absoluteTransform, const pf::Rect& viewPort) const override;

  // Sets the node's x1, x2, y1, y2 from the element (fractions when all four numbers lie in
  // 0..1, else lengths; x2 defaults to the whole width) and returns the element's stops.
  static std::optional<Stops> parseGradient(const pugi::xml_node& element, ODSVGGradient& gradient);
};
