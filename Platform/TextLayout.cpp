#include "Platform/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>
#include <pango/pangofc-fontmap.h>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "Platform/FontConfiguration.h"
#include "Platform/Log.h"

namespace pf {

namespace {

struct GObjectDeleter {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectHandle = std::unique_ptr<T, GObjectDeleter>;

struct DescriptionDeleter {
  void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
using DescriptionHandle = std::unique_ptr<PangoFontDescription, DescriptionDeleter>;

struct AttributeListDeleter {
  void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
};
struct IterDeleter {
  void operator()(PangoLayoutIter* iter) const { pango_layout_iter_free(iter); }
};

double fromPango(int units)
{
  return static_cast<double>(units) / PANGO_SCALE;
}

// Points to Pango units, saturating so that huge or NaN settings cannot overflow.
int toPango(double points)
{
  const double units = std::round(points * PANGO_SCALE);
  if (!(units == units)) {
    return 0;
  }
  return static_cast<int>(std::clamp(units, -1.0e9, 1.0e9));
}

// The one font map and context every layout uses. Pango objects are not thread-safe, so each
// layout runs under `lock`. Glyph positions are kept unhinted and unrounded: the outlines are
// drawn at any scale, so the layout must be the font's design, not a pixel grid's.
class TextSystem {
public:
  static TextSystem& shared()
  {
    static TextSystem system;
    return system;
  }

  std::mutex lock;

  PangoContext* context() const { return context_.get(); }

  // A description that selects the font's face in Pango (family, weight, slant, width), at the
  // font's size in points; cached per face. Called under `lock`.
  const PangoFontDescription* description(const Font& font)
  {
    const auto key = std::make_pair(font.fontFile(), font.faceIndex());
    auto found = descriptions_.find(key);
    if (found == descriptions_.end()) {
      DescriptionHandle description;
      int count = 0;
      if (FcPattern* pattern = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(font.fontFile().c_str()),
                                               font.faceIndex(), nullptr, &count)) {
        description.reset(pango_fc_font_description_from_pattern(pattern, FALSE));
        FcPatternDestroy(pattern);
      }
      if (!description) {
        log("Warning, the text system cannot describe font %@, laying out in its family", font.description());
        description.reset(pango_font_description_new());
        pango_font_description_set_family(description.get(), font.familyName().c_str());
      }
      found = descriptions_.emplace(key, std::move(description)).first;
    }
    pango_font_description_set_absolute_size(found->second.get(), font.pointSize() * PANGO_SCALE);
    return found->second.get();
  }

  // Our font for the face Pango chose for a run; nullopt (logged) when it cannot be opened.
  // Called under `lock`.
  std::optional<Font> fontFor(PangoFont* pangoFont, double pointSize)
  {
    if (pangoFont == nullptr || !PANGO_IS_FC_FONT(pangoFont)) {
      return std::nullopt;
    }
    FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(pangoFont));
    FcChar8* file = nullptr;
    int index = 0;
    if (pattern == nullptr || FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch || file == nullptr) {
      return std::nullopt;
    }
    FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
    return Font::inFile(reinterpret_cast<const char*>(file), index, pointSize);
  }

private:
  TextSystem()
  {
    // Our configuration, asked for first so that it outlives this font map.
    FcConfig* configuration = FontConfiguration::shared();
    fontMap_.reset(pango_cairo_font_map_new());
    if (!fontMap_ || configuration == nullptr) {
      log("Error, could not start the text system");
      fontMap_.reset();
      return;
    }
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap_.get()), configuration);
    context_.reset(pango_font_map_create_context(fontMap_.get()));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context_.get(), options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context_.get(), FALSE);
  }

  GObjectHandle<PangoFontMap> fontMap_;
  GObjectHandle<PangoContext> context_;
  std::map<std::pair<std::string, int>, DescriptionHandle> descriptions_;
};

// The text with every invalid UTF-8 sequence replaced by U+FFFD (Pango refuses invalid text).
std::string validUtf8(const std::string& text)
{
  const char* end = nullptr;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end)) {
    return text;
  }
  log("Warning, text layout given invalid UTF-8, replacing the bad bytes");
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result = valid != nullptr ? valid : "";
  g_free(valid);
  return result;
}

// A glyph that draws nothing: line breaks, control characters and the empty glyph, or the
// hex box Pango shows where no face has the character.
bool isInvisible(PangoGlyph glyph)
{
  return glyph == PANGO_GLYPH_EMPTY || glyph == PANGO_GLYPH_INVALID_INPUT || (glyph & PANGO_GLYPH_UNKNOWN_FLAG) != 0;
}

// The direction of the first strong character (left to right without one), which sets the
// paragraph's direction as the Unicode bidirectional algorithm does.
PangoDirection baseDirection(const std::string& text)
{
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t offset = 0;
  while (offset < length) {
    UChar32 character = 0;
    U8_NEXT(bytes, offset, length, character);
    switch (u_charDirection(character)) {
    case U_LEFT_TO_RIGHT:
      return PANGO_DIRECTION_LTR;
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC:
      return PANGO_DIRECTION_RTL;
    default:
      break;
    }
  }
  return PANGO_DIRECTION_LTR;
}

}  // namespace

