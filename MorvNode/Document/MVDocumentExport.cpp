#include "MorvNode/Document/MVDocumentExport.h"

#include <string>
#include <utility>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Document/MVPasteboard.h"
#include "Platform/Bitmap.h"
#include "Platform/Format.h"
#include "Platform/ImageCodec.h"
#include "Platform/PropertyList.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// JPEG: the compression factor as the single-precision value the format was always written
// with, over an opaque grey 0.4 where the artwork is transparent.
constexpr float kJpegCompressionFactor = 0.99f;
constexpr double kJpegBackgroundGrey = 0.4;

// The word a format's messages name it by.
std::string formatWord(std::string_view format)
{
  if (format == "jpg") {
    return "JPEG";
  }
  std::string word(format);
  for (char& character : word) {
    if (character >= 'a' && character <= 'z') {
      character = static_cast<char>(character - 'a' + 'A');
    }
  }
  return word;
}

bool isBitmapFormat(std::string_view format)
{
  return format == "tiff" || format == "jpg" || format == "png" || format == "gif";
}

std::optional<std::vector<std::uint8_t>> encodedBitmap(const pf::Bitmap& bitmap, std::string_view format,
                                                       const pf::Color& matteColor)
{
  if (format == "tiff") {
    return pf::encodeTiff(bitmap);
  }
  if (format == "jpg") {
    return pf::encodeJpeg(bitmap, kJpegCompressionFactor, pf::Bitmap::rgba8(pf::Color::grey(kJpegBackgroundGrey)));
  }
  if (format == "png") {
    return pf::encodePng(bitmap);
  }
  // GIF has no partial transparency: the artwork is laid onto the matte, opaque.
  pf::Bitmap::Rgba8 matte = pf::Bitmap::rgba8(matteColor);
  matte.alpha = 255;
  return pf::encodeGif(bitmap.flattenedOnto(matte));
}

std::vector<std::uint8_t> bytesOf(const std::string& text)
{
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

std::optional<std::vector<std::uint8_t>> MVDocumentExport::fileData(MVArtworkRenderer& renderer,
                                                                    std::string_view format, double scale,
                                                                    pf::Size svgSize, const pf::Color& matteColor)
{
  if (format == "svg") {
    return bytesOf(renderer.svgString(scale, svgSize));
  }
  if (format == "pdf") {
    return renderer.renderPDF(scale);
  }
  if (format == "eps") {
    return renderer.renderEPS(scale);
  }
  if (!isBitmapFormat(format)) {
    FeedbackManager::log("Error, unknown export file format '%@'", format);
    return std::nullopt;
  }
  const std::shared_ptr<const pf::Bitmap> bitmap = renderer.renderBitmap(scale);
  if (!bitmap) {
    return std::nullopt;
  }
  return encodedBitmap(*bitmap, format, matteColor);
}

std::string MVDocumentExport::failureAlertText(std::string_view format, const std::string& path,
                                               const std::string& reason)
{
  if (!MVExportSettings::isFileFormat(format)) {
    return pf::format("Unknown export file format '%@'. Path:%@", format, path);
  }
  return pf::format("Error saving %@ file! Perhaps the disk is full? Path:%@ Error: %@", formatWord(format), path,
                    reason);
}

bool MVDocumentExport::exportToPath(MVDocument& document, const std::filesystem::path& path)
{
  const pf::PlistValue::Dictionary& settings = document.editableExportSettings();
  const std::string format = MVExportSettings::fileFormat(settings);
  const std::string pathText = path.string();
  const auto fail = [&](const std::string& reason) {
    FeedbackManager::log("Error saving %@ file! Path:%@", formatWord(format), pathText);
    FeedbackManager::showNSAlert(std::string("Error"), failureAlertText(format, pathText, reason));
    return false;
  };
  if (!MVExportSettings::isFileFormat(format)) {
    return fail("unknown format");
  }

  MVNodeController& controller = document.nodeController();
  MVArtworkRenderer renderer(controller);
  renderer.bringOutputUpToDate();
  const pf::Size artboard = controller.artboardSize();
  const double displayScale = document.previewDisplayScale();
  const std::optional<double> scale = MVExportSettings::exportScale(settings, format, artboard, displayScale);
  if (!scale) {
    return fail(pf::format("The artboard of %g x %g cannot be exported at a size of %g x %g.", artboard.width,
                           artboard.height, MVExportSettings::size(settings).width,
                           MVExportSettings::size(settings).height));
  }
  if (isBitmapFormat(format) && !renderer.isAllowedBitmapScale(*scale)) {
    const auto [width, height] = renderer.bitmapPixelSize(*scale);
    return fail(pf::format("A bitmap of %ld x %ld pixels is too large. Bitmaps can have at most %ld pixels on a side "
                           "and %ld pixels in all; choose a smaller size.",
                           width, height, static_cast<long>(pf::Bitmap::kMaxSide),
                           static_cast<long>(pf::Bitmap::kMaxPixels)));
  }
  const pf::Size svgSize = MVExportSettings::exportSize(settings, artboard, displayScale);
  const std::optional<std::vector<std::uint8_t>> data =
      fileData(renderer, format, *scale, svgSize, MVExportSettings::matteColor(settings));
  if (!data) {
    return fail("The artwork could not be drawn into the file.");
  }
  std::string reason;
  if (!pf::writeFileAtomically(path, *data, &reason)) {
    return fail(reason);
  }
  return true;
}

bool MVDocumentExport::exportCopy(MVDocument& document, bool vector)
{
  MVNodeController& controller = document.nodeController();
  MVArtworkRenderer renderer(controller);
  renderer.bringOutputUpToDate();
  MVPasteboard* pasteboard = MVPasteboard::general();
  const pf::UserDefaults& defaults = pf::UserDefaults::standard();
  if (vector) {
    double scale = defaults.boolForKey("Copy scaled to display scale") ? document.previewDisplayScale() : 1.0;
    if (defaults.integerForKey("Copy vectors size units") == 0) {
      scale *= MVExportSettings::kVectorSizeScaleFactor;
    }
    std::optional<std::vector<std::uint8_t>> pdf = renderer.renderPDF(scale);
    if (!pdf || pasteboard == nullptr || !pasteboard->setContents({{"application/pdf", std::move(*pdf)}})) {
      FeedbackManager::showNSAlert(std::string("Error"), std::string("Error copying artboard PDF vector data to "
                                                                     "pasteboard"));
      return false;
    }
    return true;
  }
  // The picture the preview shows, at its zoom, as PNG (what desktops paste) and TIFF.
  const std::shared_ptr<const pf::Bitmap> bitmap = renderer.renderBitmap(document.previewDisplayScale());
  std::optional<std::vector<std::uint8_t>> png = bitmap ? pf::encodePng(*bitmap) : std::nullopt;
  std::optional<std::vector<std::uint8_t>> tiff = bitmap ? pf::encodeTiff(*bitmap) : std::nullopt;
  if (!png || !tiff || pasteboard == nullptr ||
      !pasteboard->setContents({{"image/png", std::move(*png)}, {"image/tiff", std::move(*tiff)}})) {
    FeedbackManager::showNSAlert(std::string("Error"),
                                 std::string("Error copying pattern TIFF bitmap image data to pasteboard"));
    return false;
  }
  return true;
}
