#include "MorvNode/Elements/MVElementImage.h"

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "Platform/DrawingContext.h"
#include "Platform/Image.h"
#include "Platform/Surface.h"
#include "RenderTestSupport.h"

namespace {

using rendertest::kBlue;
using rendertest::kGreen;
using rendertest::kRed;
using rendertest::kTransparent;
using rendertest::kWhite;
using rendertest::makeGroup;
using rendertest::pixelNear;
using rendertest::renderTree;
using rendertest::Rgba8;

// A bitmap of `width` x 2 pixels: the top row `top`, the bottom row `bottom`.
pf::Bitmap twoRows(int width, Rgba8 top, Rgba8 bottom)
{
  auto bitmap = pf::Bitmap::create(width, 2);
  for (int x = 0; x < width; ++x) {
    bitmap->setPixel(x, 0, top);
    bitmap->setPixel(x, 1, bottom);
  }
  return *bitmap;
}

// A bitmap whose left half is white and right half transparent.
pf::Bitmap whiteLeftHalf()
{
  auto bitmap = pf::Bitmap::create(4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 2; ++x) {
      bitmap->setPixel(x, y, kWhite);
    }
  }
  return *bitmap;
}

class ElementImage : public ::testing::Test {
protected:
  void storeBitmap(const std::string& name, pf::Bitmap bitmap)
  {
    store_->storeSharedElementGraphicObject(std::make_shared<const pf::Image>(pf::Image::fromBitmap(std::move(bitmap))),
                                            name);
  }

  // An image element of the box (x, y, w, h) showing `name`; flipped as the import node flips
  // it, so that the image appears upright.
  std::shared_ptr<MVElementImage> makeImage(const std::string& name, pf::Rect box, bool upright = true)
  {
    auto image = std::make_shared<MVElementImage>();
    image->setImageName(name);
    image->setSharedGraphics(store_);
    image->setWidth(box.width());
    image->setHeight(box.height());
    image->setPositionX(box.midX(), box.midY());
    if (upright) {
      image->scaleX(1, -1);
    }
    return image;
  }

  rendertest::TestDefaults defaults_;
  std::shared_ptr<MVSharedGraphicsStore> store_ = std::make_shared<MVSharedGraphicsStore>();
};

TEST_F(ElementImage, BitmapsDrawYUpInTheirBoxSoTheImportFlipMakesThemUpright)
{
  storeBitmap("rows", twoRows(4, kRed, kBlue));
  const auto upright = renderTree(makeImage("rows", {0, 0, 40, 20}), 40, 20);
  EXPECT_TRUE(pixelNear(*upright, 20, 3, kRed));
  EXPECT_TRUE(pixelNear(*upright, 20, 17, kBlue));

  const auto unflipped = renderTree(makeImage("rows", {0, 0, 40, 20}, false), 40, 20);
  EXPECT_TRUE(pixelNear(*unflipped, 20, 3, kBlue));
  EXPECT_TRUE(pixelNear(*unflipped, 20, 17, kRed));
}

TEST_F(ElementImage, TintMultipliesColoursAndKeepsTheImagesAlpha)
{
  storeBitmap("white", whiteLeftHalf());
  auto image = makeImage("white", {0, 0, 40, 40});
  image->setFillColor(pf::Color::rgb(1, 0, 0));
  const auto bitmap = renderTree(image, 40, 40);
  EXPECT_TRUE(pixelNear(*bitmap, 10, 20, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 30, 20, kTransparent));

  // Without a fill colour the image draws as it is.
  image->setFillColor(std::nullopt);
  EXPECT_TRUE(pixelNear(*renderTree(image, 40, 40), 10, 20, kWhite));
}

TEST_F(ElementImage, TintCacheIsKeyedByImageNameAndTintColour)
{
  storeBitmap("white", whiteLeftHalf());
  storeBitmap("rows", twoRows(4, kWhite, kWhite));
  auto image = makeImage("white", {0, 0, 40, 40});
  image->setFillColor(pf::Color::rgb(1, 0, 0));
  const auto red = image->tintedImage();
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(image->tintedImage(), red);  // cached
  // The fill's own alpha is not part of the tint.
  image->setFillColor(pf::Color::rgb(1, 0, 0, 0.3));
  EXPECT_EQ(image->tintedImage(), red);

  image->setFillColor(pf::Color::rgb(0, 1, 0));
  const auto green = image->tintedImage();
  ASSERT_NE(green, red);
  EXPECT_EQ(green->pixel(0, 0), kGreen);
  EXPECT_TRUE(pixelNear(*renderTree(image, 40, 40), 10, 20, kGreen));

  image->setImageName("rows");
  const auto rows = image->tintedImage();
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->width(), 4);
  EXPECT_EQ(rows->pixel(3, 1), kGreen);

  // A copy carries the cached tint.
  const auto copy = std::dynamic_pointer_cast<MVElementImage>(image->copy());
  EXPECT_EQ(copy->tintedImage(), rows);
}

