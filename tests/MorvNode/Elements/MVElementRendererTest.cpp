#include "MorvNode/Elements/MVElementRenderer.h"

#include <condition_variable>
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

// ---- Passes off the main thread

// Blocks the pass that draws it until the test lets it go.
class Gate {
public:
  void enterAndWait()
  {
    std::unique_lock lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_; });
  }
  void waitUntilEntered()
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return entered_; });
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
  bool entered_ = false;
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
  RecordingDelegate delegate;
  MVElementRenderer renderer;
  renderer.setDelegate(&delegate);
  renderer.setRenderingSize(10, 10);
  renderer.startRendering();
  EXPECT_EQ(loop_.runPending(), 0);
  EXPECT_EQ(delegate.calls, 0);
  EXPECT_NE(renderer.outputBitmap(), nullptr);
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
