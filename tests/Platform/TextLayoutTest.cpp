#include "Platform/TextLayout.h"

#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include "Support/LogCapture.h"

namespace {

using testsupport::LogCapture;

constexpr double kUnit = 1.0 / PANGO_SCALE;

const pf::Font& sans()
{
  static const pf::Font font = *pf::Font::named("DejaVuSans", 12);
  return font;
}

struct LayoutCase {
  std::string name;
  std::string text;
  pf::TextStyle style;
};

// The same layout made directly with Pango, read back through its own position queries (not the
// run walk the layout uses), so that the two meet only in Pango's answers.
class PangoReference {
public:
  PangoReference(const std::string& text, const pf::TextStyle& style)
  {
    fontMap_ = pango_cairo_font_map_new();
    context_ = pango_font_map_create_context(fontMap_);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context_, FALSE);
    layout_ = pango_layout_new(context_);
    PangoFontDescription* description = pango_font_description_from_string("DejaVu Sans");
    pango_font_description_set_absolute_size(description, 12 * PANGO_SCALE);
    pango_layout_set_font_description(layout_, description);
    pango_font_description_free(description);
    pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
    if (style.lineHeight > 0) {
      pango_attr_list_insert(attributes,
                             pango_attr_line_height_new_absolute(static_cast<int>(style.lineHeight * PANGO_SCALE)));
    }
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);
    if (style.boxWidth > 0) {
      pango_layout_set_width(layout_, static_cast<int>(style.boxWidth * PANGO_SCALE));
      pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
    }
    const PangoAlignment alignments[] = {PANGO_ALIGN_LEFT, PANGO_ALIGN_CENTER, PANGO_ALIGN_RIGHT, PANGO_ALIGN_LEFT};
    pango_layout_set_alignment(layout_, alignments[static_cast<int>(style.alignment)]);
    pango_layout_set_justify(layout_, style.alignment == pf::TextAlignment::Justified);
  }
  ~PangoReference()
  {
    g_object_unref(layout_);
    g_object_unref(context_);
    g_object_unref(fontMap_);
  }
  PangoReference(const PangoReference&) = delete;
  PangoReference& operator=(const PangoReference&) = delete;

  int lineCount() const { return pango_layout_get_line_count(layout_); }
  int lineOf(std::size_t index) const
  {
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout_, static_cast<int>(index), FALSE, &line, &x);
    return line;
  }
  // The left edge of the character's cell, layout space in points.
  pf::Rect cell(std::size_t index) const
  {
    PangoRectangle rect{};
    pango_layout_index_to_pos(layout_, static_cast<int>(index), &rect);
    return {rect.x * kUnit, rect.y * kUnit, rect.width * kUnit, rect.height * kUnit};
  }
  double firstBaseline() const { return pango_layout_get_baseline(layout_) * kUnit; }
  // A line's logical box in layout space, from the layout's line list and the line's own extents.
  pf::Rect lineBox(int index) const
  {
    PangoLayoutIter* iter = pango_layout_get_iter(layout_);
    for (int i = 0; i < index; ++i) {
      pango_layout_iter_next_line(iter);
    }
    PangoRectangle logical{};
    pango_layout_iter_get_line_extents(iter, nullptr, &logical);
    pango_layout_iter_free(iter);
    return {logical.x * kUnit, logical.y * kUnit, logical.width * kUnit, logical.height * kUnit};
  }

private:
  PangoFontMap* fontMap_ = nullptr;
  PangoContext* context_ = nullptr;
  PangoLayout* layout_ = nullptr;
};

