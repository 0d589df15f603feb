#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Nodes/Change/GroupApplyElementNode.h"
#include "MorvNode/Nodes/Change/GroupApplyFunctionNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/NodeKit.h"
#include "Platform/Bitmap.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/Path.h"
#include "Platform/UserDefaults.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

// The apply function and apply graphics nodes over a group of 10,000 paths on a 1000 x 1000
// area (the mask covers the same area), each beside the direct loop that does the node's work
// without the node: the same copies, the same curve or pixel reads, the same element change.
// Apply graphics runs cold (the mask is a fresh tree every time and is drawn again) and with
// its drawing cached. "per element" is seconds per member.
constexpr long kCount = 10000;
constexpr double kSide = 1000;

std::shared_ptr<const MVElementGroup> input()
{
  static const std::shared_ptr<const MVElementGroup> group = [] {
    const auto square = std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(8));
    auto built = std::make_shared<MVElementGroup>();
    for (long i = 0; i < kCount; ++i) {
      auto element = std::make_shared<MVElementPath>();
      element->setCgPath(square);
      element->setWidth(8);
      element->setHeight(8);
      element->setPositionX(5 + static_cast<double>(i % 100) * 10, 5 + static_cast<double>(i / 100) * 10);
      element->setFillColor(pf::Color::rgb(0.8, 0.2, 0.2));
      built->addElementWithoutRecalculatingPivot(std::move(element));
    }
    built->recalculateArrayPivot();
    return built;
  }();
  return group;
}

// A grey square of the whole area with a black disc in its middle.
std::shared_ptr<const MVElement> mask()
{
  static const std::shared_ptr<const MVElement> built = [] {
    auto group = std::make_shared<MVElementGroup>();
    auto square = std::make_shared<MVElementPath>();
    square->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(kSide)));
    square->setWidth(kSide);
    square->setHeight(kSide);
    square->setPositionX(kSide / 2, kSide / 2);
    square->setFillColor(pf::Color::grey(0.5));
    group->addElementWithoutRecalculatingPivot(std::move(square));
    auto disc = std::make_shared<MVElementPath>();
    disc->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(kSide / 4)));
    disc->setWidth(kSide / 2);
    disc->setHeight(kSide / 2);
    disc->setPositionX(kSide / 2, kSide / 2);
    disc->setFillColor(pf::Color::black());
    group->addElementWithoutRecalculatingPivot(std::move(disc));
    group->recalculateArrayPivot();
    return group;
  }();
  return built;
}

const RandomSource& randomTable()
{
  static const RandomSource table(RandomSource::kApplicationSeed);
  return table;
}

void reportPerElement(benchmark::State& state)
{
  state.SetItemsProcessed(state.iterations() * kCount);
  state.counters["per element"] =
      benchmark::Counter(static_cast<double>(kCount), benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}

// A node whose "Graphics" output is a fixed tree: the mask's source.
class MaskSourceNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass nodeClass = [] {
      MVNodeClass info;
      info.className = "BenchMaskSourceNode";
      info.create = [] { return std::make_unique<MaskSourceNode>(); };
      return info;
    }();
    return nodeClass;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void setElement(std::shared_ptr<const MVElement> element)
  {
    element_ = std::move(element);
    graphics_.inputChanged();
  }
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter*, std::shared_ptr<const MVElement>) override
  {
    return element_;
  }
  MVParameterGraphics& graphics() const { return graphics_; }

private:
  std::shared_ptr<const MVElement> element_;
  MVParameterGraphics& graphics_ = nodekit::graphics(*this, {.name = "Graphics", .inputSocket = false});
};

// A document holding an apply graphics node whose "Image" is fed by a mask source.
struct MaskDocument {
  MaskDocument()
  {
    pf::RunLoop::setCurrent(&runLoop);
    pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist"));
    registerNodeClasses();
    MVClassRegistry::shared().registerNodeClass(MaskSourceNode::nodeClassInfo());
    document.setRandomSource(&randomTable());
    document.pauseUndoRegistration();
    node = dynamic_cast<GroupApplyElementNode*>(controller.addNodeOfClass("GroupApplyElementNode", {0, 0}, false));
    source = dynamic_cast<MaskSourceNode*>(controller.addNodeOfClass("BenchMaskSourceNode", {0, 0}, false));
    source->setElement(mask());
    controller.addConnectionFromSocket(source->graphics().outputSocket(), node->imageParameter()->inputSocket());
    document.resumeUndoRegistration();
  }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  GroupApplyElementNode* node = nullptr;
  MaskSourceNode* source = nullptr;
};

