#include "Platform/PropertyList.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <limits>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>

#include <signal.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/Log.h"
#include "Platform/PlistBinary.h"
#include "Platform/PlistXml.h"

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

}  // namespace

namespace {

// readPropertyList's work. XML in `writable` (the same bytes as `bytes`, which the caller drops
// afterwards) is parsed in place, without the XML reader's own copy of it.
std::optional<PlistValue> readBytes(std::span<const std::uint8_t> bytes, std::span<char> writable, std::string* error)
{
  std::string reason;
  std::optional<PlistValue> value;
  if (bytes.empty()) {
    reason = "property list is empty";
  } else if (bytes.size() > kMaxPropertyListBytes) {
    reason = "property list of " + std::to_string(bytes.size()) + " bytes exceeds the limit of " +
             std::to_string(kMaxPropertyListBytes) + " bytes";
  } else if (bytes.size() >= 6 && std::memcmp(bytes.data(), "bplist", 6) == 0) {
    value = plist_detail::readBinaryPropertyList(bytes, reason);
  } else if (!writable.empty()) {
    value = plist_detail::readXmlPropertyListInPlace(writable, reason);
  } else {
    value = plist_detail::readXmlPropertyList(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), reason);
  }
  if (!value) {
    if (error) {
      *error = reason;
    } else {
      log("Error, %@", reason);
    }
  }
  return value;
}

}  // namespace

std::optional<PlistValue> readPropertyList(std::span<const std::uint8_t> bytes, std::string* error)
{
  return readBytes(bytes, {}, error);
}

std::optional<PlistValue> readPropertyList(std::string_view bytes, std::string* error)
{
  return readPropertyList(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), error);
}

std::optional<PlistValue> readPropertyListFile(const std::filesystem::path& path)
{
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    log("Error, could not open property list file %@: %@", path.string(), errnoText(errno));
    return std::nullopt;
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    log("Error, property list file %@ is not a regular file", path.string());
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(status.st_size) > kMaxPropertyListBytes) {
    log("Error, property list file %@ of %ld bytes exceeds the limit of %ld bytes", path.string(),
        static_cast<long>(status.st_size), static_cast<long>(kMaxPropertyListBytes));
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t result = ::read(file.get(), bytes.data() + done, bytes.size() - done);
    if (result < 0 && errno == EINTR) {
      continue;
    }
    if (result < 0) {
      log("Error, could not read property list file %@: %@", path.string(), errnoText(errno));
      return std::nullopt;
    }
    if (result == 0) {
      bytes.resize(done);  // the file shrank while we read it
      break;
    }
    done += static_cast<std::size_t>(result);
  }
  // The bytes go with this call: XML is read where it lies.
  auto value = readBytes(bytes, std::span<char>(reinterpret_cast<char*>(bytes.data()), bytes.size()), nullptr);
  if (!value) {
    log("Error, could not read property list file %@", path.string());
  }
  return value;
}

std::optional<std::string> xmlPropertyList(const PlistValue& value)
{
  return plist_detail::writeXmlPropertyList(value);
}

std::optional<std::vector<std::uint8_t>> binaryPropertyList(const PlistValue& value)
{
  return plist_detail::writeBinaryPropertyList(value);
}

bool writePropertyListFile(const PlistValue& value, const std::filesystem::path& path, PlistFormat format)
{
  if (format == PlistFormat::Binary) {
    const auto bytes = binaryPropertyList(value);
    return bytes && writeFileAtomically(path, *bytes);
  }
  bool unexpressibleText = false;
  const auto text = plist_detail::writeXmlPropertyList(value, &unexpressibleText);
  if (!text && unexpressibleText) {
    // Nothing is lost: the binary form holds every character, and readers tell the forms apart.
    log("Warning, %@ holds characters XML cannot express and is saved as a binary property list",
        path.string());
    return writePropertyListFile(value, path, PlistFormat::Binary);
  }
  return text && writeFileAtomically(path, std::span<const std::uint8_t>(
                                               reinterpret_cast<const std::uint8_t*>(text->data()), text->size()));
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
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  removeStaleTemporaryFiles(folder);
  std::filesystem::path temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = folder / temporaryName(path.filename().string());
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
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
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
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
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
