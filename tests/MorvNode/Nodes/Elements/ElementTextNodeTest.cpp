#include "MorvNode/Nodes/Elements/ElementTextNode.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "Platform/DecimalFormatter.h"
#include "Platform/TextLayout.h"

namespace {

constexpr double kTolerance = 1e-6;

class ElementTextNodeTest : public NodeGraphTest {
protected:
  ElementTextNodeTest()
  {
    text = add<ElementTextNode>("ElementTextNode");
    // A known face: the system font differs between machines.
    text->parameterNamed<MVParameterFont>("Font")->setFont(pf::Font::named("DejaVuSans", 12));
  }

  std::shared_ptr<const MVElement> output() { return text->graphicsParameterNamed("Graphics")->element(); }
  std::shared_ptr<const MVElementGroup> groupOutput() { return std::dynamic_pointer_cast<const MVElementGroup>(output()); }
  void setText(const std::string& value) { text->parameterNamed<MVParameterString>("Text")->setString(value); }
  MVParameterValue* value(const char* name) { return text->parameterNamed<MVParameterValue>(name); }
  void setBoxMode(bool on) { text->parameterNamed<MVParameterBool>("Multiple lines")->setValue(on); }
  static std::vector<std::shared_ptr<const MVElementPath>> characters(const MVElementGroup& group)
  {
    std::vector<std::shared_ptr<const MVElementPath>> paths;
    for (const auto& member : group.elementArray()) {
      paths.push_back(std::dynamic_pointer_cast<const MVElementPath>(member));
    }
    return paths;
  }
  // A member's box in the group's output space.
  static pf::Rect boxOf(const MVElementGroup& group, const std::shared_ptr<const MVElementPath>& member)
  {
    return *member->transformedBoundingBoxNested(group.affineTransform());
  }

  ElementTextNode* text = nullptr;  // owned by the controller
};

TEST_F(ElementTextNodeTest, NewNodeIsOneCharacterPathThirtyHighAtThePosition)
{
  text->positionParameter()->setValueX(40, 50);
  const auto a = std::dynamic_pointer_cast<const MVElementPath>(output());
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->elementName(), "Character");
  const pf::Font font = *pf::Font::named("DejaVuSans", 12);
  EXPECT_EQ(*a->cgPath(), *MVElementPath::cgPathForGlyph(font.glyphForCharacter(U'A'), &font, true));
  // Scaled by its own height to Size.Y, flipped to y-down, centred on the position.
  const pf::Rect box = *a->transformedBoundingBoxNested();
  EXPECT_NEAR(box.height(), 30, kTolerance);
  EXPECT_NEAR(box.midX(), 40, kTolerance);
  EXPECT_NEAR(box.midY(), 50, kTolerance);
  EXPECT_EQ(a->fillColor(), pf::Color::rgb(0, 0, 0));
  EXPECT_EQ(a->fillOpacity(), 1);
}

TEST_F(ElementTextNodeTest, RowsStandInTheSavedOrderAndFollowTheMode)
{
  std::vector<std::string> names;
  for (const auto& parameter : text->parameters()) {
    names.push_back(parameter->name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Graphics", "Text", "Value", "Font", "Size", "Tracking", "Multiple lines",
                                             "Line length", "Alignment", "Line height", "Position", "Rotation",
                                             "Fill Color", "Fill Opacity", "Stroke Color", "Stroke Opacity",
                                             "Stroke Width", "Has Stroke Caps Joints", "Stroke Caps",
                                             "Stroke Joints"}));
  EXPECT_EQ(MVClassRegistry::shared().nodeClass("ElementTextNode")->displayName, "Text");

  EXPECT_TRUE(value("Tracking")->layoutHidden());  // "A" is one character
  EXPECT_TRUE(value("Line length")->layoutHidden());
  setText("\u05e9\u05dc");  // two characters of two bytes each
  setBoxMode(true);
  EXPECT_FALSE(value("Tracking")->layoutHidden());
  EXPECT_FALSE(value("Line length")->layoutHidden());
  EXPECT_FALSE(text->parameterNamed("Alignment")->layoutHidden());
  setText("\u05e9");
  EXPECT_TRUE(value("Tracking")->layoutHidden());
}

