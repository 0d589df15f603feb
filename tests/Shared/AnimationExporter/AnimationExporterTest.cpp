#include "Shared/AnimationExporter/AnimationExporter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <unistd.h>

#include "Platform/ImageCodec.h"
#include "Support/LogCapture.h"
#include "Support/MovieProbe.h"

namespace {

namespace fs = std::filesystem;
using testsupport::LogCapture;

std::vector<std::uint8_t> fileBytes(const fs::path& path)
{
  std::ifstream stream(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

std::string fileText(const fs::path& path)
{
  const std::vector<std::uint8_t> bytes = fileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// A frame: left half opaque red, one half-transparent blue pixel at (1, 1), the rest transparent.
std::shared_ptr<const pf::Bitmap> testFrame(int width, int height)
{
  auto bitmap = pf::Bitmap::create(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width / 2; ++x) {
      bitmap->setPixel(x, y, {255, 0, 0, 255});
    }
  }
  bitmap->setPixel(width - 2, 1, {0, 0, 255, 128});
  return std::make_shared<const pf::Bitmap>(std::move(*bitmap));
}

class AnimationExporterTest : public ::testing::Test {
protected:
  AnimationExporterTest()
  {
    folder_ = fs::temp_directory_path() /
              ("morvalis-animation-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  ~AnimationExporterTest() override { fs::remove_all(folder_); }

  std::vector<std::string> folderEntries() const
  {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Configured as the document's export configures it.
  void configure(const std::string& format, long long frames, bool loop = true)
  {
    exporter.reset();
    exporter.setExportFormat(format);
    exporter.setExportPath(folder_ / ("anim." + format));
    const bool animatedFile = format == "gif" || format == "mov" || format == "mp4" || format == "mpeg4";
    exporter.setAnimationExportMode(animatedFile ? AnimationExporter::kExportModeAnimatedFile
                                                 : AnimationExporter::kExportModeImages);
    exporter.setExpectedFrames(frames);
    exporter.setExportAnimationLoopFlag(loop);
  }

  LogCapture log;
  fs::path folder_;
  AnimationExporter exporter;
};

TEST_F(AnimationExporterTest, FrameFilesAreNumberedWithDigitsForTheExpectedFrames)
{
  struct Case {
    long long expected;
    long long frame;
    const char* name;
  };
  for (const Case& c : {Case{99, 0, "anim_00.png"}, Case{99, 98, "anim_98.png"}, Case{100, 7, "anim_007.png"},
                        Case{9999, 12, "anim_0012.png"}, Case{99999, 3, "anim_00003.png"},
                        Case{100000, 3, "anim_000003.png"}}) {
    SCOPED_TRACE(c.expected);
    configure("png", c.expected);
    EXPECT_EQ(exporter.frameFilePath(c.frame), folder_ / c.name);
  }
}

// The numbered files appear beside the target only at the finish, each one readable, from 0.
TEST_F(AnimationExporterTest, FrameFilesAppearAtTheFinishAndReadBack)
{
  for (const std::string format : {"png", "jpg", "pdf"}) {
    SCOPED_TRACE(format);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    configure(format, 3);
    for (int i = 0; i < 3; ++i) {
      exporter.addFrame(testFrame(12, 8), 0.1);
    }
    EXPECT_EQ(exporter.exportFrameCounter(), 3);
    for (const std::string& name : folderEntries()) {
      EXPECT_EQ(name.rfind(".anim_0", 0), 0u) << "only temporary files before the finish: " << name;
    }
    ASSERT_TRUE(exporter.finishExport());
    EXPECT_EQ(folderEntries(),
              (std::vector<std::string>{"anim_00." + format, "anim_01." + format, "anim_02." + format}));
    const std::vector<std::uint8_t> bytes = fileBytes(folder_ / ("anim_02." + format));
    if (format == "pdf") {
      EXPECT_EQ(pf::sniffImageFormat(bytes), pf::ImageFormat::Pdf);
    } else {
      const std::optional<pf::DecodedBitmap> decoded = pf::decodeBitmap(bytes);
      ASSERT_TRUE(decoded);
      EXPECT_EQ(decoded->bitmap.width(), 12);
      EXPECT_EQ(decoded->bitmap.height(), 8);
    }
  }
}

// Abandoning (a cancel) leaves nothing new: earlier files under the same names keep their bytes.
TEST_F(AnimationExporterTest, AbandonedExportLeavesEarlierFilesAndNothingElse)
{
  std::ofstream(folder_ / "anim_00.png") << "earlier";
  std::ofstream(folder_ / "anim.mp4") << "earlier";
  std::ofstream(folder_ / "anim.gif") << "earlier";
  for (const std::string format : {"png", "mp4", "gif", "svg"}) {
    SCOPED_TRACE(format);
    configure(format, 10);
    exporter.setExportVideoCodec("avc1");
    if (format == "svg") {
      exporter.startExportSVGWithArtboardString("<svg>\n");
      exporter.exportAddFrameStringToSVG("<path d=\"M0,0\"/>\n", 0.1);
    } else {
      exporter.addFrame(testFrame(16, 16), 0.1);
      exporter.addFrame(testFrame(16, 16), 0.1);
    }
    EXPECT_FALSE(exporter.hasFailed()) << exporter.failureReason();
    exporter.abandonExport();
  }
  EXPECT_EQ(folderEntries(), (std::vector<std::string>{"anim.gif", "anim.mp4", "anim_00.png"}));
  EXPECT_EQ(fileText(folder_ / "anim_00.png"), "earlier");
  EXPECT_EQ(fileText(folder_ / "anim.mp4"), "earlier");
}

// Each frame is a group with an id of its own (no blanks) shown in its own quarter of the time;
// the ids the fragments repeat are made unique per frame, references follow them, and references
// to the shared symbols stay.
TEST_F(AnimationExporterTest, AnimatedSVGHasUniqueIdsAndFrameTimeSlices)
{
  for (const bool loop : {true, false}) {
    SCOPED_TRACE(loop);
    configure("svg", 4, loop);
    exporter.startExportSVGWithArtboardString(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n"
        "<defs><symbol id=\"Symbol 1\"><path d=\"M0,0 L1,1\"/></symbol></defs>\n");
    const std::string fragment = "<clipPath id=\"ClippingPath-3\"><path d=\"M0,0 L5,0 L5,5 Z\"/></clipPath>\n"
                                 "<g id=\"Group\" clip-path=\"url(#ClippingPath-3)\" >\n"
                                 "<path id=\"Shape 1\" d=\"M0,0 L10,0 L10,10 Z\" fill=\"rgb(255,0,0)\"/>\n"
                                 "<use xlink:href=\"#Symbol 1\"/>\n</g>\n";
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(exporter.exportAddFrameStringToSVG(fragment, 0.5));
    }
    ASSERT_TRUE(exporter.finishExport());

    pugi::xml_document document;
    ASSERT_TRUE(document.load_file((folder_ / "anim.svg").c_str()));
    std::set<std::string> ids;
    for (const pugi::xpath_node& node : document.select_nodes("//*[@id]")) {
      const std::string id = node.node().attribute("id").value();
      EXPECT_TRUE(ids.insert(id).second) << "duplicate id " << id;
    }
    const pugi::xml_node frame = document.select_node("//*[@id='frame_1']").node();
    ASSERT_TRUE(frame);
    EXPECT_STREQ(frame.attribute("display").value(), "none");
    const pugi::xml_node animate = frame.child("animate");
    EXPECT_STREQ(animate.attribute("id").value(), "frame_1_display");
    EXPECT_STREQ(animate.attribute("keyTimes").value(), "0;0.25;0.5;1");
    EXPECT_STREQ(animate.attribute("dur").value(), "2s");
    EXPECT_STREQ(animate.attribute("repeatCount").value(), loop ? "indefinite" : "1");
    // The clip reference follows its frame's id; the symbol reference stays.
    const pugi::xml_node group = frame.child("g");
    EXPECT_STREQ(group.attribute("clip-path").value(), "url(#frame_1_ClippingPath-3)");
    EXPECT_TRUE(ids.contains("frame_1_ClippingPath-3"));
    EXPECT_STREQ(group.child("use").attribute("xlink:href").value(), "#Symbol 1");
    for (int i = 0; i < 4; ++i) {
      EXPECT_TRUE(ids.contains("frame_" + std::to_string(i)));
      EXPECT_TRUE(ids.contains("frame_" + std::to_string(i) + "_Shape 1"));
    }
  }
}

TEST_F(AnimationExporterTest, SVGFrameWithoutTextOrDurationIsRefused)
{
  configure("svg", 4);
  exporter.startExportSVGWithArtboardString("<svg>\n");
  EXPECT_FALSE(exporter.exportAddFrameStringToSVG("", 0.5));
  EXPECT_FALSE(exporter.exportAddFrameStringToSVG("<g/>", 0.0));
  EXPECT_FALSE(exporter.exportAddFrameStringToSVG("<g/>", std::nan("")));
  EXPECT_EQ(exporter.exportFrameCounter(), 0);
  EXPECT_EQ(3, log.count("Error, exportAddFrameStringToSVG with no duration or svg string lengh"));
}

struct GifRead {
  int frames = 0;
  std::optional<int> loopCount;  // from the NETSCAPE2.0 record
  // Straight colour of a pixel of the last frame; alpha 0 for the transparent index.
  pf::Bitmap::Rgba8 pixel(int x, int y) const { return last[static_cast<std::size_t>(y * width + x)]; }
  int width = 0;
  std::vector<pf::Bitmap::Rgba8> last;
};

GifRead readGif(const fs::path& path)
{
  GifRead result;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
    return result;
  }
  result.frames = gif->ImageCount;
  result.width = gif->SWidth;
  // The loop record comes before the first frame, among that frame's extension blocks.
  const auto findLoop = [&result](const ExtensionBlock* blocks, int count) {
    for (int e = 0; e + 1 < count; ++e) {
      if (blocks[e].Function == APPLICATION_EXT_FUNC_CODE && blocks[e].ByteCount == 11 &&
          std::string(reinterpret_cast<const char*>(blocks[e].Bytes), 11) == "NETSCAPE2.0") {
        const ExtensionBlock& data = blocks[e + 1];
        result.loopCount = data.Bytes[1] | (data.Bytes[2] << 8);
      }
    }
  };
  findLoop(gif->ExtensionBlocks, gif->ExtensionBlockCount);
  if (gif->ImageCount > 0) {
    findLoop(gif->SavedImages[0].ExtensionBlocks, gif->SavedImages[0].ExtensionBlockCount);
  }
  const SavedImage& image = gif->SavedImages[gif->ImageCount - 1];
  GraphicsControlBlock control{};
  DGifSavedExtensionToGCB(gif, gif->ImageCount - 1, &control);
  const ColorMapObject* map = image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : gif->SColorMap;
  for (int i = 0; i < image.ImageDesc.Width * image.ImageDesc.Height; ++i) {
    const int index = image.RasterBits[i];
    const GifColorType color = map->Colors[index];
    result.last.push_back({color.Red, color.Green, color.Blue,
                           static_cast<std::uint8_t>(index == control.TransparentColor ? 0 : 255)});
  }
  DGifCloseFile(gif, &error);
  return result;
}

// Every frame is in the GIF; a half-transparent pixel becomes an opaque blend over the matte, a
// transparent one stays transparent; looping gives the endless loop record, no loop none.
TEST_F(AnimationExporterTest, AnimatedGIFHasEveryFrameOverTheMatte)
{
  for (const bool loop : {true, false}) {
    SCOPED_TRACE(loop);
    configure("gif", 3, loop);
    exporter.setExportMatteColor(pf::Color::white());
    for (int i = 0; i < 3; ++i) {
      exporter.addFrame(testFrame(16, 8), 0.1);
    }
    ASSERT_TRUE(exporter.finishExport());
    const GifRead gif = readGif(folder_ / "anim.gif");
    EXPECT_EQ(gif.frames, 3);
    EXPECT_EQ(gif.loopCount, loop ? std::optional<int>(0) : std::nullopt);
    const pf::Bitmap::Rgba8 blend = gif.pixel(14, 1);
    EXPECT_EQ(blend.alpha, 255);
    EXPECT_NEAR(blend.red, 127, 12);
    EXPECT_NEAR(blend.blue, 255, 12);
    EXPECT_EQ(gif.pixel(12, 5).alpha, 0);
    EXPECT_GT(gif.pixel(2, 5).red, 240);
  }
  // The matte alone: a half-transparent pixel is laid onto it and made opaque.
  const pf::Bitmap matted = AnimationExporter::gifImageWithImage(*testFrame(16, 8), pf::Color::white());
  EXPECT_EQ(matted.pixel(14, 1).alpha, 255);
  EXPECT_EQ(matted.pixel(12, 5).alpha, 0);
}

struct MovieCase {
  const char* format;
  std::optional<std::string> codec;
  const char* decoder;
  bool warnsOfCodec;
};

// Each movie decodes back with every frame, its size (odd sizes padded to even for H.264) and
// increasing times; a missing codec, or one that is not supported, is written as JPEG.
TEST_F(AnimationExporterTest, MoviesDecodeBackWithTheirFrames)
{
  for (const MovieCase& c : {MovieCase{"mov", "jpeg", "mjpeg", false}, MovieCase{"mp4", "avc1", "h264", false},
                             MovieCase{"mov", std::nullopt, "mjpeg", false},
                             MovieCase{"mp4", "vp09", "mjpeg", true}}) {
    SCOPED_TRACE(std::string(c.format) + " " + c.codec.value_or("none"));
    configure(c.format, 4);
    exporter.setExportVideoCodec(c.codec);
    for (int i = 0; i < 4; ++i) {
      exporter.addFrame(testFrame(21, 11), 1.0 / 30);
    }
    ASSERT_TRUE(exporter.finishExport()) << exporter.failureReason();
    const auto probe = testsupport::probeMovie(folder_ / ("anim." + std::string(c.format)));
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->codec, c.decoder);
    EXPECT_EQ(probe->decodedFrames, 4);
    const bool padded = std::string(c.decoder) != "mjpeg";
    EXPECT_EQ(probe->width, padded ? 22 : 21);
    EXPECT_EQ(probe->height, padded ? 12 : 11);
    ASSERT_EQ(probe->frameTimes.size(), 4u);
    EXPECT_NEAR(probe->frameTimes[3] - probe->frameTimes[0], 3.0 / 30, 1e-6);
    EXPECT_EQ(log.count("Warning, AnimationExported exportVideoCodec 'vp09' is not in supportedVideoCodecs, "
                        "resetting to JPEG") > 0,
              c.warnsOfCodec);
  }
}

// A target that cannot be written stops with the system's reason, and nothing is left.
TEST_F(AnimationExporterTest, FailureKeepsTheReasonAndLeavesNothing)
{
  for (const std::string format : {"png", "mov", "gif", "svg"}) {
    SCOPED_TRACE(format);
    configure(format, 2);
    exporter.setExportPath(folder_ / "missing" / ("anim." + format));
    if (format == "svg") {
      exporter.startExportSVGWithArtboardString("<svg>\n");
      exporter.exportAddFrameStringToSVG("<g/>", 0.5);
    } else {
      exporter.addFrame(testFrame(8, 8), 0.5);
    }
    EXPECT_FALSE(exporter.finishExport());
    EXPECT_NE(exporter.failureReason().find("No such file or directory"), std::string::npos)
        << exporter.failureReason();
  }
  EXPECT_TRUE(folderEntries().empty());
}

TEST_F(AnimationExporterTest, FrameDataOutsideImageModeIsRefused)
{
  configure("mov", 2);
  exporter.addFrameData({1, 2, 3}, 0.5);
  EXPECT_EQ(exporter.exportFrameCounter(), 0);
  EXPECT_EQ(1, log.count("Error, addFrameData used but animationExportMode is not _EXPORT_MODE_IMAGES"));
  EXPECT_TRUE(folderEntries().empty());
}

// Mode 0 keeps frames below 250,001 pixels as bitmaps and larger ones as PNG data; both read back.
TEST_F(AnimationExporterTest, FrameBufferKeepsLargeFramesAsPNG)
{
  exporter.reset();
  exporter.addFrame(testFrame(500, 500), 0.1);
  exporter.addFrame(testFrame(501, 500), 0.1);
  ASSERT_EQ(exporter.frameBufferCount(), 2u);
  EXPECT_FALSE(exporter.isFrameBufferedAsData(0));
  EXPECT_TRUE(exporter.isFrameBufferedAsData(1));
  EXPECT_EQ(exporter.exportFrameCounter(), 0);
  const std::shared_ptr<const pf::Bitmap> decoded = exporter.getImageForFrameNumber(1);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->width(), 501);
  EXPECT_EQ(decoded->pixel(3, 3), (pf::Bitmap::Rgba8{255, 0, 0, 255}));
  EXPECT_TRUE(exporter.getImageDataForFrameNumber(0).has_value());
  EXPECT_EQ(exporter.getImageForFrameNumber(2), nullptr);
  EXPECT_EQ(1, log.count("ERROR: Trying to get frame #2 from fram buffer with only 2 frames"));
}

}  // namespace
