#pragma once

#include <QApplication>

namespace testsupport {

// The application object of one interface test (tests run under QT_QPA_PLATFORM=offscreen).
// Make it the first member of a fixture; only one may exist at a time.
class OffscreenApplication {
public:
  OffscreenApplication() = default;
  OffscreenApplication(const OffscreenApplication&) = delete;
  OffscreenApplication& operator=(const OffscreenApplication&) = delete;

private:
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
};

}  // namespace testsupport
