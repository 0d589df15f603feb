// JPEG reading and writing through libjpeg-turbo (declared in ImageCodec.h).
//
// libjpeg reports fatal errors through error_exit, which must not return: ours longjmps. Every
// function that calls setjmp below is C-style (plain data only), so the jump never skips a C++
// destructor; the decompressor's guard, the row table and the output live in the callers.

#include "Platform/ImageCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "Platform/CodecSupport.h"
#include "Platform/Log.h"

namespace pf {

namespace {

// Plain data: the libjpeg error manager first (libjpeg sees only that), then our jump target.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool truncated;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jpegErrorExit(j_common_ptr info)
{
  auto* error = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

void jpegEmitMessage(j_common_ptr info, int level)
{
  auto* error = reinterpret_cast<JpegError*>(info->err);
  // libjpeg pads a truncated file with grey and calls it a warning; we refuse the picture.
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
    error->truncated = true;
  }
}

void setUpError(JpegError& error)
{
  jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegErrorExit;
  error.manager.emit_message = jpegEmitMessage;
  error.truncated = false;
  error.message[0] = '\0';
}

constexpr long kMaxJpegWorkingMemory = 1L << 30;

struct JpegHeader {
  JDIMENSION width;
  JDIMENSION height;
  bool cmyk;
  bool invertedCmyk;
  double dpiX;
  double dpiY;
};

// Creates the decompressor and reads the header. C-style (setjmp). `created` tells the caller
// whether jpeg_destroy_decompress is due, also after a failure.
bool readJpegHeader(jpeg_decompress_struct* info, JpegError* error, const std::uint8_t* data, unsigned long size,
                    bool* created, JpegHeader* header)
{
  info->err = &error->manager;
  if (setjmp(error->jump)) {
    return false;
  }
  jpeg_create_decompress(info);
  *created = true;
  info->mem->max_memory_to_use = kMaxJpegWorkingMemory;
  jpeg_mem_src(info, data, size);
  jpeg_read_header(info, TRUE);

  header->cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  header->invertedCmyk = header->cmyk && info->saw_Adobe_marker;
  info->out_color_space = header->cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  header->dpiX = 72.0;
  header->dpiY = 72.0;
  if (info->saw_JFIF_marker && (info->density_unit == 1 || info->density_unit == 2)) {
    const double factor = info->density_unit == 2 ? 2.54 : 1.0;
    header->dpiX = codec::usableDpiOr72(info->X_density * factor);
    header->dpiY = codec::usableDpiOr72(info->Y_density * factor);
  }
  header->width = info->image_width;
  header->height = info->image_height;
  return true;
}

// Decompresses into `rows` (4 bytes per pixel). C-style (setjmp).
bool readJpegRows(jpeg_decompress_struct* info, JpegError* error, JSAMPROW* rows, JDIMENSION height)
{
  if (setjmp(error->jump)) {
    return false;
  }
  jpeg_start_decompress(info);
  if (info->output_components != 4 || info->output_width != info->image_width ||
      info->output_height != height) {
    std::snprintf(error->message, sizeof error->message, "unexpected output layout");
    return false;
  }
  while (info->output_scanline < height) {
    jpeg_read_scanlines(info, rows + info->output_scanline, height - info->output_scanline);
    if (error->truncated) {
      std::snprintf(error->message, sizeof error->message, "premature end of data");
      return false;
    }
  }
  jpeg_finish_decompress(info);
  if (error->truncated) {
    std::snprintf(error->message, sizeof error->message, "premature end of data");
    return false;
  }
  return true;
}

// Compresses the bitmap flattened onto the opaque background, a band of kJpegBandRows rows at a
// time through `band` (kJpegBandRows x width words, the caller's). C-style (setjmp): nothing here
// owns memory. libjpeg allocates `*output` with malloc; the caller frees it, also after a failure.
constexpr int kJpegBandRows = 16;

bool writeJpeg(jpeg_compress_struct* info, JpegError* error, bool* created, unsigned char** output,
               unsigned long* outputSize, const Bitmap& bitmap, Bitmap::Rgba8 background, std::uint32_t* band,
               int quality, int dpi)
{
  const auto width = static_cast<JDIMENSION>(bitmap.width());
  const auto height = static_cast<JDIMENSION>(bitmap.height());
  info->err = &error->manager;
  if (setjmp(error->jump)) {
    return false;
  }
  jpeg_create_compress(info);
  *created = true;
  jpeg_mem_dest(info, output, outputSize);
  info->image_width = width;
  info->image_height = height;
  info->input_components = 4;
  // The bitmap's words are 0xAARRGGBB in native byte order.
  info->in_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, quality, TRUE);
  if (quality >= 90) {
    // Full-resolution colour at high quality: thin coloured lines of artwork stay sharp.
    info->comp_info[0].h_samp_factor = 1;
    info->comp_info[0].v_samp_factor = 1;
  }
  info->write_JFIF_header = TRUE;
  info->density_unit = 1;
  info->X_density = static_cast<UINT16>(dpi);
  info->Y_density = static_cast<UINT16>(dpi);
  jpeg_start_compress(info, TRUE);
  JSAMPROW rows[kJpegBandRows];
  while (info->next_scanline < height) {
    const JDIMENSION first = info->next_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(kJpegBandRows, height - first);
    for (JDIMENSION i = 0; i < count; ++i) {
      std::uint32_t* row = band + static_cast<std::size_t>(i) * width;
      bitmap.flattenRowOnto(static_cast<int>(first + i), background, std::span<std::uint32_t>(row, width));
      rows[i] = reinterpret_cast<JSAMPROW>(row);
    }
    JDIMENSION written = 0;
    while (written < count) {
      written += jpeg_write_scanlines(info, rows + written, count - written);
    }
  }
  jpeg_finish_compress(info);
  return true;
}

class DecompressGuard {
public:
  ~DecompressGuard()
  {
    if (created) {
      jpeg_destroy_decompress(&info);
    }
  }
  jpeg_decompress_struct info{};
  bool created = false;
};

class CompressGuard {
public:
  ~CompressGuard()
  {
    if (created) {
      jpeg_destroy_compress(&info);
    }
    std::free(output);
  }
  jpeg_compress_struct info{};
  bool created = false;
  unsigned char* output = nullptr;
  unsigned long outputSize = 0;
};

}  // namespace

