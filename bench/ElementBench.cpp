#include <memory>
#include <optional>
#include <vector>

#include <benchmark/benchmark.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "Platform/AffineTransform.h"
#include "Platform/Path.h"

namespace {

// A group of N small turned squares, as a grid repeater builds them: measuring the group's box
// and hit-testing a point that misses every child (the walk over the whole tree), beside the
// same work on plain paths with precomputed transforms.
constexpr double kPi = 3.14159265358979323846;

pf::Point placeOf(long i)
{
  return {static_cast<double>(i % 500), static_cast<double>((i / 500) % 500)};
}

std::shared_ptr<MVElementGroup> squares(long count)
{
  const auto square = std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(8));
  auto group = std::make_shared<MVElementGroup>();
  for (long i = 0; i < count; ++i) {
    auto element = std::make_shared<MVElementPath>();
    element->setCgPath(square);
    element->setPositionX(placeOf(i).x, placeOf(i).y);
    element->rotate(static_cast<double>(i % 90));
    element->scaleX(1.5, 1);
    group->addElementWithoutRecalculatingPivot(std::move(element));
  }
  group->recalculateArrayPivot();
  group->rotate(10);
  return group;
}

std::vector<pf::AffineTransform> plainTransforms(long count)
{
  std::vector<pf::AffineTransform> transforms;
  const pf::AffineTransform outer = pf::AffineTransform::rotation(10 * kPi / 180);
  for (long i = 0; i < count; ++i) {
    transforms.push_back(outer.translated(placeOf(i).x, placeOf(i).y)
                             .rotated(static_cast<double>(i % 90) * kPi / 180)
                             .scaled(1.5, 1));
  }
  return transforms;
}

void elementGroupBox(benchmark::State& state)
{
  const auto group = squares(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(group->transformedBoundingBoxNested());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(elementGroupBox)->Arg(10)->Arg(1000)->Arg(100000);

void plainPathBox(benchmark::State& state)
{
  const pf::Path square = MVElementPath::cgPathForSquareWithSide(8);
  const std::vector<pf::AffineTransform> transforms = plainTransforms(state.range(0));
  for (auto _ : state) {
    std::optional<pf::Rect> box;
    for (const auto& transform : transforms) {
      box = pf::united(box, square.transformed(transform).bounds());
    }
    benchmark::DoNotOptimize(box);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(plainPathBox)->Arg(10)->Arg(1000)->Arg(100000);

void elementGroupHitMiss(benchmark::State& state)
{
  const auto group = squares(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(group->elementAtPoint({-1000, -1000}));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(elementGroupHitMiss)->Arg(10)->Arg(1000)->Arg(100000);

void plainPathHitMiss(benchmark::State& state)
{
  const pf::Path square = MVElementPath::cgPathForSquareWithSide(8);
  const std::vector<pf::AffineTransform> transforms = plainTransforms(state.range(0));
  for (auto _ : state) {
    bool hit = false;
    for (auto transform = transforms.rbegin(); transform != transforms.rend() && !hit; ++transform) {
      if (const auto inverse = transform->inverted()) {
        hit = square.contains(inverse->apply(pf::Point(-1000, -1000)), pf::FillRule::EvenOdd);
      }
    }
    benchmark::DoNotOptimize(hit);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(plainPathHitMiss)->Arg(10)->Arg(1000)->Arg(100000);

}  // namespace
