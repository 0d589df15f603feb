#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Log.h"
#include "Platform/PlistValue.h"
#include "Shared/FeedbackManager/AlertPresenter.h"

namespace pf {
class UserDefaults;
}

// The application's one log and its common modal alert. Log lines go to standard error and,
// while an instance is set up, into the persistent log: the user-defaults array "LogArray" of
// {"Message", "Date"} entries, oldest first, which the technical-information report reads.
// The persistent log is bounded: a stored line keeps at most kMaxStoredLineBytes of its text,
// and the oldest lines give way once the stored text passes kMaxStoredBytes or the array
// kMaxStoredEntries, so a flood of long lines never makes the preferences file unreadable.
class FeedbackManager {
public:
  // Sets up the one instance: installs the persistent log on `defaults` (not owned, outlives
  // this object) and culls entries older than an hour.
  explicit FeedbackManager(pf::UserDefaults& defaults);
  ~FeedbackManager();
  FeedbackManager(const FeedbackManager&) = delete;
  FeedbackManager& operator=(const FeedbackManager&) = delete;

  // printf-style formats as the messages are written ("%@" for strings and descriptions),
  // formatted locale-free. Callable from any thread; never fails towards the caller.
  template <typename... Args>
  static void log(std::string_view formatText, const Args&... arguments)
  {
    pf::log(formatText, arguments...);
  }

  // A missing title shows "[no title]", a missing text "[no text]". Main thread only.
  static void showNSAlert(std::optional<std::string> title, std::optional<std::string> text);

  // The presenter is not owned and must outlive its installation; nullptr removes it.
  static void setAlertPresenter(AlertPresenter* presenter);

  // Drops stored entries more than an hour older than `now`; writes back only when it dropped any.
  void cullDefaultsLogMessages();
  void cullDefaultsLogMessages(std::chrono::system_clock::time_point now);
  // A copy of the stored entries; empty when there are none.
  pf::PlistValue::Array getRecentDefaultsLogMessages() const;

  bool checkNetworkStatus() const { return checkNetworkStatus_; }
  void setCheckNetworkStatus(bool check) { checkNetworkStatus_ = check; }
  bool checkInstallationStatus() const { return checkInstallationStatus_; }
  void setCheckInstallationStatus(bool check) { checkInstallationStatus_ = check; }
  bool isSandboxed() const { return isSandboxed_; }
  void setIsSandboxed(bool sandboxed) { isSandboxed_ = sandboxed; }
  bool useDefaultsLog() const { return useDefaultsLog_; }
  void setUseDefaultsLog(bool use) { useDefaultsLog_ = use; }
  const std::string& appName() const { return appName_; }
  void setAppName(std::string name) { appName_ = std::move(name); }

  static constexpr const char* kLogArrayKey = "LogArray";
  static constexpr std::size_t kMaxStoredLineBytes = 4096;
  static constexpr std::size_t kMaxStoredBytes = 2 * 1024 * 1024;
  static constexpr std::size_t kMaxStoredEntries = 10000;

  // The text a line is stored with: cut on a character boundary after kMaxStoredLineBytes,
  // ending in "…" and the full length.
  static std::string storedLine(const std::string& message);

private:
  void append(const std::string& message);

  pf::UserDefaults& defaults_;  // not owned; outlives this object
  bool checkNetworkStatus_ = true;
  bool checkInstallationStatus_ = true;
  bool isSandboxed_ = false;
  bool useDefaultsLog_ = false;
  std::string appName_;
  // The stored array as append last left it; only touched under the store's lock.
  std::size_t storedCount_ = 0;
  std::size_t storedBytes_ = 0;
};
