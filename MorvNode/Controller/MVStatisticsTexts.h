#pragma once

#include <optional>
#include <string>

// The texts of a document's statistics panel and of the preview's status line, made from the
// timing of the last update (generation plus preview rendering), generation and rendering. The
// graph controller gathers the readings and shows the texts; this class only composes them, so
// every rule can be checked without a window or a clock.
class MVStatisticsTexts {
public:
  // What the renderer of the preview reports.
  struct RendererReading {
    double displayScale = 1.0;
    double renderingSizeWidth = 0.0;   // output units
    double renderingSizeHeight = 0.0;  // output units
    double retinaScaling = 1.0;        // device pixels per view point
    // Seconds on the renderer's clock; a pass is running while start > end.
    double renderTime = 0.0;
    double renderStartTime = 0.0;
    double renderEndTime = 0.0;
    double now = 0.0;  // the renderer's clock when read
    long numberOfRenderedElements = 0;
  };

  // The controller's readings. Times are seconds on the controller's clock; an update or a
  // generation is running while its start is later than its end.
  struct Reading {
    double now = 0.0;
    double updateStartTime = 0.0;
    double updateEndTime = 0.0;
    double updateTime = 0.0;
    double generationStartTime = 0.0;
    double generationEndTime = 0.0;
    double generationTime = 0.0;
    long numberOfElements = 0;
    double framesPerSecond = 0.0;  // of the preview while an animation plays; 0 otherwise
    std::optional<RendererReading> renderer;
  };

  // nullopt leaves a label as it is.
  struct Texts {
    std::optional<std::string> renderSize;
    std::optional<std::string> elementCount;
    std::optional<std::string> calculationTime;
    std::optional<std::string> renderTime;
    // The preview's status line; nullopt: none (cleared while nothing is running).
    std::optional<std::string> status;
    long numberOfRenderedElements = 0;  // what the controller keeps
    bool updateRunning = false;
  };

  // "250ms" below one second, "12.3s" below a minute, then "2:05" (minutes:seconds).
  static std::string displayTimeFromTime(double seconds);
  // "400 x 200 px @2x": the artboard at the display scale, the retina suffix only above 1.
  static std::string renderSizeText(double displayScale, double width, double height, double retinaScaling);
  // The preview frame rate while an animation plays: 1 / the last frame's time, rounded, and no
  // more than the animation's frame rate. A zero or unusable frame time gives the frame rate.
  static double previewFrameRate(double lastFrameRenderTime, double framerate);
  static Texts compose(const Reading& reading);

  // Above this many seconds a running update, generation or rendering shows in the status line.
  static constexpr double kStatusThreshold = 0.1;
};
