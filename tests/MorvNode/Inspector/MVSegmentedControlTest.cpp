#include "MorvNode/Inspector/MVSegmentedControl.h"

#include <QPainter>
#include <QApplication>
#include <QToolButton>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Interface/InterfaceHelper.h"
#include "Support/OffscreenApplication.h"

namespace {

// A 20-point icon at two pixels per point: a disc in `color`.
QPixmap disc(const QColor& color)
{
  QPixmap pixmap(40, 40);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawEllipse(QRectF(4, 4, 32, 32));
  return pixmap;
}

// The colour in the middle of the segment's icon as the button would draw it.
QColor shownColor(const MVSegmentedControl& control, int segment)
{
  const QImage shown = control.segment(segment)->icon().pixmap(QSize(18, 18)).toImage();
  return shown.pixelColor(shown.width() / 2, shown.height() / 2);
}

// Black-only icons are templates: they take the button text colour of the palette in force and
// follow a switch between the dark and the light palette; coloured icons keep their colours.
TEST(MVSegmentedControlTest, TemplateIconsFollowThePalette)
{
  testsupport::OffscreenApplication application;
  EXPECT_TRUE(InspectorImages::isTemplateImage(disc(Qt::black).toImage()));
  EXPECT_FALSE(InspectorImages::isTemplateImage(disc(Qt::red).toImage()));
  EXPECT_FALSE(InspectorImages::isTemplateImage(QImage()));

  InterfaceHelper::setInterfaceMode(2);
  QWidget row;
  auto& control = *new MVSegmentedControl(2, MVSegmentedControl::Tracking::SelectOne, &row);
  control.setIcon(0, disc(Qt::black), 18);
  control.setIcon(1, disc(Qt::red), 18);
  EXPECT_GT(shownColor(control, 0).lightness(), 180);
  EXPECT_EQ(shownColor(control, 1).rgb(), QColor(Qt::red).rgb());

  InterfaceHelper::setInterfaceMode(1);
  QApplication::processEvents();  // the palette reaches the widgets in posted events
  EXPECT_LT(shownColor(control, 0).lightness(), 60);
  EXPECT_EQ(shownColor(control, 1).rgb(), QColor(Qt::red).rgb());
  InterfaceHelper::setInterfaceMode(0);
}

}  // namespace
