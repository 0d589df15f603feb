#include "Shared/FeedbackManager/TechnicalInformationReport.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/ManualRunLoop.h"
#include "Support/LogCapture.h"
#include "Support/PipeWatchdog.h"

namespace {

using Report = TechnicalInformationReport;
using Clock = std::chrono::system_clock;

// A local TCP port that nobody listens on: bound once to find a free one, then closed again, so
// a connection is refused at once.
int closedLocalPort()
{
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  socklen_t length = sizeof(address);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

pf::PlistValue logEntry(const std::string& message, Clock::time_point date)
{
  const double unix = std::chrono::duration<double>(date.time_since_epoch()).count();
  return pf::PlistValue(pf::PlistValue::Dictionary{{"Message", message}, {"Date", pf::PlistValue::dateFromUnixTime(unix)}});
}

// Sources that describe a made-up machine from files of the test's own, with no network: both
// servers are a closed local port.
class TechnicalInformationReportTest : public testing::Test {
protected:
  TechnicalInformationReportTest()
  {
    pf::RunLoop::setCurrent(&runLoop);
    std::filesystem::create_directories(folder);
    write("os-release", "NAME=\"Testix\"\nVERSION=\"1.0\"\nPRETTY_NAME=\"Testix 1.0 (Quiet)\"\n");
    write("cpuinfo", "processor\t: 0\nmodel name\t: Test CPU 9000\n\nprocessor\t: 1\nmodel name\t: Test CPU 9000\n");
    const int port = closedLocalPort();
    sources.appVersion = "3.0.0";
    sources.screens = " [1920x1080] [2560x1440 X2]";
    sources.customContent = Report::openDocumentsSection({});
    sources.serverHost = "127.0.0.1";
    sources.serverPort = port;
    sources.secondServerHost = "127.0.0.1";
    sources.secondServerPort = port;
    sources.networkTimeout = 0.5;
    sources.osReleasePath = folder / "os-release";
    sources.cpuInfoPath = folder / "cpuinfo";
    sources.installationFolder = "/usr/bin";
    sources.logEntries = {logEntry("===== Morvalis 3.0.0 launched ====", sources.now - std::chrono::minutes(5))};
  }
  ~TechnicalInformationReportTest() override
  {
    std::filesystem::remove_all(folder);
    pf::RunLoop::setCurrent(nullptr);
  }

  void write(const std::string& name, const std::string& text) { std::ofstream(folder / name) << text; }

  // Runs the loop until the report published its last section; false when it did not within
  // a generous limit.
  bool waitUntilFinished(const std::vector<std::pair<std::string, bool>>& published)
  {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      runLoop.runPending();
      if (!published.empty() && published.back().second) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  pf::ManualRunLoop runLoop;
  std::filesystem::path folder = std::filesystem::path(testing::TempDir()) /
                                 ("report-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
  Report::Sources sources;
};

TEST_F(TechnicalInformationReportTest, CompletesInStagesWithoutANetwork)
{
  Report report;
  std::vector<std::pair<std::string, bool>> published;
  report.start(sources, [&](const std::string& text, bool finished) { published.emplace_back(text, finished); });
  EXPECT_TRUE(report.isGathering());
  ASSERT_TRUE(waitUntilFinished(published));
  EXPECT_FALSE(report.isGathering());

  // Each stage grows the text of the one before.
  ASSERT_GE(published.size(), 4u);
  for (std::size_t i = 1; i < published.size(); ++i) {
    EXPECT_TRUE(published[i].first.starts_with(published[i - 1].first));
    EXPECT_EQ(published[i - 1].second, false);
  }
  const std::string& text = published.back().first;
  const std::vector<std::string> expectedInOrder = {
      "----- Application and system details -----\n",
      "Morvalis v3.0.0, running on Testix 1.0 (Quiet)\n",
      "Screen(s):  [1920x1080] [2560x1440 X2]\n",
      "Processor: Test CPU 9000 (2 processors)\n",
      "\n----- Open document information -----\nNo open documents\n",
      "\n----- Network/server status -----\nWARNING: Problem contacting 127.0.0.1 server.\n",
      "Network error: Connection refused.\n",
      "Proxy server also unreachable.\n",
      "\n----- Installation status -----\nInstallation location OK, path: '/usr/bin'.\n",
      "\n----- Recent console messages (Defaults log) -----\n",
      "] ===== Morvalis 3.0.0 launched ====\n",
  };
  std::size_t position = 0;
  for (const std::string& part : expectedInOrder) {
    SCOPED_TRACE(part);
    const std::size_t found = text.find(part, position);
    ASSERT_NE(found, std::string::npos) << text;
    position = found + part.size();
  }
}

TEST_F(TechnicalInformationReportTest, AServerWhoseNameDoesNotResolveIsReportedAndTheReportStillCompletes)
{
  sources.serverHost = "morvalis-probe.invalid";  // reserved: never resolves
  sources.networkTimeout = 0.5;
  sources.checkInstallationStatus = false;
  Report report;
  std::vector<std::pair<std::string, bool>> published;
  report.start(sources, [&](const std::string& text, bool finished) { published.emplace_back(text, finished); });
  ASSERT_TRUE(waitUntilFinished(published));
  const std::string& text = published.back().first;
  EXPECT_NE(text.find("WARNING: Problem contacting morvalis-probe.invalid server.\nNetwork error: "), std::string::npos) << text;
  EXPECT_EQ(text.find("Installation status"), std::string::npos);
  EXPECT_NE(text.find("Recent console messages"), std::string::npos);
}

TEST_F(TechnicalInformationReportTest, StartingAgainDropsTheEarlierGathering)
{
  Report report;
  std::vector<std::string> first;
  std::vector<std::pair<std::string, bool>> second;
  report.start(sources, [&](const std::string& text, bool) { first.push_back(text); });
  sources.customContent = "\nsecond opening\n";
  report.start(sources, [&](const std::string& text, bool finished) { second.emplace_back(text, finished); });
  ASSERT_TRUE(waitUntilFinished(second));
  EXPECT_TRUE(first.empty());
  EXPECT_NE(second.back().first.find("second opening"), std::string::npos);
}

TEST(TechnicalInformationReportSections, LogKeepsTheLastHourWithDatesAndSkipsEntriesWithoutMessage)
{
  const Clock::time_point now = Clock::now();
  pf::PlistValue::Array entries = {
      logEntry("too old", now - std::chrono::minutes(61)),
      logEntry("recent", now - std::chrono::minutes(59)),
      pf::PlistValue(pf::PlistValue::Dictionary{{"Date", pf::PlistValue::dateFromUnixTime(0)}}),
      pf::PlistValue(pf::PlistValue::Dictionary{{"Message", "undated"}}),
  };
  const std::string text = Report::logSection(entries, now);
  EXPECT_EQ(text.find("too old"), std::string::npos);
  const std::string recent = "[" + Report::formattedLogDate(now - std::chrono::minutes(59)) + "] recent\n";
  EXPECT_EQ(text, "\n----- Recent console messages (Defaults log) -----\n" + recent + "undated\n");
  EXPECT_EQ(Report::logSection({}, now), "\n----- Console messages -----\nNo recent console messages\n");
}

TEST(TechnicalInformationReportSections, DatesUseTheCalendarYear)
{
  // 31 December 2026 at noon local time: the week-based year would already be 2027.
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 31;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  const Clock::time_point date = Clock::from_time_t(std::mktime(&local));
  EXPECT_EQ(Report::formattedLogDate(date), "31 Dec 2026, 12:00:00");
}

TEST(TechnicalInformationReportSections, OpenDocumentsNameUntitledOnesAndDescribeEach)
{
  EXPECT_EQ(Report::openDocumentsSection({}), "\n----- Open document information -----\nNo open documents\n");
  EXPECT_EQ(Report::openDocumentsSection({{"Spiral.mvdx", "4 nodes"}, {std::nullopt, "2 nodes"}}),
            "\n----- Open document information -----\nSpiral.mvdx\n4 nodes\nNew untitled document\n2 nodes\n");
}

TEST(TechnicalInformationReportSections, InstallationOutsideTheStandardFoldersOrWithoutResourcesIsAWarning)
{
  struct Case {
    const char* folder;
    bool resourcesFound;
    bool ok;
  };
  for (const Case& entry : {Case{"/usr/bin", true, true}, Case{"/opt/morvalis/bin", true, true},
                            Case{"/usr/bin", false, false}, Case{"/home/someone/build/App", true, false},
                            Case{"/usrlocal/bin", true, false}}) {
    SCOPED_TRACE(entry.folder);
    Report::Sources sources;
    sources.installationFolder = entry.folder;
    sources.resourcesFound = entry.resourcesFound;
    const std::string text = Report::installationSection(sources);
    EXPECT_EQ(text.find("Installation location OK, path: '" + std::string(entry.folder) + "'.\n") != std::string::npos,
              entry.ok);
    EXPECT_EQ(text.find("WARNING, installation path: '" + std::string(entry.folder) + "'. ") != std::string::npos,
              !entry.ok);
  }
}

TEST(TechnicalInformationReportSections, SystemAndProcessorFallBackWhenTheFilesSayLittle)
{
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "report-system-files";
  std::filesystem::create_directories(folder);
  struct Case {
    const char* osRelease;
    const char* expected;
  };
  for (const Case& entry : {Case{"NAME=Testix\nVERSION='2 (Loud)'\n", "Testix 2 (Loud)"}, Case{"NAME=Testix\n", "Testix"},
                            Case{"# nothing here\n", "Linux"}}) {
    SCOPED_TRACE(entry.osRelease);
    std::ofstream(folder / "os-release") << entry.osRelease;
    EXPECT_EQ(Report::systemName(folder / "os-release"), entry.expected);
  }
  EXPECT_EQ(Report::systemName(folder / "missing"), "Linux");
  EXPECT_EQ(Report::processorInfo(folder / "missing"), "Unknown");

  // A pipe or a device in the file's place is not read: it would wait, or never end.
  testsupport::QuietLog quiet;
  const std::filesystem::path pipe = folder / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  testsupport::PipeWatchdog watchdog(pipe);  // lets a read that waits go, so the test ends
  EXPECT_EQ(Report::systemName(pipe), "Linux");
  EXPECT_EQ(Report::processorInfo(pipe), "Unknown");
  EXPECT_EQ(Report::processorInfo("/dev/zero"), "Unknown");
  EXPECT_FALSE(watchdog.blockedRead());
  std::filesystem::remove_all(folder);
}

TEST(TechnicalInformationReportSections, MailBodyIsCutToTheLimitWithItsSuffix)
{
  const std::string suffix = Report::kMailCutSuffix;
  EXPECT_EQ(Report::mailBody(std::string(1950, 'a')), std::string(1950, 'a'));
  for (const std::size_t length : {std::size_t{1951}, std::size_t{5000}}) {
    SCOPED_TRACE(length);
    const std::string body = Report::mailBody(std::string(length, 'a'));
    EXPECT_EQ(body.size(), 1950u);
    EXPECT_TRUE(body.ends_with(suffix));
  }
  // Counted in characters: a two-byte character is never split.
  std::string wide;
  for (int i = 0; i < 1951; ++i) {
    wide += "\xc3\xa9";
  }
  const std::string cut = Report::mailBody(wide);
  EXPECT_TRUE(cut.ends_with(suffix));
  EXPECT_EQ((cut.size() - suffix.size()) % 2, 0u);
  EXPECT_EQ((cut.size() - suffix.size()) / 2 + suffix.size(), 1950u);
}

}  // namespace
