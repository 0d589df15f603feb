#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchArtboardNode.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Repeaters/RepeaterNode.h"
#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

// What the repeaters cost per output element: each repeater builds its tree from one input
// (a rectangle, or for the seamless repeater a group of 1,000 circles), beside the same tree
// built directly in a plain loop (the same leaves with the same fields: shared path, position,
// name, element ID, history). Items are output elements, so the per-item time compares
// directly and shows whether the cost stays flat from 10,000 to 90,000 elements.

pf::SharedPath rectanglePath()
{
  return std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(10, 10));
}

// Histories are shared lists, as paths are: a plain loop makes its leaves' list once and
// gives it to each.
MVNodeHistoryChange historyOf(std::vector<std::string> nodeIds)
{
  return MVNodeHistoryChange::replacingWith(std::move(nodeIds));
}

std::shared_ptr<MVElementPath> leaf(MVElementDelegate* controller, const pf::SharedPath& path, double x, double y,
                                    MVNodeHistoryChange& history)
{
  auto element = std::make_shared<MVElementPath>();
  element->setNodeController(controller);
  element->setCgPath(path);
  element->setWidth(10);
  element->setHeight(10);
  element->setPositionX(x, y);
  element->setElementName("Rectangle");
  element->changeNodeHistory(history);
  return element;
}

// A document with the node classes, an artboard of 200 x 200 and one repeater of the class.
struct RepeaterGraph {
  explicit RepeaterGraph(const std::string& className)
  {
    pf::RunLoop::setCurrent(&runLoop);
    pf::setLogEcho(false);  // setting rows without a document logs that nothing records undo
    registerNodeClasses();
    MVClassRegistry::shared().registerNodeClass(BenchArtboardNode::nodeClassInfo());
    controller.setRandomSource(&table);
    controller.addNodeOfClass("ArtboardNode", {0, 0}, false);
    repeater = dynamic_cast<RepeaterNode*>(controller.addNodeOfClass(className, {0, 0}, false));
    runLoop.advance(1.0);  // a first generation reads the artboard
  }
  ~RepeaterGraph() { controller.releaseResources(); }

  // One generation's worth of the repeater: its draws restart, then it builds from `input`.
  std::shared_ptr<const MVElement> build(const std::shared_ptr<const MVElement>& input)
  {
    repeater->initRandomSeed();
    return repeater->graphicsElementForParameter(repeater->graphicsParameter(), input);
  }

  static inline const RandomSource table{RandomSource::kApplicationSeed};
  pf::ManualRunLoop runLoop;
  MVNodeController controller;
  RepeaterNode* repeater = nullptr;  // owned by the controller
};

long outputCount(const std::shared_ptr<const MVElement>& tree)
{
  const auto* group = dynamic_cast<const MVElementGroup*>(tree.get());
  return group != nullptr ? group->count() : 0;
}

// ---- Grid ----

