// The preview of a document window: the time from a parameter change to the new preview image
// at a 1000 x 1000 preview, for 1,000 and 100,000 elements, and the longest stall of the main
// thread meanwhile; beside a plain Cairo loop drawing the same shapes in the same run.
//
// The artwork is one small rectangle repeated by a grid node over the artboard (1000 x 1000
// units at 100 %, so one unit is one preview pixel). A change alternates the rectangle's fill
// colour, which regenerates the whole grid; the measured time runs from the change to the
// moment the window has the new image (the generation on the main thread, the copy handed to
// the preview, the render on its queue, the report back). A long render shows partial images
// on the way: "first image ms" is the time from the change to the first image the window shows,
// partial or complete. A timer on the main thread ticks as often as the event loop lets it
// meanwhile: the longest gap between two ticks is the longest stall ("stall ms", the largest of
// all iterations), with the generation (main thread by design) counted separately
// ("generate ms").
#include <algorithm>
#include <chrono>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include "PlainCairo.h"

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/MVPreviewView.h"
#include "MorvNode/Interface/QtRunLoop.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"
#include "Platform/Allocator.h"
#include "Platform/Log.h"
#include "Platform/UserDefaults.h"

namespace {

constexpr double kSide = 1000.0;  // artboard units and preview pixels

// The one application, made by main.
QApplication& application()
{
  return *static_cast<QApplication*>(QCoreApplication::instance());
}

// Columns and rows of a grid of `count` shapes over the square artboard, and the cell size.
struct Grid {
  explicit Grid(long count)
    : columns(count >= 100000 ? 400 : 40)
    , rows(count / columns)
    , cell(kSide / columns)
  {
  }
  long columns;
  long rows;
  double cell;
};

// A shown document window (offscreen) whose artboard holds one repeated rectangle.
struct PreviewWindow {
  explicit PreviewWindow(long count)
    : grid(count)
  {
    application();
    pf::setLogEcho(false);
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Snap nodes to grid", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    window = std::make_unique<DocumentWindow>(std::make_unique<MVDocument>(), nullptr);
    MVDocument& document = window->document();
    MVNodeController& controller = document.nodeController();
    document.pauseUndoRegistration();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    artboard->sizeParameter()->setValueX(kSide, kSide);
    shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
    const double size = grid.cell * 0.7;
    shape->sizeParameter()->setValueX(size, size);
    auto* repeater = dynamic_cast<RepeaterNode*>(controller.addNodeOfClass("RepeatGridNode", {0, 0}, false));
    repeater->value2DParameterNamed("Count")->setValueX(static_cast<double>(grid.columns),
                                                        static_cast<double>(grid.rows));
    repeater->value2DParameterNamed("Offset")->setValueX(grid.cell, grid.cell);
    controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                       repeater->graphicsParameter()->inputSocket());
    controller.addConnectionFromSocket(repeater->graphicsParameter()->outputSocket(),
                                       artboard->layers().front()->inputSocket());
    document.resumeUndoRegistration();
    window->resize(1400, 1400);
    window->show();
    window->previewView().displayScaleChangedFromCommand(1.0);
    // The first image.
    waitForImage();
  }

  ~PreviewWindow()
  {
    window->closeWithoutAsking();
    window.reset();
    pf::RunLoop::setCurrent(nullptr);
  }

  // Runs the event loop until the preview reports a new complete image; the longest gap between
  // two ticks of a main-thread timer meanwhile, in milliseconds. `firstImage`, when given, is
  // set to the time of the first image shown (partial or complete).
  double waitForImage(std::chrono::steady_clock::time_point* firstImage = nullptr)
  {
    QEventLoop loop;
    bool shown = false;
    const auto firstShown = [&] {
      if (!shown && firstImage != nullptr) {
        *firstImage = std::chrono::steady_clock::now();
      }
      shown = true;
    };
    QObject::connect(&window->previewView(), &MVPreviewView::partialPatternImageShown, &loop, firstShown);
    QObject::connect(&window->previewView(), &MVPreviewView::patternImageChanged, &loop, [&] {
      firstShown();
      loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      longest = std::max(longest, now - lastTick);
      lastTick = now;
    });
    ticker.start(0);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);  // never hangs a run
    loop.exec();
    ticker.stop();
    longest = std::max(longest, clock.nsecsElapsed() - lastTick);
    return static_cast<double>(longest) / 1.0e6;
  }

  Grid grid;
  QtRunLoop runLoop;
  std::unique_ptr<DocumentWindow> window;
  ElementShapeNode* shape = nullptr;  // owned by the document's controller
};

void parameterChangeToPreviewImage(benchmark::State& state)
{
  PreviewWindow preview(state.range(0));
  MVNodeController& controller = preview.window->document().nodeController();
  double worstStall = 0.0;
  double generation = 0.0;
  double firstImage = 0.0;
  long changes = 0;
  for (auto _ : state) {
    const bool odd = (changes++ % 2) != 0;
    preview.shape->fillColorParameter()->setColor(odd ? pf::Color::rgb(0.8, 0.2, 0.1) : pf::Color::rgb(0.1, 0.3, 0.8));
    // The generation on the main thread, as the run loop would start it.
    const auto start = std::chrono::steady_clock::now();
    controller.regenerate();
    generation += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::chrono::steady_clock::time_point shown = start;
    worstStall = std::max(worstStall, preview.waitForImage(&shown));
    firstImage += std::chrono::duration<double, std::milli>(shown - start).count();
  }
  state.counters["elements"] = static_cast<double>(controller.numberOfElements());
  state.counters["stall ms"] = worstStall;
  state.counters["generate ms"] = generation / static_cast<double>(std::max(changes, 1L));
  state.counters["first image ms"] = firstImage / static_cast<double>(std::max(changes, 1L));
}
BENCHMARK(parameterChangeToPreviewImage)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same rectangles filled by plain Cairo into a 1000 x 1000 bitmap: a full redraw.
void plainCairoRedrawBaseline(benchmark::State& state)
{
  const Grid grid(state.range(0));
  const double size = grid.cell * 0.7;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(kSide),
                                                        static_cast<int>(kSide));
  long changes = 0;
  for (auto _ : state) {
    const bool odd = (changes++ % 2) != 0;
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    if (odd) {
      cairo_set_source_rgb(cr, 0.8, 0.2, 0.1);
    } else {
      cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
    }
    plaincairo::fillSquareGrid(cr, grid.rows * grid.columns, grid.columns, grid.cell, size);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_surface_destroy(surface);
}
BENCHMARK(plainCairoRedrawBaseline)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

// The application lives on main's stack: destroyed before the static objects of Qt, which a
// function-local static application would outlive once a window has been shown.
int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  pf::configureAllocatorForInteractiveUse();  // as the application does
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
