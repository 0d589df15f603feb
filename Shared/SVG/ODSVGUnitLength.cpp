#include "Shared/SVG/ODSVGUnitLength.h"

#include "Platform/Format.h"
#include "Platform/Numbers.h"

ODSVGUnitLength ODSVGUnitLength::unitWithFloat(double value)
{
  return unitWithFloat(value, kPlain);
}

ODSVGUnitLength ODSVGUnitLength::unitWithFloat(double value, long type)
{
  ODSVGUnitLength length;
  length.value_ = value;
  length.type_ = type;
  return length;
}

ODSVGUnitLength ODSVGUnitLength::unitWithPercentageFloat(double fraction)
{
  return unitWithFloat(fraction, kPercentage);
}

std::optional<ODSVGUnitLength> ODSVGUnitLength::unitWithString(std::string_view text)
{
  if (text == "inherit") {
    return std::nullopt;
  }
  double value = static_cast<double>(static_cast<float>(pf::doubleValue(text)));
  long type = kPlain;
  if (!text.empty() && text.back() == '%') {
    value /= 100.0;
    type = kPercentage;
  }
  return unitWithFloat(value, type);
}

std::optional<ODSVGUnitLength> ODSVGUnitLength::unitWithPercentageString(std::string_view text)
{
  std::optional<ODSVGUnitLength> length = unitWithString(text);
  if (length) {
    length->type_ = kPercentage;
  }
  return length;
}

double ODSVGUnitLength::computeValue(double reference) const
{
  if (type_ == kPercentage) {
    return value_ * 100.0 * (reference / 100.0);
  }
  return value_;
}

std::string ODSVGUnitLength::stringValue() const
{
  if (type_ == kPercentage) {
    if (writesFraction_) {
      return pf::format("%g", value_);
    }
    return pf::format("%g%%", value_ * 100.0);
  }
  return pf::format("%g", value_);
}

std::string ODSVGUnitLength::description() const
{
  return pf::format("%f%@", value_, type_ == kPercentage ? "%" : "");
}