void gridRepeater(benchmark::State& state)
{
  RepeaterGraph graph("RepeatGridNode");
  const double side = static_cast<double>(state.range(0));
  graph.repeater->value2DParameterNamed("Count")->setValueX(side, side);
  MVNodeHistoryChange inputHistory = historyOf({"1"});
  const auto input = leaf(&graph.controller, rectanglePath(), 0, 0, inputHistory);
  long count = 0;
  for (auto _ : state) {
    auto tree = graph.build(input);
    count = outputCount(tree);
    benchmark::DoNotOptimize(tree);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(gridRepeater)->ArgName("side")->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

void gridDirect(benchmark::State& state)
{
  RepeaterGraph graph("RepeatGridNode");
  const long side = state.range(0);
  const pf::SharedPath path = rectanglePath();
  MVNodeHistoryChange history = historyOf({"1", "2"});
  for (auto _ : state) {
    auto group = makeGroup(&graph.controller, "Grid group");
    for (long r = 0; r < side; ++r) {
      for (long c = 0; c < side; ++c) {
        auto element =
            leaf(&graph.controller, path, 40.0 * static_cast<double>(c), 40.0 * static_cast<double>(r), history);
        element->setElementName("Rectangle " + std::to_string(c) + "-" + std::to_string(r));
        group->addElementWithoutRecalculatingPivot(std::move(element));
      }
    }
    group->recalculateArrayPivot();
    benchmark::DoNotOptimize(group);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(gridDirect)->ArgName("side")->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

// ---- Radial: 100 rings of 100 ----

void radialRepeater(benchmark::State& state)
{
  RepeaterGraph graph("RepeatRadialNode");
  graph.repeater->valueParameterNamed("Count")->setValue(100);
  MVParameterValue* layers = graph.repeater->valueParameterNamed("Number of layers");
  layers->setEnabled(true);
  layers->setValue(100);
  MVNodeHistoryChange inputHistory = historyOf({"1"});
  const auto input = leaf(&graph.controller, rectanglePath(), 0, 0, inputHistory);
  long count = 0;
  for (auto _ : state) {
    auto tree = graph.build(input);
    count = outputCount(tree);
    benchmark::DoNotOptimize(tree);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(radialRepeater)->Unit(benchmark::kMillisecond);

void radialDirect(benchmark::State& state)
{
  RepeaterGraph graph("RepeatRadialNode");
  const pf::SharedPath path = rectanglePath();
  MVNodeHistoryChange history = historyOf({"1"});
  for (auto _ : state) {
    auto group = makeGroup(&graph.controller, "Radial group");
    for (long k = 0; k < 100; ++k) {
      const double radius = 100 + 10 * static_cast<double>(k);
      for (long i = 0; i < 100; ++i) {
        const double a = -std::numbers::pi / 2 + 2 * std::numbers::pi * static_cast<double>(i) / 100;
        auto element = leaf(&graph.controller, path, radius * std::cos(a), radius * std::sin(a), history);
        element->setElementName("Rectangle " + std::to_string(i) + "-" + std::to_string(k));
        element->rotate((a + std::numbers::pi / 2) * 180 / std::numbers::pi);
        group->addElementWithoutRecalculatingPivot(std::move(element));
      }
    }
    group->recalculateArrayPivot();
    benchmark::DoNotOptimize(group);
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(radialDirect)->Unit(benchmark::kMillisecond);

// ---- Random: 10,000 with a minimum spacing of 5 in 1,000 x 1,000 ----

void randomRepeater(benchmark::State& state)
{
  RepeaterGraph graph("RepeatRandomNode");
  graph.repeater->valueParameterNamed("Count")->setValue(10000);
  graph.repeater->value2DParameterNamed("Repetition area")->setValueX(1000, 1000);
  MVParameterValue* spacing = graph.repeater->valueParameterNamed("Spacing");
  spacing->setEnabled(true);
  spacing->setValue(5);
  MVNodeHistoryChange inputHistory = historyOf({"1"});
  const auto input = leaf(&graph.controller, rectanglePath(), 0, 0, inputHistory);
  long count = 0;
  for (auto _ : state) {
    auto tree = graph.build(input);
    count = outputCount(tree);
    benchmark::DoNotOptimize(tree);
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["placed"] = static_cast<double>(count);
}
BENCHMARK(randomRepeater)->Unit(benchmark::kMillisecond);

// The same number of leaves at random places, without spacing checks.
void randomDirect(benchmark::State& state)
{
  RepeaterGraph graph("RepeatRandomNode");
  const pf::SharedPath path = rectanglePath();
  MVNodeHistoryChange history = historyOf({"1"});
  for (auto _ : state) {
    srand48(7);
    auto group = makeGroup(&graph.controller, "Random group");
    for (long i = 1; i < 10000; ++i) {
      auto element = leaf(&graph.controller, path, drand48() * 1000, drand48() * 1000, history);
      element->setElementName("Rectangle " + std::to_string(i));
      group->addElementWithoutRecalculatingPivot(std::move(element));
    }
    group->recalculateArrayPivot();
    benchmark::DoNotOptimize(group);
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(randomDirect)->Unit(benchmark::kMillisecond);

// ---- Seamless over 1,000 circles spread over the 200 x 200 artboard and a little past it ----

std::shared_ptr<MVElementGroup> scatteredCircles(MVElementDelegate* controller)
{
  const pf::SharedPath circle = std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(4));
  auto group = makeGroup(controller, "Circles");
  for (int i = 0; i < 1000; ++i) {
    auto element = std::make_shared<MVElementPath>();
    element->setNodeController(controller);
    element->setCgPath(circle);
    element->setWidth(8);
    element->setHeight(8);
    element->setPositionX(static_cast<double>((i * 37) % 220) - 10, static_cast<double>((i * 53) % 220) - 10);
    group->addElementWithoutRecalculatingPivot(std::move(element));
  }
  group->recalculateArrayPivot();
  return group;
}

void seamlessRepeater(benchmark::State& state)
{
  RepeaterGraph graph("RepeatSeamlessNode");
  // Without trimming, so that the tile is the baseline's.
  graph.repeater->indexParameterNamed("Trim Mode")->setEnabled(false);
  const auto input = scatteredCircles(&graph.controller);
  long count = 0;
  for (auto _ : state) {
    auto tree = graph.build(input);
    count = outputCount(tree);
    benchmark::DoNotOptimize(tree);
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["kept"] = static_cast<double>(count);
}
BENCHMARK(seamlessRepeater)->Unit(benchmark::kMillisecond);

// Nine offset copies of every circle that meets the artboard, kept where their box meets it.
void seamlessDirect(benchmark::State& state)
{
  RepeaterGraph graph("RepeatSeamlessNode");
  const auto input = scatteredCircles(&graph.controller);
  const pf::Rect artboard(0, 0, 200, 200);
  long count = 0;
  for (auto _ : state) {
    auto tile = makeGroup(&graph.controller, "Seamless group");
    for (double dy : {-200.0, 0.0, 200.0}) {
      for (double dx : {-200.0, 0.0, 200.0}) {
        for (const auto& child : input->elementArray()) {
          if (!artboard.intersects(pf::Rect(child->positionX() - 4, child->positionY() - 4, 8, 8))) {
            continue;  // hidden members are not repeated
          }
          const double x = child->positionX() + dx;
          const double y = child->positionY() + dy;
          if (!artboard.intersects(pf::Rect(x - 4, y - 4, 8, 8))) {
            continue;
          }
          std::shared_ptr<MVElement> copy = child->copy();
          copy->offsetPositionX(dx, dy);
          tile->addElementWithoutRecalculatingPivot(std::move(copy));
        }
      }
    }
    tile->recalculateArrayPivot();
    count = tile->count();
    benchmark::DoNotOptimize(tile);
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["kept"] = static_cast<double>(count);
}
BENCHMARK(seamlessDirect)->Unit(benchmark::kMillisecond);

}  // namespace
