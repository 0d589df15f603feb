#include "MorvNode/Document/MVAnimationExport.h"

#include <algorithm>
#include <cmath>

#include <unistd.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Platform/RunLoop.h"
#include "Platform/UserDefaults.h"
#include "Platform/VideoWriter.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"

namespace {

// Seconds between the steps of the frame loop, and before the finish: short enough not to slow
// the export, long enough for the progress panel to be drawn and its Cancel button to be heard.
constexpr double kFrameStepDelay = 0.005;
constexpr double kFinishDelay = 0.01;

bool isMovieFormat(const std::string& format)
{
  return format == "mov" || format == "mp4" || format == "mpeg4";
}

bool isAnimatedFileFormat(const std::string& format)
{
  return isMovieFormat(format) || format == "gif";
}

// Bitmap frames are rendered at the pixel size of the artboard times the scale.
bool isBitmapFormat(const std::string& format)
{
  return format != "pdf" && format != "svg";
}

std::optional<int> indexIn(const std::vector<std::string>& list, const std::string& entry)
{
  const auto found = std::find(list.begin(), list.end(), entry);
  if (found == list.end()) {
    return std::nullopt;
  }
  return static_cast<int>(found - list.begin());
}

}  // namespace

MVAnimationExport::MVAnimationExport(MVDocument& document) : document_(document) {}

MVAnimationExport::~MVAnimationExport()
{
  if (running_) {
    stepTimer_.invalidate();
    exporter_.abandonExport();
    restoreDocument();
  }
}

// ---- Before the panel ----

bool MVAnimationExport::documentHasAnimation(MVDocument& document)
{
  return !document.animationManager().animators().empty() ||
         document.nodeController().nodeTypeCountForClass("ValueTimeFunctionNode") > 0;
}

void MVAnimationExport::showNoAnimationAlert()
{
  FeedbackManager::showNSAlert(std::string("No parameter animations"),
                               std::string("To export an animation you must add at least one animation to a node "
                                           "property or add a Time Function value node, you can do this in the "
                                           "Animation panel or via the node context menu."));
}

std::optional<std::string> MVAnimationExport::exportAnimationCheckWarnings(MVDocument& document)
{
  MVNode* artboard = document.nodeController().artboardNode();
  MVParameter* size = artboard != nullptr ? artboard->parameterNamed("Size") : nullptr;
  if (size != nullptr && (size->animated() || size->mightHaveDynamicInput())) {
    return std::string("The artboard size is animated or connected to dynamic parameters. This means the size might "
                       "vary over time and since this is not supported in most animation formats it may produce "
                       "unexpected results.");
  }
  return std::nullopt;
}

// ---- The panel ----

void MVAnimationExport::exportAnimationPanelOpened()
{
  MVExportSettings::prepareAnimationSizesForArtboard(document_.editableExportSettings(),
                                                     document_.nodeController().artboardSize());
}

std::string MVAnimationExport::proposedFileName() const
{
  const pf::PlistValue::Dictionary& settings = document_.editableExportSettings();
  std::string name = "Untitled";
  if (const std::optional<std::string> baseFilename = MVExportSettings::baseFilename(settings)) {
    name = *baseFilename;
  } else if (document_.fileURL() && !document_.fileURL()->stem().empty()) {
    name = document_.fileURL()->stem().string();
  }
  return name + "." + MVExportSettings::animationFileFormat(settings);
}

std::vector<std::string> MVAnimationExport::codecMenuCodecs()
{
  std::vector<std::string> codecs;
  const std::vector<std::string> available = AnimationExporter::availableVideoCodecs();
  for (const std::string& codec : MVExportSettings::videoCodecs()) {
    if (codec == "jpeg" || std::find(available.begin(), available.end(), codec) != available.end()) {
      codecs.push_back(codec);
    }
  }
  if (std::find(available.begin(), available.end(), "hvc1") != available.end() &&
      std::find(codecs.begin(), codecs.end(), "hvc1") == codecs.end()) {
    codecs.emplace_back("hvc1");
  }
  return codecs;
}

