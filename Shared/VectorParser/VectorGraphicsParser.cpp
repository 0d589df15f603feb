#include "Shared/VectorParser/VectorGraphicsParser.h"

#include <exception>
#include <variant>

#include "Platform/DrawingContext.h"
#include "Platform/ImageCodec.h"
#include "Platform/Surface.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/VectorParser/VectorParserEPSReader.h"
#include "Shared/VectorParser/VectorParserSVGReader.h"
#include "Shared/VectorParser/VectorParserText.h"

namespace {

using Text = VectorParserText;

// The bytes as text, one character per byte (Latin-1): every byte decodes, and everything the
// readers look for is ASCII.
std::string_view asText(std::span<const std::uint8_t> data)
{
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

bool tooLarge(std::size_t size)
{
  if (size <= VectorGraphicsParser::kMaxDataSize) {
    return false;
  }
  FeedbackManager::log("ERROR creating path from data, %ld bytes is more than the %ld the path reader reads",
                       static_cast<long>(size), static_cast<long>(VectorGraphicsParser::kMaxDataSize));
  return true;
}

}  // namespace

std::optional<VectorParserPaths> VectorGraphicsParser::parserPathsFromData(std::span<const std::uint8_t> data)
{
  if (data.empty()) {
    FeedbackManager::log("ERROR creating path from data, no data");
    return std::nullopt;
  }
  if (tooLarge(data.size())) {
    return std::nullopt;
  }
  const std::string_view text = asText(data);
  if (Text::containsCaseInsensitive(text, "<svg") && Text::containsCaseInsensitive(text, "</svg>")) {
    return parserPathsFromSVGString(text);
  }
  if (Text::containsCaseInsensitive(text, "EPS") && Text::containsCaseInsensitive(text, "%%EndPageSetup")) {
    return parserPathsFromEPSString(text);
  }
  // Anything else is read as an image only when it is in an image format; other data (SVG text
  // without its closing tag, plain text) yields nothing, without a message.
  if (pf::sniffImageFormat(data) == pf::ImageFormat::Unknown) {
    return std::nullopt;
  }
  const std::optional<pf::Image> image = pf::Image::fromData(data);
  if (!image) {
    return std::nullopt;
  }
  return parserPathsFromImage(*image);
}

std::optional<VectorParserPaths> VectorGraphicsParser::parserPathsFromImage(const pf::Image& image)
{
  std::shared_ptr<const std::vector<std::uint8_t>> eps;
  const pf::Image::PdfRepresentation* pdf = nullptr;
  for (const pf::Image::Representation& representation : image.representations()) {
    if (const auto* epsRepresentation = std::get_if<pf::Image::EpsRepresentation>(&representation)) {
      if (epsRepresentation->eps) {
        eps = epsRepresentation->eps;
      }
    } else if (const auto* pdfRepresentation = std::get_if<pf::Image::PdfRepresentation>(&representation)) {
      if (pdfRepresentation->document) {
        pdf = pdfRepresentation;
      }
    }
  }
  if (!eps && pdf != nullptr) {
    std::optional<std::vector<std::uint8_t>> converted = epsDataFromPdfPage(*pdf->document, pdf->pageIndex);
    if (converted) {
      eps = std::make_shared<const std::vector<std::uint8_t>>(std::move(*converted));
    }
  }
  if (!eps || eps->empty() || tooLarge(eps->size())) {
    return std::nullopt;
  }
  std::optional<VectorParserPaths> paths = parserPathsFromEPSString(asText(*eps));
  if (paths && paths->empty()) {
    FeedbackManager::log("ERROR could parse any vector paths from the EPS data");
    return std::nullopt;
  }
  return paths;
}

VectorParserPaths VectorGraphicsParser::parserPathsFromSVGString(std::string_view text)
{
  if (tooLarge(text.size())) {
    return {};
  }
  return VectorParserSVGReader::parserPathsFromSVGString(text);
}

std::optional<VectorParserPaths> VectorGraphicsParser::parserPathsFromEPSString(std::string_view text)
{
  if (tooLarge(text.size())) {
    return VectorParserPaths();
  }
  return VectorParserEPSReader::parserPathsFromEPSString(text);
}

std::optional<VectorParserPaths> VectorGraphicsParser::parserPathsFromEPSData(std::span<const std::uint8_t> data)
{
  FeedbackManager::log("DEBUG: SWITCH TO USING the generic parserPathsFromData instead of parserPathsFromEPSData!");
  if (data.empty()) {
    FeedbackManager::log("ERROR creating path from EPS data, no data");
    return std::nullopt;
  }
  return parserPathsFromEPSString(asText(data));
}

std::optional<pf::Path> VectorGraphicsParser::cgPathFromData(std::span<const std::uint8_t> data)
{
  FeedbackManager::log("DEPRECATED Don't use the cgPathFromData in VectorGraphicsParser, use parserPathsFromData to "
                       "get access to EOFill flag instead");
  try {
    std::optional<VectorParserPaths> paths = parserPathsFromData(data);
    if (!paths || paths->empty()) {
      return std::nullopt;
    }
    return std::move(paths->front().path);
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception in VectorGraphicsParser cgPathFromData, exception: %@", exception.what());
    return std::nullopt;
  }
}

std::optional<pf::Path> VectorGraphicsParser::cgPathFromImage(const pf::Image& image)
{
  FeedbackManager::log("DEPRECATED Don't use the cgPathFromImage in VectorGraphicsParser, use parserPathsFromImage "
                       "to get access to EOFill flag instead");
  try {
    std::optional<VectorParserPaths> paths = parserPathsFromImage(image);
    if (!paths || paths->empty()) {
      return std::nullopt;
    }
    return std::move(paths->front().path);
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception in VectorGraphicsParser cgPathFromImage, exception: %@", exception.what());
    return std::nullopt;
  }
}

std::optional<std::vector<std::uint8_t>> VectorGraphicsParser::epsDataFromPdfPage(const pf::PdfDocument& document,
                                                                                  int pageIndex)
{
  const std::optional<pf::Size> pageSize = document.pageSize(pageIndex);
  if (!pageSize) {
    FeedbackManager::log("ERROR converting PDF to EPS, no page %d", pageIndex + 1);
    return std::nullopt;
  }
  std::optional<pf::Surface> surface = pf::Surface::eps(*pageSize);
  if (!surface) {
    return std::nullopt;
  }
  {
    pf::DrawingContext context(*surface);
    // Pages are drawn y-up inside their box; flipping the context first keeps the page upright
    // on the EPS page.
    context.concat(pf::AffineTransform(1.0, 0.0, 0.0, -1.0, 0.0, pageSize->height));
    context.drawPdfPage(document, pageIndex, pf::Rect(0.0, 0.0, pageSize->width, pageSize->height), 1.0);
  }
  if (!surface->finish()) {
    FeedbackManager::log("ERROR converting PDF to EPS, the EPS surface failed");
    return std::nullopt;
  }
  return surface->takeData();
}
