#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <librsvg/rsvg.h>

#include "Platform/DrawingContext.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVG.h"

// Parsing an icon-like SVG file and drawing it into a 1024 x 1024 bitmap with the SVG library,
// beside librsvg parsing and drawing the same file into a Cairo image surface of the same size.
namespace {

constexpr int kSide = 1024;
const char* const kFiles[] = {"gear", "badge", "folder", "chart", "weather"};

std::string readFile(const std::string& name)
{
  std::ifstream stream(std::string(MORV_BENCH_SVG_DIR) + "/" + name + ".svg", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void SvgLibraryParseAndRender(benchmark::State& state, const std::string& text)
{
  for (auto _ : state) {
    const std::shared_ptr<ODSVG> svg = ODSVG::initWithSVGString(text);
    if (!svg) {
      state.SkipWithError("document refused");
      break;
    }
    std::optional<pf::Surface> surface = pf::Surface::bitmap(kSide, kSide);
    {
      pf::DrawingContext context(*surface);
      svg->drawInRect(context, pf::Rect(0, 0, kSide, kSide));
    }
    benchmark::DoNotOptimize(surface->bitmap()->data());
  }
}

void LibrsvgParseAndRender(benchmark::State& state, const std::string& text)
{
  for (auto _ : state) {
    GError* error = nullptr;
    RsvgHandle* handle =
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(text.data()), text.size(), &error);
    if (!handle) {
      g_clear_error(&error);
      state.SkipWithError("librsvg refused the document");
      break;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSide, kSide);
    cairo_t* cr = cairo_create(surface);
    const RsvgRectangle viewport{0, 0, kSide, kSide};
    rsvg_handle_render_document(handle, cr, &viewport, &error);
    g_clear_error(&error);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    g_object_unref(handle);
  }
}

const bool registered = [] {
  for (const char* name : kFiles) {
    const std::string text = readFile(name);
    benchmark::RegisterBenchmark((std::string("SvgLibraryParseAndRender/") + name).c_str(),
                                 [text](benchmark::State& state) { SvgLibraryParseAndRender(state, text); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string("LibrsvgParseAndRender/") + name).c_str(),
                                 [text](benchmark::State& state) { LibrsvgParseAndRender(state, text); })
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace
