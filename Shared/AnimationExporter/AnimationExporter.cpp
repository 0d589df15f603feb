#include "Shared/AnimationExporter/AnimationExporter.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_set>

#include "Platform/DrawingContext.h"
#include "Platform/Format.h"
#include "Platform/GifWriter.h"
#include "Platform/ImageCodec.h"
#include "Platform/PropertyList.h"
#include "Platform/Surface.h"
#include "Platform/TemporaryFile.h"
#include "Platform/VideoWriter.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// JPEG frames: the compression factor the format was always written with.
constexpr double kJpegCompressionFactor = 0.99;
// Transparent parts of a JPEG frame (JPEG has no alpha) and of a movie frame.
constexpr std::uint8_t kMovieBackgroundGrey = 153;  // 0.6
constexpr std::uint8_t kJpegBackgroundGrey = 102;   // 0.4, as the single-image export
// H.264's average bit rate: bits per second per pixel of the frame.
constexpr long long kH264BitsPerPixel = 50;
// The longest run between key frames of H.264 and HEVC movies.
constexpr double kKeyFrameIntervalSeconds = 1.0;

std::optional<pf::VideoWriter::Codec> videoCodecNamed(const std::string& name)
{
  if (name == "jpeg") {
    return pf::VideoWriter::Codec::MotionJpeg;
  }
  if (name == "avc1") {
    return pf::VideoWriter::Codec::H264;
  }
  if (name == "hvc1") {
    return pf::VideoWriter::Codec::Hevc;
  }
  return std::nullopt;
}

// The SVG fragment of one frame with every id it defines, and every reference to one of them,
// prefixed: frames repeat the same element names, and ids must be unique in one document.
// References to ids the fragment does not define (the shared symbols) stay as they are.
std::string withFrameIDs(const std::string& fragment, const std::string& prefix)
{
  std::unordered_set<std::string> defined;
  constexpr std::string_view kID = "id=\"";
  for (std::size_t at = fragment.find(kID); at != std::string::npos; at = fragment.find(kID, at + kID.size())) {
    if (at > 0 && (fragment[at - 1] == ' ' || fragment[at - 1] == '\n' || fragment[at - 1] == '\t')) {
      const std::size_t start = at + kID.size();
      const std::size_t end = fragment.find('"', start);
      if (end != std::string::npos) {
        defined.insert(fragment.substr(start, end - start));
      }
    }
  }
  if (defined.empty()) {
    return fragment;
  }
  std::string result;
  result.reserve(fragment.size() + defined.size() * 2 * prefix.size());
  std::size_t copied = 0;
  // An id's value follows `id="`, a reference's follows `url(#` or `href="#`.
  const auto rewrite = [&](std::size_t valueStart, char terminator) {
    const std::size_t end = fragment.find(terminator, valueStart);
    if (end == std::string::npos || !defined.contains(fragment.substr(valueStart, end - valueStart))) {
      return;
    }
    result.append(fragment, copied, valueStart - copied);
    result += prefix;
    copied = valueStart;
  };
  for (std::size_t at = 0; at < fragment.size(); ++at) {
    if (fragment.compare(at, kID.size(), kID) == 0 && at > 0 &&
        (fragment[at - 1] == ' ' || fragment[at - 1] == '\n' || fragment[at - 1] == '\t')) {
      rewrite(at + kID.size(), '"');
    } else if (fragment.compare(at, 5, "url(#") == 0) {
      rewrite(at + 5, ')');
    } else if (fragment.compare(at, 7, "href=\"#") == 0) {
      rewrite(at + 7, '"');
    }
  }
  result.append(fragment, copied, std::string::npos);
  return result;
}

// A frame of another size than the GIF's, laid at the top-left of a transparent one.
pf::Bitmap fittedTo(const pf::Bitmap& image, int width, int height)
{
  std::optional<pf::Bitmap> fitted = pf::Bitmap::create(width, height);
  const int columns = std::min(width, image.width());
  const int rows = std::min(height, image.height());
  for (int y = 0; y < rows; ++y) {
    std::copy_n(image.row(y).data(), columns, fitted->row(y).data());
  }
  return std::move(*fitted);
}

}  // namespace

AnimationExporter::AnimationExporter() : supportedVideoCodecs_{"jpeg", "avc1", "hvc1"}
{
  reset();
}

AnimationExporter::~AnimationExporter()
{
  abandonExport();
}

