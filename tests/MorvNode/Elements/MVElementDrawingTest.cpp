// Pixel tests of how paths and groups draw: fills and fill rules, strokes in device space,
// clips, blend modes, opacity, skipped transforms and the selection overlay.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "RenderTestSupport.h"

namespace {

using rendertest::kBlue;
using rendertest::kRed;
using rendertest::kTransparent;
using rendertest::makeGroup;
using rendertest::makePath;
using rendertest::makeRect;
using rendertest::pixelNear;
using rendertest::renderTree;
using rendertest::Rgba8;

class ElementDrawing : public ::testing::Test {
protected:
  rendertest::TestDefaults defaults_;
};

TEST_F(ElementDrawing, FillsWhereThePathIsUnderItsTransform)
{
  // A 10 x 10 square turned by 45 degrees about its centre at (20, 20), drawn at scale 2.
  auto square = makePath(MVElementPath::cgPathForSquareWithSide(10), {20, 20}, pf::Color::rgb(1, 0, 0));
  square->rotate(45);
  const auto bitmap = renderTree(square, 40, 40, 2.0);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->width(), 80);
  EXPECT_TRUE(pixelNear(*bitmap, 40, 40, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 40, 29, kRed));  // the turned square reaches 7.07 units up
  EXPECT_TRUE(pixelNear(*bitmap, 30, 30, kTransparent));  // the unturned corner stays empty
  EXPECT_TRUE(pixelNear(*bitmap, 5, 5, kTransparent));
}

TEST_F(ElementDrawing, FillRuleDecidesTheHole)
{
  pf::Path rings;
  rings.addRect({0, 0, 20, 20}).addRect({5, 5, 10, 10});  // both turn the same way
  for (const bool evenOdd : {false, true}) {
    SCOPED_TRACE(evenOdd ? "even-odd" : "non-zero");
    auto element = makePath(rings, {0, 0}, pf::Color::rgb(0, 0, 1));
    element->setEvenOddFillMode(evenOdd);
    const auto bitmap = renderTree(element, 20, 20);
    EXPECT_TRUE(pixelNear(*bitmap, 2, 2, kBlue));
    EXPECT_TRUE(pixelNear(*bitmap, 10, 10, evenOdd ? kTransparent : kBlue));
  }
}

TEST_F(ElementDrawing, StrokeWidthIsInDeviceUnitsWhateverTheElementScale)
{
  // A horizontal line scaled by 4, stroke width 2 at display scale 3: 6 device pixels wide.
  auto line = makePath(MVElementPath::cgPathForLineFromX(-5, 0, 5, 0), {20, 20}, std::nullopt);
  line->setFillOpacity(0);
  line->setStrokeWidth(2);
  line->setStrokeColor(pf::Color::rgb(1, 0, 0));
  line->scaleX(4, 4);
  const auto bitmap = renderTree(line, 50, 50, 3.0);
  ASSERT_EQ(bitmap->width(), 150);
  // The line lies at y = 60 device pixels and reaches from x = 0 to 120.
  EXPECT_TRUE(pixelNear(*bitmap, 60, 57, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 60, 62, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 60, 56, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 60, 63, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 122, 60, kTransparent));  // butt cap
}

TEST_F(ElementDrawing, HugeStrokeWidthsStillCoverTheArea)
{
  // Cairo drops or cuts strokes some hundred thousand device pixels wide; such a stroke must
  // cover the whole area as the SVG export draws it.
  for (const double width : {1.0e6, 2.0e6, 1.0e300, HUGE_VAL}) {
    SCOPED_TRACE(width);
    auto line = makePath(MVElementPath::cgPathForLineFromX(0, 0, 50, 50), {}, std::nullopt);
    line->setClosedPath(false);
    line->setFillOpacity(0);
    line->setStrokeWidth(width);
    line->setStrokeColor(pf::Color::rgb(1, 0, 0));
    line->setStrokeEndCap(2);
    const auto bitmap = renderTree(line, 100, 100);
    for (const pf::Point p : {pf::Point(25, 25), pf::Point(99, 0), pf::Point(0, 99), pf::Point(99, 99)}) {
      EXPECT_TRUE(pixelNear(*bitmap, static_cast<int>(p.x), static_cast<int>(p.y), kRed));
    }
  }
}

TEST_F(ElementDrawing, StrokeWidthFollowsTheBackingScale)
{
  auto line = makePath(MVElementPath::cgPathForLineFromX(0, 10, 20, 10), {0, 0}, std::nullopt);
  line->setFillOpacity(0);
  line->setStrokeWidth(1);
  line->setStrokeColor(pf::Color::rgb(1, 0, 0));
  // Display scale 2 on a backing scale of 2: 4 device pixels per unit, a 4-pixel line at y = 40.
  const auto bitmap = renderTree(line, 20, 20, 2.0, 2.0);
  ASSERT_EQ(bitmap->width(), 80);
  EXPECT_TRUE(pixelNear(*bitmap, 40, 38, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 40, 41, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 40, 37, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 40, 42, kTransparent));
}

