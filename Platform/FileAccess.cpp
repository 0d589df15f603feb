#include "Platform/FileAccess.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <functional>
#include <chrono>
#include <limits>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/Log.h"

namespace pf {

namespace {

std::string errnoText(int error)
{
  return std::error_code(error, std::generic_category()).message();
}

// Closes a POSIX descriptor on every exit.
class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { close(); }
  int get() const { return fd_; }
  // Hands the descriptor over: it is no longer closed here.
  int release() { return std::exchange(fd_, -1); }
  // Returns close()'s own result: a failed close can mean lost data.
  bool close()
  {
    if (fd_ < 0) {
      return true;
    }
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

private:
  int fd_;
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t result = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (result < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    written += static_cast<std::size_t>(result);
  }
  return true;
}

// Temporary files are named ".<target>.morvalis-tmp-<pid>-<counter>-<random>", so that one left
// by a killed writer can be recognised and removed later.
constexpr std::string_view kTemporaryMarker = ".morvalis-tmp-";
// A writer never takes this long: older temporary files are stale whoever made them.
constexpr auto kStaleTemporaryAge = std::chrono::hours(24);

std::string temporaryName(const std::string& fileName)
{
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 generator(std::random_device{}());
  return "." + fileName + std::string(kTemporaryMarker) + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1)) + "-" + std::to_string(generator() % 1000000);
}

// The writer's process id from a temporary file's name; nullopt for any other name.
std::optional<pid_t> temporaryOwner(const std::string& name)
{
  const std::size_t marker = name.rfind(kTemporaryMarker);
  if (name.empty() || name[0] != '.' || marker == std::string::npos || marker == 0) {
    return std::nullopt;
  }
  const char* first = name.data() + marker + kTemporaryMarker.size();
  const char* last = name.data() + name.size();
  long long pid = 0;
  const auto result = std::from_chars(first, last, pid);
  if (result.ec != std::errc() || result.ptr == first || result.ptr == last || *result.ptr != '-' || pid <= 0 ||
      pid > std::numeric_limits<pid_t>::max()) {
    return std::nullopt;
  }
  return static_cast<pid_t>(pid);
}

// Removes the temporary files that writers killed mid-write left in `folder`: those whose
// process is gone, and any older than a day. Files of running writers stay.
void removeStaleTemporaryFiles(const std::filesystem::path& folder)
{
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error) {
    return;
  }
  const auto now = std::filesystem::file_time_type::clock::now();
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    const std::optional<pid_t> owner = temporaryOwner(name);
    if (!owner || !entry.is_regular_file(error)) {
      continue;
    }
    const bool ownerGone = ::kill(*owner, 0) != 0 && errno == ESRCH;
    const auto written = entry.last_write_time(error);
    const bool old = !error && now - written > kStaleTemporaryAge;
    if (ownerGone || old) {
      if (::unlink(entry.path().c_str()) == 0) {
        log("Removed the stale temporary file %@", entry.path().string());
      }
    }
  }
}

// What a file that is not a regular one is, for the reason given.
std::string notRegularReason(mode_t mode)
{
  const char* kind = S_ISFIFO(mode)   ? "a named pipe"
                     : S_ISDIR(mode)  ? "a folder"
                     : S_ISCHR(mode)  ? "a character device"
                     : S_ISBLK(mode)  ? "a block device"
                     : S_ISSOCK(mode) ? "a socket"
                                      : "a special file";
  return std::string(kind) + ", not a regular file";
}

std::string tooLargeReason(std::uintmax_t size, std::size_t maxBytes)
{
  return "file of " + std::to_string(size) + " bytes exceeds the limit of " + std::to_string(maxBytes) + " bytes";
}

// Opens the regular file at `path` for reading; its size then goes into `size`. The type is
// checked before the file is opened (opening a named pipe waits for a writer, opening a device
// may act on it), and again on the open descriptor, in case the file was replaced in between;
// the descriptor is non-blocking all the same, so nothing here can wait. -1 once `fail` has
// been given the reason.
template <typename Fail>
int openRegularFile(const std::filesystem::path& path, std::size_t maxBytes, std::size_t& size, const Fail& fail)
{
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    fail(errnoText(errno));
    return -1;
  }
  if (!S_ISREG(status.st_mode)) {
    fail(notRegularReason(status.st_mode));
    return -1;
  }
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    fail(errnoText(errno));
    return -1;
  }
  if (::fstat(file.get(), &status) != 0) {
    fail(errnoText(errno));
    return -1;
  }
  if (!S_ISREG(status.st_mode)) {
    fail(notRegularReason(status.st_mode));
    return -1;
  }
  if (status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > maxBytes) {
    fail(tooLargeReason(static_cast<std::uintmax_t>(status.st_size), maxBytes));
    return -1;
  }
  size = static_cast<std::size_t>(status.st_size);
  return file.release();
}

// One read() of up to `capacity` bytes, tried again when interrupted: how many, 0 at the end, -1
// with errno set.
std::ptrdiff_t readSome(int descriptor, void* into, std::size_t capacity)
{
  for (;;) {
    const ssize_t count = ::read(descriptor, into, capacity);
    if (count >= 0 || errno != EINTR) {
      return count;
    }
  }
}