TextLayout TextLayout::layout(const std::string& text, const Font& font, const TextStyle& style)
{
  TextLayout result;
  result.text_ = validUtf8(text);
  if (result.text_.empty()) {
    return result;
  }
  // NUL ends a C string for Pango's attribute code; treat it as the control character it is.
  std::replace(result.text_.begin(), result.text_.end(), '\0', ' ');

  TextSystem& system = TextSystem::shared();
  std::lock_guard guard(system.lock);
  if (system.context() == nullptr) {
    return result;
  }
  // The paragraph runs in the direction of its first strong character, but alignment stays as
  // asked: "left" is the left edge in any script.
  pango_context_set_base_dir(system.context(), baseDirection(result.text_));
  GObjectHandle<PangoLayout> layout(pango_layout_new(system.context()));
  if (!layout) {
    log("Error, could not create a text layout");
    return result;
  }
  pango_layout_set_auto_dir(layout.get(), FALSE);
  pango_layout_set_font_description(layout.get(), system.description(font));
  pango_layout_set_text(layout.get(), result.text_.data(), static_cast<int>(result.text_.size()));

  std::unique_ptr<PangoAttrList, AttributeListDeleter> attributes(pango_attr_list_new());
  // Words that do not fit are broken between characters, never hyphenated.
  pango_attr_list_insert(attributes.get(), pango_attr_insert_hyphens_new(FALSE));
  if (style.tracking != 0 && std::isfinite(style.tracking)) {
    pango_attr_list_insert(attributes.get(), pango_attr_letter_spacing_new(toPango(style.tracking)));
  }
  pango_layout_set_attributes(layout.get(), attributes.get());

  if (style.boxWidth > 0 && std::isfinite(style.boxWidth)) {
    pango_layout_set_width(layout.get(), std::max(1, toPango(style.boxWidth)));
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
  }
  switch (style.alignment) {
  case TextAlignment::Center:
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
    break;
  case TextAlignment::Right:
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_RIGHT);
    break;
  case TextAlignment::Justified:
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_LEFT);
    pango_layout_set_justify(layout.get(), TRUE);
    break;
  case TextAlignment::Left:
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_LEFT);
    break;
  }

  // Faces met in this layout, by Pango font, so that each run does not look its face up again.
  std::map<PangoFont*, std::optional<Font>> faces;
  std::unique_ptr<PangoLayoutIter, IterDeleter> iter(pango_layout_get_iter(layout.get()));
  std::optional<Rect> bounds;
  int lineIndex = 0;
  do {
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter.get());
    PangoRectangle logical{};
    pango_layout_iter_get_line_extents(iter.get(), nullptr, &logical);
    const int baseline = pango_layout_iter_get_baseline(iter.get());
    TextLayoutLine entry;
    entry.rect = Rect(fromPango(logical.x), fromPango(logical.y), fromPango(logical.width), fromPango(logical.height));
    entry.baseline = fromPango(baseline);
    entry.textStart = static_cast<std::size_t>(line->start_index);
    entry.textLength = static_cast<std::size_t>(line->length);
    result.lines_.push_back(entry);
    bounds = united(bounds, entry.rect);

    // Runs are in visual order; each starts where the previous one ends.
    int x = logical.x;
    for (GSList* node = line->runs; node != nullptr; node = node->next) {
      const auto* run = static_cast<const PangoGlyphItem*>(node->data);
      PangoGlyphString* glyphs = run->glyphs;
      auto face = faces.find(run->item->analysis.font);
      if (face == faces.end()) {
        face = faces.emplace(run->item->analysis.font, system.fontFor(run->item->analysis.font, font.pointSize())).first;
      }
      for (int i = 0; i < glyphs->num_glyphs; ++i) {
        const PangoGlyphInfo& info = glyphs->glyphs[i];
        if (face->second && !isInvisible(info.glyph)) {
          TextLayoutGlyph glyph{*face->second, info.glyph, lineIndex,
                                Point(fromPango(x + info.geometry.x_offset),
                                      fromPango(baseline - run->y_offset + info.geometry.y_offset)),
                                static_cast<std::size_t>(run->item->offset + glyphs->log_clusters[i])};
          result.glyphs_.push_back(std::move(glyph));
        }
        x += info.geometry.width;
      }
    }
    ++lineIndex;
  } while (pango_layout_iter_next_line(iter.get()));
  iter.reset();
  // A fixed line height restacks the lines: each is exactly that tall, its glyphs centred in it
  // as Pango's own line-height attribute does, but also below the natural height, where Pango
  // keeps part of each line's ascent and so gets a pitch other than the one asked for.
  if (style.lineHeight > 0 && std::isfinite(style.lineHeight)) {
    const double height = std::min(style.lineHeight, 1.0e9);
    std::vector<double> shifts;
    bounds.reset();
    for (std::size_t i = 0; i < result.lines_.size(); ++i) {
      TextLayoutLine& line = result.lines_[i];
      const double top = static_cast<double>(i) * height;
      const double baseline = top + (height - line.rect.height()) / 2 + (line.baseline - line.rect.minY());
      shifts.push_back(baseline - line.baseline);
      line.rect = Rect(line.rect.minX(), top, line.rect.width(), height);
      line.baseline = baseline;
      bounds = united(bounds, line.rect);
    }
    for (TextLayoutGlyph& glyph : result.glyphs_) {
      glyph.position.y += shifts[static_cast<std::size_t>(glyph.line)];
    }
  }
  result.bounds_ = bounds.value_or(Rect());
  return result;
}

}  // namespace pf