TEST_F(ElementDrawing, GroupsClipTheirChildrenWithTheEvenOddRule)
{
  pf::Path clip;
  clip.addRect({0, 0, 20, 20}).addRect({5, 5, 10, 10});
  auto group = makeGroup({makeRect({0, 0, 30, 30}, pf::Color::rgb(1, 0, 0))});
  group->setClipPath(std::make_shared<const pf::Path>(clip));
  const auto bitmap = renderTree(group, 30, 30);
  EXPECT_TRUE(pixelNear(*bitmap, 2, 2, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 10, 10, kTransparent));  // the hole
  EXPECT_TRUE(pixelNear(*bitmap, 25, 25, kTransparent));  // outside the clip
}

TEST_F(ElementDrawing, GroupTransformCarriesChildrenAndClip)
{
  // The group moves by (10, 0) and doubles about its pivot (5, 5): clip and child follow.
  auto group = makeGroup({makeRect({0, 0, 10, 10}, pf::Color::rgb(0, 0, 1))});
  group->setClipPath(std::make_shared<const pf::Path>(pf::Path().addRect({0, 0, 10, 5})));
  group->setArrayPivotX(5);
  group->setArrayPivotY(5);
  group->setPositionX(10, 0);
  group->scaleX(2, 2);
  const auto bitmap = renderTree(group, 40, 20);
  // A point p goes to pivot + position + 2 (p - pivot): the child spans x 5..25, y -5..15, and
  // the clip keeps y -5..5.
  EXPECT_TRUE(pixelNear(*bitmap, 6, 2, kBlue));
  EXPECT_TRUE(pixelNear(*bitmap, 23, 3, kBlue));
  EXPECT_TRUE(pixelNear(*bitmap, 12, 7, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 4, 2, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 26, 2, kTransparent));
}

TEST_F(ElementDrawing, ClipsGrowByOneDevicePixelWhenThePreferenceAsks)
{
  const auto clippedSquare = [] {
    auto group = makeGroup({makeRect({0, 0, 20, 20}, pf::Color::rgb(1, 0, 0))});
    group->setClipPath(std::make_shared<const pf::Path>(pf::Path().addRect({0, 0, 10, 10})));
    return group;
  };
  const auto exact = renderTree(clippedSquare(), 20, 20);
  EXPECT_TRUE(pixelNear(*exact, 10, 5, kTransparent));

  defaults_.defaults().setBool("Clipping rendering sub-pixel overlaps", true);
  // Scale 1 + (1 / 10) / 1 about the centre: the clip spans -0.5 ..10.5, half of column 10.
  const auto grown = renderTree(clippedSquare(), 20, 20);
  EXPECT_TRUE(pixelNear(*grown, 10, 5, Rgba8{255, 0, 0, 128}, 6));
  EXPECT_TRUE(pixelNear(*grown, 11, 5, kTransparent));
}

TEST_F(ElementDrawing, BlendModesByElementCode)
{
  // An orange square over a dark grey background (0.25).
  const struct {
    int code;
    Rgba8 expected;
  } cases[] = {
      {-1, {255, 128, 0, 255}},   // normal
      {0, {255, 128, 0, 255}},    // normal
      {1, {64, 32, 0, 255}},      // multiply
      {2, {255, 159, 64, 255}},   // screen
      {3, {128, 64, 0, 255}},     // overlay
      {4, {64, 64, 0, 255}},      // darken
      {5, {255, 128, 64, 255}},   // lighten
      {6, {191, 64, 64, 255}},    // difference
      {7, {64, 64, 64, 255}},     // saturation of a grey backdrop: grey
      {8, {107, 54, 0, 255}},     // color: the square's hue and saturation at the grey's luminosity
      {9, {152, 152, 152, 255}},  // luminosity: the grey at the square's luminosity
      {12, {255, 128, 0, 255}},   // 10 and above keep the enclosing mode (normal here)
  };
  for (const auto& blend : cases) {
    SCOPED_TRACE(blend.code);
    auto square = makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0.5, 0));
    square->setBlendMode(blend.code);
    const auto bitmap = renderTree(square, 10, 10, 1.0, 1.0, pf::Color::grey(0.25));
    EXPECT_TRUE(pixelNear(*bitmap, 5, 5, blend.expected, 5));
  }
}

TEST_F(ElementDrawing, StrokesKeepTheElementsBlendMode)
{
  auto line = makePath(MVElementPath::cgPathForLineFromX(0, 5, 10, 5), {0, 0}, std::nullopt);
  line->setFillOpacity(0);
  line->setStrokeWidth(4);
  line->setStrokeColor(pf::Color::rgb(1, 0.5, 0));
  line->setBlendMode(1);  // multiply
  const auto bitmap = renderTree(line, 10, 10, 1.0, 1.0, pf::Color::grey(0.25));
  EXPECT_TRUE(pixelNear(*bitmap, 5, 5, Rgba8{64, 32, 0, 255}, 5));
}

