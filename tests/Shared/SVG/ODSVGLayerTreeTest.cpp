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

// Clip paths and masks in the user space of the element that refers to them: each transform
// (on the clip path or mask, on the element, on the children) acts once, and units of the
// object's bounding box map (0, 0) and (1, 1) to its corners. A transform on a mask element
// places its content as one on a clip path does.
std::vector<PixelCase> clipAndMaskCases()
{
  using svgtest::kClear;
  using svgtest::kRed;
  const std::string fullRect = "<rect width=\"100\" height=\"100\" fill=\"red\"";
  return {
      {"ClipPathWithOwnTransform",
       "<clipPath id=\"c\" transform=\"translate(25,25)\"><rect width=\"50\" height=\"50\"/></clipPath>" + fullRect +
           " clip-path=\"url(#c)\"/>",
       {{30, 30, kRed}, {70, 70, kRed}, {20, 50, kClear}, {80, 50, kClear}, {50, 80, kClear}, {90, 90, kClear}}},
      {"ClipPathWithOwnTransformList",
       "<clipPath id=\"c\" transform=\"translate(20,20) scale(2)\"><rect width=\"20\" height=\"20\"/></clipPath>" +
           fullRect + " clip-path=\"url(#c)\"/>",
       {{25, 25, kRed}, {55, 55, kRed}, {15, 50, kClear}, {65, 50, kClear}}},
      {"MaskWithOwnTransform",
       "<mask id=\"m\" transform=\"translate(25,25)\"><rect width=\"50\" height=\"50\" fill=\"white\"/></mask>" +
           fullRect + " mask=\"url(#m)\"/>",
       {{30, 30, kRed}, {70, 70, kRed}, {20, 50, kClear}, {80, 80, kClear}}},
      {"ClipPathOnAShapeAwayFromTheOrigin",
       "<clipPath id=\"c\" transform=\"translate(10,0)\"><rect x=\"40\" y=\"40\" width=\"20\" height=\"20\"/>"
       "</clipPath><rect x=\"30\" y=\"30\" width=\"60\" height=\"60\" fill=\"red\" clip-path=\"url(#c)\"/>",
       {{65, 50, kRed}, {55, 45, kRed}, {45, 50, kClear}, {75, 50, kClear}, {65, 65, kClear}}},
      {"TransformOnTheClippedElement",
       "<clipPath id=\"c\"><rect width=\"25\" height=\"25\"/></clipPath>"
       "<rect width=\"50\" height=\"50\" fill=\"red\" transform=\"translate(50,50)\" clip-path=\"url(#c)\"/>",
       {{60, 60, kRed}, {80, 80, kClear}, {40, 40, kClear}, {20, 20, kClear}}},
      {"TransformOnAClippedGroup",
       "<clipPath id=\"c\"><rect width=\"50\" height=\"50\"/></clipPath>"
       "<g transform=\"translate(10,10)\" clip-path=\"url(#c)\">" + fullRect + "/></g>",
       {{55, 55, kRed}, {15, 15, kRed}, {65, 65, kClear}, {5, 5, kClear}}},
      {"TransformOnTheClipChildren",
       "<clipPath id=\"c\"><rect width=\"50\" height=\"50\" transform=\"translate(25,25)\"/></clipPath>" + fullRect +
           " clip-path=\"url(#c)\"/>",
       {{30, 30, kRed}, {70, 70, kRed}, {20, 20, kClear}, {80, 80, kClear}}},
      {"ClipPathInObjectBoundingBoxUnits",
       "<clipPath id=\"c\" clipPathUnits=\"objectBoundingBox\"><rect x=\"0.25\" y=\"0.25\" width=\"0.5\" "
       "height=\"0.5\"/></clipPath><rect x=\"20\" y=\"20\" width=\"80\" height=\"80\" fill=\"red\" "
       "clip-path=\"url(#c)\"/>",
       {{45, 45, kRed}, {75, 75, kRed}, {30, 30, kClear}, {90, 90, kClear}}},
      {"ClipPathInObjectBoundingBoxUnitsWithTransform",
       "<clipPath id=\"c\" clipPathUnits=\"objectBoundingBox\" transform=\"translate(10,0)\"><rect width=\"0.5\" "
       "height=\"1\"/></clipPath><rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" fill=\"red\" "
       "clip-path=\"url(#c)\"/>",
       {{35, 50, kRed}, {55, 50, kRed}, {25, 50, kClear}, {65, 50, kClear}}},
      {"MaskContentInObjectBoundingBoxUnits",
       "<mask id=\"m\" maskContentUnits=\"objectBoundingBox\"><rect width=\"0.5\" height=\"1\" fill=\"white\"/>"
       "</mask><rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" fill=\"red\" mask=\"url(#m)\"/>",
       {{30, 50, kRed}, {45, 50, kRed}, {55, 50, kClear}, {70, 50, kClear}}},
      {"ClipPathOnAClipPath",
       "<clipPath id=\"a\"><rect width=\"60\" height=\"100\"/></clipPath>"
       "<clipPath id=\"c\" clip-path=\"url(#a)\"><rect x=\"40\" width=\"60\" height=\"100\"/></clipPath>" +
           fullRect + " clip-path=\"url(#c)\"/>",
       {{50, 50, kRed}, {30, 50, kClear}, {70, 50, kClear}}},
      {"ClipPathAndMaskBothApply",
       "<clipPath id=\"c\"><rect width=\"60\" height=\"100\"/></clipPath>"
       "<mask id=\"m\"><rect x=\"40\" width=\"60\" height=\"100\" fill=\"white\"/></mask>" +
           fullRect + " clip-path=\"url(#c)\" mask=\"url(#m)\"/>",
       {{50, 50, kRed}, {30, 50, kClear}, {70, 50, kClear}}},
      {"ClipPathIgnoresStrokeAndOpacity",
       "<clipPath id=\"c\"><rect x=\"25\" y=\"25\" width=\"50\" height=\"50\" fill=\"none\" stroke=\"blue\" "
       "stroke-width=\"20\" opacity=\"0.5\"/></clipPath>" + fullRect + " clip-path=\"url(#c)\"/>",
       {{50, 50, kRed}, {30, 30, kRed}, {20, 50, kClear}, {80, 50, kClear}}},
  };
}

TEST_P(SvgPixels, ClipPathsAndMasksAreInTheUserSpaceOfTheirElement)
{
  const bool throughPdf = GetParam();
  for (const PixelCase& pixelCase : clipAndMaskCases()) {
    SCOPED_TRACE(pixelCase.name);
    const std::optional<pf::Bitmap> bitmap = render(pixelCase.body, throughPdf);
    ASSERT_TRUE(bitmap);
    expectProbes(*bitmap, pixelCase.probes, 12);
  }
}

INSTANTIATE_TEST_SUITE_P(LayerTreeAndPdfImage, SvgPixels, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ThroughPdfImage" : "LayerTree"; });

}  // namespace
