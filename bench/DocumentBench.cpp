#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeClipboard.h"
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

// ---- The same document in both forms ----
//
// A document falls back to the binary form when its strings cannot be written as XML. Opening
// the same 10,000- and 100,000-node document (nodes and connections) from its XML and from its
// binary file: "read" is the property list alone, "open" the whole open of the window. The
// binary form must take no longer than the XML form, and both must stay linear in N.

std::filesystem::path savedDocumentIn(long nodes, pf::PlistFormat format)
{
  const std::filesystem::path xml = savedDocument(nodes);
  if (format == pf::PlistFormat::Xml) {
    return xml;
  }
  const std::filesystem::path binary = kFolder / ("document-" + std::to_string(nodes) + "-binary.mvdx");
  if (!std::filesystem::exists(binary)) {
    const std::optional<pf::PlistValue> file = pf::readPropertyListFile(xml);
    if (!file || !pf::writePropertyListFile(*file, binary, pf::PlistFormat::Binary)) {
      return {};
    }
  }
  return binary;
}

void perNode(benchmark::State& state)
{
  state.counters["per node"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                  benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void readIn(benchmark::State& state, pf::PlistFormat format)
{
  setUp();
  const std::filesystem::path path = savedDocumentIn(state.range(0), format);
  for (auto _ : state) {
    std::optional<pf::PlistValue> file = pf::readPropertyListFile(path);
    if (!file) {
      state.SkipWithError("the document does not read");
      break;
    }
    benchmark::DoNotOptimize(file);
  }
  perNode(state);
}

void openIn(benchmark::State& state, pf::PlistFormat format)
{
  setUp();
  const std::filesystem::path path = savedDocumentIn(state.range(0), format);
  for (auto _ : state) {
    auto document = std::make_unique<MVDocument>();
    document->readFromURL(path);
    document->windowControllerDidLoadNib();
    benchmark::DoNotOptimize(document->nodeController().nodeArray().size());
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
  perNode(state);
}

void BM_DocumentReadXml(benchmark::State& state) { readIn(state, pf::PlistFormat::Xml); }
void BM_DocumentReadBinary(benchmark::State& state) { readIn(state, pf::PlistFormat::Binary); }
void BM_DocumentOpenXml(benchmark::State& state) { openIn(state, pf::PlistFormat::Xml); }
void BM_DocumentOpenBinary(benchmark::State& state) { openIn(state, pf::PlistFormat::Binary); }

// A node clipboard record one connection over the cap (50,001 connection records in about
// 250 KB of binary property list) is refused; the refusal must not wait on a slow read.
void BM_ClipboardOverCapRefusal(benchmark::State& state)
{
  setUp();
  pf::PlistValue::Dictionary connection;
  connection.set("From parameter nodeId", "1");
  connection.set("To parameter nodeId", "2");
  pf::PlistValue::Array connections(MVNodeClipboard::kMaxConnections + 1, pf::PlistValue(connection));
  pf::PlistValue::Dictionary record;
  record.set("Nodes", pf::PlistValue(pf::PlistValue::Array{}));
  record.set("Connections", pf::PlistValue(std::move(connections)));
  std::string error;
  const std::vector<std::uint8_t> bytes = *MVNodeClipboard::encode(record, error);
  for (auto _ : state) {
    const bool refused = !MVNodeClipboard::decode(bytes, error);
    if (!refused) {
      state.SkipWithError("the over-cap record was accepted");
      break;
    }
  }
  state.counters["KB"] = static_cast<double>(bytes.size()) / 1000.0;
}

BENCHMARK(BM_DocumentReadXml)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentReadBinary)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentOpenXml)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentOpenBinary)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClipboardOverCapRefusal)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DocumentSave)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistWriteBaseline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentOpen)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistReadBaseline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
