#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <vector>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include "PlainCairo.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "Platform/Bitmap.h"
#include "Platform/AffineTransform.h"
#include "Platform/Path.h"
#include "Platform/UserDefaults.h"

namespace {

// Trees of N paths (circles, squares and stars; fills, some translucent, some even-odd;
// strokes on every third path) in groups of ten, every other group clipped to a circle, drawn
// into a 2000 x 2000 bitmap by the element renderer, beside a plain Cairo loop that draws the
// same paths with the same styles, transforms and clips. The ratio of the two is the
// renderer's overhead.
//
// The plain loops run on one thread. The renderer runs twice: in one band on one thread (the
// like-for-like comparison with the loop) and in up to six bands on as many threads (what the
// preview gets); "bands" is the most it may use.

constexpr int kSide = 2000;
constexpr int kGroupSize = 10;

struct Style {
  double red, green, blue;
  double fillOpacity;
  bool evenOdd;
  double strokeWidth;  // 0: none
};

// Everything both loops draw, computed once.
struct Scene {
  std::vector<std::shared_ptr<const pf::Path>> shapes;
  std::shared_ptr<const pf::Path> clip;
  struct Leaf {
    int shape;
    pf::AffineTransform transform;  // in its group
    Style style;
  };
  struct Group {
    pf::AffineTransform transform;  // in the artboard
    bool clipped;
    std::vector<Leaf> leaves;
  };
  std::vector<Group> groups;
};

Scene makeScene(long count)
{
  Scene scene;
  scene.shapes = {std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(9)),
                  std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(14)),
                  std::make_shared<const pf::Path>(MVElementPath::cgPathForRoundedStarWithOuterRadius(10, 5, 5, 0, 0))};
  scene.clip = std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(30));
  std::uint32_t seed = 12345;
  const auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / 16777216.0;
  };
  for (long start = 0; start < count; start += kGroupSize) {
    Scene::Group group;
    // One draw per statement: the order of arguments' evaluation is unspecified.
    const double groupX = 30 + next() * (kSide - 60);
    const double groupY = 30 + next() * (kSide - 60);
    group.transform = pf::AffineTransform::translation(groupX, groupY);
    group.clipped = (start / kGroupSize) % 2 == 1;
    for (long i = start; i < count && i < start + kGroupSize; ++i) {
      Scene::Leaf leaf;
      leaf.shape = static_cast<int>(i % 3);
      const double x = next() * 60 - 30;
      const double y = next() * 60 - 30;
      const double radians = next() * 2 * std::numbers::pi;
      const double scaleX = 0.6 + next();
      const double scaleY = 0.6 + next();
      leaf.transform = pf::AffineTransform::translation(x, y).rotated(radians).scaled(scaleX, scaleY);
      leaf.style = {next(), next(), next(), i % 4 == 0 ? 0.7 : 1.0, i % 5 == 0, i % 3 == 0 ? 1.5 : 0.0};
      group.leaves.push_back(leaf);
    }
    scene.groups.push_back(std::move(group));
  }
  return scene;
}

// The same scene as an element tree: each leaf's transform as position, rotation and scale
// entries, each group's as its position.
std::shared_ptr<MVElementGroup> makeTree(const Scene& scene, long count)
{
  std::uint32_t seed = 12345;
  const auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / 16777216.0;
  };
  auto root = std::make_shared<MVElementGroup>();
  for (long start = 0; start < count; start += kGroupSize) {
    auto group = std::make_shared<MVElementGroup>();
    const double groupX = 30 + next() * (kSide - 60);
    const double groupY = 30 + next() * (kSide - 60);
    for (long i = start; i < count && i < start + kGroupSize; ++i) {
      const double x = next() * 60 - 30;
      const double y = next() * 60 - 30;
      const double degrees = next() * 360;
      const double scaleX = 0.6 + next();
      const double scaleY = 0.6 + next();
      const Style style{next(), next(), next(), i % 4 == 0 ? 0.7 : 1.0, i % 5 == 0, i % 3 == 0 ? 1.5 : 0.0};
      auto path = std::make_shared<MVElementPath>();
      path->setCgPath(scene.shapes[static_cast<std::size_t>(i % 3)]);
      path->setPositionX(x, y);
      path->scaleX(scaleX, scaleY);  // pushed first: acts first on the element
      path->rotate(degrees);
      path->setFillColor(pf::Color::rgb(style.red, style.green, style.blue));
      path->setFillOpacity(style.fillOpacity);
      path->setEvenOddFillMode(style.evenOdd);
      path->setStrokeWidth(style.strokeWidth);
      path->setStrokeColor(pf::Color::black());
      group->addElementWithoutRecalculatingPivot(std::move(path));
    }
    if ((start / kGroupSize) % 2 == 1) {
      group->setClipPath(scene.clip);
    }
    group->setPositionX(groupX, groupY);
    root->addElementWithoutRecalculatingPivot(std::move(group));
  }
  return root;
}

