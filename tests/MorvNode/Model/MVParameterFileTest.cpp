#include "MorvNode/Model/MVParameterFile.h"

#include <string>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "Platform/Ghostscript.h"
#include "Platform/ImageCodec.h"
#include "Support/GraphicsFixtures.h"
#include "Support/LogCapture.h"

namespace {

using testsupport::bytesOf;

std::vector<std::uint8_t> pngBytes(int width, int height)
{
  auto bitmap = pf::Bitmap::create(width, height);
  return bitmap ? pf::encodePng(*bitmap).value_or(std::vector<std::uint8_t>()) : std::vector<std::uint8_t>();
}

std::vector<std::uint8_t> pdfBytes()
{
  return testsupport::pdfBytes({120, 60}, [](pf::DrawingContext& context) {
    context.fillPath(pf::Path().addEllipse({10, 10, 100, 40}), pf::FillRule::EvenOdd);
  });
}

const char* kSvg = R"~(<svg width="40" height="20"><rect width="40" height="20"/></svg>)~";

struct FileParameterTest : ::testing::Test {
  std::unique_ptr<MVParameterFile> makeParameter()
  {
    auto parameter = MVParameterFile::parameterWithName("Import file");
    parameter->setSharedGraphicsManager(&store);
    return parameter;
  }
  testsupport::QuietLog quiet;
  MVSharedGraphicsStore store;
};

TEST_F(FileParameterTest, DetectsBitmapsAndVectorArtwork)
{
  struct Case {
    const char* label;
    std::vector<std::uint8_t> data;
    bool bitmap;
    bool vector;
    bool image;
  };
  const Case cases[] = {
      {"png", pngBytes(7, 3), true, false, true},
      {"pdf", pdfBytes(), false, true, true},
      {"svg", bytesOf(kSvg), false, true, true},  // its image is the SVG library's PDF image
      {"eps", bytesOf(testsupport::epsText("0 0 m 30 0 l 30 10 l h f", 30, 10)), false, true,
       pf::Ghostscript::isAvailable()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_FALSE(c.data.empty());
    EXPECT_TRUE(MVParameterFile::canParseGraphicData(c.data));
    auto parameter = makeParameter();
    ASSERT_TRUE(parameter->loadNewGraphicData(c.data, std::string("art")));
    EXPECT_EQ(parameter->isBitmap(), c.bitmap);
    EXPECT_EQ(parameter->isVector(), c.vector);
    EXPECT_EQ(parameter->graphicPath() != nullptr, c.vector);
    EXPECT_EQ(parameter->graphicImage() != nullptr, c.image);
    // Published: the bytes always, the image when there is one.
    EXPECT_TRUE(store.objectNamed(parameter->fileResourceName()).has_value());
    EXPECT_EQ(store.objectNamed(parameter->fileResourceName() + MVParameterFile::kImageSuffix).has_value(), c.image);
  }
}

// SVG text is read by the SVG library and the path reader; the image decoders never see it, so
// importing it logs nothing (it once logged an image in an unknown format).
TEST_F(FileParameterTest, SvgTextIsReadWithoutALogLine)
{
  testsupport::LogCapture log;
  EXPECT_TRUE(MVParameterFile::canParseGraphicData(bytesOf(kSvg)));
  auto parameter = makeParameter();
  ASSERT_TRUE(parameter->loadNewGraphicData(bytesOf(kSvg), std::string("bar.svg")));
  EXPECT_TRUE(parameter->isVector());
  EXPECT_NE(parameter->graphicImage(), nullptr);
  EXPECT_EQ(log.lines(), std::vector<std::string>{});
}

TEST_F(FileParameterTest, PixelSizesAndEvenOddRule)
{
  auto png = makeParameter();
  ASSERT_TRUE(png->loadNewGraphicData(pngBytes(7, 3), std::string("dots.png")));
  EXPECT_EQ(png->pixelsWide(), 7);
  EXPECT_EQ(png->pixelsHigh(), 3);

  auto pdf = makeParameter();
  ASSERT_TRUE(pdf->loadNewGraphicData(pdfBytes(), std::string("ring.pdf")));
  // A vector image renders at its point size.
  EXPECT_EQ(pdf->pixelsWide(), 120);
  EXPECT_EQ(pdf->pixelsHigh(), 60);
  ASSERT_TRUE(pdf->graphicPath());
  EXPECT_TRUE(pdf->vectorEvenOddFillMode());
  EXPECT_EQ(pdf->graphicPath()->bounds()->size, pf::Size(100, 40));

  // An SVG shows through the SVG library's PDF image, at its size.
  auto svg = makeParameter();
  ASSERT_TRUE(svg->loadNewGraphicData(bytesOf(kSvg), std::string("bar.svg")));
  ASSERT_TRUE(svg->graphicImage());
  EXPECT_TRUE(svg->graphicImage()->vectorDocument());
  EXPECT_EQ(svg->pixelsWide(), 40);
  EXPECT_EQ(svg->pixelsHigh(), 20);
  ASSERT_TRUE(svg->graphicBitmap());
  EXPECT_EQ(svg->graphicBitmap()->pixel(20, 10), (pf::Bitmap::Rgba8{0, 0, 0, 255}));
}

TEST_F(FileParameterTest, RefusesUnreadableDataOrAMissingName)
{
  const std::vector<std::uint8_t> refused[] = {
      bytesOf("just words, neither svg nor eps"),
      bytesOf(std::string("\x89PNG\r\n\x1a\n\x00\x00 truncated", 20)),
      bytesOf("<svg><text>no shapes</text></svg>"),
      {},
  };
  auto parameter = makeParameter();
  for (const auto& data : refused) {
    EXPECT_FALSE(MVParameterFile::canParseGraphicData(data));
    EXPECT_FALSE(parameter->loadNewGraphicData(data, std::string("bad")));
  }
  // Readable bytes without a name change nothing.
  EXPECT_FALSE(parameter->loadNewGraphicData(bytesOf(kSvg), std::nullopt));
  EXPECT_FALSE(parameter->fileData());
  EXPECT_FALSE(parameter->fileDisplayName());
  EXPECT_FALSE(parameter->isBitmap());
  EXPECT_FALSE(parameter->isVector());
}

TEST_F(FileParameterTest, ResourceNamesAreUniquePerParameterAndDataChange)
{
  auto first = makeParameter();
  auto second = makeParameter();
  ASSERT_TRUE(first->loadNewGraphicData(pngBytes(2, 2), std::string("same.png")));
  ASSERT_TRUE(second->loadNewGraphicData(pngBytes(5, 5), std::string("same.png")));
  EXPECT_NE(first->fileResourceName(), second->fileResourceName());
  EXPECT_EQ(first->fileResourceName().rfind("same.png [", 0), 0u);

  // New data under the same name gets a new key; the old key keeps its image for trees that
  // still refer to it.
  const std::string before = first->fileResourceName();
  ASSERT_TRUE(first->loadNewGraphicData(pngBytes(9, 1), std::string("same.png")));
  EXPECT_NE(first->fileResourceName(), before);
  const auto oldImage = store.sharedElementImageNamed(before + MVParameterFile::kImageSuffix);
  ASSERT_TRUE(oldImage);
  EXPECT_EQ(oldImage->pixelSize(), std::make_pair(2, 2));
  EXPECT_EQ(store.sharedElementImageNamed(first->fileResourceName() + MVParameterFile::kImageSuffix)->pixelSize(),
            std::make_pair(9, 1));
}

TEST_F(FileParameterTest, RecordsRoundTripAndRepublish)
{
  auto original = makeParameter();
  ASSERT_TRUE(original->loadNewGraphicData(pngBytes(4, 6), std::string("tall.png")));
  const pf::PlistValue::Dictionary record = original->descriptionDictionary();
  EXPECT_EQ(record.find("File Name")->stringOr(), "tall.png");
  ASSERT_NE(record.find("File Data"), nullptr);

  MVSharedGraphicsStore otherStore;
  auto loaded = MVParameterFile::parameterWithName("Import file");
  loaded->setSharedGraphicsManager(&otherStore);
  ASSERT_TRUE(loaded->loadDescriptionDictionary(record));
  EXPECT_EQ(*loaded->fileData(), *original->fileData());
  EXPECT_EQ(loaded->fileDisplayName(), "tall.png");
  EXPECT_TRUE(otherStore.sharedElementImageNamed(loaded->fileResourceName() + MVParameterFile::kImageSuffix));
  EXPECT_EQ(loaded->pixelsHigh(), 6);

  // Without "File Data" the parameter stays empty.
  pf::PlistValue::Dictionary noData = record;
  noData.erase("File Data");
  auto empty = MVParameterFile::parameterWithName("Import file");
  ASSERT_TRUE(empty->loadDescriptionDictionary(noData));
  EXPECT_FALSE(empty->isBitmap());
  EXPECT_FALSE(empty->isVector());
  EXPECT_EQ(MVClassRegistry::shared().createParameter("MVParameterFile", "f")->className(), "MVParameterFile");
}

TEST_F(FileParameterTest, DescriptionUsesTheTypeAsStored)
{
  auto parameter = makeParameter();
  ASSERT_TRUE(parameter->loadNewGraphicData(pngBytes(3, 2), std::string("p.png")));
  EXPECT_EQ(parameter->description(), "<MVParameterFile 'Import file', name 'p.png' unknown data>");
  ASSERT_TRUE(parameter->isBitmap());
  EXPECT_EQ(parameter->description(), "<MVParameterFile 'Import file', name 'p.png' bitmap 3x2 pixels>");
  ASSERT_TRUE(parameter->loadNewGraphicData(pdfBytes(), std::string("v.pdf")));
  ASSERT_TRUE(parameter->isVector());
  EXPECT_EQ(parameter->description(), "<MVParameterFile 'Import file', name 'v.pdf' vector 120x60>");
}

TEST_F(FileParameterTest, PublishingNeedsANameAndAStore)
{
  testsupport::LogCapture log;
  auto parameter = MVParameterFile::parameterWithName("Import file");
  parameter->setFileData(std::make_shared<const MVParameterFile::Data>(pngBytes(1, 1)));
  EXPECT_EQ(log.countContaining("setFileData with no fileResourceName set"), 1);
  parameter->setFileDisplayName(std::string("x.png"));
  parameter->setFileData(std::make_shared<const MVParameterFile::Data>(pngBytes(1, 1)));
  EXPECT_EQ(log.countContaining("setFileData with no sharedGraphicsManager"), 1);
  EXPECT_TRUE(parameter->isBitmap());
}

}  // namespace
