#include "Shared/SVG/ODSVGGradient.h"

#include "Platform/Numbers.h"
#include "Shared/SVG/ODSVGColor.h"
#include "Shared/SVG/ODSVGStyle.h"

namespace {

double singleValue(const char* text)
{
  return static_cast<double>(static_cast<float>(pf::doubleValue(text)));
}

}  // namespace

std::shared_ptr<ODSVGNode> ODSVGGradient::copy() const
{
  std::shared_ptr<ODSVGGradient> node = makeCopy(*this);
  node->copyGradientFrom(*this);
  return node;
}

void ODSVGGradient::copyGradientFrom(const ODSVGGradient& source)
{
  gradient_ = source.gradient_;
  x1_ = source.x1_;
  x2_ = source.x2_;
  y1_ = source.y1_;
  y2_ = source.y2_;
}

const pf::Gradient& ODSVGGradient::CGGradient() const
{
  if (!drawable_) {
    pf::Gradient drawable;
    if (gradient_) {
      for (const Stop& stop : *gradient_) {
        drawable.push_back({stop.location, stop.color});
      }
    }
    drawable_ = std::move(drawable);
  }
  return *drawable_;
}

pf::AffineTransform ODSVGGradient::gradientTransformMatrix() const
{
  pf::AffineTransform matrix;
  for (const ODSVGTransform& transform : transforms()) {
    matrix.concat(transform.CGAffineTransform());
  }
  return matrix;
}

void ODSVGGradient::drawInContextRef(pf::DrawingContext&, const pf::Rect&, const pf::AffineTransform&,
                                     const pf::Rect&) const
{
}

ODSVGGradient::Stops ODSVGGradient::computeColorStopsFromString(const pugi::xml_node& element)
{
  Stops stops;
  for (const pugi::xml_node& child : element.children()) {
    if (child.type() != pugi::node_element) {
      continue;
    }
    Stop stop;
    double location = singleValue(child.attribute("offset").value());
    if (location > 1) {
      location /= 100.0;
    }
    stop.location = location;
    const pugi::xml_attribute opacityAttribute = child.attribute("stop-opacity");
    const double opacity = opacityAttribute ? singleValue(opacityAttribute.value()) : 1.0;
    std::optional<pf::Color> color;
    if (const pugi::xml_attribute colorAttribute = child.attribute("stop-color")) {
      color = ODSVGColor::colorFromString(colorAttribute.value());
      if (color && opacity != 1.0) {
        color = ODSVGColor::changeAlphaOnColor(*color, opacity);
      }
    }
    if (const pugi::xml_attribute styleAttribute = child.attribute("style")) {
      const ODSVGStyle style = ODSVGStyle::parseStyleString(styleAttribute.value());
      if (const std::string* styleColor = style.property("stop-color")) {
        if (std::optional<pf::Color> fromStyle = ODSVGColor::colorFromString(*styleColor)) {
          const std::string* styleOpacity = style.property("stop-opacity");
          const double alpha = styleOpacity ? singleValue(styleOpacity->c_str()) : opacity;
          color = ODSVGColor::changeAlphaOnColor(*fromStyle, alpha);
        }
      }
    }
    if (!color) {
      color = ODSVGColor::colorFromString("black");
      if (opacity != 1.0) {
        color = ODSVGColor::changeAlphaOnColor(*color, opacity);
      }
    }
    stop.color = *color;
    stops.push_back(stop);
  }
  return stops;
}
