#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <libimagequant.h>
#include <tiffio.h>
#include <unistd.h>

#include "PlainCairo.h"

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVDocumentExport.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"

namespace {

// A 1,000-element artwork (rectangles, ellipses and stars in a grid, each its own colour, no
// stroke) exported to each format: the bitmaps at 2000 x 2000 pixels (a 500 x 500 artboard at
// scale 4), the vectors on an A4 page (an A4 artboard in points at scale 1). Each export
// (MVDocumentExport::fileData, the file's bytes in memory) stands beside the plain library
// calls on the same shapes: a plain Cairo loop into the same surface, then Cairo's PNG writer,
// libjpeg, libtiff, libimagequant with giflib, or Cairo's own PDF, EPS and SVG surfaces.

constexpr long kElements = 1000;
constexpr int kColumns = 32;
constexpr double kSpacing = 15;
constexpr double kShapeSize = 12;
constexpr double kBitmapSide = 500;
constexpr double kBitmapScale = 4;
constexpr double kA4Width = 595.2756;  // points
constexpr double kA4Height = 841.8898;

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

// The document with the artwork, generated once, and a renderer kept as the export keeps it.
struct ExportArtwork {
  explicit ExportArtwork(pf::Size artboardSize)
  {
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist");
    defaults->setBool("Clipping rendering sub-pixel overlaps", false);
    pf::UserDefaults::setStandard(std::move(defaults));
    registerNodeClasses();
    document.pauseUndoRegistration();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    artboard->sizeParameter()->setValueX(artboardSize.width, artboardSize.height);
    artboard->colorParameterNamed("Background Color")->setEnabled(false);
    for (long i = 0; i < kElements; ++i) {
      auto* shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
      shape->indexParameterNamed("Type")->setIndex(kKinds[i % 3]);
      shape->sizeParameter()->setValueX(kShapeSize, kShapeSize);
      shape->positionParameter()->setValueX(positionOf(i).x, positionOf(i).y);
      shape->fillColorParameter()->setColor(colorOf(i));
      shape->colorParameterNamed("Stroke Color")->setEnabled(false);
      controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                         artboard->layers().front()->inputSocket());
    }
    document.resumeUndoRegistration();
    runLoop.advance(1.0);
  }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  MVArtworkRenderer renderer{controller};
};

void measureExport(benchmark::State& state, const char* format, pf::Size artboard, double scale)
{
  ExportArtwork artwork(artboard);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto data = MVDocumentExport::fileData(artwork.renderer, format, scale, {artboard.width * scale,
                                                                                   artboard.height * scale},
                                                 pf::Color::white());
    if (!data) {
      state.SkipWithError("export failed");
      return;
    }
    bytes = data->size();
    benchmark::DoNotOptimize(data->data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

// ---- The plain baselines ----

void drawShapes(cairo_t* cr, double scale)
{
  cairo_scale(cr, scale, scale);
  for (long i = 0; i < kElements; ++i) {
    const pf::Point position = positionOf(i);
    const pf::Color color = colorOf(i);
    cairo_save(cr);
    cairo_translate(cr, position.x, position.y);
    plaincairo::appendPath(cr, pathOf(i));
    cairo_set_source_rgba(cr, color.red(), color.green(), color.blue(), color.alpha());
    cairo_fill(cr);
    cairo_restore(cr);
  }
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
  auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
  bytes->insert(bytes->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

constexpr int kPixels = static_cast<int>(kBitmapSide * kBitmapScale);

// The shapes drawn into a cleared 2000 x 2000 ARGB surface.
struct PlainBitmap {
  PlainBitmap() : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kPixels, kPixels)) {}
  ~PlainBitmap() { cairo_surface_destroy(surface); }
  void draw()
  {
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    drawShapes(cr, kBitmapScale);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
  }
  const std::uint32_t* row(int y) const
  {
    return reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface) +
                                                  static_cast<std::size_t>(y) * cairo_image_surface_get_stride(surface));
  }
  cairo_surface_t* surface;
};

