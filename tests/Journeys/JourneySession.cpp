#include "Journeys/JourneySession.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Platform/UserDefaults.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kDragSteps = 12;

std::vector<std::string> splitTabs(const std::string& line)
{
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) {
      return fields;
    }
    start = tab + 1;
  }
}

int number(const std::vector<std::string>& fields, std::size_t index)
{
  return index < fields.size() ? std::atoi(fields[index].c_str()) : 0;
}

ScreenRect rectAt(const std::vector<std::string>& fields, std::size_t index)
{
  return {number(fields, index), number(fields, index + 1), number(fields, index + 2), number(fields, index + 3)};
}

bool overlaps(const ScreenRect& a, const ScreenRect& b)
{
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

std::string readAll(const std::filesystem::path& path)
{
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

// The children's environment: ours without any display or desktop session, plus `extra`.
std::vector<std::string> childEnvironment(const std::vector<std::string>& extra)
{
  static const char* const dropped[] = {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "XDG_CONFIG_HOME=",
                                        "HOME=", "XAUTHORITY=", "DBUS_SESSION_BUS_ADDRESS=", "MORVALIS_SCREEN_GEOMETRY=",
                                        "XDG_RUNTIME_DIR=", "SESSION_MANAGER="};
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    if (std::none_of(std::begin(dropped), std::end(dropped),
                     [text](const char* prefix) { return text.starts_with(prefix); })) {
      environment.emplace_back(text);
    }
  }
  environment.insert(environment.end(), extra.begin(), extra.end());
  return environment;
}

}  // namespace

// ---- Screen report ----

ScreenReport ScreenReport::parse(const std::string& text)
{
  ScreenReport report;
  report.text = text;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty()) {
      report.lines_.push_back({splitTabs(line)});
    }
  }
  return report;
}

std::vector<ScreenReport::Node> ScreenReport::nodes() const
{
  std::vector<Node> found;
  for (const Line& line : lines_) {
    if (line.fields[0] == "node" && line.fields.size() >= 8) {
      found.push_back({line.fields[1], line.fields[2], rectAt(line.fields, 3), line.fields[7] == "1"});
    }
  }
  return found;
}

std::vector<ScreenReport::Node> ScreenReport::nodesNamed(const std::string& displayName) const
{
  std::vector<Node> found = nodes();
  std::erase_if(found, [&displayName](const Node& node) {
    return node.displayName != displayName && !node.displayName.starts_with(displayName + " ");
  });
  return found;
}

std::optional<ScreenReport::Node> ScreenReport::nodeNamed(const std::string& displayName) const
{
  const std::vector<Node> found = nodesNamed(displayName);
  return found.size() == 1 ? std::optional<Node>(found.front()) : std::nullopt;
}

std::optional<ScreenReport::Node> ScreenReport::nodeWithId(const std::string& nodeId) const
{
  for (const Node& node : nodes()) {
    if (node.nodeId == nodeId) {
      return node;
    }
  }
  return std::nullopt;
}

std::optional<ScreenPoint> ScreenReport::socket(const std::string& nodeId, const std::string& parameterName,
                                                const std::string& direction, int index) const
{
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "socket" && f.size() >= 7 && f[1] == nodeId && f[2] == parameterName && f[3] == direction &&
        number(f, 4) == index) {
      return ScreenPoint{number(f, 5), number(f, 6)};
    }
  }
  return std::nullopt;
}

std::optional<ScreenRect> ScreenReport::row(const std::string& nodeId, const std::string& parameterName) const
{
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "row" && f.size() >= 7 && f[1] == nodeId && f[2] == parameterName) {
      return rectAt(f, 3);
    }
  }
  return std::nullopt;
}

std::vector<ScreenRect> ScreenReport::widgetsOfClass(const std::string& className, std::optional<ScreenRect> area) const
{
  std::vector<ScreenRect> found;
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "widget" && f.size() >= 8 && f[1] == className) {
      const ScreenRect rect = rectAt(f, 4);
      if (!area || overlaps(*area, rect)) {
        found.push_back(rect);
      }
    }
  }
  return found;
}

std::optional<ScreenRect> ScreenReport::widgetWithText(const std::string& className, const std::string& text) const
{
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "widget" && f.size() >= 8 && f[1] == className && f[3] == text) {
      return rectAt(f, 4);
    }
  }
  return std::nullopt;
}

std::optional<ScreenRect> ScreenReport::menuItem(const std::string& text) const
{
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "menuitem" && f.size() >= 8 && f[2] == text && f[7] == "1") {
      return rectAt(f, 3);
    }
  }
  return std::nullopt;
}

