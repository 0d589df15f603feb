#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <benchmark/benchmark.h>

#include "Platform/Path.h"

namespace {

// A wobbly closed outline of `count` vertices around the origin (radius 80 to 120).
std::vector<pf::Point> outlinePoints(int count)
{
  std::vector<pf::Point> points;
  points.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double angle = 2 * std::numbers::pi * i / count;
    const double radius = 100 + 20 * std::sin(7 * angle);
    points.emplace_back(radius * std::cos(angle), radius * std::sin(angle));
  }
  return points;
}

pf::Path linePath(const std::vector<pf::Point>& points)
{
  pf::Path path;
  path.moveTo(points.front());
  for (size_t i = 1; i < points.size(); ++i) {
    path.lineTo(points[i]);
  }
  path.closeSubpath();
  return path;
}

// The same outline with every edge a cubic that bulges outward by a tenth of its length.
pf::Path curvePath(const std::vector<pf::Point>& points)
{
  pf::Path path;
  path.moveTo(points.front());
  for (size_t i = 0; i < points.size(); ++i) {
    const pf::Point a = points[i];
    const pf::Point b = points[(i + 1) % points.size()];
    const pf::Point bulge = pf::Point(b.y - a.y, a.x - b.x) * -0.1;
    path.curveTo(a + (b - a) * (1.0 / 3) + bulge, a + (b - a) * (2.0 / 3) + bulge, b);
  }
  path.closeSubpath();
  return path;
}

const pf::Point kProbe(3, 5);  // inside every outline

void pathContainsLines(benchmark::State& state)
{
  const pf::Path path = linePath(outlinePoints(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(path.contains(kProbe, pf::FillRule::NonZero));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(pathContainsLines)->Arg(10)->Arg(1000)->Arg(100000);

void pathContainsCurves(benchmark::State& state)
{
  const pf::Path path = curvePath(outlinePoints(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(path.contains(kProbe, pf::FillRule::EvenOdd));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(pathContainsCurves)->Arg(10)->Arg(1000)->Arg(100000);

// Baseline: a plain crossing-number loop over the same vertices.
void plainCrossingLoop(benchmark::State& state)
{
  const std::vector<pf::Point> points = outlinePoints(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const pf::Point a = points[i];
      const pf::Point b = points[j];
      if ((a.y > kProbe.y) != (b.y > kProbe.y) && kProbe.x < (b.x - a.x) * (kProbe.y - a.y) / (b.y - a.y) + a.x) {
        inside = !inside;
      }
    }
    benchmark::DoNotOptimize(inside);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(plainCrossingLoop)->Arg(10)->Arg(1000)->Arg(100000);

void pathStrokeContainsCurves(benchmark::State& state)
{
  const pf::Path path = curvePath(outlinePoints(static_cast<int>(state.range(0))));
  const pf::StrokeStyle style{5, pf::LineCap::Round, pf::LineJoin::Miter, 1};
  for (auto _ : state) {
    benchmark::DoNotOptimize(path.strokeContains(kProbe, style));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(pathStrokeContainsCurves)->Arg(10)->Arg(1000)->Arg(100000);

void pathBoundsLines(benchmark::State& state)
{
  const pf::Path path = linePath(outlinePoints(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(path.bounds());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(pathBoundsLines)->Arg(10)->Arg(1000)->Arg(100000);

void pathBoundsCurves(benchmark::State& state)
{
  const pf::Path path = curvePath(outlinePoints(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(path.bounds());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(pathBoundsCurves)->Arg(10)->Arg(1000)->Arg(100000);

void pathControlPointBoundsCurves(benchmark::State& state)
{
  const pf::Path path = curvePath(outlinePoints(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(path.controlPointBounds());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(pathControlPointBoundsCurves)->Arg(10)->Arg(1000)->Arg(100000);

// Baseline: a plain min/max loop over the same vertices.
void plainMinMaxLoop(benchmark::State& state)
{
  const std::vector<pf::Point> points = outlinePoints(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    double x0 = points[0].x, y0 = points[0].y, x1 = x0, y1 = y0;
    for (const pf::Point& p : points) {
      x0 = std::min(x0, p.x);
      y0 = std::min(y0, p.y);
      x1 = std::max(x1, p.x);
      y1 = std::max(y1, p.y);
    }
    benchmark::DoNotOptimize(x0 + y0 + x1 + y1);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(plainMinMaxLoop)->Arg(10)->Arg(1000)->Arg(100000);

}  // namespace