// Apply function, index input, linear scale from 0.5 to 1.
void applyFunctionNode(benchmark::State& state)
{
  GroupApplyFunctionNode node;
  node.setRandomSource(&randomTable());
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    benchmark::DoNotOptimize(node.graphicsElementForParameter(node.graphicsParameter(), group));
  }
  reportPerElement(state);
}
void applyFunctionDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
    const long n = output->count();
    for (long k = 0; k < n; ++k) {
      const double v = 0.5 + 0.5 * static_cast<double>(k) / static_cast<double>(n);
      output->mutableElementAtIndex(k)->scaleX(v, v);
    }
    benchmark::DoNotOptimize(output);
  }
  reportPerElement(state);
}

// Apply function with the X position as input: every member is measured first.
void applyFunctionPositionNode(benchmark::State& state)
{
  GroupApplyFunctionNode node;
  node.setRandomSource(&randomTable());
  node.inputParameter()->setIndex(GroupApplyFunctionNode::kXInput);
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    benchmark::DoNotOptimize(node.graphicsElementForParameter(node.graphicsParameter(), group));
  }
  reportPerElement(state);
}
void applyFunctionPositionDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> group = input();
  std::vector<double> xs(static_cast<std::size_t>(kCount));
  for (auto _ : state) {
    double minX = 900000.0;
    double maxX = 0.0;
    for (long k = 0; k < kCount; ++k) {
      const double x = group->transformedElementAtIndex(k)->positionX();
      xs[static_cast<std::size_t>(k)] = x;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
    }
    auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
    for (long k = 0; k < kCount; ++k) {
      const double v = 0.5 + 0.5 * (xs[static_cast<std::size_t>(k)] - minX) / (maxX - minX);
      output->mutableElementAtIndex(k)->scaleX(v, v);
    }
    benchmark::DoNotOptimize(output);
  }
  reportPerElement(state);
}

// Apply graphics, scale from 0.5 to 1 by the darkness under each member.
void applyGraphicsNode(benchmark::State& state, bool cold)
{
  MaskDocument document;
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    if (cold) {
      // The mask evaluated afresh: a new tree, drawn again.
      document.source->setElement(mask()->copy());
    }
    benchmark::DoNotOptimize(document.node->graphicsElementForParameter(document.node->graphicsParameter(), group));
  }
  state.counters["renders"] = static_cast<double>(document.node->maskRenderCount());
  reportPerElement(state);
}
void applyGraphicsColdNode(benchmark::State& state)
{
  applyGraphicsNode(state, true);
}
void applyGraphicsCachedNode(benchmark::State& state)
{
  applyGraphicsNode(state, false);
}

// The mask drawn as the node draws it (at its own size, one pixel per unit).
std::shared_ptr<const pf::Bitmap> renderMask(MVElementRenderer& renderer, const std::shared_ptr<const MVElement>& tree)
{
  renderer.setRenderingSize(kSide, kSide);
  renderer.setDisplayScale(1.0);
  renderer.setRetinaScaling(1.0);
  renderer.setDrawBackgroundFlag(false);
  renderer.setInputRenderingElement(tree);
  renderer.startRendering();
  return renderer.outputBitmap();
}

void sampleAndScale(benchmark::State& state, bool cold)
{
  MVElementRenderer renderer;
  std::shared_ptr<const pf::Bitmap> bitmap = renderMask(renderer, mask());
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    if (cold) {
      bitmap = renderMask(renderer, mask()->copy());
    }
    auto output = std::make_shared<MVElementGroup>();
    for (long k = 0; k < kCount; ++k) {
      std::shared_ptr<MVElement> member = group->transformedElementAtIndex(k);
      const auto column = static_cast<int>(member->positionX());
      const auto row = static_cast<int>(member->positionY());
      const std::uint32_t word = bitmap->data()[static_cast<std::size_t>(row) * static_cast<std::size_t>(bitmap->width()) +
                                                   static_cast<std::size_t>(column)];
      const double a = static_cast<double>(word >> 24) / 255.0;
      const double mean = static_cast<double>(((word >> 16) & 0xffu) + ((word >> 8) & 0xffu) + (word & 0xffu)) / 765.0;
      const double v = 0.5 + 0.5 * (1 - mean) * a;
      member->scaleX(v, v);
      output->addElementWithoutRecalculatingPivot(std::move(member));
    }
    output->recalculateArrayPivot();
    benchmark::DoNotOptimize(output);
  }
  reportPerElement(state);
}
void applyGraphicsColdDirect(benchmark::State& state)
{
  sampleAndScale(state, true);
}
void applyGraphicsCachedDirect(benchmark::State& state)
{
  sampleAndScale(state, false);
}

}  // namespace

BENCHMARK(applyFunctionNode)->Unit(benchmark::kMillisecond);
BENCHMARK(applyFunctionDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(applyFunctionPositionNode)->Unit(benchmark::kMillisecond);
BENCHMARK(applyFunctionPositionDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(applyGraphicsColdNode)->Unit(benchmark::kMillisecond);
BENCHMARK(applyGraphicsColdDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(applyGraphicsCachedNode)->Unit(benchmark::kMillisecond);
BENCHMARK(applyGraphicsCachedDirect)->Unit(benchmark::kMillisecond);
