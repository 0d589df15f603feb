#include "Shared/SVG/ODSVGRadialGradient.h"

#include <algorithm>
#include <cmath>

#include "Platform/DrawingContext.h"
#include "Platform/Numbers.h"

std::shared_ptr<ODSVGNode> ODSVGRadialGradient::copy() const
{
  std::shared_ptr<ODSVGRadialGradient> node = makeCopy(*this);
  node->copyGradientFrom(*this);
  node->cx_ = cx_;
  node->cy_ = cy_;
  node->fx_ = fx_;
  node->fy_ = fy_;
  node->radius_ = radius_;
  return node;
}

std::optional<ODSVGGradient::Stops> ODSVGRadialGradient::parseGradient(const pugi::xml_node& element,
                                                                       ODSVGRadialGradient& gradient)
{
  auto length = [&](const char* name) -> std::optional<ODSVGUnitLength> {
    if (const pugi::xml_attribute attribute = element.attribute(name)) {
      return ODSVGUnitLength::unitWithString(attribute.value());
    }
    return ODSVGUnitLength::unitWithPercentageFloat(0.5);
  };
  gradient.setCx(length("cx"));
  gradient.setCy(length("cy"));
  gradient.setRadius(length("r"));
  gradient.setFx(gradient.cx());
  gradient.setFy(gradient.cy());
  auto focal = [&](const char* name) -> std::optional<ODSVGUnitLength> {
    const char* text = element.attribute(name).value();
    const double value = static_cast<double>(static_cast<float>(pf::doubleValue(text)));
    return value < 1.0 ? ODSVGUnitLength::unitWithPercentageString(text) : ODSVGUnitLength::unitWithString(text);
  };
  if (element.attribute("fx")) {
    gradient.setFx(focal("fx"));
  }
  if (element.attribute("fy")) {
    gradient.setFy(focal("fy"));
  }
  if (gradient.gradient()) {
    return std::nullopt;
  }
  return computeColorStopsFromString(element);
}

void ODSVGRadialGradient::drawInContextRef(pf::DrawingContext& context, const pf::Rect& objectRect,
                                           const pf::AffineTransform& absoluteTransform, const pf::Rect& viewPort) const
{
  pf::AffineTransform gradientTransform = gradientTransformMatrix();
  auto value = [](const std::optional<ODSVGUnitLength>& length, double reference) {
    return length ? length->computeValue(reference) : 0.0;
  };
  const pf::DrawingContext::StateGuard guard(context);
  pf::Point center;
  pf::Point focus;
  double radius = 0.0;
  if (units() == 0) {
    // Percentages of the view port: x against its width, y against its height, the radius
    // against its normalised diagonal.
    const double width = viewPort.width();
    const double height = viewPort.height();
    center = pf::Point(value(cx(), width), value(cy(), height));
    focus = pf::Point(value(fx(), width), value(fy(), height));
    radius = value(this->radius(), std::sqrt((width * width + height * height) / 2.0));
    if (!context.concat(absoluteTransform)) {
      return;
    }
  } else {
    // Box units: a plain number is a fraction of the box as much as a percentage is.
    const auto fraction = [](const std::optional<ODSVGUnitLength>& length, double reference) {
      if (!length) {
        return 0.0;
      }
      return length->type() == ODSVGUnitLength::kPercentage ? length->computeValue(reference)
                                                            : length->value() * reference;
    };
    const double width = objectRect.width();
    const double height = objectRect.height();
    center = pf::Point(fraction(cx(), width), fraction(cy(), height));
    radius = fraction(this->radius(), std::min(width, height));
    focus = pf::Point(fraction(fx(), width), fraction(fy(), height));
    if (width != height && width > 0.0 && height > 0.0) {
      // The circle stretched to the box: an ellipse as wide and as high as the box's share.
      const pf::AffineTransform stretch = pf::AffineTransform::translation(center.x, center.y)
                                              .scaled(width > height ? width / height : 1.0,
                                                      width > height ? 1.0 : height / width)
                                              .translated(-center.x, -center.y);
      gradientTransform = pf::AffineTransform::concat(stretch, gradientTransform);
    }
  }
  if (!gradientTransform.isFiniteAndInvertible() || !context.concat(gradientTransform)) {
    return;
  }
  context.drawRadialGradient(CGGradient(), focus, 0.0, center, std::max(radius, 0.0));
}
