#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchArtboardNode.h"

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/ManualRunLoop.h"

namespace {

// One generation cycle of a graph whose artboard collects N connected element nodes, every
// node recomputing (as after a change at the root), beside building the same element tree
// directly: the controller's and the graph's overhead over the element work itself.

std::shared_ptr<const MVElement> makeLeaf(MVElementDelegate* controller, const std::string& nodeId)
{
  auto element = std::make_shared<MVElement>();
  element->setNodeController(controller);
  element->setElementName(nodeId + " element");
  element->addNodeToHistory(nodeId);
  return element;
}

// An element node making one element.
class BenchElementNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass;
      nodeClass.className = "BenchElementNode";
      nodeClass.create = [] { return std::make_unique<BenchElementNode>(); };
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
    return makeLeaf(nodeController()->elementDelegate(), nodeId());
  }
};

// The graph: an artboard and N element nodes connected to its layer.
struct BenchGraph {
  explicit BenchGraph(long count)
  {
    pf::RunLoop::setCurrent(&runLoop);
    MVClassRegistry::shared().registerNodeClass(BenchArtboardNode::nodeClassInfo());
    MVClassRegistry::shared().registerNodeClass(BenchElementNode::nodeClassInfo());
    auto* artboard = dynamic_cast<BenchArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    for (long i = 0; i < count; ++i) {
      MVNode* node = controller.addNodeOfClass("BenchElementNode", {0, 0}, false);
      controller.addConnectionFromSocket(node->graphicsParameterNamed("Graphics")->outputSocket(),
                                         artboard->layer()->inputSocket());
    }
    runLoop.advance(1.0);
  }
  ~BenchGraph() { controller.releaseResources(); }

  pf::ManualRunLoop runLoop;
  MVNodeController controller;
};

void generationCycle(benchmark::State& state)
{
  BenchGraph graph(state.range(0));
  for (auto _ : state) {
    for (const auto& node : graph.controller.nodeArray()) {
      node->clearCachedValues();
    }
    graph.controller.regenerate();
    benchmark::DoNotOptimize(graph.controller.outputElement());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(generationCycle)->Arg(10)->Arg(100)->Arg(1000);

// The same tree built directly, with the same element IDs and node histories.
void directTreeBaseline(benchmark::State& state)
{
  BenchGraph graph(0);
  MVElementDelegate* controller = &graph.controller;
  std::vector<std::string> nodeIds;
  for (long i = 0; i < state.range(0); ++i) {
    nodeIds.push_back(std::to_string(i + 2));
  }
  for (auto _ : state) {
    auto input = makeGroup(controller, "Input group");
    for (const std::string& nodeId : nodeIds) {
      input->addElementWithoutRecalculatingPivot(makeLeaf(controller, nodeId));
    }
    input->recalculateArrayPivot();
    auto layer = makeGroup(controller, "Top layer");
    layer->addElementWithoutRecalculatingPivot(std::move(input));
    auto layers = makeGroup(controller, "Artboard layers");
    layers->addElementWithoutRecalculatingPivot(std::move(layer));
    benchmark::DoNotOptimize(layers);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(directTreeBaseline)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
