#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Shared/ODAnimation/ODAnimatorTarget.h"
#include "Shared/ODAnimation/Timeline/ODTimelineView.h"

namespace {

// The timeline of the animation panel: painting 200 rows of 50 keyframes each, and one scrub
// step over a 1,000-element artwork (the drag event, the animators applied, the artwork
// regenerated). Each beside a plain baseline: the same curves and diamonds drawn by a bare
// QPainter loop, and the same time applied to the manager directly. Both must stay under 16 ms.
// The paint is measured twice: all rows rendered into one image, and the visible area of the
// scroll area that holds the timeline in the window.

constexpr int kRows = 200;
constexpr int kKeyframes = 50;
constexpr int kWidth = 1000;  // points
constexpr double kDuration = 10.0;

// The one application, made by main.
QApplication& application()
{
  return *static_cast<QApplication*>(QCoreApplication::instance());
}

// A target that takes every value and does nothing with it.
class NumberTarget final : public ODAnimatorTarget {
public:
  explicit NumberTarget(int index) : identifier_(std::to_string(index) + " : Value") {}
  bool animatorCanAnimateProperty(const std::string&) const override { return true; }
  void animatorSetProperty(const std::string&, const pf::PlistValue& value) override { last_ = value.toDouble().value_or(0); }
  void animatorProperty(const std::string&, bool) override {}
  std::string animatorDisplayNameWithProperty(const std::string&) const override { return "Value"; }
  std::string animatorOwnerDisplayName() const override { return "Math"; }
  std::shared_ptr<const pf::Image> animatorIcon() const override { return nullptr; }
  std::string persistentIdentifier() const override { return identifier_; }

private:
  std::string identifier_;
  double last_ = 0;
};

double keyValue(int row, int key)
{
  return std::sin(row * 0.37 + key * 0.61) * (10 + row % 7);
}

// 200 animators of 50 keyframes each on targets that take any value.
struct PaintAnimations {
  PaintAnimations()
  {
    pf::RunLoop::setCurrent(&runLoop);
    manager.setDuration(kDuration);
    for (int row = 0; row < kRows; ++row) {
      targets.push_back(std::make_unique<NumberTarget>(row));
      ODAnimator* animator = manager.addAnimatorForTarget(targets.back().get(), "value");
      for (int key = 0; key < kKeyframes; ++key) {
        ODAnimatorKeyframe* keyframe =
            animator->addKeyframeWithValue(keyValue(row, key), kDuration * key / (kKeyframes - 1));
        keyframe->setEaseInType(key % 2);
        keyframe->setEaseOutType(key % 2);
      }
    }
  }
  ~PaintAnimations() { pf::RunLoop::setCurrent(nullptr); }

