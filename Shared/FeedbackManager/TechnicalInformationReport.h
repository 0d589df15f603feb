#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/PlistValue.h"

namespace pf {
class WorkQueue;
}

// The plain-text technical-information report a user sends with a support request: application
// and system details, the open documents, the reachability of the maker's server, the
// installation location and the stored log of the last hour. It is gathered off the main thread
// in two stages (system information, then log messages); after each section the text so far is
// handed to the main thread through the current run loop, so a window can show it as it grows.
// Opening it again restarts from an empty text; what an earlier gathering publishes afterwards
// is dropped. Everything a section cannot find is said inside the report; nothing fails.
// start() and the destructor on the main thread; the destructor waits for a running stage
// (at most the network time limit).
class TechnicalInformationReport {
public:
  // Where the information comes from. The defaults describe this machine and this application;
  // tests point them elsewhere (files, a closed port, a fixed clock).
  struct Sources {
    std::string appName = "Morvalis";
    std::string appVersion;
    // " [1920x1080]" or " [2560x1440 X2]" per screen, in order, made by the interface; empty:
    // no screens.
    std::string screens;
    // The section of the open documents (openDocumentsSection).
    std::string customContent;
    bool checkNetworkStatus = true;
    bool checkInstallationStatus = true;
    // The maker's server, and a second, independent server that tells a dead connection from
    // a problem of the maker's server alone.
    std::string serverHost = kServerHost;
    int serverPort = 443;
    std::string secondServerHost = kSecondServerHost;
    int secondServerPort = 443;
    double networkTimeout = 4.0;  // seconds per connection attempt
    std::filesystem::path osReleasePath = "/etc/os-release";
    std::filesystem::path cpuInfoPath = "/proc/cpuinfo";
    // The folder of the running binary, and whether the application's resources were found.
    std::filesystem::path installationFolder;
    bool resourcesFound = true;
    // The stored log's entries ({"Message", "Date"}), oldest first.
    pf::PlistValue::Array logEntries;
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
  };

  // Called on the main thread with the whole text so far; `finished` with the last section.
  using Publish = std::function<void(const std::string& text, bool finished)>;

  TechnicalInformationReport();
  ~TechnicalInformationReport();
  TechnicalInformationReport(const TechnicalInformationReport&) = delete;
  TechnicalInformationReport& operator=(const TechnicalInformationReport&) = delete;

  void start(Sources sources, Publish publish);
  bool isGathering() const { return gathering_; }

  // ---- Sections (pure; each ends in a line break) ----
  static std::string applicationSection(const Sources& sources);
  static std::string networkSection(const Sources& sources);
  static std::string installationSection(const Sources& sources);
  static std::string logSection(const pf::PlistValue::Array& entries, std::chrono::system_clock::time_point now);
  // One entry per open document: its file name (nullopt: untitled) and its description.
  struct OpenDocument {
    std::optional<std::string> fileName;
    std::string description;
  };
  static std::string openDocumentsSection(const std::vector<OpenDocument>& documents);
  // The system's name from an os-release file ("PRETTY_NAME", else "NAME" and "VERSION"); "Linux"
  // when there is none.
  static std::string systemName(const std::filesystem::path& osReleasePath);
  // The first "model name" of a cpuinfo file and the number of processors; "Unknown" when none.
  static std::string processorInfo(const std::filesystem::path& cpuInfoPath);
  // "d MMM yyyy, HH:mm:ss" in local time.
  static std::string formattedLogDate(std::chrono::system_clock::time_point date);

  // ---- Mail ----
  // Mail links carry a limited amount of text: a body of more than kMaxMailBody characters is
  // cut so that it ends in kMailCutSuffix and has kMaxMailBody characters in all.
  static std::string mailBody(const std::string& text);
  static constexpr std::size_t kMaxMailBody = 1950;
  static constexpr const char* kMailCutSuffix =
      "\n [logs cut off due to new e-mail length restrictions, copy and paste to include full logs]";

  static constexpr const char* kServerHost = "www.oradel.example";
  static constexpr const char* kSecondServerHost = "deb.debian.org";
  static constexpr const char* kSupportAddress = "support@oradel.example";

private:
  std::unique_ptr<pf::WorkQueue> queue_;
  // Shared with queued work: the gathering that may still publish. A new start() or the
  // destructor replaces it, and the old gathering's texts are dropped.
  std::shared_ptr<long long> currentGathering_;
  long long gatheringCounter_ = 0;
  bool gathering_ = false;
};
