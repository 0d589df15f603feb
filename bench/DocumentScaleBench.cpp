#include <malloc.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
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
#include "Platform/PlistXml.h"
#include "Platform/PropertyList.h"
#include "Platform/UserDefaults.h"

#include "HeapCounter.h"
#include "GenerationTiming.h"
#include "ShapeRecords.h"

namespace {

// Documents of N shape nodes, each connected to the artboard's top layer, saved as one
// property list: opening one (parse, load the nodes, load the connections) and generating it,
// reported per node, beside parsing the same property list alone. Documents are saved as XML;
// 100,000 shape nodes take 672 MB in it; the XML reader is called itself, as pf::readPropertyList
// would only add reading the file. Cost per node should stay flat from 1,000 to 100,000 nodes.
// Peak memory is the growth of the resident peak (Linux's VmHWM, restarted before each
// measurement) over what the process held before: it leaves out the saved bytes the benchmark
// keeps, so every size can run in one process. "values MiB" is the heap the parsed property list
// holds. The memory benchmark opens the document from a file, as the application does, and
// also counts the heap itself (HeapCounter.h); its plain counterpart is the graph of
// plainGenerateBaseline ("graph KiB/node").

void installQuietDefaults()
{
  // A store of our own so that the user's preferences do not change what is measured.
  auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
  defaults->setBool("Snap nodes to grid", false);
  pf::UserDefaults::setStandard(std::move(defaults));
}

std::optional<pf::PlistValue> parse(const std::string& bytes)
{
  std::string error;
  return pf::plist_detail::readXmlPropertyList(bytes, error);
}

// The saved bytes of a document of `count` shapes (rectangles, ellipses and stars in a grid, each
// its own colour): one shape node is set up per record and its record renamed, so that building
// the bytes costs little beside what is measured.
const std::string& documentBytes(long count)
{
  static std::map<long, std::string> made;
  if (const auto found = made.find(count); found != made.end()) {
    return found->second;
  }
  pf::ManualRunLoop runLoop;
  pf::RunLoop::setCurrent(&runLoop);
  std::string bytes;
  {
    MVDocument document;
    document.pauseUndoRegistration();
    bench::ShapeRecords records = bench::makeShapeRecords(document.nodeController(), count);
    pf::PlistValue::Dictionary root;
    root.set("Version", MVApplicationResources::applicationVersion());
    root.set("Nodes", pf::PlistValue(std::move(records.nodes)));
    root.set("Connections", pf::PlistValue(std::move(records.connections)));
    bytes = *pf::xmlPropertyList(pf::PlistValue(std::move(root)));
  }
  pf::RunLoop::setCurrent(nullptr);
  return made.emplace(count, std::move(bytes)).first->second;
}

// Heap bytes in use now.
double heapBytesInUse()
{
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

// ---- Resident memory (Linux) ----

// A "Vm...:" line of /proc/self/status in KiB; 0 when it cannot be read.
double statusKiB(const std::string& field)
{
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      return std::stod(line.substr(field.size() + 1));
    }
  }
  return 0;
}

// Hands freed heap back to the system and restarts the resident peak at the current size.
// Returns the current size in KiB.
double restartResidentPeak()
{
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
  return statusKiB("VmRSS");
}

// How far the resident peak rose above `startKiB` since the restart, in MiB.
double residentPeakGrowthMiB(double startKiB)
{
  return (statusKiB("VmHWM") - startKiB) / 1024.0;
}

