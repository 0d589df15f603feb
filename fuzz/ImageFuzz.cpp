// Image data as imports bring it: PNG, JPEG, TIFF and GIF through their decoders, PDF through
// poppler. A decoded bitmap encodes to PNG that decodes to the same size; a PDF page draws.
// EPS is left out: it runs a separate process with a time limit of its own.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Platform/Log.h"
#include "Platform/PdfDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  const std::span<const std::uint8_t> bytes(data, size);
  switch (pf::sniffImageFormat(bytes)) {
  case pf::ImageFormat::Pdf:
    if (const auto image = pf::Image::fromPdf(bytes)) {
      // Small pages only: a hostile page size is refused by the bitmap cap anyway.
      if (image->size().width * image->size().height < 1e6) {
        (void)image->renderedBitmap(0.25);
      }
    }
    return 0;
  case pf::ImageFormat::Eps:
    return 0;
  default:
    break;
  }
  if (const auto decoded = pf::decodeBitmap(bytes)) {
    const auto png = pf::encodePng(decoded->bitmap);
    FUZZ_CHECK(png.has_value());
    const auto again = pf::decodePng(*png);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->bitmap.width() == decoded->bitmap.width() && again->bitmap.height() == decoded->bitmap.height());
  }
  return 0;
}
