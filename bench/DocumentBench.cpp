#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PropertyList.h"
#include "Platform/UserDefaults.h"

namespace {

// Saving and opening a document of N shape nodes, each connected to the artboard (N nodes and N
// connections), beside writing and reading the same property list with no model behind it: the
// model's share of a save or an open. Counters are per node; opening must stay linear in N.

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "morvalis-document-bench";

struct BenchSetUp {
  BenchSetUp()
  {
    pf::setLogEcho(false);
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>(kFolder / "defaults.plist");
    defaults->registerDefaults(PreferenceDefaults::table());
    pf::UserDefaults::setStandard(defaults);
    registerNodeClasses();
    std::filesystem::create_directories(kFolder);
  }
  pf::ManualRunLoop runLoop;
};

BenchSetUp& setUp()
{
  static BenchSetUp instance;
  return instance;
}

std::unique_ptr<MVDocument> makeDocument(long nodes)
{
  auto document = std::make_unique<MVDocument>();
  MVNodeController& controller = document->nodeController();
  auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {600.0, 100.0}, false));
  for (long i = 0; i < nodes; ++i) {
    MVNode* shape = controller.addNodeOfClass("ElementShapeNode", {static_cast<double>(i % 100) * 10.0, 0.0}, false);
    controller.addConnectionFromSocket(shape->graphicsParameterNamed("Graphics")->outputSocket(),
                                       artboard->layers().at(static_cast<std::size_t>(i % 3))->inputSocket());
  }
  document->undoManager()->removeAllActions();
  return document;
}

std::filesystem::path savedDocument(long nodes)
{
  const std::filesystem::path path = kFolder / ("document-" + std::to_string(nodes) + ".mvdx");
  if (!std::filesystem::exists(path)) {
    makeDocument(nodes)->writeToURL(path);
  }
  return path;
}

void BM_DocumentSave(benchmark::State& state)
{
  setUp();
  auto document = makeDocument(state.range(0));
  const std::filesystem::path path = kFolder / "save.mvdx";
  for (auto _ : state) {
    benchmark::DoNotOptimize(document->writeToURL(path));
  }
  state.counters["per node"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                  benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PlistWriteBaseline(benchmark::State& state)
{
  setUp();
  const pf::PlistValue file(makeDocument(state.range(0))->fileDictionaryForSaving());
  const std::filesystem::path path = kFolder / "baseline.plist";
  for (auto _ : state) {
    benchmark::DoNotOptimize(pf::writePropertyListFile(file, path));
  }
  state.counters["per node"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                  benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_DocumentOpen(benchmark::State& state)
{
  setUp();
  const std::filesystem::path path = savedDocument(state.range(0));
  for (auto _ : state) {
    auto document = std::make_unique<MVDocument>();
    document->readFromURL(path);
    document->windowControllerDidLoadNib();
    benchmark::DoNotOptimize(document->nodeController().nodeArray().size());
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
  state.counters["per node"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                  benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PlistReadBaseline(benchmark::State& state)
{
  setUp();
  const std::filesystem::path path = savedDocument(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(pf::readPropertyListFile(path));
  }
  state.counters["per node"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                  benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_DocumentSave)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistWriteBaseline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentOpen)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistReadBaseline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
