#include "MorvNode/Interface/InterfaceWidgetView.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class InterfaceWidgetViewTest : public testing::Test {
protected:
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[1] = {name_};
  QApplication application_{argc_, argv_};
};

TEST_F(InterfaceWidgetViewTest, OnlyTheChosenCornersAreRounded)
{
  const QRectF box(0, 0, 100, 60);
  struct Case {
    bool topLeft, topRight, bottomLeft, bottomRight;
  };
  for (const Case& c : {Case{true, true, false, false}, Case{false, false, true, true}, Case{true, false, false, true},
                        Case{false, false, false, false}}) {
    SCOPED_TRACE(testing::Message() << c.topLeft << c.topRight << c.bottomLeft << c.bottomRight);
    const QPainterPath path =
        InterfaceWidgetView::pathForRoundedRect(box, 8.5, c.topLeft, c.topRight, c.bottomLeft, c.bottomRight);
    // A point just inside each corner is cut off exactly when that corner is rounded.
    EXPECT_EQ(path.contains(QPointF(0.5, 0.5)), !c.topLeft);
    EXPECT_EQ(path.contains(QPointF(99.5, 0.5)), !c.topRight);
    EXPECT_EQ(path.contains(QPointF(0.5, 59.5)), !c.bottomLeft);
    EXPECT_EQ(path.contains(QPointF(99.5, 59.5)), !c.bottomRight);
    // The edges between the corners stay straight and whole.
    EXPECT_TRUE(path.contains(QPointF(50, 0.5)));
    EXPECT_TRUE(path.contains(QPointF(50, 59.5)));
    EXPECT_EQ(path.boundingRect(), box);
  }
}

TEST_F(InterfaceWidgetViewTest, ColoursComeFromTheTableWithFallbacksForUnknownNames)
{
  InterfaceWidgetView view;
  EXPECT_TRUE(view.color().isValid());
  EXPECT_NE(view.color(), QColor(Qt::white)) << "the table's node background";
  EXPECT_EQ(InterfaceWidgetView::namedColor("NoSuchColour", Qt::white), QColor(Qt::white));
  EXPECT_EQ(InterfaceWidgetView::namedColor("NoSuchColour", Qt::red), QColor(Qt::red));

  // Painted: the fill inside, nothing outside the rounded corner.
  view.setColor(Qt::blue);
  view.setBorderColor(Qt::red);
  view.resize(60, 40);
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_EQ(image.pixelColor(30, 20), QColor(Qt::blue));
  EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}

TEST_F(InterfaceWidgetViewTest, APressStopsAtThePanel)
{
  QWidget parent;
  InterfaceWidgetView view(&parent);
  view.resize(40, 40);
  parent.show();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), view.mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  press.ignore();
  QApplication::sendEvent(&view, &press);
  EXPECT_TRUE(press.isAccepted());
}

}  // namespace