std::optional<ScreenRect> ScreenReport::menuItemStartingWith(const std::string& prefix, std::string* fullText) const
{
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "menuitem" && f.size() >= 8 && f[2].starts_with(prefix) && f[7] == "1") {
      if (fullText != nullptr) {
        *fullText = f[2];
      }
      return rectAt(f, 3);
    }
  }
  return std::nullopt;
}

std::optional<ScreenRect> ScreenReport::listItem(const std::string& text) const
{
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "item" && f.size() >= 7 && f[2] == text) {
      return rectAt(f, 3);
    }
  }
  return std::nullopt;
}

std::optional<ScreenRect> ScreenReport::window(const std::string& title) const
{
  for (const Line& line : lines_) {
    const auto& f = line.fields;
    if (f[0] == "window" && f.size() >= 7 && f[2].starts_with(title)) {
      return rectAt(f, 3);
    }
  }
  return std::nullopt;
}

bool ScreenReport::hasWindowOfClass(const std::string& className) const
{
  return std::any_of(lines_.begin(), lines_.end(),
                     [&className](const Line& line) { return line.fields[0] == "window" && line.fields.size() > 1 && line.fields[1] == className; });
}

bool ScreenReport::isWindowActive(const std::string& title) const
{
  return std::any_of(lines_.begin(), lines_.end(), [&title](const Line& line) {
    const auto& f = line.fields;
    return f[0] == "window" && f.size() >= 8 && f[2].starts_with(title) && f[7] == "1";
  });
}

bool ScreenReport::hasPopup() const
{
  return hasWindowOfClass("QMenu") || hasWindowOfClass("QComboBoxPrivateContainer");
}

// ---- Session ----

std::filesystem::path applicationPath()
{
  return MORVALIS_APPLICATION_PATH;
}

JourneySession::JourneySession(const std::string& name)
  : folder_(std::filesystem::path(::testing::TempDir()) / ("journey-" + name + "-" + std::to_string(getpid())))
{
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_ / "config" / "Morvalis");
  std::filesystem::create_directories(folder_ / "home");
  reportPath_ = folder_ / "screen.txt";
  appLogPath_ = folder_ / "app.log";
  // A first launch would open the quick tips over the document; a user who has seen them has
  // this answer stored.
  pf::UserDefaults preferences(folder_ / "config" / "Morvalis" / "Preferences.plist");
  preferences.setBool("Quick Tips Show At Startup 3", false);
  preferences.synchronize();
  startDisplay();
}

JourneySession::~JourneySession()
{
  stop(app_);
  stop(server_);
  if (!::testing::Test::HasFailure()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
}

pid_t JourneySession::spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                            const std::filesystem::path& output, int keepOpen)
{
  std::vector<char*> argv;
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : environment) {
    envp.push_back(const_cast<char*>(entry.c_str()));
  }
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  (void)keepOpen;  // inherited as it is: it has no close-on-exec flag
  pid_t pid = 0;
  const int status = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return status == 0 ? pid : 0;
}

void JourneySession::stop(pid_t& pid)
{
  if (pid <= 0) {
    return;
  }
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = 0;
      return;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  pid = 0;
}

void JourneySession::startDisplay()
{
  // Xvfb chooses a free display and writes its number to the pipe: sessions run side by side.
  int fds[2] = {-1, -1};
  if (pipe(fds) != 0) {
    problem_ = "no pipe for Xvfb";
    return;
  }
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  server_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1600x1000x24", "-nolisten", "tcp",
                   "-noreset"},
                  childEnvironment({}), folder_ / "xvfb.log", fds[1]);
  close(fds[1]);
  std::string text;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (server_ > 0 && text.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd readable{fds[0], POLLIN, 0};
    if (poll(&readable, 1, 100) > 0) {
      char buffer[32];
      const ssize_t count = read(fds[0], buffer, sizeof buffer);
      if (count <= 0) {
        break;
      }
      text.append(buffer, static_cast<std::size_t>(count));
    }
  }
  close(fds[0]);
  display_ = text.find('\n') != std::string::npos ? std::atoi(text.c_str()) : -1;
  if (display_ < 0) {
    problem_ = "Xvfb did not start: " + readAll(folder_ / "xvfb.log");
    stop(server_);
  }
}

