#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <pango/pangocairo.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Elements/ElementTextNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/DecimalFormatter.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"

namespace {

// A text node with a text of 1,000 characters in a box (several lines), generated again after
// a change of its value: with the glyph cache warm (the common case while a user edits) and
// cold (the first generation, or after another font). Reported per glyph, beside the direct
// path: the same string shaped by a Pango layout and every glyph outlined by FreeType, each
// time (the cold case) or once per glyph into a cache that later layouts reuse (the warm case,
// as a plain program that draws text more than once would keep it).

constexpr double kPointSize = 12;
constexpr double kBoxWidth = 400;

std::string thousandCharacters()
{
  const std::string words = "Sphinx of black quartz, judge my vow [val]. The five boxing wizards jump quickly! ";
  std::string text;
  while (text.size() < 1000) {
    text += words;
  }
  text.resize(1000);
  return text;
}

struct TextDocument {
  TextDocument()
  {
    pf::RunLoop::setCurrent(&runLoop);
    pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>("/nonexistent/morvalis-bench-defaults.plist"));
    registerNodeClasses();
    document.pauseUndoRegistration();
    node = dynamic_cast<ElementTextNode*>(controller.addNodeOfClass("ElementTextNode", {0, 0}, false));
    node->parameterNamed<MVParameterFont>("Font")->setFont(pf::Font::named("DejaVuSans", kPointSize));
    node->parameterNamed<MVParameterString>("Text")->setString(thousandCharacters());
    node->parameterNamed<MVParameterBool>("Multiple lines")->setValue(true);
    node->parameterNamed<MVParameterValue>("Line length")->setValue(kBoxWidth);
    node->parameterNamed<MVParameterValue>("Value")->setEnabled(true);
    document.resumeUndoRegistration();
  }

  // Changes the value and pulls the node's output; answers the number of glyphs.
  long generate(double value)
  {
    node->parameterNamed<MVParameterValue>("Value")->setValue(value);
    const auto group = std::dynamic_pointer_cast<const MVElementGroup>(node->graphicsParameterNamed("Graphics")->element());
    return group ? group->count() : 0;
  }

  pf::ManualRunLoop runLoop;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  ElementTextNode* node = nullptr;  // owned by the controller
};

void reportPerGlyph(benchmark::State& state, long glyphs)
{
  state.SetItemsProcessed(state.iterations() * glyphs);
  state.counters["per glyph"] = benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsIterationInvariantRate |
                                                                                    benchmark::Counter::kInvert);
}

void textNodeWarm(benchmark::State& state)
{
  TextDocument text;
  long glyphs = text.generate(0);
  double value = 0;
  for (auto _ : state) {
    glyphs = text.generate(value += 1);
  }
  reportPerGlyph(state, glyphs);
}
BENCHMARK(textNodeWarm)->Unit(benchmark::kMicrosecond);

void textNodeCold(benchmark::State& state)
{
  TextDocument text;
  long glyphs = 0;
  double value = 0;
  for (auto _ : state) {
    text.node->clearCachedValues();
    glyphs = text.generate(value += 1);
  }
  reportPerGlyph(state, glyphs);
}
BENCHMARK(textNodeCold)->Unit(benchmark::kMicrosecond);

// The direct path: a Pango layout of the same text in the same box, walked run by run, with
// every glyph's outline decomposed by FreeType into a plain point list.
struct DirectOutline {
  std::vector<double> points;
};

int directMove(const FT_Vector* to, void* user)
{
  auto* outline = static_cast<DirectOutline*>(user);
  outline->points.insert(outline->points.end(), {static_cast<double>(to->x), static_cast<double>(to->y)});
  return 0;
}

int directConic(const FT_Vector* control, const FT_Vector* to, void* user)
{
  auto* outline = static_cast<DirectOutline*>(user);
  outline->points.insert(outline->points.end(), {static_cast<double>(control->x), static_cast<double>(control->y),
                                                 static_cast<double>(to->x), static_cast<double>(to->y)});
  return 0;
}

int directCubic(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
  directConic(control1, control2, user);
  return directMove(to, user);
}

// Every glyph outlined again each time (`cached` false), or once into a cache kept across
// iterations, whose outlines later layouts share.
void runDirectPangoFreeType(benchmark::State& state, bool cached)
{
  const pf::Font font = *pf::Font::named("DejaVuSans", kPointSize);
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  FT_Face face = nullptr;
  FT_New_Face(library, font.fontFile().c_str(), font.faceIndex(), &face);
  PangoFontMap* fontMap = pango_cairo_font_map_new();
  PangoContext* context = pango_font_map_create_context(fontMap);
  PangoFontDescription* description = pango_font_description_from_string("DejaVu Sans");
  pango_font_description_set_absolute_size(description, kPointSize * PANGO_SCALE);
  const double capHeight = font.capHeight();
  FT_Outline_Funcs funcs{};
  funcs.move_to = directMove;
  funcs.line_to = directMove;
  funcs.conic_to = directConic;
  funcs.cubic_to = directCubic;

  const std::string text = thousandCharacters();
  const pf::DecimalFormatter formatter(3);
  std::unordered_map<PangoGlyph, std::shared_ptr<const DirectOutline>> cache;
  long glyphs = 0;
  double value = 0;
  for (auto _ : state) {
    std::string shown = text;
    const std::string number = formatter.string(value += 1);
    for (std::size_t at = shown.find("[val]"); at != std::string::npos; at = shown.find("[val]", at)) {
      shown.replace(at, 5, number);
    }
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, description);
    pango_layout_set_text(layout, shown.data(), static_cast<int>(shown.size()));
    pango_layout_set_width(layout, static_cast<int>(capHeight / 30 * kBoxWidth * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    std::vector<std::shared_ptr<const DirectOutline>> outlines;
    do {
      PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
      if (run == nullptr) {
        continue;
      }
      for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
        const PangoGlyph glyph = run->glyphs->glyphs[i].glyph;
        if (glyph == PANGO_GLYPH_EMPTY || (glyph & PANGO_GLYPH_UNKNOWN_FLAG) != 0) {
          continue;
        }
        if (cached) {
          if (const auto found = cache.find(glyph); found != cache.end()) {
            if (found->second) {
              outlines.push_back(found->second);
            }
            continue;
          }
        }
        std::shared_ptr<const DirectOutline> outline;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0) {
          auto decomposed = std::make_shared<DirectOutline>();
          FT_Outline_Decompose(&face->glyph->outline, &funcs, decomposed.get());
          if (!decomposed->points.empty()) {
            outline = std::move(decomposed);
          }
        }
        if (cached) {
          cache.emplace(glyph, outline);  // glyphs without outline are remembered as such
        }
        if (outline) {
          outlines.push_back(std::move(outline));
        }
      }
    } while (pango_layout_iter_next_run(iter));
    pango_layout_iter_free(iter);
    g_object_unref(layout);
    glyphs = static_cast<long>(outlines.size());
    benchmark::DoNotOptimize(outlines);
  }
  reportPerGlyph(state, glyphs);
  pango_font_description_free(description);
  g_object_unref(context);
  g_object_unref(fontMap);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

void directPangoFreeType(benchmark::State& state)
{
  runDirectPangoFreeType(state, false);
}
BENCHMARK(directPangoFreeType)->Unit(benchmark::kMicrosecond);

void directPangoFreeTypeCached(benchmark::State& state)
{
  runDirectPangoFreeType(state, true);
}
BENCHMARK(directPangoFreeTypeCached)->Unit(benchmark::kMicrosecond);

}  // namespace
