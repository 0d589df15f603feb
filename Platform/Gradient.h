#pragma once

#include <vector>

#include "Platform/Color.h"

namespace pf {

// Colour stops of a gradient, locations 0..1 in the order given. Colours between stops are
// interpolated in straight RGB with alpha; beyond the first and the last stop the end colours
// continue (pad).
struct GradientStop {
  double location = 0.0;
  Color color;
  friend bool operator==(const GradientStop&, const GradientStop&) = default;
};
using Gradient = std::vector<GradientStop>;

}  // namespace pf