void JourneySession::launch(const std::vector<std::string>& arguments)
{
  ASSERT_TRUE(hasDisplay()) << problem_;
  ASSERT_EQ(app_, 0) << "the application is already running";
  std::filesystem::remove(reportPath_);
  std::vector<std::string> command{applicationPath().string()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  app_ = spawn(command,
               childEnvironment({"DISPLAY=:" + std::to_string(display_), "QT_QPA_PLATFORM=xcb",
                                 "XDG_CONFIG_HOME=" + (folder_ / "config").string(), "HOME=" + (folder_ / "home").string(),
                                 "MORVALIS_SCREEN_GEOMETRY=" + reportPath_.string(), "NO_AT_BRIDGE=1",
                                 "QT_ACCESSIBILITY=0"}),
               appLogPath_);
  ASSERT_GT(app_, 0) << "could not start " << command[0];
}

std::optional<int> JourneySession::waitForExit(std::chrono::seconds limit)
{
  const auto deadline = Clock::now() + limit;
  while (app_ > 0 && Clock::now() < deadline) {
    int status = 0;
    if (waitpid(app_, &status, WNOHANG) == app_) {
      app_ = 0;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  stop(app_);
  return std::nullopt;
}

std::string JourneySession::appLog() const
{
  return readAll(appLogPath_);
}

std::string JourneySession::sanitizerFindings() const
{
  static const char* const findings[] = {"ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer"};
  std::istringstream log(appLog());
  std::string line;
  std::string found;
  while (std::getline(log, line)) {
    if (std::any_of(std::begin(findings), std::end(findings),
                    [&line](const char* finding) { return line.find(finding) != std::string::npos; })) {
      found += line + '\n';
    }
  }
  return found;
}

ScreenReport JourneySession::report() const
{
  return ScreenReport::parse(readAll(reportPath_));
}

ScreenReport JourneySession::waitFor(const std::string& what, const std::function<bool(const ScreenReport&)>& ready,
                                     std::chrono::seconds limit)
{
  const auto deadline = Clock::now() + limit;
  ScreenReport current = report();
  while (!ready(current)) {
    if (Clock::now() >= deadline) {
      ADD_FAILURE() << "timed out waiting for: " << what << "\nscreen:\n" << current.text << "\napplication log:\n"
                    << appLog();
      return current;
    }
    std::this_thread::sleep_for(kPollInterval);
    current = report();
  }
  return current;
}

bool JourneySession::waitForFile(const std::filesystem::path& path, std::chrono::seconds limit)
{
  const auto deadline = Clock::now() + limit;
  std::uintmax_t lastSize = 0;
  int steady = 0;
  while (Clock::now() < deadline) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > 0 && size == lastSize) {
      if (++steady >= 3) {
        return true;
      }
    } else {
      steady = 0;
    }
    lastSize = error ? 0 : size;
    std::this_thread::sleep_for(kPollInterval);
  }
  return false;
}

int JourneySession::xdotool(const std::vector<std::string>& arguments)
{
  std::vector<std::string> command{"xdotool"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  pid_t pid = spawn(command, childEnvironment({"DISPLAY=:" + std::to_string(display_)}), folder_ / "xdotool.log");
  if (pid <= 0) {
    ADD_FAILURE() << "could not start xdotool";
    return -1;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool failed: " << readAll(folder_ / "xdotool.log");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void JourneySession::moveTo(ScreenPoint point)
{
  xdotool({"mousemove", "--sync", std::to_string(point.x), std::to_string(point.y)});
}

void JourneySession::click(ScreenPoint point, int button)
{
  moveTo(point);
  xdotool({"click", std::to_string(button)});
}

void JourneySession::drag(ScreenPoint from, ScreenPoint to, const std::string& modifier)
{
  std::vector<std::string> steps;
  auto append = [&steps](std::initializer_list<std::string> words) { steps.insert(steps.end(), words); };
  append({"mousemove", "--sync", std::to_string(from.x), std::to_string(from.y)});
  if (!modifier.empty()) {
    append({"keydown", modifier});
  }
  append({"mousedown", "1", "sleep", "0.05"});
  for (int step = 1; step <= kDragSteps; ++step) {
    const int x = from.x + (to.x - from.x) * step / kDragSteps;
    const int y = from.y + (to.y - from.y) * step / kDragSteps;
    append({"mousemove", std::to_string(x), std::to_string(y), "sleep", "0.02"});
  }
  append({"sleep", "0.05", "mouseup", "1"});
  if (!modifier.empty()) {
    append({"keyup", modifier});
  }
  xdotool(steps);
}

void JourneySession::key(const std::string& chord)
{
  xdotool({"key", "--clearmodifiers", chord});
}

void JourneySession::focusWindow(const std::string& title)
{
  std::string pattern = "^";
  for (const char c : title) {
    if (std::string_view(".[]()*+?{}|^$\\").find(c) != std::string_view::npos) {
      pattern += '\\';
    }
    pattern += c;
  }
  xdotool({"search", "--sync", "--onlyvisible", "--name", pattern, "windowfocus", "--sync"});
  waitFor("the window \"" + title + "\" active", [&title](const ScreenReport& r) { return r.isWindowActive(title); });
}

void JourneySession::type(const std::string& text)
{
  xdotool({"type", "--delay", "20", text});
}