TEST_F(ElementImage, ImagesWithoutPixelsCannotBeTinted)
{
  store_->storeSharedElementGraphicObject(std::make_shared<const pf::Image>(pf::Size(0.5, 3), std::vector<pf::Image::Representation>{}),
                                          "tiny");
  auto image = makeImage("tiny", {0, 0, 10, 10});
  image->setFillColor(pf::Color::rgb(1, 0, 0));
  EXPECT_EQ(image->tintedImage(), nullptr);
}

TEST_F(ElementImage, PdfImagesDrawAsVectorsUntintedWithTheFillOpacity)
{
  auto surface = pf::Surface::pdf({20, 20});
  {
    pf::DrawingContext context(*surface);
    context.setFillColor(pf::Color::rgb(1, 0, 0));
    context.fillRect({0, 0, 20, 20});
  }
  ASSERT_TRUE(surface->finish());
  auto page = pf::Image::fromPdf(surface->data());
  ASSERT_TRUE(page);
  store_->storeSharedElementGraphicObject(std::make_shared<const pf::Image>(*page), "page");

  auto image = makeImage("page", {0, 0, 40, 40});
  image->setFillColor(pf::Color::rgb(0, 1, 0));  // no tint for vectors
  image->setFillOpacity(0.5);
  image->setBlendMode(1);  // nor blend mode
  const auto bitmap = renderTree(image, 40, 40, 1.0, 1.0, pf::Color::white());
  EXPECT_TRUE(pixelNear(*bitmap, 20, 20, Rgba8{255, 128, 128, 255}));
}

TEST_F(ElementImage, BitmapsTakeFillOpacityAndBlendMode)
{
  storeBitmap("rows", twoRows(2, kRed, kRed));
  auto image = makeImage("rows", {0, 0, 10, 10});
  image->setBlendMode(1);  // multiply over grey 0.5
  EXPECT_TRUE(pixelNear(*renderTree(image, 10, 10, 1.0, 1.0, pf::Color::grey(0.5)), 5, 5, Rgba8{128, 0, 0, 255}));
  image->setBlendMode(0);
  image->setFillOpacity(0.5);
  EXPECT_TRUE(pixelNear(*renderTree(image, 10, 10, 1.0, 1.0, pf::Color::white()), 5, 5, Rgba8{255, 128, 128, 255}));
}

TEST_F(ElementImage, FrameWidthFollowsTheRenderingScaleOnly)
{
  storeBitmap("rows", twoRows(2, kWhite, kWhite));
  auto image = makeImage("rows", {10, 10, 20, 20});
  image->setStrokeWidth(2);
  image->setStrokeColor(pf::Color::rgb(1, 0, 0));
  // Rendering scale 3 on a backing scale of 2: the frame is 2 x 3 = 6 device pixels wide (a
  // path's stroke would be 12), centred on the box edge at x = 10 x 6 = 60.
  const auto bitmap = renderTree(image, 40, 40, 3.0, 2.0);
  ASSERT_EQ(bitmap->width(), 240);
  EXPECT_TRUE(pixelNear(*bitmap, 57, 120, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 62, 120, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 56, 120, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 63, 120, kWhite));
}

TEST_F(ElementImage, MissingImagesAreLoggedAndStillFramed)
{
  rendertest::QuietLog log;
  storeBitmap("other", twoRows(2, kWhite, kWhite));
  auto image = makeImage("gone", {0, 0, 20, 20});
  image->setStrokeWidth(2);
  image->setStrokeColor(pf::Color::rgb(0, 0, 1));
  const auto bitmap = renderTree(image, 20, 20);
  EXPECT_TRUE(pixelNear(*bitmap, 0, 10, kBlue));
  EXPECT_TRUE(pixelNear(*bitmap, 10, 10, kTransparent));
  EXPECT_EQ(log.countContaining("render could not find image for imageName: gone"), 1);
}

TEST_F(ElementImage, NamesAndSymbolNames)
{
  auto a = makeImage("a.png [NSImage]", {0, 0, 1, 1});
  auto b = makeImage("b#1,'x'.pdf", {0, 0, 1, 1});
  auto again = makeImage("a.png [NSImage]", {0, 0, 1, 1});
  const auto group = makeGroup({a, makeGroup({b, again})});
  EXPECT_EQ(group->namesOfSharedGraphicObjects(), (std::vector<std::string>{"a.png [NSImage]", "b#1,'x'.pdf"}));
  EXPECT_EQ(MVElementImage::svgSymbolNameForImageName("a.png [NSImage]"), "a.png ");
  EXPECT_EQ(MVElementImage::svgSymbolNameForImageName("b#1,'x'\"<>.pdf"), "b1x.pdf");
  EXPECT_EQ(a->elementTypeDescription(), "image element");
}

}  // namespace
