#include "MorvNode/Controller/MVStatisticsTexts.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(MVStatisticsTexts, DisplayTimeFromTime)
{
  const struct {
    double seconds;
    const char* text;
  } cases[] = {
      {0.25, "250ms"},  {12.34, "12.3s"},   {125.0, "2:05"},  {0.0, "0ms"},     {0.0005, "1ms"},
      {0.9994, "999ms"}, {0.9996, "1000ms"}, {1.0, "1.0s"},    {59.96, "60.0s"}, {60.0, "1:00"},
      {3599.9, "59:59"}, {3600.0, "60:00"},  {std::nan(""), "0ms"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.seconds);
    EXPECT_EQ(MVStatisticsTexts::displayTimeFromTime(each.seconds), each.text);
  }
  // Saturates instead of overflowing.
  EXPECT_FALSE(MVStatisticsTexts::displayTimeFromTime(std::numeric_limits<double>::infinity()).empty());
}

TEST(MVStatisticsTexts, RenderSizeText)
{
  EXPECT_EQ(MVStatisticsTexts::renderSizeText(2.0, 200.0, 100.0, 2.0), "400 x 200 px @2x");
  EXPECT_EQ(MVStatisticsTexts::renderSizeText(1.0, 300.0, 200.0, 1.0), "300 x 200 px ");
  EXPECT_EQ(MVStatisticsTexts::renderSizeText(0.5, 301.0, 99.0, 1.5), "151 x 50 px @1.5x");
}

TEST(MVStatisticsTexts, PreviewFrameRateIsCappedByTheAnimation)
{
  EXPECT_EQ(MVStatisticsTexts::previewFrameRate(0.04, 30.0), 25.0);
  EXPECT_EQ(MVStatisticsTexts::previewFrameRate(0.01, 30.0), 30.0);
  EXPECT_EQ(MVStatisticsTexts::previewFrameRate(0.0, 24.0), 24.0);
}

MVStatisticsTexts::RendererReading idleRenderer()
{
  MVStatisticsTexts::RendererReading renderer;
  renderer.displayScale = 1.0;
  renderer.renderingSizeWidth = 200.0;
  renderer.renderingSizeHeight = 100.0;
  renderer.renderTime = 0.02;
  renderer.renderStartTime = 5.0;
  renderer.renderEndTime = 5.02;
  renderer.now = 6.0;
  renderer.numberOfRenderedElements = 7;
  return renderer;
}

TEST(MVStatisticsTexts, IdleDocumentShowsTheLastTimes)
{
  MVStatisticsTexts::Reading reading;
  reading.now = 10.0;
  reading.updateStartTime = 1.0;
  reading.updateEndTime = 1.5;
  reading.updateTime = 0.5;
  reading.generationStartTime = 1.0;
  reading.generationEndTime = 1.25;
  reading.generationTime = 0.25;
  reading.numberOfElements = 12;
  reading.renderer = idleRenderer();

  MVStatisticsTexts::Texts texts = MVStatisticsTexts::compose(reading);
  EXPECT_EQ(texts.renderSize, "200 x 100 px ");
  EXPECT_EQ(texts.calculationTime, "500ms total update");
  EXPECT_EQ(texts.renderTime, "250ms generation  20ms render");
  EXPECT_EQ(texts.elementCount, "12 (7 rendered)");
  EXPECT_EQ(texts.numberOfRenderedElements, 7);
  EXPECT_EQ(texts.status, std::nullopt);

  reading.framesPerSecond = 25.0;
  EXPECT_EQ(MVStatisticsTexts::compose(reading).calculationTime, "500ms total update (25 fps preview)");

  // Without a renderer: no size, nothing rendered.
  reading.renderer.reset();
  texts = MVStatisticsTexts::compose(reading);
  EXPECT_EQ(texts.renderSize, std::nullopt);
  EXPECT_EQ(texts.renderTime, "250ms generation");
  EXPECT_EQ(texts.elementCount, "12");

  // No elements: the count is left as it is.
  reading.numberOfElements = 0;
  EXPECT_EQ(MVStatisticsTexts::compose(reading).elementCount, std::nullopt);
}

TEST(MVStatisticsTexts, RunningWorkShowsInTheStatusLineAfterATenthOfASecond)
{
  const struct {
    const char* name;
    double now;
    bool generating;
    bool rendering;
    std::optional<std::string> calculation;
    std::optional<std::string> status;
    std::string renderTime;
  } cases[] = {
      {"short update", 10.05, false, false, std::nullopt, std::nullopt, "250ms generation  20ms render"},
      {"long update", 10.5, false, false, "Updating... (500ms total)", "Updating... (500ms)",
       "250ms generation  20ms render"},
      {"generating", 12.0, true, false, "Updating... (2.0s total)", "Generating... (1.5s)", "1.5s generation"},
      {"rendering", 11.0, false, true, "Updating... (1.0s total)", "Rendering... (300ms)",
       "250ms generation  300ms render"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    MVStatisticsTexts::Reading reading;
    reading.now = each.now;
    reading.updateStartTime = 10.0;
    reading.updateEndTime = 9.0;
    reading.generationStartTime = each.generating ? 10.5 : 8.0;
    reading.generationEndTime = 8.25;
    reading.generationTime = 0.25;
    reading.numberOfElements = 3;
    reading.renderer = idleRenderer();
    if (each.rendering) {
      reading.renderer->renderStartTime = 5.7;
      reading.renderer->renderEndTime = 5.0;
    }
    const MVStatisticsTexts::Texts texts = MVStatisticsTexts::compose(reading);
    EXPECT_TRUE(texts.updateRunning);
    EXPECT_EQ(texts.calculationTime, each.calculation);
    EXPECT_EQ(texts.status, each.status);
    EXPECT_EQ(texts.renderTime, each.renderTime);
    EXPECT_EQ(texts.elementCount, each.generating ? "3" : "3 (7 rendered)");
  }

  MVStatisticsTexts::Reading playing;
  playing.now = 10.5;
  playing.updateStartTime = 10.0;
  playing.framesPerSecond = 12.0;
  EXPECT_EQ(MVStatisticsTexts::compose(playing).calculationTime, "Updating... (500.0ms total) (12 fps preview)");
}

}  // namespace
