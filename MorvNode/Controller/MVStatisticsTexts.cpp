#include "MorvNode/Controller/MVStatisticsTexts.h"

#include <algorithm>
#include <cmath>

#include "Platform/Format.h"
#include "Platform/Numbers.h"

std::string MVStatisticsTexts::displayTimeFromTime(double seconds)
{
  if (std::isnan(seconds)) {
    seconds = 0.0;
  }
  if (seconds < 1.0) {
    return pf::format("%gms", std::round(seconds * 1000.0));
  }
  if (seconds < 60.0) {
    return pf::format("%1.1fs", seconds);
  }
  const double minutes = std::floor(seconds / 60.0);
  const double remainder = std::floor(seconds - minutes * 60.0);
  return pf::format("%d:%02d", pf::saturatingCast<int>(minutes), pf::saturatingCast<int>(remainder));
}

std::string MVStatisticsTexts::renderSizeText(double displayScale, double width, double height, double retinaScaling)
{
  const double pixelWidth = std::round(displayScale * width);
  const double pixelHeight = std::round(height * displayScale);
  const std::string suffix = retinaScaling > 1.0 ? pf::format("@%gx", retinaScaling) : std::string();
  return pf::format("%g x %g px %@", pixelWidth, pixelHeight, suffix);
}

double MVStatisticsTexts::previewFrameRate(double lastFrameRenderTime, double framerate)
{
  if (!(lastFrameRenderTime > 0.0)) {
    return framerate;
  }
  return std::min(std::round(1.0 / lastFrameRenderTime), framerate);
}

MVStatisticsTexts::Texts MVStatisticsTexts::compose(const Reading& reading)
{
  Texts texts;
  const double fps = reading.framesPerSecond;
  if (reading.renderer) {
    const RendererReading& renderer = *reading.renderer;
    texts.renderSize = renderSizeText(renderer.displayScale, renderer.renderingSizeWidth,
                                      renderer.renderingSizeHeight, renderer.retinaScaling);
  }

  // The whole update: generation plus preview rendering.
  std::optional<std::string> status;
  double shown = 0.0;
  texts.updateRunning = reading.updateStartTime > reading.updateEndTime;
  if (!texts.updateRunning) {
    shown = reading.updateTime;
    texts.calculationTime = fps != 0.0 ? pf::format("%@ total update (%g fps preview)", displayTimeFromTime(shown), fps)
                                       : pf::format("%@ total update", displayTimeFromTime(shown));
  } else {
    shown = reading.now - reading.updateStartTime;
    if (shown > kStatusThreshold) {
      texts.calculationTime = fps != 0.0 ? pf::format("Updating... (%.1fms total) (%g fps preview)", shown * 1000.0, fps)
                                         : pf::format("Updating... (%@ total)", displayTimeFromTime(shown));
      status = pf::format("Updating... (%@)", displayTimeFromTime(shown));
    }
  }

  // Generation and rendering.
  if (reading.generationStartTime <= reading.generationEndTime) {
    const double generation = reading.generationTime;
    if (reading.renderer) {
      const RendererReading& renderer = *reading.renderer;
      double render = renderer.renderTime;
      texts.numberOfRenderedElements = renderer.numberOfRenderedElements;
      if (renderer.renderStartTime > renderer.renderEndTime) {
        render = renderer.now - renderer.renderStartTime;
        if (shown > kStatusThreshold) {
          status = pf::format("Rendering... (%@)", displayTimeFromTime(render));
        }
      }
      texts.renderTime = render != 0.0 ? pf::format("%@ generation  %@ render", displayTimeFromTime(generation),
                                                    displayTimeFromTime(render))
                                       : pf::format("%@ generation", displayTimeFromTime(generation));
    } else {
      texts.numberOfRenderedElements = 0;
      texts.renderTime = pf::format("%@ generation", displayTimeFromTime(generation));
    }
  } else {
    const double generation = reading.now - reading.generationStartTime;
    texts.numberOfRenderedElements = 0;
    if (shown > kStatusThreshold) {
      status = pf::format("Generating... (%@)", displayTimeFromTime(generation));
    }
    texts.renderTime = pf::format("%@ generation", displayTimeFromTime(generation));
  }

  if (reading.numberOfElements > 0) {
    texts.elementCount = texts.numberOfRenderedElements < 1
                             ? pf::format("%ld", reading.numberOfElements)
                             : pf::format("%ld (%ld rendered)", reading.numberOfElements, texts.numberOfRenderedElements);
  }
  // The status line only speaks while an update is still running.
  if (texts.updateRunning) {
    texts.status = status;
  }
  return texts;
}
