#include "Platform/Image.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/DrawingContext.h"
#include "Platform/Ghostscript.h"
#include "Platform/ImageCodec.h"
#include "Platform/Log.h"
#include "Platform/Surface.h"

namespace {

using Rgba8 = pf::Bitmap::Rgba8;

using testsupport::QuietLog;

bool near(Rgba8 p, Rgba8 q, int tolerance = 3)
{
  return std::abs(p.red - q.red) <= tolerance && std::abs(p.green - q.green) <= tolerance &&
         std::abs(p.blue - q.blue) <= tolerance && std::abs(p.alpha - q.alpha) <= tolerance;
}

constexpr Rgba8 kRed{255, 0, 0, 255};
constexpr Rgba8 kBlue{0, 0, 255, 255};
constexpr Rgba8 kTransparent{0, 0, 0, 0};

// A page of 100 x 50 points: red top half, blue bottom-right quarter.
std::vector<std::uint8_t> drawPage(pf::Surface surface)
{
  {
    pf::DrawingContext context(surface);
    context.setFillColor(pf::Color::rgb(1, 0, 0));
    context.fillRect({0, 0, 100, 25});
    context.setFillColor(pf::Color::rgb(0, 0, 1));
    context.fillRect({50, 25, 50, 25});
  }
  EXPECT_TRUE(surface.finish());
  return surface.takeData();
}

void expectUprightPage(const pf::Bitmap& bitmap)
{
  ASSERT_EQ(bitmap.width(), 100);
  ASSERT_EQ(bitmap.height(), 50);
  EXPECT_TRUE(near(bitmap.pixel(10, 5), kRed));
  EXPECT_TRUE(near(bitmap.pixel(90, 45), kBlue));
  EXPECT_TRUE(near(bitmap.pixel(10, 45), kTransparent));
}

TEST(Image, BitmapSizeFollowsResolution)
{
  auto pixels = pf::Bitmap::create(40, 30);
  pixels->fill(kRed);
  const auto png = pf::encodePng(*pixels, 144.0);
  const auto image = pf::Image::fromData(*png);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->size(), pf::Size(20, 15));
  EXPECT_EQ(image->pixelSize(), std::make_pair(40, 30));
  ASSERT_NE(image->bitmap(), nullptr);
  EXPECT_EQ(image->vectorDocument(), nullptr);
  // Rendered at its point size, and at twice that.
  const auto small = image->renderedBitmap();
  ASSERT_TRUE(small.has_value());
  EXPECT_EQ(small->width(), 20);
  EXPECT_TRUE(near(small->pixel(10, 7), kRed));
  EXPECT_EQ(image->renderedBitmap(2.0)->width(), 40);
}

TEST(Image, RendersBitmapsUpright)
{
  auto pixels = pf::Bitmap::create(4, 4);
  for (int x = 0; x < 4; ++x) {
    pixels->setPixel(x, 0, kRed);
    pixels->setPixel(x, 3, kBlue);
  }
  const pf::Image image = pf::Image::fromBitmap(*pixels);
  const auto rendered = image.renderedBitmap();
  ASSERT_TRUE(rendered.has_value());
  EXPECT_TRUE(near(rendered->pixel(1, 0), kRed));
  EXPECT_TRUE(near(rendered->pixel(1, 3), kBlue));
}

TEST(Image, PdfPagesAreVectorImagesOfThePageSize)
{
  const auto pdf = drawPage(*pf::Surface::pdf({100, 50}));
  const auto image = pf::Image::fromData(pdf);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->size(), pf::Size(100, 50));
  ASSERT_NE(image->vectorDocument(), nullptr);
  const auto rendered = image->renderedBitmap();
  ASSERT_TRUE(rendered.has_value());
  expectUprightPage(*rendered);
}

