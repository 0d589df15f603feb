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

class MVParameterBool;
class MVParameterFont;
class MVParameterIndex;
class MVParameterString;
class MVParameterValue;

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
  // The line height used when "Line height" × the font's line height is 0 or less.
  static constexpr double kMinimumLineHeight = 0.00001;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void initNodeParameters() override;
  // Hides "Tracking" for texts under two characters, and the box rows outside text box mode.
  void updateLinkedParameters() override;
  // Warns when fill and stroke are both off, and when "Value" is on but the text lacks "[val]".
  void checkWarnings() override;
  // Empties the glyph cache.
  void clearCachedValues() override;
  // One "Character" path, a group of them, or nullptr for an empty text, a text without
  // outlines (blanks only) or no usable font.
  std::shared_ptr<MVElement> generateElement() override;

  // Older-generation record, after the element base has read it: Size.Y takes Size.X, "Font
  // name" becomes the font (a missing one is logged and noted as a loading warning, keeping the
  // default font), "Text" the text, and "Tracking" is on exactly when it is not 0.
  // TODO(#23): called by the older-generation reader once nodes have its hook.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record);

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

  MVParameterString* textParameter_ = nullptr;
  MVParameterValue* valueParameter_ = nullptr;
  MVParameterFont* fontParameter_ = nullptr;
  MVParameterValue* trackingParameter_ = nullptr;
  MVParameterBool* multipleLinesParameter_ = nullptr;
  MVParameterValue* lineLengthParameter_ = nullptr;
  MVParameterIndex* alignmentParameter_ = nullptr;
  MVParameterValue* lineHeightParameter_ = nullptr;

  pf::DecimalFormatter formatter_{3};
  // Outlines by (face PostScript name, glyph number): fallback faces share the cache with the
  // chosen one without mixing their glyph numbers. Valid for the primary font glyphCacheFont_.
  std::map<std::pair<std::string, std::uint32_t>, CachedGlyph> glyphCache_;
  std::string glyphCacheFont_;
};
