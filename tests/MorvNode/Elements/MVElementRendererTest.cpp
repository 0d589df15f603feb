#include "MorvNode/Elements/MVElementRenderer.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/ElementRenderer.h"
#include "MorvNode/Elements/MVElementRendererDelegate.h"
#include "Platform/DrawingContext.h"
#include "Platform/Ghostscript.h"
#include "Platform/Image.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PdfDocument.h"
#include "Platform/Surface.h"
#include "Platform/WorkQueue.h"
#include "RenderTestSupport.h"

namespace {

using rendertest::kBlue;
using rendertest::kGreen;
using rendertest::kRed;
using rendertest::kTransparent;
using rendertest::kWhite;
using rendertest::makePath;
using rendertest::makeGroup;
using rendertest::makeRect;
using rendertest::pixelNear;
using rendertest::Rgba8;

class ElementRendererTest : public ::testing::Test {
protected:
  rendertest::TestDefaults defaults_;
};

TEST(ElementRendererSizes, PixelSizeRoundsHalvesAwayFromZero)
{
  const struct {
    double width, height, displayScale, retina;
    long pixelWidth, pixelHeight;
  } cases[] = {
      {300, 200, 1.5, 2, 900, 600},
      {3, 3, 0.5, 1, 2, 2},  // 1.5 rounds to 2
      {10, 0.2, 1, 1, 10, 0},
      {std::numeric_limits<double>::quiet_NaN(), 5, 1, 1, 0, 5},
  };
  for (const auto& size : cases) {
    SCOPED_TRACE(size.width);
    EXPECT_EQ(MVElementRenderer::pixelSize(size.width, size.height, size.displayScale, size.retina),
              std::make_pair(size.pixelWidth, size.pixelHeight));
  }
}

TEST_F(ElementRendererTest, ScalesAsElementsSeeThem)
{
  MVElementRenderer renderer;
  renderer.setDisplayScale(2);
  renderer.setRetinaScaling(2);
  EXPECT_EQ(renderer.renderingScale(), 2);
  EXPECT_EQ(renderer.strokeRenderingScale(), 4);
  EXPECT_EQ(renderer.description(), "<MVElementRenderer 'Untitled'>");
}

TEST_F(ElementRendererTest, UnusablePixelSizesAreLoggedAndThePassEnds)
{
  rendertest::QuietLog log;
  MVElementRenderer renderer;
  renderer.setRenderingThreadName("Thumb");
  renderer.setInputRenderingElement(makeRect({0, 0, 5, 5}, pf::Color::rgb(1, 0, 0)));
  renderer.setRenderingSize(0, 10);
  renderer.startRendering();
  EXPECT_FALSE(renderer.rendererBusyFlag());
  EXPECT_EQ(renderer.outputBitmap(), nullptr);
  EXPECT_EQ(log.count("Warning, render 'Thumb' starting with bad size: 0 x 10 "), 1);
  EXPECT_EQ(log.count("renderThread 'Thumb' renderElements, without valid cgContext"), 1);

  // Beyond the bitmap cap: refused with a line, no allocation, the pass still ends.
  renderer.setRenderingSize(1e6, 1e6);
  renderer.startRendering();
  EXPECT_FALSE(renderer.rendererBusyFlag());
  EXPECT_EQ(renderer.outputBitmap(), nullptr);
  EXPECT_EQ(log.count("Error, rendering thread 'Thumb' failed to create NSBitmapImageRep 1000000 x1000000 "), 1);

  renderer.setRenderingSize(10, 10);
  renderer.startRendering();
  ASSERT_NE(renderer.outputBitmap(), nullptr);
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 2, 2, kRed));
}

TEST_F(ElementRendererTest, FitShrinksAndCentresLargeTreesOnly)
{
  MVElementRenderer renderer;
  renderer.setInputRenderingElement(makeRect({0, 0, 200, 100}, pf::Color::rgb(1, 0, 0)));
  renderer.setRenderingSize(50, 50);
  renderer.setScaleElementsDownToFit(true);
  renderer.startRendering();
  EXPECT_DOUBLE_EQ(renderer.elementFitScale(), 46.0 / 200);
  // The tree spans x 2..48 and y 13.5..36.5.
  const auto bitmap = renderer.outputBitmap();
  EXPECT_TRUE(pixelNear(*bitmap, 3, 25, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 47, 25, kRed));
  EXPECT_TRUE(pixelNear(*bitmap, 1, 25, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 25, 12, kTransparent));
  EXPECT_TRUE(pixelNear(*bitmap, 25, 37, kTransparent));
  // The caller's zoom stays as it was set: a second pass fits the same way.
  EXPECT_EQ(renderer.displayScale(), 1);
  renderer.startRendering();
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 47, 25, kRed));

  renderer.setInputRenderingElement(makeRect({10, 10, 20, 20}, pf::Color::rgb(1, 0, 0)));
  renderer.startRendering();
  EXPECT_EQ(renderer.elementFitScale(), 1);
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 25, 25, kRed));  // centred: 15..35
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 13, 25, kTransparent));
}

