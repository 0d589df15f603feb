#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PlistValue.h"
#include "Platform/UserDefaults.h"
#include "GenerationTiming.h"
#include "ShapeRecords.h"

namespace {

// One generation of a document of N shape nodes (rectangles, ellipses and stars, each its own
// colour and position, each connected to the artboard's top layer) with every node recomputing,
// as after a change at the root of the graph: reported per node beside a plain loop that does
// the generation's work with its nodes held compactly, the way a program written for this one
// task would hold them. Each node has 21 parameters, marks them out of date, reads each through
// its update flag, builds one small path on the heap in place of the previous one, and the root
// gathers the outputs. (The scale benchmark's plain loop does the same over a heap footprint
// per node copied from ours, to show what the memory system adds; this one shows what a plain
// program costs.)

// The document loaded from node records as a saved document is: one shape node is set up per
// record and its record renamed, so that building the graph costs little beside what is measured.
struct ShapeDocument {
  explicit ShapeDocument(long count)
  {
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Snap nodes to grid", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    pf::RunLoop::setCurrent(&runLoop);
    pf::PlistValue::Array nodes;
    pf::PlistValue::Array connections;
    {
      MVDocument source;
      source.pauseUndoRegistration();
      bench::ShapeRecords records = bench::makeShapeRecords(source.nodeController(), count);
      nodes = std::move(records.nodes);
      connections = std::move(records.connections);
    }
    document = std::make_unique<MVDocument>();
    document->pauseUndoRegistration();
    document->nodeController().loadNodesFromArray(nodes);
    document->nodeController().loadConnectionsFromArray(connections);
    document->resumeUndoRegistration();
  }
  ~ShapeDocument()
  {
    document.reset();
    pf::RunLoop::setCurrent(nullptr);
  }

  pf::ManualRunLoop runLoop;
  std::unique_ptr<MVDocument> document;
};

void shapeDocumentGenerate(benchmark::State& state)
{
  ShapeDocument shapes(state.range(0));
  MVNodeController& controller = shapes.document->nodeController();
  bench::timeWholeGenerations(state, controller);
  bench::reportPerNode(state);
}
BENCHMARK(shapeDocumentGenerate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// ---- The plain loop ----

namespace compact {

constexpr int kParameters = 21;

struct Parameter {
  double stored = 2.0;
  double cached = 0.0;
  bool needsToUpdate = true;

  double value()
  {
    if (needsToUpdate) {
      cached = stored * 1.5;
      needsToUpdate = false;
    }
    return cached;
  }
};

struct Node {
  std::shared_ptr<const std::vector<double>> generate()
  {
    double size = 0.0;
    for (Parameter& parameter : parameters) {
      size += parameter.value();
    }
    output.reset();
    auto path = std::make_shared<std::vector<double>>();
    path->reserve(20);
    for (int corner = 0; corner < 10; ++corner) {
      path->push_back(size * std::cos(corner * 0.6283));
      path->push_back(size * std::sin(corner * 0.6283));
    }
    output = std::move(path);
    return output;
  }

  std::array<Parameter, kParameters> parameters;
  std::shared_ptr<const std::vector<double>> output;
};

}  // namespace compact

void compactGenerateBaseline(benchmark::State& state)
{
  std::vector<compact::Node> nodes(static_cast<std::size_t>(state.range(0)));
  std::vector<std::shared_ptr<const std::vector<double>>> outputs;
  for (auto _ : state) {
    for (compact::Node& node : nodes) {
      for (compact::Parameter& parameter : node.parameters) {
        parameter.needsToUpdate = true;
      }
    }
    outputs.clear();
    outputs.reserve(nodes.size());
    for (compact::Node& node : nodes) {
      outputs.push_back(node.generate());
    }
    benchmark::DoNotOptimize(outputs.data());
  }
  bench::reportPerNode(state);
}
BENCHMARK(compactGenerateBaseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
