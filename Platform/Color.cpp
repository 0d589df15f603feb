#include "Platform/Color.h"

#include <algorithm>
#include <cmath>

#include "Platform/Numbers.h"

namespace pf {

namespace {

double pinned(double component)
{
  if (std::isnan(component)) {
    return 0.0;
  }
  return std::clamp(component, 0.0, 1.0);
}

}  // namespace

Color::Color(double red, double green, double blue, double alpha)
    : red_(pinned(red)), green_(pinned(green)), blue_(pinned(blue)), alpha_(pinned(alpha))
{
}

Color Color::rgb(double red, double green, double blue, double alpha)
{
  return Color(red, green, blue, alpha);
}

Color Color::hsb(double hue, double saturation, double brightness, double alpha)
{
  const double h = pinned(hue);
  const double s = pinned(saturation);
  const double v = pinned(brightness);
  // Six sectors of the hue circle; hue 1 falls into sector 6, which is sector 0 again.
  const double scaled = h * 6.0;
  const double sector = std::floor(scaled);
  const double f = scaled - sector;
  const double p = v * (1.0 - s);
  const double q = v * (1.0 - s * f);
  const double t = v * (1.0 - s * (1.0 - f));
  switch (static_cast<int>(sector) % 6) {
  case 0:
    return Color(v, t, p, alpha);
  case 1:
    return Color(q, v, p, alpha);
  case 2:
    return Color(p, v, t, alpha);
  case 3:
    return Color(p, q, v, alpha);
  case 4:
    return Color(t, p, v, alpha);
  default:
    return Color(v, p, q, alpha);
  }
}

Color Color::grey(double white, double alpha)
{
  return Color(white, white, white, alpha);
}

Color Color::cmyk(double cyan, double magenta, double yellow, double black, double alpha)
{
  const double k = pinned(black);
  return Color((1.0 - pinned(cyan)) * (1.0 - k), (1.0 - pinned(magenta)) * (1.0 - k),
               (1.0 - pinned(yellow)) * (1.0 - k), alpha);
}

Color::Hsb Color::hsb() const
{
  const double highest = std::max({red_, green_, blue_});
  const double lowest = std::min({red_, green_, blue_});
  const double delta = highest - lowest;
  Hsb result;
  result.brightness = highest;
  result.saturation = highest > 0.0 ? delta / highest : 0.0;
  if (delta <= 0.0) {
    return result;
  }
  double hue = 0.0;
  if (highest == red_) {
    hue = (green_ - blue_) / delta;
    if (hue < 0.0) {
      hue += 6.0;
    }
  } else if (highest == green_) {
    hue = (blue_ - red_) / delta + 2.0;
  } else {
    hue = (red_ - green_) / delta + 4.0;
  }
  result.hue = hue / 6.0;
  return result;
}

Color::Cmyk Color::cmyk() const
{
  Cmyk result;
  result.black = 1.0 - std::max({red_, green_, blue_});
  if (result.black >= 1.0) {
    return result;
  }
  const double rest = 1.0 - result.black;
  result.cyan = (1.0 - red_ - result.black) / rest;
  result.magenta = (1.0 - green_ - result.black) / rest;
  result.yellow = (1.0 - blue_ - result.black) / rest;
  return result;
}

double Color::whiteLevel() const
{
  return (red_ + green_ + blue_) / 3.0;
}

Color Color::withAlpha(double alpha) const
{
  return Color(red_, green_, blue_, alpha);
}

Color Color::blended(double fraction, const Color& other) const
{
  if (std::isnan(fraction)) {
    return *this;
  }
  const double f = std::clamp(fraction, 0.0, 1.0);
  const double keep = 1.0 - f;
  return Color(red_ * keep + other.red_ * f, green_ * keep + other.green_ * f, blue_ * keep + other.blue_ * f,
               alpha_ * keep + other.alpha_ * f);
}

double Color::wrappedHue(double hue)
{
  if (hue < 0.0) {
    hue -= std::floor(hue);
  }
  if (hue > 1.0) {
    hue -= std::floor(hue);
  }
  return hue;
}

std::string Color::description() const
{
  return "sRGB " + formatG(red_) + " " + formatG(green_) + " " + formatG(blue_) + " " + formatG(alpha_);
}

}  // namespace pf
