#include "Platform/FileAccess.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/Image.h"
#include "Platform/PropertyList.h"
#include "Platform/Surface.h"
#include "Platform/TemporaryFile.h"
#include "Platform/UserDefaults.h"

namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class FileAccess : public ::testing::Test {
protected:
  void SetUp() override
  {
    folder_ = fs::temp_directory_path() / ("morvalis-files-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path fifo(const std::string& name) const
  {
    const fs::path path = folder_ / name;
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  }

  // Runs `read` on another thread and answers whether it came back by itself. A read that waits
  // on a named pipe is let go by opening the pipe for writing, so that the test ends either way.
  static bool returnsWithoutBlocking(const std::function<void()>& read, const fs::path& pipe)
  {
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
      return true;
    }
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) {
      ::close(writer);
    }
    done.wait();
    return false;
  }

  fs::path folder_;
};

TEST_F(FileAccess, ReadsOnlyRegularFilesAndSaysWhy)
{
  testsupport::LogCapture log;
  std::ofstream(folder_ / "plain.txt") << "some text";
  fs::create_directory(folder_ / "folder");
  fifo("pipe");
  fs::create_symlink(folder_ / "plain.txt", folder_ / "link to plain");
  fs::create_symlink("pipe", folder_ / "link to pipe");
  const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (folder_ / "socket").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  EXPECT_EQ(pf::readRegularTextFile(folder_ / "plain.txt"), "some text");
  EXPECT_EQ(pf::readRegularTextFile(folder_ / "link to plain"), "some text");

  const struct {
    fs::path path;
    const char* reason;
  } refused[] = {
      {folder_ / "pipe", "a named pipe, not a regular file"},
      {folder_ / "link to pipe", "a named pipe, not a regular file"},
      {folder_ / "folder", "a folder, not a regular file"},
      {folder_ / "socket", "a socket, not a regular file"},
      {"/dev/zero", "a character device, not a regular file"},
      {folder_ / "absent", "No such file or directory"},
  };
  for (const auto& entry : refused) {
    SCOPED_TRACE(entry.path.string());
    log.clear();
    std::string reason;
    EXPECT_TRUE(returnsWithoutBlocking(
        [&] { EXPECT_FALSE(pf::readRegularFile(entry.path, pf::kMaxFileReadBytes, &reason)); }, folder_ / "pipe"));
    EXPECT_EQ(reason, entry.reason);
    EXPECT_EQ(log.count("Error, could not read " + entry.path.string() + ": " + entry.reason), 1);
  }
  ::close(socketFd);
}

TEST_F(FileAccess, ReadsAreCapped)
{
  testsupport::QuietLog quiet;
  std::ofstream(folder_ / "ten.bin") << "0123456789";
  EXPECT_EQ(pf::readRegularTextFile(folder_ / "ten.bin", 10), "0123456789");
  std::string reason;
  EXPECT_FALSE(pf::readRegularTextFile(folder_ / "ten.bin", 9, &reason));
  EXPECT_EQ(reason, "file of 10 bytes exceeds the limit of 9 bytes");
  // Files of the system say they are empty and are not: they are read to their end.
  const auto status = pf::readRegularTextFile("/proc/self/status");
  ASSERT_TRUE(status);
  EXPECT_NE(status->find("Pid:"), std::string::npos);
  EXPECT_FALSE(pf::readRegularTextFile("/proc/self/status", 16));
}

// Read piece by piece, a file gives the same bytes under the same checks and the same limit.
TEST_F(FileAccess, ReadsInChunksUnderTheSameChecks)
{
  testsupport::QuietLog quiet;
  std::ofstream(folder_ / "ten.bin") << "0123456789";
  bool used = false;
  const auto gather = [&used](const fs::path& path, std::size_t maxBytes,
                              std::string* reason) -> std::optional<std::string> {
    std::string text;
    used = false;
    const bool read = pf::readRegularFileInChunks(
        path, maxBytes,
        [&](const pf::FileChunkReader& next) {
          used = true;
          char chunk[3];
          for (std::ptrdiff_t count = next(chunk, sizeof chunk); count > 0; count = next(chunk, sizeof chunk)) {
            text.append(chunk, static_cast<std::size_t>(count));
          }
        },
        reason);
    return read ? std::optional<std::string>(text) : std::nullopt;
  };
  EXPECT_EQ(gather(folder_ / "ten.bin", 10, nullptr), "0123456789");
  const struct {
    fs::path path;
    std::size_t maxBytes;
    const char* reason;
    bool opened;
  } refused[] = {
      {folder_ / "ten.bin", 9, "file of 10 bytes exceeds the limit of 9 bytes", false},
      {"/proc/self/status", 16, "file exceeds the limit of 16 bytes", true},
      {fifo("pipe"), 100, "a named pipe, not a regular file", false},
  };
  for (const auto& entry : refused) {
    SCOPED_TRACE(entry.path.string());
    std::string reason;
    EXPECT_FALSE(gather(entry.path, entry.maxBytes, &reason));
    EXPECT_EQ(reason, entry.reason);
    EXPECT_EQ(used, entry.opened);
  }
}

