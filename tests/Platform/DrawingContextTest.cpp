#include "Platform/DrawingContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <cairo.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/Bitmap.h"
#include "Platform/Log.h"
#include "Platform/PdfDocument.h"
#include "Platform/Surface.h"

namespace {

using Rgba8 = pf::Bitmap::Rgba8;

using testsupport::QuietLog;

// Straight components within `tolerance` of the expected ones.
::testing::AssertionResult pixelNear(const pf::Surface& surface, int x, int y, Rgba8 expected, int tolerance = 3)
{
  const Rgba8 p = surface.bitmap()->pixel(x, y);
  const int worst = std::max({std::abs(p.red - expected.red), std::abs(p.green - expected.green),
                              std::abs(p.blue - expected.blue), std::abs(p.alpha - expected.alpha)});
  if (worst <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << int(p.red) << " " << int(p.green)
                                       << " " << int(p.blue) << " " << int(p.alpha) << ", expected "
                                       << int(expected.red) << " " << int(expected.green) << " "
                                       << int(expected.blue) << " " << int(expected.alpha);
}

constexpr Rgba8 kTransparent{0, 0, 0, 0};
constexpr Rgba8 kRed{255, 0, 0, 255};
constexpr Rgba8 kBlue{0, 0, 255, 255};

// A 20 x 20 bitmap surface and a context on it.
class DrawingFixture : public ::testing::Test {
protected:
  pf::Surface surface_ = *pf::Surface::bitmap(20, 20);
  pf::DrawingContext context_{surface_};
};

TEST_F(DrawingFixture, FillsPathsUnderTheTransform)
{
  EXPECT_TRUE(context_.isRaster());
  context_.setFillColor(1, 0, 0, 1);
  context_.translate(5, 5);
  context_.fillPath(pf::Path().addRect({0, 0, 10, 10}));
  EXPECT_TRUE(pixelNear(surface_, 10, 10, kRed));
  EXPECT_TRUE(pixelNear(surface_, 5, 5, kRed));
  EXPECT_TRUE(pixelNear(surface_, 4, 4, kTransparent));
  EXPECT_TRUE(pixelNear(surface_, 15, 15, kTransparent));
}

TEST_F(DrawingFixture, StrokesWithCapsAndWidth)
{
  const struct {
    pf::LineCap cap;
    bool coversBeyondEnd;
  } cases[] = {{pf::LineCap::Butt, false}, {pf::LineCap::Square, true}, {pf::LineCap::Round, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.cap));
    context_.clear();
    context_.setStrokeColor(0, 0, 1, 1);
    context_.setStrokeStyle({4.0, c.cap, pf::LineJoin::Miter, 10.0});
    context_.strokePath(pf::Path().moveTo({4, 10}).lineTo({16, 10}));
    EXPECT_TRUE(pixelNear(surface_, 10, 9, kBlue));
    EXPECT_TRUE(pixelNear(surface_, 10, 13, kTransparent));  // width 4: rows 8 to 11
    EXPECT_EQ(surface_.bitmap()->pixel(2, 10).alpha > 200, c.coversBeyondEnd);
  }
}

TEST_F(DrawingFixture, ClipsWithBothFillRules)
{
  // Two squares turning the same way: even-odd leaves a hole, non-zero does not.
  pf::Path rings;
  rings.addRect({2, 2, 16, 16}).addRect({7, 7, 6, 6});
  for (const auto rule : {pf::FillRule::EvenOdd, pf::FillRule::NonZero}) {
    SCOPED_TRACE(static_cast<int>(rule));
    context_.clear();
    {
      pf::DrawingContext::StateGuard guard(context_);
      context_.clipToPath(rings, rule);
      context_.setFillColor(1, 0, 0, 1);
      context_.fillRect({0, 0, 20, 20});
    }
    EXPECT_TRUE(pixelNear(surface_, 4, 4, kRed));
    EXPECT_TRUE(pixelNear(surface_, 0, 0, kTransparent));
    EXPECT_TRUE(pixelNear(surface_, 10, 10, rule == pf::FillRule::EvenOdd ? kTransparent : kRed));
  }
  // The guard restored the clip and the fill colour (black by default).
  context_.fillRect({0, 0, 20, 20});
  EXPECT_TRUE(pixelNear(surface_, 0, 0, {0, 0, 0, 255}));
}

TEST_F(DrawingFixture, BlendsByElementCode)
{
  const struct {
    int code;
    Rgba8 expected;  // red drawn over opaque mid grey
  } cases[] = {
      {0, {255, 0, 0, 255}},         // normal
      {-3, {255, 0, 0, 255}},        // below 0: normal
      {1, {128, 0, 0, 255}},         // multiply
      {2, {255, 128, 128, 255}},     // screen
      {6, {127, 128, 128, 255}},     // difference
      {12, {255, 128, 128, 255}},    // 10 and above: the mode set before (screen) stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    context_.setBlendMode(pf::BlendMode::Normal);
    context_.setFillColor(128 / 255.0, 128 / 255.0, 128 / 255.0, 1);
    context_.fillRect({0, 0, 20, 20});
    context_.setBlendMode(pf::BlendMode::Screen);
    if (const auto mode = pf::blendModeForElementCode(c.code)) {
      context_.setBlendMode(*mode);
    }
    context_.setFillColor(1, 0, 0, 1);
    context_.fillRect({0, 0, 20, 20});
    EXPECT_TRUE(pixelNear(surface_, 10, 10, c.expected, 2));
  }
  EXPECT_EQ(pf::blendModeForElementCode(7), pf::BlendMode::Saturation);
  EXPECT_EQ(pf::blendModeForElementCode(8), pf::BlendMode::Color);
  EXPECT_EQ(pf::blendModeForElementCode(9), pf::BlendMode::Luminosity);
  EXPECT_EQ(pf::blendModeForElementCode(10), std::nullopt);
}

TEST_F(DrawingFixture, GroupOpacityAppliesOnceToOverlaps)
{
  context_.setFillColor(0, 0, 1, 1);
  {
    pf::DrawingContext::TransparencyGroupGuard group(context_, 0.5);
    context_.fillRect({0, 0, 12, 20});
    context_.fillRect({8, 0, 12, 20});
  }
  // The overlap is as transparent as the rest: the group is composited once.
  EXPECT_TRUE(pixelNear(surface_, 10, 10, {0, 0, 255, 128}, 2));
  EXPECT_TRUE(pixelNear(surface_, 2, 10, {0, 0, 255, 128}, 2));
  // Global alpha multiplies plain fills.
  context_.clear();
  context_.setAlpha(0.5);
  context_.setFillColor(1, 0, 0, 0.5);
  context_.fillRect({0, 0, 20, 20});
  EXPECT_TRUE(pixelNear(surface_, 10, 10, {255, 0, 0, 64}, 2));
}

TEST_F(DrawingFixture, DrawsBitmapsYUpInTheirBox)
{
  auto bitmap = pf::Bitmap::create(2, 2);
  bitmap->setPixel(0, 0, kRed);  // top row red
  bitmap->setPixel(1, 0, kRed);
  bitmap->setPixel(0, 1, kBlue);  // bottom row blue
  bitmap->setPixel(1, 1, kBlue);
  context_.drawBitmap(*bitmap, {0, 0, 20, 20}, 1.0);
  // y-up in a y-down space: the top row lands at the box's maximum y (the bottom here).
  EXPECT_TRUE(pixelNear(surface_, 10, 2, kBlue));
  EXPECT_TRUE(pixelNear(surface_, 10, 17, kRed));
  EXPECT_TRUE(pixelNear(surface_, 0, 19, kRed));  // crisp to the edge

  // Under a flip (as an importer does) it is upright, and the opacity applies.
  context_.clear();
  context_.setTransform(pf::AffineTransform(1, 0, 0, -1, 0, 20));
  context_.drawBitmap(*bitmap, {0, 10, 20, 10}, 0.5);
  EXPECT_TRUE(pixelNear(surface_, 10, 2, {255, 0, 0, 128}, 2));
  EXPECT_TRUE(pixelNear(surface_, 10, 8, {0, 0, 255, 128}, 2));
  EXPECT_TRUE(pixelNear(surface_, 10, 15, kTransparent));
}

TEST_F(DrawingFixture, RefusesMatricesCairoCannotTake)
{
  QuietLog quiet;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  context_.translate(5, 0);
  const pf::AffineTransform before = context_.transform();
  EXPECT_FALSE(context_.scale(0, 1));
  EXPECT_FALSE(context_.scale(nan, 1));
  EXPECT_FALSE(context_.translate(std::numeric_limits<double>::infinity(), 0));
  EXPECT_FALSE(context_.concat({1, 2, 2, 4, 0, 0}));  // singular
  EXPECT_FALSE(context_.setTransform({1, 0, 0, nan, 0, 0}));
  EXPECT_EQ(context_.transform(), before);
  // A path with a NaN point and an empty box draw nothing; the context still draws.
  context_.setFillColor(1, 0, 0, 1);
  context_.fillPath(pf::Path().moveTo({0, 0}).lineTo({nan, 3}).lineTo({3, 3}));
  auto bitmap = pf::Bitmap::create(1, 1);
  context_.drawBitmap(*bitmap, {0, 0, 0, 10}, 1.0);
  context_.setLineWidth(nan);
  context_.fillRect({0, 0, 5, 5});
  EXPECT_TRUE(pixelNear(surface_, 7, 2, kRed));
  EXPECT_TRUE(pixelNear(surface_, 2, 2, kTransparent));
}

TEST_F(DrawingFixture, IgnoresUnbalancedRestoresAndGroupEnds)
{
  QuietLog quiet;
  context_.restore();
  context_.endTransparencyGroup(1.0);
  context_.save();
  context_.beginTransparencyGroup();
  context_.restore();  // does not match the open group: ignored
  context_.setFillColor(1, 0, 0, 1);
  context_.fillRect({0, 0, 20, 20});
  context_.endTransparencyGroup(1.0);
  context_.restore();
  EXPECT_TRUE(pixelNear(surface_, 10, 10, kRed));
}

TEST_F(DrawingFixture, MasksByTheMaskAlpha)
{
  context_.beginMaskedGroup();
  context_.setFillColor(1, 0, 0, 1);
  context_.fillRect({0, 0, 20, 20});
  context_.beginMask();
  context_.setFillColor(0, 0, 0, 0.5);
  context_.fillRect({0, 0, 10, 20});
  context_.endMaskedGroup();
  EXPECT_TRUE(pixelNear(surface_, 5, 10, {255, 0, 0, 128}));
  EXPECT_TRUE(pixelNear(surface_, 15, 10, kTransparent));
  // The state drawn with before the group is back; calls out of order are ignored.
  QuietLog quiet;
  context_.beginMask();
  context_.endMaskedGroup();
  context_.fillRect({15, 0, 5, 5});
  EXPECT_TRUE(pixelNear(surface_, 17, 2, {0, 0, 0, 255}));
}

TEST_F(DrawingFixture, PaintsGradientsPaddedAndRefusesNonFiniteOnes)
{
  const pf::Gradient ramp = {{0.0, pf::Color::rgb(1, 0, 0)}, {1.0, pf::Color::rgb(0, 0, 1)}};
  context_.save();
  context_.clipToRect({0, 0, 20, 10});
  context_.drawLinearGradient(ramp, {5, 0}, {15, 0});
  context_.restore();
  EXPECT_TRUE(pixelNear(surface_, 1, 5, kRed));
  EXPECT_TRUE(pixelNear(surface_, 10, 5, {115, 0, 140, 255}, 6));  // 0.55 of the way at the pixel centre
  EXPECT_TRUE(pixelNear(surface_, 18, 5, kBlue));
  EXPECT_TRUE(pixelNear(surface_, 10, 15, kTransparent));

  context_.save();
  context_.clipToRect({0, 10, 20, 10});
  context_.drawRadialGradient(ramp, {10, 15}, 0, {10, 15}, 4);
  context_.restore();
  EXPECT_TRUE(pixelNear(surface_, 10, 15, {210, 0, 45, 255}, 8));
  EXPECT_TRUE(pixelNear(surface_, 1, 11, kBlue));

  testsupport::LogCapture quiet;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  context_.drawLinearGradient(ramp, {nan, 0}, {1, 1});
  context_.drawRadialGradient(ramp, {0, 0}, 0, {1, 1}, -1);
  EXPECT_EQ(quiet.lines().size(), 2u);
  EXPECT_TRUE(pixelNear(surface_, 1, 5, kRed));
}

TEST_F(DrawingFixture, RepeatsRecordedTiles)
{
  std::optional<pf::Surface> tile = pf::Surface::recording({10, 10});
  ASSERT_TRUE(tile);
  {
    pf::DrawingContext tileContext(*tile);
    tileContext.setFillColor(0, 0, 1, 1);
    tileContext.fillRect({0, 0, 5, 10});
    tileContext.fillRect({5, 0, 20, 10});  // beyond the tile: dropped
  }
  context_.drawTiledPattern(*tile, pf::AffineTransform::translation(2, 0));
  EXPECT_TRUE(pixelNear(surface_, 3, 5, kBlue));
  EXPECT_TRUE(pixelNear(surface_, 13, 5, kBlue));
  EXPECT_TRUE(pixelNear(surface_, 7, 5, kBlue));
  testsupport::LogCapture quiet;
  context_.drawTiledPattern(surface_, pf::AffineTransform());
  context_.drawTiledPattern(*tile, pf::AffineTransform::scaling(0, 1));
  EXPECT_EQ(quiet.lines().size(), 2u);
  EXPECT_FALSE(pf::Surface::recording({0, 10}));
}

TEST_F(DrawingFixture, DashesAndRefusesBadOnes)
{
  context_.setStrokeColor(0, 0, 1, 1);
  context_.setLineWidth(4);
  context_.setLineDash({4, 4}, 0);
  context_.strokePath(pf::Path().moveTo({0, 10}).lineTo({20, 10}));
  EXPECT_TRUE(pixelNear(surface_, 2, 10, kBlue));
  EXPECT_TRUE(pixelNear(surface_, 6, 10, kTransparent));
  testsupport::LogCapture quiet;
  context_.setLineDash({4, -1}, 0);  // solid again, logged
  context_.strokePath(pf::Path().moveTo({0, 4}).lineTo({20, 4}));
  EXPECT_TRUE(pixelNear(surface_, 6, 4, kBlue));
  EXPECT_EQ(quiet.lines().size(), 1u);
}

TEST_F(DrawingFixture, StartsOverAfterACairoFailure)
{
  QuietLog quiet;
  context_.save();
  context_.translate(5, 5);
  cairo_restore(context_.handle());  // behind the context's back: an unbalanced restore
  cairo_restore(context_.handle());  // Cairo is now in its permanent error state
  context_.setFillColor(1, 0, 0, 1);
  context_.fillRect({0, 0, 2, 2});  // fails, is logged, and the context starts over
  context_.restore();               // belongs to the lost state: ignored
  context_.fillRect({0, 0, 2, 2});
  EXPECT_TRUE(pixelNear(surface_, 1, 1, {0, 0, 0, 255}));  // identity again, default colour
  EXPECT_TRUE(pixelNear(surface_, 6, 6, kTransparent));
}

// Fills that wait to be drawn together must give exactly the pixels of fills drawn one by one:
// anti-aliased edges at fractional positions, curves, rotation, both fill rules, translucent
// colours, and shapes that overlap or share pixels (those must not be merged).
TEST(DeferredFills, DrawTheSamePixelsAsOrdinaryFills)
{
  struct Fill {
    pf::Path path;
    pf::AffineTransform transform;
    pf::FillRule rule;
    pf::Color color;
  };
  const pf::Path square = pf::Path().addRect({-3.5, -3.5, 7, 7});
  const pf::Path circle = pf::Path().addEllipse({-4.2, -3.1, 8.4, 6.2});
  pf::Path ring = pf::Path().addEllipse({-6, -6, 12, 12});
  ring.addEllipse({-3, -3, 6, 6});
  const pf::Color red = pf::Color::rgb(0.8, 0.2, 0.1);
  const pf::Color translucent = pf::Color::rgb(0.1, 0.3, 0.8, 0.5);
  std::vector<std::pair<const char*, std::vector<Fill>>> scenes;
  std::vector<Fill> grid;
  for (int i = 0; i < 30; ++i) {
    grid.push_back({square, pf::AffineTransform::translation(5.25 + (i % 6) * 10.3, 5.6 + (i / 6) * 9.7),
                    pf::FillRule::NonZero, i % 7 == 3 ? translucent : red});
  }
  scenes.emplace_back("grid, one colour change", grid);
  std::vector<Fill> shapes;
  for (int i = 0; i < 12; ++i) {
    const pf::AffineTransform t =
        pf::AffineTransform::translation(8.4 + (i % 4) * 15.1, 8.9 + (i / 4) * 16.3).rotated(0.37 * i).scaled(1.1, 0.8);
    shapes.push_back({i % 3 == 0 ? ring : circle, t, i % 2 == 0 ? pf::FillRule::EvenOdd : pf::FillRule::NonZero,
                      translucent});
  }
  scenes.emplace_back("curves, rotation, both rules", shapes);
  std::vector<Fill> touching;
  for (int i = 0; i < 10; ++i) {
    // Each overlaps or shares edge pixels with the one before.
    touching.push_back({square, pf::AffineTransform::translation(10.5 + i * (i % 2 == 0 ? 4.0 : 7.0), 20.25),
                        pf::FillRule::NonZero, translucent});
  }
  scenes.emplace_back("overlapping and abutting, translucent", touching);

  for (const auto& [name, fills] : scenes) {
    SCOPED_TRACE(name);
    pf::Surface ordinary = *pf::Surface::bitmap(70, 60);
    pf::Surface deferred = *pf::Surface::bitmap(70, 60);
    {
      pf::DrawingContext context(ordinary);
      for (const Fill& fill : fills) {
        const pf::DrawingContext::StateGuard guard(context);
        context.setTransform(fill.transform);
        context.setFillColor(fill.color);
        context.fillPath(fill.path, fill.rule);
      }
    }
    {
      pf::DrawingContext context(deferred);
      for (const Fill& fill : fills) {
        const pf::Rect box = fill.path.controlPointBounds()->applying(fill.transform).insetBy(-1, -1);
        ASSERT_TRUE(context.fillPathDeferred(fill.path, fill.transform, fill.rule, fill.color, box));
      }
    }
    ASSERT_EQ(std::memcmp(ordinary.bitmap()->data(), deferred.bitmap()->data(), ordinary.bitmap()->byteCount()), 0);
  }
}

// Axis-aligned rectangles are written into the pixels without Cairo (see fillBoxInPlace): they
// must come out exactly as Cairo's own fills, whatever the edges' fractions, the colour (opaque,
// translucent, almost clear or almost opaque), the pixels below (clear, cleared again, drawn
// over), the rectangle's turning sense and transformation (scaled, quarter-turned, or turned a
// little, which Cairo draws), partly off the surface, and on a band of rows with an offset.
TEST(DeferredFills, RectanglesMatchCairoPixelForPixel)
{
  struct Fill {
    pf::Path path;
    pf::AffineTransform transform;
    pf::Color color;
  };
  std::mt19937 random(20261211);
  const auto uniform = [&](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
  };
  const pf::Color colours[] = {pf::Color::rgb(0.8, 0.2, 0.1), pf::Color::rgb(0.1, 0.3, 0.8, 0.5),
                               pf::Color::rgb(0.9, 0.9, 0.2, 0.003), pf::Color::rgb(0.3, 0.6, 0.5, 0.998),
                               pf::Color::rgb(0.2, 0.7, 0.3, 0.27), pf::Color::rgb(1, 1, 1)};
  std::vector<Fill> fills;
  for (int i = 0; i < 400; ++i) {
    const double width = i % 9 == 0 ? uniform(0.01, 0.9) : uniform(0.3, 14);
    const double height = i % 11 == 0 ? uniform(0.01, 0.9) : uniform(0.3, 14);
    pf::Path path = pf::Path().addRect({-width / 2, -height / 2, width, height});
    if (i % 4 == 1) {
      // The other turning sense, closed by a line back to the start.
      path = pf::Path()
                 .moveTo({-width / 2, -height / 2})
                 .lineTo({-width / 2, height / 2})
                 .lineTo({width / 2, height / 2})
                 .lineTo({width / 2, -height / 2})
                 .lineTo({-width / 2, -height / 2})
                 .closeSubpath();
    }
    // Positions on Cairo's 1/256 grid now and then (ties of its rounding), else anywhere; some
    // partly off the 64 x 60 surface.
    const double x = i % 5 == 0 ? std::round(uniform(-4, 68) * 512) / 512 : uniform(-4, 68);
    const double y = i % 7 == 0 ? std::round(uniform(-4, 64) * 512) / 512 : uniform(-4, 64);
    pf::AffineTransform transform = pf::AffineTransform::translation(x, y);
    if (i % 3 == 0) {
      transform = transform.scaled(uniform(0.5, 2), uniform(0.5, 2));
    }
    if (i % 13 == 0) {
      transform = transform.rotated(std::numbers::pi / 2);
    } else if (i % 17 == 0) {
      transform = transform.rotated(0.3);
    }
    fills.push_back({std::move(path), transform, colours[static_cast<std::size_t>(i) % std::size(colours)]});
  }
  // Drawn onto the rows 10 to 69 of an 64 x 80 bitmap: from clear, cleared again half way, and
  // over a background that Cairo drew.
  for (const int start : {0, 1, 2}) {
    SCOPED_TRACE(start);
    auto ordinary = pf::Bitmap::create(64, 80);
    auto deferred = pf::Bitmap::create(64, 80);
    ASSERT_TRUE(ordinary && deferred);
    for (pf::Bitmap* bitmap : {&*ordinary, &*deferred}) {
      const bool byCairo = bitmap == &*ordinary;
      pf::Surface surface = pf::Surface::onBitmapRows(*bitmap, 10, 60);
      pf::DrawingContext context(surface);
      if (start == 2) {
        context.setFillColor(pf::Color::rgb(0.4, 0.5, 0.6, 0.6));
        context.fillRect({3.3, 12.7, 50.1, 40.2});
      }
      for (std::size_t index = 0; index < fills.size(); ++index) {
        if (start == 1 && index == fills.size() / 2) {
          context.clear();
        }
        const Fill& fill = fills[index];
        if (byCairo) {
          const pf::DrawingContext::StateGuard guard(context);
          context.setTransform(fill.transform);
          context.setFillColor(fill.color);
          context.fillPath(fill.path);
        } else {
          const pf::Rect box = fill.path.controlPointBounds()->applying(fill.transform).insetBy(-1, -1);
          ASSERT_TRUE(context.fillPathDeferred(fill.path, fill.transform, pf::FillRule::NonZero, fill.color, box));
        }
      }
    }
    for (int row = 0; row < 80; ++row) {
      ASSERT_EQ(std::memcmp(ordinary->row(row).data(), deferred->row(row).data(), 64 * 4), 0) << "row " << row;
    }
  }
}

TEST(DeferredFills, AreDrawnBeforeTheStateChangesAndNotOnVectorSurfaces)
{
  const pf::Path square = pf::Path().addRect({0, 0, 10, 10});
  const pf::Color red = pf::Color::rgb(1, 0, 0);
  pf::Surface surface = *pf::Surface::bitmap(20, 20);
  pf::DrawingContext context(surface);
  context.translate(2, 0);
  ASSERT_TRUE(context.fillPathDeferred(square, pf::AffineTransform::translation(5, 5), pf::FillRule::NonZero, red,
                                       {4, 4, 12, 12}));
  // The transformation the context reports is its own, not the waiting fill's.
  EXPECT_EQ(context.transform(), pf::AffineTransform::translation(2, 0));
  // A clip made afterwards does not cut the waiting fill, and later drawing keeps the
  // context's transformation.
  context.clipToRect({0, 0, 3, 3});
  EXPECT_TRUE(pixelNear(surface, 10, 10, kRed));
  context.setFillColor(0, 0, 1, 1);
  context.fillRect({-2, 0, 20, 20});
  EXPECT_TRUE(pixelNear(surface, 3, 1, kBlue));
  EXPECT_TRUE(pixelNear(surface, 1, 1, kTransparent));
  EXPECT_TRUE(pixelNear(surface, 4, 4, kTransparent));

  // Refused, drawing nothing: what the ordinary calls refuse, and a box that is not finite.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  pf::Surface other = *pf::Surface::bitmap(20, 20);
  pf::DrawingContext fresh(other);
  EXPECT_FALSE(fresh.fillPathDeferred(square, pf::AffineTransform(0, 0, 0, 0, 1, 1), pf::FillRule::NonZero, red,
                                      {0, 0, 10, 10}));
  EXPECT_FALSE(fresh.fillPathDeferred(pf::Path().addRect({0, 0, nan, 1}), {}, pf::FillRule::NonZero, red,
                                      {0, 0, 10, 10}));
  EXPECT_FALSE(fresh.fillPathDeferred(square, {}, pf::FillRule::NonZero, red, {0, 0, nan, 10}));
  fresh.flushFills();
  EXPECT_TRUE(pixelNear(other, 5, 5, kTransparent));
  std::optional<pf::Surface> pdf = pf::Surface::pdf({20, 20});
  ASSERT_TRUE(pdf);
  pf::DrawingContext vector(*pdf);
  EXPECT_FALSE(vector.fillPathDeferred(square, {}, pf::FillRule::NonZero, red, {0, 0, 10, 10}));
}

TEST(DrawingSurface, WritesPdfPagesOfTheGivenSize)
{
  auto surface = pf::Surface::pdf({200, 100});
  ASSERT_TRUE(surface.has_value());
  {
    pf::DrawingContext context(*surface);
    EXPECT_FALSE(context.isRaster());
    context.setFillColor(1, 0, 0, 1);
    context.fillRect({0, 0, 100, 50});  // top-left quarter
    auto bitmap = pf::Bitmap::create(1, 1);
    bitmap->setPixel(0, 0, kBlue);
    context.drawBitmap(*bitmap, {100, 50, 100, 50}, 1.0);  // bottom-right quarter
  }
  ASSERT_TRUE(surface->finish());
  const auto document = pf::PdfDocument::fromData(surface->data());
  ASSERT_NE(document, nullptr);
  ASSERT_EQ(document->pageCount(), 1);
  EXPECT_EQ(*document->pageSize(0), pf::Size(200, 100));

  // Read back by drawing the page upright into pixels.
  auto pixels = pf::Surface::bitmap(200, 100);
  {
    pf::DrawingContext context(*pixels);
    context.setTransform({1, 0, 0, -1, 0, 100});
    context.drawPdfPage(*document, 0, {0, 0, 200, 100}, 1.0);
  }
  EXPECT_TRUE(pixelNear(*pixels, 20, 20, kRed));
  EXPECT_TRUE(pixelNear(*pixels, 180, 80, kBlue));
  EXPECT_TRUE(pixelNear(*pixels, 180, 20, kTransparent));
}

TEST(DrawingSurface, EpsBoundingBoxIsThePage)
{
  auto surface = pf::Surface::eps({200, 100});
  ASSERT_TRUE(surface.has_value());
  {
    pf::DrawingContext context(*surface);
    context.fillRect({10, 10, 20, 20});
  }
  ASSERT_TRUE(surface->finish());
  const std::string text(surface->data().begin(), surface->data().end());
  EXPECT_EQ(text.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
  EXPECT_NE(text.find("%%BoundingBox: 0 0 200 100\n"), std::string::npos);
  EXPECT_EQ(text.find("%%BoundingBox: 10"), std::string::npos);
}

TEST(DrawingSurface, RefusesBadSizesAndUnwritableFiles)
{
  QuietLog quiet;
  EXPECT_FALSE(pf::Surface::pdf({0, 100}).has_value());
  EXPECT_FALSE(pf::Surface::eps({std::numeric_limits<double>::quiet_NaN(), 10}).has_value());
  EXPECT_FALSE(pf::Surface::bitmap(0, 5).has_value());
  EXPECT_FALSE(pf::Surface::bitmap(40000, 40000).has_value());

  auto surface = pf::Surface::pdfFile("/nonexistent-folder/out.pdf", {10, 10});
  ASSERT_TRUE(surface.has_value());
  EXPECT_FALSE(surface->finish());
  EXPECT_FALSE(surface->finish());  // twice
}

TEST(DrawingSurface, HandsItsPixelsBackWithoutACopy)
{
  auto surface = pf::Surface::bitmap(4, 3);
  ASSERT_TRUE(surface.has_value());
  const std::uint32_t* memory = surface->bitmap()->data();
  {
    pf::DrawingContext context(*surface);
    context.setFillColor(pf::Color::rgb(0, 0, 1));
    context.fillRect({0, 0, 2, 3});
  }
  std::optional<pf::Bitmap> pixels = std::move(*surface).takeBitmap();
  ASSERT_TRUE(pixels.has_value());
  EXPECT_EQ(pixels->data(), memory);
  EXPECT_EQ(pixels->pixel(1, 1), (Rgba8{0, 0, 255, 255}));
  EXPECT_EQ(pixels->pixel(3, 1), (Rgba8{0, 0, 0, 0}));

  // Drawn into again through a new surface on the same memory.
  pf::Surface again = pf::Surface::onBitmap(std::move(*pixels));
  EXPECT_EQ(again.bitmap()->data(), memory);
  EXPECT_FALSE(std::move(*pf::Surface::pdf({10, 10})).takeBitmap().has_value());
}

TEST(DrawingSurface, BandsOfOneBitmapDrawTheWholePicture)
{
  // An anti-aliased circle and a rotated square across band edges, drawn whole and in bands of
  // 7, 6 and 7 rows (each band on a surface and a context of its own): the same pixels.
  const auto draw = [](pf::DrawingContext& context) {
    context.setFillColor(1, 0, 0, 0.8);
    context.fillPath(pf::Path().addEllipse({2.3, 3.1, 14.2, 13.7}));
    context.rotate(0.4);
    context.setFillColor(0, 0, 1, 0.5);
    context.fillRect({8, 2, 9, 9});
  };
  auto whole = pf::Bitmap::create(20, 20);
  auto banded = pf::Bitmap::create(20, 20);
  ASSERT_TRUE(whole && banded);
  {
    pf::Surface surface = pf::Surface::onBitmapRows(*whole, 0, 20);
    pf::DrawingContext context(surface);
    draw(context);
  }
  for (const auto& [first, rows] : {std::pair{0, 7}, std::pair{7, 6}, std::pair{13, 7}}) {
    pf::Surface surface = pf::Surface::onBitmapRows(*banded, first, rows);
    EXPECT_EQ(surface.bitmap(), nullptr);  // not the surface's own pixels
    pf::DrawingContext context(surface);
    draw(context);
    surface.flush();
  }
  EXPECT_EQ(std::memcmp(whole->data(), banded->data(), whole->byteCount()), 0);

  // Rows outside the bitmap are cut off; a band with none left draws nothing.
  for (const auto& [first, rows] : {std::pair{18, 10}, std::pair{-5, 7}, std::pair{25, 3}, std::pair{4, -1}}) {
    SCOPED_TRACE(first);
    auto bitmap = pf::Bitmap::create(20, 20);
    pf::Surface surface = pf::Surface::onBitmapRows(*bitmap, first, rows);
    pf::DrawingContext context(surface);
    context.setFillColor(pf::Color::rgb(0, 0, 1));
    context.fillRect({0, -100, 20, 300});
    surface.flush();
    const int from = std::clamp(first, 0, 20);
    const int to = std::clamp(first + std::max(rows, 0), 0, 20);
    for (int y = 0; y < 20; ++y) {
      EXPECT_EQ(bitmap->pixel(10, y).alpha, (y >= from && y < to) ? 255 : 0) << y;
    }
  }
}

TEST(DrawingSurface, WritesFilesOnlyWhenFinished)
{
  const std::string path = ::testing::TempDir() + "drawing-surface-test.pdf";
  std::remove(path.c_str());
  {
    auto unfinished = pf::Surface::pdfFile(path, {10, 10});
    ASSERT_TRUE(unfinished.has_value());
  }
  EXPECT_NE(::access(path.c_str(), F_OK), 0);
  auto surface = pf::Surface::pdfFile(path, {10, 10});
  ASSERT_TRUE(surface->finish());
  EXPECT_EQ(::access(path.c_str(), F_OK), 0);
  std::remove(path.c_str());
}

}  // namespace
