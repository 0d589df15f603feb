#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVAnimationExport.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/GifWriter.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PropertyList.h"
#include "Platform/UserDefaults.h"
#include "Platform/VideoWriter.h"
#include "Shared/AnimationExporter/AnimationExporter.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"

namespace {

// 120 frames (4 s at 30 fps) of a 1,000-element animation on a 1280 x 720 artboard: rectangles,
// ellipses and stars in a grid, each its own colour, each sliding right by its own keyframes.
// The export (MVAnimationExport's frame loop on the run loop: set the time, regenerate, render
// offscreen, hand the frame to the AnimationExporter, which encodes it) into an H.264 MPEG-4
// movie and into an animated GIF, beside the same frames rendered and handed to the encoder
// directly (pf::VideoWriter, pf::GifWriter) in a plain loop. "per frame" divides by 120.
// For video the `ffmpeg` program, when installed, encodes the same frames from PNG files with
// the same codec settings, beside our encoder reading the same PNG files. Times are wall-clock
// (the encoders run threads of their own, the ffmpeg program a process of its own).

constexpr long kElements = 1000;
constexpr int kColumns = 40;
constexpr double kSpacing = 30;
constexpr double kShapeSize = 22;
constexpr double kWidth = 1280;
constexpr double kHeight = 720;
constexpr double kFramerate = 30;
constexpr double kDuration = 4;
constexpr int kFrames = 120;

constexpr long long kKinds[] = {ElementShapeNode::kRectangle, ElementShapeNode::kEllipse,
                                ElementShapeNode::kStarPolygon};

std::filesystem::path benchFolder()
{
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("morvalis-animation-export-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return folder;
}

struct AnimatedArtwork {
  AnimatedArtwork()
  {
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Clipping rendering sub-pixel overlaps", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    document.initExportParametes();
    document.pauseUndoRegistration();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    artboard->sizeParameter()->setValueX(kWidth, kHeight);
    artboard->colorParameterNamed("Background Color")->setEnabled(false);
    manager.setDuration(kDuration);
    manager.setFramerate(kFramerate);
    for (long i = 0; i < kElements; ++i) {
      auto* shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
      shape->indexParameterNamed("Type")->setIndex(kKinds[i % 3]);
      shape->sizeParameter()->setValueX(kShapeSize, kShapeSize);
      const double x = kShapeSize + static_cast<double>(i % kColumns) * kSpacing;
      const double y = kShapeSize + static_cast<double>(i / kColumns) * kSpacing;
      shape->positionParameter()->setValueX(x, y);
      shape->fillColorParameter()->setColor(pf::Color::rgb(static_cast<double>(i % 7) / 6,
                                                           static_cast<double>(i % 5) / 4,
                                                           static_cast<double>(i % 3) / 2));
      shape->colorParameterNamed("Stroke Color")->setEnabled(false);
      controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                         artboard->layers().front()->inputSocket());
      ODAnimator* animator = manager.addAnimatorForTarget(shape->positionParameter(), "x");
      animator->addKeyframeWithValue(x, 0.0);
      animator->addKeyframeWithValue(x + static_cast<double>(i % 11) * 4, kDuration);
    }
    document.resumeUndoRegistration();
    runLoop.advance(1.0);
  }

  // The export's own settings, as the panel leaves them.
  void choose(const std::string& format, const std::string& codec)
  {
    pf::PlistValue::Dictionary& settings = document.editableExportSettings();
    MVExportSettings::prepareAnimationSizesForArtboard(settings, controller.artboardSize());
    settings.set("Animation File Format", format);
    settings.set("Animation Codec", codec);
    settings.set("Use Matte Color", true);
  }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  ODAnimationManager& manager = document.animationManager();
  std::filesystem::path folder = benchFolder();
};

void reportPerFrame(benchmark::State& state)
{
  state.counters["per frame"] =
      benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// ---- The export ----

void exportThroughDriver(benchmark::State& state, const std::string& format, const std::string& codec)
{
  AnimatedArtwork artwork;
  artwork.choose(format, codec);
  const std::filesystem::path target = artwork.folder / ("export." + format);
  for (auto _ : state) {
    MVAnimationExport exportOf(artwork.document);
    if (!exportOf.exportAnimation(target, nullptr)) {
      state.SkipWithError("export did not start");
      return;
    }
    while (exportOf.isRunning()) {
      artwork.runLoop.advance(0.005);
    }
    if (exportOf.currentExportFrame() != kFrames || !exportOf.failureReason().empty()) {
      state.SkipWithError("export failed");
      return;
    }
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(target));
  reportPerFrame(state);
  std::filesystem::remove_all(artwork.folder);
}

void exportMp4H264(benchmark::State& state)
{
  exportThroughDriver(state, "mp4", "avc1");
}
BENCHMARK(exportMp4H264)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void exportAnimatedGIF(benchmark::State& state)
{
  exportThroughDriver(state, "gif", "jpeg");
}
BENCHMARK(exportAnimatedGIF)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ---- The same frames handed to the encoders directly ----

pf::VideoWriter::Settings h264Settings()
{
  pf::VideoWriter::Settings settings;
  settings.container = pf::VideoWriter::Container::Mpeg4;
  settings.codec = pf::VideoWriter::Codec::H264;
  settings.width = static_cast<int>(kWidth);
  settings.height = static_cast<int>(kHeight);
  settings.framesPerSecond = kFramerate;
  settings.averageBitRate = static_cast<long long>(kWidth) * 50 * static_cast<long long>(kHeight);
  settings.keyFrameIntervalSeconds = 1.0;
  return settings;
}

void directMp4H264Baseline(benchmark::State& state)
{
  AnimatedArtwork artwork;
  MVArtworkRenderer renderer(artwork.controller);
  const std::filesystem::path target = artwork.folder / "direct.mp4";
  for (auto _ : state) {
    std::unique_ptr<pf::VideoWriter> writer = pf::VideoWriter::open(target, h264Settings());
    if (!writer) {
      state.SkipWithError("movie failed");
      return;
    }
    for (int frame = 0; frame < kFrames; ++frame) {
      artwork.manager.setCurrentTime(frame / kFramerate);
      artwork.controller.regenerate();
      writer->addFrame(*renderer.renderBitmap(1.0), frame / kFramerate);
    }
    if (!writer->finish()) {
      state.SkipWithError("movie failed");
      return;
    }
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(target));
  reportPerFrame(state);
  std::filesystem::remove_all(artwork.folder);
}
BENCHMARK(directMp4H264Baseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void directAnimatedGIFBaseline(benchmark::State& state)
{
  AnimatedArtwork artwork;
  MVArtworkRenderer renderer(artwork.controller);
  const std::filesystem::path target = artwork.folder / "direct.gif";
  for (auto _ : state) {
    pf::GifWriter writer(static_cast<int>(kWidth), static_cast<int>(kHeight), 0);
    for (int frame = 0; frame < kFrames; ++frame) {
      artwork.manager.setCurrentTime(frame / kFramerate);
      artwork.controller.regenerate();
      writer.addFrame(AnimationExporter::gifImageWithImage(*renderer.renderBitmap(1.0), pf::Color::white()),
                      1.0 / kFramerate);
    }
    const std::optional<std::vector<std::uint8_t>> bytes = writer.finish();
    if (!bytes || !pf::writeFileAtomically(target, *bytes)) {
      state.SkipWithError("GIF failed");
      return;
    }
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(target));
  reportPerFrame(state);
  std::filesystem::remove_all(artwork.folder);
}
BENCHMARK(directAnimatedGIFBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ---- From PNG frames: the ffmpeg program beside our encoder ----

// The 120 frames as PNG files, rendered once.
struct PngFrames {
  PngFrames()
  {
    std::filesystem::create_directories(folder);
    AnimatedArtwork artwork;
    MVArtworkRenderer renderer(artwork.controller);
    for (int frame = 0; frame < kFrames; ++frame) {
      artwork.manager.setCurrentTime(frame / kFramerate);
      artwork.controller.regenerate();
      const auto png = pf::encodePng(*renderer.renderBitmap(1.0));
      char name[32];
      std::snprintf(name, sizeof name, "frame_%03d.png", frame);
      pf::writeFileAtomically(folder / name, *png);
    }
  }
  ~PngFrames() { std::filesystem::remove_all(folder); }
  std::filesystem::path folder = benchFolder() / "png";
};

bool hasFfmpegProgram()
{
  return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

void ffmpegProgramFromPngBaseline(benchmark::State& state)
{
  if (!hasFfmpegProgram()) {
    state.SkipWithError("the ffmpeg program is not installed");
    return;
  }
  PngFrames frames;
  const pf::VideoWriter::Settings settings = h264Settings();
  // The same settings: H.264 High, 4:2:0, average bit rate, a key frame every second, BT.601.
  const std::string command =
      "ffmpeg -loglevel error -y -framerate 30 -i '" + (frames.folder / "frame_%03d.png").string() +
      "' -c:v libx264 -profile:v high -pix_fmt yuv420p -b:v " + std::to_string(settings.averageBitRate) +
      " -g 30 -colorspace smpte170m -color_primaries smpte170m -color_trc smpte170m '" +
      (frames.folder / "cli.mp4").string() + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
  }
  reportPerFrame(state);
}
BENCHMARK(ffmpegProgramFromPngBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void videoWriterFromPng(benchmark::State& state)
{
  PngFrames frames;
  const std::filesystem::path target = frames.folder / "ours.mp4";
  for (auto _ : state) {
    std::unique_ptr<pf::VideoWriter> writer = pf::VideoWriter::open(target, h264Settings());
    if (!writer) {
      state.SkipWithError("movie failed");
      return;
    }
    for (int frame = 0; frame < kFrames; ++frame) {
      char name[32];
      std::snprintf(name, sizeof name, "frame_%03d.png", frame);
      const std::optional<pf::Image> image = pf::Image::fromFile((frames.folder / name).string());
      if (!image || image->bitmap() == nullptr) {
        state.SkipWithError("frame missing");
        return;
      }
      writer->addFrame(*image->bitmap(), frame / kFramerate);
    }
    if (!writer->finish()) {
      state.SkipWithError("movie failed");
      return;
    }
  }
  reportPerFrame(state);
}
BENCHMARK(videoWriterFromPng)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
