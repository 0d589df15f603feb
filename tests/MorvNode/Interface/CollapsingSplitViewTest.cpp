#include "Shared/LockingSplitView/CollapsingSplitView.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include "Shared/LockingSplitView/CollapsingSplitViewDelegate.h"

namespace {

class RecordingDelegate : public CollapsingSplitViewDelegate {
public:
  void splitViewDidResizeSubviews(CollapsingSplitView&) override { ++resizes; }
  void splitViewDidCollapse(CollapsingSplitView&) override { ++collapses; }
  void splitViewDidExpand(CollapsingSplitView&) override {}
  int resizes = 0;
  int collapses = 0;
};

// A stacked split view 400 points high with a label in each pane.
class CollapsingSplitViewTest : public testing::Test {
protected:
  CollapsingSplitViewTest()
  {
    split_.setFirstViewContent(new QLabel("first"));
    split_.setSecondViewContent(new QLabel("second"));
    split_.resize(300, 400);
    split_.show();
    split_.setDividerPosition(250);
    split_.setResizeDelegate(&delegate_);
  }

  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[1] = {name_};
  QApplication application_{argc_, argv_};
  CollapsingSplitView split_{false, "Main"};
  RecordingDelegate delegate_;
};

TEST_F(CollapsingSplitViewTest, CollapseRemembersTheSizeAndExpandBringsItBack)
{
  const double second = split_.secondViewContent()->height();
  split_.collapseSecondView();
  EXPECT_TRUE(split_.isSecondViewCollapsed());
  EXPECT_EQ(split_.dividerThickness(), 0.0);
  EXPECT_EQ(delegate_.collapses, 1);
  EXPECT_EQ(split_.savedSecondViewSize(), second);
  EXPECT_EQ(split_.description(), "<CollapsingSplitView 'Main' viewStates: Open | Collapsed>");

  // Resizes are not forwarded while a pane is collapsed.
  const int resizes = delegate_.resizes;
  split_.resize(300, 500);
  EXPECT_EQ(delegate_.resizes, resizes);

  // Collapsing twice changes nothing.
  split_.collapseSecondView();
  EXPECT_EQ(delegate_.collapses, 1);

  split_.resize(300, 400);
  split_.expandSecondView();
  EXPECT_FALSE(split_.isCollapsed());
  EXPECT_NEAR(split_.secondViewContent()->height(), second, 1.0);
}

TEST_F(CollapsingSplitViewTest, ExpandingTheFirstPaneWhileTheSecondIsCollapsedFillsTheView)
{
  split_.collapseFirstView();
  split_.collapseSecondView();
  split_.expandFirstView();
  EXPECT_DOUBLE_EQ(split_.savedFirstViewSize(), split_.totalSize());
}

TEST_F(CollapsingSplitViewTest, ExpandingShrinksARememberedSizeToTheFirstMinimum)
{
  split_.setFirstViewMinimumSize(100);
  split_.collapseSecondView();
  split_.loadDescriptionDictionary([] {
    pf::PlistValue::Dictionary state;
    state.set("Second View Saved Size", 390.0);
    return state;
  }());
  split_.expandSecondView();
  EXPECT_DOUBLE_EQ(split_.savedSecondViewSize(), split_.totalSize() - 100.0);
}

TEST_F(CollapsingSplitViewTest, DividerPositionsKeepBothMinimumsAndTheSecondWins)
{
  split_.setFirstViewMinimumSize(100);
  split_.setSecondViewMinimumSize(100);
  split_.resize(300, 150);
  for (double proposed : {0.0, 50.0, 120.0}) {
    SCOPED_TRACE(proposed);
    EXPECT_DOUBLE_EQ(split_.constrainSplitPosition(proposed), 50.0);
  }
}

TEST_F(CollapsingSplitViewTest, StateDictionaryRoundTripsAndLoadingNeverExpands)
{
  split_.collapseSecondView();
  const pf::PlistValue::Dictionary state = split_.descriptionDictionary();
  CollapsingSplitView other(false, "Other");
  other.setFirstViewContent(new QLabel("first"));
  other.setSecondViewContent(new QLabel("second"));
  other.resize(300, 400);
  other.loadDescriptionDictionary(state);
  EXPECT_TRUE(other.isSecondViewCollapsed());
  EXPECT_DOUBLE_EQ(other.savedSecondViewSize(), split_.savedSecondViewSize());

  pf::PlistValue::Dictionary open;
  open.set("Second View Collapsed", false);
  open.set("Divider Location", 1.0);
  other.loadDescriptionDictionary(open);
  EXPECT_TRUE(other.isSecondViewCollapsed());

  CollapsingSplitView empty(false, "Empty");
  empty.setFirstViewContent(new QLabel("only"));
  EXPECT_EQ(empty.description(), "<CollapsingSplitView 'Empty' viewStates: Open | Unknown>");
  EXPECT_FALSE(empty.descriptionDictionary().contains("Second View Collapsed"));
}

}  // namespace
