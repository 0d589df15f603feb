#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// What a movie file holds, read back with libavformat and decoded with libavcodec.
struct MovieProbe {
  std::string container;  // the demuxer's names, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
  std::string codec;      // "mjpeg", "h264", "hevc"
  std::uint32_t codecTag = 0;
  int width = 0;
  int height = 0;
  int decodedFrames = 0;
  std::vector<double> frameTimes;  // presentation times in seconds, in decoding order of output
  // The first frame's pixel at the centre, as 8-bit RGB.
  std::uint8_t centreRed = 0;
  std::uint8_t centreGreen = 0;
  std::uint8_t centreBlue = 0;
};

// nullopt when the file cannot be opened or has no video stream.
inline std::optional<MovieProbe> probeMovie(const std::filesystem::path& path)
{
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
    return std::nullopt;
  }
  MovieProbe probe;
  std::optional<MovieProbe> result;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const auto takeFrames = [&](AVStream* stream) {
    while (avcodec_receive_frame(codec, frame) == 0) {
      if (probe.decodedFrames == 0) {
        SwsContext* scaler = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                            frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr,
                                            nullptr, nullptr);
        // libswscale writes whole SIMD blocks past a row's end: rows 64-byte aligned, and 64
        // bytes after the last.
        constexpr int kAlignment = 64;
        const int stride = (frame->width * 3 + kAlignment - 1) / kAlignment * kAlignment;
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(stride) * frame->height + kAlignment);
        std::uint8_t* planes[1] = {rgb.data()};
        const int strides[1] = {stride};
        sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
        sws_freeContext(scaler);
        const std::size_t centre =
            static_cast<std::size_t>(frame->height / 2) * stride + static_cast<std::size_t>(frame->width / 2) * 3;
        probe.centreRed = rgb[centre];
        probe.centreGreen = rgb[centre + 1];
        probe.centreBlue = rgb[centre + 2];
      }
      ++probe.decodedFrames;
      probe.frameTimes.push_back(static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base));
    }
  };
  if (avformat_find_stream_info(format, nullptr) >= 0) {
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index >= 0) {
      AVStream* stream = format->streams[index];
      const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
      codec = avcodec_alloc_context3(decoder);
      avcodec_parameters_to_context(codec, stream->codecpar);
      if (decoder != nullptr && avcodec_open2(codec, decoder, nullptr) == 0) {
        probe.container = format->iformat->name;
        probe.codec = decoder->name;
        probe.codecTag = stream->codecpar->codec_tag;
        probe.width = stream->codecpar->width;
        probe.height = stream->codecpar->height;
        while (av_read_frame(format, packet) >= 0) {
          if (packet->stream_index == index && avcodec_send_packet(codec, packet) == 0) {
            takeFrames(stream);
          }
          av_packet_unref(packet);
        }
        avcodec_send_packet(codec, nullptr);
        takeFrames(stream);
        result = probe;
      }
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return result;
}

}  // namespace testsupport
