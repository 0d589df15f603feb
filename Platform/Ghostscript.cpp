#include "Platform/Ghostscript.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include <list>
#include <memory>
#include <mutex>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/FileAccess.h"
#include "Platform/Format.h"
#include "Platform/Log.h"

extern char** environ;

namespace pf {

namespace {

constexpr const char* kProgram = "gs";

// A private folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
  TemporaryFolder()
  {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "morvalis-eps-XXXXXX").string();
    if (error) {
      pattern = "/tmp/morvalis-eps-XXXXXX";
    }
    if (::mkdtemp(pattern.data())) {
      path_ = pattern;
    }
  }
  ~TemporaryFolder()
  {
    if (!path_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(path_, ignored);
    }
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  bool isValid() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(const char* name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

// Closes a POSIX descriptor on every exit.
class Descriptor {
public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1)
  {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = fd;
  }

private:
  int fd_;
};

// The first non-empty line of the process's messages, for the log.
std::string firstMessage(const std::string& messages)
{
  std::size_t start = 0;
  while (start < messages.size()) {
    std::size_t end = messages.find('\n', start);
    if (end == std::string::npos) {
      end = messages.size();
    }
    const std::string line = messages.substr(start, end - start);
    if (line.find_first_not_of(" \t\r") != std::string::npos) {
      return line.size() > 300 ? line.substr(0, 300) : line;
    }
    start = end + 1;
  }
  return "no message";
}

// The full path of `gs` on the PATH, empty when there is none.
std::string programPath()
{
  const char* pathVariable = std::getenv("PATH");
  std::string_view paths = pathVariable ? pathVariable : "/usr/bin:/bin";
  while (!paths.empty()) {
    const std::size_t end = std::min(paths.find(':'), paths.size());
    const std::string folder(paths.substr(0, end));
    paths.remove_prefix(std::min(end + 1, paths.size()));
    const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + kProgram;
    if (::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

// What one run of gs gave: the PDF, or the reason it gave none.
struct Conversion {
  std::shared_ptr<const std::vector<std::uint8_t>> pdf;
  std::string failure;
  bool ran = false;  // false when gs could not even start: not worth remembering
};

Conversion run(std::span<const std::uint8_t> eps, std::chrono::milliseconds timeLimit)
{
  Conversion result;
  auto failed = [&](std::string reason) {
    result.failure = std::move(reason);
    return result;
  };
  const std::string program = programPath();
  if (program.empty()) {
    return failed("EPS needs Ghostscript to be shown: the program \"gs\" was not found (install the ghostscript "
                  "package)");
  }
  TemporaryFolder folder;
  if (!folder.isValid()) {
    return failed(std::string("EPS to PDF conversion could not create a temporary folder: ") + std::strerror(errno));
  }
  const std::string input = folder.file("input.eps").string();
  const std::string output = folder.file("output.pdf").string();
  {
    std::ofstream out(input, std::ios::binary);
    out.write(reinterpret_cast<const char*>(eps.data()), static_cast<std::streamsize>(eps.size()));
    if (!out) {
      return failed("EPS to PDF conversion could not write its input file " + input);
    }
  }

  // Everything the child needs is made before fork: after it, only async-signal-safe calls.
  std::string outputArgument = "-sOutputFile=" + output;
  std::string arguments[] = {kProgram, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", "-dEPSCrop",
                             outputArgument, input};
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  // gs keeps its own temporary files in TMPDIR: they go into the private folder too, so that a
  // killed run leaves nothing behind.
  std::vector<std::string> environment;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string_view variable(*entry);
    if (!variable.starts_with("TMPDIR=") && !variable.starts_with("TEMP=") && !variable.starts_with("TMP=")) {
      environment.emplace_back(variable);
    }
  }
  for (const char* name : {"TMPDIR=", "TEMP=", "TMP="}) {
    environment.push_back(name + folder.path().string());
  }
  std::vector<char*> envp;
  for (std::string& variable : environment) {
    envp.push_back(variable.data());
  }
  envp.push_back(nullptr);
  const std::string workingFolder = folder.path().string();

  Descriptor nothing(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  int ends[2] = {-1, -1};
  if (nothing.get() < 0 || ::pipe2(ends, O_CLOEXEC) != 0) {
    return failed("EPS to PDF conversion could not prepare the process");
  }
  Descriptor reading(ends[0]);
  Descriptor writing(ends[1]);

  const pid_t pid = ::fork();
  if (pid < 0) {
    return failed(std::string("EPS to PDF conversion could not start gs: ") + std::strerror(errno));
  }
  if (pid == 0) {
    const rlimit output = {Ghostscript::kMaxOutputBytes, Ghostscript::kMaxOutputBytes};
    const rlimit memory = {Ghostscript::kMemoryLimit, Ghostscript::kMemoryLimit};
    if (::dup2(nothing.get(), STDIN_FILENO) < 0 || ::dup2(writing.get(), STDOUT_FILENO) < 0 ||
        ::dup2(writing.get(), STDERR_FILENO) < 0 || ::setrlimit(RLIMIT_FSIZE, &output) != 0 ||
        ::setrlimit(RLIMIT_AS, &memory) != 0 || ::chdir(workingFolder.c_str()) != 0) {
      ::_exit(126);
    }
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  writing.reset();
  result.ran = true;

  // Messages are drained as they come so that gs never blocks on them; the first few
  // kilobytes are kept for the log and the rest is dropped unread into memory.
  std::string messages;
  char chunk[16384];
  bool messagesOpen = true;
  const auto deadline = std::chrono::steady_clock::now() + timeLimit;
  int status = 0;
  for (;;) {
    if (messagesOpen) {
      pollfd waiting{reading.get(), POLLIN, 0};
      if (::poll(&waiting, 1, 5) > 0) {
        const ssize_t count = ::read(reading.get(), chunk, sizeof chunk);
        if (count > 0) {
          messages.append(chunk, std::min<std::size_t>(static_cast<std::size_t>(count),
                                                       Ghostscript::kMaxMessageBytes - std::min(messages.size(),
                                                                                                Ghostscript::kMaxMessageBytes)));
        } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
          messagesOpen = false;
        }
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      break;
    }
    if (done < 0 && errno != EINTR) {
      return failed(std::string("EPS to PDF conversion lost its gs process: ") + std::strerror(errno));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return failed(format("EPS to PDF conversion stopped: gs took longer than %g s",
                           std::chrono::duration<double>(timeLimit).count()));
    }
  }
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) {
    return failed(format("EPS to PDF conversion stopped: gs wrote more than %ld bytes",
                         static_cast<long>(Ghostscript::kMaxOutputBytes)));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return failed(format("EPS to PDF conversion failed (gs status %d): %@",
                         WIFEXITED(status) ? WEXITSTATUS(status) : -1, firstMessage(messages)));
  }
  auto pdf = readRegularFile(output, Ghostscript::kMaxOutputBytes);
  if (!pdf || pdf->empty()) {
    return failed("EPS to PDF conversion produced no PDF: " + firstMessage(messages));
  }
  result.pdf = std::make_shared<const std::vector<std::uint8_t>>(std::move(*pdf));
  return result;
}

// Conversions already made, failures included, keyed by the EPS bytes and the time limit:
// stored EPS data is looked up again on every draw and every load.
class ConversionCache {
public:
  std::optional<Conversion> find(std::span<const std::uint8_t> eps, std::size_t hash, std::chrono::milliseconds limit)
  {
    const std::lock_guard lock(mutex_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
      if (entry->hash == hash && entry->limit == limit && entry->eps.size() == eps.size() &&
          std::equal(eps.begin(), eps.end(), entry->eps.begin())) {
        entries_.splice(entries_.begin(), entries_, entry);  // most recently used first
        return entries_.front().conversion;
      }
    }
    return std::nullopt;
  }

  void insert(std::span<const std::uint8_t> eps, std::size_t hash, std::chrono::milliseconds limit,
              const Conversion& conversion)
  {
    const std::size_t bytes = eps.size() + (conversion.pdf ? conversion.pdf->size() : 0);
    if (bytes > kMaxBytes) {
      return;
    }
    const std::lock_guard lock(mutex_);
    entries_.push_front(Entry{{eps.begin(), eps.end()}, hash, limit, conversion, bytes});
    bytes_ += bytes;
    while (entries_.size() > kMaxEntries || bytes_ > kMaxBytes) {
      bytes_ -= entries_.back().bytes;
      entries_.pop_back();
    }
  }

private:
  static constexpr std::size_t kMaxEntries = 64;
  static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

  struct Entry {
    std::vector<std::uint8_t> eps;
    std::size_t hash;
    std::chrono::milliseconds limit;
    Conversion conversion;
    std::size_t bytes;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
  std::size_t bytes_ = 0;
};

ConversionCache& cache()
{
  static ConversionCache instance;
  return instance;
}

}  // namespace

bool Ghostscript::isAvailable()
{
  return !programPath().empty();
}

std::optional<std::vector<std::uint8_t>> Ghostscript::convertEpsToPdf(std::span<const std::uint8_t> eps,
                                                                      std::chrono::milliseconds timeLimit)
{
  if (eps.empty()) {
    log("Error, EPS to PDF conversion of empty data");
    return std::nullopt;
  }
  const std::size_t hash =
      std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(eps.data()), eps.size()));
  // A result made before is answered at once (a failure with its log line again).
  std::optional<std::vector<std::uint8_t>> answer;
  const auto remembered = [&] {
    const auto known = cache().find(eps, hash, timeLimit);
    if (known && known->pdf) {
      answer = *known->pdf;
    } else if (known) {
      log("Error, %@ (remembered from an earlier conversion of the same data)", known->failure);
    }
    return known.has_value();
  };
  if (remembered()) {
    return answer;
  }
  // One gs process at a time in the whole process: each may take kMemoryLimit of address space,
  // and several imports at once must not take several times that. A caller that waited here
  // may find its data converted meanwhile by the one it waited for.
  static std::mutex running;
  const std::lock_guard oneAtATime(running);
  if (remembered()) {
    return answer;
  }
  const Conversion conversion = run(eps, timeLimit);
  if (conversion.ran) {
    cache().insert(eps, hash, timeLimit, conversion);
  }
  if (!conversion.pdf) {
    log("Error, %@", conversion.failure);
    return std::nullopt;
  }
  return *conversion.pdf;
}

}  // namespace pf
