#include "Shared/SVG/ODSVGFontConverter.h"

#include <string>

#include <gtest/gtest.h>

#include "Platform/FontFile.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Support/LogCapture.h"

namespace {

class ODSVGFontConverterTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    const std::optional<std::string> path = pf::FontFile::pathForFamily("DejaVu Sans");
    if (!path || !pf::FontFile::open(*path)) {
      GTEST_SKIP() << "fontconfig finds no readable font file";
    }
    fontPath_ = *path;
  }
  std::string fontPath_;
};

TEST_F(ODSVGFontConverterTest, EveryGlyphWithAnOutlineBecomesADocument)
{
  ODSVGFontConverter converter(fontPath_);
  ASSERT_TRUE(converter.hasFont());
  const std::vector<std::string> characters = converter.allCharacters();
  ASSERT_FALSE(characters.empty());
  EXPECT_NE(std::find(characters.begin(), characters.end(), "A"), characters.end());

  std::map<std::string, std::shared_ptr<ODSVG>> documents;
  converter.enumerateUsingBlock([&](const std::string& key, const std::shared_ptr<ODSVG>& svg) { documents[key] = svg; });
  ASSERT_EQ(documents.count("0041"), 1u);
  EXPECT_EQ(documents.count("0020"), 0u);  // a space has no outline
  const std::shared_ptr<ODSVG>& letter = documents["0041"];
  ASSERT_TRUE(letter);
  // At 30 points per em a capital is about 22 high; the view box is the outline's box.
  EXPECT_NEAR(letter->viewBox().height(), 21.9, 1.5);
  // Upright: the apex of the A (narrow) is at the top of the view box, the feet at the bottom.
  const std::optional<pf::Image> image = letter->imageWithSize(letter->viewBox().size);
  ASSERT_TRUE(image && image->bitmap());
  const pf::Bitmap& bitmap = *image->bitmap();
  auto inkInRow = [&](int y) {
    int count = 0;
    for (int x = 0; x < bitmap.width(); ++x) {
      count += bitmap.pixel(x, y).alpha > 128 ? 1 : 0;
    }
    return count;
  };
  EXPECT_LT(inkInRow(1), inkInRow(bitmap.height() - 2));
}

TEST(ODSVGFontConverter, AnUnreadableFileGivesNoGlyphs)
{
  const testsupport::LogCapture log;
  ODSVGFontConverter converter("/nonexistent/font.ttf");
  EXPECT_FALSE(converter.hasFont());
  EXPECT_EQ(log.count("Error, could not read the font file /nonexistent/font.ttf"), 1);
  EXPECT_TRUE(converter.allCharacters().empty());
  int calls = 0;
  converter.enumerateUsingBlock([&](const std::string&, const std::shared_ptr<ODSVG>&) { ++calls; });
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(ODSVGFontConverter::convertPathToSVG(pf::Path()));

  // A glyph node of the library converts through the same path.
  ODSVGPath glyph;
  glyph.overwritePath(pf::Path().moveTo({0, 0}).lineTo({4, 0}).lineTo({4, 8}));
  const std::shared_ptr<ODSVG> svg = ODSVGFontConverter::convertODSVGPathToSVG(glyph);
  ASSERT_TRUE(svg);
  EXPECT_EQ(svg->viewBox().size, pf::Size(4, 8));
}

}  // namespace
