#include "Platform/VideoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

#include "Platform/Log.h"
#include "Platform/SharedLibrary.h"
#include "Platform/TemporaryFile.h"

namespace pf {

namespace {

// FFmpeg is loaded when the first movie is asked for, not at start (see SharedLibrary). Each
// function this file calls is a pointer of the function's own name in this namespace: it hides
// the library's declaration here, so the code below calls FFmpeg as usual, through the pointer.
// They are set once by bindFFmpeg() and only read after it returned true.
#define MORV_AVUTIL_FUNCTIONS(X)                                                                                      \
  X(av_d2q) X(av_frame_alloc) X(av_frame_free) X(av_frame_get_buffer) X(av_frame_make_writable)                    \
  X(av_log_format_line2) X(av_log_set_callback) X(av_opt_set) X(av_strerror)
#define MORV_AVCODEC_FUNCTIONS(X)                                                                                     \
  X(av_packet_alloc) X(av_packet_free) X(av_packet_rescale_ts) X(av_packet_unref) X(avcodec_alloc_context3)        \
  X(avcodec_find_encoder) X(avcodec_find_encoder_by_name) X(avcodec_free_context) X(avcodec_open2)                 \
  X(avcodec_parameters_from_context) X(avcodec_receive_packet) X(avcodec_send_frame)
#define MORV_AVFORMAT_FUNCTIONS(X)                                                                                    \
  X(av_interleaved_write_frame) X(av_write_trailer) X(avformat_alloc_output_context2) X(avformat_free_context)     \
  X(avformat_new_stream) X(avformat_write_header) X(avio_closep) X(avio_open)
#define MORV_SWSCALE_FUNCTIONS(X)                                                                                     \
  X(sws_getContext) X(sws_freeContext) X(sws_getCoefficients) X(sws_setColorspaceDetails) X(sws_scale)

#define MORV_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
MORV_AVUTIL_FUNCTIONS(MORV_DECLARE_FUNCTION)
MORV_AVCODEC_FUNCTIONS(MORV_DECLARE_FUNCTION)
MORV_AVFORMAT_FUNCTIONS(MORV_DECLARE_FUNCTION)
MORV_SWSCALE_FUNCTIONS(MORV_DECLARE_FUNCTION)
#undef MORV_DECLARE_FUNCTION

// Loads the four libraries of the FFmpeg this was built with (by their major versions) and binds
// the functions above, once per process; false (logged, `reason` set) when any is missing.
bool bindFFmpeg(std::string* reason = nullptr)
{
  static std::string failure;
  static const bool bound = [] {
    constexpr const char* kPurpose = "video export (FFmpeg)";
    static SharedLibrary avutil({"libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR)}, kPurpose);
    static SharedLibrary swscale({"libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR)}, kPurpose);
    static SharedLibrary avcodec({"libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR)}, kPurpose);
    static SharedLibrary avformat({"libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR)}, kPurpose);
    bool complete = true;
    const auto bindAll = [&complete](SharedLibrary& library, const auto&... functions) {
      if (!library.isLoaded()) {
        complete = false;
        failure = library.failureReason();
        return;
      }
      ((complete = library.bind(*functions.first, functions.second) && complete), ...);
      if (!complete && failure.empty()) {
        failure = library.failureReason();
      }
    };
#define MORV_FUNCTION_ENTRY(name) , std::make_pair(&name, #name)
    bindAll(avutil MORV_AVUTIL_FUNCTIONS(MORV_FUNCTION_ENTRY));
    bindAll(avcodec MORV_AVCODEC_FUNCTIONS(MORV_FUNCTION_ENTRY));
    bindAll(avformat MORV_AVFORMAT_FUNCTIONS(MORV_FUNCTION_ENTRY));
    bindAll(swscale MORV_SWSCALE_FUNCTIONS(MORV_FUNCTION_ENTRY));
#undef MORV_FUNCTION_ENTRY
    return complete;
  }();
  if (!bound && reason != nullptr) {
    *reason = "FFmpeg cannot be loaded: " + failure;
  }
  return bound;
}

// The frame rates a time base is made for; beyond them stamps are still unique (see the class
// comment), only no longer one tick per frame.
constexpr double kMinimumFramesPerSecond = 0.001;
constexpr double kMaximumFramesPerSecond = 100000.0;
// Motion-JPEG quantiser scale: 2 is the finest the encoder's rate control uses by default and
// indistinguishable from 1 at a fraction of the size.
constexpr int kMotionJpegQuantiser = 2;
// libswscale reads and writes whole SIMD blocks, past the end of a row: the rows it is given
// start 64-byte aligned, and 64 bytes follow the last one.
constexpr int kScalerAlignmentWords = 16;
constexpr std::size_t kScalerPaddingWords = 16;

// FFmpeg's own messages of errors and worse go to our log; its chatter does not.
void forwardLibraryLog(void* object, int level, const char* formatText, va_list arguments)
{
  if (level > AV_LOG_ERROR) {
    return;
  }
  char line[1024];
  int prefix = 1;
  av_log_format_line2(object, level, formatText, arguments, line, sizeof line, &prefix);
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  log("FFmpeg: %@", text);
}

void installLibraryLog()
{
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(forwardLibraryLog); });
}

std::string errorText(int error)
{
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

const char* codecName(VideoWriter::Codec codec)
{
  switch (codec) {
  case VideoWriter::Codec::MotionJpeg:
    return "Motion-JPEG";
  case VideoWriter::Codec::H264:
    return "H.264";
  case VideoWriter::Codec::Hevc:
    return "HEVC";
  }
  return "?";
}

// The software encoders first (their settings are the ones we tune), else whatever FFmpeg has.
const AVCodec* findEncoder(VideoWriter::Codec codec)
{
  switch (codec) {
  case VideoWriter::Codec::MotionJpeg:
    return avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  case VideoWriter::Codec::H264:
    if (const AVCodec* x264 = avcodec_find_encoder_by_name("libx264")) {
      return x264;
    }
    return avcodec_find_encoder(AV_CODEC_ID_H264);
  case VideoWriter::Codec::Hevc:
    if (const AVCodec* x265 = avcodec_find_encoder_by_name("libx265")) {
      return x265;
    }
    return avcodec_find_encoder(AV_CODEC_ID_HEVC);
  }
  return nullptr;
}

struct FormatContextDeleter {
  void operator()(AVFormatContext* context) const
  {
    if (context->pb != nullptr) {
      avio_closep(&context->pb);
    }
    avformat_free_context(context);
  }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerDeleter {
  void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

}  // namespace

struct VideoWriter::State {
  ~State()
  {
    // Closing the file before it is removed; a finished writer has renamed it already.
    format.reset();
    if (temporaryExists) {
      discardTemporaryFile(temporary);
    }
  }

  bool fail(std::string reason)
  {
    log("Error writing movie %@: %@", target.string(), reason);
    failureReason = std::move(reason);
    failed = true;
    return false;
  }

  // Every packet the encoder has ready goes into the file. `draining` after the last frame.
  bool writePackets(bool draining)
  {
    while (true) {
      const int received = avcodec_receive_packet(codec.get(), packet.get());
      if (received == AVERROR(EAGAIN) && !draining) {
        return true;
      }
      if (received == AVERROR_EOF) {
        return true;
      }
      if (received < 0) {
        return fail("encoding failed: " + errorText(received));
      }
      av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      const int written = av_interleaved_write_frame(format.get(), packet.get());
      av_packet_unref(packet.get());
      if (written < 0) {
        return fail("writing failed: " + errorText(written));
      }
    }
  }

  // The frame over the background into `packed`, at the top-left, padded to the coded size.
  void pack(const Bitmap& frame)
  {
    const std::uint32_t backgroundWord = 0xFF000000u | (std::uint32_t{background.red} << 16) |
                                         (std::uint32_t{background.green} << 8) | background.blue;
    const int columns = std::min(width, frame.width());
    for (int y = 0; y < height; ++y) {
      std::uint32_t* out = packed.data() + static_cast<std::size_t>(y) * packedStride;
      if (y < frame.height()) {
        const std::uint32_t* in = frame.row(y).data();
        for (int x = 0; x < columns; ++x) {
          const std::uint32_t word = in[x];
          const std::uint32_t alpha = word >> 24;
          if (alpha == 255) {
            out[x] = word;
            continue;
          }
          // Premultiplied colour plus the background's share of what alpha leaves.
          const std::array<std::uint8_t, 3>& under = backgroundShare[alpha];
          const std::uint32_t red = ((word >> 16) & 0xFF) + under[0];
          const std::uint32_t green = ((word >> 8) & 0xFF) + under[1];
          const std::uint32_t blue = (word & 0xFF) + under[2];
          out[x] = 0xFF000000u | (std::min(red, 255u) << 16) | (std::min(green, 255u) << 8) | std::min(blue, 255u);
        }
        std::fill(out + columns, out + width, backgroundWord);
      } else {
        std::fill(out, out + width, backgroundWord);
      }
      if (codedWidth > width) {
        out[width] = out[width - 1];
      }
    }
    if (codedHeight > height) {
      std::copy_n(packed.data() + static_cast<std::size_t>(height - 1) * packedStride, codedWidth,
                  packed.data() + static_cast<std::size_t>(height) * packedStride);
    }
  }

  std::filesystem::path target;
  std::filesystem::path temporary;
  bool temporaryExists = false;
  Codec codecKind = Codec::MotionJpeg;
  int width = 0;
  int height = 0;
  int codedWidth = 0;
  int codedHeight = 0;
  Bitmap::Rgba8 background;
  std::array<std::array<std::uint8_t, 3>, 256> backgroundShare{};  // by alpha: background x (255 - alpha) / 255
  std::optional<std::int64_t> lastStamp;
  bool failed = false;
  bool finished = false;
  std::string failureReason;
  // codedWidth x codedHeight opaque words, packedStride words apart, for the scaler, which reads
  // (SIMD) beyond a row's end: rows start 64-byte aligned and kScalerPaddingWords follow the last.
  std::vector<std::uint32_t> packed;
  int packedStride = 0;
  // Declared after the file's state: destroyed first, so the encoder goes before the file.
  std::unique_ptr<AVFormatContext, FormatContextDeleter> format;
  AVStream* stream = nullptr;  // owned by `format`
  std::unique_ptr<AVCodecContext, CodecContextDeleter> codec;
  std::unique_ptr<AVFrame, FrameDeleter> frame;
  std::unique_ptr<AVPacket, PacketDeleter> packet;
  std::unique_ptr<SwsContext, ScalerDeleter> scaler;
};

bool VideoWriter::isCodecAvailable(Codec codec)
{
  return bindFFmpeg() && findEncoder(codec) != nullptr;
}

VideoWriter::VideoWriter(std::unique_ptr<State> state) : state_(std::move(state)) {}

VideoWriter::~VideoWriter() = default;

int VideoWriter::codedWidth() const
{
  return state_->codedWidth;
}

int VideoWriter::codedHeight() const
{
  return state_->codedHeight;
}

const std::string& VideoWriter::failureReason() const
{
  return state_->failureReason;
}

std::unique_ptr<VideoWriter> VideoWriter::open(const std::filesystem::path& path, const Settings& settings,
                                               std::string* reason)
{
  const auto refuse = [&](const std::string& text) -> std::unique_ptr<VideoWriter> {
    log("Error, could not start movie %@: %@", path.string(), text);
    if (reason != nullptr) {
      *reason = text;
    }
    return nullptr;
  };
  std::string missing;
  if (!bindFFmpeg(&missing)) {
    return refuse(missing);
  }
  installLibraryLog();
  const bool subsampledPairs = settings.codec != Codec::MotionJpeg;
  const int codedWidth = subsampledPairs && settings.width % 2 != 0 ? settings.width + 1 : settings.width;
  const int codedHeight = subsampledPairs && settings.height % 2 != 0 ? settings.height + 1 : settings.height;
  if (!Bitmap::isAllowedSize(codedWidth, codedHeight)) {
    return refuse(format("a movie of %d x %d pixels is not possible", settings.width, settings.height));
  }
  const AVCodec* encoder = findEncoder(settings.codec);
  if (encoder == nullptr) {
    return refuse(format("this system has no %@ encoder", std::string(codecName(settings.codec))));
  }

  auto state = std::make_unique<State>();
  state->target = path;
  state->temporary = temporaryPathBeside(path);
  state->codecKind = settings.codec;
  state->width = settings.width;
  state->height = settings.height;
  state->codedWidth = codedWidth;
  state->codedHeight = codedHeight;
  state->background = settings.background;
  for (int alpha = 0; alpha < 256; ++alpha) {
    const auto share = [alpha](std::uint8_t channel) {
      return static_cast<std::uint8_t>((channel * (255 - alpha) + 127) / 255);
    };
    state->backgroundShare[alpha] = {share(settings.background.red), share(settings.background.green),
                                     share(settings.background.blue)};
  }
  state->packedStride = (codedWidth + kScalerAlignmentWords - 1) / kScalerAlignmentWords * kScalerAlignmentWords;
  state->packed.resize(static_cast<std::size_t>(state->packedStride) * codedHeight + kScalerPaddingWords);

  double framesPerSecond = settings.framesPerSecond;
  if (!std::isfinite(framesPerSecond)) {
    framesPerSecond = 30.0;
  }
  framesPerSecond = std::clamp(framesPerSecond, kMinimumFramesPerSecond, kMaximumFramesPerSecond);
  const AVRational frameRate = av_d2q(framesPerSecond, 100000);
  const AVRational timeBase = av_inv_q(frameRate);

  AVFormatContext* formatContext = nullptr;
  const char* containerName = settings.container == Container::QuickTime ? "mov" : "mp4";
  int status = avformat_alloc_output_context2(&formatContext, nullptr, containerName, state->temporary.c_str());
  if (status < 0 || formatContext == nullptr) {
    return refuse("the container could not be set up: " + errorText(status));
  }
  state->format.reset(formatContext);

  state->codec.reset(avcodec_alloc_context3(encoder));
  state->frame.reset(av_frame_alloc());
  state->packet.reset(av_packet_alloc());
  if (!state->codec || !state->frame || !state->packet) {
    return refuse("out of memory");
  }
  AVCodecContext* codec = state->codec.get();
  codec->width = codedWidth;
  codec->height = codedHeight;
  codec->time_base = timeBase;
  codec->framerate = frameRate;
  codec->sample_aspect_ratio = {1, 1};
  codec->color_primaries = AVCOL_PRI_SMPTE170M;
  codec->color_trc = AVCOL_TRC_SMPTE170M;
  codec->colorspace = AVCOL_SPC_SMPTE170M;
  if (settings.codec == Codec::MotionJpeg) {
    codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
    codec->color_range = AVCOL_RANGE_JPEG;
    codec->flags |= AV_CODEC_FLAG_QSCALE;
    codec->global_quality = FF_QP2LAMBDA * kMotionJpegQuantiser;
  } else {
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->color_range = AVCOL_RANGE_MPEG;
    const double interval = std::isfinite(settings.keyFrameIntervalSeconds) && settings.keyFrameIntervalSeconds > 0.0
                                ? settings.keyFrameIntervalSeconds
                                : 1.0;
    codec->gop_size = static_cast<int>(std::clamp(std::round(framesPerSecond * interval), 1.0, 100000.0));
    if (settings.averageBitRate > 0) {
      codec->bit_rate = settings.averageBitRate;
    }
  }
  if (settings.codec == Codec::H264) {
    codec->profile = FF_PROFILE_H264_HIGH;
    av_opt_set(codec->priv_data, "profile", "high", 0);
  }
  if (settings.codec == Codec::Hevc) {
    // x265 writes its own notes to standard error unless told otherwise.
    av_opt_set(codec->priv_data, "x265-params", "log-level=error", 0);
    // The tag players of MPEG-4 and QuickTime files expect for HEVC.
    codec->codec_tag = MKTAG('h', 'v', 'c', '1');
  }
  if ((formatContext->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
    codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  status = avcodec_open2(codec, encoder, nullptr);
  if (status < 0) {
    return refuse(format("the %@ encoder refused the movie's settings: %@", std::string(codecName(settings.codec)),
                         errorText(status)));
  }

  state->stream = avformat_new_stream(formatContext, nullptr);
  if (state->stream == nullptr) {
    return refuse("out of memory");
  }
  status = avcodec_parameters_from_context(state->stream->codecpar, codec);
  if (status < 0) {
    return refuse("the stream could not be set up: " + errorText(status));
  }
  state->stream->time_base = timeBase;
  state->stream->avg_frame_rate = frameRate;

  AVFrame* frame = state->frame.get();
  frame->format = codec->pix_fmt;
  frame->width = codedWidth;
  frame->height = codedHeight;
  status = av_frame_get_buffer(frame, 0);
  if (status < 0) {
    return refuse("out of memory: " + errorText(status));
  }

  state->scaler.reset(sws_getContext(codedWidth, codedHeight, AV_PIX_FMT_0RGB32, codedWidth, codedHeight,
                                     codec->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!state->scaler) {
    return refuse("the colour conversion could not be set up");
  }
  // RGB is full range; JPEG is full range too, the others video range.
  const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
  sws_setColorspaceDetails(state->scaler.get(), coefficients, 1, coefficients,
                           settings.codec == Codec::MotionJpeg ? 1 : 0, 0, 1 << 16, 1 << 16);

  status = avio_open(&formatContext->pb, state->temporary.c_str(), AVIO_FLAG_WRITE);
  if (status < 0) {
    return refuse(errorText(status));
  }
  state->temporaryExists = true;
  status = avformat_write_header(formatContext, nullptr);
  if (status < 0) {
    return refuse("the file header could not be written: " + errorText(status));
  }
  return std::unique_ptr<VideoWriter>(new VideoWriter(std::move(state)));
}

bool VideoWriter::addFrame(const Bitmap& frame, double timeSeconds)
{
  State& state = *state_;
  if (state.failed || state.finished) {
    log("Error, movie %@ takes no more frames", state.target.string());
    return false;
  }
  const double ticks = timeSeconds / av_q2d(state.codec->time_base);
  std::int64_t stamp = std::isfinite(ticks) && std::fabs(ticks) < 1e15 ? std::llround(ticks) : 0;
  if (state.lastStamp && stamp <= *state.lastStamp) {
    stamp = *state.lastStamp + 1;
  }
  state.lastStamp = stamp;

  state.pack(frame);
  AVFrame* picture = state.frame.get();
  const int writable = av_frame_make_writable(picture);
  if (writable < 0) {
    return state.fail("out of memory: " + errorText(writable));
  }
  const std::uint8_t* sources[1] = {reinterpret_cast<const std::uint8_t*>(state.packed.data())};
  const int sourceStrides[1] = {state.packedStride * 4};
  sws_scale(state.scaler.get(), sources, sourceStrides, 0, state.codedHeight, picture->data, picture->linesize);
  picture->pts = stamp;
  if (state.codecKind == Codec::MotionJpeg) {
    picture->quality = state.codec->global_quality;
  }
  int sent = avcodec_send_frame(state.codec.get(), picture);
  if (sent == AVERROR(EAGAIN)) {
    // The encoder's queue is full: take what it has, then it takes the frame.
    if (!state.writePackets(false)) {
      return false;
    }
    sent = avcodec_send_frame(state.codec.get(), picture);
  }
  if (sent < 0) {
    return state.fail("encoding failed: " + errorText(sent));
  }
  return state.writePackets(false);
}

bool VideoWriter::finish()
{
  State& state = *state_;
  if (state.failed || state.finished) {
    return false;
  }
  state.finished = true;
  const int sent = avcodec_send_frame(state.codec.get(), nullptr);
  if (sent < 0) {
    return state.fail("encoding failed: " + errorText(sent));
  }
  if (!state.writePackets(true)) {
    return false;
  }
  const int trailer = av_write_trailer(state.format.get());
  if (trailer < 0) {
    return state.fail("the file could not be completed: " + errorText(trailer));
  }
  const int closed = avio_closep(&state.format->pb);
  if (closed < 0) {
    return state.fail("the file could not be closed: " + errorText(closed));
  }
  std::string reason;
  state.temporaryExists = false;
  if (!commitTemporaryFile(state.temporary, state.target, &reason)) {
    return state.fail(reason);
  }
  return true;
}

}  // namespace pf