TEST(TextLayout, GlyphsLinesAndBaselinesAgreeWithPango)
{
  const auto style = [](pf::TextAlignment alignment, double lineHeight, double boxWidth) {
    pf::TextStyle s;
    s.alignment = alignment;
    s.lineHeight = lineHeight;
    s.boxWidth = boxWidth;
    return s;
  };
  using pf::TextAlignment;
  const std::vector<LayoutCase> cases = {
      {"one word", "Hamburgefonstiv", style(TextAlignment::Left, 0, 0)},
      {"kerned pair", "AVAVA To", style(TextAlignment::Left, 0, 0)},
      {"line breaks", "one\ntwo lines\n\nfour", style(TextAlignment::Left, 0, 0)},
      {"centred lines", "short\na longer line", style(TextAlignment::Center, 0, 0)},
      {"wrapped in a box", "the quick brown fox jumps over the lazy dog", style(TextAlignment::Left, 0, 60)},
      {"right in a box", "the quick brown fox jumps over the lazy dog", style(TextAlignment::Right, 0, 70)},
      {"centred in a box", "the quick brown fox jumps over the lazy dog", style(TextAlignment::Center, 0, 70)},
      {"justified", "the quick brown fox jumps over the lazy dog", style(TextAlignment::Justified, 0, 80)},
      {"a word wider than the box", "incomprehensibilities", style(TextAlignment::Left, 0, 30)},
      {"double line height", "a b c d e f g h", style(TextAlignment::Left, 28, 20)},
      {"combining mark", "e\u0301te\u0301", style(TextAlignment::Left, 0, 0)},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const pf::TextLayout layout = pf::TextLayout::layout(c.text, sans(), c.style);
    const PangoReference reference(c.text, c.style);
    ASSERT_EQ(static_cast<int>(layout.lines().size()), reference.lineCount());
    EXPECT_NEAR(layout.lines().front().baseline, reference.firstBaseline(), kUnit);
    ASSERT_FALSE(layout.glyphs().empty());
    for (std::size_t i = 0; i < layout.lines().size(); ++i) {
      const pf::Rect expected = reference.lineBox(static_cast<int>(i));
      EXPECT_NEAR(layout.lines()[i].rect.minY(), expected.minY(), kUnit);
      EXPECT_NEAR(layout.lines()[i].rect.height(), expected.height(), kUnit);
      EXPECT_NEAR(layout.lines()[i].rect.minX(), expected.minX(), kUnit);
      EXPECT_NEAR(layout.lines()[i].rect.width(), expected.width(), kUnit);
    }
    std::size_t previousIndex = std::string::npos;
    for (const pf::TextLayoutGlyph& glyph : layout.glyphs()) {
      EXPECT_EQ(glyph.line, reference.lineOf(glyph.textIndex)) << glyph.textIndex;
      const pf::TextLayoutLine& line = layout.lines()[static_cast<std::size_t>(glyph.line)];
      EXPECT_NEAR(glyph.position.y, line.baseline, kUnit);
      // A cluster's first glyph starts its cell; a combining mark sits over the cell of its base.
      const pf::Rect cell = reference.cell(glyph.textIndex);
      if (glyph.textIndex != previousIndex) {
        EXPECT_NEAR(glyph.position.x, cell.minX(), kUnit) << glyph.textIndex;
      }
      previousIndex = glyph.textIndex;
    }
  }
}

TEST(TextLayout, AlignmentPlacesLinesInTheBox)
{
  const std::string text = "the quick brown fox jumps over the lazy dog";
  pf::TextStyle style;
  style.boxWidth = 75;
  for (const pf::TextAlignment alignment : {pf::TextAlignment::Left, pf::TextAlignment::Center,
                                            pf::TextAlignment::Right, pf::TextAlignment::Justified}) {
    SCOPED_TRACE(static_cast<int>(alignment));
    style.alignment = alignment;
    const pf::TextLayout layout = pf::TextLayout::layout(text, sans(), style);
    ASSERT_GE(layout.lines().size(), 3u);
    for (std::size_t i = 0; i < layout.lines().size(); ++i) {
      const pf::Rect rect = layout.lines()[i].rect;
      EXPECT_LE(rect.width(), 75 + kUnit);
      const bool last = i + 1 == layout.lines().size();
      switch (alignment) {
      case pf::TextAlignment::Left:
        EXPECT_NEAR(rect.minX(), 0, kUnit);
        break;
      case pf::TextAlignment::Center:
        EXPECT_NEAR(rect.midX(), 37.5, kUnit);
        break;
      case pf::TextAlignment::Right:
        EXPECT_NEAR(rect.maxX(), 75, 0.5);  // trailing blanks hang past the edge
        break;
      case pf::TextAlignment::Justified:
        EXPECT_NEAR(rect.minX(), 0, kUnit);
        if (!last) {
          EXPECT_NEAR(rect.maxX(), 75, 0.5);
        }
        break;
      }
    }
  }
}

