#include "Shared/SVGView/ODSVGView.h"

#include <filesystem>
#include <fstream>

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include "Shared/SVG/ODSVG.h"
#include "Support/UiTestSupport.h"

namespace {

std::shared_ptr<ODSVG> halfRed()
{
  // Left half red, right half clear, in a square document.
  return ODSVG::initWithSVGString("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\">"
                                  "<rect width=\"5\" height=\"10\" fill=\"red\"/></svg>");
}

class ODSVGViewTest : public testsupport::UiTest {};

TEST_F(ODSVGViewTest, ShowsItsDocumentFittedIntoTheView)
{
  auto* view = new ODSVGView(halfRed(), &window);
  view->setGeometry(0, 0, 100, 100);
  view->setAutoFillBackground(false);
  const QImage shown = view->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(25, 50)), QColor(Qt::red));
  EXPECT_NE(QColor(shown.pixel(75, 50)), QColor(Qt::red));

  // A wide view centres the square document.
  view->setGeometry(0, 0, 200, 100);
  const QImage wide = view->grab().toImage();
  EXPECT_NE(QColor(wide.pixel(25, 50)), QColor(Qt::red));
  EXPECT_EQ(QColor(wide.pixel(75, 50)), QColor(Qt::red));

  view->setSVG(nullptr);
  EXPECT_NE(QColor(view->grab().toImage().pixel(75, 50)), QColor(Qt::red));
}

TEST_F(ODSVGViewTest, LoadsResourcesByName)
{
  const std::filesystem::path directory = std::filesystem::temp_directory_path() / "odsvg-view-resources";
  std::filesystem::create_directories(directory);
  std::ofstream(directory / "half.svg") << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\">"
                                           "<rect width=\"5\" height=\"10\" fill=\"red\"/></svg>";
  ODSVG::setResourceDirectory(directory.string());
  ODSVGView* named = ODSVGView::viewWithSVGNamed("half", &window);
  EXPECT_TRUE(named->SVG());
  auto* byImageName = new ODSVGView(&window);
  byImageName->setImageName("half");
  EXPECT_EQ(byImageName->SVG(), named->SVG());  // the same file, from the cache
  EXPECT_FALSE(ODSVGView::viewWithSVGNamed("missing", &window)->SVG());
  ODSVG::setResourceDirectory("");
  std::filesystem::remove_all(directory);
}

}  // namespace