void settle()
{
  // A store of our own so that the user's preferences do not change what is measured.
  static const bool installed = [] {
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Clipping rendering sub-pixel overlaps", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    return true;
  }();
  (void)installed;
}

void rendererTree(benchmark::State& state)
{
  settle();
  const long count = state.range(0);
  const Scene scene = makeScene(count);
  MVElementRenderer renderer;
  renderer.setMaximumBandCount(static_cast<int>(state.range(1)));
  renderer.setInputRenderingElement(makeTree(scene, count));
  renderer.setRenderingSize(kSide, kSide);
  for (auto _ : state) {
    renderer.startRendering();
    benchmark::DoNotOptimize(renderer.outputBitmap().get());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(rendererTree)
    ->ArgNames({"elements", "bands"})
    ->ArgsProduct({{10, 1000, 100000}, {1, 6}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void drawPlain(cairo_t* cr, const Scene& scene)
{
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_restore(cr);
  for (const Scene::Group& group : scene.groups) {
    cairo_save(cr);
    plaincairo::concatMatrix(cr, group.transform);
    if (group.clipped) {
      cairo_new_path(cr);
      plaincairo::appendPath(cr, *scene.clip);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_clip(cr);
    }
    for (const Scene::Leaf& leaf : group.leaves) {
      const pf::Path& shape = *scene.shapes[static_cast<std::size_t>(leaf.shape)];
      cairo_save(cr);
      plaincairo::concatMatrix(cr, leaf.transform);
      cairo_new_path(cr);
      plaincairo::appendPath(cr, shape);
      cairo_set_source_rgba(cr, leaf.style.red, leaf.style.green, leaf.style.blue, leaf.style.fillOpacity);
      cairo_set_fill_rule(cr, leaf.style.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
      if (leaf.style.strokeWidth > 0) {
        cairo_fill_preserve(cr);
        cairo_identity_matrix(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_set_line_width(cr, leaf.style.strokeWidth);
        cairo_stroke(cr);
      } else {
        cairo_fill(cr);
      }
      cairo_restore(cr);
    }
    cairo_restore(cr);
  }
  cairo_surface_flush(cairo_get_target(cr));
}

// Both loops must draw the same picture for the ratio to mean anything: the share of pixels
// that differ by more than antialiasing noise.
double differingShare(const Scene& scene, long count)
{
  settle();
  MVElementRenderer renderer;
  renderer.setInputRenderingElement(makeTree(scene, count));
  renderer.setRenderingSize(kSide, kSide);
  renderer.startRendering();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
  cairo_t* cr = cairo_create(surface);
  drawPlain(cr, scene);
  const auto* plain = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
  const int stride = cairo_image_surface_get_stride(surface) / 4;
  const std::shared_ptr<const pf::Bitmap> drawn = renderer.outputBitmap();
  long differing = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const std::uint32_t a = plain[y * stride + x];
      const std::uint32_t b = drawn->row(y)[static_cast<std::size_t>(x)];
      for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff)) > 8) {
          ++differing;
          break;
        }
      }
    }
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return static_cast<double>(differing) / (static_cast<double>(kSide) * kSide);
}

void plainCairoTree(benchmark::State& state)
{
  const long count = state.range(0);
  const Scene scene = makeScene(count);
  if (count <= 1000 && differingShare(scene, count) > 0.001) {
    state.SkipWithError("the renderer and the plain loop draw different pictures");
    return;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    drawPlain(cr, scene);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(plainCairoTree)->Arg(10)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The preview's typical load: one small square repeated in a grid over a 1000 x 1000 bitmap, one
// colour, beside a plain Cairo loop filling the same squares one by one: 1,000 squares in 40
// columns of 25 units, or 100,000 in 400 columns of 2.5 units (the preview benchmark's grids).
constexpr double kGridSide = 1000.0;

struct GridShape {
  explicit GridShape(long count) : columns(count >= 100000 ? 400 : 40), cell(kGridSide / static_cast<double>(columns)) {}
  long columns;
  double cell;
  double square() const { return cell * 0.7; }
};

// The grid's elements: one shared path, placed at each cell's centre.
std::shared_ptr<MVElementGroup> gridOfPath(const GridShape& grid, long count, const pf::SharedPath& shape)
{
  auto root = std::make_shared<MVElementGroup>();
  for (long i = 0; i < count; ++i) {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(shape);
    path->setPositionX((static_cast<double>(i % grid.columns) + 0.5) * grid.cell,
                       (static_cast<double>(i / grid.columns) + 0.5) * grid.cell);
    path->setFillColor(pf::Color::rgb(0.8, 0.2, 0.1));
    root->addElementWithoutRecalculatingPivot(std::move(path));
  }
  return root;
}

void renderGrid(benchmark::State& state, const std::shared_ptr<MVElementGroup>& root)
{
  MVElementRenderer renderer;
  renderer.setMaximumBandCount(static_cast<int>(state.range(1)));
  renderer.setInputRenderingElement(root);
  renderer.setRenderingSize(kGridSide, kGridSide);
  for (auto _ : state) {
    renderer.startRendering();
    benchmark::DoNotOptimize(renderer.outputBitmap().get());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The renderer's grids: 1,000 and 100,000 elements, in one band and in up to six.
void gridArguments(benchmark::internal::Benchmark* family)
{
  family->ArgNames({"elements", "bands"})
      ->ArgsProduct({{1000, 100000}, {1, 6}})
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

// The plain loop of the grids: `fill` fills the cells of one picture on `cr`.
template <class Fill>
void plainGrid(benchmark::State& state, Fill fill)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(kGridSide),
                                                        static_cast<int>(kGridSide));
  for (auto _ : state) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.8, 0.2, 0.1);
    fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_surface_destroy(surface);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void rendererGrid(benchmark::State& state)
{
  settle();
  const GridShape grid(state.range(0));
  auto square = std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(grid.square()));
  renderGrid(state, gridOfPath(grid, state.range(0), square));
}
BENCHMARK(rendererGrid)->Apply(gridArguments);

void plainCairoGrid(benchmark::State& state)
{
  const long count = state.range(0);
  const GridShape grid(count);
  plainGrid(state, [&](cairo_t* cr) { plaincairo::fillSquareGrid(cr, count, grid.columns, grid.cell, grid.square()); });
}
BENCHMARK(plainCairoGrid)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same grids of small circles (four curves each): only rectangles are filled in place, so
// every band's fills of curves go through Cairo.
void rendererCircleGrid(benchmark::State& state)
{
  settle();
  const GridShape grid(state.range(0));
  auto circle = std::make_shared<const pf::Path>(MVElementPath::cgPathForCircleWithRadius(grid.square() / 2));
  renderGrid(state, gridOfPath(grid, state.range(0), circle));
}
BENCHMARK(rendererCircleGrid)->Apply(gridArguments);

void plainCairoCircleGrid(benchmark::State& state)
{
  const long count = state.range(0);
  const GridShape grid(count);
  const pf::Path circle = MVElementPath::cgPathForCircleWithRadius(grid.square() / 2);
  plainGrid(state, [&](cairo_t* cr) {
    for (long i = 0; i < count; ++i) {
      cairo_save(cr);
      cairo_translate(cr, (static_cast<double>(i % grid.columns) + 0.5) * grid.cell,
                      (static_cast<double>(i / grid.columns) + 0.5) * grid.cell);
      plaincairo::appendPath(cr, circle);
      cairo_restore(cr);
      cairo_fill(cr);
    }
  });
}
BENCHMARK(plainCairoCircleGrid)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
