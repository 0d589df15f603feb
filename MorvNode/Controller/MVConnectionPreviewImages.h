#pragma once

#include <optional>
#include <vector>

#include "Platform/Color.h"
#include "Platform/Image.h"
#include "Platform/Size.h"

// The colours of a values preview. The interface may give the appearance's colours; these are
// the light appearance's.
struct MVPreviewGraphColors {
  pf::Color axis = pf::Color::grey(0.8);
  pf::Color line = pf::Color::grey(0.2);
};

// The small pictures the node editor shows on a connection: a line graph of the values and a
// strip of the colours that passed through it in the last generation. Pictures are y-up inside
// the image, as graphs read: a larger value lies higher.
class MVConnectionPreviewImages {
public:
  // `size` in points, rounded to whole points; `scale` is device pixels per point (the editor
  // screen's backing scale; 1 when not positive). NaN and infinite values are missing entries:
  // the curve skips them. No values, or only missing ones, give a blank image. nullopt (logged)
  // when the rounded size is below one point or over the bitmap caps.
  static std::optional<pf::Image> previewImageWithValues(const std::vector<double>& values, pf::Size size,
                                                         double scale = 1.0, const MVPreviewGraphColors& colors = {});
  // One opaque stripe per colour, left to right, each round(width / count) points wide and the
  // full height; no colours give a blank image. nullopt as for values.
  static std::optional<pf::Image> previewImageWithColors(const std::vector<pf::Color>& colors, pf::Size size,
                                                         double scale = 1.0);
};
