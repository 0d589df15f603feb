#include "MorvNode/Nodes/Elements/ElementTextNode.h"

#include <algorithm>
#include <cmath>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/TextLayout.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr const char* kPlaceholder = "[val]";

// Characters, not bytes: UTF-8 continuation bytes do not start one.
std::size_t characterCount(const std::string& text)
{
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The text cut after `count` characters (never inside a character's bytes).
std::string firstCharacters(const std::string& text, std::size_t count)
{
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count) {
      return text.substr(0, i);
    }
  }
  return text;
}

void replaceAll(std::string& text, const std::string& pattern, const std::string& replacement)
{
  for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + replacement.size())) {
    text.replace(at, pattern.size(), replacement);
  }
}

pf::TextAlignment alignmentFor(long long index)
{
  switch (index) {
  case ElementTextNode::kAlignCenter:
    return pf::TextAlignment::Center;
  case ElementTextNode::kAlignRight:
    return pf::TextAlignment::Right;
  case ElementTextNode::kAlignJustify:
    return pf::TextAlignment::Justified;
  default:
    return pf::TextAlignment::Left;
  }
}

}  // namespace

const MVNodeClass& ElementTextNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ElementNode::nodeClassInfo();
    info.className = "ElementTextNode";
    info.displayName = "Text";
    info.toolTipText = "Adds a vector shape of one or more text characters to the pattern";
    info.descriptionText =
        "This node outputs vector graphic elements of one or more text characters in a specified font. If the "
        "entered text has more than one character, the output is a group with one element per character, so "
        "subsequent group operations can be applied to the individual letters in the text. For longer texts you "
        "can use the multi-line mode to access further options like line spacing, line length and paragraph "
        "alignment.";
    info.iconName = "node_icon_element_type.png";
    info.create = [] { return std::make_unique<ElementTextNode>(); };
    return info;
  }();
  return nodeClass;
}

ElementTextNode::ElementTextNode()
{
  // The text's height is Size.Y alone.
  sizeParameter()->setLayoutShowX(false);
  sizeParameter()->setDisplayNameY("Size");
  sizeParameter()->setLayoutHasAspectToggle(false);
}

void ElementTextNode::updateLinkedParameters()
{
  ElementNode::updateLinkedParameters();
  const std::optional<std::string>& text = text_.string();
  tracking_.setLayoutHidden(!text || characterCount(*text) < 2);
  const bool box = multipleLines_.value();
  alignment_.setLayoutHidden(!box);
  lineLength_.setLayoutHidden(!box);
  lineHeight_.setLayoutHidden(!box);
}

void ElementTextNode::checkWarnings()
{
  ElementNode::checkWarnings();
  if (!fillColorParameter()->enabled() && !strokeColorParameter()->enabled()) {
    addWarningMessage("This shape node has both fill and stroke toggled off, so nothing will be drawn in the output.");
  }
  if (value_.enabled()) {
    const std::optional<std::string>& text = text_.string();
    if (!text || text->find(kPlaceholder) == std::string::npos) {
      addWarningMessage("Value based text is enabled, but the text doesn't contain the value placeholder [val] so "
                        "the value won't be shown in the text.");
    }
  }
  if (const std::optional<std::string>& text = text_.string(); text && characterCount(*text) > kMaxCharacters) {
    addWarningMessage(pf::format("The text is limited to %d characters, the rest is not drawn.",
                                 static_cast<int>(kMaxCharacters)));
  }
}

void ElementTextNode::clearCachedValues()
{
  ElementNode::clearCachedValues();
  glyphCache_.clear();
  glyphCacheFont_.clear();
}

std::string ElementTextNode::displayedText()
{
  std::string text = text_.string().value_or(std::string());
  if (value_.enabled()) {
    replaceAll(text, kPlaceholder, formatter_.string(value_.value()));
  }
  return characterCount(text) > kMaxCharacters ? firstCharacters(text, kMaxCharacters) : text;
}

ElementTextNode::CachedGlyph ElementTextNode::cachedGlyph(const pf::Font& font, std::uint32_t glyph)
{
  const bool cacheable = glyph < kCachedGlyphLimit;
  const auto key = std::make_pair(font.fontName(), glyph);
  if (cacheable) {
    if (const auto found = glyphCache_.find(key); found != glyphCache_.end()) {
      return found->second;
    }
  }
  CachedGlyph made;
  // Glyph numbers of our faces fit 16 bits; a larger one is no glyph of the face.
  if (glyph <= 0xFFFF) {
    const auto number = static_cast<std::uint16_t>(glyph);
    if (std::optional<pf::Path> outline = MVElementPath::cgPathForGlyph(number, &font, true)) {
      made.path = std::make_shared<const pf::Path>(std::move(*outline));
      made.rect = font.boundingRectForGlyph(number).value_or(pf::Rect());
    }
  }
  if (cacheable) {
    glyphCache_.emplace(key, made);
  }
  return made;
}