std::vector<std::string> AnimationExporter::availableVideoCodecs()
{
  std::vector<std::string> codecs;
  for (const char* name : {"jpeg", "avc1", "hvc1"}) {
    if (pf::VideoWriter::isCodecAvailable(*videoCodecNamed(name))) {
      codecs.emplace_back(name);
    }
  }
  return codecs;
}

void AnimationExporter::reset()
{
  releaseResources();
  exportFrameCounter_ = 0;
  expectedFrames_ = 100;
  animationExportMode_ = kExportModeFrameBuffer;
  exportFormat_.clear();
  outputSize_ = {0.0, 0.0};
  failureReason_.clear();
}

void AnimationExporter::releaseResources()
{
  animationFrames_.clear();
  animationFrameDurations_.clear();
  abandonExport();
}

void AnimationExporter::abandonExport()
{
  gifWriter_.reset();
  movieWriter_.reset();  // removes its temporary file
  svgExportString_.reset();
  for (const PendingFile& file : pendingFrameFiles_) {
    pf::discardTemporaryFile(file.temporary);
  }
  pendingFrameFiles_.clear();
}

bool AnimationExporter::recordFailure(const std::string& reason)
{
  if (failureReason_.empty()) {
    failureReason_ = reason.empty() ? std::string("unknown error") : reason;
  }
  return false;
}

bool AnimationExporter::isMovieFormat() const
{
  return exportFormat_ == "mov" || exportFormat_ == "mpeg4" || exportFormat_ == "mp4";
}

// ---- Frames ----

void AnimationExporter::addFrame(std::shared_ptr<const pf::Bitmap> image, double duration)
{
  if (!image) {
    FeedbackManager::log("Error, can't add frame %@, to frame buffer array %@", std::string("(null)"),
                         pf::format("(%ld frames)", static_cast<long>(animationFrames_.size())));
    return;
  }
  if (outputSize_.width == 0) {
    outputSize_ = {static_cast<double>(image->width()), static_cast<double>(image->height())};
  }
  switch (animationExportMode_) {
  case kExportModeFrameBuffer:
    if (static_cast<std::int64_t>(image->width()) * image->height() >= kFrameBufferPNGPixels) {
      std::optional<std::vector<std::uint8_t>> png = getPNGDataForImage(image.get());
      if (png) {
        animationFrames_.emplace_back(std::move(*png));
      } else {
        animationFrames_.emplace_back(std::move(image));
      }
    } else {
      animationFrames_.emplace_back(std::move(image));
    }
    animationFrameDurations_.push_back(duration);
    return;
  case kExportModeImages:
    exportFrameImageToFile(*image);
    break;
  case kExportModeAnimatedFile:
    if (exportFormat_ == "gif") {
      exportAddFrameImageToGIF(*image, duration);
    } else if (isMovieFormat()) {
      exportAddFrameImageToMOV(*image, duration);
    }
    break;
  default:
    break;
  }
  ++exportFrameCounter_;
}

void AnimationExporter::addFrameData(std::vector<std::uint8_t> data, double duration)
{
  (void)duration;
  if (animationExportMode_ != kExportModeImages) {
    FeedbackManager::log("Error, addFrameData used but animationExportMode is not _EXPORT_MODE_IMAGES");
    return;
  }
  exportFrameDataToFile(std::move(data));
  ++exportFrameCounter_;
}

// ---- Frame files ----

std::filesystem::path AnimationExporter::frameFilePath(long long frameNumber) const
{
  const char* numberFormat = "%@_%06ld.%@";
  if (expectedFrames_ < 100) {
    numberFormat = "%@_%02ld.%@";
  } else if (expectedFrames_ < 1000) {
    numberFormat = "%@_%03ld.%@";
  } else if (expectedFrames_ < 10000) {
    numberFormat = "%@_%04ld.%@";
  } else if (expectedFrames_ <= 99999) {
    numberFormat = "%@_%05ld.%@";
  }
  const std::string name =
      pf::format(numberFormat, exportPath_.stem().string(), static_cast<long>(frameNumber), exportFormat_);
  return exportPath_.parent_path() / name;
}

bool AnimationExporter::exportFrameDataToFile(std::vector<std::uint8_t> data)
{
  if (data.empty() || exportPath_.empty() || exportFormat_.empty()) {
    return false;
  }
  const std::filesystem::path target = frameFilePath(exportFrameCounter_);
  const std::filesystem::path temporary = pf::temporaryPathBeside(target);
  std::string reason;
  if (!pf::writeFileAtomically(temporary, data, &reason)) {
    FeedbackManager::log("Error exporting frame file %@", target.string());
    return recordFailure(reason);
  }
  pendingFrameFiles_.push_back({temporary, target});
  return true;
}

