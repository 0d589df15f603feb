// TIFF reading and writing through libtiff (declared in ImageCodec.h), on memory buffers.
//
// libtiff reports errors through handlers and return codes (no jumps). The handlers are set per
// file (TIFFOpenOptions), never process-wide, so concurrent decodes keep their messages apart.

#include "Platform/ImageCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include <tiffio.h>

#include "Platform/CodecSupport.h"
#include "Platform/Log.h"

namespace pf {

namespace {

// A file in memory: read-only over the input span, or growing into `output`.
struct MemoryFile {
  const std::uint8_t* input = nullptr;
  std::vector<std::uint8_t>* output = nullptr;
  std::size_t size = 0;
  std::size_t position = 0;
  std::string error;  // first error libtiff reported
};

tmsize_t memoryRead(thandle_t handle, void* buffer, tmsize_t length)
{
  auto* file = static_cast<MemoryFile*>(handle);
  if (length <= 0 || file->position >= file->size) {
    return 0;
  }
  const std::size_t count = std::min(static_cast<std::size_t>(length), file->size - file->position);
  const std::uint8_t* source = file->output ? file->output->data() : file->input;
  std::memcpy(buffer, source + file->position, count);
  file->position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t memoryWrite(thandle_t handle, void* buffer, tmsize_t length)
{
  auto* file = static_cast<MemoryFile*>(handle);
  if (!file->output || length < 0) {
    return -1;
  }
  const std::size_t end = file->position + static_cast<std::size_t>(length);
  if (end > file->output->size()) {
    file->output->resize(end);
  }
  std::memcpy(file->output->data() + file->position, buffer, static_cast<std::size_t>(length));
  file->position = end;
  file->size = std::max(file->size, end);
  return length;
}

toff_t memorySeek(thandle_t handle, toff_t offset, int whence)
{
  auto* file = static_cast<MemoryFile*>(handle);
  std::size_t base = 0;
  if (whence == SEEK_CUR) {
    base = file->position;
  } else if (whence == SEEK_END) {
    base = file->size;
  }
  const std::uint64_t target = base + offset;
  // A reader may not seek past its data; a writer may (the gap is filled on the next write).
  if (!file->output && target > file->size) {
    return static_cast<toff_t>(-1);
  }
  file->position = static_cast<std::size_t>(target);
  return target;
}

int memoryClose(thandle_t)
{
  return 0;
}

toff_t memorySize(thandle_t handle)
{
  return static_cast<MemoryFile*>(handle)->size;
}

int memoryMap(thandle_t, void**, toff_t*)
{
  return 0;
}

void memoryUnmap(thandle_t, void*, toff_t) {}

int tiffError(TIFF*, void* userData, const char* module, const char* format, va_list arguments)
{
  auto* file = static_cast<MemoryFile*>(userData);
  if (file->error.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    file->error = module ? std::string(module) + ": " + text : std::string(text);
  }
  return 1;  // handled: libtiff's process-wide handler stays quiet
}

int tiffWarning(TIFF*, void*, const char*, const char*, va_list)
{
  return 1;  // unknown tags and the like do not stop a picture
}

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffDeleter {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

std::unique_ptr<TIFF, TiffDeleter> openMemoryTiff(MemoryFile& file, const char* mode)
{
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
  if (!options) {
    return nullptr;
  }
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(Bitmap::kMaxPixels) * 4);
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), tiffError, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), tiffWarning, &file);
  return std::unique_ptr<TIFF, TiffDeleter>(TIFFClientOpenExt("memory", mode, &file, memoryRead, memoryWrite,
                                                              memorySeek, memoryClose, memorySize, memoryMap,
                                                              memoryUnmap, options.get()));
}

double tiffDpi(TIFF* tiff, ttag_t tag, std::uint16_t unit)
{
  float resolution = 0.0f;
  if (unit == RESUNIT_NONE || !TIFFGetField(tiff, tag, &resolution)) {
    return 72.0;
  }
  return codec::usableDpiOr72(unit == RESUNIT_CENTIMETER ? resolution * 2.54 : resolution);
}

struct RgbaImageGuard {
  TIFFRGBAImage image{};
  bool begun = false;
  ~RgbaImageGuard()
  {
    if (begun) {
      TIFFRGBAImageEnd(&image);
    }
  }
};

}  // namespace

