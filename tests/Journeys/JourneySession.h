#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The real application on an X display of its own, driven with real pointer and key events
// (XTest, through xdotool), as a user drives it. Each session starts Xvfb on a free display
// (Xvfb picks it and reports it), gives the application a fresh configuration folder (no tips
// window, no recent documents) and asks it for its screen report (ScreenGeometryReport): where
// windows, menu items, node boxes, rows and sockets stand in screen pixels. Tests read their
// outcome from saved documents and exported images, never from the report.

// Screen pixels, y down, on the session's display.
struct ScreenPoint {
  int x = 0;
  int y = 0;
};

struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  ScreenPoint center() const { return {x + width / 2, y + height / 2}; }
  bool contains(ScreenPoint point) const
  {
    return point.x >= x && point.x < x + width && point.y >= y && point.y < y + height;
  }
};

// One parsed screen report. Lookups answer nullopt when the thing is not shown.
class ScreenReport {
public:
  struct Node {
    std::string nodeId;
    std::string displayName;
    ScreenRect frame;
    bool selected = false;
  };
  struct Line {
    std::vector<std::string> fields;  // the first is the kind
  };

  static ScreenReport parse(const std::string& text);

  std::vector<Node> nodes() const;
  // Nodes named `displayName`, or numbered after it when there are several ("Shape 2").
  std::vector<Node> nodesNamed(const std::string& displayName) const;
  std::optional<Node> nodeNamed(const std::string& displayName) const;  // the only one of that name
  std::optional<Node> nodeWithId(const std::string& nodeId) const;
  // The centre of a socket of a parameter ("in" or "out"; index 0 unless a two-axis value).
  std::optional<ScreenPoint> socket(const std::string& nodeId, const std::string& parameterName,
                                    const std::string& direction, int index = 0) const;
  std::optional<ScreenRect> row(const std::string& nodeId, const std::string& parameterName) const;
  // The widgets of a class inside `area` (all when not given), in report order (front to back
  // among siblings is not implied).
  std::vector<ScreenRect> widgetsOfClass(const std::string& className, std::optional<ScreenRect> area = {}) const;
  // A widget of the class whose shown text is `text`.
  std::optional<ScreenRect> widgetWithText(const std::string& className, const std::string& text) const;
  // An enabled item of an open menu.
  std::optional<ScreenRect> menuItem(const std::string& text) const;
  std::optional<ScreenRect> menuItemStartingWith(const std::string& prefix, std::string* fullText = nullptr) const;
  // An item of a list shown on screen (a combo box's popup, a file list).
  std::optional<ScreenRect> listItem(const std::string& text) const;
  // A visible top-level window whose title starts with `title`.
  std::optional<ScreenRect> window(const std::string& title) const;
  bool hasWindowOfClass(const std::string& className) const;
  // Whether that window has the keyboard.
  bool isWindowActive(const std::string& title) const;
  // Whether a menu or a list pops up (it takes the pointer and keys until it is gone).
  bool hasPopup() const;

  const std::vector<Line>& lines() const { return lines_; }
  std::string text;

private:
  std::vector<Line> lines_;
};

class JourneySession {
public:
  // `name` names the session's folder (under the test's temporary folder, made anew).
  explicit JourneySession(const std::string& name);
  ~JourneySession();
  JourneySession(const JourneySession&) = delete;
  JourneySession& operator=(const JourneySession&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  // False (with the reason in `problem()`) when the display could not be started.
  bool hasDisplay() const { return display_ >= 0; }
  const std::string& problem() const { return problem_; }

  // Starts the application with these arguments (documents to open); one at a time.
  void launch(const std::vector<std::string>& arguments = {});
  // Waits for the application to end by itself; its exit status, nullopt on time-out (it is
  // then killed).
  std::optional<int> waitForExit(std::chrono::seconds limit = std::chrono::seconds(30));
  bool isRunning() const { return app_ > 0; }
  // What the application wrote to standard output and error so far.
  std::string appLog() const;
  // Sanitizer reports and runtime errors the application printed (empty when clean).
  std::string sanitizerFindings() const;

  // The screen report as it stands.
  ScreenReport report() const;
  // Polls the report until `ready` holds; the last report. Fails the test (non-fatally, with
  // `what` and the application's log) on time-out and answers the last report anyway.
  ScreenReport waitFor(const std::string& what, const std::function<bool(const ScreenReport&)>& ready,
                       std::chrono::seconds limit = std::chrono::seconds(30));
  // Polls until the file exists and has not changed size for a moment.
  bool waitForFile(const std::filesystem::path& path, std::chrono::seconds limit = std::chrono::seconds(30));

  // Real input. Points are screen pixels.
  void moveTo(ScreenPoint point);
  void click(ScreenPoint point, int button = 1);
  // Press, move in small steps, release; `modifier` ("ctrl", "shift") is held throughout.
  void drag(ScreenPoint from, ScreenPoint to, const std::string& modifier = {});
  // One key chord in xdotool's names ("ctrl+s", "Return", "ctrl+shift+z").
  void key(const std::string& chord);
  void type(const std::string& text);
  // Gives the keyboard to the top-level window whose title starts with `title`, as a window
  // manager does when the user clicks it (there is none on the display), and waits until the
  // application knows.
  void focusWindow(const std::string& title);

  // Runs xdotool on the session's display; its exit status.
  int xdotool(const std::vector<std::string>& arguments);

private:
  void startDisplay();
  static pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                     const std::filesystem::path& output, int keepOpen = -1);
  static void stop(pid_t& pid);

  std::filesystem::path folder_;
  std::filesystem::path reportPath_;
  std::filesystem::path appLogPath_;
  std::string problem_;
  int display_ = -1;  // the X display's number; -1 without one
  pid_t server_ = 0;
  pid_t app_ = 0;
};

// The application binary under test and the test data.
std::filesystem::path applicationPath();
