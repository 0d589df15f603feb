#pragma once

#include <string>

namespace pf {

// A colour in the one sRGB space that stands for every RGB space of the original platform,
// with alpha. Components are doubles pinned to 0..1 when the colour is made (NaN becomes 0),
// as the original's calibrated colours pin them; HSB, grey and CMYK colours convert naively on
// the way in and out. A missing colour is std::optional<pf::Color> at the call site.
class Color {
public:
  struct Hsb {
    double hue = 0.0;  // 0..1, a full turn is 1
    double saturation = 0.0;
    double brightness = 0.0;
  };
  struct Cmyk {
    double cyan = 0.0;
    double magenta = 0.0;
    double yellow = 0.0;
    double black = 0.0;
  };

  Color() = default;  // opaque black

  static Color rgb(double red, double green, double blue, double alpha = 1.0);
  // Hue in turns (0..1, where 1 is the same red as 0); values outside are pinned, so callers
  // that shift hues wrap them first (wrappedHue).
  static Color hsb(double hue, double saturation, double brightness, double alpha = 1.0);
  static Color grey(double white, double alpha = 1.0);
  static Color cmyk(double cyan, double magenta, double yellow, double black, double alpha = 1.0);
  static Color white() { return grey(1.0); }
  static Color black() { return grey(0.0); }

  double red() const { return red_; }
  double green() const { return green_; }
  double blue() const { return blue_; }
  double alpha() const { return alpha_; }

  // Readings in the other models. Greys read hue 0 and saturation 0.
  Hsb hsb() const;
  double hue() const { return hsb().hue; }
  double saturation() const { return hsb().saturation; }
  double brightness() const { return hsb().brightness; }
  Cmyk cmyk() const;
  // The grey level of the colour: the mean of the three components.
  double whiteLevel() const;

  Color withAlpha(double alpha) const;
  // Component-wise mix, alpha included: this × (1 - fraction) + other × fraction. The fraction
  // is pinned to 0..1; NaN leaves this colour unchanged.
  Color blended(double fraction, const Color& other) const;

  // Colour shifts: a shifted hue wraps into 0..1 by its whole turns (-0.25 gives 0.75,
  // 1.25 gives 0.25); exactly 1 stays 1. NaN stays NaN.
  static double wrappedHue(double hue);

  // Equal when all four components are equal.
  friend bool operator==(const Color& a, const Color& b) = default;

  // "sRGB 1 0.5 0 1" (red, green, blue, alpha) for log lines.
  std::string description() const;

private:
  Color(double red, double green, double blue, double alpha);

  double red_ = 0.0;
  double green_ = 0.0;
  double blue_ = 0.0;
  double alpha_ = 1.0;
};

}  // namespace pf