TEST_F(ElementRendererTest, BackgroundFillsOrClearsTheReusedBuffer)
{
  MVElementRenderer renderer;
  renderer.setRenderingSize(10, 10);
  renderer.setInputRenderingElement(makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0, 0)));
  renderer.startRendering();
  const std::uint32_t* firstBuffer = renderer.outputBitmap()->data();

  // Nobody holds the result: the next pass draws into the same memory, cleared first.
  renderer.setInputRenderingElement(makeRect({0, 0, 5, 5}, pf::Color::rgb(0, 0, 1)));
  renderer.startRendering();
  auto held = renderer.outputBitmap();
  EXPECT_EQ(held->data(), firstBuffer);
  EXPECT_TRUE(pixelNear(*held, 2, 2, kBlue));
  EXPECT_TRUE(pixelNear(*held, 7, 7, kTransparent));

  // A held result stays as it is; the pass draws into a new buffer, over a half-opaque background.
  renderer.setBackgroundColor(pf::Color::rgb(0, 1, 0));
  renderer.setDrawBackgroundFlag(true);
  renderer.setBackgroundOpacity(0.5);
  renderer.setInputRenderingElement(nullptr);
  renderer.startRendering();
  EXPECT_NE(renderer.outputBitmap()->data(), held->data());
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 7, 7, Rgba8{0, 255, 0, 128}));
  EXPECT_TRUE(pixelNear(*held, 2, 2, kBlue));

  renderer.setDrawBackgroundFlag(false);
  renderer.startRendering();
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 7, 7, kTransparent));
  ASSERT_TRUE(renderer.outputImage());
  EXPECT_EQ(renderer.outputImage()->size(), pf::Size(10, 10));
}

// ---- Export

std::shared_ptr<MVElement> exportTree()
{
  // Red top-left quarter, blue bottom-right quarter of a 100 x 60 artboard.
  return makeGroup({makeRect({0, 0, 50, 30}, pf::Color::rgb(1, 0, 0)), makeRect({50, 30, 50, 30}, pf::Color::rgb(0, 0, 1))});
}

void expectExportedPage(const pf::PdfDocument& document, double scale)
{
  ASSERT_EQ(document.pageCount(), 1);
  EXPECT_EQ(*document.pageSize(0), pf::Size(100 * scale, 60 * scale));
  const std::optional<pf::Bitmap> page = pf::Image(*document.pageSize(0), {pf::Image::PdfRepresentation{
                                                                               std::shared_ptr<const pf::PdfDocument>(
                                                                                   &document, [](const auto*) {}),
                                                                               0}})
                                             .renderedBitmap(1.0 / scale);
  ASSERT_TRUE(page);
  EXPECT_TRUE(pixelNear(*page, 10, 10, kRed));
  EXPECT_TRUE(pixelNear(*page, 90, 50, kBlue));
  EXPECT_TRUE(pixelNear(*page, 90, 10, Rgba8{255, 255, 255, 255}));  // the background
}

TEST_F(ElementRendererTest, ExportsAPdfPageOfTheArtboardSize)
{
  MVElementRenderer renderer;
  renderer.setInputRenderingElement(exportTree());
  renderer.setRenderingSize(100, 60);
  renderer.setDisplayScale(2);
  renderer.setRetinaScaling(2);  // not used for export
  renderer.setBackgroundColor(pf::Color::white());
  renderer.setDrawBackgroundFlag(true);
  renderer.setBackgroundOpacity(1);
  const auto pdf = renderer.renderDocument(pf::Surface::Kind::Pdf);
  ASSERT_TRUE(pdf);
  const auto document = pf::PdfDocument::fromData(*pdf);
  ASSERT_NE(document, nullptr);
  expectExportedPage(*document, 2);
  EXPECT_FALSE(renderer.rendererBusyFlag());
  EXPECT_EQ(renderer.numberOfRenderedElements(), 2);
}

TEST_F(ElementRendererTest, ExportsEpsThatReadsBackAtTheArtboardSize)
{
  if (!pf::Ghostscript::isAvailable()) {
    GTEST_SKIP() << "gs is not installed";
  }
  MVElementRenderer renderer;
  renderer.setInputRenderingElement(exportTree());
  renderer.setRenderingSize(100, 60);
  renderer.setBackgroundColor(pf::Color::white());
  renderer.setDrawBackgroundFlag(true);
  renderer.setBackgroundOpacity(1);
  const auto eps = renderer.renderDocument(pf::Surface::Kind::Eps);
  ASSERT_TRUE(eps);
  const auto image = pf::Image::fromEps(*eps);
  ASSERT_TRUE(image);
  ASSERT_NE(image->vectorDocument(), nullptr);
  expectExportedPage(*image->vectorDocument(), 1);
}

