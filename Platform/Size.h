#pragma once

#include <cmath>
#include <string>

namespace pf {

// A width and a height. Negative values are allowed (a rectangle's size before it is
// standardized, or a size mapped through a flipping transform).
struct Size {
  double width = 0.0;
  double height = 0.0;

  constexpr Size() = default;
  constexpr Size(double widthValue, double heightValue) : width(widthValue), height(heightValue) {}

  bool isFinite() const { return std::isfinite(width) && std::isfinite(height); }
  // "{width, height}" with the shortest numbers that read back exactly (see GeometryStrings.h).
  std::string description() const;

  friend constexpr bool operator==(Size, Size) = default;
};

}  // namespace pf