std::shared_ptr<MVElement> ElementTextNode::generateElement()
{
  const std::string text = displayedText();
  if (text.empty()) {
    return nullptr;
  }
  const double size = sizeParameter()->valueY();
  if (!font_.font()) {
    FeedbackManager::log("Warning, %@ generateElement without a font", description());
    return nullptr;
  }
  const pf::Font& font = *font_.font();
  if (glyphCacheFont_ != font.fontName()) {
    glyphCache_.clear();
    glyphCacheFont_ = font.fontName();
  }

  // Capitals come out Size high; a face that records no cap height is measured by its ascent,
  // so that the scale stays finite.
  const double capHeight = font.capHeight() > 0 ? font.capHeight() : font.ascent();
  if (!(capHeight > 0)) {
    FeedbackManager::log("Warning, %@ generateElement, font %@ has no height", description(), font.fontName());
    return nullptr;
  }

  const bool box = multipleLines_.value();
  pf::TextStyle style;
  style.alignment = alignmentFor(alignment_.index());
  double lineHeight = lineHeight_.value() * font.defaultLineHeight();
  if (!(lineHeight > 0)) {
    lineHeight = kMinimumLineHeight;
  }
  style.lineHeight = lineHeight;
  style.tracking = font.pointSize() * tracking_.value() / 1000;
  // The box width in font units: the output width divided by the scale below.
  style.boxWidth = box ? capHeight / size * lineLength_.value() : 0.0;
  if (!std::isfinite(style.boxWidth)) {
    style.boxWidth = 0.0;
  }
  const pf::TextLayout layout = pf::TextLayout::layout(text, font, style);

  // The layout centres each line's glyphs in its height; moving them up by the spare half keeps
  // the first line's ascent at the top of the box, whatever the line height.
  const double natural = font.ascent() + font.descent();
  const double spare = lineHeight - natural;

  const bool single = layout.glyphs().size() == 1 && !box;
  std::shared_ptr<MVElementGroup> group;
  std::shared_ptr<MVElementPath> element;
  double maxBottom = 0.0;
  MVElementDelegate* elementDelegate = nodeController() != nullptr ? nodeController()->elementDelegate() : nullptr;
  for (const pf::TextLayoutGlyph& laidOut : layout.glyphs()) {
    const CachedGlyph outline = cachedGlyph(laidOut.font, laidOut.glyph);
    if (!outline.path) {
      continue;
    }
    element = std::make_shared<MVElementPath>();
    element->setNodeController(elementDelegate);
    element->setElementName("Character");
    const pf::Rect& r = outline.rect;
    element->setWidth(r.width());
    element->setHeight(r.height());
    element->setCgPath(outline.path);
    if (single) {
      break;
    }
    // The glyph's centre in y-up font space.
    element->setPositionX(laidOut.position.x + r.minX() + r.width() * 0.5,
                          r.minY() + r.height() * 0.5 - laidOut.position.y + spare / 2);
    const pf::TextLayoutLine& line = layout.lines()[static_cast<std::size_t>(laidOut.line)];
    maxBottom = std::max(maxBottom, line.rect.maxY() - spare);
    if (!group) {
      group = std::make_shared<MVElementGroup>();
      group->setNodeController(elementDelegate);
      group->setElementName(pf::format("Text '%@'", text));
    }
    group->addElementWithoutRecalculatingPivot(element);
  }

  if (group) {
    const double k = size / capHeight;
    group->scaleX(k, -k);
    if (box) {
      group->setLayoutPath(std::make_shared<const pf::Path>(pf::Path().addRect(
          pf::Rect(group->positionX(), group->positionY(), lineLength_.value() / k, -maxBottom))));
      group->recalculateArrayPivot();
    }
    return group;
  }
  if (!element) {
    return nullptr;
  }
  // One glyph is scaled by its own height; a flat one (a rule) by the capitals'.
  const double k = size / (element->height() > 0 ? element->height() : capHeight);
  element->scaleX(k, -k);
  element->setStrokeWidth(0.0);
  element->setFillOpacity(0.0);
  return element;
}

std::optional<std::string> ElementTextNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Value based text") {
    return "Value[ENABLE]";
  }
  return ElementNode::legacyMV2ParameterNameTranslation(name);
}

bool ElementTextNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ElementNode::loadLegacyMV2NodeDictionary(record);
  sizeParameter()->setValueY(sizeParameter()->valueX());
  if (const pf::PlistValue* fontName = record.find("Font name")) {
    const std::string name = fontName->stringOr();
    std::optional<pf::Font> font = pf::Font::named(name, MVParameterFont::kDefaultPointSize);
    if (font) {
      font_.setFont(font);
    } else {
      FeedbackManager::log("Warning, font '%@' is not available on this system, reverting to system font", name);
      addLoadingWarningMessage(pf::format(
          "The font '%@' is not available on this system, Element Text node will use the system font instead.", name));
    }
  }
  if (const pf::PlistValue* text = record.find("Text")) {
    text_.setString(text->stringOr());
  }
  // The stored value decides; a disabled parameter reads as its disabled value.
  tracking_.setEnabled(true);
  tracking_.setEnabled(tracking_.localValue() != 0);
  updateLinkedParameters();
  return loaded;
}