std::optional<DecodedBitmap> decodeJpeg(std::span<const std::uint8_t> bytes)
{
  if (bytes.size() < 3 || bytes[0] != 0xff || bytes[1] != 0xd8) {
    log("Error, JPEG data unreadable: no JPEG signature");
    return std::nullopt;
  }
  JpegError error;
  setUpError(error);
  DecompressGuard guard;
  JpegHeader header{};
  if (!readJpegHeader(&guard.info, &error, bytes.data(), static_cast<unsigned long>(bytes.size()), &guard.created,
                      &header)) {
    log("Error, JPEG data unreadable: %@", error.message);
    return std::nullopt;
  }
  if (!Bitmap::isAllowedSize(header.width, header.height)) {
    log("Error, JPEG image size %lu x %lu refused", static_cast<unsigned long>(header.width),
        static_cast<unsigned long>(header.height));
    return std::nullopt;
  }
  auto bitmap = Bitmap::createForOverwrite(static_cast<int>(header.width), static_cast<int>(header.height));
  if (!bitmap) {
    return std::nullopt;
  }
  std::vector<JSAMPROW> rows(header.height);
  auto* base = reinterpret_cast<JSAMPLE*>(bitmap->data());
  for (JDIMENSION y = 0; y < header.height; ++y) {
    rows[y] = base + bitmap->stride() * y;
  }
  if (!readJpegRows(&guard.info, &error, rows.data(), header.height)) {
    log("Error, JPEG data unreadable: %@", error.message);
    return std::nullopt;
  }
  if (header.cmyk) {
    // Naive CMYK to RGB; Adobe files store the inks inverted (255 = no ink).
    auto* p = reinterpret_cast<std::uint8_t*>(bitmap->data());
    const std::size_t count = static_cast<std::size_t>(header.width) * header.height;
    for (std::size_t i = 0; i < count; ++i, p += 4) {
      unsigned c = p[0], m = p[1], y = p[2], k = p[3];
      if (!header.invertedCmyk) {
        c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
      }
      p[0] = static_cast<std::uint8_t>(c * k / 255);
      p[1] = static_cast<std::uint8_t>(m * k / 255);
      p[2] = static_cast<std::uint8_t>(y * k / 255);
      p[3] = 255;
    }
  }
  codec::premultiplyRgbaInPlace(*bitmap);
  return DecodedBitmap{std::move(*bitmap), header.dpiX, header.dpiY};
}

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Bitmap& bitmap, double quality, Bitmap::Rgba8 background,
                                                    double dpi)
{
  if (bitmap.width() < 1 || bitmap.height() < 1) {
    log("Error, JPEG encoding of an empty bitmap");
    return std::nullopt;
  }
  background.alpha = 255;
  std::vector<std::uint32_t> band(static_cast<std::size_t>(bitmap.width()) * kJpegBandRows);
  const double factor = std::isfinite(quality) ? std::clamp(quality, 0.0, 1.0) : 0.9;
  const int jpegQuality = std::clamp(static_cast<int>(std::lround(factor * 100.0)), 1, 100);
  const int density = static_cast<int>(std::lround(std::min(codec::usableDpiOr72(dpi), 65535.0)));

  JpegError error;
  setUpError(error);
  CompressGuard guard;
  if (!writeJpeg(&guard.info, &error, &guard.created, &guard.output, &guard.outputSize, bitmap, background,
                 band.data(), jpegQuality, density)) {
    log("Error, JPEG encoding failed: %@", error.message);
    return std::nullopt;
  }
  return std::vector<std::uint8_t>(guard.output, guard.output + guard.outputSize);
}

}  // namespace pf
