#include "Platform/TemporaryFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/FileAccess.h"
#include "Platform/Log.h"

namespace pf {

std::filesystem::path temporaryPathBeside(const std::filesystem::path& path)
{
  const std::filesystem::path target = writeTargetOf(path);
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 generator(std::random_device{}());
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  // Appended piece by piece: GCC 12 warns (wrongly) about `"." + std::string` here.
  std::string name(1, '.');
  name += target.filename().string();
  name += ".morvalis-tmp-";
  name += std::to_string(::getpid());
  name += '-';
  name += std::to_string(counter.fetch_add(1));
  name += '-';
  name += std::to_string(generator() % 1000000);
  return folder / name;
}

bool commitTemporaryFile(const std::filesystem::path& temporary, const std::filesystem::path& path,
                         std::string* reason)
{
  const std::filesystem::path target = writeTargetOf(path);
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    // Best effort: a replaced file keeps its permission bits.
    (void)::chmod(temporary.c_str(), existing.st_mode & 07777);
  }
  // A loop of links names no file: it fails rather than replace the link.
  const bool loop = isSymbolicLink(target);
  if (loop || ::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = loop ? ELOOP : errno;
    ::unlink(temporary.c_str());
    log("Error, could not write file %@ (rename): %@", target.string(), std::strerror(error));
    if (reason != nullptr) {
      *reason = std::strerror(error);
    }
    return false;
  }
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    // Best effort: the file is complete under its name either way.
    (void)::fsync(directory);
    ::close(directory);
  }
  return true;
}

void discardTemporaryFile(const std::filesystem::path& temporary)
{
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
    log("Warning, could not remove the temporary file %@: %@", temporary.string(), std::strerror(errno));
  }
}

}  // namespace pf
