#include <sys/resource.h>

#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchArtboardNode.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "Platform/ManualRunLoop.h"

namespace {

// The cost of an element tree's hops between nodes: a source node builds N shape elements, and
// the tree reaches the artboard directly or through three nodes that change nothing. Beside it,
// the same tree built once directly. Each run reports the process's peak memory; run one
// benchmark per process (--benchmark_filter) for a figure of that benchmark alone.

constexpr const char* kSourceClass = "BenchShapesNode";
constexpr const char* kPassClass = "BenchPassNode";

std::shared_ptr<MVElementGroup> buildShapes(MVElementDelegate* controller, long count, const pf::SharedPath& shape)
{
  auto group = makeGroup(controller, "Shapes");
  for (long i = 0; i < count; ++i) {
    auto element = std::make_shared<MVElementPath>();
    element->setNodeController(controller);
    element->setCgPath(shape);
    element->setWidth(10);
    element->setHeight(10);
    element->setPositionX(static_cast<double>(i % 300), static_cast<double>(i / 300));
    element->setElementName("Rectangle");
    group->addElementWithoutRecalculatingPivot(std::move(element));
  }
  group->recalculateArrayPivot();
  return group;
}

pf::SharedPath rectangle()
{
  return std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(10, 10));
}

// Outputs a group of `count` rectangles.
class BenchShapesNode : public MVNode {
public:
  static inline long count = 0;

  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass;
      nodeClass.className = kSourceClass;
      nodeClass.create = [] { return std::make_unique<BenchShapesNode>(); };
      return nodeClass;
    }();
    return info;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool isElementNode() const override { return true; }
  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    auto graphics = MVParameterGraphics::parameterWithName("Graphics");
    graphics->setHasInputSocket(false);
    graphics->setGraphicsSource(this);
    addParameter(std::move(graphics));
  }
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter*, std::shared_ptr<const MVElement>) override
  {
    return buildShapes(nodeController()->elementDelegate(), count, shape_);
  }

private:
  pf::SharedPath shape_ = rectangle();
};

// Hands its input on unchanged.
class BenchPassNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass;
      nodeClass.className = kPassClass;
      nodeClass.create = [] { return std::make_unique<BenchPassNode>(); };
      return nodeClass;
    }();
    return info;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    auto graphics = MVParameterGraphics::parameterWithName("Graphics");
    graphics->setGraphicsSource(this);
    addParameter(std::move(graphics));
  }
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter*, std::shared_ptr<const MVElement> input) override
  {
    return input;
  }
};

struct HopGraph {
  HopGraph(long count, int hops)
  {
    pf::RunLoop::setCurrent(&runLoop);
    BenchShapesNode::count = count;
    MVClassRegistry::shared().registerNodeClass(BenchArtboardNode::nodeClassInfo());
    MVClassRegistry::shared().registerNodeClass(BenchShapesNode::nodeClassInfo());
    MVClassRegistry::shared().registerNodeClass(BenchPassNode::nodeClassInfo());
    auto* artboard = dynamic_cast<BenchArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    MVNode* upstream = controller.addNodeOfClass(kSourceClass, {0, 0}, false);
    for (int i = 0; i < hops; ++i) {
      MVNode* pass = controller.addNodeOfClass(kPassClass, {0, 0}, false);
      controller.addConnectionFromSocket(upstream->graphicsParameterNamed("Graphics")->outputSocket(),
                                         pass->graphicsParameterNamed("Graphics")->inputSocket());
      upstream = pass;
    }
    controller.addConnectionFromSocket(upstream->graphicsParameterNamed("Graphics")->outputSocket(),
                                       artboard->layer()->inputSocket());
    runLoop.advance(1.0);
  }
  ~HopGraph() { controller.releaseResources(); }

  pf::ManualRunLoop runLoop;
  MVNodeController controller;
};

void reportPeakMemory(benchmark::State& state)
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void generateThroughHops(benchmark::State& state)
{
  HopGraph graph(state.range(0), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    for (const auto& node : graph.controller.nodeArray()) {
      node->clearCachedValues();
    }
    graph.controller.regenerate();
    benchmark::DoNotOptimize(graph.controller.outputElement());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  reportPeakMemory(state);
}
BENCHMARK(generateThroughHops)->ArgNames({"elements", "hops"})->Args({100000, 0})->Args({100000, 3})->Unit(benchmark::kMillisecond);

void directTreeBaseline(benchmark::State& state)
{
  HopGraph graph(0, 0);
  const pf::SharedPath shape = rectangle();
  for (auto _ : state) {
    auto layer = makeGroup(&graph.controller, "Top layer");
    layer->addElementWithoutRecalculatingPivot(buildShapes(&graph.controller, state.range(0), shape));
    auto layers = makeGroup(&graph.controller, "Artboard layers");
    layers->addElementWithoutRecalculatingPivot(std::move(layer));
    benchmark::DoNotOptimize(layers);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  reportPeakMemory(state);
}
BENCHMARK(directTreeBaseline)->ArgNames({"elements"})->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
