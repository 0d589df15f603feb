#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Color.h"

// Colour text of SVG attributes and style properties to colours and back. Class operations
// only; the name table is built once and only read afterwards. Text that matches no form gives
// nullopt (no colour), without a message; "none" gives the clear colour (black, alpha 0).
class ODSVGColor {
public:
  ODSVGColor() = delete;

  // Names (148, with "currentcolor" as black), "none", rgb()/rgba(), hsl()/hsla() and hex.
  static std::optional<pf::Color> colorFromString(std::string_view text);
  static std::optional<pf::Color> colorFromPredefinedColorName(std::string_view name);
  // Three or six hex digits with an optional "#"; other lengths read the low 24 bits.
  static std::optional<pf::Color> colorFromHEXString(std::string_view text, double alpha);
  // Every character one of "0123456789ABCDEFabcdef#" (empty text included).
  static bool isHex(std::string_view text);
  // Starts with "#" or "rgb".
  static bool isColor(std::string_view text);
  static pf::Color changeAlphaOnColor(const pf::Color& color, double alpha);
  // Colours are always in the one working space already.
  static pf::Color computeColorSpace(const pf::Color& color) { return color; }

  // "none", "rgba(r,g,b,a)" or "#RRGGBB" / "#RGB".
  static std::string colorStringFromColor(const pf::Color& color, bool forceHex, bool allowShorthand);
  static std::string colorStringFromColor(const pf::Color& color);
  // The keyword at an index of the alphabetical list of the 147 keywords; nullopt past 146.
  static std::optional<std::string> colorNameFromPredefinedColor(long index);
};

// CSS hue (degrees), saturation and lightness (percent) as hue 0..1, saturation 0..1 and
// brightness 0..1.
std::array<double, 3> ODSVGColorCSSHSLToHSB(double hue, double saturation, double lightness);