TEST_F(ElementRendererTest, ExportClipsTreesThatLeaveTheArtboard)
{
  // A larger target shows what an export pass draws beyond the artboard (20 x 20).
  const auto exportInto = [](std::shared_ptr<MVElement> tree) {
    auto surface = pf::Surface::bitmap(40, 40);
    {
      pf::DrawingContext context(*surface);
      MVElementRenderer renderer;
      renderer.setExportMode(true);
      renderer.setExportContext(&context);
      renderer.setRenderingSize(20, 20);
      renderer.setInputRenderingElement(std::move(tree));
      renderer.startRendering();
      EXPECT_FALSE(renderer.rendererBusyFlag());
    }
    return *surface->bitmap();
  };
  const pf::Bitmap outside = exportInto(makeRect({0, 0, 30, 30}, pf::Color::rgb(1, 0, 0)));
  EXPECT_TRUE(pixelNear(outside, 15, 15, kRed));
  EXPECT_TRUE(pixelNear(outside, 25, 15, kTransparent));

  // A tree inside the artboard is left unclipped (a child group's own drawing is not affected).
  auto inside = makeGroup({makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0, 0))});
  EXPECT_TRUE(pixelNear(exportInto(inside), 5, 5, kRed));

  defaults_.defaults().setBool("Copy always include clipping rect", true);
  const pf::Bitmap always = exportInto(makeRect({0, 0, 30, 30}, pf::Color::rgb(1, 0, 0)));
  EXPECT_TRUE(pixelNear(always, 25, 15, kTransparent));
}

TEST_F(ElementRendererTest, ExportWithoutContextLogsAndClearsBusy)
{
  rendertest::QuietLog log;
  MVElementRenderer renderer;
  renderer.setExportMode(true);
  renderer.setRenderingSize(10, 10);
  renderer.setInputRenderingElement(makeRect({0, 0, 10, 10}, pf::Color::rgb(1, 0, 0)));
  renderer.startRendering();
  EXPECT_EQ(log.count("rendering in export mode, no printOperation!"), 1);
  EXPECT_EQ(log.count("ERROR, could not get a graphics context, aborting redering!"), 1);
  EXPECT_FALSE(renderer.rendererBusyFlag());

  renderer.setExportMode(false);
  renderer.startRendering();
  EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 5, 5, kRed));
}

// ---- Passes in bands

// Artwork that crosses band edges in every way a pass draws: translucent and blended fills,
// strokes with mitred points, rotated and scaled paths, a group clipped to a circle, a leaf with
// nothing to draw, and leaves wholly outside the artboard.
std::shared_ptr<MVElementGroup> bandedArtwork()
{
  std::vector<std::shared_ptr<MVElement>> leaves;
  for (int i = 0; i < 60; ++i) {
    const double x = 15 + (i * 37) % 270;
    const double y = 10 + (i * 53) % 480;
    auto leaf = makePath(i % 3 == 0 ? MVElementPath::cgPathForCircleWithRadius(6 + i % 7)
                                    : MVElementPath::cgPathForRectangleWithWidth(9 + i % 5, 14),
                         {x, y}, pf::Color::rgb((i % 5) / 4.0, (i % 3) / 2.0, 1 - (i % 7) / 6.0));
    leaf->setFillOpacity(i % 4 == 0 ? 0.6 : 1.0);
    leaf->setBlendMode(i % 6);
    if (i % 5 == 0) {
      leaf->rotate(17.0 * i);
      leaf->scaleX(1.5, 0.7);
    }
    if (i % 4 == 1) {
      leaf->setStrokeWidth(3 + i % 4);
      leaf->setStrokeColor(pf::Color::rgb(0.2, 0.1, 0.6));
      leaf->setStrokeOpacity(0.8);
    }
    leaves.push_back(std::move(leaf));
  }
  // Narrow triangles pointing down, their tips every 5 rows: whatever the band edges, some
  // stroke's mitred tip reaches past an edge that its path stops short of.
  for (int k = 0; k < 100; ++k) {
    auto spike = makePath(pf::Path().moveTo({-2, -10}).lineTo({2, -10}).lineTo({0, 0}).closeSubpath(),
                          {7.0 + (k * 29) % 286, 3 + 5.0 * k}, pf::Color::rgb(1, 1, 0));
    spike->setStrokeWidth(2);
    spike->setStrokeColor(pf::Color::rgb(0, 0, 0));
    spike->setStrokeJoints(0);
    leaves.push_back(std::move(spike));
  }
  auto hidden = makeRect({100, 100, 50, 50}, pf::Color::rgb(1, 0, 0));
  hidden->setFillOpacity(0);
  leaves.push_back(std::move(hidden));
  leaves.push_back(makeRect({-80, 200, 40, 40}, pf::Color::rgb(1, 0, 0)));
  leaves.push_back(makeRect({100, 700, 40, 40}, pf::Color::rgb(1, 0, 0)));
  auto clipped = makeGroup({makeRect({60, 100, 200, 300}, pf::Color::rgb(0, 0.5, 0)),
                            makeRect({20, 240, 260, 30}, pf::Color::rgb(0.5, 0, 0.5))});
  clipped->setClipPath(std::make_shared<const pf::Path>(pf::Path().addEllipse({70, 140, 170, 230})));
  leaves.push_back(std::move(clipped));
  return makeGroup(std::move(leaves));
}