  pf::ManualRunLoop runLoop;
  std::vector<std::unique_ptr<NumberTarget>> targets;
  ODAnimationManager manager;
};

// The whole timeline, all 200 rows, rendered into one image.
void timelinePaint(benchmark::State& state)
{
  application();
  PaintAnimations animations;
  ODTimelineView timeline;
  timeline.resize(kWidth, 100);
  timeline.setAnimationManager(&animations.manager);
  QImage image(timeline.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.fill(Qt::white);
    timeline.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["rows"] = static_cast<double>(timeline.timelineAnimatorViews().size());
  timeline.setAnimationManager(nullptr);
}
BENCHMARK(timelinePaint)->Unit(benchmark::kMillisecond);

// What the window paints: the timeline in its scroll area (as the animation panel holds it),
// 1000 x 300 points scrolled to the middle rows, its visible area rendered. Only the rows in
// the visible area paint; the baseline below draws just as many rows.
constexpr int kVisibleHeight = 300;

void timelineVisibleAreaPaint(benchmark::State& state)
{
  application();
  PaintAnimations animations;
  QScrollArea scrollView;
  scrollView.setWidgetResizable(true);
  scrollView.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* timeline = new ODTimelineView;
  scrollView.setWidget(timeline);
  timeline->setScrollView(&scrollView);
  timeline->setAnimationManager(&animations.manager);
  scrollView.resize(kWidth, kVisibleHeight);
  scrollView.show();
  QCoreApplication::processEvents();
  scrollView.verticalScrollBar()->setValue(scrollView.verticalScrollBar()->maximum() / 2);
  QCoreApplication::processEvents();
  QImage image(scrollView.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.fill(Qt::white);
    scrollView.viewport()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["rows"] = static_cast<double>(timeline->timelineAnimatorViews().size());
  timeline->setAnimationManager(nullptr);
}
BENCHMARK(timelineVisibleAreaPaint)->Unit(benchmark::kMillisecond);

// The same picture without widgets or animators: per row the band, the zero line, a filled
// polyline of one sample every 3 points from a plain linear interpolation, and the diamonds.
// Argument: the rows drawn (all of them, or those of the visible area).
void plainPaintBaseline(benchmark::State& state)
{
  application();
  const int rows = static_cast<int>(state.range(0));
  const int height = 38 * rows + 5;
  std::vector<std::vector<double>> values(kRows);
  for (int row = 0; row < kRows; ++row) {
    for (int key = 0; key < kKeyframes; ++key) {
      values[static_cast<std::size_t>(row)].push_back(keyValue(row, key));
    }
  }
  QImage image(kWidth, height, QImage::Format_ARGB32_Premultiplied);
  const double axis = kWidth - 170;
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int row = 0; row < rows; ++row) {
      const std::vector<double>& keys = values[static_cast<std::size_t>(row)];
      const double top = 5 + 34 * row;
      painter.fillRect(QRectF(0, top + 2, kWidth, 34), QColor(0, 0, 0, 12));
      const double mid = top + 19;
      painter.setPen(QPen(QColor(0, 0, 0, 110), 1));
      painter.drawLine(QPointF(160, mid), QPointF(160 + axis, mid));
      QPainterPath path;
      for (double x = 0; x <= axis + 3; x += 3) {
        const double position = x / axis * (kKeyframes - 1);
        const int index = std::min(static_cast<int>(position), kKeyframes - 2);
        const double u = position - index;
        const double value = keys[static_cast<std::size_t>(index)] * (1 - u) + keys[static_cast<std::size_t>(index) + 1] * u;
        const QPointF point(160 + x, mid - value);
        if (x == 0) {
          path.moveTo(point);
        } else {
          path.lineTo(point);
        }
      }
      painter.strokePath(path, QPen(QColor(40, 110, 210), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      path.lineTo(160 + axis, mid);
      path.lineTo(160, mid);
      painter.fillPath(path, QColor(40, 110, 210, 50));
      for (int key = 0; key < kKeyframes; ++key) {
        painter.save();
        painter.translate(160 + axis * key / (kKeyframes - 1), mid - keys[static_cast<std::size_t>(key)]);
        painter.rotate(45);
        painter.fillRect(QRectF(-3.5, -3.5, 7, 7), Qt::white);
        painter.setPen(QPen(Qt::black, 1.5));
        painter.drawRect(QRectF(-3.5, -3.5, 7, 7));
        painter.restore();
      }
    }
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(plainPaintBaseline)->Arg(kRows)->Arg(kVisibleHeight / 34 + 1)->Unit(benchmark::kMillisecond);

// 1,000 shapes on the artboard, each with its horizontal position animated by two keyframes.
struct ScrubDocument {
  explicit ScrubDocument(long count)
  {
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Snap nodes to grid", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    document.pauseUndoRegistration();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    manager.setDuration(kDuration);
    for (long i = 0; i < count; ++i) {
      auto* shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
      shape->sizeParameter()->setValueX(10.0, 10.0);
      controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                         artboard->layers().front()->inputSocket());
      ODAnimator* animator = manager.addAnimatorForTarget(shape->positionParameter(), "x");
      animator->addKeyframeWithValue(static_cast<double>(i % 100), 0.0);
      animator->addKeyframeWithValue(static_cast<double>(400 + i % 100), kDuration);
    }
    document.resumeUndoRegistration();
    runLoop.advance(1.0);
  }
  ~ScrubDocument() { pf::RunLoop::setCurrent(nullptr); }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  ODAnimationManager& manager = document.animationManager();
};

// Alternates between two times so that every step changes every animated value.
void timelineScrubStep(benchmark::State& state)
{
  application();
  ScrubDocument document(state.range(0));
  ODTimelineView timeline;
  timeline.resize(kWidth, 300);
  timeline.setAnimationManager(&document.manager);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(150, 2), QPointF(150, 2), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&timeline, &press);
  int step = 0;
  for (auto _ : state) {
    const QPointF point(step++ % 2 == 0 ? 400 : 700, 2);
    QMouseEvent drag(QEvent::MouseMove, point, point, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&timeline, &drag);
    document.runLoop.advance(0.05);  // the merged regeneration
    benchmark::DoNotOptimize(document.controller.outputElement());
  }
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(700, 2), QPointF(700, 2), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&timeline, &release);
  timeline.setAnimationManager(nullptr);
}
BENCHMARK(timelineScrubStep)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same time changes applied to the manager directly, then the same regeneration.
void directTimeChangeBaseline(benchmark::State& state)
{
  ScrubDocument document(state.range(0));
  int step = 0;
  for (auto _ : state) {
    document.manager.setCurrentTime(step++ % 2 == 0 ? 3.0 : 6.5);
    document.runLoop.advance(0.05);
    benchmark::DoNotOptimize(document.controller.outputElement());
  }
}
BENCHMARK(directTimeChangeBaseline)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

// The application lives on main's stack: destroyed before the static objects of Qt, which a
// function-local static application would outlive once a window has been shown.
int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