TEST(TextLayout, FixedLineHeightSetsTheLinePitch)
{
  const pf::Font& font = sans();
  for (const double height : {font.defaultLineHeight(), 30.0, 6.0, 0.00001}) {
    SCOPED_TRACE(height);
    pf::TextStyle style;
    style.lineHeight = height;
    const pf::TextLayout layout = pf::TextLayout::layout("A\nB\nC", font, style);
    ASSERT_EQ(layout.lines().size(), 3u);
    const double pitch = height;
    for (std::size_t i = 0; i < 3; ++i) {
      const pf::TextLayoutLine& line = layout.lines()[i];
      EXPECT_NEAR(line.rect.minY(), static_cast<double>(i) * pitch, 2 * kUnit);
      EXPECT_NEAR(line.rect.height(), pitch, 2 * kUnit);
      // The spare height is split evenly above and below the font's ascent and descent.
      EXPECT_NEAR(line.baseline - line.rect.minY(), (pitch - font.ascent() - font.descent()) / 2 + font.ascent(),
                  2 * kUnit);
    }
  }
}

TEST(TextLayout, TrackingWidensEveryGap)
{
  pf::TextStyle loose;
  loose.tracking = 2.5;
  const pf::TextLayout plain = pf::TextLayout::layout("HHHH", sans(), {});
  const pf::TextLayout tracked = pf::TextLayout::layout("HHHH", sans(), loose);
  ASSERT_EQ(plain.glyphs().size(), 4u);
  ASSERT_EQ(tracked.glyphs().size(), 4u);
  for (std::size_t i = 1; i < 4; ++i) {
    const double plainGap = plain.glyphs()[i].position.x - plain.glyphs()[i - 1].position.x;
    const double trackedGap = tracked.glyphs()[i].position.x - tracked.glyphs()[i - 1].position.x;
    EXPECT_NEAR(trackedGap - plainGap, 2.5, kUnit);
  }
}

TEST(TextLayout, RightToLeftRunsComeOutInVisualOrder)
{
  // Hebrew shalom: the first letter in reading order is the rightmost on screen.
  const std::string hebrew = "\u05e9\u05dc\u05d5\u05dd";
  const pf::TextLayout layout = pf::TextLayout::layout(hebrew, sans(), {});
  ASSERT_EQ(layout.glyphs().size(), 4u);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_GT(layout.glyphs()[i].position.x, layout.glyphs()[i - 1].position.x);
    EXPECT_LT(layout.glyphs()[i].textIndex, layout.glyphs()[i - 1].textIndex);
  }
  // Left alignment holds for a right-to-left paragraph too.
  pf::TextStyle box;
  box.boxWidth = 200;
  EXPECT_NEAR(pf::TextLayout::layout(hebrew, sans(), box).lines().front().rect.minX(), 0, kUnit);

  // Mixed: the Latin word keeps its own order inside the right-to-left paragraph.
  const pf::TextLayout mixed = pf::TextLayout::layout("\u05e9\u05dc\u05d5\u05dd abc", sans(), {});
  ASSERT_EQ(mixed.glyphs().size(), 8u);  // the blank has a glyph, without outline
  EXPECT_EQ(mixed.text().substr(mixed.glyphs()[0].textIndex, 1), "a");
  EXPECT_EQ(mixed.text().substr(mixed.glyphs()[2].textIndex, 1), "c");
}