MVAnimationExportPanelState MVAnimationExport::exportAnimationPanelUpdateInterface()
{
  pf::PlistValue::Dictionary& settings = document_.editableExportSettings();
  const pf::Size artboard = document_.nodeController().artboardSize();
  MVAnimationExportPanelState state;
  state.fileFormat = MVExportSettings::animationFileFormat(settings);
  state.formatIndex = indexIn(MVExportSettings::animationFormats(), state.fileFormat);

  state.scaleToDisplay = MVExportSettings::scaleToDisplay(settings);
  if (state.scaleToDisplay) {
    const double displayScale = document_.previewDisplayScale();
    DictionaryValueExtras::setDoubleValue(settings, artboard.height * displayScale, "Animation Size Height");
    DictionaryValueExtras::setDoubleValue(settings, artboard.width * displayScale, "Animation Size Width");
  }
  const pf::Size size = MVExportSettings::animationSize(settings);
  if (state.fileFormat == "pdf" || state.fileFormat == "svg") {
    state.sizeX = size.width;
    state.sizeY = size.height;
  } else {
    state.showsPixelLabel = true;
    state.sizeX = std::round(size.width);
    state.sizeY = std::round(size.height);
  }

  if (isMovieFormat(state.fileFormat)) {
    state.showsCodecMenu = true;
    state.codecIndex = indexIn(codecMenuCodecs(), MVExportSettings::animationCodec(settings));
  } else if (state.fileFormat != "svg" && state.fileFormat != "gif") {
    state.frameFilesText = pf::format("Will output one file per frame, named like 'filename_001.%@' or "
                                      "'filename_002.%@'. Existing files are overwritten.",
                                      state.fileFormat, state.fileFormat);
  }

  const ODAnimationManager& manager = document_.animationManager();
  state.framesText = pf::format("%gs%@ @ %gfps (%g frames)", manager.duration(),
                                std::string(manager.loop() ? " loop" : ""), manager.framerate(),
                                std::round(manager.duration() * manager.framerate()));

  if (state.fileFormat == "gif") {
    state.showsMatteControls = true;
    state.matteOn = MVExportSettings::useMatteColor(settings);
    state.showsMatteWell = state.matteOn;
    if (state.matteOn) {
      state.matteColor = MVExportSettings::matteColor(settings);
    }
  }
  return state;
}

void MVAnimationExport::exportAnimationPanelControlChanged(MVAnimationExportPanelControl control, double value,
                                                           pf::Color color)
{
  pf::PlistValue::Dictionary& settings = document_.editableExportSettings();
  const auto entryAt = [value](const std::vector<std::string>& list) -> std::optional<std::string> {
    if (!std::isfinite(value) || value < 0.0 || value >= static_cast<double>(list.size())) {
      return std::nullopt;
    }
    return list[static_cast<std::size_t>(value)];
  };
  switch (control) {
  case MVAnimationExportPanelControl::FormatMenu: {
    const std::optional<std::string> format = entryAt(MVExportSettings::animationFormats());
    if (!format) {
      return;
    }
    settings.set("Animation File Format", *format);
    break;
  }
  case MVAnimationExportPanelControl::CodecMenu: {
    const std::optional<std::string> codec = entryAt(codecMenuCodecs());
    if (!codec) {
      return;
    }
    settings.set("Animation Codec", *codec);
    break;
  }
  case MVAnimationExportPanelControl::ScaleToDisplayButton:
    settings.set("Scale To Display", value != 0.0);
    break;
  case MVAnimationExportPanelControl::SizeXField:
    if (!MVExportSettings::setAnimationSizeWidthKeepingAspect(settings, value)) {
      return;
    }
    break;
  case MVAnimationExportPanelControl::SizeYField:
    if (!MVExportSettings::setAnimationSizeHeightKeepingAspect(settings, value)) {
      return;
    }
    break;
  case MVAnimationExportPanelControl::MatteButton:
    settings.set("Use Matte Color", value != 0.0);
    break;
  case MVAnimationExportPanelControl::MatteColorWell:
    DictionaryValueExtras::setColor(settings, color, "Matte Color");
    break;
  }
  document_.markDocumentEdited();
}

// ---- The export ----

long long MVAnimationExport::totalFramesFor(double framerate, double duration)
{
  const long long frames = pf::saturatingCast<long long>(framerate * duration);
  return std::clamp(frames, 0LL, kMaxExportFrames);
}

bool MVAnimationExport::refuseStart(const std::string& title, const std::string& text)
{
  FeedbackManager::showNSAlert(title, text);
  exporter_.abandonExport();
  return false;
}

