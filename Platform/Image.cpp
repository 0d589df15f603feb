#include "Platform/Image.h"

#include <cmath>

#include "Platform/CodecSupport.h"
#include "Platform/DrawingContext.h"
#include "Platform/FileAccess.h"
#include "Platform/Ghostscript.h"
#include "Platform/ImageCodec.h"
#include "Platform/Log.h"
#include "Platform/Numbers.h"
#include "Platform/Surface.h"

namespace pf {

namespace {

constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;  // no picture file is larger

}  // namespace

Image::Image(Size size, std::vector<Representation> representations)
    : size_(size), representations_(std::move(representations))
{
}

Image Image::fromBitmap(Bitmap bitmap, double dpiX, double dpiY)
{
  const Size size(bitmap.width() * 72.0 / codec::usableDpiOr72(dpiX), bitmap.height() * 72.0 / codec::usableDpiOr72(dpiY));
  return Image(size, {BitmapRepresentation{std::make_shared<const Bitmap>(std::move(bitmap))}});
}

std::optional<Image> Image::fromPdf(std::span<const std::uint8_t> pdf, int pageIndex)
{
  auto document = PdfDocument::fromData(pdf);
  if (!document) {
    return std::nullopt;
  }
  const std::optional<Size> size = document->pageSize(pageIndex);
  if (!size) {
    log("Error, PDF page %d requested of a document with %d pages", pageIndex + 1, document->pageCount());
    return std::nullopt;
  }
  return Image(*size, {PdfRepresentation{std::move(document), pageIndex}});
}

std::optional<Image> Image::fromEps(std::span<const std::uint8_t> eps)
{
  const auto pdf = Ghostscript::convertEpsToPdf(eps);
  if (!pdf) {
    return std::nullopt;
  }
  auto document = PdfDocument::fromData(*pdf);
  if (!document) {
    return std::nullopt;
  }
  const Size size = *document->pageSize(0);
  auto original = std::make_shared<const std::vector<std::uint8_t>>(eps.begin(), eps.end());
  return Image(size, {EpsRepresentation{std::move(original), std::move(document)}});
}

std::optional<Image> Image::fromData(std::span<const std::uint8_t> bytes)
{
  switch (sniffImageFormat(bytes)) {
  case ImageFormat::Pdf:
    return fromPdf(bytes);
  case ImageFormat::Eps:
    return fromEps(bytes);
  case ImageFormat::Unknown:
    log("Error, image data of %lu bytes in an unknown format", static_cast<unsigned long>(bytes.size()));
    return std::nullopt;
  default:
    break;
  }
  auto decoded = decodeBitmap(bytes);
  if (!decoded) {
    return std::nullopt;
  }
  return fromBitmap(std::move(decoded->bitmap), decoded->dpiX, decoded->dpiY);
}

std::optional<Image> Image::fromFile(const std::string& path)
{
  const std::optional<std::vector<std::uint8_t>> bytes = readRegularFile(path, kMaxFileBytes);
  if (!bytes) {
    return std::nullopt;  // logged with the reason
  }
  return fromData(*bytes);
}

const Bitmap* Image::bitmap() const
{
  for (auto it = representations_.rbegin(); it != representations_.rend(); ++it) {
    if (const auto* representation = std::get_if<BitmapRepresentation>(&*it)) {
      return representation->bitmap.get();
    }
  }
  return nullptr;
}

const PdfDocument* Image::vectorDocument() const
{
  for (auto it = representations_.rbegin(); it != representations_.rend(); ++it) {
    if (const auto* pdf = std::get_if<PdfRepresentation>(&*it)) {
      return pdf->document.get();
    }
    if (const auto* eps = std::get_if<EpsRepresentation>(&*it)) {
      return eps->pdf.get();
    }
  }
  return nullptr;
}

int Image::vectorPageIndex() const
{
  for (auto it = representations_.rbegin(); it != representations_.rend(); ++it) {
    if (const auto* pdf = std::get_if<PdfRepresentation>(&*it)) {
      return pdf->pageIndex;
    }
    if (std::holds_alternative<EpsRepresentation>(*it)) {
      return 0;
    }
  }
  return 0;
}

std::pair<int, int> Image::pixelSize() const
{
  if (!representations_.empty()) {
    if (const auto* first = std::get_if<BitmapRepresentation>(&representations_.front()); first && first->bitmap) {
      return {first->bitmap->width(), first->bitmap->height()};
    }
  }
  return {saturatingCast<int>(size_.width), saturatingCast<int>(size_.height)};
}

bool Image::draw(DrawingContext& context, const Rect& box, double opacity) const
{
  if (const PdfDocument* document = vectorDocument()) {
    context.drawPdfPage(*document, vectorPageIndex(), box, opacity);
    return true;
  }
  if (const Bitmap* pixels = bitmap()) {
    context.drawBitmap(*pixels, box, opacity);
    return true;
  }
  return false;
}

std::optional<Bitmap> Image::renderedBitmap(double scale) const
{
  const double width = size_.width * scale;
  const double height = size_.height * scale;
  const int pixelWidth = std::max(1, roundedSaturatingCast<int>(width));
  const int pixelHeight = std::max(1, roundedSaturatingCast<int>(height));
  if (!(width > 0.0) || !(height > 0.0)) {
    log("Error, image of %gx%g points cannot be rendered at scale %g", size_.width, size_.height, scale);
    return std::nullopt;
  }
  auto surface = Surface::bitmap(pixelWidth, pixelHeight);
  if (!surface) {
    return std::nullopt;
  }
  {
    DrawingContext context(*surface);
    // draw() places images y-up in their box; a y-up box over the bitmap makes them upright.
    context.setTransform(AffineTransform(1, 0, 0, -1, 0, pixelHeight));
    if (!draw(context, Rect(0, 0, pixelWidth, pixelHeight), 1.0)) {
      log("Error, image without a representation to render");
      return std::nullopt;
    }
  }
  return *surface->bitmap();
}

}  // namespace pf
