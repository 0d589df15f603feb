#include "Shared/ODDropView/ODDropView.h"

#include <memory>
#include <vector>

#include <QDragEnterEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include "Shared/ODDropView/ODDropViewDelegate.h"
#include "Support/UiTestSupport.h"

namespace {

class RecordingDropDelegate : public ODDropViewDelegate {
public:
  bool dropView(ODDropView*, const QUrl& droppedFile) override
  {
    dropped.push_back(droppedFile);
    return true;
  }
  std::vector<QUrl> dropped;
};

class ODDropViewTest : public testsupport::UiTest {
protected:
  ODDropViewTest()
  {
    view = new ODDropView(&window);
    view->setGeometry(20, 20, 100, 60);
  }

  static std::unique_ptr<QMimeData> files(const QStringList& paths)
  {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths) {
      urls.append(QUrl::fromLocalFile(path));
    }
    data->setUrls(urls);
    return data;
  }
  // Drags the files in, and drops them unless `leave`; answers whether the enter was taken as
  // a possible drop.
  bool drag(const QStringList& paths, bool leave)
  {
    const auto data = files(paths);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    const bool acceptable = enter.dropAction() != Qt::IgnoreAction;
    EXPECT_TRUE(view->highlight());
    if (leave) {
      QDragLeaveEvent exit;
      QApplication::sendEvent(view, &exit);
    } else {
      QDropEvent drop(QPointF(30, 40), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(view, &drop);
    }
    EXPECT_FALSE(view->highlight());
    return acceptable;
  }

  ODDropView* view = nullptr;  // owned by the window
  RecordingDropDelegate delegate;
};

TEST_F(ODDropViewTest, TakesTheFirstFileByItsLowerCaseExtension)
{
  view->setDelegate(&delegate);
  EXPECT_TRUE(drag({"/tmp/Picture.PNG"}, false));
  EXPECT_FALSE(drag({"/tmp/movie.mov"}, false));
  EXPECT_TRUE(drag({"/tmp/a.svg", "/tmp/b.txt"}, false));
  EXPECT_FALSE(drag({"/tmp/b.txt", "/tmp/a.svg"}, false));
  EXPECT_FALSE(drag({"/tmp/noextension"}, false));
  ASSERT_EQ(delegate.dropped.size(), 2u);
  EXPECT_EQ(delegate.dropped[0].toLocalFile(), "/tmp/Picture.PNG");
  EXPECT_EQ(delegate.dropped[1].toLocalFile(), "/tmp/a.svg");
  EXPECT_EQ(view->dropLocation(), QPointF(50, 60));  // window coordinates
}

TEST_F(ODDropViewTest, AnInvalidDragHighlightsUntilItLeaves)
{
  view->setDelegate(&delegate);
  EXPECT_FALSE(drag({"/tmp/b.txt"}, true));
  EXPECT_TRUE(delegate.dropped.empty());
}

TEST_F(ODDropViewTest, RefusesDropsWithoutDelegateAndKeepsItsOwnList)
{
  drag({"/tmp/a.png"}, false);
  EXPECT_TRUE(delegate.dropped.empty());

  auto* videos = new ODDropView;
  videos->setSupportedFileExtensions(ODDropView::supportedVideoExtensions());
  videos->setParent(&window);
  EXPECT_EQ(videos->supportedFileExtensions(), ODDropView::supportedVideoExtensions());
  EXPECT_EQ(view->supportedFileExtensions(), ODDropView::supportedBitmapExtensions() + ODDropView::supportedVectorExtensions());
}

}  // namespace
