#include "MorvNode/Document/MVArtworkRenderer.h"

#include <cmath>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "Platform/Format.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

MVArtworkRenderer::MVArtworkRenderer(MVNodeController& controller) : controller_(controller)
{
  renderer_.setRenderingThreadName("Export");
}

void MVArtworkRenderer::bringOutputUpToDate()
{
  if (controller_.isGenerating()) {
    return;  // an export started from inside a generation draws what that generation left
  }
  if (!controller_.outputElement() || controller_.isRegenerationPending()) {
    controller_.regenerate();
  }
}

std::pair<long, long> MVArtworkRenderer::bitmapPixelSize(double scale) const
{
  const pf::Size artboard = controller_.artboardSize();
  return MVElementRenderer::pixelSize(artboard.width, artboard.height, scale, 1.0);
}

bool MVArtworkRenderer::isAllowedBitmapScale(double scale) const
{
  if (!std::isfinite(scale) || scale <= 0.0) {
    return false;
  }
  const auto [width, height] = bitmapPixelSize(scale);
  return pf::Bitmap::isAllowedSize(width, height);
}

void MVArtworkRenderer::setUpRenderer(double scale, bool exportMode)
{
  controller_.setupRenderingThread(&renderer_);
  renderer_.setInputRenderingElement(controller_.outputElement());
  renderer_.setDisplayScale(scale);
  renderer_.setRetinaScaling(1.0);
  renderer_.setScaleElementsDownToFit(false);
  renderer_.setExportMode(exportMode);
  renderer_.setExportContext(nullptr);
}

std::shared_ptr<const pf::Bitmap> MVArtworkRenderer::renderBitmap(double scale)
{
  if (!isAllowedBitmapScale(scale)) {
    const auto [width, height] = bitmapPixelSize(std::isfinite(scale) ? scale : 0.0);
    FeedbackManager::log("Error, export bitmap of %ld x %ld pixels (scale %g) is refused, bitmaps are limited to %ld "
                         "pixels a side and %ld pixels in all",
                         width, height, scale, static_cast<long>(pf::Bitmap::kMaxSide),
                         static_cast<long>(pf::Bitmap::kMaxPixels));
    return nullptr;
  }
  setUpRenderer(scale, false);
  renderer_.startRendering();
  // Nothing else starts this renderer, so the pass ran here and its result is ready.
  return renderer_.outputBitmap();
}

std::optional<std::vector<std::uint8_t>> MVArtworkRenderer::renderDocument(double scale, pf::Surface::Kind kind)
{
  if (!std::isfinite(scale) || scale <= 0.0) {
    FeedbackManager::log("Error, export page at scale %g is refused", scale);
    return std::nullopt;
  }
  setUpRenderer(scale, true);
  return renderer_.renderDocument(kind);
}

std::optional<std::vector<std::uint8_t>> MVArtworkRenderer::renderPDF(double scale)
{
  return renderDocument(scale, pf::Surface::Kind::Pdf);
}

std::optional<std::vector<std::uint8_t>> MVArtworkRenderer::renderEPS(double scale)
{
  return renderDocument(scale, pf::Surface::Kind::Eps);
}

std::string MVArtworkRenderer::svgHeaderString(pf::Size svgSize)
{
  std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  header += pf::format("<svg width=\"%gpx\" height=\"%gpx\" viewBox=\"0 0 %g %g\" version=\"1.1\" "
                       "xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n",
                       svgSize.width, svgSize.height, svgSize.width, svgSize.height);
  header += "<!-- Generator: Morvalis " + MVApplicationResources::applicationVersion() + " - " + kProductWebPage +
            " -->\n";
  return header;
}

std::string MVArtworkRenderer::svgString(double scale, pf::Size svgSize)
{
  std::string svg = svgHeaderString(svgSize);
  svg += controller_.svgSymbolDefinitionsString();
  controller_.setRenderingScale(scale);
  svg += controller_.svgArtboardBackgroundString();
  svg += controller_.svgOutputElementString();
  svg += "</svg>\n";
  return svg;
}