TEST_F(ElementTextNodeTest, TextsGiveGroupsOfTheirVisibleGlyphs)
{
  const struct {
    const char* text;
    int characters;  // -1: no output at all
  } cases[] = {
      {"AB", 2},
      {"A B", 2},               // the blank has no outline
      {"A\nB", 2},              // nor the line break
      {"q\u0301", 2},           // a base and its combining mark (no precomposed form)
      {"\u05e9\u05dc\u05d5\u05dd", 4},
      {"\u0633\u0644\u0627\u0645", 3},  // lam and alef join into one ligature
      {"", -1},
      {"   \t", -1},
      {"\u4e2d\u6587", -1},     // no installed face has these
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    setText(c.text);
    const std::shared_ptr<const MVElement> element = output();
    if (c.characters < 0) {
      EXPECT_EQ(element, nullptr);
      continue;
    }
    const auto group = std::dynamic_pointer_cast<const MVElementGroup>(element);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->elementName(), std::string("Text '") + c.text + "'");
    ASSERT_EQ(group->count(), c.characters);
    for (const auto& member : characters(*group)) {
      ASSERT_NE(member, nullptr);
      EXPECT_EQ(member->elementName(), "Character");
    }
  }
}

TEST_F(ElementTextNodeTest, CapitalsAreSizeHighAndLettersStandOnOneBaseline)
{
  setText("HIE");
  text->sizeParameter()->setValueY(50);
  const auto group = groupOutput();
  ASSERT_NE(group, nullptr);
  const pf::Rect all = *group->transformedBoundingBoxNested();
  EXPECT_NEAR(all.height(), 50, kTolerance);
  const auto letters = characters(*group);
  for (std::size_t i = 1; i < letters.size(); ++i) {
    EXPECT_NEAR(boxOf(*group, letters[i]).maxY(), boxOf(*group, letters[0]).maxY(), kTolerance);
    EXPECT_GT(boxOf(*group, letters[i]).minX(), boxOf(*group, letters[i - 1]).maxX());
  }
}

TEST_F(ElementTextNodeTest, RightToLeftTextKeepsItsVisualOrder)
{
  setText("\u05e9\u05dc\u05d5\u05dd");
  const auto group = groupOutput();
  ASSERT_NE(group, nullptr);
  const auto letters = characters(*group);
  ASSERT_EQ(letters.size(), 4u);
  // The leftmost letter is the last one read: the final mem.
  const pf::Font font = *pf::Font::named("DejaVuSans", 12);
  EXPECT_EQ(*letters[0]->cgPath(), *MVElementPath::cgPathForGlyph(font.glyphForCharacter(U'\u05dd'), &font, true));
  EXPECT_EQ(*letters[3]->cgPath(), *MVElementPath::cgPathForGlyph(font.glyphForCharacter(U'\u05e9'), &font, true));
  for (std::size_t i = 1; i < letters.size(); ++i) {
    EXPECT_GT(boxOf(*group, letters[i]).midX(), boxOf(*group, letters[i - 1]).midX());
  }
}

TEST_F(ElementTextNodeTest, ValuePlaceholderShowsThreeDecimalsWithTheUserSeparator)
{
  setText("x=[val]");
  value("Value")->setValue(3.14159);
  // Disabled: the placeholder stays as typed and nothing warns.
  ASSERT_NE(groupOutput(), nullptr);
  EXPECT_EQ(groupOutput()->elementName(), "Text 'x=[val]'");
  const std::string placeholderWarning =
      "Value based text is enabled, but the text doesn't contain the value placeholder [val] so the value won't be "
      "shown in the text.";
  text->checkWarnings();
  EXPECT_EQ(std::count(text->warningMessages().begin(), text->warningMessages().end(), placeholderWarning), 0);

  value("Value")->setEnabled(true);
  EXPECT_EQ(groupOutput()->elementName(), "Text 'x=3.142'");
  EXPECT_EQ(groupOutput()->count(), 7);

  const std::string saved = pf::DecimalFormatter::userDecimalSeparator();
  pf::DecimalFormatter::setUserDecimalSeparator(",");
  value("Value")->setValue(-2.5);
  EXPECT_EQ(groupOutput()->elementName(), "Text 'x=-2,5'");
  pf::DecimalFormatter::setUserDecimalSeparator(saved);

  setText("no placeholder");
  text->checkWarnings();
  EXPECT_EQ(std::count(text->warningMessages().begin(), text->warningMessages().end(), placeholderWarning), 1);
}

TEST_F(ElementTextNodeTest, TrackingIsInThousandthsOfAnEm)
{
  setText("HH");
  const auto gap = [this] {
    const auto group = groupOutput();
    const auto letters = characters(*group);
    return boxOf(*group, letters[1]).midX() - boxOf(*group, letters[0]).midX();
  };
  const double plain = gap();
  value("Tracking")->setValue(100);
  EXPECT_NEAR(gap(), plain, kTolerance);  // disabled
  value("Tracking")->setEnabled(true);
  // 100/1000 em at 12 points, scaled like the glyphs (k = 30 / cap height).
  const pf::Font font = *pf::Font::named("DejaVuSans", 12);
  EXPECT_NEAR(gap() - plain, 1.2 * 30 / font.capHeight(), 1e-3);
}

