// PNG reading and writing through libpng (declared in ImageCodec.h).
//
// libpng reports errors by longjmp. Every function that calls setjmp below is C-style: it holds
// only plain data, so the jump never skips a C++ destructor. Objects with destructors (the
// png structs' guard, the row table, the output buffer) live in the callers' frames.

#include "Platform/ImageCodec.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <png.h>

#include "Platform/CodecSupport.h"
#include "Platform/Log.h"

namespace pf {

namespace {

// Plain data shared with libpng's callbacks; lives in the caller's frame.
struct PngIo {
  const std::uint8_t* input = nullptr;
  std::size_t inputSize = 0;
  std::size_t offset = 0;
  std::vector<std::uint8_t>* output = nullptr;
  char message[256] = {};
};

[[noreturn]] void pngError(png_structp png, png_const_charp message)
{
  auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
  std::snprintf(io->message, sizeof io->message, "%s", message ? message : "unknown error");
  png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp)
{
  // Warnings (unknown chunks, bad gamma...) do not stop a picture from being shown.
}

void pngRead(png_structp png, png_bytep out, png_size_t length)
{
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (length > io->inputSize - io->offset) {
    png_error(png, "truncated data");
  }
  std::memcpy(out, io->input + io->offset, length);
  io->offset += length;
}

void pngWrite(png_structp png, png_bytep data, png_size_t length)
{
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  io->output->insert(io->output->end(), data, data + length);
}

void pngFlush(png_structp) {}

class PngReadGuard {
public:
  explicit PngReadGuard(PngIo& io)
      : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, pngError, pngWarning)),
        info_(png_ ? png_create_info_struct(png_) : nullptr)
  {
  }
  ~PngReadGuard() { png_destroy_read_struct(png_ ? &png_ : nullptr, info_ ? &info_ : nullptr, nullptr); }
  PngReadGuard(const PngReadGuard&) = delete;
  PngReadGuard& operator=(const PngReadGuard&) = delete;
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

private:
  png_structp png_;
  png_infop info_;
};

class PngWriteGuard {
public:
  explicit PngWriteGuard(PngIo& io)
      : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, pngError, pngWarning)),
        info_(png_ ? png_create_info_struct(png_) : nullptr)
  {
  }
  ~PngWriteGuard() { png_destroy_write_struct(png_ ? &png_ : nullptr, info_ ? &info_ : nullptr); }
  PngWriteGuard(const PngWriteGuard&) = delete;
  PngWriteGuard& operator=(const PngWriteGuard&) = delete;
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

private:
  png_structp png_;
  png_infop info_;
};

// PNG stores whole pixels per metre, so 144 dpi comes back as 143.9926; a value that close to
// a whole dpi is taken as that dpi.
double dpiFromPixelsPerMeter(png_uint_32 pixelsPerMeter)
{
  const double dpi = pixelsPerMeter * 0.0254;
  const double whole = std::round(dpi);
  return std::abs(dpi - whole) < 0.05 ? whole : dpi;
}

struct PngHeader {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  double dpiX = 72.0;
  double dpiY = 72.0;
};

// Reads the header and sets up the transformations to 8-bit straight RGBA. C-style (setjmp).
bool readPngHeader(png_structp png, png_infop info, PngIo* io, PngHeader* header)
{
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_set_read_fn(png, io, pngRead);
  png_set_user_limits(png, Bitmap::kMaxSide, Bitmap::kMaxSide);
  png_set_chunk_malloc_max(png, 64u << 20);
  png_read_info(png, info);

  const png_byte colorType = png_get_color_type(png, info);
  png_set_expand(png);  // palette to RGB, gray below 8 bits to 8, tRNS to alpha
  png_set_scale_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  png_uint_32 resX = 0;
  png_uint_32 resY = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
    header->dpiX = codec::usableDpiOr72(dpiFromPixelsPerMeter(resX));
    header->dpiY = codec::usableDpiOr72(dpiFromPixelsPerMeter(resY));
  }
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(header->width) * 4) {
    png_error(png, "unexpected row layout");
  }
  return true;
}

// Reads every row into `rows`. C-style (setjmp).
bool readPngRows(png_structp png, png_bytepp rows)
{
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_read_image(png, rows);
  return true;
}

