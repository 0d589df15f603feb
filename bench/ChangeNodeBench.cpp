#include <memory>

#include <benchmark/benchmark.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Change/ChangePivotNode.h"
#include "MorvNode/Nodes/Change/ChangeTransformNode.h"
#include "MorvNode/Nodes/Change/GroupMergeNode.h"
#include "MorvNode/Nodes/Change/GroupRandomizeColorNode.h"
#include "MorvNode/Nodes/Change/GroupRandomizeNode.h"
#include "MorvNode/Nodes/Change/GroupSelectNode.h"
#include "Platform/Path.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

// Each change node over a group of 10,000 paths in Each mode, beside the same change applied
// directly to a copy of the group's members (the work the node does, without the node: copy,
// member by member, the element operation). Items are elements.
constexpr long kCount = 10000;

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
      element->setPositionX(static_cast<double>(i % 100) * 10, static_cast<double>(i / 100) * 10);
      element->setFillColor(pf::Color::rgb(0.8, 0.2, 0.2));
      built->addElementWithoutRecalculatingPivot(std::move(element));
    }
    built->recalculateArrayPivot();
    return built;
  }();
  return group;
}

// 100 sub-groups of 100 paths, for flattening.
std::shared_ptr<const MVElementGroup> nestedInput()
{
  static const std::shared_ptr<const MVElementGroup> group = [] {
    const std::shared_ptr<const MVElementGroup> flat = input();
    auto built = std::make_shared<MVElementGroup>();
    for (long g = 0; g < 100; ++g) {
      auto sub = std::make_shared<MVElementGroup>();
      for (long i = 0; i < 100; ++i) {
        sub->addElementWithoutRecalculatingPivot(flat->elementArray()[static_cast<std::size_t>(g * 100 + i)]);
      }
      sub->recalculateArrayPivot();
      built->addElementWithoutRecalculatingPivot(std::move(sub));
    }
    built->recalculateArrayPivot();
    return built;
  }();
  return group;
}

const RandomSource& randomTable()
{
  static const RandomSource table(RandomSource::kApplicationSeed);
  return table;
}

// The direct baseline: a copy of the input whose every member takes `change`.
template <class Change>
void direct(benchmark::State& state, Change change)
{
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
    for (long k = 0; k < output->count(); ++k) {
      change(*output->mutableElementAtIndex(k), k);
    }
    output->recalculateArrayPivot();
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void viaNode(benchmark::State& state, ChangeNode& node, const std::shared_ptr<const MVElementGroup>& group)
{
  node.setRandomSource(&randomTable());
  for (auto _ : state) {
    node.initRandomSeed();
    benchmark::DoNotOptimize(node.graphicsElementForParameter(node.graphicsParameter(), group));
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void transformNode(benchmark::State& state)
{
  ChangeTransformNode node;
  node.changeModeParameter()->setIndex(1);  // Each
  node.rotationParameter()->setEnabled(true);
  node.rotationParameter()->setValue(30);
  node.offsetParameter()->setEnabled(true);
  node.offsetParameter()->setValueX(3, 4);
  viaNode(state, node, input());
}
void transformDirect(benchmark::State& state)
{
  direct(state, [](MVElement& element, long) {
    element.offsetPositionX(3, 4);
    element.rotate(30);
  });
}

void pivotNode(benchmark::State& state)
{
  ChangePivotNode node;
  node.changeModeParameter()->setIndex(1);
  node.pivotModeParameter()->setIndex(ChangePivotNode::kTopLeft);
  viaNode(state, node, input());
}
void pivotDirect(benchmark::State& state)
{
  direct(state, [](MVElement& element, long) {
    const pf::Rect box = *element.transformedBoundingBoxNested();
    const double dx = box.width() / 2 - (box.minX() + box.width() / 2 - element.positionX() + element.pivotOffsetX());
    const double dy = box.height() / 2 - (box.minY() + box.height() / 2 - element.positionY() + element.pivotOffsetY());
    element.offsetPivotX(dx, dy);
    element.setPositionX(element.positionX() - dx, element.positionY() - dy);
  });
}

void randomizeNode(benchmark::State& state)
{
  GroupRandomizeNode node;  // rotation +/- 45
  viaNode(state, node, input());
}
void randomizeDirect(benchmark::State& state)
{
  direct(state, [](MVElement& element, long k) {
    element.rotate(90 * randomTable().randomDoubleWithSeed(5 * kCount + k) - 45);
  });
}

void randomizeColorNode(benchmark::State& state)
{
  GroupRandomizeColorNode node;
  node.hueParameter()->setValue(0.1);
  viaNode(state, node, input());
}
void randomizeColorDirect(benchmark::State& state)
{
  direct(state, [](MVElement& element, long k) {
    element.adjustFillColorHue(0.2 * randomTable().randomDoubleWithSeed(kCount + k) - 0.1, 0, 0);
  });
}

void flattenNode(benchmark::State& state)
{
  GroupMergeNode node;
  const std::shared_ptr<const MVElementGroup> group = nestedInput();
  for (auto _ : state) {
    benchmark::DoNotOptimize(node.graphicsElementForParameter(node.graphicsParameter(), group));
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
void flattenDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> group = nestedInput();
  for (auto _ : state) {
    auto output = std::static_pointer_cast<MVElementGroup>(group->copy());
    output->flattenSubArrays();
    output->recalculateArrayPivot();
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void selectNode(benchmark::State& state)
{
  GroupSelectNode node;  // index mode, Half
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    benchmark::DoNotOptimize(node.graphicsElementForParameter(node.graphicsParameter(), group));
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
void selectDirect(benchmark::State& state)
{
  const std::shared_ptr<const MVElementGroup> group = input();
  for (auto _ : state) {
    auto output = std::make_shared<MVElementGroup>();
    for (long k = 0; k < group->count(); k += 2) {
      output->addElementWithoutRecalculatingPivot(group->transformedElementAtIndex(k));
    }
    output->recalculateArrayPivot();
    benchmark::DoNotOptimize(output);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

}  // namespace

BENCHMARK(transformNode)->Unit(benchmark::kMillisecond);
BENCHMARK(transformDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(pivotNode)->Unit(benchmark::kMillisecond);
BENCHMARK(pivotDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(randomizeNode)->Unit(benchmark::kMillisecond);
BENCHMARK(randomizeDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(randomizeColorNode)->Unit(benchmark::kMillisecond);
BENCHMARK(randomizeColorDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(flattenNode)->Unit(benchmark::kMillisecond);
BENCHMARK(flattenDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(selectNode)->Unit(benchmark::kMillisecond);
BENCHMARK(selectDirect)->Unit(benchmark::kMillisecond);
