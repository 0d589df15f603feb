#include "MorvNode/Inspector/MVParameterSocketView.h"

#include <cmath>
#include <memory>

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Support/LogCapture.h"
#include "Support/OffscreenApplication.h"

namespace {

class ParameterSocketViewTest : public testing::Test {
protected:
  ParameterSocketViewTest()
  {
    parameter_->setHasInputSocket(true);
    parameter_->setHasOutputSocket(true);
    parameter_->setupSockets();
    editor_.resize(600, 600);
    node_->setGeometry(100, 50, 200, 300);
    row_->setGeometry(0, 30, 200, 20);
  }

  testsupport::OffscreenApplication application_;
  std::unique_ptr<MVParameterValue> parameter_ = MVParameterValue::parameterWithName("Width");
  QWidget editor_;
  QWidget* node_ = new QWidget(&editor_);
  QWidget* row_ = new QWidget(node_);
};

TEST_F(ParameterSocketViewTest, CentreInEditorCoordinatesAndNearness)
{
  MVParameterSocketView* view = MVParameterSocketView::socketViewAt(0, 8, parameter_->inputSocket(), row_);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->geometry(), QRect(-8, 0, 16, 16));
  EXPECT_EQ(parameter_->inputSocket()->socketView() != nullptr, true);
  const QPointF centre = view->socketCenterInEditorView();
  EXPECT_EQ(centre, QPointF(100, 88));
  EXPECT_TRUE(view->isEditorViewPointNearSocket(centre + QPointF(9.99, 0)));
  EXPECT_FALSE(view->isEditorViewPointNearSocket(centre + QPointF(10.0, 0)));
  EXPECT_FALSE(view->isEditorViewPointNearSocket(centre + QPointF(6.0, 8.0)));  // exactly 10 away
  EXPECT_TRUE(view->isEditorViewPointNearSocket(centre + QPointF(-6.0, 7.9)));
  EXPECT_EQ(view->connectionType(), 0);
}

TEST_F(ParameterSocketViewTest, UnplacedViewAnswersItsOwnCentreWithAWarning)
{
  testsupport::LogCapture log;
  EXPECT_EQ(MVParameterSocketView::socketViewAt(0, 0, nullptr, row_), nullptr);
  MVParameterSocketView* loose = MVParameterSocketView::socketViewAt(20, 20, parameter_->outputSocket(), nullptr);
  std::unique_ptr<MVParameterSocketView> owner(loose);
  EXPECT_EQ(loose->socketCenterInEditorView(), QPointF(20, 20));
  EXPECT_EQ(log.countContaining("socketCenterInEditorView called when socket is not placed two superviews"), 1);
  loose->setSocket(nullptr);
  EXPECT_EQ(loose->connectionType(), 0);
  EXPECT_EQ(log.countContaining("connectionType requested when it has no parameter"), 1);
}

TEST_F(ParameterSocketViewTest, HoverRedrawsOnlyOnChangeAndDrawsTheDot)
{
  MVParameterSocketView* input = MVParameterSocketView::socketViewAt(8, 8, parameter_->inputSocket(), row_);
  const int before = input->displayRequestCount();
  input->setHoverHighlight(false);
  EXPECT_EQ(input->displayRequestCount(), before);
  input->setHoverHighlight(true);
  input->setHoverHighlight(true);
  EXPECT_EQ(input->displayRequestCount(), before + 1);

  // The centre pixel shows the dot colour only while hovered (value sockets: "NodeBackground"
  // dot on an "EditorBackgroundSockets" disc, which differ in both appearances).
  auto centrePixel = [](MVParameterSocketView* view) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view->render(&image);
    return QColor(image.pixel(8, 8));
  };
  const QColor dot = MVInterfaceAssets::color("NodeBackground");
  const QColor disc = MVInterfaceAssets::color("EditorBackgroundSockets");
  auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 12;
  };
  EXPECT_TRUE(near(centrePixel(input), dot));
  input->setHoverHighlight(false);
  EXPECT_TRUE(near(centrePixel(input), disc));
}

}  // namespace
