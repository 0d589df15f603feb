#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "Platform/Bitmap.h"

namespace pf {

// Writes a movie through FFmpeg: one video stream of Motion-JPEG, H.264 or HEVC in a QuickTime
// (.mov) or MPEG-4 (.mp4) file. Frames are bitmaps laid over an opaque background (movies have
// no transparency) and converted to 4:2:0 YUV.
//
// Sizes: H.264 and HEVC code 4:2:0 in pairs of pixels, so an odd width or height is padded to
// the next even number by repeating the last column or row (the movie is then one pixel wider or
// taller than asked). Motion-JPEG keeps any size. A frame of another size than the movie's is
// laid at the top-left corner, cut off or surrounded by the background.
//
// Time: each frame is stamped with its presentation time in seconds, in a time base that fits
// the frame rate (1/30 for 30 fps, 100/2997 for 29.97); a time that would not advance past the
// previous frame's stamp is moved one tick on, so stamps stay unique and increasing at any
// frame rate.
//
// Encoding is synchronous: addFrame returns once the encoder has taken the frame and the
// packets it produced are in the file, so the caller can never run ahead of the encoder and no
// frame is dropped. The file is written under a temporary name beside the target and renamed
// over it by finish(); a writer destroyed without finish (a failure, a cancelled export) removes
// its temporary file and leaves an earlier file under the target's name as it was.
// Main thread or any one thread at a time.
class VideoWriter {
public:
  enum class Container { QuickTime, Mpeg4 };
  enum class Codec { MotionJpeg, H264, Hevc };

  struct Settings {
    Container container = Container::QuickTime;
    Codec codec = Codec::MotionJpeg;
    int width = 0;  // pixels, before padding
    int height = 0;
    double framesPerSecond = 30.0;   // chooses the time base; finite and above 0
    long long averageBitRate = 0;    // bits per second for H.264 and HEVC; 0 lets the encoder choose
    double keyFrameIntervalSeconds = 1.0;  // the longest run between key frames (H.264, HEVC)
    Bitmap::Rgba8 background{153, 153, 153, 255};  // under transparent parts: grey 0.6
  };

  // Whether this FFmpeg has an encoder for the codec.
  static bool isCodecAvailable(Codec codec);

  // Opens the encoder and a temporary file beside `path`; nullptr (logged, `reason` set) when the
  // codec is missing, the size is refused (see Bitmap::isAllowedSize) or the file cannot be made.
  static std::unique_ptr<VideoWriter> open(const std::filesystem::path& path, const Settings& settings,
                                           std::string* reason = nullptr);
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // The coded size: the settings' size, padded to even for H.264 and HEVC.
  int codedWidth() const;
  int codedHeight() const;

  // Encodes one frame shown from `timeSeconds` on. false (logged, reason kept) when encoding or
  // writing failed; the writer then refuses further frames and finish() fails.
  bool addFrame(const Bitmap& frame, double timeSeconds);
  // Drains the encoder, closes the file and renames it over the target; false (logged, reason
  // kept) on any failure, which removes the temporary file.
  bool finish();
  // The last failure in the system's or FFmpeg's words; empty when none.
  const std::string& failureReason() const;

private:
  struct State;
  explicit VideoWriter(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace pf