// Every reader of documents, preferences and images goes through the same check: a pipe where
// a file is expected gives an error at once instead of a launch or an open that never ends.
TEST_F(FileAccess, ReadersRefusePipesWithoutBlocking)
{
  testsupport::LogCapture log;
  const fs::path pipe = fifo("x.mvdx");
  const struct {
    const char* name;
    std::function<void()> read;
  } readers[] = {
      {"property list", [&] { EXPECT_FALSE(pf::readPropertyListFile(pipe)); }},
      {"image", [&] { EXPECT_FALSE(pf::Image::fromFile(pipe.string())); }},
      {"user defaults",
       [&] {
         pf::UserDefaults defaults(pipe);
         EXPECT_FALSE(defaults.hasStoredValue("anything"));
       }},
  };
  for (const auto& reader : readers) {
    SCOPED_TRACE(reader.name);
    if (!fs::exists(pipe)) {
      fifo("x.mvdx");  // the user defaults put the unreadable one aside
    }
    log.clear();
    EXPECT_TRUE(returnsWithoutBlocking(reader.read, pipe));
    EXPECT_GE(log.countContaining("a named pipe, not a regular file"), 1);
  }
}

TEST_F(FileAccess, WritesThroughSymbolicLinksReplaceTheirTargets)
{
  testsupport::QuietLog quiet;
  fs::create_directories(folder_ / "real");
  fs::create_directories(folder_ / "links");
  const fs::path target = folder_ / "real" / "Document.mvdx";
  const struct {
    const char* name;
    std::function<void(const fs::path& link)> makeLink;
  } links[] = {
      {"absolute", [&](const fs::path& link) { fs::create_symlink(target, link); }},
      {"relative", [&](const fs::path& link) { fs::create_symlink("../real/Document.mvdx", link); }},
      {"chain",
       [&](const fs::path& link) {
         fs::create_symlink("../real/Document.mvdx", folder_ / "links" / "first");
         fs::create_symlink("first", link);
       }},
  };
  for (const auto& entry : links) {
    SCOPED_TRACE(entry.name);
    fs::remove_all(folder_ / "links");
    fs::create_directories(folder_ / "links");
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    const fs::path link = folder_ / "links" / "Link.mvdx";
    entry.makeLink(link);

    ASSERT_TRUE(pf::writeFileAtomically(link, bytesOf("new")));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contentOf(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Nothing is left beside the link or the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "real"), fs::directory_iterator()), 1);
  }

  // A dangling link: the file is made where the link points.
  fs::remove(target);
  const fs::path dangling = folder_ / "links" / "Dangling.mvdx";
  fs::create_symlink("../real/Document.mvdx", dangling);
  ASSERT_TRUE(pf::writeFileAtomically(dangling, bytesOf("first")));
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(contentOf(target), "first");

  // A loop is no target: the write fails and leaves the links as they were.
  fs::create_symlink("loop-b", folder_ / "links" / "loop-a");
  fs::create_symlink("loop-a", folder_ / "links" / "loop-b");
  std::string reason;
  EXPECT_FALSE(pf::writeFileAtomically(folder_ / "links" / "loop-a", bytesOf("x"), &reason));
  EXPECT_TRUE(fs::is_symlink(folder_ / "links" / "loop-a"));
}

// Preferences, vector exports and movies (a temporary file committed at the end) all write
// through the link to its target.
TEST_F(FileAccess, EveryWriterFollowsTheLink)
{
  testsupport::QuietLog quiet;
  const fs::path target = folder_ / "target";
  const fs::path link = folder_ / "link";
  fs::create_symlink("target", link);
  const struct {
    const char* name;
    std::function<bool()> write;
  } writers[] = {
      {"property list",
       [&] {
         pf::PlistValue value;
         value.set("a", 1);
         return pf::writePropertyListFile(value, link);
       }},
      {"PDF surface",
       [&] {
         auto surface = pf::Surface::pdfFile(link.string(), {10, 10});
         return surface && surface->finish();
       }},
      {"temporary file",
       [&] {
         const fs::path temporary = pf::temporaryPathBeside(link);
         std::ofstream(temporary) << "movie";
         return temporary.parent_path() == folder_ && pf::commitTemporaryFile(temporary, link);
       }},
  };
  for (const auto& writer : writers) {
    SCOPED_TRACE(writer.name);
    std::ofstream(target) << "old";
    EXPECT_TRUE(writer.write());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(contentOf(target), "old");
  }
}

}  // namespace
