#include <cmath>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include "Platform/Bitmap.h"
#include "Platform/DrawingContext.h"
#include "Platform/ImageCodec.h"
#include "Platform/Path.h"
#include "Platform/Surface.h"

namespace {

// N small rotated squares with a fill and a stroke on a 512 x 512 bitmap: the renderer's main
// path through DrawingContext, beside the same drawing with plain Cairo calls.
pf::Path squarePath()
{
  pf::Path path;
  path.addRect({-4, -4, 8, 8});
  return path;
}

void drawingContextPaths(benchmark::State& state)
{
  const pf::Path path = squarePath();
  auto surface = pf::Surface::bitmap(512, 512);
  pf::DrawingContext context(*surface);
  const auto count = state.range(0);
  for (auto _ : state) {
    context.clear();
    for (long i = 0; i < count; ++i) {
      pf::DrawingContext::StateGuard guard(context);
      context.translate(static_cast<double>(i % 500) + 6, static_cast<double>((i / 500) % 500) + 6);
      context.rotate(i * 0.01);
      context.setFillColor(1, 0, 0, 0.8);
      context.fillPath(path);
      context.strokePath(path);
    }
    benchmark::DoNotOptimize(surface->bitmap());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(drawingContextPaths)->Arg(10)->Arg(1000)->Arg(100000);

void plainCairoPaths(benchmark::State& state)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 512, 512);
  cairo_t* cr = cairo_create(surface);
  const auto count = state.range(0);
  for (auto _ : state) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    for (long i = 0; i < count; ++i) {
      cairo_save(cr);
      cairo_translate(cr, static_cast<double>(i % 500) + 6, static_cast<double>((i / 500) % 500) + 6);
      cairo_rotate(cr, i * 0.01);
      cairo_set_source_rgba(cr, 1, 0, 0, 0.8);
      cairo_rectangle(cr, -4, -4, 8, 8);
      cairo_fill(cr);
      cairo_set_source_rgba(cr, 0, 0, 0, 1);
      cairo_rectangle(cr, -4, -4, 8, 8);
      cairo_stroke(cr);
      cairo_restore(cr);
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(plainCairoPaths)->Arg(10)->Arg(1000)->Arg(100000);

// PNG encoding of a 512 x 512 bitmap, beside the straight-RGBA conversion it starts with.
pf::Bitmap sampleBitmap()
{
  auto bitmap = pf::Bitmap::create(512, 512);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 512; ++x) {
      bitmap->setPixel(x, y, {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 128, 255});
    }
  }
  return std::move(*bitmap);
}

void encodePng(benchmark::State& state)
{
  const pf::Bitmap bitmap = sampleBitmap();
  for (auto _ : state) {
    benchmark::DoNotOptimize(pf::encodePng(bitmap));
  }
}
BENCHMARK(encodePng);

void straightRgbaBaseline(benchmark::State& state)
{
  const pf::Bitmap bitmap = sampleBitmap();
  for (auto _ : state) {
    benchmark::DoNotOptimize(bitmap.toStraightRgba());
  }
}
BENCHMARK(straightRgbaBaseline);

}  // namespace
