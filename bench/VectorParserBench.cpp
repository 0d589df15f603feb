#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include "Shared/VectorParser/VectorGraphicsParser.h"

namespace {

constexpr int kPathCount = 10000;

// One closed outline per path: a move, five lines and a cubic, at a different place each, with
// coordinates of three decimals (about 100 bytes of path data per path).
struct Outline {
  double x;
  double y;
};

Outline outlineAt(int index)
{
  return {static_cast<double>(index % 100) * 10.123, static_cast<double>(index / 100) * 10.457};
}

std::string number(double value)
{
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

// About 1 MB of SVG: one <path> per outline.
std::string svgText()
{
  std::string text = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1100\" "
                     "height=\"1100\">\n";
  for (int i = 0; i < kPathCount; ++i) {
    const Outline o = outlineAt(i);
    text += "<path fill=\"#336699\" d=\"M" + number(o.x) + " " + number(o.y) + " L" + number(o.x + 8.5) + " " +
            number(o.y) + " L" + number(o.x + 8.5) + " " + number(o.y + 4.25) + " L" + number(o.x + 6.125) + " " +
            number(o.y + 8.5) + " L" + number(o.x + 2.375) + " " + number(o.y + 8.5) + " L" + number(o.x) + " " +
            number(o.y + 4.25) + " C" + number(o.x - 1.5) + " " + number(o.y + 2.5) + " " + number(o.x - 1.5) + " " +
            number(o.y + 1.5) + " " + number(o.x) + " " + number(o.y) + " Z\"/>\n";
  }
  return text + "</svg>\n";
}

// The same outlines as EPS, one operator per line as drawing programs write them.
std::string epsText()
{
  std::string text = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 1100 1100\n%%EndComments\n%%BeginProlog\n"
                     "/m { moveto } bind def\n/l { lineto } bind def\n/c { curveto } bind def\n"
                     "/h { closepath } bind def\n/f { fill } bind def\n/rg { setrgbcolor } bind def\n"
                     "%%EndProlog\n%%BeginSetup\n%%EndSetup\n%%BeginPageSetup\n%%EndPageSetup\n0.2 0.4 0.6 rg\n";
  for (int i = 0; i < kPathCount; ++i) {
    const Outline o = outlineAt(i);
    text += number(o.x) + " " + number(o.y) + " m\n" + number(o.x + 8.5) + " " + number(o.y) + " l\n" +
            number(o.x + 8.5) + " " + number(o.y + 4.25) + " l\n" + number(o.x + 6.125) + " " + number(o.y + 8.5) +
            " l\n" + number(o.x + 2.375) + " " + number(o.y + 8.5) + " l\n" + number(o.x) + " " +
            number(o.y + 4.25) + " l\n" + number(o.x - 1.5) + " " + number(o.y + 2.5) + " " + number(o.x - 1.5) +
            " " + number(o.y + 1.5) + " " + number(o.x) + " " + number(o.y) + " c\nh\nf\n";
  }
  return text + "showpage\n%%PageTrailer\n%%Trailer\n%%EOF\n";
}

std::vector<std::uint8_t> bytes(const std::string& text)
{
  return {text.begin(), text.end()};
}

void reportPerPath(benchmark::State& state, std::size_t size)
{
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  state.counters["per_path"] =
      benchmark::Counter(kPathCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PathReaderSvg(benchmark::State& state)
{
  const std::vector<std::uint8_t> data = bytes(svgText());
  for (auto _ : state) {
    auto paths = VectorGraphicsParser::parserPathsFromData(data);
    benchmark::DoNotOptimize(paths);
  }
  reportPerPath(state, data.size());
}
BENCHMARK(BM_PathReaderSvg)->Unit(benchmark::kMillisecond);

void BM_PathReaderEps(benchmark::State& state)
{
  const std::vector<std::uint8_t> data = bytes(epsText());
  for (auto _ : state) {
    auto paths = VectorGraphicsParser::parserPathsFromData(data);
    benchmark::DoNotOptimize(paths);
  }
  reportPerPath(state, data.size());
}
BENCHMARK(BM_PathReaderEps)->Unit(benchmark::kMillisecond);

// Baseline: pugixml parses the same SVG and walks every path's data attribute.
void BM_PugixmlWalkSvg(benchmark::State& state)
{
  const std::string text = svgText();
  for (auto _ : state) {
    pugi::xml_document document;
    document.load_buffer(text.data(), text.size());
    std::size_t total = 0;
    for (const pugi::xml_node path : document.child("svg").children("path")) {
      total += std::char_traits<char>::length(path.attribute("d").value());
    }
    benchmark::DoNotOptimize(total);
  }
  reportPerPath(state, text.size());
}
BENCHMARK(BM_PugixmlWalkSvg)->Unit(benchmark::kMillisecond);

}  // namespace
