#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include "PlainCairo.h"

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/Path.h"
#include "Platform/UserDefaults.h"

namespace {

// A document whose artboard collects N shape nodes (rectangles, ellipses and stars in a grid,
// each its own colour) on its top layer: one generation, one bitmap rendering and one SVG
// writing of the output, each reported per element ("per element" is seconds per shape). Each
// stands beside a plain baseline doing the same work without the graph or the element model:
// the same paths built directly, drawn by a plain Cairo loop, and written with snprintf.

constexpr int kSide = 500;
constexpr int kColumns = 32;
constexpr double kSpacing = 15;
constexpr double kShapeSize = 12;

constexpr long long kKinds[] = {ElementShapeNode::kRectangle, ElementShapeNode::kEllipse, ElementShapeNode::kStarPolygon};

pf::Point positionOf(long i)
{
  return {kShapeSize + static_cast<double>(i % kColumns) * kSpacing,
          kShapeSize + static_cast<double>(i / kColumns) * kSpacing};
}

pf::Color colorOf(long i)
{
  return pf::Color::rgb(static_cast<double>(i % 7) / 6, static_cast<double>(i % 5) / 4, static_cast<double>(i % 3) / 2);
}

pf::Path pathOf(long i)
{
  switch (kKinds[i % 3]) {
  case ElementShapeNode::kRectangle:
    return MVElementPath::cgPathForRectangleWithWidth(kShapeSize, kShapeSize);
  case ElementShapeNode::kEllipse:
    return MVElementPath::cgPathForEllipseWithWidth(kShapeSize, kShapeSize);
  default:
    return MVElementPath::cgPathForRoundedStarWithOuterRadius(kShapeSize / 2, 20.0 / 2, 6, 0, 0);
  }
}

void reportPerElement(benchmark::State& state)
{
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["per element"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// Whether the shapes feed the artboard. Unconnected shapes are not reached by the pull: the
// controller queues their previews and forces them after it.
enum class Wiring { Connected, Unconnected };

// The document, generated once.
struct ArtworkDocument {
  explicit ArtworkDocument(long count, Wiring wiring = Wiring::Connected)
  {
    pf::RunLoop::setCurrent(&runLoop);
    // A store of our own so that the user's preferences do not change what is measured.
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Clipping rendering sub-pixel overlaps", false);
    defaults->setBool("Snap nodes to grid", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    // Building the graph is no step anybody would undo.
    document.pauseUndoRegistration();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    artboard->sizeParameter()->setValueX(kSide, kSide);
    for (long i = 0; i < count; ++i) {
      auto* shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
      shape->indexParameterNamed("Type")->setIndex(kKinds[i % 3]);
      shape->sizeParameter()->setValueX(kShapeSize, kShapeSize);
      shape->positionParameter()->setValueX(positionOf(i).x, positionOf(i).y);
      shape->fillColorParameter()->setColor(colorOf(i));
      if (wiring == Wiring::Connected) {
        controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                           artboard->layers().front()->inputSocket());
      }
    }
    document.resumeUndoRegistration();
    runLoop.advance(1.0);
  }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
};

void measureGeneration(benchmark::State& state, Wiring wiring)
{
  ArtworkDocument document(state.range(0), wiring);
  for (auto _ : state) {
    // Every node recomputes, as after a change at the root of the graph.
    for (const auto& node : document.controller.nodeArray()) {
      node->clearCachedValues();
    }
    document.controller.regenerate();
    benchmark::DoNotOptimize(document.controller.outputElement());
  }
  reportPerElement(state);
}

void artworkGeneration(benchmark::State& state)
{
  measureGeneration(state, Wiring::Connected);
}
BENCHMARK(artworkGeneration)->Arg(10)->Arg(100)->Arg(1000);

// The same shapes left unconnected: the output is empty, and every shape is generated for its
// preview after the pull.
void unconnectedGeneration(benchmark::State& state)
{
  measureGeneration(state, Wiring::Unconnected);
}
BENCHMARK(unconnectedGeneration)->Arg(10)->Arg(100)->Arg(1000);

// The same shapes as element paths, grouped as the artboard groups them.
void directShapeTreeBaseline(benchmark::State& state)
{
  ArtworkDocument document(0);
  MVElementDelegate* controller = &document.controller;
  for (auto _ : state) {
    auto input = std::make_shared<MVElementGroup>();
    input->setNodeController(controller);
    for (long i = 0; i < state.range(0); ++i) {
      auto path = std::make_shared<MVElementPath>();
      path->setNodeController(controller);
      pf::Path shape = pathOf(i);
      const pf::Rect box = *shape.bounds();
      path->setCgPath(std::make_shared<const pf::Path>(std::move(shape)));
      path->setWidth(box.width());
      path->setHeight(box.height());
      path->setPositionX(positionOf(i).x, positionOf(i).y);
      path->setFillColor(colorOf(i));
      input->addElementWithoutRecalculatingPivot(std::move(path));
    }
    input->recalculateArrayPivot();
    auto layer = std::make_shared<MVElementGroup>();
    layer->addElementWithoutRecalculatingPivot(std::move(input));
    auto layers = std::make_shared<MVElementGroup>();
    layers->addElementWithoutRecalculatingPivot(std::move(layer));
    benchmark::DoNotOptimize(layers);
  }
  reportPerElement(state);
}
BENCHMARK(directShapeTreeBaseline)->Arg(10)->Arg(100)->Arg(1000);

void artworkBitmap(benchmark::State& state)
{
  ArtworkDocument document(state.range(0));
  MVElementRenderer renderer;
  document.controller.setupRenderingThread(&renderer);
  renderer.setInputRenderingElement(document.controller.outputElement());
  for (auto _ : state) {
    renderer.startRendering();
    benchmark::DoNotOptimize(renderer.outputBitmap().get());
  }
  reportPerElement(state);
}
BENCHMARK(artworkBitmap)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The background and the same paths filled by plain Cairo into a bitmap of the artboard.
void plainCairoBitmapBaseline(benchmark::State& state)
{
  std::vector<pf::Path> paths;
  for (long i = 0; i < state.range(0); ++i) {
    paths.push_back(pathOf(i));
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
  for (auto _ : state) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    for (long i = 0; i < state.range(0); ++i) {
      cairo_save(cr);
      cairo_translate(cr, positionOf(i).x, positionOf(i).y);
      cairo_new_path(cr);
      plaincairo::appendPath(cr, paths[static_cast<std::size_t>(i)]);
      const pf::Color color = colorOf(i);
      cairo_set_source_rgba(cr, color.red(), color.green(), color.blue(), 1);
      cairo_fill(cr);
      cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_surface_destroy(surface);
  reportPerElement(state);
}
BENCHMARK(plainCairoBitmapBaseline)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void artworkSvg(benchmark::State& state)
{
  ArtworkDocument document(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(document.controller.svgOutputElementString());
  }
  reportPerElement(state);
}
BENCHMARK(artworkSvg)->Arg(10)->Arg(100)->Arg(1000);

// The same path elements written with snprintf "%g" (the process runs in the "C" locale).
void plainSnprintfSvgBaseline(benchmark::State& state)
{
  std::vector<pf::Path> paths;
  for (long i = 0; i < state.range(0); ++i) {
    paths.push_back(pathOf(i).transformed(pf::AffineTransform::translation(positionOf(i).x, positionOf(i).y)));
  }
  char buffer[128];
  for (auto _ : state) {
    std::string text = "<g id=\"Top layer\">\n";
    for (long i = 0; i < state.range(0); ++i) {
      text += "<path id=\"Shape\" d=\"";
      for (const pf::PathElement& element : paths[static_cast<std::size_t>(i)].elements()) {
        text += "MLQCZ"[static_cast<int>(element.type)];
        for (int p = 0; p < element.pointCount(); ++p) {
          const pf::Point point = element.points[static_cast<std::size_t>(p)];
          std::snprintf(buffer, sizeof buffer, "%g,%g ", point.x, point.y);
          text += buffer;
        }
      }
      const pf::Color color = colorOf(i);
      std::snprintf(buffer, sizeof buffer, "\" fill=\"rgb(%g,%g,%g)\" fill-opacity=\"1\" />\n",
                    std::round(color.red() * 255), std::round(color.green() * 255), std::round(color.blue() * 255));
      text += buffer;
    }
    text += "</g>\n";
    benchmark::DoNotOptimize(text);
  }
  reportPerElement(state);
}
BENCHMARK(plainSnprintfSvgBaseline)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
