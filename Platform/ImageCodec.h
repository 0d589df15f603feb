#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Platform/Bitmap.h"

namespace pf {

// Reading and writing the pixel formats, and telling file formats apart by their bytes.
// Every decoder survives hostile input (truncated or corrupt data, absurd sizes): it logs one
// line and answers nullopt. Every encoder answers the file's bytes, or nullopt with a log line.

enum class ImageFormat { Unknown, Png, Jpeg, Tiff, Gif, Pdf, Eps };

// The format of a file from its first bytes (signatures, not extensions). PDF is recognised by
// "%PDF-" within the first 1024 bytes; EPS by "%!PS" or the DOS EPS binary header.
ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes);

// A decoded bitmap with the resolution stored in its file (72 dots per inch when the file says
// nothing usable). Its size in points is pixels x 72 / dpi on each axis.
struct DecodedBitmap {
  Bitmap bitmap;
  double dpiX = 72.0;
  double dpiY = 72.0;
};

// Any of PNG, JPEG, TIFF (first page) or GIF (first frame), chosen by sniffing.
std::optional<DecodedBitmap> decodeBitmap(std::span<const std::uint8_t> bytes);

std::optional<DecodedBitmap> decodePng(std::span<const std::uint8_t> bytes);
std::optional<DecodedBitmap> decodeJpeg(std::span<const std::uint8_t> bytes);
std::optional<DecodedBitmap> decodeTiff(std::span<const std::uint8_t> bytes);
std::optional<DecodedBitmap> decodeGif(std::span<const std::uint8_t> bytes);

// 8-bit RGBA PNG; a pHYs chunk records `dpi` unless it is 72 (or not finite and positive).
std::optional<std::vector<std::uint8_t>> encodePng(const Bitmap& bitmap, double dpi = 72.0);
// Baseline JPEG. `quality` is the compression factor 0..1 (1 best); the bitmap is flattened onto
// the opaque `background` first, since JPEG has no alpha.
std::optional<std::vector<std::uint8_t>> encodeJpeg(const Bitmap& bitmap, double quality,
                                                    Bitmap::Rgba8 background, double dpi = 72.0);
// LZW-compressed 8-bit RGBA TIFF with associated (premultiplied) alpha.
std::optional<std::vector<std::uint8_t>> encodeTiff(const Bitmap& bitmap, double dpi = 72.0);
// Single-frame GIF with a palette of at most 256 colours (quantised and dithered); pixels below
// half alpha become the transparent index. `GifWriter` writes animations.
std::optional<std::vector<std::uint8_t>> encodeGif(const Bitmap& bitmap);

}  // namespace pf
