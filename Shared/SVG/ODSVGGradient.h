#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <pugixml.hpp>

#include "Platform/AffineTransform.h"
#include "Platform/Color.h"
#include "Platform/Gradient.h"
#include "Platform/Rect.h"
#include "Shared/SVG/ODSVGNode.h"

namespace pf {
class DrawingContext;
}

// A gradient element's node: its colour stops and, for linear gradients, the start and end
// points. Units and the gradient transform are the node's `units` and `transforms`.
class ODSVGGradient : public ODSVGNode {
public:
  struct Stop {
    pf::Color color;
    double location = 0.0;
    friend bool operator==(const Stop&, const Stop&) = default;
  };
  using Stops = std::vector<Stop>;

  ODSVGGradient() = default;

  // The copy has the stops and the coordinates of this gradient.
  std::shared_ptr<ODSVGNode> copy() const override;

  // One location and one colour per element child of the gradient element, in order: offsets
  // above 1 are percentages; the stop-color and stop-opacity attributes, overridden by the
  // child's style; black when nothing gives a colour.
  static Stops computeColorStopsFromString(const pugi::xml_node& element);

  const std::optional<Stops>& gradient() const { return gradient_; }
  void setGradient(std::optional<Stops> stops)
  {
    gradient_ = std::move(stops);
    drawable_.reset();
  }
  // The stops as drawing takes them, made on first use and kept (empty without stops).
  const pf::Gradient& CGGradient() const;

  // Paints the gradient over the clip area. `objectRect` is the filled object's box (user
  // space), the reference of object-bounding-box units; `absoluteTransform` maps user space to
  // the context's current space; `viewPort` is the reference of user-space percentages. Nothing
  // in the base class.
  virtual void drawInContextRef(pf::DrawingContext& context, const pf::Rect& objectRect,
                                const pf::AffineTransform& absoluteTransform, const pf::Rect& viewPort) const;
  const std::optional<ODSVGUnitLength>& x1() const { return x1_; }
  void setX1(std::optional<ODSVGUnitLength> value) { x1_ = value; }
  const std::optional<ODSVGUnitLength>& x2() const { return x2_; }
  void setX2(std::optional<ODSVGUnitLength> value) { x2_ = value; }
  const std::optional<ODSVGUnitLength>& y1() const { return y1_; }
  void setY1(std::optional<ODSVGUnitLength> value) { y1_ = value; }
  const std::optional<ODSVGUnitLength>& y2() const { return y2_; }
  void setY2(std::optional<ODSVGUnitLength> value) { y2_ = value; }

protected:
  // The gradient transform as SVG reads its list: the first entry outermost, acting last.
  pf::AffineTransform gradientTransformMatrix() const;
  void copyGradientFrom(const ODSVGGradient& source);

private:
  std::optional<Stops> gradient_;
  mutable std::optional<pf::Gradient> drawable_;  // made under the document's drawing lock
  std::optional<ODSVGUnitLength> x1_;
  std::optional<ODSVGUnitLength> x2_;
  std::optional<ODSVGUnitLength> y1_;
  std::optional<ODSVGUnitLength> y2_;
};