TEST_F(ElementRendererTest, BandsDrawTheSamePixelsAsOnePiece)
{
  const std::shared_ptr<const MVElement> artwork = bandedArtwork();
  for (const double scale : {1.0, 1.37}) {
    SCOPED_TRACE(scale);
    MVElementRenderer whole;
    MVElementRenderer banded;
    for (MVElementRenderer* renderer : {&whole, &banded}) {
      renderer->setInputRenderingElement(artwork);
      renderer->setRenderingSize(300, 500);
      renderer->setDisplayScale(scale);
      renderer->setBackgroundColor(pf::Color::white());
      renderer->setDrawBackgroundFlag(true);
      renderer->setBackgroundOpacity(1);
    }
    whole.setMaximumBandCount(1);
    banded.setMaximumBandCount(4);
    whole.startRendering();
    const std::shared_ptr<const pf::Bitmap> expected = whole.outputBitmap();
    ASSERT_NE(expected, nullptr);
    // The second banded pass moves its band edges after the first one's work.
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(pass);
      banded.startRendering();
      const std::shared_ptr<const pf::Bitmap> actual = banded.outputBitmap();
      ASSERT_NE(actual, nullptr);
      ASSERT_EQ(actual->byteCount(), expected->byteCount());
      EXPECT_EQ(std::memcmp(actual->data(), expected->data(), expected->byteCount()), 0);
      // Every visible leaf counts once, whichever bands drew it.
      EXPECT_EQ(banded.numberOfRenderedElements(), whole.numberOfRenderedElements());
    }
  }
}

TEST_F(ElementRendererTest, CountsTheVisibleLeavesThatReachIntoTheBitmap)
{
  // Inside: a square at the top and one at the bottom (other bands when banded); outside: a
  // square left of the artboard and one below it; and a square with nothing to draw.
  auto hidden = makeRect({5, 5, 5, 5}, pf::Color::rgb(1, 0, 0));
  hidden->setFillOpacity(0);
  const std::shared_ptr<const MVElement> tree =
      makeGroup({makeRect({2, 2, 5, 5}, pf::Color::rgb(1, 0, 0)), makeRect({2, 290, 5, 5}, pf::Color::rgb(1, 0, 0)),
                 makeRect({-20, 100, 5, 5}, pf::Color::rgb(1, 0, 0)), makeRect({2, 320, 5, 5}, pf::Color::rgb(1, 0, 0)),
                 std::move(hidden)});
  for (const int bands : {1, 4}) {
    SCOPED_TRACE(bands);
    MVElementRenderer renderer;
    renderer.setMaximumBandCount(bands);
    renderer.setInputRenderingElement(tree);
    renderer.setRenderingSize(20, 300);
    renderer.startRendering();
    EXPECT_EQ(renderer.numberOfRenderedElements(), 2);
    EXPECT_TRUE(pixelNear(*renderer.outputBitmap(), 4, 292, kRed));
  }
}

// How far two bitmaps of one size are apart: the pixels that differ, and the largest difference
// of one channel.
struct PixelDifference {
  long pixels = 0;
  int mostPerChannel = 0;
};

PixelDifference pixelDifference(const pf::Bitmap& a, const pf::Bitmap& b)
{
  PixelDifference difference;
  const auto* left = reinterpret_cast<const unsigned char*>(a.data());
  const auto* right = reinterpret_cast<const unsigned char*>(b.data());
  for (std::size_t pixel = 0; pixel + 4 <= std::min(a.byteCount(), b.byteCount()); pixel += 4) {
    int most = 0;
    for (std::size_t channel = pixel; channel < pixel + 4; ++channel) {
      most = std::max(most, std::abs(left[channel] - right[channel]));
    }
    difference.pixels += most > 0 ? 1 : 0;
    difference.mostPerChannel = std::max(difference.mostPerChannel, most);
  }
  return difference;
}