bool AnimationExporter::exportFrameImageToFile(const pf::Bitmap& image)
{
  std::optional<std::vector<std::uint8_t>> data;
  if (exportFormat_ == "jpg") {
    data = pf::encodeJpeg(image, kJpegCompressionFactor,
                          {kJpegBackgroundGrey, kJpegBackgroundGrey, kJpegBackgroundGrey, 255});
  } else if (exportFormat_ == "png") {
    data = pf::encodePng(image);
  } else if (exportFormat_ == "pdf") {
    // A page of the frame's size showing the frame's pixels.
    const pf::Size size{static_cast<double>(image.width()), static_cast<double>(image.height())};
    if (std::optional<pf::Surface> page = pf::Surface::pdf(size)) {
      {
        pf::DrawingContext context(*page);
        // Bitmaps are drawn y-up inside their box; the page is y-down.
        context.translate(0, size.height);
        context.scale(1, -1);
        context.drawBitmap(image, {0, 0, size.width, size.height}, 1.0);
      }
      if (page->finish()) {
        data = page->takeData();
      }
    }
  } else {
    FeedbackManager::log("Error, unsupported export format '%@'", exportFormat_);
    FeedbackManager::log("Error generating frame image data for export of frame #%ld",
                         static_cast<long>(exportFrameCounter_));
    return recordFailure(pf::format("the format '%@' cannot hold frames", exportFormat_));
  }
  if (!data) {
    FeedbackManager::log("Error generating frame image data for export of frame #%ld",
                         static_cast<long>(exportFrameCounter_));
    return recordFailure(pf::format("frame %ld could not be encoded", static_cast<long>(exportFrameCounter_)));
  }
  return exportFrameDataToFile(std::move(*data));
}

bool AnimationExporter::finishExportFrameFiles()
{
  std::vector<PendingFile> files = std::move(pendingFrameFiles_);
  pendingFrameFiles_.clear();
  bool written = !hasFailed();
  for (const PendingFile& file : files) {
    if (!written) {
      pf::discardTemporaryFile(file.temporary);
      continue;
    }
    std::string reason;
    if (!pf::commitTemporaryFile(file.temporary, file.target, &reason)) {
      FeedbackManager::log("Error exporting frame file %@", file.target.string());
      written = recordFailure(reason);
    }
  }
  return written;
}

// ---- Animated SVG ----

void AnimationExporter::startExportSVGWithArtboardString(std::string header)
{
  svgExportString_ = std::move(header);
}

bool AnimationExporter::exportAddFrameStringToSVG(const std::string& fragment, double duration)
{
  if (!(duration > 0.0) || !std::isfinite(duration) || fragment.empty()) {
    FeedbackManager::log("Error, exportAddFrameStringToSVG with no duration or svg string lengh");
    return false;
  }
  if (!svgExportString_) {
    svgExportString_.emplace();
  }
  const long n = static_cast<long>(exportFrameCounter_);
  // More frames than announced still get key times within the animation.
  const double total = static_cast<double>(std::max(expectedFrames_, exportFrameCounter_ + 1));
  std::string& svg = *svgExportString_;
  // Ids without blanks, the group's and its animation's each its own.
  const std::string frameID = pf::format("frame_%ld", n);
  svg += pf::format("<g id=\"%@\" display=\"none\">\n", frameID);
  svg += withFrameIDs(fragment, frameID + "_");
  svg += pf::format("<animate id=\"%@_display\" attributeName=\"display\" values=\"none;inline;none;none\" "
                    "keyTimes=\"0;%g;%g;1\" dur=\"%gs\" begin=\"0s\" repeatCount=\"%@\"/>\n",
                    frameID, static_cast<double>(n) / total, static_cast<double>(n + 1) / total, duration * total,
                    std::string(exportAnimationLoopFlag_ ? "indefinite" : "1"));
  svg += "</g>\n";
  ++exportFrameCounter_;
  return true;
}

