#include "Shared/FeedbackManager/FeedbackManager.h"

#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Unicode.h"
#include "Platform/UserDefaults.h"

namespace {

using Clock = std::chrono::system_clock;

class RecordingAlerts : public AlertPresenter {
public:
  void presentAlert(const std::string& title, const std::string& text) override { shown.emplace_back(title, text); }
  std::vector<std::pair<std::string, std::string>> shown;
};

class FeedbackManagerTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    file_ = std::filesystem::temp_directory_path() /
            ("morvalis-feedback-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             ".plist");
    std::filesystem::remove(file_);
    defaults_ = std::make_unique<pf::UserDefaults>(file_);
    pf::setLogEcho(false);
  }
  void TearDown() override
  {
    pf::setLogEcho(true);
    std::filesystem::remove(file_);
  }

  std::vector<std::string> messages() const
  {
    std::vector<std::string> lines;
    for (const pf::PlistValue& entry : defaults_->objectForKey("LogArray").asArray() ? *defaults_->objectForKey("LogArray").asArray()
                                                                                     : pf::PlistValue::Array{}) {
      lines.push_back(entry.find("Message") ? entry.find("Message")->stringOr() : "");
    }
    return lines;
  }

  // An entry written `age` ago.
  static pf::PlistValue entry(const std::string& message, std::optional<std::chrono::seconds> age, Clock::time_point now)
  {
    pf::PlistValue value = pf::PlistValue::emptyDictionary();
    value.set("Message", message);
    if (age) {
      const double seconds = std::chrono::duration<double>((now - *age).time_since_epoch()).count();
      value.set("Date", pf::PlistValue::dateFromUnixTime(seconds));
    }
    return value;
  }

  std::filesystem::path file_;
  std::unique_ptr<pf::UserDefaults> defaults_;
};

TEST_F(FeedbackManagerTest, FirstLogCreatesTheStoredArray)
{
  FeedbackManager manager(*defaults_);
  EXPECT_TRUE(manager.getRecentDefaultsLogMessages().empty());
  FeedbackManager::log("Warning, %@ has %d inputs (100%%)", std::string("node"), 2);
  const pf::PlistValue::Array entries = manager.getRecentDefaultsLogMessages();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].find("Message")->stringOr(), "Warning, node has 2 inputs (100%)");
  EXPECT_TRUE(entries[0].find("Date")->isDate());
}

