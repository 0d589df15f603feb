// Starting the application with a large document: from launching the release binary until its
// window shows the first complete preview image, beside the core alone (headless) opening the
// same file, generating it and rendering it once at the same size. Documents of 1,000 and
// 10,000 shape nodes, each wired to the artboard, which stands in the visible corner of the
// editor while the shapes fill a wide grid beyond it: every wire is long and ends in the
// visible area.
//
// The launches need an X display: run it as `xvfb-run -a build/release/bench/bench_window_start`
// (without a display the window figures are skipped). Each launch starts a fresh process with
// its own preferences folder; the time runs from the spawn to the line the application prints
// when the image is on the screen (--time-first-preview), so it includes loading the libraries.
// The counter "core ms" of a window figure is the median of the headless figure measured in
// the same run, and "ratio" the start's share over it.
//
// That headless figure is taken in one process over and over: from the second time on, the
// memory the document needs is already mapped into the process, which on a virtual machine saves
// the core most of its page faults (reading the 10,000-node file takes 0.26 s so, 0.7 s in a
// fresh process). A launch always starts fresh, so the core is also timed as a process of its
// own, from the spawn to the line it prints when its image is made: "fresh core ms" and
// "fresh ratio" compare with that, like with like. The application's launch also grows its heap
// at once for the document and asks for huge pages there (pf::StartupHeap); "fresh heap core ms"
// and "fresh heap ratio" compare with the core process doing the same.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Allocator.h"
#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"

extern char** environ;