// 100,000 small shapes in a moved and scaled group, running off the artboard at the left and the
// bottom: mostly plain fills of three colours, some translucent, stroked, turned or blended, and
// groups of them clipped to circles. Each band draws only the leaves that reach into it; the
// count must be that of one band and the pixels those of one band, whatever the band edges, up to
// the rounding of an edge pixel here and there: plain fills go to Cairo in batches, and which
// neighbours share a batch (and so a row of Cairo's rasteriser) depends on the band.
std::shared_ptr<MVElementGroup> manySmallShapes()
{
  const auto square = std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(1.6));
  const pf::Color colours[] = {pf::Color::rgb(0.8, 0.2, 0.1), pf::Color::rgb(0.1, 0.3, 0.8),
                               pf::Color::rgb(0.2, 0.7, 0.3)};
  const auto leaf = [&](int i, double x, double y) {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(square);
    path->setPositionX(x, y);
    path->setFillColor(colours[i % 3]);
    if (i % 7 == 0) {
      path->setFillOpacity(0.5);
    }
    if (i % 11 == 0) {
      path->setStrokeWidth(0.6);
      path->setStrokeColor(pf::Color::black());
    }
    if (i % 13 == 0) {
      path->rotate(30);
    }
    if (i % 17 == 0) {
      path->setBlendMode(1);
    }
    return path;
  };
  std::vector<std::shared_ptr<MVElement>> children;
  for (int i = 0; i < 100000; ++i) {
    children.push_back(leaf(i, (i % 400) * 1.5, (i / 400) * 1.5));
  }
  for (int k = 0; k < 20; ++k) {
    std::vector<std::shared_ptr<MVElement>> members;
    for (int i = 0; i < 50; ++i) {
      members.push_back(leaf(i, 30.0 * k + (i % 10) * 2.5, 20.0 * k + (i / 10) * 2.5));
    }
    auto clipped = makeGroup(std::move(members));
    clipped->setClipPath(
        std::make_shared<const pf::Path>(pf::Path().addEllipse({30.0 * k + 2, 20.0 * k + 2, 18, 9})));
    children.push_back(std::move(clipped));
  }
  auto moved = makeGroup(std::move(children));
  moved->setPositionX(-10, 30);
  moved->scaleX(1.02, 1.1);
  return makeGroup({std::move(moved)});
}

TEST_F(ElementRendererTest, BandsOfManySmallShapesDrawWhatOneBandDraws)
{
  const std::shared_ptr<const MVElement> artwork = manySmallShapes();
  MVElementRenderer whole;
  whole.setMaximumBandCount(1);
  whole.setInputRenderingElement(artwork);
  whole.setRenderingSize(600, 400);
  whole.startRendering();
  const std::shared_ptr<const pf::Bitmap> expected = whole.outputBitmap();
  ASSERT_NE(expected, nullptr);
  EXPECT_GT(whole.numberOfRenderedElements(), 50000);
  EXPECT_LT(whole.numberOfRenderedElements(), 100000);
  for (const int bands : {4, 6}) {
    SCOPED_TRACE(bands);
    MVElementRenderer banded;
    banded.setMaximumBandCount(bands);
    banded.setInputRenderingElement(artwork);
    banded.setRenderingSize(600, 400);
    // Each later pass moves its band edges after the one before's work.
    for (int pass = 0; pass < 3; ++pass) {
      SCOPED_TRACE(pass);
      banded.startRendering();
      const std::shared_ptr<const pf::Bitmap> actual = banded.outputBitmap();
      ASSERT_NE(actual, nullptr);
      ASSERT_EQ(actual->byteCount(), expected->byteCount());
      const PixelDifference difference = pixelDifference(*actual, *expected);
      EXPECT_LE(difference.pixels, 12);
      EXPECT_LE(difference.mostPerChannel, 4);
      EXPECT_EQ(banded.numberOfRenderedElements(), whole.numberOfRenderedElements());
    }
  }
}

// ---- Passes off the main thread

// Blocks the pass that draws it until the test lets it go.
class Gate {
public:
  void enterAndWait()
  {
    std::unique_lock lock(mutex_);
    ++entered_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_; });
  }
  // Until `count` passes (or bands of one) wait at the gate.
  void waitUntilEntered(int count = 1)
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return entered_ >= count; });
  }
  void release()
  {
    const std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int entered_ = 0;
  bool released_ = false;
};

