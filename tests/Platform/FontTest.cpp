#include "Platform/Font.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/Log.h"

namespace {

using testsupport::LogCapture;

TEST(FontLookup, ByPostScriptName)
{
  const std::optional<pf::Font> font = pf::Font::named("DejaVuSans-Bold", 30);
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->fontName(), "DejaVuSans-Bold");
  EXPECT_EQ(font->familyName(), "DejaVu Sans");
  EXPECT_EQ(font->pointSize(), 30);
  EXPECT_EQ(font->description(), "DejaVuSans-Bold 30");

  // Fonts of one face share it; the size tells them apart.
  EXPECT_EQ(*pf::Font::named("DejaVuSans-Bold", 30), *font);
  EXPECT_FALSE(*pf::Font::named("DejaVuSans", 30) == *font);
  EXPECT_EQ(font->withSize(12), *pf::Font::named("DejaVuSans-Bold", 12));
  EXPECT_EQ(font->withSize(-1).pointSize(), 30);

  // Blanks and case do not count, as fontconfig compares PostScript names.
  EXPECT_EQ(pf::Font::named("dejavu sans-bold", 30), font);

  const std::optional<pf::Font> system = pf::Font::systemFont(12);
  ASSERT_TRUE(system.has_value());
  EXPECT_FALSE(system->fontName().empty());
}

TEST(FontLookup, MissingNamesAndBadSizesAreLogged)
{
  LogCapture log;
  EXPECT_FALSE(pf::Font::named("NoSuchFont-Regular", 12).has_value());
  EXPECT_FALSE(pf::Font::named("", 12).has_value());
  EXPECT_FALSE(pf::Font::named("DejaVuSans", 0).has_value());
  EXPECT_FALSE(pf::Font::systemFont(std::numeric_limits<double>::quiet_NaN()).has_value());
  EXPECT_EQ(log.lines().size(), 4u);
}

TEST(FontLookup, MatchingStandsInForAMissingFace)
{
  const std::optional<pf::FontMatch> exact = pf::Font::matching("DejaVuSans-Bold", 20);
  ASSERT_TRUE(exact.has_value());
  EXPECT_FALSE(exact->substituted);
  EXPECT_EQ(exact->font, *pf::Font::named("DejaVuSans-Bold", 20));

  LogCapture log;
  for (const std::string missing : {"Helvetica-Bold", "NoSuchFont-Regular", ""}) {
    SCOPED_TRACE(missing);
    const std::optional<pf::FontMatch> standIn = pf::Font::matching(missing, 20);
    ASSERT_TRUE(standIn.has_value());
    EXPECT_TRUE(standIn->substituted);
    EXPECT_FALSE(standIn->font.fontName().empty());
    EXPECT_EQ(standIn->font.pointSize(), 20);
  }
  // The caller tells the user about a stand-in; only a bad size is an error here.
  EXPECT_TRUE(log.lines().empty());
  EXPECT_FALSE(pf::Font::matching("DejaVuSans", -1).has_value());
  EXPECT_EQ(log.lines().size(), 1u);
}

TEST(FontLookup, FaceOfAFontFile)
{
  const pf::Font bold = *pf::Font::named("DejaVuSans-Bold", 12);
  const std::optional<pf::Font> again = pf::Font::inFile(bold.fontFile(), bold.faceIndex(), 12);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(*again, bold);
  EXPECT_EQ(again->fontName(), "DejaVuSans-Bold");

  LogCapture log;
  EXPECT_FALSE(pf::Font::inFile("/no/such/font.ttf", 0, 12).has_value());
  EXPECT_FALSE(pf::Font::inFile(bold.fontFile(), 0, 0).has_value());
  EXPECT_EQ(log.lines().size(), 2u);
}

TEST(FontMetrics, VerticalMetricsScaleWithTheSize)
{
  // DejaVu Sans, 2048 units per em: ascender 1901, descender 483, no line gap, capitals 1493.
  const pf::Font font = *pf::Font::named("DejaVuSans", 20.48);
  EXPECT_NEAR(font.ascent(), 19.01, 1e-9);
  EXPECT_NEAR(font.descent(), 4.83, 1e-9);
  EXPECT_NEAR(font.lineGap(), 0, 1e-9);
  EXPECT_NEAR(font.defaultLineHeight(), 23.84, 1e-9);
  EXPECT_NEAR(font.capHeight(), 14.93, 1e-9);
  EXPECT_NEAR(font.withSize(40.96).capHeight(), 29.86, 1e-9);

  // The cap height is the height of a flat capital; the box is the outline's tight box.
  const std::optional<pf::Rect> h = font.boundingRectForGlyph(font.glyphForCharacter(U'H'));
  ASSERT_TRUE(h.has_value());
  EXPECT_NEAR(h->maxY(), font.capHeight(), 1e-9);
  EXPECT_NEAR(h->minY(), 0, 1e-9);
  EXPECT_FALSE(font.boundingRectForGlyph(font.glyphForCharacter(U' ')).has_value());
}

TEST(FontOutlines, GlyphsScaleWithTheSizeAndKeepTheirQuadratics)
{
  const pf::Font small = *pf::Font::named("DejaVuSans", 50);
  const pf::Font large = small.withSize(100);
  const std::uint16_t o = small.glyphForCharacter(U'O');
  ASSERT_NE(o, 0);
  const std::optional<pf::Path> smallO = small.glyphOutline(o);
  const std::optional<pf::Path> largeO = large.glyphOutline(o);
  ASSERT_TRUE(smallO && largeO);
  EXPECT_NEAR(largeO->bounds()->width(), 2 * smallO->bounds()->width(), 1e-9);
  EXPECT_NEAR(largeO->bounds()->height(), 2 * smallO->bounds()->height(), 1e-9);
  // y up: the letter stands on the baseline (its overshoot dips a little below it).
  EXPECT_GT(largeO->bounds()->maxY(), 70);
  EXPECT_LT(largeO->bounds()->minY(), 0);
  EXPECT_GT(largeO->bounds()->minY(), -3);
  // TrueType contours arrive as quadratic pieces, each contour closed.
  int quadratics = 0;
  int closes = 0;
  for (const auto& element : largeO->elements()) {
    quadratics += element.type == pf::PathElementType::QuadCurveTo;
    closes += element.type == pf::PathElementType::CloseSubpath;
  }
  EXPECT_GT(quadratics, 0);
  EXPECT_EQ(closes, 2);  // outer and inner contour
  EXPECT_TRUE(largeO->isClosed());

  // A space has no outline; an unknown character maps to the missing glyph.
  const std::optional<pf::Path> space = large.glyphOutline(large.glyphForCharacter(U' '));
  ASSERT_TRUE(space.has_value());
  EXPECT_TRUE(space->isEmpty());
  EXPECT_EQ(large.glyphForCharacter(U'\U0010FFFD'), 0);

  LogCapture log;
  EXPECT_FALSE(large.glyphOutline(65535).has_value());
  EXPECT_EQ(log.lines().size(), 1u);
}

TEST(FontOutlines, SafeFromSeveralThreads)
{
  const pf::Font font = *pf::Font::named("DejaVuSans", 40);
  const std::optional<pf::Path> expected = font.glyphOutline(font.glyphForCharacter(U'g'));
  ASSERT_TRUE(expected.has_value());
  std::vector<int> matches(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < matches.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        const pf::Font sized = *pf::Font::named("DejaVuSans", 40);
        matches[t] += sized.glyphOutline(sized.glyphForCharacter(U'g')) == expected;
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(matches, std::vector<int>(4, 50));
}

}  // namespace