void plainPng(benchmark::State& state)
{
  PlainBitmap bitmap;
  for (auto _ : state) {
    bitmap.draw();
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(bitmap.surface, appendBytes, &bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}

void plainJpeg(benchmark::State& state)
{
  PlainBitmap bitmap;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(kPixels) * 3);
  unsigned long bytes = 0;
  for (auto _ : state) {
    bitmap.draw();
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &output, &size);
    info.image_width = kPixels;
    info.image_height = kPixels;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 99, TRUE);
    // Full-resolution colour, as the export writes its high-quality JPEGs.
    info.comp_info[0].h_samp_factor = 1;
    info.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < kPixels; ++y) {
      // Premultiplied pixels laid onto grey 0.4, as the export lays them.
      const std::uint32_t* words = bitmap.row(y);
      for (int x = 0; x < kPixels; ++x) {
        const std::uint32_t w = words[x];
        const unsigned inverse = 255 - (w >> 24);
        rgb[x * 3 + 0] = static_cast<unsigned char>(((w >> 16) & 0xff) + (102 * inverse + 127) / 255);
        rgb[x * 3 + 1] = static_cast<unsigned char>(((w >> 8) & 0xff) + (102 * inverse + 127) / 255);
        rgb[x * 3 + 2] = static_cast<unsigned char>((w & 0xff) + (102 * inverse + 127) / 255);
      }
      JSAMPROW line = rgb.data();
      jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    benchmark::DoNotOptimize(output);
    std::free(output);
    bytes = size;
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void plainTiff(benchmark::State& state)
{
  PlainBitmap bitmap;
  const std::string path = "/dev/shm/morvalis-bench-" + std::to_string(::getpid()) + ".tiff";
  std::vector<unsigned char> row(static_cast<std::size_t>(kPixels) * 4);
  for (auto _ : state) {
    bitmap.draw();
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    const std::uint16_t extra = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(kPixels));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(kPixels));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    for (int y = 0; y < kPixels; ++y) {
      const std::uint32_t* words = bitmap.row(y);
      for (int x = 0; x < kPixels; ++x) {
        const std::uint32_t w = words[x];
        row[x * 4 + 0] = static_cast<unsigned char>(w >> 16);
        row[x * 4 + 1] = static_cast<unsigned char>(w >> 8);
        row[x * 4 + 2] = static_cast<unsigned char>(w);
        row[x * 4 + 3] = static_cast<unsigned char>(w >> 24);
      }
      TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(tiff);
  }
  std::remove(path.c_str());
}

int appendGifBytes(GifFileType* gif, const GifByteType* data, int length)
{
  auto* bytes = static_cast<std::vector<unsigned char>*>(gif->UserData);
  bytes->insert(bytes->end(), data, data + length);
  return length;
}