TEST(Image, PdfPagesDrawFromSeveralThreadsAtOnce)
{
  const auto image = pf::Image::fromData(drawPage(*pf::Surface::pdf({100, 50})));
  ASSERT_TRUE(image.has_value());
  std::vector<std::optional<pf::Bitmap>> results(4);
  std::vector<std::thread> threads;
  for (auto& result : results) {
    threads.emplace_back([&image, &result] { result = image->renderedBitmap(); });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  for (const auto& result : results) {
    ASSERT_TRUE(result.has_value());
    expectUprightPage(*result);
  }
}

TEST(Image, EpsGoesThroughGhostscript)
{
  if (!pf::Ghostscript::isAvailable()) {
    GTEST_SKIP() << "gs is not installed";
  }
  const auto eps = drawPage(*pf::Surface::eps({100, 50}));
  const auto image = pf::Image::fromData(eps);
  ASSERT_TRUE(image.has_value());
  EXPECT_NEAR(image->size().width, 100, 0.5);
  EXPECT_NEAR(image->size().height, 50, 0.5);
  ASSERT_EQ(image->representations().size(), 1u);
  const auto* representation = std::get_if<pf::Image::EpsRepresentation>(&image->representations()[0]);
  ASSERT_NE(representation, nullptr);
  EXPECT_EQ(*representation->eps, eps);  // the original is kept
  const auto rendered = image->renderedBitmap();
  ASSERT_TRUE(rendered.has_value());
  expectUprightPage(*rendered);
}

TEST(Image, BrokenOrRunawayEpsGivesNoImage)
{
  if (!pf::Ghostscript::isAvailable()) {
    GTEST_SKIP() << "gs is not installed";
  }
  QuietLog quiet;
  const std::string broken = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n0 0 moveto undefinedthing\n";
  EXPECT_FALSE(pf::Image::fromData({reinterpret_cast<const std::uint8_t*>(broken.data()), broken.size()}));
  // A program that never ends is stopped at the time limit.
  const std::string endless = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{} loop\n";
  EXPECT_FALSE(pf::Ghostscript::convertEpsToPdf({reinterpret_cast<const std::uint8_t*>(endless.data()), endless.size()},
                                                std::chrono::milliseconds(300)));
}

TEST(Ghostscript, KilledRunsLeaveNothingAndResultsAreRemembered)
{
  if (!pf::Ghostscript::isAvailable()) {
    GTEST_SKIP() << "gs is not installed";
  }
  testsupport::LogCapture log;
  // gs keeps temporary files of its own in TMPDIR, and this program prints without end.
  const auto folder = std::filesystem::temp_directory_path() / ("morvalis-gs-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous ? previous : "";
  ::setenv("TMPDIR", folder.c_str(), 1);
  const std::string printing =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{ (a line of output that never ends) print } loop\n";
  const std::span<const std::uint8_t> eps(reinterpret_cast<const std::uint8_t*>(printing.data()), printing.size());
  EXPECT_FALSE(pf::Ghostscript::convertEpsToPdf(eps, std::chrono::milliseconds(1500)));
  const bool nothingLeft = std::filesystem::is_empty(folder);
  // Asked again, the failure is answered from memory.
  log.clear();
  EXPECT_FALSE(pf::Ghostscript::convertEpsToPdf(eps, std::chrono::milliseconds(1500)));
  EXPECT_EQ(log.countContaining("remembered from an earlier conversion"), 1);
  if (previous) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  std::filesystem::remove_all(folder);
  EXPECT_TRUE(nothingLeft);

  // A conversion that worked is remembered too, and gives the same PDF.
  const auto good = drawPage(*pf::Surface::eps({20, 10}));
  const auto first = pf::Ghostscript::convertEpsToPdf(good);
  ASSERT_TRUE(first);
  EXPECT_EQ(pf::Ghostscript::convertEpsToPdf(good), first);
}

// Several imports at once never run gs side by side (each may take 2 GiB). A stand-in gs on
// the PATH marks its run in a folder and notes when it finds another run under way.
TEST(Ghostscript, ConversionsRunOneAtATime)
{
  QuietLog quiet;
  const auto folder = std::filesystem::temp_directory_path() / ("morvalis-gs-serial-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "bin");
  {
    std::ofstream script(folder / "bin" / "gs");
    script << "#!/bin/sh\n"
              "for a; do case \"$a\" in -sOutputFile=*) out=\"${a#-sOutputFile=}\";; esac; done\n"
              "mkdir \"$MORVALIS_GS_MARKS/running\" 2>/dev/null || : > \"$MORVALIS_GS_MARKS/overlapped\"\n"
              "echo run >> \"$MORVALIS_GS_MARKS/runs\"\n"
              "sleep 0.2\n"
              "rmdir \"$MORVALIS_GS_MARKS/running\" 2>/dev/null\n"
              "printf '%%PDF-1.4 stand-in\\n' > \"$out\"\n";
  }
  std::filesystem::permissions(folder / "bin" / "gs", std::filesystem::perms::owner_all);
  const char* path = std::getenv("PATH");
  const std::string savedPath = path ? path : "";
  // The stand-in comes first; the tools it uses come after it.
  ::setenv("PATH", ((folder / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
  ::setenv("MORVALIS_GS_MARKS", folder.c_str(), 1);

  constexpr int kImports = 4;
  std::vector<std::thread> imports;
  std::vector<int> converted(kImports);
  for (int i = 0; i < kImports; ++i) {
    imports.emplace_back([i, &converted] {
      // Different data each, so that none is answered from what another converted.
      const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n% one at a time " +
                              std::to_string(::getpid()) + " " + std::to_string(i) + "\n";
      converted[i] = pf::Ghostscript::convertEpsToPdf({reinterpret_cast<const std::uint8_t*>(eps.data()), eps.size()})
                         .has_value();
    });
  }
  for (auto& import : imports) {
    import.join();
  }
  ::setenv("PATH", savedPath.c_str(), 1);
  ::unsetenv("MORVALIS_GS_MARKS");
  std::ifstream runsFile(folder / "runs");
  const std::string runs((std::istreambuf_iterator<char>(runsFile)), std::istreambuf_iterator<char>());
  const bool overlapped = std::filesystem::exists(folder / "overlapped");
  std::filesystem::remove_all(folder);
  EXPECT_EQ(std::count(runs.begin(), runs.end(), '\n'), kImports);
  EXPECT_FALSE(overlapped);
  for (int i = 0; i < kImports; ++i) {
    EXPECT_TRUE(converted[i]) << i;
  }
}

TEST(Image, EpsWithoutGhostscriptGivesNoImage)
{
  QuietLog quiet;
  const char* path = std::getenv("PATH");
  const std::string saved = path ? path : "";
  ::setenv("PATH", "/nonexistent-folder", 1);
  const bool available = pf::Ghostscript::isAvailable();
  const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n";
  const auto image = pf::Image::fromData({reinterpret_cast<const std::uint8_t*>(eps.data()), eps.size()});
  ::setenv("PATH", saved.c_str(), 1);
  EXPECT_FALSE(available);
  EXPECT_FALSE(image.has_value());
}

TEST(Image, UnreadableDataGivesNoImage)
{
  QuietLog quiet;
  const std::string cases[] = {"", "not an image", "%PDF-1.4 but nothing else"};
  for (const auto& bytes : cases) {
    SCOPED_TRACE(bytes);
    EXPECT_FALSE(pf::Image::fromData({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
  }
  EXPECT_FALSE(pf::Image::fromFile("/nonexistent-folder/picture.png").has_value());
}

}  // namespace