// A slow leaf: drawing it waits at the gate.
class GateElement : public MVElement {
public:
  explicit GateElement(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  void render(ElementRenderer& renderer) const override
  {
    gate_->enterAndWait();
    renderer.elementRendered();
  }

private:
  std::shared_ptr<Gate> gate_;
};

// 40 one-pixel squares along the top rows, then `gate` (when given), then a square over the
// bottom half: partial images taken at the gate show the top and not the bottom.
std::shared_ptr<MVElementGroup> progressiveArtwork(pf::Color colour, std::shared_ptr<Gate> gate)
{
  std::vector<std::shared_ptr<MVElement>> children;
  for (int i = 0; i < 40; ++i) {
    children.push_back(makeRect({static_cast<double>(i % 20), static_cast<double>(i / 20), 1, 1}, colour));
  }
  if (gate) {
    children.push_back(std::make_shared<GateElement>(std::move(gate)));
  }
  children.push_back(makeRect({0, 10, 20, 10}, colour));
  return makeGroup(std::move(children));
}

// The partial images and the reports, in the order they arrive.
class ProgressDelegate : public MVElementRendererDelegate {
public:
  struct Event {
    bool complete;
    std::shared_ptr<const pf::Bitmap> image;
  };
  void renderThreadFinished(MVElementRenderer& renderer) override { events.push_back({true, renderer.outputBitmap()}); }
  void renderThreadPartialImageReady(MVElementRenderer& renderer, std::shared_ptr<const pf::Bitmap> image) override
  {
    (void)renderer;
    events.push_back({false, std::move(image)});
  }

  std::vector<Event> events;
};

class RecordingDelegate : public MVElementRendererDelegate {
public:
  void renderThreadFinished(MVElementRenderer& renderer) override
  {
    ++calls;
    outputs.push_back(renderer.outputBitmap());
  }

  int calls = 0;
  std::vector<std::shared_ptr<const pf::Bitmap>> outputs;
};

class RendererThreads : public ElementRendererTest {
protected:
  RendererThreads() { pf::RunLoop::setCurrent(&loop_); }
  ~RendererThreads() override { pf::RunLoop::setCurrent(nullptr); }

