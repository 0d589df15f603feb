#include "Shared/SVG/ODSVG.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "Platform/DrawingContext.h"
#include "Platform/PdfDocument.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGLayer.h"
#include "Shared/SVG/ODSVGShapeLayer.h"

namespace {

std::shared_ptr<ODSVG> documentWith(const std::string& attributes, const std::string& body)
{
  return ODSVG::initWithSVGString("<svg xmlns=\"http://www.w3.org/2000/svg\" " + attributes + ">" + body + "</svg>");
}

TEST(ODSVGDrawingRect, FitsTheProposedShapeCentredOnWholePoints)
{
  struct Case {
    const char* label;
    const char* attributes;
    pf::Rect rect;
    double clipScale;
    double scale;
    pf::Rect drawing;
  };
  const Case cases[] = {
      {"proposed twice the view box", "width=\"200\" height=\"100\" viewBox=\"0 0 100 50\"", {0, 0, 200, 100}, 1, 2,
       {0, 0, 200, 100}},
      {"wide document in a square", "width=\"100\" height=\"50\" viewBox=\"0 0 100 50\"", {0, 0, 300, 300}, 3, 3,
       {0, 75, 300, 150}},
      {"offset rectangle", "width=\"10\" height=\"10\"", {5.25, 7, 20, 30}, 2, 2, {5, 12, 20, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto svg = documentWith(c.attributes, "<rect width=\"10\" height=\"10\"/>");
    ASSERT_TRUE(svg);
    const std::optional<pf::Rect> drawing = svg->computeRectDrawingInRect(c.rect);
    ASSERT_TRUE(drawing);
    EXPECT_DOUBLE_EQ(svg->clipScale(), c.clipScale);
    EXPECT_DOUBLE_EQ(svg->scale(), c.scale);
    EXPECT_EQ(*drawing, c.drawing);
  }
}

TEST(ODSVGDrawing, AnEmptyRectangleDrawsNothingAndSaysSo)
{
  const auto svg = documentWith("width=\"10\" height=\"10\"", "<rect width=\"10\" height=\"10\" fill=\"red\"/>");
  ASSERT_TRUE(svg);
  std::optional<pf::Surface> surface = pf::Surface::bitmap(10, 10);
  pf::DrawingContext context(*surface);
  ODSVGError error;
  EXPECT_FALSE(svg->drawInRect(context, pf::Rect(0, 0, 0, 10), &error));
  EXPECT_EQ(error.code, ODSVGError::kCannotDraw);
  EXPECT_EQ(context.transform(), pf::AffineTransform());
  EXPECT_EQ(surface->bitmap()->pixel(5, 5).alpha, 0);
}

TEST(ODSVGDrawing, AViewBoxOriginShiftsTheContent)
{
  // The red square at (50, 50) of the view box is the page's top-left quarter.
  const auto svg = documentWith("width=\"100\" height=\"100\" viewBox=\"50 50 100 100\"",
                                "<rect x=\"50\" y=\"50\" width=\"50\" height=\"50\" fill=\"red\"/>");
  ASSERT_TRUE(svg);
  const std::optional<pf::Image> image = svg->imageWithSize(pf::Size(100, 100));
  ASSERT_TRUE(image && image->bitmap());
  EXPECT_EQ(image->bitmap()->pixel(25, 25), (pf::Bitmap::Rgba8{255, 0, 0, 255}));
  EXPECT_EQ(image->bitmap()->pixel(75, 75).alpha, 0);
}

TEST(ODSVGPdf, OnePageOfTheViewBoxSize)
{
  const auto svg = documentWith("width=\"120\" height=\"60\"", "<circle cx=\"60\" cy=\"30\" r=\"20\" fill=\"blue\"/>");
  ASSERT_TRUE(svg);
  const std::vector<std::uint8_t> data = svg->PDFData();
  const std::shared_ptr<const pf::PdfDocument> pdf = pf::PdfDocument::fromData(data);
  ASSERT_TRUE(pdf);
  EXPECT_EQ(pdf->pageCount(), 1);
  EXPECT_EQ(pdf->pageSize(0), pf::Size(120, 60));
  const std::optional<pf::Image> image = svg->pdfImage();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), pf::Size(120, 60));
  // Vector mode is switched off again: the layers keep their masks.
  EXPECT_FALSE(svg->layer()->convertMasksToPaths());
}

TEST(ODSVGOverrides, ReplaceFillsAndStrokesAndRebuildTheTree)
{
  const auto svg = documentWith(
      "width=\"100\" height=\"100\"",
      "<rect width=\"40\" height=\"40\" fill=\"red\" stroke=\"blue\"/>"
      "<rect x=\"50\" width=\"40\" height=\"40\" fill=\"none\"/>");
  ASSERT_TRUE(svg);
  const auto colors = [&] {
    std::vector<std::string> names;
    for (const pf::Color& color : svg->visibleColors()) {
      names.push_back(color.description());
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  const pf::Color red = pf::Color::rgb(1, 0, 0);
  const pf::Color blue = pf::Color::rgb(0, 0, 1);
  const pf::Color green = pf::Color::rgb(0, 1, 0);
  std::vector<std::string> expected = {red.description(), blue.description()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(colors(), expected);

  const std::shared_ptr<ODSVGLayer> before = svg->layer();
  svg->setFillColor(green);
  EXPECT_NE(svg->layer(), before);
  // The transparent fill stays transparent; the red one takes the override.
  expected = {green.description(), blue.description()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(colors(), expected);

  svg->setFillColor(std::nullopt);
  svg->replaceColor(red, green);
  EXPECT_EQ(colors(), expected);
  // Removing replacements takes effect only when the tree is built again.
  svg->removeAllReplacementColors();
  EXPECT_EQ(colors(), expected);
  svg->setStrokeWidth(2);
  expected = {red.description(), blue.description()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(colors(), expected);
}

TEST(ODSVGLayers, MaskModeAndWalks)
{
  ODSVGGroupLayer root;
  auto child = std::make_shared<ODSVGGroupLayer>();
  auto leaf = std::make_shared<ODSVGShapeLayer>();
  auto mask = std::make_shared<ODSVGShapeLayer>();
  child->addSublayer(leaf);
  root.addSublayer(child);
  child->setMask(mask);
  EXPECT_TRUE(ODSVGLayer::deepestSublayersOfLayer(*leaf).empty());
  EXPECT_EQ(ODSVGLayer::deepestSublayersOfLayer(root), std::vector<ODSVGLayer*>{leaf.get()});

  int masksSeen = 0;
  ODSVGLayer::recursivelyWalkLayer(root, [&](ODSVGLayer& layer, bool isMask) {
    masksSeen += isMask ? 1 : 0;
    layer.setConvertMasksToPaths(true);
  });
  // Switching the mode on moved the mask aside before the walk looked for it.
  EXPECT_EQ(masksSeen, 0);
  EXPECT_EQ(child->mask(), nullptr);
  child->setConvertMasksToPaths(true);
  child->setConvertMasksToPaths(false);
  EXPECT_EQ(child->mask(), mask);
  EXPECT_EQ(leaf->mask(), nullptr);
}

TEST(ODSVGLayers, GeometryPlacesContentAndFramesFollow)
{
  ODSVGShapeLayer layer;
  layer.setFrame(pf::Rect(10, 20, 30, 40));
  EXPECT_EQ(layer.geometryTransform().apply(pf::Point(0, 0)), pf::Point(10, 20));
  EXPECT_EQ(layer.frame(), pf::Rect(10, 20, 30, 40));
  // A flip about the centre keeps the frame.
  layer.setAffineTransform(pf::AffineTransform::scaling(1, -1));
  EXPECT_EQ(layer.frame(), pf::Rect(10, 20, 30, 40));
  EXPECT_EQ(layer.geometryTransform().apply(pf::Point(0, 0)), pf::Point(10, 60));
}

}  // namespace