TEST_F(ElementTextNodeTest, TextBoxBreaksAlignsAndSpacesLines)
{
  setText("HI LE FT");  // letters that stand flat on the baseline
  setBoxMode(true);
  const pf::Font font = *pf::Font::named("DejaVuSans", 12);
  const double k = 30 / font.capHeight();
  value("Line length")->setValue(60);  // room for one word a line
  const auto baselinesOf = [this] {
    const auto group = groupOutput();
    std::vector<double> tops;
    for (const auto& letter : characters(*group)) {
      tops.push_back(boxOf(*group, letter).maxY());
    }
    return tops;
  };
  std::vector<double> baselines = baselinesOf();  // bottoms of flat letters
  ASSERT_EQ(baselines.size(), 6u);
  EXPECT_NEAR(baselines[2] - baselines[0], font.defaultLineHeight() * k, 1e-3);
  EXPECT_NEAR(baselines[4] - baselines[2], font.defaultLineHeight() * k, 1e-3);

  value("Line height")->setValue(2);
  baselines = baselinesOf();
  EXPECT_NEAR(baselines[2] - baselines[0], 2 * font.defaultLineHeight() * k, 1e-3);
  value("Line height")->setValue(0);  // 0.00001: the lines fall on each other
  baselines = baselinesOf();
  EXPECT_NEAR(baselines[4], baselines[0], 1e-3);
  value("Line height")->setValue(1);

  // The box is the group's layout path, "Line length" wide, from the first line's top.
  const auto group = groupOutput();
  ASSERT_NE(group->cgLayoutPath(), nullptr);
  const pf::Rect layoutBox = *group->cgLayoutPath()->bounds(group->affineTransform());
  EXPECT_NEAR(layoutBox.width(), 60, 1e-6);
  EXPECT_NEAR(layoutBox.height(), (2 * font.defaultLineHeight() + font.ascent() + font.descent()) * k, 1e-3);

  // Right alignment lines the right edges up with the box's.
  text->parameterNamed<MVParameterIndex>("Alignment")->setIndex(ElementTextNode::kAlignRight);
  const auto aligned = groupOutput();
  const auto letters = characters(*aligned);
  const pf::Rect box = *aligned->cgLayoutPath()->bounds(aligned->affineTransform());
  for (const std::size_t last : {1u, 3u, 5u}) {
    // Off the edge by the glyph's right side bearing only (T's ink overhangs a little).
    EXPECT_LE(boxOf(*aligned, letters[last]).maxX(), box.maxX() + 0.5);
    EXPECT_GT(boxOf(*aligned, letters[last]).maxX(), box.maxX() - 5);
    EXPECT_GT(boxOf(*aligned, letters[last - 1]).minX(), box.minX() + 5);
  }
}

TEST_F(ElementTextNodeTest, OneCharacterInTextBoxModeIsAGroupScaledByCapHeight)
{
  setText("o");
  setBoxMode(true);
  const auto group = groupOutput();
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->count(), 1);
  const pf::Font font = *pf::Font::named("DejaVuSans", 12);
  const double xHeightRatio = font.boundingRectForGlyph(font.glyphForCharacter(U'o'))->height() / font.capHeight();
  EXPECT_NEAR(boxOf(*group, characters(*group)[0]).height(), 30 * xHeightRatio, kTolerance);
}

TEST_F(ElementTextNodeTest, GlyphCacheIsKeptForOneFontAndFillsOnlyBelowTheLimit)
{
  setText("AB");
  const auto first = groupOutput();
  EXPECT_EQ(text->cachedFontName(), "DejaVuSans");
  EXPECT_EQ(text->cachedGlyphCount(), 2u);
  // A new text reuses the outlines it shares with the old one.
  setText("BA");
  const auto second = groupOutput();
  EXPECT_EQ(characters(*second)[1]->cgPath(), characters(*first)[0]->cgPath());
  EXPECT_EQ(text->cachedGlyphCount(), 2u);

  // A glyph number above the limit is outlined afresh every time.
  const pf::Font font = *pf::Font::named("DejaVuSans", 12);
  ASSERT_GE(font.glyphForCharacter(U'\u05e9'), ElementTextNode::kCachedGlyphLimit);
  setText("A\u05e9");
  const auto third = groupOutput();
  EXPECT_EQ(text->cachedGlyphCount(), 2u);
  value("Value")->setEnabled(true);  // regenerates with the same text
  EXPECT_NE(characters(*groupOutput())[1]->cgPath(), characters(*third)[1]->cgPath());

  // Another font empties the cache at the next generation; clearing the node's caches too.
  text->parameterNamed<MVParameterFont>("Font")->setFont(pf::Font::named("DejaVuSerif", 12));
  ASSERT_NE(output(), nullptr);
  EXPECT_EQ(text->cachedFontName(), "DejaVuSerif");
  EXPECT_EQ(text->cachedGlyphCount(), 1u);
  text->clearCachedValues();
  EXPECT_EQ(text->cachedGlyphCount(), 0u);
  EXPECT_EQ(text->cachedFontName(), "");
}

