#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "Platform/Bitmap.h"
#include "Platform/Color.h"
#include "Platform/Size.h"

namespace pf {
class GifWriter;
class VideoWriter;
}  // namespace pf

// Receives the frames of an animation export one at a time and writes them out: a numbered
// series of frame files (PNG, JPEG or PDF), one animated SVG assembled from per-frame SVG
// fragments, an animated GIF, or a movie (QuickTime or MPEG-4 file; Motion-JPEG, H.264 or HEVC).
// It can also keep frames in memory (mode 0). It knows nothing of documents or animation: the
// caller sets it up, hands over every frame (a bitmap, a file's bytes or an SVG fragment) and
// then finishes the format, or abandons the export.
//
// Nothing appears under a target's name before the export is finished: frame files and the
// movie are written under temporary names beside their targets and renamed at the finish; the
// GIF and the SVG are assembled in memory and written atomically. So a failed or abandoned
// export (abandonExport, reset, or destruction before the finish) leaves no partial file, and
// earlier files of the same names stay as they were. The first failure is kept with its reason
// (failureReason) so that the caller can stop and say why; every failure is also logged.
// Main thread only.
class AnimationExporter {
public:
  // animationExportMode values.
  static constexpr int kExportModeFrameBuffer = 0;
  static constexpr int kExportModeImages = 1;
  static constexpr int kExportModeAnimatedFile = 2;
  // Frames of this many pixels or more are kept as PNG data in the frame buffer.
  static constexpr std::int64_t kFrameBufferPNGPixels = 250001;

  AnimationExporter();
  ~AnimationExporter();
  AnimationExporter(const AnimationExporter&) = delete;
  AnimationExporter& operator=(const AnimationExporter&) = delete;

  // ---- Set-up ----
  // releaseResources, counter 0, 100 expected frames, mode 0, format "", output size (0, 0) and
  // no failure. Path, matte colour, codec and loop flag keep their values.
  void reset();
  // Empties the frame buffer and abandons any open GIF, movie, SVG text or frame files.
  void releaseResources();

  bool exportAnimationLoopFlag() const { return exportAnimationLoopFlag_; }
  void setExportAnimationLoopFlag(bool loop) { exportAnimationLoopFlag_ = loop; }
  int animationExportMode() const { return animationExportMode_; }
  void setAnimationExportMode(int mode) { animationExportMode_ = mode; }
  // The target file; for frame files the path whose folder and base name the numbered files take.
  const std::filesystem::path& exportPath() const { return exportPath_; }
  void setExportPath(std::filesystem::path path) { exportPath_ = std::move(path); }
  // "png", "jpg", "pdf", "svg", "gif", "mov", "mpeg4" or "mp4".
  const std::string& exportFormat() const { return exportFormat_; }
  void setExportFormat(std::string format) { exportFormat_ = std::move(format); }
  long long expectedFrames() const { return expectedFrames_; }
  void setExpectedFrames(long long frames) { expectedFrames_ = frames; }
  // The colour transparent GIF pixels are laid onto; nullopt for none.
  const std::optional<pf::Color>& exportMatteColor() const { return exportMatteColor_; }
  void setExportMatteColor(std::optional<pf::Color> color) { exportMatteColor_ = std::move(color); }
  // The movie codec asked for ("jpeg", "avc1", "hvc1"); nullopt for the default (JPEG).
  const std::optional<std::string>& exportVideoCodec() const { return exportVideoCodec_; }
  void setExportVideoCodec(std::optional<std::string> codec) { exportVideoCodec_ = std::move(codec); }
  // Pixels; (0, 0) until the first frame fixes it.
  pf::Size outputSize() const { return outputSize_; }
  void setOutputSize(pf::Size size) { outputSize_ = size; }
  // Frames handed on in modes 1 and 2 and SVG frames appended: the number of the next frame.
  long long exportFrameCounter() const { return exportFrameCounter_; }
  // "jpeg", "avc1" and "hvc1", in that order.
  const std::vector<std::string>& supportedVideoCodecs() const { return supportedVideoCodecs_; }
  // Those of them this system has an encoder for.
  static std::vector<std::string> availableVideoCodecs();

