#include "MorvNode/Interface/ODMenuButton.h"

#include <memory>
#include <vector>

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

namespace {

class CountingDelegate : public ODMenuButtonMenuDelegate {
public:
  QMenu* menuForButton(ODMenuButton&) override
  {
    menus.push_back(std::make_unique<QMenu>());
    return menus.back().get();
  }
  std::vector<std::unique_ptr<QMenu>> menus;
};

class ODMenuButtonTest : public testing::Test {
protected:
  ODMenuButtonTest()
  {
    button_.setText("Display");
    button_.resize(90, 24);
    button_.show();
  }

  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[1] = {name_};
  QApplication application_{argc_, argv_};
  ODMenuButton button_;
};

TEST_F(ODMenuButtonTest, TheMenuOpensBelowTheButtonOnPress)
{
  QMenu menu;
  menu.addAction("Show Repetitions");
  button_.setPopUpMenu(&menu);
  EXPECT_TRUE(button_.drawsChevron());
  QTest::mousePress(&button_, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_TRUE(menu.isVisible()) << "on press, without a release";
  EXPECT_EQ(menu.pos().y(), button_.mapToGlobal(QPoint(0, button_.height() + 3)).y());
  menu.close();
  button_.setShowChevron(false);
  EXPECT_FALSE(button_.drawsChevron());
}

TEST_F(ODMenuButtonTest, ADelegateGivesAFreshMenuOnEveryPress)
{
  CountingDelegate delegate;
  button_.setMenuDelegate(&delegate);
  EXPECT_TRUE(button_.drawsChevron());
  for (int press = 1; press <= 2; ++press) {
    QTest::mousePress(&button_, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    ASSERT_EQ(delegate.menus.size(), static_cast<std::size_t>(press));
    EXPECT_EQ(button_.popUpMenu(), delegate.menus.back().get());
    button_.popUpMenu()->close();
  }
  button_.setMenuDelegate(nullptr);
}

TEST_F(ODMenuButtonTest, WithoutAnyMenuThePressIsOnlyLogged)
{
  testsupport::LogCapture log;
  EXPECT_FALSE(button_.drawsChevron());
  QTest::mousePress(&button_, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_EQ(log.count("Warning, <ODMenuButton 'Display'> pressed with no menu"), 1);
  EXPECT_FALSE(button_.isDown());
}

}  // namespace