  pf::ManualRunLoop loop_;
  std::unique_ptr<pf::WorkQueue> queue_ = pf::WorkQueue::serial("com.oradel.MorvalisTestRendering");
};

TEST_F(RendererThreads, StartsWhileBusyAbortAndRestartOnceWithTheNewestTree)
{
  RecordingDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  renderer.setRenderingSize(20, 20);
  auto gate = std::make_shared<Gate>();
  // The slow leaf comes first; the red square after it is never reached once aborted.
  renderer.setInputRenderingElement(makeGroup({std::make_shared<GateElement>(gate), makeRect({0, 0, 20, 20}, pf::Color::rgb(1, 0, 0))}));
  queue_->post([&] { renderer.startRendering(); });
  gate->waitUntilEntered();
  EXPECT_TRUE(renderer.rendererBusyFlag());
  EXPECT_GT(renderer.renderStartTime(), renderer.renderEndTime());  // running

  // A burst of requests while the pass runs: each only asks for an abort and a restart.
  renderer.setInputRenderingElement(makeRect({0, 0, 10, 20}, pf::Color::rgb(0, 1, 0)));
  renderer.startRendering();
  renderer.setInputRenderingElement(makeRect({0, 0, 20, 20}, pf::Color::rgb(0, 0, 1)));
  renderer.startRendering();
  EXPECT_TRUE(renderer.rendererAbortFlag());
  EXPECT_TRUE(renderer.rendererRestartFlag());
  gate->release();
  queue_->waitUntilIdle();

  EXPECT_FALSE(renderer.rendererBusyFlag());
  EXPECT_FALSE(renderer.rendererAbortFlag());
  EXPECT_EQ(delegate.calls, 0);  // reports arrive through the run loop
  EXPECT_EQ(loop_.runPending(), 1);
  ASSERT_EQ(delegate.calls, 1);
  ASSERT_NE(delegate.outputs[0], nullptr);
  EXPECT_TRUE(pixelNear(*delegate.outputs[0], 15, 10, kBlue));  // the newest tree only
  EXPECT_EQ(renderer.numberOfRenderedElements(), 1);
  EXPECT_LE(renderer.renderStartTime(), renderer.renderEndTime());
  EXPECT_GE(renderer.renderTime(), 0);
}

TEST_F(RendererThreads, SelectionPassesHaveTheirOwnFlags)
{
  RecordingDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  renderer.setRenderingSize(20, 20);
  auto gate = std::make_shared<Gate>();
  renderer.setInputRenderingElement(makeGroup({std::make_shared<GateElement>(gate)}));
  queue_->post([&] { renderer.startRendering(); });
  gate->waitUntilEntered();

  // The selection overlay runs beside the busy main pass.
  renderer.setSelectedNodeIDs({"1"});
  std::unique_ptr<pf::WorkQueue> selectionQueue = pf::WorkQueue::serial("com.oradel.MorvalisTestSelection");
  selectionQueue->post([&] { renderer.startRenderingSelection(); });
  selectionQueue->waitUntilIdle();
  EXPECT_TRUE(renderer.rendererBusyFlag());
  EXPECT_FALSE(renderer.rendererSelectionBusyFlag());
  gate->release();
  queue_->waitUntilIdle();
  EXPECT_EQ(loop_.runPending(), 2);
  EXPECT_EQ(delegate.calls, 2);
}

TEST_F(RendererThreads, PassesOnTheMainThreadReportNothing)
{
  ProgressDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  renderer.setRenderingSize(20, 20);
  renderer.setPartialImageInterval(1e-9);  // no partial images either
  renderer.setInputRenderingElement(progressiveArtwork(pf::Color::rgb(1, 0, 0), nullptr));
  renderer.startRendering();
  EXPECT_EQ(loop_.runPending(), 0);
  EXPECT_TRUE(delegate.events.empty());
  EXPECT_NE(renderer.outputBitmap(), nullptr);
}

TEST_F(RendererThreads, PartialImagesShowTheDrawingSoFarBeforeTheCompleteImage)
{
  ProgressDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  renderer.setRenderingSize(20, 20);
  renderer.setPartialImageInterval(1e-9);  // an image as often as the renderer takes one
  auto gate = std::make_shared<Gate>();
  renderer.setInputRenderingElement(progressiveArtwork(pf::Color::rgb(1, 0, 0), gate));
  queue_->post([&] { renderer.startRendering(); });
  gate->waitUntilEntered();

  loop_.runPending();
  ASSERT_FALSE(delegate.events.empty());
  for (const ProgressDelegate::Event& event : delegate.events) {
    EXPECT_FALSE(event.complete);
    ASSERT_NE(event.image, nullptr);
    EXPECT_TRUE(pixelNear(*event.image, 0, 0, kRed));
    EXPECT_TRUE(pixelNear(*event.image, 10, 15, kTransparent));  // not drawn yet
  }
  const std::size_t partials = delegate.events.size();

  gate->release();
  queue_->waitUntilIdle();
  loop_.runPending();
  // Perhaps more partial images, then the complete image last.
  ASSERT_GT(delegate.events.size(), partials);
  for (std::size_t index = 0; index + 1 < delegate.events.size(); ++index) {
    EXPECT_FALSE(delegate.events[index].complete) << index;
  }
  EXPECT_TRUE(delegate.events.back().complete);
  EXPECT_TRUE(pixelNear(*delegate.events.back().image, 10, 15, kRed));
}

TEST_F(RendererThreads, NoPartialImagesOfAnAbortedPassOrAfterANewerImage)
{
  ProgressDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  renderer.setRenderingSize(20, 20);
  renderer.setPartialImageInterval(1e-9);

  // Partial images of the red pass are queued when a start aborts it for the blue tree.
  auto gate = std::make_shared<Gate>();
  renderer.setInputRenderingElement(progressiveArtwork(pf::Color::rgb(1, 0, 0), gate));
  queue_->post([&] { renderer.startRendering(); });
  gate->waitUntilEntered();
  EXPECT_TRUE(loop_.hasPending());
  renderer.setInputRenderingElement(progressiveArtwork(pf::Color::rgb(0, 0, 1), nullptr));
  renderer.startRendering();
  gate->release();
  queue_->waitUntilIdle();
  // The restarted pass took partial images too, but its complete image was out before any
  // of them could be shown: only the report arrives.
  loop_.runPending();
  ASSERT_EQ(delegate.events.size(), 1U);
  EXPECT_TRUE(delegate.events[0].complete);
  EXPECT_TRUE(pixelNear(*delegate.events[0].image, 10, 15, kBlue));

  // Two whole passes before the main thread looks: both reports show the newest image, and no
  // partial image of either comes after them.
  delegate.events.clear();
  for (const pf::Color colour : {pf::Color::rgb(1, 0, 0), pf::Color::rgb(0, 1, 0)}) {
    renderer.setInputRenderingElement(progressiveArtwork(colour, nullptr));
    queue_->post([&] { renderer.startRendering(); });
    queue_->waitUntilIdle();
  }
  loop_.runPending();
  ASSERT_EQ(delegate.events.size(), 2U);
  for (const ProgressDelegate::Event& event : delegate.events) {
    EXPECT_TRUE(event.complete);
    EXPECT_TRUE(pixelNear(*event.image, 10, 15, kGreen));
  }
}

TEST_F(RendererThreads, PartialImagesOfBandsHoldOnlyWhatThePassDrew)
{
  ProgressDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  // Four bands, wherever the balance from the last pass puts their edges (each has 16 rows or
  // more).
  renderer.setRenderingSize(16, 256);
  renderer.setMaximumBandCount(4);
  renderer.setBackgroundColor(pf::Color::white());
  renderer.setDrawBackgroundFlag(true);
  renderer.setBackgroundOpacity(1);
  renderer.setPartialImageInterval(1e-9);

  // A green pass first, delivered and let go of: the next pass reuses its buffer.
  renderer.setInputRenderingElement(makeRect({0, 0, 16, 256}, pf::Color::rgb(0, 1, 0)));
  queue_->post([&] { renderer.startRendering(); });
  queue_->waitUntilIdle();
  loop_.runPending();
  delegate.events.clear();

  // Red strips of 1 x 256 side by side, every column but the last (each band draws all of them),
  // then the gate (each band stops there), then red everywhere. A band asks for an image at its
  // 16th element boundary, just before the gate, when it has drawn its strips.
  auto gate = std::make_shared<Gate>();
  std::vector<std::shared_ptr<MVElement>> children;
  constexpr int kStrips = 15;
  for (int i = 0; i < kStrips; ++i) {
    children.push_back(makeRect({static_cast<double>(i), 0, 1, 256}, pf::Color::rgb(1, 0, 0)));
  }
  children.push_back(std::make_shared<GateElement>(gate));
  children.push_back(makeRect({0, 0, 16, 256}, pf::Color::rgb(1, 0, 0)));
  renderer.setInputRenderingElement(makeGroup(std::move(children)));
  queue_->post([&] { renderer.startRendering(); });
  gate->waitUntilEntered(4);

  // The first image asked for is complete before any band reaches the gate (each band passes
  // its boundaries up to the gate after it was asked). Nothing of the green pass shows through.
  loop_.runPending();
  ASSERT_FALSE(delegate.events.empty());
  for (const ProgressDelegate::Event& event : delegate.events) {
    EXPECT_FALSE(event.complete);
    int red = 0;
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 16; ++x) {
        const Rgba8 pixel = event.image->pixel(x, y);
        ASSERT_TRUE(pixel == kWhite || pixel == kRed) << x << ", " << y;
        red += pixel == kRed ? 1 : 0;
      }
    }
    EXPECT_GT(red, 0);  // the band that asked had drawn strips
    EXPECT_LE(red, kStrips * 256);
  }

  gate->release();
  queue_->waitUntilIdle();
  loop_.runPending();
  EXPECT_TRUE(delegate.events.back().complete);
  EXPECT_TRUE(pixelNear(*delegate.events.back().image, 8, 100, kRed));
}

