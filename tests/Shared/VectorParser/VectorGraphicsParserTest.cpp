#include "Shared/VectorParser/VectorGraphicsParser.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Ghostscript.h"
#include "Support/DamagedBytes.h"
#include "Support/GraphicsFixtures.h"
#include "Support/LogCapture.h"

namespace {

using testsupport::bytesOf;

const char* kSquareSvg = R"~(<svg width="10" height="10"><rect width="10" height="10"/></svg>)~";

std::optional<pf::Size> readSize(const std::optional<VectorParserPaths>& paths)
{
  if (!paths || paths->size() != 1 || !paths->front().path.bounds()) {
    return std::nullopt;
  }
  return paths->front().path.bounds()->size;
}

// Two red rectangles, the second filled even-odd, on a 200 x 100 page.
std::vector<std::uint8_t> twoRectanglesPdf()
{
  return testsupport::pdfBytes({200, 100}, [](pf::DrawingContext& context) {
    context.setFillColor(1, 0, 0, 1);
    context.fillRect({20, 10, 60, 30});
    context.fillPath(pf::Path().addRect({100, 50, 80, 40}), pf::FillRule::EvenOdd);
  });
}

TEST(VectorGraphicsParserEntry, SniffsSvgBeforeEpsBeforeImages)
{
  struct Case {
    std::string text;
    std::optional<pf::Size> size;
  };
  const std::string epsSquare = testsupport::epsText("0 0 m 30 0 l 30 30 l 0 30 l h f");
  const Case cases[] = {
      {R"~(<SVG width="10"><RECT width="10" height="4"/></SVG>)~", pf::Size(10, 4)},
      // SVG tags inside an EPS comment win.
      {"%% <svg><rect width=\"7\" height=\"7\"/></svg>\n" + epsSquare, pf::Size(7, 7)},
      // An opening tag alone goes on to the EPS test.
      {"%% <svg\n" + epsSquare, pf::Size(30, 30)},
      // One Latin-1 byte in a comment changes nothing.
      {std::string("<svg><!-- caf\xe9 --><rect width=\"3\" height=\"2\"/></svg>"), pf::Size(3, 2)},
      {"just some words", std::nullopt},
      {std::string("\x00\x01\x02\xff\xfe binary", 13), std::nullopt},
  };
  testsupport::QuietLog quiet;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EXPECT_EQ(readSize(VectorGraphicsParser::parserPathsFromData(bytesOf(c.text))), c.size);
  }
}

// Text that neither reader takes (SVG without its closing tag, plain words) and bytes of no
// image format give nothing, and say nothing: the caller goes on with its own fallback.
TEST(VectorGraphicsParserEntry, DataNoReaderTakesGivesNothingWithoutAMessage)
{
  testsupport::LogCapture log;
  for (const std::string& text : {std::string(R"~(<svg width="10"><rect width="10" height="4"/>)~"),
                                  std::string("just some words"), std::string("\x00\x01\x02\xff\xfe binary", 13)}) {
    SCOPED_TRACE(text.substr(0, 20));
    EXPECT_FALSE(VectorGraphicsParser::parserPathsFromData(bytesOf(text)).has_value());
  }
  EXPECT_EQ(log.lines(), std::vector<std::string>{});
}

TEST(VectorGraphicsParserEntry, NoDataAndTooMuchDataAreRefused)
{
  testsupport::LogCapture log;
  EXPECT_FALSE(VectorGraphicsParser::parserPathsFromData({}).has_value());
  EXPECT_EQ(log.count("ERROR creating path from data, no data"), 1);
  std::string huge = kSquareSvg;
  huge.resize(VectorGraphicsParser::kMaxDataSize + 1, ' ');
  EXPECT_FALSE(VectorGraphicsParser::parserPathsFromData(bytesOf(huge)).has_value());
  EXPECT_EQ(log.countContaining("more than the"), 1);
}

TEST(VectorGraphicsParserEntry, BinaryPdfReachesTheImageRoadAtPageSize)
{
  const std::vector<std::uint8_t> pdf = twoRectanglesPdf();
  ASSERT_FALSE(pdf.empty());
  const std::optional<VectorParserPaths> paths = VectorGraphicsParser::parserPathsFromData(pdf);
  ASSERT_EQ(readSize(paths), pf::Size(160, 80));
  const VectorParserPathStruct& record = paths->front();
  EXPECT_TRUE(record.evenOdd);
  EXPECT_EQ(record.fillRGB, (VectorParserRGB{1, 0, 0}));
  // Upright and y-up: the first rectangle (top-left on the page) is at the upper left.
  // Centred box: x -80..80, y -40..40; the first rectangle spans x -80..-20, y 10..40.
  EXPECT_TRUE(record.path.contains({-50, 25}, pf::FillRule::NonZero));
  EXPECT_FALSE(record.path.contains({-50, -25}, pf::FillRule::NonZero));
}