std::optional<DecodedBitmap> decodeTiff(std::span<const std::uint8_t> bytes)
{
  MemoryFile file;
  file.input = bytes.data();
  file.size = bytes.size();
  // "m": never map the file; "r": read.
  auto tiff = openMemoryTiff(file, "rm");
  if (!tiff) {
    log("Error, TIFF data unreadable: %@", file.error.empty() ? std::string("not a TIFF file") : file.error);
    return std::nullopt;
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  if (!Bitmap::isAllowedSize(width, height)) {
    log("Error, TIFF image size %lu x %lu refused", static_cast<unsigned long>(width),
        static_cast<unsigned long>(height));
    return std::nullopt;
  }
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tiff.get(), message)) {
    log("Error, TIFF data unreadable: %@", message);
    return std::nullopt;
  }
  RgbaImageGuard rgba;
  if (!TIFFRGBAImageBegin(&rgba.image, tiff.get(), 0, message)) {
    log("Error, TIFF data unreadable: %@", message);
    return std::nullopt;
  }
  rgba.begun = true;
  rgba.image.req_orientation = ORIENTATION_TOPLEFT;
  auto bitmap = Bitmap::createForOverwrite(static_cast<int>(width), static_cast<int>(height));
  if (!bitmap) {
    return std::nullopt;
  }
  if (!TIFFRGBAImageGet(&rgba.image, bitmap->data(), width, height) || !file.error.empty()) {
    log("Error, TIFF data unreadable: %@", file.error.empty() ? std::string("image data damaged") : file.error);
    return std::nullopt;
  }
  // libtiff's words hold R in the low byte, then G, B and A, already premultiplied; ours hold
  // 0xAARRGGBB.
  std::uint32_t* words = bitmap->data();
  const std::size_t count = static_cast<std::size_t>(width) * height;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t w = words[i];
    words[i] = (w & 0xff00ff00u) | ((w & 0xffu) << 16) | ((w >> 16) & 0xffu);
  }
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
  const double dpiX = tiffDpi(tiff.get(), TIFFTAG_XRESOLUTION, unit);
  const double dpiY = tiffDpi(tiff.get(), TIFFTAG_YRESOLUTION, unit);
  return DecodedBitmap{std::move(*bitmap), dpiX, dpiY};
}

std::optional<std::vector<std::uint8_t>> encodeTiff(const Bitmap& bitmap, double dpi)
{
  if (bitmap.width() < 1 || bitmap.height() < 1) {
    log("Error, TIFF encoding of an empty bitmap");
    return std::nullopt;
  }
  std::vector<std::uint8_t> output;
  MemoryFile file;
  file.output = &output;
  bool written = false;
  {
    auto tiff = openMemoryTiff(file, "w");
    if (!tiff) {
      log("Error, TIFF encoding failed: %@", file.error);
      return std::nullopt;
    }
    TIFF* t = tiff.get();
    const std::uint16_t extra = EXTRASAMPLE_ASSOCALPHA;  // our pixels are premultiplied
    const float resolution = static_cast<float>(codec::usableDpiOr72(dpi));
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(bitmap.width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(bitmap.height()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, resolution);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, resolution);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    std::vector<std::uint8_t> row(bitmap.stride());
    bool ok = true;
    for (int y = 0; y < bitmap.height() && ok; ++y) {
      const auto words = bitmap.row(y);
      for (int x = 0; x < bitmap.width(); ++x) {
        const std::uint32_t w = words[x];
        row[x * 4 + 0] = static_cast<std::uint8_t>(w >> 16);
        row[x * 4 + 1] = static_cast<std::uint8_t>(w >> 8);
        row[x * 4 + 2] = static_cast<std::uint8_t>(w);
        row[x * 4 + 3] = static_cast<std::uint8_t>(w >> 24);
      }
      ok = TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    written = ok && TIFFWriteDirectory(t) == 1;
  }  // TIFFClose flushes the rest
  if (!written || !file.error.empty()) {
    log("Error, TIFF encoding failed: %@", file.error.empty() ? std::string("write error") : file.error);
    return std::nullopt;
  }
  output.resize(file.size);
  return output;
}

}  // namespace pf
