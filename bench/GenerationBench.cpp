#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <memory>
#include <numbers>
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
// its update flag, builds the element of its shape (outline by type, box, position, colour,
// name) on the heap in place of the previous one, and the root gathers the outputs. (The scale benchmark's plain loop does the same over a heap footprint
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
// What the generation reads of the 21, by place: the shape's type, its size, position and
// fill colour, and the star's points and inner diameter.
enum : int { kType, kWidth, kHeight, kX, kY, kRed, kGreen, kBlue, kAlpha, kSides, kInnerDiameter };
enum : int { kRectangle, kEllipse, kStar };

struct Parameter {
  double stored = 0.0;
  double cached = 0.0;
  bool needsToUpdate = true;

  double value()
  {
    if (needsToUpdate) {
      cached = stored;
      needsToUpdate = false;
    }
    return cached;
  }
};

struct Point {
  double x;
  double y;
};

// The element a plain program would hand to the artboard: an outline (a move and lines, or a
// move and cubic segments of three points), its box, position, fill colour and name.
struct Element {
  std::vector<Point> outline;
  bool curves = false;
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
  double x = 0.0, y = 0.0;
  double red = 0.0, green = 0.0, blue = 0.0, alpha = 1.0;
  const char* name = "";
};

struct Node {
  std::shared_ptr<const Element> generate()
  {
    std::array<double, kParameters> values;
    for (int i = 0; i < kParameters; ++i) {
      values[static_cast<std::size_t>(i)] = parameters[static_cast<std::size_t>(i)].value();
    }
    output.reset();
    auto element = std::make_shared<Element>();
    const double w = values[kWidth] / 2;
    const double h = values[kHeight] / 2;
    std::vector<Point>& outline = element->outline;
    switch (static_cast<int>(values[kType])) {
    case kRectangle:
      outline = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
      element->name = "Rectangle";
      break;
    case kEllipse: {
      // Four quarters, each a cubic segment with handles of kappa times the radius.
      constexpr double kappa = 0.5522847498307936;
      const double kw = kappa * w;
      const double kh = kappa * h;
      outline = {{w, 0},   {w, kh},   {kw, h},   {0, h},   {-kw, h}, {-w, kh}, {-w, 0},
                 {-w, -kh}, {-kw, -h}, {0, -h}, {kw, -h}, {w, -kh}, {w, 0}};
      element->curves = true;
      element->name = "Ellipse";
      break;
    }
    default: {
      const int points = 2 * static_cast<int>(values[kSides]);
      const double inner = values[kInnerDiameter] / 2;
      outline.reserve(static_cast<std::size_t>(points));
      for (int j = 0; j < points; ++j) {
        const double angle = 2 * std::numbers::pi * j / points + std::numbers::pi / 2;
        const double radius = j % 2 == 1 ? w : inner;
        outline.push_back({radius * std::cos(angle), radius * std::sin(angle)});
      }
      element->name = "Star";
      break;
    }
    }
    // The box of the outline's points (for these shapes the handles lie within the curves' box).
    element->left = element->right = outline.front().x;
    element->top = element->bottom = outline.front().y;
    for (const Point& point : outline) {
      element->left = std::min(element->left, point.x);
      element->right = std::max(element->right, point.x);
      element->top = std::min(element->top, point.y);
      element->bottom = std::max(element->bottom, point.y);
    }
    element->x = values[kX];
    element->y = values[kY];
    element->red = values[kRed];
    element->green = values[kGreen];
    element->blue = values[kBlue];
    element->alpha = values[kAlpha];
    output = std::move(element);
    return output;
  }

  std::array<Parameter, kParameters> parameters;
  std::shared_ptr<const Element> output;
};

// The document of the benchmark above: rectangles, ellipses and stars in turn, 30 points wide,
// in a grid of 300 columns 15 points apart, each its own colour; stars of 6 points.
std::vector<Node> shapeNodes(long count)
{
  std::vector<Node> nodes(static_cast<std::size_t>(count));
  for (long i = 0; i < count; ++i) {
    auto& parameters = nodes[static_cast<std::size_t>(i)].parameters;
    const double stored[] = {static_cast<double>(i % 3),
                             30,
                             30,
                             static_cast<double>(i % 300) * 15.0,
                             static_cast<double>(i / 300) * 15.0,
                             static_cast<double>(i % 7) / 6,
                             static_cast<double>(i % 5) / 4,
                             static_cast<double>(i % 3) / 2,
                             1,
                             6,
                             20};
    for (std::size_t k = 0; k < std::size(stored); ++k) {
      parameters[k].stored = stored[k];
    }
  }
  return nodes;
}

}  // namespace compact

void compactGenerateBaseline(benchmark::State& state)
{
  std::vector<compact::Node> nodes = compact::shapeNodes(state.range(0));
  std::vector<std::shared_ptr<const compact::Element>> outputs;
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
