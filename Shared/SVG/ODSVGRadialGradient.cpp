#include "Shared/SVG/ODSVGRadialGradient.h"

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
