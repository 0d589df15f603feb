#include "Shared/FeedbackManager/FeedbackManager.h"

#include <mutex>
#include <vector>

#include <gtest/gtest.h>

namespace {

class RecordingAlerts : public AlertPresenter {
public:
  void presentAlert(const std::string& title, const std::string& text) override { shown.emplace_back(title, text); }
  std::vector<std::pair<std::string, std::string>> shown;
};

class LogCapture {
public:
  LogCapture()
  {
    pf::setLogEcho(false);
    pf::setLogSink([this](const std::string& line) {
      const std::lock_guard lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~LogCapture()
  {
    pf::setLogSink(nullptr);
    pf::setLogEcho(true);
  }
  std::vector<std::string> lines()
  {
    const std::lock_guard lock(mutex_);
    return lines_;
  }

private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST(FeedbackManagerAlert, MissingTitleAndTextAreNamedAndLogged)
{
  LogCapture capture;
  RecordingAlerts alerts;
  FeedbackManager::setAlertPresenter(&alerts);
  FeedbackManager::showNSAlert(std::nullopt, std::nullopt);
  FeedbackManager::showNSAlert(std::string("Error"), std::string("50% done"));
  FeedbackManager::setAlertPresenter(nullptr);

  ASSERT_EQ(alerts.shown.size(), 2u);
  EXPECT_EQ(alerts.shown[0], std::make_pair(std::string("[no title]"), std::string("[no text]")));
  const std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[showNSAlert] '[no title]' - '[no text]'");
  EXPECT_EQ(lines[1], "[showNSAlert] 'Error' - '50% done'");  // "%" in the text stays as it is
}

}  // namespace