TEST_F(ElementTextNodeTest, CharactersTheFontLacksAreOutlinedFromTheFaceThatShapesThem)
{
  const std::optional<pf::Font> latinOnly = pf::Font::named("NimbusSans-Regular", 12);
  if (!latinOnly) {
    GTEST_SKIP() << "NimbusSans-Regular is not installed";
  }
  text->parameterNamed<MVParameterFont>("Font")->setFont(latinOnly);
  setText("A\u05e9");
  const auto group = groupOutput();
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->count(), 2);
  const pf::TextLayout layout = pf::TextLayout::layout("A\u05e9", *latinOnly, {});
  const pf::TextLayoutGlyph& shin = layout.glyphs()[1];
  ASSERT_NE(shin.font.fontName(), "NimbusSans-Regular");
  const auto number = static_cast<std::uint16_t>(shin.glyph);
  EXPECT_EQ(*characters(*group)[1]->cgPath(), *MVElementPath::cgPathForGlyph(number, &shin.font, true));
  // The same glyph number in the chosen face is another shape (or none).
  const std::optional<pf::Path> wrong = MVElementPath::cgPathForGlyph(number, &*latinOnly, true);
  EXPECT_FALSE(wrong && *wrong == *characters(*group)[1]->cgPath());
}

TEST_F(ElementTextNodeTest, OlderRecordWithAMissingFontKeepsTheDefaultAndWarnsOnce)
{
  const pf::Font before = *text->parameterNamed<MVParameterFont>("Font")->font();
  pf::PlistValue::Dictionary record;
  record.set("Font name", pf::PlistValue(std::string("Helvetica-Oblique-Missing")));
  record.set("Text", pf::PlistValue(std::string("Hi")));
  value("Tracking")->setValue(0);
  text->sizeParameter()->setValueX(44, 30);
  EXPECT_TRUE(text->loadLegacyMV2NodeDictionary(record));
  EXPECT_EQ(*text->parameterNamed<MVParameterFont>("Font")->font(), before);
  EXPECT_EQ(text->loadingWarningMessages(),
            std::vector<std::string>{"The font 'Helvetica-Oblique-Missing' is not available on this system, Element "
                                     "Text node will use the system font instead."});
  EXPECT_EQ(log.countContaining(
                "Warning, font 'Helvetica-Oblique-Missing' is not available on this system, reverting to system font"),
            1);
  EXPECT_EQ(text->parameterNamed<MVParameterString>("Text")->string(), "Hi");
  EXPECT_EQ(text->sizeParameter()->valueY(), 44);
  EXPECT_FALSE(value("Tracking")->enabled());

  record.set("Font name", pf::PlistValue(std::string("DejaVuSerif-Bold")));
  value("Tracking")->setEnabled(true);
  value("Tracking")->setValue(25);
  value("Tracking")->setEnabled(false);
  EXPECT_TRUE(text->loadLegacyMV2NodeDictionary(record));
  EXPECT_EQ(text->parameterNamed<MVParameterFont>("Font")->font()->fontName(), "DejaVuSerif-Bold");
  EXPECT_TRUE(value("Tracking")->enabled());
  EXPECT_EQ(text->loadingWarningMessages().size(), 1u);
}

TEST_F(ElementTextNodeTest, HugeTextsAreCutAtTheCeilingWithAWarning)
{
  // The last character kept is two bytes long; the one after it is cut.
  setText("a" + std::string(ElementTextNode::kMaxCharacters - 2, ' ') + "\u05e9" + "b");
  const auto group = groupOutput();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->count(), 2);  // a and shin, whole
  EXPECT_EQ(log.countContaining("invalid UTF-8"), 0);
  text->checkWarnings();
  EXPECT_EQ(std::count(text->warningMessages().begin(), text->warningMessages().end(),
                       "The text is limited to 100000 characters, the rest is not drawn."),
            1);
}

}  // namespace
