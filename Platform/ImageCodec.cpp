#include "Platform/ImageCodec.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "Platform/Log.h"

namespace pf {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view prefix)
{
  return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace

ImageFormat sniffImageFormat(std::span<const std::uint8_t> bytes)
{
  using namespace std::string_view_literals;
  if (startsWith(bytes, "\x89PNG\r\n\x1a\n"sv)) {
    return ImageFormat::Png;
  }
  if (startsWith(bytes, "\xff\xd8\xff"sv)) {
    return ImageFormat::Jpeg;
  }
  if (startsWith(bytes, "II*\0"sv) || startsWith(bytes, "MM\0*"sv) || startsWith(bytes, "II+\0"sv) ||
      startsWith(bytes, "MM\0+"sv)) {
    return ImageFormat::Tiff;
  }
  if (startsWith(bytes, "GIF87a"sv) || startsWith(bytes, "GIF89a"sv)) {
    return ImageFormat::Gif;
  }
  if (startsWith(bytes, "%!PS"sv) || startsWith(bytes, "\xc5\xd0\xd3\xc6"sv)) {
    return ImageFormat::Eps;
  }
  // PDF readers accept the header a little way into the file.
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()), std::min<std::size_t>(bytes.size(), 1024));
  if (head.find("%PDF-") != std::string_view::npos) {
    return ImageFormat::Pdf;
  }
  return ImageFormat::Unknown;
}

std::optional<DecodedBitmap> decodeBitmap(std::span<const std::uint8_t> bytes)
{
  switch (sniffImageFormat(bytes)) {
  case ImageFormat::Png:
    return decodePng(bytes);
  case ImageFormat::Jpeg:
    return decodeJpeg(bytes);
  case ImageFormat::Tiff:
    return decodeTiff(bytes);
  case ImageFormat::Gif:
    return decodeGif(bytes);
  case ImageFormat::Pdf:
  case ImageFormat::Eps:
  case ImageFormat::Unknown:
    break;
  }
  log("Error, image data of %lu bytes is not PNG, JPEG, TIFF or GIF", static_cast<unsigned long>(bytes.size()));
  return std::nullopt;
}

}  // namespace pf
