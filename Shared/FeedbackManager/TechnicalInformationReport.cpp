#include "Shared/FeedbackManager/TechnicalInformationReport.h"

#include <unistd.h>

#include <array>
#include <ctime>
#include <sstream>
#include <map>
#include <system_error>
#include <utility>

#include "Platform/FileAccess.h"
#include "Platform/Format.h"
#include "Platform/NetworkProbe.h"
#include "Platform/RunLoop.h"
#include "Platform/WorkQueue.h"

namespace {

// A system description file (os-release, cpuinfo): a regular file of at most a few hundred
// kilobytes; empty text when there is none or it cannot be read (logged).
std::string systemFileText(const std::filesystem::path& path)
{
  constexpr std::size_t kMaxSystemFileBytes = std::size_t{1} << 20;
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) {
    return {};  // a system without the file: the report says so in its own words
  }
  return pf::readRegularTextFile(path, kMaxSystemFileBytes).value_or(std::string());
}

std::string trimmed(std::string text)
{
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// An os-release value without its quotes ("Debian GNU/Linux 12 (bookworm)").
std::string unquoted(std::string value)
{
  value = trimmed(std::move(value));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Standard folders of installed programs, in the order the report names them.
constexpr std::array<const char*, 3> kInstallationPrefixes = {"/usr", "/usr/local", "/opt"};

bool isBelow(const std::filesystem::path& folder, const std::filesystem::path& prefix)
{
  const std::filesystem::path relative = folder.lexically_normal().lexically_relative(prefix);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

TechnicalInformationReport::TechnicalInformationReport() = default;

TechnicalInformationReport::~TechnicalInformationReport()
{
  currentGathering_.reset();
  queue_.reset();
}

void TechnicalInformationReport::start(Sources sources, Publish publish)
{
  if (!queue_) {
    queue_ = pf::WorkQueue::serial("com.oradel.MorvalisTechnicalInformation");
  }
  queue_->cancelPending();
  currentGathering_ = std::make_shared<long long>(++gatheringCounter_);
  gathering_ = true;
  const std::weak_ptr<long long> token = currentGathering_;
  const long long gathering = gatheringCounter_;
  // Hands the text to the main thread, unless a newer gathering or the destructor came first.
  auto post = [this, token, gathering, publish](std::string text, bool finished) {
    pf::RunLoop::postToMain([this, token, gathering, publish, text = std::move(text), finished] {
      const std::shared_ptr<long long> current = token.lock();
      if (!current || *current != gathering) {
        return;
      }
      if (finished) {
        gathering_ = false;
      }
      publish(text, finished);
    });
  };
  queue_->post([sources = std::move(sources), post] {
    std::string report = applicationSection(sources);
    post(report, false);
    report += sources.customContent;
    post(report, false);
    if (sources.checkNetworkStatus) {
      report += networkSection(sources);
      post(report, false);
    }
    if (sources.checkInstallationStatus) {
      report += installationSection(sources);
      post(report, false);
    }
    report += logSection(sources.logEntries, sources.now);
    post(report, true);
  });
}

// ---- Sections ----

std::string TechnicalInformationReport::applicationSection(const Sources& sources)
{
  std::string text = "----- Application and system details -----\n";
  text += pf::format("%@ v%@, running on %@\n", sources.appName.empty() ? "[Unknown application]" : sources.appName,
                     sources.appVersion.empty() ? "[Unknown version]" : sources.appVersion,
                     systemName(sources.osReleasePath));
  text += pf::format("Screen(s): %@\n", sources.screens.empty() ? "(No screen information found)" : sources.screens);
  text += pf::format("Processor: %@\n", processorInfo(sources.cpuInfoPath));
  return text;
}

std::string TechnicalInformationReport::networkSection(const Sources& sources)
{
  std::string text = "\n----- Network/server status -----\n";
  const pf::NetworkProbe::Result server =
      pf::NetworkProbe::canConnect(sources.serverHost, sources.serverPort, sources.networkTimeout);
  if (server.reachable) {
    return text + pf::format("Access to %@ server OK.\n", sources.serverHost);
  }
  text += pf::format("WARNING: Problem contacting %@ server.\n", sources.serverHost);
  text += pf::format("Network error: %@.\n", server.error);
  const pf::NetworkProbe::Result second =
      pf::NetworkProbe::canConnect(sources.secondServerHost, sources.secondServerPort, sources.networkTimeout);
  if (second.reachable) {
    return text + "Access to proxy server OK.\n";
  }
  text += "Proxy server also unreachable.\n";
  text += "Please make sure that this computer is connected to the internet and that no firewall or "
          "filter blocks Morvalis from reaching the network. If the connection works, our server may "
          "be having problems: our social-media page reports outages.\n";
  return text;
}

std::string TechnicalInformationReport::installationSection(const Sources& sources)
{
  std::string text = "\n----- Installation status -----\n";
  const std::filesystem::path& folder = sources.installationFolder;
  bool standard = false;
  for (const char* prefix : kInstallationPrefixes) {
    standard = standard || isBelow(folder, prefix);
  }
  if (standard && sources.resourcesFound) {
    return text + pf::format("Installation location OK, path: '%@'.\n", folder.string());
  }
  text += pf::format("WARNING, installation path: '%@'. ", folder.string());
  if (!standard) {
    text += pf::format("Location is not in a standard installation folder ('%@','%@' or '%@').\n",
                       kInstallationPrefixes[0], kInstallationPrefixes[1], kInstallationPrefixes[2]);
  } else {
    text += "\n";
  }
  if (!sources.resourcesFound) {
    text += "The application's resources (documents, sample files) were not found beside it.\n";
  }
  text += "To install Morvalis, use the package for your system or 'cmake --install' from a build, "
          "then start it from the installed location.\n";
  return text;
}

std::string TechnicalInformationReport::logSection(const pf::PlistValue::Array& entries,
                                                   std::chrono::system_clock::time_point now)
{
  const double oldest = std::chrono::duration<double>(now.time_since_epoch()).count() -
                        pf::PlistValue::kReferenceDateUnixTime - 3600.0;
  std::string lines;
  for (const pf::PlistValue& entry : entries) {
    const pf::PlistValue::Dictionary* record = entry.asDictionary();
    const pf::PlistValue* message = record != nullptr ? record->find("Message") : nullptr;
    if (message == nullptr || message->asString() == nullptr) {
      continue;
    }
    const pf::PlistValue* date = record->find("Date");
    const std::optional<double> seconds = date != nullptr ? date->asDate() : std::nullopt;
    if (seconds && *seconds < oldest) {
      continue;  // older than an hour
    }
    if (seconds) {
      const auto time = std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::duration<double>(*seconds + pf::PlistValue::kReferenceDateUnixTime)));
      lines += pf::format("[%@] %@\n", formattedLogDate(time), *message->asString());
    } else {
      lines += pf::format("%@\n", *message->asString());
    }
  }
  if (lines.empty()) {
    return "\n----- Console messages -----\nNo recent console messages\n";
  }
  return "\n----- Recent console messages (Defaults log) -----\n" + lines;
}

std::string TechnicalInformationReport::openDocumentsSection(const std::vector<OpenDocument>& documents)
{
  std::string text = "\n----- Open document information -----\n";
  if (documents.empty()) {
    return text + "No open documents\n";
  }
  for (const OpenDocument& document : documents) {
    text += document.fileName ? *document.fileName + "\n" : std::string("New untitled document\n");
    text += document.description + "\n";
  }
  return text;
}

std::string TechnicalInformationReport::systemName(const std::filesystem::path& osReleasePath)
{
  std::istringstream file(systemFileText(osReleasePath));
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(file, line)) {
    const auto equals = line.find('=');
    if (equals != std::string::npos && !line.starts_with('#')) {
      values[trimmed(line.substr(0, equals))] = unquoted(line.substr(equals + 1));
    }
  }
  if (const auto pretty = values.find("PRETTY_NAME"); pretty != values.end() && !pretty->second.empty()) {
    return pretty->second;
  }
  if (const auto name = values.find("NAME"); name != values.end() && !name->second.empty()) {
    const auto version = values.find("VERSION");
    return version != values.end() && !version->second.empty() ? name->second + " " + version->second : name->second;
  }
  return "Linux";
}

