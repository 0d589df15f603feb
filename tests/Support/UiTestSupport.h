#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/AlertPresenter.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace testsupport {

// Records the alerts shown while installed.
class RecordingAlerts : public AlertPresenter {
public:
  RecordingAlerts() { FeedbackManager::setAlertPresenter(this); }
  ~RecordingAlerts() override { FeedbackManager::setAlertPresenter(nullptr); }
  RecordingAlerts(const RecordingAlerts&) = delete;
  RecordingAlerts& operator=(const RecordingAlerts&) = delete;
  void presentAlert(const std::string& title, const std::string& text) override { alerts.emplace_back(title, text); }
  std::vector<std::pair<std::string, std::string>> alerts;
};

// An offscreen application with one shown window, fresh user defaults with the interface's
// registered keys, and recorded alerts. Widgets under test go into `window`.
class UiTest : public ::testing::Test {
protected:
  UiTest()
  {
    defaults_ = std::make_shared<pf::UserDefaults>(::testing::TempDir() + "ui-test-defaults.plist");
    defaults_->registerDefaults({{"Enable Scroll Wheel Value Editing", pf::PlistValue(true)}});
    pf::UserDefaults::setStandard(defaults_);
    window.resize(400, 300);
  }
  ~UiTest() override
  {
    pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "ui-test-defaults-empty.plist"));
  }

  // Shows the window and makes it the active one, so that focus works offscreen.
  void showWindow()
  {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
  }
  pf::UserDefaults& defaults() { return *defaults_; }

  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  std::shared_ptr<pf::UserDefaults> defaults_;
  RecordingAlerts alerts;
  QWidget window;
};

}  // namespace testsupport
