#include "MorvNode/Inspector/WarningsListItemView.h"

#include <vector>

#include <QFrame>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/WarningItemDelegate.h"
#include "Support/UiTestSupport.h"

namespace {

class RecordingList : public WarningItemDelegate {
public:
  void warningItemClicked(WarningsListItemView* item) override { clicked.push_back(item); }
  std::vector<WarningsListItemView*> clicked;
};

class WarningsListItemViewTest : public testsupport::UiTest {
protected:
  WarningsListItemViewTest()
  {
    row = new WarningsListItemView(&window);
    row->resize(200, 60);
    showWindow();
  }
  WarningsListItemView* row = nullptr;  // owned by the window
};

TEST_F(WarningsListItemViewTest, GrowsAndShrinksWithItsTextBelowAFixedTop)
{
  row->setText("Short");
  const int top = row->textLabel()->y();
  const int shortHeight = row->height();
  EXPECT_EQ(row->height(), row->textLabel()->geometry().bottom() + 1 + 10);
  row->setText(QString("A warning that is long enough to need several lines of text in a narrow list. ").repeated(4));
  EXPECT_EQ(row->textLabel()->y(), top);
  EXPECT_GT(row->height(), shortHeight + 30);
  row->setText("Short");
  EXPECT_EQ(row->height(), shortHeight);
}

TEST_F(WarningsListItemViewTest, ADocumentWarningShowsDocumentWithoutIcon)
{
  row->setNode(nullptr);
  EXPECT_EQ(row->nodeTitleLabel()->text(), "Document");
  EXPECT_TRUE(row->nodeTypeLabel()->text().isEmpty());
  EXPECT_EQ(row->nodeTitleLabel()->x(), row->nodeIconView()->x() + 3);
  EXPECT_TRUE(row->nodeIconView()->pixmap().isNull());
}

TEST_F(WarningsListItemViewTest, SelectingTwiceFlashesAndDeselectingHidesAtOnce)
{
  row->setSelected(true);
  EXPECT_TRUE(row->selectionBackground()->isVisible());
  EXPECT_FALSE(row->isFlashing());
  row->setSelected(true);
  EXPECT_TRUE(row->isFlashing());
  row->setSelected(true);
  EXPECT_TRUE(row->isFlashing());
  row->setSelected(false);
  EXPECT_FALSE(row->selectionBackground()->isVisible());
  EXPECT_FALSE(row->isFlashing());
}

TEST_F(WarningsListItemViewTest, ClicksGoToTheDelegateWhenThereIsOne)
{
  QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(20, 20));
  RecordingList list;
  row->setDelegate(&list);
  QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(20, 20));
  ASSERT_EQ(list.clicked.size(), 1u);
  EXPECT_EQ(list.clicked[0], row);
}

}  // namespace
