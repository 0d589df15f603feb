// The node editor canvas with a document of 1,000 nodes and 1,500 connections: opening it (the
// layout pass that makes the views of the visible area and as much of the margin around it as
// one pass allows), the whole margin made, scrolling by one viewport (views made and dropped),
// painting the visible area, and one drag step of a selection of 100 nodes, each beside a plain
// Qt baseline doing the comparable widget work. Then the same number of nodes and connections
// wired as a document of many shapes is: every shape into the artboard, which stands in the
// visible area, so that 1,500 long curves cross it; painting that area beside plain QPainter
// drawing the same boxes and curves.
#include <memory>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/NodeEditorBackgroundView.h"
#include "MorvNode/Editor/NodeEditorConnectionLayer.h"
#include "MorvNode/Editor/NodeEditorOverlayView.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Inspector/MVParameterRows.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/ManualRunLoop.h"

namespace {

constexpr int kNodes = 1000;
constexpr int kConnections = 1500;
constexpr int kDragged = 100;

// 500 value nodes feeding 500 math nodes: each math node takes one or two of the values (1,500
// connections in all), laid out in a grid of columns.
void buildGraph(MVNodeController& controller)
{
  controller.setIsLoadingFile(true);
  std::vector<MVNode*> values;
  std::vector<MVNode*> maths;
  for (int i = 0; i < kNodes / 2; ++i) {
    const double x = (i % 25) * 360.0;
    const double y = (i / 25) * 220.0;
    values.push_back(controller.addNodeOfClass("ValueNode", pf::Point(x, y), false));
    maths.push_back(controller.addNodeOfClass("ValueMathNode", pf::Point(x + 170.0, y), false));
  }
  int made = 0;
  const char* inputs[] = {"A", "B", "C"};
  for (int round = 0; round < 3 && made < kConnections; ++round) {
    for (int i = 0; i < kNodes / 2 && made < kConnections; ++i) {
      MVParameter* output = values[(i + round) % values.size()]->parameterNamed("Value");
      MVParameter* input = maths[i]->parameterNamed(inputs[round]);
      if (controller.addConnectionFromSocket(output->outputSocket(), input->inputSocket()) != nullptr) {
        ++made;
      }
    }
  }
  controller.setIsLoadingFile(false);
  controller.nodeArrayChanged();
}

// The artboard in the top-left corner of the visible area and 999 shapes in rows of 40 to its
// right and below it, reaching far beyond the visible area; every shape's output goes into one
// of the artboard's layers, the first 501 into a second one too: 1,500 long connections, all
// ending in the visible area.
void buildLongWireGraph(MVNodeController& controller)
{
  controller.setIsLoadingFile(true);
  auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", pf::Point(40, 40), false));
  const auto& layers = artboard->layers();
  for (int i = 0; i + 1 < kNodes; ++i) {
    const double x = 400.0 + (i % 40) * 220.0;
    const double y = 40.0 + (i / 40) * 160.0;
    MVNode* shape = controller.addNodeOfClass("ElementShapeNode", pf::Point(x, y), false);
    MVParameterSocket* output = shape->graphicsParameterNamed("Graphics")->outputSocket();
    for (std::size_t k = 0; k < (i < kConnections - (kNodes - 1) ? 2u : 1u); ++k) {
      MVParameterSocket* input = layers[(static_cast<std::size_t>(i) + k) % layers.size()]->inputSocket();
      controller.addConnectionFromSocket(output, input);
    }
  }
  controller.setIsLoadingFile(false);
  controller.nodeArrayChanged();
}

struct Session {
  explicit Session(void (*build)(MVNodeController&) = buildGraph)
  {
    pf::RunLoop::setCurrent(&runLoop);
    registerNodeClasses();
    MVInterfaceFactories::shared().clear();
    MVParameterView::registerBaseRows();
    MVParameterRows::registerRows();  // the boxes the application makes
    NodeEditorView::registerViewFactories();
    document = std::make_unique<MVDocument>();
    build(document->nodeController());
  }
  ~Session()
  {
    editor.reset();
    document.reset();
    pf::RunLoop::setCurrent(nullptr);
  }
  void open()
  {
    editor = std::make_unique<NodeEditorView>();
    editor->resize(1200, 800);
    editor->show();  // as in its window: laid out at that size
    editor->setNodeController(&document->nodeController());
    editor->layoutPass();
  }
  // The passes that follow, until the margin's views are all made; returns how many ran.
  int settle()
  {
    int passes = 0;
    while (editor->hasPendingViews() && passes < 1000) {
      runLoop.advance(0.0);
      ++passes;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return passes;
  }
  // What the event loop would deliver between frames (repaints, layout requests): untimed, and
  // kept from piling up (every object deleted searches the queue of posted events).
  static void deliverPostedEvents() { QCoreApplication::sendPostedEvents(); }
  // Closes the editor and lets its views go, outside the measured time.
  void closeUntimed(benchmark::State& state)
  {
    state.PauseTiming();
    editor.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    deliverPostedEvents();
    state.ResumeTiming();
  }

  pf::ManualRunLoop runLoop;
  std::unique_ptr<MVDocument> document;
  std::unique_ptr<NodeEditorView> editor;
};

// Time per node view made: opening makes the views of the visible area (and some margin), not one
// per node, so only a figure per view compares with the baseline's per box. The whole time is
// counted against the node views alone, though opening also makes the connection views.
void reportPerView(benchmark::State& state, int views)
{
  state.counters["views"] = views;
  state.counters["per view"] =
      benchmark::Counter(views, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_OpenEditor(benchmark::State& state)
{
  Session session;
  for (auto _ : state) {
    session.closeUntimed(state);
    session.open();
  }
  state.counters["nodes"] = kNodes;
  state.counters["connectionViews"] = session.editor->connectionViewCount();
  reportPerView(state, session.editor->nodeViewCount());
}
BENCHMARK(BM_OpenEditor)->Unit(benchmark::kMillisecond)->Iterations(3);

// Opening and then every later pass until the margin around the visible area has its views:
// the whole work of opening, which the figure above spreads over several passes.
void BM_OpenEditorSettled(benchmark::State& state)
{
  Session session;
  int passes = 0;
  for (auto _ : state) {
    session.closeUntimed(state);
    session.open();
    passes = session.settle();
  }
  state.counters["passes"] = passes + 1;
  state.counters["nodeViews"] = session.editor->nodeViewCount();
  state.counters["connectionViews"] = session.editor->connectionViewCount();
}
BENCHMARK(BM_OpenEditorSettled)->Unit(benchmark::kMillisecond)->Iterations(3);

// Scrolling the settled canvas by one viewport (1200 points) to the right, back and forth across
// the graph's 9,000 points: the pass after the scroll (views made for what came into view,
// views dropped far behind, deleted), then, separately, the passes that make the new margin.
void scrollOneViewport(benchmark::State& state, bool settled)
{
  Session session;
  session.open();
  session.settle();
  double step = 1200.0;
  int passes = 0;
  for (auto _ : state) {
    QPointF origin = session.editor->visibleOrigin();
    if (origin.x() + step < 0.0 || origin.x() + step + 1200.0 > 9000.0) {
      step = -step;
    }
    origin.rx() += step;
    session.editor->scrollToVisibleOrigin(origin);
    session.editor->layoutPass();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (settled) {
      passes = session.settle();
      state.PauseTiming();
    } else {
      state.PauseTiming();
      session.settle();
    }
    Session::deliverPostedEvents();
    state.ResumeTiming();
  }
  state.counters["nodeViews"] = session.editor->nodeViewCount();
  state.counters["connectionViews"] = session.editor->connectionViewCount();
  if (settled) {
    state.counters["passes"] = passes + 1;
  }
}

void BM_ScrollOneViewport(benchmark::State& state)
{
  scrollOneViewport(state, false);
}
BENCHMARK(BM_ScrollOneViewport)->Unit(benchmark::kMillisecond)->Iterations(14);

void BM_ScrollOneViewportSettled(benchmark::State& state)
{
  scrollOneViewport(state, true);
}
BENCHMARK(BM_ScrollOneViewportSettled)->Unit(benchmark::kMillisecond)->Iterations(14);

// Closing the editor (the window closing): every view goes and the model lets go of it.
void BM_CloseEditor(benchmark::State& state)
{
  Session session;
  for (auto _ : state) {
    state.PauseTiming();
    session.open();
    state.ResumeTiming();
    session.editor.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
BENCHMARK(BM_CloseEditor)->Unit(benchmark::kMillisecond)->Iterations(3);

// Baseline: a plain widget with a few labels for each node, the box a node view is; compare its
// time per box with the editor's per view.
void BM_OpenBaselinePlainWidgets(benchmark::State& state)
{
  for (auto _ : state) {
    QWidget parent;
    for (int i = 0; i < kNodes; ++i) {
      auto* box = new QWidget(&parent);
      box->setGeometry((i % 25) * 180, (i / 25) * 110, 140, 100);
      for (int row = 0; row < 6; ++row) {
        auto* label = new QLabel(QStringLiteral("Row"), box);
        label->setGeometry(9, 32 + row * 16, 100, 12);
      }
    }
    benchmark::DoNotOptimize(parent.children().size());
  }
  reportPerView(state, kNodes);
}
BENCHMARK(BM_OpenBaselinePlainWidgets)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PaintVisibleArea(benchmark::State& state)
{
  Session session;
  session.open();
  session.editor->show();
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    session.editor->viewport()->render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_PaintVisibleArea)->Unit(benchmark::kMillisecond);

// The fixed cost of render() itself: one pixel of the same viewport. Qt prepares every widget
// of the canvas for rendering, shown or not, which a window's repaint does not; the paint of
// the visible area proper is the figure above less this one.
void BM_RenderOnePixel(benchmark::State& state)
{
  Session session;
  session.open();
  session.editor->show();
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    session.editor->viewport()->render(&image, QPoint(), QRegion(0, 0, 1, 1));
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_RenderOnePixel)->Unit(benchmark::kMillisecond);

// Baseline: filling the same area and drawing as many rounded boxes directly.
void BM_PaintBaselineDirect(benchmark::State& state)
{
  QImage image(QSize(1200, 800), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), Qt::lightGray);
    for (int i = 0; i < 4 * 8; ++i) {
      painter.drawRoundedRect(QRectF((i % 4) * 360.0, (i / 4) * 110.0, 140, 100), 5, 5);
    }
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_PaintBaselineDirect)->Unit(benchmark::kMillisecond);

// The long-curve canvas, opened and settled (every view of the visible area and its margin).
struct LongWireSession : Session {
  LongWireSession() : Session(buildLongWireGraph)
  {
    open();
    settle();
    deliverPostedEvents();
    // The first paints draw the curves a part at a time; the figures start from the whole.
    QImage image(editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (int paints = 0; paints == 0 || (editor->connectionLayer().hasPendingArea() && paints < 1000); ++paints) {
      editor->viewport()->render(&image);
    }
    deliverPostedEvents();
  }
  std::vector<MVConnectionView*> connectionViews() const
  {
    std::vector<MVConnectionView*> views;
    for (const auto& connection : document->nodeController().connectionArray()) {
      if (MVConnectionView* view = NodeEditorView::viewOfConnection(connection.get())) {
        views.push_back(view);
      }
    }
    return views;
  }
};

// Painting the visible area again, nothing changed (a window repaint: another window moved
// away, a caret blinked).
void BM_PaintLongWires(benchmark::State& state)
{
  LongWireSession session;
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    session.editor->viewport()->render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
  state.counters["connections"] = static_cast<double>(session.document->nodeController().connectionArray().size());
  state.counters["connectionViews"] = session.editor->connectionViewCount();
  state.counters["nodeViews"] = session.editor->nodeViewCount();
}
BENCHMARK(BM_PaintLongWires)->Unit(benchmark::kMillisecond);

// The same paint as a window repaint does it: the visible area drawn again through the window's
// backing store, without render()'s preparation of every widget of the canvas.
void BM_RepaintLongWires(benchmark::State& state)
{
  LongWireSession session;
  // The canvas is opaque and covers the viewport: a repaint of the visible area is its repaint.
  QWidget* canvas = session.editor->canvas();
  const QRect visible(canvas->mapFrom(session.editor->viewport(), QPoint()), session.editor->viewport()->size());
  QCoreApplication::processEvents();  // exposed, so that a repaint paints
  state.counters["exposed"] = session.editor->windowHandle() != nullptr && session.editor->windowHandle()->isExposed();
  // What showing the window changed is drawn before the figure starts.
  for (int paints = 0; paints == 0 || (session.editor->connectionLayer().hasPendingArea() && paints < 1000); ++paints) {
    canvas->repaint(visible);
  }
  int stroking = 0;  // repaints that stroked a curve: none once the window has settled
  for (auto _ : state) {
    canvas->repaint(visible);
    stroking += session.editor->connectionLayer().lastStrokeCount() > 0 ? 1 : 0;
  }
  state.counters["stroking"] = stroking;
}
BENCHMARK(BM_RepaintLongWires)->Unit(benchmark::kMillisecond);

// One step of a drag of the boxes in the visible area: each moves by a point, and the window
// repaints the visible area.
void BM_RepaintDragStepLongWires(benchmark::State& state)
{
  LongWireSession session;
  QWidget* canvas = session.editor->canvas();
  const QRect visible(canvas->mapFrom(session.editor->viewport(), QPoint()), session.editor->viewport()->size());
  std::vector<QWidget*> boxes;
  for (QObject* child : canvas->children()) {
    auto* box = qobject_cast<MVNodeView*>(child);
    if (box != nullptr && box->isVisible() && box->geometry().intersects(visible)) {
      boxes.push_back(box);
    }
  }
  QCoreApplication::processEvents();
  int step = 0;
  for (auto _ : state) {
    const QPoint by((step++ % 2) == 0 ? 1 : -1, 0);
    for (QWidget* box : boxes) {
      box->move(box->pos() + by);
    }
    canvas->repaint(visible);
  }
  state.counters["boxes"] = static_cast<double>(boxes.size());
}
BENCHMARK(BM_RepaintDragStepLongWires)->Unit(benchmark::kMillisecond);

// The fixed cost of render() on this canvas (see BM_RenderOnePixel).
void BM_RenderOnePixelLongWires(benchmark::State& state)
{
  LongWireSession session;
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    session.editor->viewport()->render(&image, QPoint(), QRegion(0, 0, 1, 1));
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_RenderOnePixelLongWires)->Unit(benchmark::kMillisecond);

// The same area without the curves (the overlay hidden): what the boxes and the grid cost.
void BM_PaintLongWiresBoxesOnly(benchmark::State& state)
{
  LongWireSession session;
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  session.editor->overlay()->hide();
  for (auto _ : state) {
    session.editor->viewport()->render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
  session.editor->overlay()->show();
}
BENCHMARK(BM_PaintLongWiresBoxesOnly)->Unit(benchmark::kMillisecond);

// The pointer passes over one curve: its highlight comes and goes, and the area it covers is
// painted again.
void BM_PaintLongWiresHoverOne(benchmark::State& state)
{
  LongWireSession session;
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  std::vector<MVConnectionView*> views = session.connectionViews();
  bool on = false;
  std::size_t next = 0;
  int paints = 0;
  for (auto _ : state) {
    on = !on;
    MVConnectionView* view = views[next++ % views.size()];
    view->setHoverHighlight(on);
    paints = 0;
    do {
      session.editor->viewport()->render(&image);
      ++paints;
    } while (session.editor->connectionLayer().hasPendingArea() && paints < 1000);
    benchmark::DoNotOptimize(image.bits());
  }
  state.counters["paints"] = paints;
}
BENCHMARK(BM_PaintLongWiresHoverOne)->Unit(benchmark::kMillisecond);

// Every curve changes its look at once (all of them highlighted, then none): everything in the
// visible area is drawn anew, as the first paint of the canvas does. One paint draws what its
// time allows (NodeEditorConnectionLayer::kPaintBudget) and the paints that follow the rest:
// measured until the picture is complete, "paints" counts them.
void BM_PaintLongWiresAllChanged(benchmark::State& state)
{
  LongWireSession session;
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  std::vector<MVConnectionView*> views = session.connectionViews();
  bool on = false;
  int paints = 0;
  for (auto _ : state) {
    on = !on;
    for (MVConnectionView* view : views) {
      view->setHoverHighlight(on);
    }
    paints = 0;
    do {
      session.editor->viewport()->render(&image);
      ++paints;
    } while (session.editor->connectionLayer().hasPendingArea() && paints < 1000);
    benchmark::DoNotOptimize(image.bits());
  }
  state.counters["paints"] = paints;
}
BENCHMARK(BM_PaintLongWiresAllChanged)->Unit(benchmark::kMillisecond);

// Baseline: plain QPainter filling the area and drawing the boxes of the visible area and the
// 1,500 curves as the connection views draw them (two antialiased strokes each), on every paint.
void BM_PaintBaselineLongWiresQPainter(benchmark::State& state)
{
  LongWireSession session;
  std::vector<std::pair<QPointF, QPointF>> ends;
  for (MVConnectionView* view : session.connectionViews()) {
    ends.emplace_back(view->fromEndLocation() - QPointF(NodeEditorView::kCanvasOrigin, NodeEditorView::kCanvasOrigin),
                      view->toEndLocation() - QPointF(NodeEditorView::kCanvasOrigin, NodeEditorView::kCanvasOrigin));
  }
  QImage image(session.editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  const QPen edge(QColor(90, 90, 90), 5.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  const QPen fill(QColor(200, 150, 90), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(image.rect(), Qt::lightGray);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(40, 40, 140, 160), 5, 5);
    for (int i = 0; i < 4 * 5; ++i) {
      painter.drawRoundedRect(QRectF(400.0 + (i % 4) * 220.0, 40.0 + (i / 4) * 160.0, 140, 100), 5, 5);
    }
    for (const auto& [from, to] : ends) {
      const double t = MVConnectionView::tangentLength(from, to);
      QPainterPath curve(from);
      curve.cubicTo(from + QPointF(t, 0), to - QPointF(t, 0), to);
      painter.setPen(edge);
      painter.drawPath(curve);
      painter.setPen(fill);
      painter.drawPath(curve);
    }
    painter.end();
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_PaintBaselineLongWiresQPainter)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_DragStepOf100Nodes(benchmark::State& state)
{
  Session session;
  session.open();
  MVNodeController& controller = session.document->nodeController();
  controller.selectNode(nullptr, false, false, false);
  for (int i = 0; i < kDragged; ++i) {
    controller.selectNode(controller.nodeArray()[static_cast<std::size_t>(i)].get(), true, false, false);
  }
  session.editor->layoutPass();
  session.editor->prepareMoveOfSelectedNodes();
  double offset = 0.0;
  for (auto _ : state) {
    offset += 3.0;
    session.editor->moveSelectedNodesToOffset(offset, offset / 2.0);
    session.editor->layoutPass();
  }
}
BENCHMARK(BM_DragStepOf100Nodes)->Unit(benchmark::kMillisecond);

// Baseline: moving 100 plain widgets by the same steps.
void BM_DragBaselineMovePlainWidgets(benchmark::State& state)
{
  QWidget parent;
  std::vector<QWidget*> boxes;
  for (int i = 0; i < kDragged; ++i) {
    boxes.push_back(new QWidget(&parent));
    boxes.back()->setGeometry(i * 10, 0, 140, 100);
  }
  int offset = 0;
  for (auto _ : state) {
    offset += 3;
    for (int i = 0; i < kDragged; ++i) {
      boxes[static_cast<std::size_t>(i)]->move(i * 10 + offset, offset / 2);
    }
  }
}
BENCHMARK(BM_DragBaselineMovePlainWidgets)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
