#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include "Shared/SVG/ODSVGParser.h"

namespace {

// A document of about `elements` elements: a style sheet with class rules, a defined shape
// reused with `use`, and groups of ten paths, shapes and uses with presentation attributes,
// inline styles, transforms and path data with curves and arcs.
std::string documentWithElements(std::int64_t elements)
{
  std::string text =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "viewBox=\"0 0 1000 1000\" width=\"1000\" height=\"1000\">"
      "<style>.a { fill: #336699; stroke: black } .b { stroke-width: 2 } g > .c { opacity: 0.5 }</style>"
      "<defs><path id=\"mark\" d=\"M0 0 L10 0 L5 8 Z\" fill=\"red\"/></defs>";
  std::int64_t written = 3;
  std::int64_t index = 0;
  while (written < elements) {
    const std::string x = std::to_string(index % 100 * 10);
    const std::string y = std::to_string(index / 100 % 100 * 10);
    text += "<g transform=\"translate(" + x + "," + y + ") rotate(15)\" class=\"grp\">";
    text += "<path class=\"a\" d=\"M0 0 C10 0 20 10 20 20 S30 40 40 40 Q50 50 60 40 T80 40 A10 10 0 0 1 100 40 "
            "l-5 5 h-20 v10 z\"/>";
    text += "<path class=\"a b\" style=\"fill: rgb(200, 100, 50); stroke-dasharray: 2 1\" d=\"M1.5.5-2e1 3 4 5\"/>";
    text += "<rect class=\"c\" x=\"1\" y=\"2\" width=\"30\" height=\"20\" rx=\"3\" fill=\"hsl(120, 50%, 50%)\"/>";
    text += "<circle cx=\"5\" cy=\"5\" r=\"4\" stroke=\"#f80\" fill-opacity=\"0.5\" fill=\"blue\"/>";
    text += "<use xlink:href=\"#mark\" x=\"12\" y=\"3\"/>";
    text += "<polygon points=\"0,0 10,0 10,10 0,10\" fill=\"none\" stroke=\"green\"/>";
    text += "<line x1=\"0\" y1=\"0\" x2=\"50\" y2=\"50\" stroke=\"gray\"/>";
    text += "<ellipse cx=\"3\" cy=\"4\" rx=\"5\" ry=\"2\" class=\"b\"/>";
    text += "<path d=\"M0,0 10,10 20,0 30,10 40,0\" fill=\"none\" stroke=\"purple\" stroke-linecap=\"round\"/>";
    text += "</g>";
    written += 10;
    ++index;
  }
  return text + "</svg>";
}

void SvgParseIntoNodeTree(benchmark::State& state)
{
  const std::string text = documentWithElements(state.range(0));
  for (auto _ : state) {
    ODSVGError error;
    auto parser = ODSVGParser::initWithSVGString(text, &error);
    if (!parser) {
      state.SkipWithError("document refused");
      break;
    }
    benchmark::DoNotOptimize(parser);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["per_element"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// The baseline: pugixml alone reading the same text into its DOM.
void PlainPugixmlParse(benchmark::State& state)
{
  const std::string text = documentWithElements(state.range(0));
  for (auto _ : state) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["per_element"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

BENCHMARK(SvgParseIntoNodeTree)->Arg(100)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainPugixmlParse)->Arg(100)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