// readRegularFile's work, for any container of bytes.
template <typename Bytes>
std::optional<Bytes> readWhole(const std::filesystem::path& path, std::size_t maxBytes, std::string* reason)
{
  const auto fail = [&](std::string text) {
    log("Error, could not read %@: %@", path.string(), text);
    if (reason != nullptr) {
      *reason = std::move(text);
    }
  };
  std::size_t size = 0;
  FileDescriptor file(openRegularFile(path, maxBytes, size, fail));
  if (file.get() < 0) {
    return std::nullopt;
  }
  // The size is a hint: a file that grows meanwhile is read on to the limit, and files of the
  // system's own (/proc) say 0 and have content. One byte beyond the limit tells it was passed.
  Bytes bytes;
  bytes.resize(std::min(std::max<std::size_t>(size + 1, 4096), maxBytes + 1));
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (done > maxBytes) {
        fail("file exceeds the limit of " + std::to_string(maxBytes) + " bytes");
        return std::nullopt;
      }
      bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
    }
    const std::ptrdiff_t count = readSome(file.get(), bytes.data() + done, bytes.size() - done);
    if (count < 0) {
      fail(errnoText(errno));
      return std::nullopt;
    }
    if (count == 0) {
      break;
    }
    done += static_cast<std::size_t>(count);
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readRegularFile(const std::filesystem::path& path, std::size_t maxBytes,
                                                        std::string* reason)
{
  return readWhole<std::vector<std::uint8_t>>(path, maxBytes, reason);
}

std::optional<std::string> readRegularTextFile(const std::filesystem::path& path, std::size_t maxBytes,
                                               std::string* reason)
{
  return readWhole<std::string>(path, maxBytes, reason);
}

bool readRegularFileInChunks(const std::filesystem::path& path, std::size_t maxBytes,
                             const std::function<void(const FileChunkReader& read)>& use, std::string* reason)
{
  bool failed = false;
  const auto fail = [&](std::string text) {
    log("Error, could not read %@: %@", path.string(), text);
    if (reason != nullptr) {
      *reason = std::move(text);
    }
    failed = true;
  };
  std::size_t size = 0;
  FileDescriptor file(openRegularFile(path, maxBytes, size, fail));
  if (file.get() < 0) {
    return false;
  }
  std::size_t done = 0;
  const FileChunkReader read = [&](char* into, std::size_t capacity) -> std::ptrdiff_t {
    if (failed) {
      return -1;
    }
    // One byte beyond the limit tells it was passed.
    const std::ptrdiff_t count = readSome(file.get(), into, std::min(capacity, maxBytes + 1 - done));
    if (count < 0) {
      fail(errnoText(errno));
      return -1;
    }
    done += static_cast<std::size_t>(count);
    if (done > maxBytes) {
      fail("file exceeds the limit of " + std::to_string(maxBytes) + " bytes");
      return -1;
    }
    return count;
  };
  use(read);
  return !failed;
}

bool isSymbolicLink(const std::filesystem::path& path)
{
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

std::filesystem::path writeTargetOf(const std::filesystem::path& path)
{
  // The system follows at most 40 links in one lookup; a longer chain or a loop fails there.
  constexpr int kMaxLinks = 40;
  std::filesystem::path target = path;
  for (int link = 0; link < kMaxLinks; ++link) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      return target;
    }
    std::string text(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 0) + 256, '\0');
    const ssize_t length = ::readlink(target.c_str(), text.data(), text.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= text.size()) {
      return target;
    }
    text.resize(static_cast<std::size_t>(length));
    const std::filesystem::path next(text);
    // A relative link names a place from the folder the link is in.
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return path;
}

bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string* reason)
{
  const auto failed = [reason](std::string text) {
    if (reason != nullptr) {
      *reason = std::move(text);
    }
    return false;
  };
  if (path.filename().empty()) {
    log("Error, could not write file %@: no file name", path.string());
    return failed("No file name");
  }
  // Through a symbolic link the link's target is replaced, and the link stays.
  const std::filesystem::path target = writeTargetOf(path);
  if (isSymbolicLink(target)) {
    log("Error, could not write file %@: %@", path.string(), errnoText(ELOOP));
    return failed(errnoText(ELOOP));
  }
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  removeStaleTemporaryFiles(folder);
  std::filesystem::path temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = folder / temporaryName(target.filename().string());
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      break;
    }
  }
  if (fd < 0) {
    const int error = errno;
    log("Error, could not create a temporary file beside %@: %@", path.string(), errnoText(error));
    return failed(errnoText(error));
  }
  FileDescriptor file(fd);
  auto discard = [&](const char* step) {
    const int error = errno;
    file.close();
    ::unlink(temporary.c_str());
    log("Error, could not write file %@ (%@): %@", path.string(), step, errnoText(error));
    return failed(errnoText(error));
  };
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    // Best effort: a replaced file keeps its permission bits.
    (void)::fchmod(file.get(), existing.st_mode & 07777);
  }
  if (!writeAll(file.get(), bytes)) {
    return discard("write");
  }
  if (::fsync(file.get()) != 0) {
    return discard("sync");
  }
  if (!file.close()) {
    return discard("close");
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    log("Error, could not write file %@ (rename): %@", path.string(), errnoText(error));
    return failed(errnoText(error));
  }
  // Make the rename itself durable; a failure here leaves a complete file either way.
  FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) {
    (void)::fsync(directory.get());
  }
  return true;
}

}  // namespace pf
