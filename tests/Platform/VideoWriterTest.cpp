#include "Platform/VideoWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"
#include "Support/MovieProbe.h"

namespace {

namespace fs = std::filesystem;
using testsupport::QuietLog;

class VideoWriterTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    folder_ = fs::temp_directory_path() /
              ("morvalis-video-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Only the target and nothing beside it: no temporary file is left behind.
  std::vector<std::string> folderEntries() const
  {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
};

// An opaque red square on a transparent field: the field shows the grey background.
pf::Bitmap frameOfSize(int width, int height)
{
  auto bitmap = pf::Bitmap::create(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (x < width / 4) {
        bitmap->setPixel(x, y, {255, 0, 0, 255});
      }
    }
  }
  return std::move(*bitmap);
}

struct MovieCase {
  pf::VideoWriter::Container container;
  pf::VideoWriter::Codec codec;
  int width;
  int height;
  double framesPerSecond;
  const char* fileName;
  const char* decoder;
  int expectedWidth;  // odd sizes are padded to even for 4:2:0 codecs
  int expectedHeight;
};

class VideoWriterMovies : public VideoWriterTest, public ::testing::WithParamInterface<MovieCase> {};

// Every container and codec decodes back with the frames written, their size and increasing
// times; H.264 and HEVC pad an odd size to even, Motion-JPEG keeps it.
TEST_P(VideoWriterMovies, DecodesBackFrameCountSizeAndIncreasingTimes)
{
  const MovieCase& movie = GetParam();
  if (!pf::VideoWriter::isCodecAvailable(movie.codec)) {
    GTEST_SKIP() << "no encoder for this codec";
  }
  const fs::path path = folder_ / movie.fileName;
  pf::VideoWriter::Settings settings;
  settings.container = movie.container;
  settings.codec = movie.codec;
  settings.width = movie.width;
  settings.height = movie.height;
  settings.framesPerSecond = movie.framesPerSecond;
  std::string reason;
  auto writer = pf::VideoWriter::open(path, settings, &reason);
  ASSERT_NE(writer, nullptr) << reason;
  constexpr int kFrames = 7;
  const pf::Bitmap frame = frameOfSize(movie.width, movie.height);
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_TRUE(writer->addFrame(frame, i / movie.framesPerSecond));
  }
  EXPECT_FALSE(fs::exists(path)) << "the movie appears only once complete";
  ASSERT_TRUE(writer->finish());
  writer.reset();

  EXPECT_EQ(folderEntries(), std::vector<std::string>{movie.fileName});
  const auto probe = testsupport::probeMovie(path);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->codec, movie.decoder);
  EXPECT_EQ(probe->width, movie.expectedWidth);
  EXPECT_EQ(probe->height, movie.expectedHeight);
  EXPECT_EQ(probe->decodedFrames, kFrames);
  for (std::size_t i = 1; i < probe->frameTimes.size(); ++i) {
    EXPECT_LT(probe->frameTimes[i - 1], probe->frameTimes[i]) << "frame " << i;
  }
  // The transparent field shows the grey 0.6 background.
  EXPECT_NEAR(probe->centreRed, 153, 6);
  EXPECT_NEAR(probe->centreGreen, 153, 6);
  EXPECT_NEAR(probe->centreBlue, 153, 6);
}

using Container = pf::VideoWriter::Container;
using Codec = pf::VideoWriter::Codec;
INSTANTIATE_TEST_SUITE_P(
    Movies, VideoWriterMovies,
    ::testing::Values(MovieCase{Container::QuickTime, Codec::MotionJpeg, 32, 24, 30, "a.mov", "mjpeg", 32, 24},
                      MovieCase{Container::Mpeg4, Codec::MotionJpeg, 33, 21, 30, "b.mp4", "mjpeg", 33, 21},
                      MovieCase{Container::Mpeg4, Codec::H264, 32, 24, 29.97, "c.mp4", "h264", 32, 24},
                      MovieCase{Container::QuickTime, Codec::H264, 33, 21, 30, "d.mov", "h264", 34, 22},
                      MovieCase{Container::Mpeg4, Codec::Hevc, 65, 35, 24, "e.mp4", "hevc", 66, 36},
                      // A thousand frames a second still gives each frame a time of its own.
                      MovieCase{Container::QuickTime, Codec::H264, 16, 16, 1000, "f.mov", "h264", 16, 16}));