// Whether every pixel of the straight RGBA rows has alpha 255.
bool isOpaque(const std::uint8_t* pixels, int width, int height, std::size_t stride)
{
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = pixels + stride * static_cast<std::size_t>(y);
    for (int x = 0; x < width; ++x) {
      if (row[4 * x + 3] != 255) {
        return false;
      }
    }
  }
  return true;
}

// Writes a whole image from 8-bit RGBA rows: as RGB when `opaque` (libpng drops the alpha byte
// of each pixel), else as RGBA. C-style (setjmp).
bool writePngImage(png_structp png, png_infop info, PngIo* io, png_uint_32 width, png_uint_32 height,
                   png_bytepp rows, png_uint_32 pixelsPerMeter, bool opaque)
{
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_set_write_fn(png, io, pngWrite, pngFlush);
  png_set_IHDR(png, info, width, height, 8, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (pixelsPerMeter != 0) {
    png_set_pHYs(png, info, pixelsPerMeter, pixelsPerMeter, PNG_RESOLUTION_METER);
  }
  png_write_info(png, info);
  if (opaque) {
    png_set_filler(png, 0, PNG_FILLER_AFTER);
  }
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::optional<DecodedBitmap> decodePng(std::span<const std::uint8_t> bytes)
{
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
    log("Error, PNG data unreadable: no PNG signature");
    return std::nullopt;
  }
  PngIo io;
  io.input = bytes.data();
  io.inputSize = bytes.size();
  PngReadGuard guard(io);
  if (!guard.png() || !guard.info()) {
    log("Error, PNG data unreadable: libpng could not start");
    return std::nullopt;
  }
  PngHeader header;
  if (!readPngHeader(guard.png(), guard.info(), &io, &header)) {
    log("Error, PNG data unreadable: %@", io.message);
    return std::nullopt;
  }
  if (!Bitmap::isAllowedSize(header.width, header.height)) {
    log("Error, PNG image size %lu x %lu refused", static_cast<unsigned long>(header.width),
        static_cast<unsigned long>(header.height));
    return std::nullopt;
  }
  auto bitmap = Bitmap::createForOverwrite(static_cast<int>(header.width), static_cast<int>(header.height));
  if (!bitmap) {
    return std::nullopt;
  }
  // libpng writes straight RGBA bytes into the bitmap's own buffer; they become premultiplied
  // words afterwards.
  std::vector<png_bytep> rows(header.height);
  auto* base = reinterpret_cast<png_bytep>(bitmap->data());
  for (png_uint_32 y = 0; y < header.height; ++y) {
    rows[y] = base + bitmap->stride() * y;
  }
  if (!readPngRows(guard.png(), rows.data())) {
    log("Error, PNG data unreadable: %@", io.message);
    return std::nullopt;
  }
  codec::premultiplyRgbaInPlace(*bitmap);
  return DecodedBitmap{std::move(*bitmap), header.dpiX, header.dpiY};
}

std::optional<std::vector<std::uint8_t>> encodePng(const Bitmap& bitmap, double dpi)
{
  if (bitmap.width() < 1 || bitmap.height() < 1) {
    log("Error, PNG encoding of an empty bitmap");
    return std::nullopt;
  }
  std::vector<std::uint8_t> output;
  PngIo io;
  io.output = &output;
  PngWriteGuard guard(io);
  if (!guard.png() || !guard.info()) {
    log("Error, PNG encoding failed: libpng could not start");
    return std::nullopt;
  }
  const std::unique_ptr<std::uint8_t[]> straight = bitmap.toStraightRgba();
  std::vector<png_bytep> rows(bitmap.height());
  for (int y = 0; y < bitmap.height(); ++y) {
    rows[y] = straight.get() + bitmap.stride() * y;
  }
  const png_uint_32 pixelsPerMeter =
      codec::isUsableDpi(dpi) && dpi != 72.0 ? static_cast<png_uint_32>(dpi / 0.0254 + 0.5) : 0;
  // An opaque image (the usual export with a background) needs no alpha channel: a quarter less
  // to filter and compress.
  const bool opaque = isOpaque(straight.get(), bitmap.width(), bitmap.height(), bitmap.stride());
  if (!writePngImage(guard.png(), guard.info(), &io, bitmap.width(), bitmap.height(), rows.data(), pixelsPerMeter,
                     opaque)) {
    log("Error, PNG encoding failed: %@", io.message);
    return std::nullopt;
  }
  return output;
}

}  // namespace pf
