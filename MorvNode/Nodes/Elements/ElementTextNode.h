#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "MorvNode/Nodes/Elements/ElementNode.h"
#include "Platform/DecimalFormatter.h"
#include "Platform/Font.h"
#include "Platform/Path.h"
#include "Platform/PlistValue.h"
#include "Platform/Rect.h"

// The element node that turns a text in a font into vector outlines, one "Character" path per
// visible glyph, scaled so that capitals are "Size" high. One glyph outside text box mode is a
// single path; anything more is a group "Text '…'" whose letters later nodes can treat one by
// one. "[val]" in the text shows the "Value" parameter. The layout (line breaks, scripts,
// fallback faces) comes from pf::TextLayout; glyph outlines are cached between generations.
class ElementTextNode : public ElementNode {
public:
  // Values of the "Alignment" index (saved in documents).
  static constexpr long long kAlignLeft = 0;
  static constexpr long long kAlignCenter = 1;
  static constexpr long long kAlignRight = 2;
  static constexpr long long kAlignJustify = 3;
  // Glyph numbers below this are cached per face; outlines of higher ones are rebuilt at every
  // generation (the common glyphs of a Latin face sit below it).
  static constexpr std::uint32_t kCachedGlyphLimit = 500;
  // Ceiling of the characters laid out (after the placeholder step): every glyph becomes an
  // element, so a huge text would exhaust memory and time. The node warns above it.
  static constexpr std::size_t kMaxCharacters = 100000;
  // The line height used when "Line height" × the font's line height is 0 or less.
  static constexpr double kMinimumLineHeight = 0.00001;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  ElementTextNode();
  // Hides "Tracking" for texts under two characters, and the box rows outside text box mode.
  void updateLinkedParameters() override;
  // Warns when fill and stroke are both off, when "Value" is on but the text lacks "[val]", and
  // when the text is longer than kMaxCharacters.
  void checkWarnings() override;
  // Empties the glyph cache.
  void clearCachedValues() override;
  // One "Character" path, a group of them, or nullptr for an empty text, a text without
  // outlines (blanks only) or no usable font.
  std::shared_ptr<MVElement> generateElement() override;

  // Older-generation names: "Value based text" switches "Value" on; the rest as the element
  // base reads them (the old "Size" is the text's height, Size.Y takes it below).
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // Older-generation record, after the element base has read it: Size.Y takes Size.X, "Font
  // name" becomes the font (a missing one is logged and noted as a loading warning, keeping the
  // default font), "Text" the text, and "Tracking" is on exactly when it is not 0.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  // The cache, for tests and statistics: how many outlines it holds and the primary font it is
  // valid for ("" when empty).
  std::size_t cachedGlyphCount() const { return glyphCache_.size(); }
  const std::string& cachedFontName() const { return glyphCacheFont_; }

private:
  struct CachedGlyph {
    pf::SharedPath path;  // centred outline, shared with every element that draws it
    pf::Rect rect;        // the outline's box before centring, y-up font space
  };
  // A glyph's outline and box, from the cache or the face (stored when below the limit);
  // nullptr path for a glyph without outline.
  CachedGlyph cachedGlyph(const pf::Font& font, std::uint32_t glyph);
  // The text after the placeholder step.
  std::string displayedText();

  // Declared in the order of the node's rows; owned by the node's parameter list.
  MVParameterString& text_ =
      nodekit::text(*this, {.name = "Text", .tooltip = "The text to be generated."}, "A", nodekit::after("Graphics"));
  MVParameterValue& value_ = nodekit::value(
      *this,
      {.name = "Value",
       .displayName = "Value [val]",
       .header = "Value based text",
       .tooltip = "Add a dynamic value to the text by using the [val] placeholder in the text.",
       .enableToggle = true,
       .enabled = false},
      {.value = 0, .rangeMin = -100, .rangeMax = 100}, nodekit::after("Text"));
  MVParameterFont& font_ = nodekit::font(*this, {.name = "Font", .tooltip = "The font of the text"}, nodekit::after("Value"));
  MVParameterValue& tracking_ = nodekit::value(*this,
                                               {.name = "Tracking",
                                                .header = "Adjust tracking",
                                                .tooltip = "Relative character spacing, 0 = normal",
                                                .enableToggle = true,
                                                .enabled = false},
                                               {.value = 0, .rangeMin = -100, .rangeMax = 100}, nodekit::after("Size"));
  MVParameterBool& multipleLines_ = nodekit::toggle(
      *this,
      {.name = "Multiple lines",
       .displayName = "Text box mode",
       .tooltip = "When checked gives you further control over line spacing and line length for alignment and line "
                  "breaks, as if the text was displayed in a text box."},
      false, nodekit::after("Tracking"));
  MVParameterValue& lineLength_ = nodekit::value(*this,
                                                 {.name = "Line length",
                                                  .displayName = "Box width",
                                                  .tooltip = "The width of the text box in text box mode, controlling "
                                                             "where new lines will break and alignment of text."},
                                                 {.value = 200, .min = 0}, nodekit::after("Multiple lines"));
  MVParameterIndex& alignment_ = nodekit::choice(
      *this,
      {.name = "Alignment", .tooltip = "The alignment of multi-line text strings", .showHeaderLabel = false},
      {.names = {"Align left", "Center", "Align right", "Justify"},
       .icons = {"icon_text_align_left.png", "icon_text_align_center.png", "icon_text_align_right.png",
                 "icon_text_align_justify.png"},
       .index = kAlignLeft},
      nodekit::after("Line length"));
  MVParameterValue& lineHeight_ =
      nodekit::value(*this, {.name = "Line height", .tooltip = "Relative line spacing, 1 = normal, 2 = double etc."},
                     {.value = 1, .rangeMin = 0, .rangeMax = 2}, nodekit::after("Alignment"));

  pf::DecimalFormatter formatter_{3};
  // Outlines by (face PostScript name, glyph number): fallback faces share the cache with the
  // chosen one without mixing their glyph numbers. Valid for the primary font glyphCacheFont_.
  std::map<std::pair<std::string, std::uint32_t>, CachedGlyph> glyphCache_;
  std::string glyphCacheFont_;
};
