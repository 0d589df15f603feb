#include "Shared/SVG/ODSVGLinearGradient.h"

#include "Platform/DrawingContext.h"
#include "Platform/Numbers.h"
#include "Shared/SVG/ODSVGGradientUnitLength.h"

std::shared_ptr<ODSVGNode> ODSVGLinearGradient::copy() const
{
  std::shared_ptr<ODSVGLinearGradient> node = makeCopy(*this);
  node->copyGradientFrom(*this);
  return node;
}

std::optional<ODSVGGradient::Stops> ODSVGLinearGradient::parseGradient(const pugi::xml_node& element,
                                                                       ODSVGGradient& gradient)
{
  auto number = [&](const char* name) {
    return static_cast<double>(static_cast<float>(pf::doubleValue(element.attribute(name).value())));
  };
  auto text = [&](const char* name, const char* fallback) {
    const pugi::xml_attribute attribute = element.attribute(name);
    return std::string_view(attribute ? attribute.value() : fallback);
  };
  const double values[] = {number("x1"), number("x2"), number("y1"), number("y2")};
  bool fractions = true;
  for (const double value : values) {
    fractions = fractions && value >= 0 && value <= 1;
  }
  if (fractions) {
    gradient.setX1(ODSVGGradientUnitLength::unitWithPercentageString(text("x1", "0")));
    gradient.setX2(ODSVGGradientUnitLength::unitWithPercentageString(text("x2", "1")));
    gradient.setY1(ODSVGGradientUnitLength::unitWithPercentageString(text("y1", "0")));
    gradient.setY2(ODSVGGradientUnitLength::unitWithPercentageString(text("y2", "0")));
  } else {
    gradient.setX1(ODSVGGradientUnitLength::unitWithString(text("x1", "0")));
    gradient.setX2(ODSVGGradientUnitLength::unitWithString(text("x2", "100")));
    gradient.setY1(ODSVGGradientUnitLength::unitWithString(text("y1", "0")));
    gradient.setY2(ODSVGGradientUnitLength::unitWithString(text("y2", "0")));
  }
  return computeColorStopsFromString(element);
}

void ODSVGLinearGradient::drawInContextRef(pf::DrawingContext& context, const pf::Rect& objectRect,
                                           const pf::AffineTransform& absoluteTransform, const pf::Rect& viewPort) const
{
  const pf::AffineTransform gradientTransform = gradientTransformMatrix();
  auto value = [](const std::optional<ODSVGUnitLength>& length, double reference) {
    return length ? length->computeValue(reference) : 0.0;
  };
  const pf::DrawingContext::StateGuard guard(context);
  const bool userSpace = units() == 0;
  const pf::Rect reference = userSpace ? viewPort : objectRect;
  const double width = reference.width();
  const double height = reference.height();
  const pf::Point start(value(x1(), width), value(y1(), height));
  const pf::Point end(value(x2(), width), value(y2(), height));
  if (userSpace && !context.concat(absoluteTransform)) {
    return;
  }
  // A singular gradient transform squeezes the gradient to nothing.
  if (!gradientTransform.isFiniteAndInvertible() || !context.concat(gradientTransform)) {
    return;
  }
  context.drawLinearGradient(CGGradient(), start, end);
}