bool MVAnimationExport::exportAnimation(const std::filesystem::path& path, MVAnimationExportProgress* progress)
{
  if (running_) {
    FeedbackManager::log("Error, an animation export is already running");
    return false;
  }
  pf::RunLoop* runLoop = pf::RunLoop::current();
  if (runLoop == nullptr) {
    FeedbackManager::log("Error, animation export needs a run loop");
    return false;
  }
  pf::PlistValue::Dictionary& settings = document_.editableExportSettings();

  // "Base Filename" follows the chosen name, as the image export's does.
  const std::string chosenName = path.stem().string();
  const std::optional<std::filesystem::path>& fileURL = document_.fileURL();
  if (fileURL && chosenName == fileURL->stem().string()) {
    if (settings.contains("Base Filename")) {
      document_.markDocumentEdited();
    }
    settings.erase("Base Filename");
  } else {
    if (MVExportSettings::baseFilename(settings) != chosenName) {
      document_.markDocumentEdited();
    }
    settings.set("Base Filename", chosenName);
  }

  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return refuseStart("File system access denied",
                       pf::format("Morvalis was not allowed by the system to write files to %@", folder.string()));
  }

  MVNodeController& controller = document_.nodeController();
  ODAnimationManager& manager = document_.animationManager();
  format_ = MVExportSettings::animationFileFormat(settings);
  const std::string codec = MVExportSettings::animationCodec(settings);
  exportPath_ = path;
  exporter_.reset();
  exporter_.setExportMatteColor(MVExportSettings::useMatteColor(settings)
                                    ? std::optional<pf::Color>(MVExportSettings::matteColor(settings))
                                    : std::nullopt);
  exporter_.setExportFormat(format_);
  exporter_.setExportVideoCodec(codec);
  exporter_.setExportPath(path);
  exporter_.setAnimationExportMode(isAnimatedFileFormat(format_) ? AnimationExporter::kExportModeAnimatedFile
                                                                 : AnimationExporter::kExportModeImages);

  renderer_ = std::make_unique<MVArtworkRenderer>(controller);
  renderer_->bringOutputUpToDate();
  const pf::Size artboard = controller.artboardSize();
  const pf::Size size = MVExportSettings::animationSize(settings);
  scale_ = artboard.width > 0.0 ? size.width / artboard.width : 0.0;
  pdfScale_ = scale_;
  if (pf::UserDefaults::standard().integerForKey("Copy vectors size units") == 0) {
    pdfScale_ *= MVExportSettings::kVectorSizeScaleFactor;
  }
  const bool usableScale = std::isfinite(scale_) && scale_ > 0.0;
  if (!usableScale || (isBitmapFormat(format_) && !renderer_->isAllowedBitmapScale(scale_))) {
    return refuseStart("Error", pf::format("The artboard of %g x %g cannot be exported as an animation of %g x %g.",
                                           artboard.width, artboard.height, size.width, size.height));
  }
  if (isMovieFormat(format_)) {
    // Refused before any frame is drawn: a movie codec this system cannot encode.
    const std::vector<std::string> available = AnimationExporter::availableVideoCodecs();
    const std::vector<std::string>& supported = exporter_.supportedVideoCodecs();
    const bool isSupported = std::find(supported.begin(), supported.end(), codec) != supported.end();
    const bool isAvailable = std::find(available.begin(), available.end(), codec) != available.end();
    if (isSupported && !isAvailable) {
      return refuseStart("Error", pf::format("This system has no encoder for the video codec '%@'.", codec));
    }
  }

  savedAnimationTime_ = manager.currentTime();
  savedPlaying_ = manager.isPlaying();
  if (savedPlaying_) {
    manager.pause();
  }
  framerate_ = manager.framerate();
  duration_ = manager.duration();
  currentExportFrame_ = 0;
  totalExportFrames_ = totalFramesFor(framerate_, duration_);
  exporter_.setExpectedFrames(totalExportFrames_);
  exporter_.setExportAnimationLoopFlag(manager.loop());
  abortFlag_ = false;
  progress_ = progress;
  running_ = true;

  if (format_ == "svg") {
    controller.setRenderingScale(scale_);
    std::string header = MVArtworkRenderer::svgHeaderString(size);
    header += controller.svgSymbolDefinitionsString();
    header += controller.svgArtboardBackgroundString();
    exporter_.startExportSVGWithArtboardString(std::move(header));
  }
  exportStartTime_ = runLoop->now();
  report("Rendering frames", "", 0.0);
  scheduleStep(0.0, &MVAnimationExport::exportAnimationFrame);
  return true;
}

