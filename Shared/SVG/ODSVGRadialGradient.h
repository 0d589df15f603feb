#pragma once

#include <optional>

#include <pugixml.hpp>

#include "Shared/SVG/ODSVGGradient.h"

// A radialGradient element's node: centre, focal point and radius.
class ODSVGRadialGradient : public ODSVGGradient {
public:
  ODSVGRadialGradient() = default;

  std::shared_ptr<ODSVGNode> copy() const override;

  void drawInContextRef(pf::DrawingContext& context, const pf::Rect& objectRect,
                        const pf::AffineTransform& absoluteTransform, const pf::Rect& viewPort) const override;

  // Sets the node's cx, cy, r (50% when absent), fx and fy (the centre unless given; a focal
  // number below 1 is a fraction) and returns the element's stops, or nullopt when the node
  // has stops already.
  static std::optional<Stops> parseGradient(const pugi::xml_node& element, ODSVGRadialGradient& gradient);

  const std::optional<ODSVGUnitLength>& cx() const { return cx_; }
  void setCx(std::optional<ODSVGUnitLength> value) { cx_ = value; }
  const std::optional<ODSVGUnitLength>& cy() const { return cy_; }
  void setCy(std::optional<ODSVGUnitLength> value) { cy_ = value; }
  const std::optional<ODSVGUnitLength>& fx() const { return fx_; }
  void setFx(std::optional<ODSVGUnitLength> value) { fx_ = value; }
  const std::optional<ODSVGUnitLength>& fy() const { return fy_; }
  void setFy(std::optional<ODSVGUnitLength> value) { fy_ = value; }
  const std::optional<ODSVGUnitLength>& radius() const { return radius_; }
  void setRadius(std::optional<ODSVGUnitLength> value) { radius_ = value; }

private:
  std::optional<ODSVGUnitLength> cx_;
  std::optional<ODSVGUnitLength> cy_;
  std::optional<ODSVGUnitLength> fx_;
  std::optional<ODSVGUnitLength> fy_;
  std::optional<ODSVGUnitLength> radius_;
};