TEST_F(VideoWriterTest, HevcIsTaggedForPlayersOfMpeg4Files)
{
  if (!pf::VideoWriter::isCodecAvailable(Codec::Hevc)) {
    GTEST_SKIP() << "no HEVC encoder";
  }
  const fs::path path = folder_ / "hevc.mp4";
  pf::VideoWriter::Settings settings;
  settings.container = Container::Mpeg4;
  settings.codec = Codec::Hevc;
  settings.width = 16;
  settings.height = 16;
  auto writer = pf::VideoWriter::open(path, settings);
  ASSERT_NE(writer, nullptr);
  ASSERT_TRUE(writer->addFrame(frameOfSize(16, 16), 0.0));
  ASSERT_TRUE(writer->finish());
  const auto probe = testsupport::probeMovie(path);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->codecTag, MKTAG('h', 'v', 'c', '1'));
}

// Stamps that would collide or go back (equal times, NaN) still come out unique and increasing.
TEST_F(VideoWriterTest, TimesThatDoNotAdvanceStillGiveUniqueStamps)
{
  const fs::path path = folder_ / "same.mov";
  pf::VideoWriter::Settings settings;
  settings.width = 8;
  settings.height = 8;
  settings.framesPerSecond = 10;
  auto writer = pf::VideoWriter::open(path, settings);
  ASSERT_NE(writer, nullptr);
  const pf::Bitmap frame = frameOfSize(8, 8);
  for (double time : {0.0, 0.0, 0.01, std::nan(""), 0.05}) {
    ASSERT_TRUE(writer->addFrame(frame, time));
  }
  ASSERT_TRUE(writer->finish());
  const auto probe = testsupport::probeMovie(path);
  ASSERT_TRUE(probe);
  ASSERT_EQ(probe->decodedFrames, 5);
  for (std::size_t i = 1; i < probe->frameTimes.size(); ++i) {
    EXPECT_LT(probe->frameTimes[i - 1], probe->frameTimes[i]) << "frame " << i;
  }
}

// A writer given up before finish leaves an earlier file under the name untouched, and nothing
// beside it.
TEST_F(VideoWriterTest, AbandonedMovieLeavesEarlierFileAndNoTemporary)
{
  const fs::path path = folder_ / "keep.mp4";
  std::ofstream(path) << "earlier";
  {
    pf::VideoWriter::Settings settings;
    settings.width = 8;
    settings.height = 8;
    auto writer = pf::VideoWriter::open(path, settings);
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(writer->addFrame(frameOfSize(8, 8), 0.0));
  }
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"keep.mp4"});
  std::ifstream file(path);
  std::string text;
  file >> text;
  EXPECT_EQ(text, "earlier");
}

TEST_F(VideoWriterTest, RefusalsGiveTheReason)
{
  QuietLog quiet;
  pf::VideoWriter::Settings settings;
  settings.width = 8;
  settings.height = 8;
  std::string reason;
  EXPECT_EQ(pf::VideoWriter::open(folder_ / "missing" / "a.mov", settings, &reason), nullptr);
  EXPECT_NE(reason.find("No such file or directory"), std::string::npos) << reason;
  settings.width = 0;
  reason.clear();
  EXPECT_EQ(pf::VideoWriter::open(folder_ / "a.mov", settings, &reason), nullptr);
  EXPECT_NE(reason.find("not possible"), std::string::npos) << reason;
  EXPECT_TRUE(folderEntries().empty());
}

}  // namespace