void MVAnimationExport::scheduleStep(double seconds, void (MVAnimationExport::*step)())
{
  pf::RunLoop* runLoop = pf::RunLoop::current();
  if (runLoop == nullptr) {
    FeedbackManager::log("Error, animation export lost its run loop");
    return;
  }
  stepTimer_ = runLoop->scheduleOneShot(seconds, [this, step] { (this->*step)(); });
}

void MVAnimationExport::report(const std::string& leftLabel, const std::string& rightLabel,
                               std::optional<double> fraction)
{
  if (progress_ != nullptr) {
    progress_->animationExportProgress(leftLabel, rightLabel, fraction);
  }
}

void MVAnimationExport::exportAnimationFrame()
{
  if (!running_) {
    return;
  }
  // The abort flag comes first: a cancelled export renders no further frame.
  if (!abortFlag_ && currentExportFrame_ < totalExportFrames_ && !exporter_.hasFailed()) {
    MVNodeController& controller = document_.nodeController();
    const double time = static_cast<double>(currentExportFrame_) / framerate_;
    const double frameDuration = 1.0 / framerate_;
    document_.animationManager().setCurrentTime(time);
    controller.regenerate();
    if (format_ == "pdf") {
      std::optional<std::vector<std::uint8_t>> page = renderer_->renderPDF(pdfScale_);
      if (page) {
        exporter_.addFrameData(std::move(*page), frameDuration);
      } else {
        exporter_.addFrameData({}, frameDuration);
      }
    } else if (format_ == "svg") {
      controller.setRenderingScale(scale_);
      exporter_.exportAddFrameStringToSVG(controller.svgOutputElementString(), frameDuration);
    } else {
      exporter_.addFrame(renderer_->renderBitmap(scale_), frameDuration);
    }
    ++currentExportFrame_;

    pf::RunLoop* runLoop = pf::RunLoop::current();
    const double elapsed = runLoop != nullptr ? runLoop->now() - exportStartTime_ : 0.0;
    const double done = static_cast<double>(currentExportFrame_);
    const double remaining = elapsed / done * static_cast<double>(totalExportFrames_ - currentExportFrame_);
    report("Rendering frames",
           pf::format("%ld / %ld (%@ remaining)", static_cast<long>(currentExportFrame_),
                      static_cast<long>(totalExportFrames_), MVNodeController::displayTimeFromTime(remaining)),
           totalExportFrames_ > 0 ? done / static_cast<double>(totalExportFrames_) : 1.0);
  }
  if (!abortFlag_ && currentExportFrame_ < totalExportFrames_ && !exporter_.hasFailed()) {
    scheduleStep(kFrameStepDelay, &MVAnimationExport::exportAnimationFrame);
    return;
  }
  report("Writing to file...", "", std::nullopt);
  scheduleStep(kFinishDelay, &MVAnimationExport::exportAnimationFinish);
}

void MVAnimationExport::exportAnimationFinish()
{
  if (!running_) {
    return;
  }
  stepTimer_.invalidate();
  MVAnimationExportProgress::Outcome outcome = MVAnimationExportProgress::Outcome::Written;
  if (abortFlag_) {
    exporter_.abandonExport();
    outcome = MVAnimationExportProgress::Outcome::Cancelled;
  } else if (exporter_.hasFailed() || !exporter_.finishExport()) {
    exporter_.abandonExport();
    outcome = MVAnimationExportProgress::Outcome::Failed;
  }
  restoreDocument();
  if (outcome == MVAnimationExportProgress::Outcome::Failed) {
    FeedbackManager::log("Error, animation export to %@ failed: %@", exportPath_.string(), exporter_.failureReason());
    FeedbackManager::showNSAlert(std::string("Error"),
                                 pf::format("Error exporting animation! Path:%@ Error: %@", exportPath_.string(),
                                            exporter_.failureReason()));
  }
  MVAnimationExportProgress* progress = progress_;
  progress_ = nullptr;
  exportPath_.clear();
  if (progress != nullptr) {
    progress->animationExportFinished(outcome);
  }
}

void MVAnimationExport::exportAbort()
{
  abortFlag_ = true;
}

void MVAnimationExport::restoreDocument()
{
  running_ = false;
  renderer_.reset();
  ODAnimationManager& manager = document_.animationManager();
  manager.setCurrentTime(savedAnimationTime_);
  if (savedPlaying_) {
    manager.play();
  }
}
