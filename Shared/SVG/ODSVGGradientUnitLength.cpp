#include "Shared/SVG/ODSVGGradientUnitLength.h"

namespace {

std::optional<ODSVGUnitLength> writingFraction(std::optional<ODSVGUnitLength> length)
{
  if (length) {
    length->setWritesFraction(true);
  }
  return length;
}

}  // namespace

std::optional<ODSVGUnitLength> ODSVGGradientUnitLength::unitWithString(std::string_view text)
{
  return writingFraction(ODSVGUnitLength::unitWithString(text));
}

std::optional<ODSVGUnitLength> ODSVGGradientUnitLength::unitWithPercentageString(std::string_view text)
{
  return writingFraction(ODSVGUnitLength::unitWithPercentageString(text));
}

ODSVGUnitLength ODSVGGradientUnitLength::unitWithPercentageFloat(double fraction)
{
  return *writingFraction(ODSVGUnitLength::unitWithPercentageFloat(fraction));
}