TEST(VectorGraphicsParserImages, EpsRepresentationWinsOverPdf)
{
  const std::string eps = testsupport::epsText("0 0 m 12 0 l 12 5 l 0 5 l h f");
  const auto pdf = pf::PdfDocument::fromData(twoRectanglesPdf());
  ASSERT_TRUE(pdf);
  const pf::Image image({200, 100},
                        {pf::Image::PdfRepresentation{pdf, 0},
                         pf::Image::EpsRepresentation{std::make_shared<const std::vector<std::uint8_t>>(bytesOf(eps)), pdf}});
  EXPECT_EQ(readSize(VectorGraphicsParser::parserPathsFromImage(image)), pf::Size(12, 5));
}

TEST(VectorGraphicsParserImages, NoVectorsOrNoPathsGiveNothing)
{
  testsupport::LogCapture log;
  auto bitmap = pf::Bitmap::create(4, 4);
  ASSERT_TRUE(bitmap.has_value());
  EXPECT_FALSE(VectorGraphicsParser::parserPathsFromImage(pf::Image::fromBitmap(std::move(*bitmap))).has_value());
  EXPECT_TRUE(log.lines().empty());

  const std::string emptyEps = testsupport::epsText("1 0 0 setrgbcolor");
  const pf::Image image({10, 10}, {pf::Image::EpsRepresentation{
                                      std::make_shared<const std::vector<std::uint8_t>>(bytesOf(emptyEps)), nullptr}});
  EXPECT_FALSE(VectorGraphicsParser::parserPathsFromImage(image).has_value());
  EXPECT_EQ(log.count("ERROR could parse any vector paths from the EPS data"), 1);
  // The EPS reader itself answers an empty list.
  const auto direct = VectorGraphicsParser::parserPathsFromEPSString(emptyEps);
  ASSERT_TRUE(direct.has_value());
  EXPECT_TRUE(direct->empty());
}

TEST(VectorGraphicsParserEntry, EpsWithoutPageSetupGoesThroughGhostscript)
{
  if (!pf::Ghostscript::isAvailable()) {
    GTEST_SKIP() << "gs is not installed";
  }
  std::string eps = testsupport::epsText("0 0 m 40 0 l 40 20 l 0 20 l h f");
  eps.erase(eps.find("%%BeginPageSetup"), std::string("%%BeginPageSetup\n%%EndPageSetup\n").size());
  EXPECT_EQ(readSize(VectorGraphicsParser::parserPathsFromData(bytesOf(eps))), pf::Size(40, 20));
}

TEST(VectorGraphicsParserEntry, SupersededEntriesLogAndStillAnswer)
{
  testsupport::LogCapture log;
  const auto path = VectorGraphicsParser::cgPathFromData(bytesOf(kSquareSvg));
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->bounds()->size, pf::Size(10, 10));
  EXPECT_EQ(log.countContaining("DEPRECATED Don't use the cgPathFromData"), 1);
  EXPECT_TRUE(VectorGraphicsParser::parserPathsFromEPSData(bytesOf(testsupport::epsText("0 0 m 1 0 l 0 1 l f"))));
  EXPECT_EQ(log.count("DEBUG: SWITCH TO USING the generic parserPathsFromData instead of parserPathsFromEPSData!"), 1);
  EXPECT_FALSE(VectorGraphicsParser::parserPathsFromEPSData({}).has_value());
  EXPECT_EQ(log.count("ERROR creating path from EPS data, no data"), 1);
}

TEST(VectorGraphicsParserEntry, DamagedFilesNeverCrash)
{
  testsupport::QuietLog quiet;
  const std::vector<std::vector<std::uint8_t>> originals{
      bytesOf(R"~(<svg><g transform="rotate(30)"><path d="M0 0 C 1 2 3 4 5 6 A 3 3 0 0 1 9 9 Z"/></g></svg>)~"),
      bytesOf(testsupport::epsText("1 0 0 1 5 5 cm 0 0 m 10 0 l 10 10 l h f")),
      twoRectanglesPdf(),
  };
  std::mt19937 generator(7);
  for (const auto& original : originals) {
    for (int round = 0; round < 40; ++round) {
      const std::vector<std::uint8_t> damaged = testsupport::damagedCopy(original, generator);
      if (const auto paths = VectorGraphicsParser::parserPathsFromData(damaged)) {
        for (const VectorParserPathStruct& record : *paths) {
          EXPECT_TRUE(record.path.isFinite());
        }
      }
    }
  }
}

}  // namespace
