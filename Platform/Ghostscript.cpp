#include "Platform/Ghostscript.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
  std::filesystem::path file(const char* name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

class SpawnActions {
public:
  SpawnActions() { valid_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions()
  {
    if (valid_) {
      ::posix_spawn_file_actions_destroy(&actions_);
    }
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  bool isValid() const { return valid_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

private:
  posix_spawn_file_actions_t actions_{};
  bool valid_ = false;
};

std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first non-empty line of the process's messages, for the log.
std::string firstMessage(const std::filesystem::path& path)
{
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find_first_not_of(" \t\r") != std::string::npos) {
      return line.size() > 300 ? line.substr(0, 300) : line;
    }
  }
  return "no message";
}

}  // namespace

bool Ghostscript::isAvailable()
{
  const char* pathVariable = std::getenv("PATH");
  std::string_view paths = pathVariable ? pathVariable : "/usr/bin:/bin";
  while (!paths.empty()) {
    const std::size_t end = std::min(paths.find(':'), paths.size());
    const std::string folder(paths.substr(0, end));
    paths.remove_prefix(std::min(end + 1, paths.size()));
    const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + kProgram;
    if (::access(candidate.c_str(), X_OK) == 0) {
      return true;
    }
  }
  return false;
}

std::optional<std::vector<std::uint8_t>> Ghostscript::convertEpsToPdf(std::span<const std::uint8_t> eps,
                                                                      std::chrono::milliseconds timeLimit)
{
  if (eps.empty()) {
    log("Error, EPS to PDF conversion of empty data");
    return std::nullopt;
  }
  TemporaryFolder folder;
  if (!folder.isValid()) {
    log("Error, EPS to PDF conversion could not create a temporary folder: %@", std::strerror(errno));
    return std::nullopt;
  }
  const std::string input = folder.file("input.eps").string();
  const std::string output = folder.file("output.pdf").string();
  const std::string messages = folder.file("messages.txt").string();
  {
    std::ofstream out(input, std::ios::binary);
    out.write(reinterpret_cast<const char*>(eps.data()), static_cast<std::streamsize>(eps.size()));
    if (!out) {
      log("Error, EPS to PDF conversion could not write its input file %@", input);
      return std::nullopt;
    }
  }

  SpawnActions actions;
  if (!actions.isValid() ||
      ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0 ||
      ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, messages.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600) != 0 ||
      ::posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO) != 0) {
    log("Error, EPS to PDF conversion could not prepare the process");
    return std::nullopt;
  }
  std::string outputArgument = "-sOutputFile=" + output;
  std::string arguments[] = {kProgram, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite", "-dEPSCrop",
                             outputArgument, input};
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, kProgram, actions.get(), nullptr, argv.data(), environ);
  if (spawned != 0) {
    if (spawned == ENOENT) {
      log("Error, EPS needs Ghostscript to be shown: the program \"gs\" was not found (install the ghostscript package)");
    } else {
      log("Error, EPS to PDF conversion could not start gs: %@", std::strerror(spawned));
    }
    return std::nullopt;
  }

  const auto deadline = std::chrono::steady_clock::now() + timeLimit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      break;
    }
    if (done < 0 && errno != EINTR) {
      log("Error, EPS to PDF conversion lost its gs process: %@", std::strerror(errno));
      return std::nullopt;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      log("Error, EPS to PDF conversion stopped: gs took longer than %g s",
          std::chrono::duration<double>(timeLimit).count());
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    log("Error, EPS to PDF conversion failed (gs status %d): %@", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
        firstMessage(messages));
    return std::nullopt;
  }
  auto pdf = readFile(output);
  if (!pdf || pdf->empty()) {
    log("Error, EPS to PDF conversion produced no PDF: %@", firstMessage(messages));
    return std::nullopt;
  }
  return pdf;
}

}  // namespace pf
