#include "Shared/SVG/ODSVGLayerTree.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/DrawingContext.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGGradientLayer.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGImageLayer.h"
#include "Shared/SVG/ODSVGShapeLayer.h"
#include "Shared/SVG/ODSVGStrokeLayer.h"
#include "SvgPixelFixtures.h"
#include "SvgTestDocuments.h"

namespace {

using svgtest::PixelCase;
using svgtest::Probe;

// The 100 x 100 document drawn into a 100 x 100 bitmap, through the layer tree directly or
// through the PDF image the application uses.
std::optional<pf::Bitmap> render(const std::string& body, bool throughPdf)
{
  const std::shared_ptr<ODSVG> svg = ODSVG::initWithSVGString(svgtest::document(body));
  if (!svg) {
    return std::nullopt;
  }
  if (throughPdf) {
    const std::optional<pf::Image> image = svg->pdfImage();
    if (!image) {
      return std::nullopt;
    }
    return image->renderedBitmap(1.0);
  }
  std::optional<pf::Surface> surface = pf::Surface::bitmap(100, 100);
  {
    pf::DrawingContext context(*surface);
    EXPECT_TRUE(svg->drawInRect(context, pf::Rect(0, 0, 100, 100)));
  }
  return std::move(*surface).takeBitmap();
}

void expectProbes(const pf::Bitmap& bitmap, const std::vector<Probe>& probes, int tolerance)
{
  for (const Probe& probe : probes) {
    const pf::Bitmap::Rgba8 actual = bitmap.pixel(probe.x, probe.y);
    SCOPED_TRACE("at " + std::to_string(probe.x) + ", " + std::to_string(probe.y));
    EXPECT_NEAR(actual.alpha, probe.expected.alpha, tolerance);
    if (probe.expected.alpha > 0 && actual.alpha > 0) {
      EXPECT_NEAR(actual.red, probe.expected.red, tolerance);
      EXPECT_NEAR(actual.green, probe.expected.green, tolerance);
      EXPECT_NEAR(actual.blue, probe.expected.blue, tolerance);
    }
  }
}

class SvgPixels : public ::testing::TestWithParam<bool> {};

TEST_P(SvgPixels, DrawLikeTheReferenceRenderer)
{
  const bool throughPdf = GetParam();
  for (const PixelCase& pixelCase : svgtest::pixelCases()) {
    SCOPED_TRACE(pixelCase.name);
    const std::optional<pf::Bitmap> bitmap = render(pixelCase.body, throughPdf);
    ASSERT_TRUE(bitmap);
    expectProbes(*bitmap, pixelCase.probes, 12);
  }
}

INSTANTIATE_TEST_SUITE_P(LayerTreeAndPdfImage, SvgPixels, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ThroughPdfImage" : "LayerTree"; });

}  // namespace
