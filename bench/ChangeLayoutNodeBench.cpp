#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Nodes/Change/ChangeAlignNode.h"
#include "MorvNode/Nodes/Change/ChangeClipNode.h"
#include "MorvNode/Nodes/Change/GroupArrangeNode.h"
#include "MorvNode/Nodes/Change/GroupDistributeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/Path.h"

namespace {

// The align, distribute, arrange and clip nodes over a group of 10,000 paths, each beside the
// same result computed directly on the elements (what the node does, without the node). Items
// are elements.
constexpr long kCount = 10000;

// 10,000 squares of 8 on a 100 x 100 grid of pitch 10, shuffled rows so that orders differ.
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
      const long cell = (i * 7919) % kCount;  // a fixed permutation of the cells
      element->setPositionX(static_cast<double>(cell % 100) * 10, static_cast<double>(cell / 100) * 10);
      built->addElementWithoutRecalculatingPivot(std::move(element));
    }
    built->recalculateArrayPivot();
    return built;
  }();
  return group;
}

std::shared_ptr<MVElementGroup> emptyGroupNamedAs(const MVElement& element)
{
  auto group = std::make_shared<MVElementGroup>();
  group->setElementName(element.elementName());
  return group;
}

void viaNode(benchmark::State& state, ChangeNode& node, const std::shared_ptr<const MVElement>& element)
{
  for (auto _ : state) {
    benchmark::DoNotOptimize(node.graphicsElementForParameter(node.graphicsParameter(), element));
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

// Align, Each mode, left edges to the group.
void alignNode(benchmark::State& state)
{
  ChangeAlignNode node;
  node.changeModeParameter()->setIndex(1);
  node.horizontalParameter()->setIndex(ChangeAlignNode::kLeading);
  node.verticalParameter()->setIndex(ChangeAlignNode::kNone);
  node.horizontalArtboardParameter()->setValue(false);
  viaNode(state, node, input());
}
void alignDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    const double left = group->transformedBoundingBoxNested()->minX();
    auto output = emptyGroupNamedAs(*group);
    for (long k = 0; k < group->count(); ++k) {
      std::shared_ptr<MVElement> member = group->transformedElementAtIndex(k);
      const double dx = member->transformedBoundingBoxNested()->minX() - left;
      member->offsetPositionX(-dx, 0);
      output->addElementWithoutRecalculatingPivot(std::move(member));
    }
    output->recalculateArrayPivot();
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

// Distribute by centres, horizontally.
void distributeNode(benchmark::State& state)
{
  GroupDistributeNode node;
  node.horizontalParameter()->setIndex(GroupDistributeNode::kCenter);
  viaNode(state, node, input());
}
void distributeDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    const long n = group->count();
    std::vector<std::shared_ptr<MVElement>> members;
    std::vector<double> centre;
    members.reserve(static_cast<std::size_t>(n));
    centre.reserve(static_cast<std::size_t>(n));
    for (long k = 0; k < n; ++k) {
      members.push_back(group->transformedElementAtIndex(k));
      centre.push_back(members.back()->transformedBoundingBoxNested()->midX());
    }
    std::vector<std::size_t> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&centre](std::size_t a, std::size_t b) { return centre[a] < centre[b]; });
    const double low = centre[order.front()];
    const double high = centre[order.back()];
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
      const std::size_t k = order[rank];
      members[k]->offsetPositionX(low + static_cast<double>(rank) / static_cast<double>(n - 1) * (high - low) - centre[k], 0);
    }
    auto output = emptyGroupNamedAs(*group);
    for (auto& member : members) {
      output->addElementWithoutRecalculatingPivot(std::move(member));
    }
    output->recalculateArrayPivot();
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

// Arrange by distance from the group's pivot, the farthest first.
void arrangeNode(benchmark::State& state)
{
  GroupArrangeNode node;
  node.orderModeParameter()->setIndex(GroupArrangeNode::kPivotDistance);
  viaNode(state, node, input());
}
void arrangeDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
    const MVElementGroup::ElementArray& members = output->elementArray();
    std::vector<double> distance;
    distance.reserve(members.size());
    for (const auto& member : members) {
      distance.push_back(std::hypot(member->positionX() + member->arrayPivotX() - output->arrayPivotX(),
                                    member->positionY() + member->arrayPivotY() - output->arrayPivotY()));
    }
    std::vector<std::size_t> order(members.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&distance](std::size_t a, std::size_t b) { return distance[a] > distance[b]; });
    MVElementGroup::ElementArray reordered;
    reordered.reserve(order.size());
    for (const std::size_t i : order) {
      reordered.push_back(members[i]);
    }
    output->setElementArray(std::move(reordered));
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

// A node whose "Graphics" output is the 10,000 paths, to be the clipping mask.
class BenchMaskNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass;
      nodeClass.className = "BenchMaskNode";
      nodeClass.create = [] { return std::make_unique<BenchMaskNode>(); };
      return nodeClass;
    }();
    return info;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter*, std::shared_ptr<const MVElement>) override
  {
    return input();
  }

private:
  MVParameterGraphics& graphics_ = nodekit::graphics(*this, {.name = "Graphics", .inputSocket = false});
};

std::shared_ptr<const MVElement> clipInput()
{
  auto square = std::make_shared<MVElementPath>();
  square->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(500)));
  square->setPositionX(500, 500);
  square->setElementName("square");
  return square;
}

// Clip a square by the outline of the 10,000 paths: the work per element is gathering its
// outline into the clip path.
void clipNode(benchmark::State& state)
{
  pf::ManualRunLoop runLoop;
  pf::RunLoop::setCurrent(&runLoop);
  registerNodeClasses();
  MVClassRegistry::shared().registerNodeClass(BenchMaskNode::nodeClassInfo());
  MVNodeController controller;
  auto* node = dynamic_cast<ChangeClipNode*>(controller.addNodeOfClass("ChangeClipNode", {0, 0}, false));
  MVNode* mask = controller.addNodeOfClass("BenchMaskNode", {0, 0}, false);
  controller.addConnectionFromSocket(mask->graphicsParameterNamed("Graphics")->outputSocket(),
                                     node->clippingMaskParameter()->inputSocket());
  const std::shared_ptr<const MVElement> square = clipInput();
  for (auto _ : state) {
    benchmark::DoNotOptimize(node->graphicsElementForParameter(node->graphicsParameter(), square));
  }
  state.SetItemsProcessed(state.iterations() * kCount);
  controller.releaseResources();
}
void clipDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> maskGroup = input();
  const std::shared_ptr<const MVElement> square = clipInput();
  for (auto _ : state) {
    pf::Path members;
    for (const auto& member : maskGroup->elementArray()) {
      const auto& path = dynamic_cast<const MVElementPath&>(*member);
      members.addPath(*path.cgPath(), path.affineTransform());
    }
    pf::Path outline;
    outline.addPath(members, maskGroup->affineTransform());
    auto output = std::make_shared<MVElementGroup>();
    output->addElementWithoutRecalculatingPivot(square);
    output->setClipPath(std::make_shared<const pf::Path>(std::move(outline)));
    output->recalculateArrayPivot();
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

}  // namespace

BENCHMARK(alignNode)->Unit(benchmark::kMillisecond);
BENCHMARK(alignDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(distributeNode)->Unit(benchmark::kMillisecond);
BENCHMARK(distributeDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(arrangeNode)->Unit(benchmark::kMillisecond);
BENCHMARK(arrangeDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(clipNode)->Unit(benchmark::kMillisecond);
BENCHMARK(clipDirect)->Unit(benchmark::kMillisecond);
