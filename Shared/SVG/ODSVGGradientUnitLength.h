#pragma once

#include <optional>
#include <string_view>

#include "Shared/SVG/ODSVGUnitLength.h"

// The lengths of gradient coordinates: ordinary lengths that write a percentage as its
// fraction in SVG text (50% as 0.5).
class ODSVGGradientUnitLength {
public:
  ODSVGGradientUnitLength() = delete;

  static std::optional<ODSVGUnitLength> unitWithString(std::string_view text);
  static std::optional<ODSVGUnitLength> unitWithPercentageString(std::string_view text);
  static ODSVGUnitLength unitWithPercentageFloat(double fraction);
};