bool AnimationExporter::finishExportSVG()
{
  if (!svgExportString_ || hasFailed()) {
    svgExportString_.reset();
    return false;
  }
  std::string svg = std::move(*svgExportString_);
  svgExportString_.reset();
  svg += "</svg>\n";
  std::string reason;
  if (!pf::writeFileAtomically(exportPath_, std::span<const std::uint8_t>(
                                                reinterpret_cast<const std::uint8_t*>(svg.data()), svg.size()),
                               &reason)) {
    FeedbackManager::log("Error exporting SVG to file, path: %@ error: %@", exportPath_.string(), reason);
    return recordFailure(reason);
  }
  return true;
}

// ---- Animated GIF ----

pf::Bitmap AnimationExporter::gifImageWithImage(const pf::Bitmap& image, const std::optional<pf::Color>& matte)
{
  if (!matte) {
    return image;
  }
  pf::Bitmap::Rgba8 under = pf::Bitmap::rgba8(*matte);
  under.alpha = 255;
  pf::Bitmap composite = image.flattenedOnto(under);
  for (int y = 0; y < image.height(); ++y) {
    std::span<const std::uint32_t> source = image.row(y);
    std::span<std::uint32_t> target = composite.row(y);
    for (int x = 0; x < image.width(); ++x) {
      if ((source[x] >> 24) == 0) {
        target[x] = 0;  // no coverage stays transparent
      }
    }
  }
  return composite;
}

bool AnimationExporter::startExportGIF()
{
  const int width = static_cast<int>(std::floor(outputSize_.width));
  const int height = static_cast<int>(std::floor(outputSize_.height));
  if (!pf::Bitmap::isAllowedSize(width, height)) {
    return recordFailure(pf::format("an animated GIF of %d x %d pixels is not possible", width, height));
  }
  gifWriter_ = std::make_unique<pf::GifWriter>(width, height,
                                               exportAnimationLoopFlag_ ? std::optional<int>(0) : std::nullopt);
  return true;
}

bool AnimationExporter::exportAddFrameImageToGIF(const pf::Bitmap& image, double duration)
{
  if (!gifWriter_ && !hasFailed()) {
    startExportGIF();
  }
  if (!gifWriter_) {
    FeedbackManager::log("Error, could not add animation fram to gif export, no CGImageDestination");
    return false;
  }
  pf::Bitmap frame = gifImageWithImage(image, exportMatteColor_);
  const int width = static_cast<int>(std::floor(outputSize_.width));
  const int height = static_cast<int>(std::floor(outputSize_.height));
  if (frame.width() != width || frame.height() != height) {
    frame = fittedTo(frame, width, height);
  }
  if (!gifWriter_->addFrame(frame, duration)) {
    return recordFailure(pf::format("frame %ld could not be encoded as GIF", static_cast<long>(exportFrameCounter_)));
  }
  return true;
}

bool AnimationExporter::finishExportGIF()
{
  if (!gifWriter_) {
    FeedbackManager::log("Error finishExportGIF failed, no cgAnimationDestination");
    return recordFailure("the animated GIF has no frames");
  }
  std::unique_ptr<pf::GifWriter> writer = std::move(gifWriter_);
  if (hasFailed()) {
    return false;
  }
  std::optional<std::vector<std::uint8_t>> bytes = writer->finish();
  std::string reason = "the animated GIF could not be completed";
  if (!bytes || !pf::writeFileAtomically(exportPath_, *bytes, &reason)) {
    FeedbackManager::log("Error finishExportGIF failed, cgAnimationDestination: %@", exportPath_.string());
    return recordFailure(reason);
  }
  return true;
}

// ---- Movie ----

bool AnimationExporter::startExportMOV(double frameDuration)
{
  std::string codecName = "jpeg";
  if (exportVideoCodec_) {
    const auto& supported = supportedVideoCodecs_;
    if (std::find(supported.begin(), supported.end(), *exportVideoCodec_) != supported.end()) {
      codecName = *exportVideoCodec_;
    } else {
      FeedbackManager::log(
          "Warning, AnimationExported exportVideoCodec '%@' is not in supportedVideoCodecs, resetting to JPEG",
          *exportVideoCodec_);
    }
  }
  pf::VideoWriter::Settings settings;
  settings.container = exportFormat_ == "mov" ? pf::VideoWriter::Container::QuickTime
                                              : pf::VideoWriter::Container::Mpeg4;
  settings.codec = *videoCodecNamed(codecName);
  settings.width = static_cast<int>(std::floor(outputSize_.width));
  settings.height = static_cast<int>(std::floor(outputSize_.height));
  settings.framesPerSecond = frameDuration > 0.0 && std::isfinite(frameDuration) ? 1.0 / frameDuration : 30.0;
  if (settings.codec == pf::VideoWriter::Codec::H264) {
    settings.averageBitRate = static_cast<long long>(settings.width) * kH264BitsPerPixel * settings.height;
  }
  settings.keyFrameIntervalSeconds = kKeyFrameIntervalSeconds;
  settings.background = {kMovieBackgroundGrey, kMovieBackgroundGrey, kMovieBackgroundGrey, 255};
  std::string reason;
  movieWriter_ = pf::VideoWriter::open(exportPath_, settings, &reason);
  if (!movieWriter_) {
    return recordFailure(reason);
  }
  return true;
}

