#pragma once

#include <optional>

namespace pf {

// How drawing combines with what is already there: the separable and non-separable blend modes
// of the drawing model, plus the three compositing operators that image tinting needs.
enum class BlendMode {
  Normal,  // source over
  Multiply,
  Screen,
  Overlay,
  Darken,
  Lighten,
  Difference,
  Hue,
  Saturation,
  Color,
  Luminosity,
  ColorDodge,
  ColorBurn,
  SoftLight,
  HardLight,
  Exclusion,
  Copy,           // the source replaces the destination, alpha included
  DestinationIn,  // keeps the destination where the source is opaque
  Clear,          // erases to transparent
};

// The element model's `blendMode` code as a mode:
//   code <= 0 -> Normal
//   1 Multiply, 2 Screen, 3 Overlay, 4 Darken, 5 Lighten, 6 Difference,
//   7 Saturation, 8 Color, 9 Luminosity
//   code >= 10 -> nullopt: leave the context's current mode unchanged.
// 7 to 9 are the modes the blend menu's labels name; hue has no code.
std::optional<BlendMode> blendModeForElementCode(int code);

}  // namespace pf
