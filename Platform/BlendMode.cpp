#include "Platform/BlendMode.h"

namespace pf {

std::optional<BlendMode> blendModeForElementCode(int code)
{
  if (code <= 0) {
    return BlendMode::Normal;
  }
  switch (code) {
  case 1:
    return BlendMode::Multiply;
  case 2:
    return BlendMode::Screen;
  case 3:
    return BlendMode::Overlay;
  case 4:
    return BlendMode::Darken;
  case 5:
    return BlendMode::Lighten;
  case 6:
    return BlendMode::Difference;
  case 7:
    return BlendMode::Saturation;
  case 8:
    return BlendMode::Color;
  case 9:
    return BlendMode::Luminosity;
  default:
    return std::nullopt;
  }
}

}  // namespace pf
