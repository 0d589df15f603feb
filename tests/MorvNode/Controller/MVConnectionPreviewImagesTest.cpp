#include "MorvNode/Controller/MVConnectionPreviewImages.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Log.h"

namespace {

// The bitmap of an image, which these previews always are.
const pf::Bitmap& pixelsOf(const pf::Image& image)
{
  const pf::Bitmap* bitmap = image.bitmap();
  EXPECT_NE(bitmap, nullptr);
  static const pf::Bitmap kEmpty = *pf::Bitmap::create(1, 1);
  return bitmap != nullptr ? *bitmap : kEmpty;
}

bool isBlank(const pf::Bitmap& bitmap)
{
  for (int y = 0; y < bitmap.height(); ++y) {
    for (int x = 0; x < bitmap.width(); ++x) {
      if (bitmap.pixel(x, y).alpha != 0) {
        return false;
      }
    }
  }
  return true;
}

// Darkest pixel row of a column (the curve is the darkest ink): the bitmap's row index.
int darkestRow(const pf::Bitmap& bitmap, int x)
{
  int best = -1;
  int bestLevel = 256;
  for (int y = 0; y < bitmap.height(); ++y) {
    const pf::Bitmap::Rgba8 pixel = bitmap.pixel(x, y);
    if (pixel.alpha > 200 && pixel.red < bestLevel) {
      bestLevel = pixel.red;
      best = y;
    }
  }
  return best;
}

TEST(MVConnectionPreviewImages, IdenticalValuesDrawAFlatCurveThreePointsAboveTheBottom)
{
  const std::optional<pf::Image> image = MVConnectionPreviewImages::previewImageWithValues({5.0, 5.0, 5.0},
                                                                                          pf::Size(40.0, 20.0));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), pf::Size(40.0, 20.0));
  const pf::Bitmap& bitmap = pixelsOf(*image);
  ASSERT_EQ(bitmap.width(), 40);
  // Graph y = 3 (y-up) covers the pixel rows 16 and 17 with a 2-point line.
  for (int x : {6, 15, 23}) {
    SCOPED_TRACE(x);
    const int row = darkestRow(bitmap, x);
    EXPECT_GE(row, 16);
    EXPECT_LE(row, 17);
  }
}

TEST(MVConnectionPreviewImages, LargerValuesLieHigher)
{
  const std::optional<pf::Image> image =
      MVConnectionPreviewImages::previewImageWithValues({0.0, 10.0}, pf::Size(28.0, 40.0));
  ASSERT_TRUE(image);
  const pf::Bitmap& bitmap = pixelsOf(*image);
  // step = (28 - 8) / 2 = 10: the curve runs from (4, 3) to (14, 34) in graph space.
  const int low = darkestRow(bitmap, 5);
  const int high = darkestRow(bitmap, 13);
  EXPECT_GT(low, high);
  EXPECT_NEAR(high, 40 - 33, 2);
}

TEST(MVConnectionPreviewImages, EmptyOrMissingValuesGiveABlankImage)
{
  for (const std::vector<double>& values : {std::vector<double>{}, std::vector<double>{std::nan(""), INFINITY}}) {
    const std::optional<pf::Image> image = MVConnectionPreviewImages::previewImageWithValues(values, pf::Size(30.0, 10.0));
    ASSERT_TRUE(image);
    EXPECT_TRUE(isBlank(pixelsOf(*image)));
  }
  // A missing entry between two values leaves a gap in the line but keeps the others' places.
  const std::optional<pf::Image> gap =
      MVConnectionPreviewImages::previewImageWithValues({1.0, std::nan(""), 2.0}, pf::Size(30.0, 20.0));
  ASSERT_TRUE(gap);
  EXPECT_FALSE(isBlank(pixelsOf(*gap)));
}

TEST(MVConnectionPreviewImages, ThreeColoursFillThreeStripes)
{
  const std::vector<pf::Color> colors = {pf::Color::rgb(1, 0, 0), pf::Color::rgb(0, 1, 0, 0.5), pf::Color::rgb(0, 0, 1)};
  const std::optional<pf::Image> image = MVConnectionPreviewImages::previewImageWithColors(colors, pf::Size(30.0, 8.0));
  ASSERT_TRUE(image);
  const pf::Bitmap& bitmap = pixelsOf(*image);
  const struct {
    int x;
    pf::Bitmap::Rgba8 pixel;
  } samples[] = {{0, {255, 0, 0, 255}}, {9, {255, 0, 0, 255}}, {10, {0, 255, 0, 255}}, {19, {0, 255, 0, 255}},
                 {20, {0, 0, 255, 255}}, {29, {0, 0, 255, 255}}};
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.x);
    EXPECT_EQ(bitmap.pixel(sample.x, 0), sample.pixel);
    EXPECT_EQ(bitmap.pixel(sample.x, 7), sample.pixel);
  }
  const std::optional<pf::Image> none = MVConnectionPreviewImages::previewImageWithColors({}, pf::Size(30.0, 8.0));
  ASSERT_TRUE(none);
  EXPECT_TRUE(isBlank(pixelsOf(*none)));
}

TEST(MVConnectionPreviewImages, BackingScaleMultipliesThePixels)
{
  const std::optional<pf::Image> image =
      MVConnectionPreviewImages::previewImageWithColors({pf::Color::white()}, pf::Size(10.4, 5.0), 2.0);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), pf::Size(10.0, 5.0));
  EXPECT_EQ(pixelsOf(*image).width(), 20);
  EXPECT_EQ(pixelsOf(*image).height(), 10);
}

TEST(MVConnectionPreviewImages, UnusableSizesAreRefused)
{
  pf::setLogEcho(false);
  EXPECT_FALSE(MVConnectionPreviewImages::previewImageWithValues({1.0}, pf::Size(0.4, 10.0)));
  EXPECT_FALSE(MVConnectionPreviewImages::previewImageWithColors({pf::Color::white()}, pf::Size(10.0, NAN)));
  EXPECT_FALSE(MVConnectionPreviewImages::previewImageWithColors({pf::Color::white()}, pf::Size(1e9, 1e9)));
  pf::setLogEcho(true);
}

}  // namespace