// An opened document and how long its phases took.
struct OpenDocument {
  pf::ManualRunLoop runLoop;
  std::unique_ptr<MVDocument> document;
  double parseSeconds = 0;
  double nodeSeconds = 0;
  double connectionSeconds = 0;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reads the property list with `read` and loads its nodes and connections as the window does:
// undo registration paused throughout, the records handed over to loading.
template <typename Read>
void openDocumentWith(Read read, OpenDocument& open)
{
  pf::RunLoop::setCurrent(&open.runLoop);
  auto start = std::chrono::steady_clock::now();
  std::optional<pf::PlistValue> root = read();
  open.parseSeconds += secondsSince(start);
  open.document = std::make_unique<MVDocument>();
  open.document->pauseUndoRegistration();
  MVNodeController& controller = open.document->nodeController();
  // The records are handed over, as the document reader does, and go as they are loaded.
  pf::PlistValue::Dictionary& file = root->mutableDictionary();
  start = std::chrono::steady_clock::now();
  controller.loadNodesFromArray(std::move(file.find("Nodes")->mutableArray()));
  open.nodeSeconds += secondsSince(start);
  start = std::chrono::steady_clock::now();
  controller.loadConnectionsFromArray(std::move(file.find("Connections")->mutableArray()));
  open.connectionSeconds += secondsSince(start);
  open.document->resumeUndoRegistration();
}

void openDocument(const std::string& bytes, OpenDocument& open)
{
  openDocumentWith([&bytes] { return parse(bytes); }, open);
}

void closeDocument(OpenDocument& open)
{
  open.document.reset();
  pf::RunLoop::setCurrent(nullptr);
}

// The phase's seconds per node and iteration, in microseconds.
benchmark::Counter microsecondsPerNode(double seconds, const benchmark::State& state)
{
  return benchmark::Counter(seconds * 1e6 / static_cast<double>(state.iterations() * state.range(0)));
}

// The baseline: parsing the document's property list, nothing else.
void documentParse(benchmark::State& state)
{
  installQuietDefaults();
  registerNodeClasses();
  const std::string& bytes = documentBytes(state.range(0));
  const double startKiB = restartResidentPeak();
  const double heapBefore = heapBytesInUse();
  for (auto _ : state) {
    std::optional<pf::PlistValue> root = parse(bytes);
    benchmark::DoNotOptimize(root);
    state.PauseTiming();
    state.counters["values MiB"] = (heapBytesInUse() - heapBefore) / 1048576.0;
    root.reset();
    state.ResumeTiming();
  }
  bench::reportPerNode(state);
  state.counters["peak MiB"] = residentPeakGrowthMiB(startKiB);
}
BENCHMARK(documentParse)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Parse, load the nodes, load the connections; closing the document is not measured.
void documentOpen(benchmark::State& state)
{
  installQuietDefaults();
  registerNodeClasses();
  const std::string& bytes = documentBytes(state.range(0));
  OpenDocument open;
  const double startKiB = restartResidentPeak();
  for (auto _ : state) {
    openDocument(bytes, open);
    state.PauseTiming();
    closeDocument(open);
    state.ResumeTiming();
  }
  bench::reportPerNode(state);
  state.counters["peak MiB"] = residentPeakGrowthMiB(startKiB);
  state.counters["parse µs/node"] = microsecondsPerNode(open.parseSeconds, state);
  state.counters["nodes µs/node"] = microsecondsPerNode(open.nodeSeconds, state);
  state.counters["connections µs/node"] = microsecondsPerNode(open.connectionSeconds, state);
}
BENCHMARK(documentOpen)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One generation of the opened document with every node recomputing, as after a change at the
// root of the graph.
void documentGenerate(benchmark::State& state)
{
  installQuietDefaults();
  registerNodeClasses();
  const std::string& bytes = documentBytes(state.range(0));
  OpenDocument open;
  openDocument(bytes, open);
  MVNodeController& controller = open.document->nodeController();
  bench::timeWholeGenerations(state, controller);
  bench::reportPerNode(state);
  closeDocument(open);
}
BENCHMARK(documentGenerate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);


// ---- A plain baseline of generation ----
//
// The generation's work written plainly over the same heap footprint per node: each node holds
// 21 parameters of the size ours take with their two sockets (8.4 KiB per node in all), marks
// them out of date as the benchmark above does, then reads each through a virtual call with an
// update flag, builds one small path on the heap in place of the previous one, and the root
// gathers the node outputs. No graph, no connections, no records: what rises with the size here
// is what the memory system adds once the nodes no longer fit the processor's caches.
namespace plain {

constexpr int kParameters = 21;

class Parameter {
public:
  virtual ~Parameter() = default;
  virtual void setNeedsToUpdate() { needsToUpdate_ = true; }
  virtual double value()
  {
    if (needsToUpdate_) {
      cached_ = stored_ * 1.5;
      needsToUpdate_ = false;
    }
    return cached_;
  }

private:
  using Socket = std::array<char, 64>;
  bool needsToUpdate_ = true;
  double stored_ = 2.0;
  double cached_ = 0.0;
  std::array<char, 176> rest_{};  // names, flags and limits
  std::unique_ptr<Socket> input_ = std::make_unique<Socket>();
  std::unique_ptr<Socket> output_ = std::make_unique<Socket>();
};

struct Node {
  Node()
  {
    for (int i = 0; i < kParameters; ++i) {
      parameters.push_back(std::make_unique<Parameter>());
    }
  }
  std::shared_ptr<const std::vector<double>> generate()
  {
    double size = 0.0;
    for (const auto& parameter : parameters) {
      size += parameter->value();
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
  std::vector<std::unique_ptr<Parameter>> parameters;
  std::shared_ptr<const std::vector<double>> output;
  std::array<char, 400> rest_{};  // the node's own fields
};

}  // namespace plain

void plainGenerateBaseline(benchmark::State& state)
{
  const double before = heapBytesInUse();
  std::vector<std::unique_ptr<plain::Node>> nodes;
  for (long i = 0; i < state.range(0); ++i) {
    nodes.push_back(std::make_unique<plain::Node>());
  }
  state.counters["graph KiB/node"] = (heapBytesInUse() - before) / 1024.0 / static_cast<double>(state.range(0));
  std::vector<std::shared_ptr<const std::vector<double>>> outputs;
  for (auto _ : state) {
    for (const auto& node : nodes) {
      for (const auto& parameter : node->parameters) {
        parameter->setNeedsToUpdate();
      }
    }
    outputs.clear();
    outputs.reserve(nodes.size());
    for (const auto& node : nodes) {
      outputs.push_back(node->generate());
    }
    benchmark::DoNotOptimize(outputs.data());
  }
  bench::reportPerNode(state);
}
BENCHMARK(plainGenerateBaseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Opens the document from a file as the application does (read, then set up once the window
// would have loaded) and generates it once. Per node: the heap the open document holds ("graph
// KiB/node" just opened, "live KiB/node" generated) and the most heap in use while opening
// ("open peak KiB/node", counted on every allocation). "peak / live" is that peak over the heap
// the generated document holds, "peak / opened" over the heap just opened; opening should peak
// at most at twice the live heap. "peak MiB" is the growth of the resident peak.
void documentMemory(benchmark::State& state)
{
  installQuietDefaults();
  registerNodeClasses();
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("morvalis-bench-scale-" + std::to_string(state.range(0)) + ".mvdx");
  std::ofstream(file, std::ios::binary) << documentBytes(state.range(0));
  OpenDocument open;
  for (auto _ : state) {
    const double startKiB = restartResidentPeak();
    const double before = heapBytesInUse();
    const auto countedBefore = static_cast<double>(heapcounter::bytesInUse());
    heapcounter::restartPeak();
    pf::RunLoop::setCurrent(&open.runLoop);
    open.document = std::make_unique<MVDocument>();
    open.document->readFromURL(file);
    open.document->windowControllerDidLoadNib();
    const double opened = heapBytesInUse();
    const double countedPeak = static_cast<double>(heapcounter::peakBytes()) - countedBefore;
    const double countedOpened = static_cast<double>(heapcounter::bytesInUse()) - countedBefore;
    open.document->nodeController().regenerate();
    const double after = heapBytesInUse();
    const double countedLive = static_cast<double>(heapcounter::bytesInUse()) - countedBefore;
    const double perNode = 1024.0 * static_cast<double>(state.range(0));
    state.counters["live KiB/node"] = (after - before) / perNode;
    state.counters["graph KiB/node"] = (opened - before) / perNode;
    state.counters["peak MiB"] = residentPeakGrowthMiB(startKiB);
    if (heapcounter::available()) {
      state.counters["open peak KiB/node"] = countedPeak / perNode;
      state.counters["peak / opened"] = countedPeak / countedOpened;
      state.counters["peak / live"] = countedPeak / countedLive;
    }
    state.PauseTiming();
    closeDocument(open);
    state.ResumeTiming();
  }
  std::filesystem::remove(file);
}
BENCHMARK(documentMemory)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