std::string TechnicalInformationReport::processorInfo(const std::filesystem::path& cpuInfoPath)
{
  std::istringstream file(systemFileText(cpuInfoPath));
  std::string model;
  long processors = 0;
  std::string line;
  while (std::getline(file, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) {
      continue;
    }
    const std::string key = trimmed(line.substr(0, colon));
    if (key == "processor") {
      ++processors;
    } else if (model.empty() && (key == "model name" || key == "Model" || key == "cpu model")) {
      model = trimmed(line.substr(colon + 1));
    }
  }
  if (model.empty()) {
    return processors > 0 ? pf::format("Unknown (%ld processors)", processors) : std::string("Unknown");
  }
  return processors > 1 ? pf::format("%@ (%ld processors)", model, processors) : model;
}

std::string TechnicalInformationReport::formattedLogDate(std::chrono::system_clock::time_point date)
{
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) {
    return "?";
  }
  return pf::format("%d %@ %d, %02d:%02d:%02d", local.tm_mday, kMonths.at(static_cast<std::size_t>(local.tm_mon) % 12),
                    local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
}

std::string TechnicalInformationReport::mailBody(const std::string& text)
{
  // Characters, not bytes: a cut never splits a UTF-8 sequence.
  std::size_t characters = 0;
  for (const char byte : text) {
    characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
  }
  if (characters <= kMaxMailBody) {
    return text;
  }
  const std::string suffix = kMailCutSuffix;
  const std::size_t keep = kMaxMailBody - suffix.size();
  std::size_t kept = 0;
  std::size_t end = 0;
  for (; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
      if (kept == keep) {
        break;
      }
      ++kept;
    }
  }
  return text.substr(0, end) + suffix;
}