TEST_F(FeedbackManagerTest, CullKeepsExactlyTheLastHour)
{
  using std::chrono::seconds;
  const Clock::time_point now = Clock::now();
  struct Case {
    const char* name;
    std::vector<std::optional<seconds>> ages;  // oldest first; nullopt = no date
    std::vector<std::string> kept;
  };
  const Case cases[] = {
      {"exactly an hour old stays", {seconds(3600), seconds(10)}, {"0", "1"}},
      {"a moment older goes", {seconds(3601), seconds(10)}, {"1"}},
      {"all old leaves none", {seconds(7200), seconds(4000)}, {}},
      {"only the first is old", {seconds(5000), seconds(100), seconds(1)}, {"1", "2"}},
      {"an entry without a date never counts as old", {std::nullopt, seconds(10)}, {"0", "1"}},
      {"the newest old entry decides", {seconds(9000), std::nullopt, seconds(4000), seconds(5)}, {"3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Set up first: its own start-up cull runs at the real time, a moment after `now`.
    FeedbackManager manager(*defaults_);
    pf::PlistValue array = pf::PlistValue::emptyArray();
    for (std::size_t i = 0; i < c.ages.size(); ++i) {
      array.append(entry(std::to_string(i), c.ages[i], now));
    }
    defaults_->setObject("LogArray", array);
    manager.cullDefaultsLogMessages(now);
    EXPECT_EQ(messages(), c.kept);
  }
}

TEST_F(FeedbackManagerTest, CullWithoutOldEntriesDoesNotRewrite)
{
  const Clock::time_point now = Clock::now();
  pf::PlistValue array = pf::PlistValue::emptyArray();
  array.append(entry("recent", std::chrono::seconds(5), now));
  defaults_->setObject("LogArray", array);
  ASSERT_TRUE(defaults_->synchronize());
  const auto written = std::filesystem::last_write_time(file_);
  FeedbackManager manager(*defaults_);
  manager.cullDefaultsLogMessages(now);
  EXPECT_EQ(std::filesystem::last_write_time(file_), written);
  EXPECT_EQ(messages(), std::vector<std::string>{"recent"});
}

TEST_F(FeedbackManagerTest, ManyLoggingThreadsLoseNothing)
{
  FeedbackManager manager(*defaults_);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 250; ++i) {
        FeedbackManager::log("thread %d line %d", t, i);
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(manager.getRecentDefaultsLogMessages().size(), 2000u);
}

TEST_F(FeedbackManagerTest, StoredLogStaysBounded)
{
  FeedbackManager manager(*defaults_);
  // A document that names one 1 MiB string again and again.
  const std::string huge(1024 * 1024, 'x');
  for (int i = 0; i < 300; ++i) {
    FeedbackManager::log("Warning, %d: %@", i, huge);
  }
  const pf::PlistValue::Array entries = manager.getRecentDefaultsLogMessages();
  ASSERT_FALSE(entries.empty());
  std::size_t total = 0;
  for (const pf::PlistValue& entry : entries) {
    const std::string text = entry.find("Message")->stringOr();
    EXPECT_LE(text.size(), FeedbackManager::kMaxStoredLineBytes + 32);
    total += text.size();
  }
  EXPECT_LE(total, FeedbackManager::kMaxStoredBytes);
  EXPECT_TRUE(messages().back().starts_with("Warning, 299: xxx"));  // the newest line stays
  ASSERT_TRUE(defaults_->synchronize());
  EXPECT_LT(std::filesystem::file_size(file_), 4u * FeedbackManager::kMaxStoredBytes);
  EXPECT_EQ(pf::UserDefaults(file_).objectForKey("LogArray").size(), entries.size());
}

TEST_F(FeedbackManagerTest, LongLinesAreCutOnACharacterBoundary)
{
  for (std::size_t lead : {std::size_t{0}, std::size_t{1}, std::size_t{2}}) {
    SCOPED_TRACE(lead);
    std::string line(lead, 'a');
    while (line.size() < 2 * FeedbackManager::kMaxStoredLineBytes) {
      line += "\u20ac";  // three bytes
    }
    const std::string stored = FeedbackManager::storedLine(line);
    EXPECT_LT(stored.size(), FeedbackManager::kMaxStoredLineBytes + 32);
    EXPECT_TRUE(pf::isValidUTF8(stored));
    EXPECT_NE(stored.find("\u2026 (" + std::to_string(line.size()) + " bytes)"), std::string::npos);
  }
  EXPECT_EQ(FeedbackManager::storedLine("short"), "short");
}

TEST_F(FeedbackManagerTest, AlertsNameMissingTitleAndTextAndLogThem)
{
  FeedbackManager manager(*defaults_);
  RecordingAlerts alerts;
  FeedbackManager::setAlertPresenter(&alerts);
  FeedbackManager::showNSAlert(std::nullopt, std::nullopt);
  FeedbackManager::showNSAlert(std::string("Error"), std::string("50% done"));
  FeedbackManager::setAlertPresenter(nullptr);

  ASSERT_EQ(alerts.shown.size(), 2u);
  EXPECT_EQ(alerts.shown[0], std::make_pair(std::string("[no title]"), std::string("[no text]")));
  EXPECT_EQ(messages(), (std::vector<std::string>{"[showNSAlert] '[no title]' - '[no text]'",
                                                  "[showNSAlert] 'Error' - '50% done'"}));
}

}  // namespace
