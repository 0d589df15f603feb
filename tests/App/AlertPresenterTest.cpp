#include "MorvNode/Interface/QtAlertPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

TEST(QtAlertPresenter, ShowsTitleAndTextModally)
{
  int argc = 1;
  char name[] = "ui_tests";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);

  QString seenTitle;
  QString seenText;
  // Dismiss the box once it is up, reading what it shows.
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget)) {
        seenTitle = box->text();
        seenText = box->informativeText();
        box->accept();
      }
    }
  });
  QtAlertPresenter presenter;
  FeedbackManager::setAlertPresenter(&presenter);
  pf::setLogEcho(false);
  FeedbackManager::showNSAlert(std::nullopt, std::string("Something went wrong"));
  pf::setLogEcho(true);
  FeedbackManager::setAlertPresenter(nullptr);
  EXPECT_EQ(seenTitle, "[no title]");
  EXPECT_EQ(seenText, "Something went wrong");
}

}  // namespace
