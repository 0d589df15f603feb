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

// A document of `nodes` shapes built from copies of the 10,000-node document's records (fresh
// node IDs for each copy), since adding 100,000 nodes one by one takes long.
std::filesystem::path scaledDocument(long nodes)
{
  constexpr long kBase = 10000;
  const std::filesystem::path path = kFolder / ("document-" + std::to_string(nodes) + ".mvdx");
  if (nodes <= kBase || std::filesystem::exists(path)) {
    return nodes <= kBase ? savedDocument(nodes) : path;
  }
  std::optional<pf::PlistValue> file = pf::readPropertyListFile(savedDocument(kBase));
  if (!file || !file->asDictionary()) {
    return {};
  }
  pf::PlistValue::Dictionary scaled = *file->asDictionary();
  const pf::PlistValue::Array& baseNodes = *scaled.find("Nodes")->asArray();
  const pf::PlistValue::Array& baseConnections = *scaled.find("Connections")->asArray();
  pf::PlistValue::Array allNodes;
  pf::PlistValue::Array allConnections;
  for (long copy = 0; copy < nodes / kBase; ++copy) {
    std::string suffix;
    if (copy > 0) {
      suffix.push_back('-');
      suffix.append(std::to_string(copy));
    }
    for (const pf::PlistValue& entry : baseNodes) {
      pf::PlistValue::Dictionary node = *entry.asDictionary();
      const bool artboard = node.find("Node class")->stringOr() == "ArtboardNode";
      if (artboard && copy > 0) {
        continue;
      }
      if (!artboard) {
        node.set("Node id", node.find("Node id")->stringOr() + suffix);
      }
      allNodes.emplace_back(std::move(node));
    }
    for (const pf::PlistValue& entry : baseConnections) {
      pf::PlistValue::Dictionary connection = *entry.asDictionary();
      connection.set("From parameter nodeId", connection.find("From parameter nodeId")->stringOr() + suffix);
      allConnections.emplace_back(std::move(connection));
    }
  }
  scaled.set("Nodes", pf::PlistValue(std::move(allNodes)));
  scaled.set("Connections", pf::PlistValue(std::move(allConnections)));
  scaled.set("Node ID Counter", static_cast<long long>(nodes * 10));
  if (!pf::writePropertyListFile(pf::PlistValue(std::move(scaled)), path)) {
    return {};
  }
  return path;
}

std::filesystem::path savedDocumentIn(long nodes, pf::PlistFormat format)
{
  const std::filesystem::path xml = scaledDocument(nodes);
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

// A node clipboard payload one connection over the cap: 50,001 connection records that share
// their key and value strings, about 400 KB in the binary form, is refused. The refusal must not
// wait on a slow read.
std::vector<std::uint8_t> overCapClipboardPayload()
{
  const std::uint32_t records = static_cast<std::uint32_t>(MVNodeClipboard::kMaxConnections) + 1;
  // Objects: 0 the record, 1 "Nodes", 2 "Connections", 3 the empty node list, 4 the connection
  // list, 5 the shared key, 6 the shared value, then one dictionary per connection.
  const std::uint32_t count = 7 + records;
  std::vector<std::uint8_t> bytes = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<std::uint64_t> offsets;
  const auto reference = [&bytes](std::uint32_t object) {
    bytes.push_back(static_cast<std::uint8_t>(object >> 16));
    bytes.push_back(static_cast<std::uint8_t>(object >> 8));
    bytes.push_back(static_cast<std::uint8_t>(object));
  };
  const auto ascii = [&bytes](const std::string& text) {
    bytes.push_back(static_cast<std::uint8_t>(0x50 | 0x0f));
    bytes.push_back(0x10);
    bytes.push_back(static_cast<std::uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
  };
  offsets.push_back(bytes.size());
  bytes.push_back(0xd2);
  reference(1);
  reference(2);
  reference(3);
  reference(4);
  offsets.push_back(bytes.size());
  ascii("Nodes");
  offsets.push_back(bytes.size());
  ascii("Connections");
  offsets.push_back(bytes.size());
  bytes.push_back(0xa0);
  offsets.push_back(bytes.size());
  bytes.push_back(0xaf);
  bytes.push_back(0x12);
  for (int shift = 24; shift >= 0; shift -= 8) {
    bytes.push_back(static_cast<std::uint8_t>(records >> shift));
  }
  for (std::uint32_t i = 0; i < records; ++i) {
    reference(7 + i);
  }
  offsets.push_back(bytes.size());
  ascii("From parameter nodeId");
  offsets.push_back(bytes.size());
  ascii("1");
  for (std::uint32_t i = 0; i < records; ++i) {
    offsets.push_back(bytes.size());
    bytes.push_back(0xd1);
    reference(5);
    reference(6);
  }
  const std::uint64_t table = bytes.size();
  for (const std::uint64_t offset : offsets) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes.push_back(static_cast<std::uint8_t>(offset >> shift));
    }
  }
  bytes.insert(bytes.end(), 6, 0);
  bytes.push_back(4);  // offset size
  bytes.push_back(3);  // reference size
  for (const std::uint64_t field : {std::uint64_t{count}, std::uint64_t{0}, table}) {
    for (int shift = 56; shift >= 0; shift -= 8) {
      bytes.push_back(static_cast<std::uint8_t>(field >> shift));
    }
  }
  return bytes;
}

void BM_ClipboardOverCapRefusal(benchmark::State& state)
{
  setUp();
  const std::vector<std::uint8_t> bytes = overCapClipboardPayload();
  std::string error;
  for (auto _ : state) {
    const bool refused = !MVNodeClipboard::decode(bytes, error);
    if (!refused || error.find("Connections") == std::string::npos) {
      state.SkipWithError("the over-cap record was not refused for its connections");
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
