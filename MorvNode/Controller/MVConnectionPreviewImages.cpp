#include "MorvNode/Controller/MVConnectionPreviewImages.h"

#include <algorithm>
#include <cmath>

#include "Platform/DrawingContext.h"
#include "Platform/Numbers.h"
#include "Platform/Path.h"
#include "Platform/StrokeStyle.h"
#include "Platform/Surface.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// A bitmap of the rounded point size at `scale` pixels per point, and its drawing context
// scaled so that user space is points, y-up from the bottom edge.
struct Canvas {
  pf::Surface surface;
  double width = 0.0;   // points
  double height = 0.0;  // points
  double scale = 1.0;   // pixels per point
};

std::optional<Canvas> makeCanvas(pf::Size size, double scale)
{
  if (!(scale > 0.0) || !std::isfinite(scale)) {
    scale = 1.0;
  }
  const double width = std::round(size.width);
  const double height = std::round(size.height);
  if (!(width >= 1.0) || !(height >= 1.0)) {
    FeedbackManager::log("Warning, connection preview image of size %g x %g cannot be made", size.width,
                         size.height);
    return std::nullopt;
  }
  std::optional<pf::Surface> surface = pf::Surface::bitmap(pf::roundedSaturatingCast<int>(width * scale),
                                                           pf::roundedSaturatingCast<int>(height * scale));
  if (!surface) {
    return std::nullopt;
  }
  return Canvas{std::move(*surface), width, height, scale};
}

// Graph space: points, y-up.
void enterGraphSpace(pf::DrawingContext& context, const Canvas& canvas)
{
  context.translate(0.0, canvas.surface.size().height);
  context.scale(canvas.scale, -canvas.scale);
}

std::optional<pf::Image> imageOf(const Canvas& canvas)
{
  const pf::Bitmap* pixels = canvas.surface.bitmap();
  if (pixels == nullptr) {
    return std::nullopt;
  }
  pf::Image image = pf::Image::fromBitmap(*pixels, 72.0 * canvas.scale, 72.0 * canvas.scale);
  image.setSize(pf::Size(canvas.width, canvas.height));
  return image;
}

}  // namespace

std::optional<pf::Image> MVConnectionPreviewImages::previewImageWithValues(const std::vector<double>& values,
                                                                           pf::Size size, double scale,
                                                                           const MVPreviewGraphColors& colors)
{
  std::optional<Canvas> canvas = makeCanvas(size, scale);
  if (!canvas) {
    return std::nullopt;
  }
  const auto isPresent = [](double value) { return std::isfinite(value); };
  if (std::any_of(values.begin(), values.end(), isPresent)) {
    double minimum = 0.0;
    double maximum = 0.0;
    bool first = true;
    for (double value : values) {
      if (!isPresent(value)) {
        continue;
      }
      minimum = first ? value : std::min(minimum, value);
      maximum = first ? value : std::max(maximum, value);
      first = false;
    }
    const double count = static_cast<double>(values.size());
    const double step = (canvas->width - 8.0) / count;
    const double plotHeight = canvas->height - 9.0;
    const bool flat = maximum == minimum;
    const auto yOf = [&](double value) { return flat ? 3.0 : (value - minimum) / (maximum - minimum) * plotHeight + 3.0; };

    pf::DrawingContext context(canvas->surface);
    enterGraphSpace(context, *canvas);
    context.setLineJoin(pf::LineJoin::Round);

    pf::Path axes;
    axes.moveTo({4.0, flat ? 3.0 : minimum / (maximum - minimum) * plotHeight + 3.0});
    axes.lineTo({4.0, flat ? canvas->height - 4.0 : plotHeight + 3.0});
    const double axisY = minimum < 0.0 && 0.0 < maximum ? yOf(0.0) : yOf(minimum);
    axes.moveTo({4.0, axisY});
    axes.lineTo({count * step + 4.0, axisY});
    context.setLineWidth(1.0);
    context.setStrokeColor(colors.axis);
    context.strokePath(axes);

    pf::Path curve;
    for (std::size_t index = 0; index < values.size(); ++index) {
      if (!isPresent(values[index])) {
        continue;
      }
      const pf::Point point(static_cast<double>(index) * step + 4.0, yOf(values[index]));
      if (curve.isEmpty()) {
        curve.moveTo(point);
      } else {
        curve.lineTo(point);
      }
    }
    context.setLineWidth(2.0);
    context.setStrokeColor(colors.line);
    context.strokePath(curve);
  }
  return imageOf(*canvas);
}

std::optional<pf::Image> MVConnectionPreviewImages::previewImageWithColors(const std::vector<pf::Color>& colors,
                                                                           pf::Size size, double scale)
{
  std::optional<Canvas> canvas = makeCanvas(size, scale);
  if (!canvas) {
    return std::nullopt;
  }
  if (!colors.empty()) {
    pf::DrawingContext context(canvas->surface);
    enterGraphSpace(context, *canvas);
    const double stripe = std::round(canvas->width / static_cast<double>(colors.size()));
    for (std::size_t index = 0; index < colors.size(); ++index) {
      const pf::Color& color = colors[index];
      context.setFillColor(color.red(), color.green(), color.blue(), 1.0);
      context.fillRect(pf::Rect(static_cast<double>(index) * stripe, 0.0, stripe, canvas->height));
    }
  }
  return imageOf(*canvas);
}