TEST_F(RendererThreads, PassesWithoutDelegateLogAndKeepTheResult)
{
  rendertest::QuietLog log;
  MVElementRenderer renderer;
  renderer.setRenderingThreadName("Orphan");
  renderer.setRenderingSize(10, 10);
  queue_->post([&] { renderer.startRendering(); });
  queue_->waitUntilIdle();
  EXPECT_EQ(log.count("Error, renderThread 'Orphan' finished with no delegate to report back to"), 1);
  EXPECT_NE(renderer.outputBitmap(), nullptr);
  EXPECT_EQ(loop_.runPending(), 0);
}

TEST_F(RendererThreads, ReportsForAGoneRendererAreDropped)
{
  RecordingDelegate delegate;
  {
    MVElementRenderer renderer;
    renderer.setDelegate(&delegate);
    renderer.setRenderingSize(10, 10);
    queue_->post([&] { renderer.startRendering(); });
    queue_->waitUntilIdle();
  }
  EXPECT_EQ(loop_.runPending(), 1);
  EXPECT_EQ(delegate.calls, 0);
}

TEST_F(RendererThreads, AReportKeepsItsBitmapFromBeingReused)
{
  RecordingDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  renderer.setRenderingSize(10, 10);
  const auto pass = [&](pf::Color colour) {
    renderer.setInputRenderingElement(makeRect({0, 0, 10, 10}, colour));
    queue_->post([&] { renderer.startRendering(); });
    queue_->waitUntilIdle();
    return renderer.outputBitmap()->data();
  };
  const std::uint32_t* first = pass(pf::Color::rgb(1, 0, 0));
  // The first report is not delivered yet: the second pass draws into a new buffer.
  const std::uint32_t* second = pass(pf::Color::rgb(0, 1, 0));
  EXPECT_NE(second, first);
  EXPECT_EQ(loop_.runPending(), 2);
  ASSERT_EQ(delegate.calls, 2);
  EXPECT_TRUE(pixelNear(*delegate.outputs[1], 5, 5, kGreen));

  // Delivered and let go of: the next pass reuses the buffer.
  delegate.outputs.clear();
  EXPECT_EQ(pass(pf::Color::rgb(0, 0, 1)), second);
  EXPECT_EQ(loop_.runPending(), 1);
  EXPECT_TRUE(pixelNear(*delegate.outputs[0], 5, 5, kBlue));
}

}  // namespace
