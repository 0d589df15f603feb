#include "Shared/SVG/ODSVGCairoRenderer.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "Platform/DrawingContext.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGShapeLayer.h"
#include "SvgPixelFixtures.h"
#include "SvgTestDocuments.h"

namespace {

std::optional<pf::Bitmap> renderDirect(const std::string& body)
{
  const std::shared_ptr<ODSVG> svg = ODSVG::initWithSVGString(svgtest::document(body));
  if (!svg) {
    return std::nullopt;
  }
  svg->setRenderingEngine(0);
  std::optional<pf::Surface> surface = pf::Surface::bitmap(100, 100);
  {
    pf::DrawingContext context(*surface);
    EXPECT_TRUE(svg->drawInRect(context, pf::Rect(0, 0, 100, 100)));
    EXPECT_EQ(context.transform(), pf::AffineTransform());
  }
  return std::move(*surface).takeBitmap();
}

void expectProbes(const pf::Bitmap& bitmap, const std::vector<svgtest::Probe>& probes)
{
  for (const svgtest::Probe& probe : probes) {
    SCOPED_TRACE("at " + std::to_string(probe.x) + ", " + std::to_string(probe.y));
    const pf::Bitmap::Rgba8 actual = bitmap.pixel(probe.x, probe.y);
    EXPECT_NEAR(actual.alpha, probe.expected.alpha, 12);
    if (probe.expected.alpha > 0 && actual.alpha > 0) {
      EXPECT_NEAR(actual.red, probe.expected.red, 12);
      EXPECT_NEAR(actual.green, probe.expected.green, 12);
      EXPECT_NEAR(actual.blue, probe.expected.blue, 12);
    }
  }
}

TEST(ODSVGCairoRenderer, DrawsTheLibraryFixturesLikeTheLayers)
{
  // Patterns and blend modes are not drawn by the direct renderer.
  const std::set<std::string> notDrawn = {"Pattern", "PatternStroke", "BlendMode"};
  for (const svgtest::PixelCase& fixture : svgtest::pixelCases()) {
    if (notDrawn.count(fixture.name) != 0) {
      continue;
    }
    SCOPED_TRACE(fixture.name);
    const std::optional<pf::Bitmap> bitmap = renderDirect(fixture.body);
    ASSERT_TRUE(bitmap);
    expectProbes(*bitmap, fixture.probes);
  }
}

TEST(ODSVGCairoRenderer, WhatItLeavesOutAndHowItComposites)
{
  using svgtest::kClear;
  using svgtest::kRed;
  const svgtest::PixelCase cases[] = {
      {"images and patterns draw nothing, shapes in groups do",
       "<pattern id=\"p\" width=\"1\" height=\"1\"><rect width=\"100\" height=\"100\" fill=\"red\"/></pattern>"
       "<rect width=\"40\" height=\"40\" fill=\"url(#p)\"/>"
       "<image x=\"50\" width=\"10\" height=\"10\" xlink:href=\"data:image/png;base64,"
       "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==\"/>"
       "<g><g><rect x=\"60\" y=\"60\" width=\"20\" height=\"20\" fill=\"red\"/></g></g>",
       {{20, 20, kClear}, {55, 5, kClear}, {70, 70, kRed}}},
      {"a hidden group hides its sublayers",
       "<g display=\"none\"><rect width=\"50\" height=\"50\" fill=\"red\"/></g>"
       "<rect x=\"60\" width=\"20\" height=\"20\" fill=\"red\"/>",
       {{20, 20, kClear}, {70, 10, kRed}}},
      {"a gradient fill is cut to its shape, with the fill opacity",
       "<linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"red\"/><stop offset=\"1\" stop-color=\"red\"/>"
       "</linearGradient><circle cx=\"50\" cy=\"50\" r=\"30\" fill=\"url(#g)\" fill-opacity=\"0.5\"/>",
       {{50, 50, {255, 0, 0, 128}}, {25, 25, kClear}}},
      {"no dashes: a solid stroke",
       "<line x1=\"0\" y1=\"50\" x2=\"100\" y2=\"50\" stroke=\"red\" stroke-width=\"10\" stroke-dasharray=\"\"/>",
       {{5, 50, kRed}, {25, 50, kRed}, {55, 50, kRed}, {95, 50, kRed}}},
      {"group opacity composites the group once",
       "<g opacity=\"0.5\"><g><rect width=\"60\" height=\"60\" fill=\"red\"/></g>"
       "<rect x=\"40\" y=\"40\" width=\"60\" height=\"60\" fill=\"red\" opacity=\"0.5\"/></g>",
       {{20, 20, {255, 0, 0, 128}}, {50, 50, {255, 0, 0, 128}}, {80, 80, {255, 0, 0, 64}}}},
      {"even-odd clip paths",
       "<clipPath id=\"c\"><path clip-rule=\"evenodd\" fill-rule=\"evenodd\" d=\"M0 0h100v100h-100z M30 30h40v40h-40z\"/>"
       "</clipPath><rect width=\"100\" height=\"100\" fill=\"red\" clip-path=\"url(#c)\"/>",
       {{10, 10, kRed}, {50, 50, kClear}}},
      {"a mask away from the origin",
       "<mask id=\"m\"><rect x=\"60\" y=\"60\" width=\"30\" height=\"30\" fill=\"white\"/></mask>"
       "<g transform=\"translate(5 0)\"><rect width=\"100\" height=\"100\" fill=\"red\" mask=\"url(#m)\"/></g>",
       {{80, 75, kRed}, {60, 75, kClear}, {50, 50, kClear}, {96, 75, kClear}}},
  };
  for (const svgtest::PixelCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<pf::Bitmap> bitmap = renderDirect(c.body);
    ASSERT_TRUE(bitmap);
    expectProbes(*bitmap, c.probes);
  }
}

TEST(ODSVGCairoRenderer, MasksAreGreyBitmapsOfTheCoveredArea)
{
  auto mask = std::make_shared<ODSVGShapeLayer>();
  mask->setPath(pf::Path().addRect(pf::Rect(0, 0, 10, 20)));
  mask->setFrame(pf::Rect(0, 0, 10, 20));
  mask->setFillColor(pf::Color::white());
  ODSVGCairoRenderer renderer;
  pf::Rect rect;
  const std::optional<pf::AlphaMask> image = renderer.newMaskedImageForLayer(*mask, rect);
  ASSERT_TRUE(image);
  EXPECT_EQ(rect, pf::Rect(0, 0, 10, 20));
  EXPECT_EQ(image->width(), 10);
  EXPECT_EQ(image->height(), 20);
  EXPECT_EQ(image->level(5, 10), 255);

  renderer.setScale(2);
  renderer.setBackingScale(1.5);
  mask->setFillColor(pf::Color::rgb(0.5, 0.5, 0.5));
  const std::optional<pf::AlphaMask> scaled = renderer.newMaskedImageForLayer(*mask, rect);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->width(), 30);
  EXPECT_EQ(scaled->height(), 60);
  EXPECT_NEAR(scaled->level(15, 30), 128, 2);

  // The covered area takes sublayers' frames into the layer's space.
  ODSVGGroupLayer group;
  auto moved = std::make_shared<ODSVGGroupLayer>();
  moved->setAffineTransform(pf::AffineTransform::translation(100, 0));
  auto shape = std::make_shared<ODSVGShapeLayer>();
  shape->setFrame(pf::Rect(5, 5, 10, 10));
  moved->addSublayer(shape);
  group.addSublayer(moved);
  EXPECT_EQ(ODSVGCairoRenderer::findFrameForLayer(group), pf::Rect(105, 5, 10, 10));
  EXPECT_FALSE(ODSVGCairoRenderer::findFrameForLayer(ODSVGGroupLayer()));
  EXPECT_FALSE(renderer.newMaskedImageForLayer(ODSVGGroupLayer(), rect));

  EXPECT_EQ(ODSVGCairoRenderer::convertLayerFrame(pf::Rect(2, 3, 10, 1)), pf::Rect(0, 0, 8, 2));
}

}  // namespace
