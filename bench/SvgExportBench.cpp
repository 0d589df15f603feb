#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include "Platform/Numbers.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGExporter.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGShapeLayer.h"
#include "Shared/SVG/ODSVGStrokeLayer.h"

namespace {

constexpr std::int64_t kLayersPerGroup = 10;  // the group, six shapes, three of them stroked

pf::Path shapePath(std::int64_t group, int shape)
{
  // Every fourth group repeats the shapes of the first, so path reuse has work.
  const double x = static_cast<double>(group % 4 == 0 ? 0 : group % 100) * 10.0 + shape;
  return pf::Path().moveTo({x, 0}).lineTo({x + 8.5, 0}).lineTo({x + 8.5, 7.25}).curveTo({x + 4, 9}, {x + 2, 9}, {x, 7.25}).closeSubpath();
}

// A layer tree of about `layers` layers: groups with a transform holding six filled shapes,
// three of them stroked.
std::shared_ptr<ODSVG> documentWithLayers(std::int64_t layers)
{
  auto root = std::make_shared<ODSVGGroupLayer>();
  for (std::int64_t group = 0; group * kLayersPerGroup < layers; ++group) {
    auto layer = std::make_shared<ODSVGGroupLayer>();
    layer->setAffineTransform(pf::AffineTransform::translation(0, static_cast<double>(group / 100) * 10.0));
    for (int shape = 0; shape < 6; ++shape) {
      auto path = std::make_shared<ODSVGShapeLayer>();
      path->setPath(shapePath(group, shape));
      path->setFillColor(shape % 2 == 0 ? pf::Color::rgb(1, 0, 0) : pf::Color::rgb(0.2, 0.4, 0.6));
      if (shape < 3) {
        auto stroke = std::make_shared<ODSVGStrokeLayer>();
        stroke->setPath(path->path());
        stroke->setStrokeColor(pf::Color::black());
        stroke->setLineWidth(1.5);
        path->setStrokeLayer(stroke.get());
        path->addSublayer(std::move(stroke));
      }
      layer->addSublayer(std::move(path));
    }
    root->addSublayer(std::move(layer));
  }
  return ODSVG::initWithSVGLayer(root, pf::Rect(0, 0, 1000, 1000));
}

void setCounters(benchmark::State& state)
{
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["per_layer"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void exportWith(benchmark::State& state, std::int64_t options)
{
  const std::shared_ptr<ODSVG> svg = documentWithLayers(state.range(0));
  for (auto _ : state) {
    std::string text = svg->SVGStringWithOptions(options);
    benchmark::DoNotOptimize(text);
  }
  setCounters(state);
}

void SvgExportNoCleanUps(benchmark::State& state)
{
  exportWith(state, 0);
}

void SvgExportAllCleanUps(benchmark::State& state)
{
  exportWith(state, ODSVGExporter::kAllCleanUps | ODSVGExporter::kRelativeCoordinates);
}

// Baseline: the same elements written straight into a pugixml document and saved.
void PlainPugixmlWrite(benchmark::State& state)
{
  const std::int64_t groups = (state.range(0) + kLayersPerGroup - 1) / kLayersPerGroup;
  for (auto _ : state) {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("svg");
    root.append_attribute("viewBox") = "0 0 1000 1000";
    root.append_attribute("xmlns") = "http://www.w3.org/2000/svg";
    pugi::xml_node top = root.append_child("g");
    for (std::int64_t group = 0; group < groups; ++group) {
      pugi::xml_node g = top.append_child("g");
      std::string transform = "matrix(1,0,0,1,0,";
      transform.append(pf::formatG(static_cast<double>(group / 100) * 10.0)).append(")");
      g.append_attribute("transform") = transform.c_str();
      for (int shape = 0; shape < 6; ++shape) {
        const double x = static_cast<double>(group % 4 == 0 ? 0 : group % 100) * 10.0 + shape;
        std::string d = "M";
        d.append(pf::formatG(x)).append(",0H").append(pf::formatG(x + 8.5)).append("V7.25C");
        d.append(pf::formatG(x + 4)).append(",9 ").append(pf::formatG(x + 2)).append(",9 ");
        d.append(pf::formatG(x)).append(",7.25Z");
        pugi::xml_node path = g.append_child("path");
        path.append_attribute("d") = d.c_str();
        path.append_attribute("fill") = shape % 2 == 0 ? "#F00" : "#369";
        if (shape < 3) {
          path.append_attribute("stroke-width") = "1.5";
          path.append_attribute("stroke") = "#000";
        }
      }
    }
    std::ostringstream stream;
    document.save(stream, "\t", pugi::format_indent, pugi::encoding_utf8);
    std::string text = stream.str();
    benchmark::DoNotOptimize(text);
  }
  setCounters(state);
}

}  // namespace

BENCHMARK(PlainPugixmlWrite)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(SvgExportNoCleanUps)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(SvgExportAllCleanUps)->Arg(10'000)->Unit(benchmark::kMillisecond);