void plainGif(benchmark::State& state)
{
  PlainBitmap bitmap;
  std::vector<unsigned char> rgba(static_cast<std::size_t>(kPixels) * kPixels * 4);
  std::vector<unsigned char> indexes(static_cast<std::size_t>(kPixels) * kPixels);
  for (auto _ : state) {
    bitmap.draw();
    // Laid onto white, as the export lays them onto its matte.
    for (int y = 0; y < kPixels; ++y) {
      const std::uint32_t* words = bitmap.row(y);
      unsigned char* out = rgba.data() + static_cast<std::size_t>(y) * kPixels * 4;
      for (int x = 0; x < kPixels; ++x) {
        const std::uint32_t w = words[x];
        const unsigned inverse = 255 - (w >> 24);
        out[x * 4 + 0] = static_cast<unsigned char>(((w >> 16) & 0xff) + inverse);
        out[x * 4 + 1] = static_cast<unsigned char>(((w >> 8) & 0xff) + inverse);
        out[x * 4 + 2] = static_cast<unsigned char>((w & 0xff) + inverse);
        out[x * 4 + 3] = 255;
      }
    }
    liq_attr* attr = liq_attr_create();
    liq_set_max_colors(attr, 256);
    liq_image* image = liq_image_create_rgba(attr, rgba.data(), kPixels, kPixels, 0);
    liq_result* result = nullptr;
    if (liq_image_quantize(image, attr, &result) != LIQ_OK) {
      state.SkipWithError("quantising failed");
      return;
    }
    liq_set_dithering_level(result, 1.0f);
    liq_write_remapped_image(result, image, indexes.data(), indexes.size());
    const liq_palette* palette = liq_get_palette(result);
    std::vector<GifColorType> colors(256);
    for (unsigned i = 0; i < palette->count; ++i) {
      colors[i] = {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
    }
    std::vector<unsigned char> bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, appendGifBytes, &error);
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    EGifPutScreenDesc(gif, kPixels, kPixels, 8, 0, nullptr);
    EGifPutImageDesc(gif, 0, 0, kPixels, kPixels, false, map);
    for (int y = 0; y < kPixels; ++y) {
      EGifPutLine(gif, indexes.data() + static_cast<std::size_t>(y) * kPixels, kPixels);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    liq_result_destroy(result);
    liq_image_destroy(image);
    liq_attr_destroy(attr);
    benchmark::DoNotOptimize(bytes.data());
  }
}

template <typename MakeSurface>
void plainVector(benchmark::State& state, MakeSurface makeSurface)
{
  for (auto _ : state) {
    std::vector<unsigned char> bytes;
    cairo_surface_t* surface = makeSurface(&bytes);
    cairo_t* cr = cairo_create(surface);
    drawShapes(cr, 1.0);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    benchmark::DoNotOptimize(bytes.data());
  }
}

void plainPdf(benchmark::State& state)
{
  plainVector(state, [](std::vector<unsigned char>* bytes) {
    return cairo_pdf_surface_create_for_stream(appendBytes, bytes, kA4Width, kA4Height);
  });
}

void plainEps(benchmark::State& state)
{
  plainVector(state, [](std::vector<unsigned char>* bytes) {
    cairo_surface_t* surface = cairo_ps_surface_create_for_stream(appendBytes, bytes, kA4Width, kA4Height);
    cairo_ps_surface_set_eps(surface, true);
    return surface;
  });
}

void plainSvg(benchmark::State& state)
{
  plainVector(state, [](std::vector<unsigned char>* bytes) {
    return cairo_svg_surface_create_for_stream(appendBytes, bytes, kA4Width, kA4Height);
  });
}

// The drawing alone, without encoding: the export's offscreen frame beside the plain loop.
// The frame alone, in one band on one thread (like for like with the plain loop) or in up to six
// bands on as many threads (what an export gets); "bands" is the most it may use.
void exportFrameOnly(benchmark::State& state)
{
  ExportArtwork artwork({kBitmapSide, kBitmapSide});
  artwork.renderer.setMaximumBandCount(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(artwork.renderer.renderBitmap(kBitmapScale));
  }
}

void plainDrawOnly(benchmark::State& state)
{
  PlainBitmap bitmap;
  for (auto _ : state) {
    bitmap.draw();
    benchmark::DoNotOptimize(bitmap.row(0));
  }
}

// ---- The exports ----

constexpr pf::Size kBitmapArtboard{kBitmapSide, kBitmapSide};
constexpr pf::Size kA4Artboard{kA4Width, kA4Height};

void exportPng(benchmark::State& state)
{
  measureExport(state, "png", kBitmapArtboard, kBitmapScale);
}
void exportJpeg(benchmark::State& state)
{
  measureExport(state, "jpg", kBitmapArtboard, kBitmapScale);
}
void exportTiff(benchmark::State& state)
{
  measureExport(state, "tiff", kBitmapArtboard, kBitmapScale);
}
void exportGif(benchmark::State& state)
{
  measureExport(state, "gif", kBitmapArtboard, kBitmapScale);
}
void exportPdf(benchmark::State& state)
{
  measureExport(state, "pdf", kA4Artboard, 1.0);
}
void exportEps(benchmark::State& state)
{
  measureExport(state, "eps", kA4Artboard, 1.0);
}
void exportSvg(benchmark::State& state)
{
  measureExport(state, "svg", kA4Artboard, 1.0);
}

BENCHMARK(exportFrameOnly)->ArgName("bands")->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(plainDrawOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(exportPng)->Unit(benchmark::kMillisecond);
BENCHMARK(plainPng)->Unit(benchmark::kMillisecond);
BENCHMARK(exportJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(plainJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(exportTiff)->Unit(benchmark::kMillisecond);
BENCHMARK(plainTiff)->Unit(benchmark::kMillisecond);
BENCHMARK(exportGif)->Unit(benchmark::kMillisecond);
BENCHMARK(plainGif)->Unit(benchmark::kMillisecond);
BENCHMARK(exportPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(plainPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(exportEps)->Unit(benchmark::kMillisecond);
BENCHMARK(plainEps)->Unit(benchmark::kMillisecond);
BENCHMARK(exportSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(plainSvg)->Unit(benchmark::kMillisecond);

}  // namespace