  // ---- Frames ----
  // The general entry: buffered (mode 0), written as a frame file (mode 1), or added to the GIF
  // or movie (mode 2). The first frame fixes outputSize. In modes 1 and 2 the counter moves on
  // whether or not the frame was written. A null frame is logged and ignored.
  void addFrame(std::shared_ptr<const pf::Bitmap> image, double duration);
  // A frame file's ready-encoded bytes (PDF pages); mode 1 only, else logged and ignored.
  void addFrameData(std::vector<std::uint8_t> data, double duration);

  // Animated SVG: the text starts with `header` (the opening svg element, symbols and the
  // background); each frame is a group shown only during its own time slice.
  void startExportSVGWithArtboardString(std::string header);
  // false (logged) for an empty fragment or a duration that is not above 0.
  bool exportAddFrameStringToSVG(const std::string& fragment, double duration);

  // Finishing: the SVG written atomically, the GIF completed and written atomically, the movie
  // completed and renamed over its target, the frame files renamed to their names. false (logged,
  // reason kept) on failure, which leaves nothing new under the targets' names.
  bool finishExportSVG();
  bool finishExportGIF();
  bool finishExportMOV();
  bool finishExportFrameFiles();
  // The finish of the current format.
  bool finishExport();
  // Drops whatever the export wrote or assembled so far; nothing new remains on disk.
  void abandonExport();

  // The lower-level steps the above use.
  bool exportFrameImageToFile(const pf::Bitmap& image);
  bool exportFrameDataToFile(std::vector<std::uint8_t> data);
  bool startExportGIF();
  bool exportAddFrameImageToGIF(const pf::Bitmap& image, double duration);
  bool startExportMOV(double frameDuration);
  bool exportAddFrameImageToMOV(const pf::Bitmap& image, double duration);

  // The numbered file of a frame: "<base>_<number>.<format>" in the folder of exportPath, with
  // 2 to 6 digits by expectedFrames.
  std::filesystem::path frameFilePath(long long frameNumber) const;

  // The first failure of this export in the system's or the encoder's words; empty when none.
  bool hasFailed() const { return !failureReason_.empty(); }
  const std::string& failureReason() const { return failureReason_; }

  // ---- Frame buffer (mode 0) ----
  std::size_t frameBufferCount() const { return animationFrames_.size(); }
  // PNG data of a frame (a bitmap entry is encoded on the fly); nullopt (logged) past the end.
  std::optional<std::vector<std::uint8_t>> getImageDataForFrameNumber(long long index) const;
  // The frame as a bitmap (a data entry is decoded); nullptr (logged) past the end.
  std::shared_ptr<const pf::Bitmap> getImageForFrameNumber(long long index) const;
  // Whether the entry is kept as PNG data rather than as the bitmap.
  bool isFrameBufferedAsData(long long index) const;

  // ---- Class operations ----
  // PNG of the bitmap; nullopt for none.
  static std::optional<std::vector<std::uint8_t>> getPNGDataForImage(const pf::Bitmap* image);
  // The frame as a GIF takes it: without a matte as it is; with one, laid onto the (opaque)
  // matte, every pixel with any coverage made opaque and fully transparent pixels kept so.
  static pf::Bitmap gifImageWithImage(const pf::Bitmap& image, const std::optional<pf::Color>& matte);

private:
  using FrameEntry = std::variant<std::shared_ptr<const pf::Bitmap>, std::vector<std::uint8_t>>;
  struct PendingFile {
    std::filesystem::path temporary;
    std::filesystem::path target;
  };

  bool isMovieFormat() const;
  // Keeps the first failure's reason; false for the caller to return.
  bool recordFailure(const std::string& reason);

  std::vector<FrameEntry> animationFrames_;
  std::vector<double> animationFrameDurations_;
  std::unique_ptr<pf::GifWriter> gifWriter_;
  std::unique_ptr<pf::VideoWriter> movieWriter_;
  std::vector<std::string> supportedVideoCodecs_;
  std::optional<std::string> svgExportString_;
  std::vector<PendingFile> pendingFrameFiles_;
  long long exportFrameCounter_ = 0;
  bool exportAnimationLoopFlag_ = false;
  int animationExportMode_ = kExportModeFrameBuffer;
  std::filesystem::path exportPath_;
  std::string exportFormat_;
  long long expectedFrames_ = 100;
  std::optional<pf::Color> exportMatteColor_;
  std::optional<std::string> exportVideoCodec_;
  pf::Size outputSize_;
  std::string failureReason_;
};