TEST_F(ElementDrawing, OpacitiesAreTheAlphaOfFillAndStroke)
{
  auto square = makeRect({0, 0, 20, 20}, pf::Color::rgb(1, 0, 0));
  square->setFillOpacity(0.5);
  square->setStrokeWidth(4);
  square->setStrokeOpacity(0.25);
  square->setStrokeColor(pf::Color::rgb(0, 0, 1));
  const auto bitmap = renderTree(square, 20, 20, 1.0, 1.0, pf::Color::white());
  EXPECT_TRUE(pixelNear(*bitmap, 10, 10, Rgba8{255, 128, 128, 255}));
  // The stroke straddles the edge: outside it is blue at 0.25 over white.
  EXPECT_TRUE(pixelNear(*bitmap, 10, 0, Rgba8{191, 96, 159, 255}, 6));
}

TEST_F(ElementDrawing, InvisibleElementsDrawNothing)
{
  auto noOpacity = makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0, 0));
  noOpacity->setFillOpacity(0);
  auto collapsed = makeRect({10, 0, 10, 10}, pf::Color::rgb(1, 0, 0));
  collapsed->scaleX(0, 1);  // a zero scale leaves only a stroke to draw, and there is none
  MVElementRenderer renderer;
  renderer.setInputRenderingElement(makeGroup({noOpacity, collapsed}));
  renderer.setRenderingSize(20, 10);
  renderer.startRendering();
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 5, 5, kTransparent));
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 15, 5, kTransparent));
  EXPECT_EQ(renderer.numberOfRenderedElements(), 0);  // only drawn leaves count
}

TEST_F(ElementDrawing, ElementsWithUnusableTransformsAreSkippedAndTheRestDrawn)
{
  rendertest::QuietLog log;
  auto broken = makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0, 0));
  broken->setTransformStack(MVTransformStack{{MVTransformKind::Scale, std::numeric_limits<double>::quiet_NaN(), 1}});
  auto huge = makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0, 0));
  huge->setTransformStack(MVTransformStack{{MVTransformKind::Scale, 1e300, 1e300}, {MVTransformKind::Scale, 1e300, 1}});
  auto fine = makeRect({10, 0, 10, 10}, pf::Color::rgb(0, 0, 1));
  MVElementRenderer renderer;
  renderer.setRenderingThreadName("Test");
  renderer.setInputRenderingElement(makeGroup({broken, huge, fine}));
  renderer.setRenderingSize(20, 10);
  renderer.startRendering();
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 5, 5, kTransparent));
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 15, 5, kBlue));
  EXPECT_EQ(log.count("Warning, render 'Test' skipped 2 elements whose transform is not finite and invertible"), 1);

  // The context survives: a second pass on the same renderer draws again.
  renderer.startRendering();
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 15, 5, kBlue));
}

TEST_F(ElementDrawing, ReleasedPathsDrawNothing)
{
  rendertest::QuietLog log;
  auto square = makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0, 0));
  square->releaseResources();
  const auto bitmap = renderTree(square, 10, 10);
  EXPECT_TRUE(pixelNear(*bitmap, 5, 5, kTransparent));
  EXPECT_EQ(log.countContaining("Warning, tried to render released element <MVElementPath"), 1);
}

TEST_F(ElementDrawing, SelectionOutlinesOnlyTheSelectedNodesElements)
{
  auto selected = makeRect({2, 2, 10, 10}, pf::Color::rgb(1, 0, 0));
  selected->addNodeToHistory("7");
  auto other = makeRect({20, 2, 10, 10}, pf::Color::rgb(1, 0, 0));
  other->addNodeToHistory("8");
  MVElementRenderer renderer;
  renderer.setInputRenderingElement(makeGroup({selected, other}));
  renderer.setRenderingSize(40, 20);
  renderer.setDisplayScale(2);
  renderer.setSelectedNodeIDs({"7"});
  renderer.setSelectionOutlineColor(pf::Color::rgb(0, 0, 1));
  renderer.startRenderingSelection();
  const auto bitmap = renderer.outputBitmap();
  ASSERT_NE(bitmap, nullptr);
  // Outlines are 1.5 device pixels wide on the element's edge (x = 4 device pixels).
  EXPECT_EQ(bitmap->pixel(4, 10).blue, 255);
  EXPECT_GT(bitmap->pixel(4, 10).alpha, 150);
  EXPECT_TRUE(pixelNear(*bitmap, 14, 14, kTransparent));  // inside: no fill in the overlay
  EXPECT_TRUE(pixelNear(*bitmap, 40, 10, kTransparent));  // the other node's element
  EXPECT_TRUE(pixelNear(*bitmap, 0, 10, kTransparent));   // the artboard is not selected

  renderer.setArtboardSelected(true);
  renderer.startRenderingSelection();
  EXPECT_GT(renderer.outputBitmap()->pixel(0, 10).alpha, 150);
}

}  // namespace