bool AnimationExporter::exportAddFrameImageToMOV(const pf::Bitmap& image, double duration)
{
  if (!movieWriter_ && !hasFailed()) {
    startExportMOV(duration);
  }
  if (!movieWriter_) {
    FeedbackManager::log("Error, could not add animation frame to mov export, no exportAVAssetWriter");
    return false;
  }
  // Each frame starts where the frames before it end; the writer keeps the stamps unique.
  const double time = static_cast<double>(exportFrameCounter_) * duration;
  if (!movieWriter_->addFrame(image, time)) {
    FeedbackManager::log("Error, failed to create pixel buffer for mov frame #%ld",
                         static_cast<long>(exportFrameCounter_));
    return recordFailure(movieWriter_->failureReason());
  }
  return true;
}

bool AnimationExporter::finishExportMOV()
{
  if (!movieWriter_) {
    FeedbackManager::log("ERROR finishExportMOV with no exportAVAssetWriter");
    return recordFailure("the movie has no frames");
  }
  std::unique_ptr<pf::VideoWriter> writer = std::move(movieWriter_);
  if (hasFailed()) {
    return false;  // the writer removes its temporary file
  }
  if (!writer->finish()) {
    FeedbackManager::log("Animation export file writing error. AVAssetWriter status: %ld Error: %@", 3L,
                         writer->failureReason());
    return recordFailure(writer->failureReason());
  }
  return true;
}

bool AnimationExporter::finishExport()
{
  if (exportFormat_ == "gif") {
    return finishExportGIF();
  }
  if (isMovieFormat()) {
    return finishExportMOV();
  }
  if (exportFormat_ == "svg") {
    return finishExportSVG();
  }
  return finishExportFrameFiles();
}

// ---- Frame buffer ----

bool AnimationExporter::isFrameBufferedAsData(long long index) const
{
  return index >= 0 && index < static_cast<long long>(animationFrames_.size()) &&
         std::holds_alternative<std::vector<std::uint8_t>>(animationFrames_[static_cast<std::size_t>(index)]);
}

std::optional<std::vector<std::uint8_t>> AnimationExporter::getImageDataForFrameNumber(long long index) const
{
  if (index < 0 || index >= static_cast<long long>(animationFrames_.size())) {
    FeedbackManager::log("ERROR: Trying to get frame #%ld from fram buffer with only %ld frames",
                         static_cast<long>(index), static_cast<long>(animationFrames_.size()));
    return std::nullopt;
  }
  const FrameEntry& entry = animationFrames_[static_cast<std::size_t>(index)];
  if (const auto* data = std::get_if<std::vector<std::uint8_t>>(&entry)) {
    return *data;
  }
  return getPNGDataForImage(std::get<std::shared_ptr<const pf::Bitmap>>(entry).get());
}

std::shared_ptr<const pf::Bitmap> AnimationExporter::getImageForFrameNumber(long long index) const
{
  if (index < 0 || index >= static_cast<long long>(animationFrames_.size())) {
    FeedbackManager::log("ERROR: Trying to get frame #%ld from fram buffer with only %ld frames",
                         static_cast<long>(index), static_cast<long>(animationFrames_.size()));
    return nullptr;
  }
  const FrameEntry& entry = animationFrames_[static_cast<std::size_t>(index)];
  if (const auto* data = std::get_if<std::vector<std::uint8_t>>(&entry)) {
    std::optional<pf::DecodedBitmap> decoded = pf::decodePng(*data);
    return decoded ? std::make_shared<const pf::Bitmap>(std::move(decoded->bitmap)) : nullptr;
  }
  return std::get<std::shared_ptr<const pf::Bitmap>>(entry);
}

std::optional<std::vector<std::uint8_t>> AnimationExporter::getPNGDataForImage(const pf::Bitmap* image)
{
  if (image == nullptr) {
    return std::nullopt;
  }
  return pf::encodePng(*image);
}