namespace {

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "morvalis-window-start-bench";
constexpr int kColumns = 40;           // shapes per row of the grid
constexpr double kColumnStep = 220.0;  // points between the shapes' boxes
constexpr double kRowStep = 160.0;

struct BenchSetUp {
  BenchSetUp()
  {
    pf::setLogEcho(false);
    std::filesystem::create_directories(kFolder / "config" / "Morvalis");
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>(kFolder / "defaults.plist");
    defaults->registerDefaults(PreferenceDefaults::table());
    pf::UserDefaults::setStandard(defaults);
    registerNodeClasses();
    // The launched application's preferences: no quick tips window at the start.
    pf::UserDefaults launched(kFolder / "config" / "Morvalis" / "Preferences.plist");
    launched.setBool("Quick Tips Show At Startup 3", false);
    launched.synchronize();
  }
  pf::ManualRunLoop runLoop;
};

BenchSetUp& setUp()
{
  static BenchSetUp instance;
  return instance;
}

// The artboard near the editor's origin, the shapes in rows of 40 to its right and below it,
// each drawn somewhere else on the artboard.
std::filesystem::path savedDocument(long shapes)
{
  const std::filesystem::path path = kFolder / ("wired-" + std::to_string(shapes) + ".mvdx");
  if (std::filesystem::exists(path)) {
    return path;
  }
  MVDocument document;
  document.pauseUndoRegistration();
  MVNodeController& controller = document.nodeController();
  controller.setIsLoadingFile(true);
  auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {40.0, 40.0}, false));
  MVParameterSocket* input = artboard->layers().front()->inputSocket();
  for (long i = 0; i < shapes; ++i) {
    const double x = 400.0 + static_cast<double>(i % kColumns) * kColumnStep;
    const double y = 40.0 + static_cast<double>(i / kColumns) * kRowStep;
    MVNode* shape = controller.addNodeOfClass("ElementShapeNode", {x, y}, false);
    controller.addConnectionFromSocket(shape->graphicsParameterNamed("Graphics")->outputSocket(), input);
  }
  controller.setIsLoadingFile(false);
  document.resumeUndoRegistration();
  document.writeToURL(path);
  return path;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values)
{
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::map<long, std::vector<double>>& coreSeconds()
{
  static std::map<long, std::vector<double>> seconds;
  return seconds;
}

std::map<long, std::vector<double>>& freshCoreSeconds()
{
  static std::map<long, std::vector<double>> seconds;
  return seconds;
}

std::map<long, std::vector<double>>& freshCoreWithStartupHeapSeconds()
{
  static std::map<long, std::vector<double>> seconds;
  return seconds;
}

// What the core does for the first image, with no window: open the file as the window does,
// generate, render once at the preview's scale with the renderer the preview uses. Answers the
// pixels of the image; `document` keeps the document (freeing it is not part of the work).
long openAndRenderOnce(const std::filesystem::path& path, std::unique_ptr<MVDocument>& document)
{
  document = std::make_unique<MVDocument>();
  document->readFromURL(path);
  document->windowControllerDidLoadNib();
  MVNodeController& controller = document->nodeController();
  controller.regenerate();
  MVElementRenderer renderer;
  controller.setupRenderingThread(&renderer);
  renderer.setInputRenderingElement(controller.outputElement());
  renderer.setDisplayScale(1.0);
  renderer.setRetinaScaling(1.0);
  renderer.startRendering();
  const std::shared_ptr<const pf::Bitmap> image = renderer.outputBitmap();
  return image ? static_cast<long>(image->width()) * image->height() : 0;
}

// The baseline, in this process over and over.
void BM_CoreOpenAndRender(benchmark::State& state)
{
  setUp();
  const std::filesystem::path path = savedDocument(state.range(0));
  long pixels = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<MVDocument> document;
    pixels = openAndRenderOnce(path, document);
    const double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    coreSeconds()[state.range(0)].push_back(seconds);
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
  state.counters["pixels"] = static_cast<double>(pixels);
}
BENCHMARK(BM_CoreOpenAndRender)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

#ifndef MORV_APPLICATION_PATH
#error "MORV_APPLICATION_PATH names the application binary"
#endif

constexpr const char* kCoreFlag = "--open-and-render-once";
// The same with the heap the application's launch sets up for the document (pf::StartupHeap).
constexpr const char* kCoreWithStartupHeapFlag = "--open-and-render-once-with-startup-heap";
constexpr const char* kCoreMarker = "core image made";

// Launches `program` with `flag` on the document and waits for a line holding `marker`; the
// seconds from the spawn to the line, or a negative value when it failed.
double launchUntilLine(std::string program, std::string flag, const std::filesystem::path& document,
                       const std::string& marker, std::string& failure)
{
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    failure = "no pipe";
    return -1.0;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string each(*entry);
    if (each.rfind("XDG_CONFIG_HOME=", 0) != 0 && each.rfind("QT_QPA_PLATFORM=", 0) != 0) {
      environment.push_back(each);
    }
  }
  environment.push_back("XDG_CONFIG_HOME=" + (kFolder / "config").string());
  environment.push_back("QT_QPA_PLATFORM=xcb");
  std::vector<char*> envp;
  for (std::string& each : environment) {
    envp.push_back(each.data());
  }
  envp.push_back(nullptr);
  std::string file = document.string();
  std::array<char*, 4> argv{program.data(), flag.data(), file.data(), nullptr};
  pid_t child = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    failure = "could not launch " + program;
    return -1.0;
  }
  std::string output;
  double seconds = -1.0;
  std::array<char, 4096> buffer{};
  for (;;) {
    const ssize_t got = read(pipeEnds[0], buffer.data(), buffer.size());
    if (got <= 0) {
      break;
    }
    output.append(buffer.data(), static_cast<std::size_t>(got));
    if (seconds < 0.0 && output.find(marker) != std::string::npos) {
      seconds = secondsSince(start);
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (seconds < 0.0) {
    failure = "no timing line; " + program + " said: " + output.substr(0, 400);
  }
  return seconds;
}

// Launches this program with `flag` (see main below) on the document of `state`, five times,
// and notes the seconds in `seconds`.
void launchFreshCore(benchmark::State& state, const char* flag, std::map<long, std::vector<double>>& seconds)
{
  setUp();
  const std::filesystem::path path = savedDocument(state.range(0));
  for (auto _ : state) {
    std::string failure;
    const double launch = launchUntilLine("/proc/self/exe", flag, path, kCoreMarker, failure);
    if (launch < 0.0) {
      state.SkipWithError(failure.c_str());
      return;
    }
    state.SetIterationTime(launch);
    seconds[state.range(0)].push_back(launch);
  }
}

// The baseline as a process of its own: this program launched to open, generate and render
// the document once.
void BM_CoreFreshProcess(benchmark::State& state)
{
  launchFreshCore(state, kCoreFlag, freshCoreSeconds());
}
BENCHMARK(BM_CoreFreshProcess)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The same process with the start heap the application gives itself, like with like for that
// part of a launch.
void BM_CoreFreshProcessWithStartupHeap(benchmark::State& state)
{
  launchFreshCore(state, kCoreWithStartupHeapFlag, freshCoreWithStartupHeapSeconds());
}
BENCHMARK(BM_CoreFreshProcessWithStartupHeap)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void BM_WindowFirstPreview(benchmark::State& state)
{
  setUp();
  const std::filesystem::path path = savedDocument(state.range(0));
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no X display: run under xvfb-run -a");
    return;
  }
  std::vector<double> launches;
  for (auto _ : state) {
    std::string failure;
    const double seconds =
        launchUntilLine(MORV_APPLICATION_PATH, "--time-first-preview", path, "first complete preview image shown", failure);
    if (seconds < 0.0) {
      state.SkipWithError(failure.c_str());
      return;
    }
    state.SetIterationTime(seconds);
    launches.push_back(seconds);
  }
  const double core = median(coreSeconds()[state.range(0)]);
  const double freshCore = median(freshCoreSeconds()[state.range(0)]);
  state.counters["median ms"] = median(launches) * 1000.0;
  state.counters["core ms"] = core * 1000.0;
  state.counters["ratio"] = core > 0.0 ? median(launches) / core : 0.0;
  state.counters["fresh core ms"] = freshCore * 1000.0;
  state.counters["fresh ratio"] = freshCore > 0.0 ? median(launches) / freshCore : 0.0;
  const double heapCore = median(freshCoreWithStartupHeapSeconds()[state.range(0)]);
  state.counters["fresh heap core ms"] = heapCore * 1000.0;
  state.counters["fresh heap ratio"] = heapCore > 0.0 ? median(launches) / heapCore : 0.0;
}
BENCHMARK(BM_WindowFirstPreview)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

// Launched with the core's flag and a document, the program opens and renders it once, says so
// on stderr and ends without tearing anything down; otherwise it runs the benchmarks.
int main(int argc, char** argv)
{
  const bool withStartupHeap = argc == 3 && std::strcmp(argv[1], kCoreWithStartupHeapFlag) == 0;
  if (argc == 3 && (std::strcmp(argv[1], kCoreFlag) == 0 || withStartupHeap)) {
    std::optional<pf::StartupHeap> startupHeap;
    if (withStartupHeap) {
      std::error_code error;
      const std::uintmax_t size = std::filesystem::file_size(argv[2], error);
      startupHeap.emplace(error ? 0 : static_cast<std::size_t>(2 * size));
    }
    setUp();
    std::unique_ptr<MVDocument> document;
    const long pixels = openAndRenderOnce(argv[2], document);
    std::fprintf(stderr, "%s (%ld pixels)\n", kCoreMarker, pixels);
    std::fflush(stderr);
    std::_Exit(pixels > 0 ? 0 : 1);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