TEST(TextLayout, ArabicTakesItsJoiningForms)
{
  // The same letter (beh) alone and inside a word takes different glyphs.
  const pf::TextLayout alone = pf::TextLayout::layout("\u0628", sans(), {});
  const pf::TextLayout joined = pf::TextLayout::layout("\u0628\u0628\u0628", sans(), {});
  ASSERT_EQ(alone.glyphs().size(), 1u);
  ASSERT_EQ(joined.glyphs().size(), 3u);
  EXPECT_NE(joined.glyphs()[1].glyph, alone.glyphs()[0].glyph);
  EXPECT_NE(joined.glyphs()[0].glyph, joined.glyphs()[2].glyph);
  for (const pf::TextLayoutGlyph& glyph : joined.glyphs()) {
    EXPECT_TRUE(glyph.font.glyphOutline(static_cast<std::uint16_t>(glyph.glyph)).has_value());
  }
}

TEST(TextLayout, CharactersTheFontLacksComeFromAFallbackFace)
{
  // The URW stand-in for Helvetica has no Hebrew; the fallback face that has it shapes it.
  const std::optional<pf::Font> latinOnly = pf::Font::named("NimbusSans-Regular", 12);
  if (!latinOnly) {
    GTEST_SKIP() << "NimbusSans-Regular is not installed";
  }
  const pf::TextLayout layout = pf::TextLayout::layout("A\u05e9", *latinOnly, {});
  ASSERT_EQ(layout.glyphs().size(), 2u);
  EXPECT_EQ(layout.glyphs()[0].font.fontName(), "NimbusSans-Regular");
  const pf::Font& fallback = layout.glyphs()[1].font;
  EXPECT_NE(fallback.fontName(), "NimbusSans-Regular");
  EXPECT_EQ(fallback.glyphForCharacter(U'\u05e9'), layout.glyphs()[1].glyph);
  EXPECT_EQ(fallback.pointSize(), 12);
}

TEST(TextLayout, OddTextGivesAnEmptyOrPartialLayout)
{
  EXPECT_TRUE(pf::TextLayout::layout("", sans(), {}).lines().empty());
  EXPECT_TRUE(pf::TextLayout::layout("", sans(), {}).glyphs().empty());
  // Blanks and control characters take room but draw no glyph that has an outline.
  for (const std::string& blank : {std::string("   "), std::string("\t\n\r"), std::string("a\0b", 3)}) {
    const pf::TextLayout layout = pf::TextLayout::layout(blank, sans(), {});
    for (const pf::TextLayoutGlyph& glyph : layout.glyphs()) {
      const std::optional<pf::Path> outline = glyph.font.glyphOutline(static_cast<std::uint16_t>(glyph.glyph));
      EXPECT_TRUE(!outline || outline->isEmpty() || blank.size() == 3);
    }
  }
  // Invalid UTF-8 is replaced and logged, never handed to the shaper.
  LogCapture log;
  const pf::TextLayout broken = pf::TextLayout::layout("a\xff\xfe" "b", sans(), {});
  EXPECT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(broken.text(), "a\uFFFD\uFFFD" "b");
  EXPECT_GE(broken.glyphs().size(), 2u);
  // Extreme settings neither hang nor overflow.
  pf::TextStyle extreme;
  extreme.boxWidth = 1e-9;
  extreme.lineHeight = 1e30;
  extreme.tracking = std::nan("");
  const pf::TextLayout squeezed = pf::TextLayout::layout("abc def", sans(), extreme);
  EXPECT_FALSE(squeezed.lines().empty());
  EXPECT_EQ(squeezed.glyphs().size(), 6u);
}

TEST(TextLayout, SafeFromSeveralThreads)
{
  const std::string text = "layout from \u05e9\u05dc\u05d5\u05dd threads";
  const pf::TextLayout expected = pf::TextLayout::layout(text, sans(), {});
  std::vector<int> matches(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < matches.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        const pf::TextLayout layout = pf::TextLayout::layout(text, sans(), {});
        bool same = layout.glyphs().size() == expected.glyphs().size();
        for (std::size_t g = 0; same && g < layout.glyphs().size(); ++g) {
          same = layout.glyphs()[g].glyph == expected.glyphs()[g].glyph &&
                 layout.glyphs()[g].position == expected.glyphs()[g].position;
        }
        matches[t] += same;
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(matches, std::vector<int>(4, 20));
}

}  // namespace
