#include "MorvNode/Interface/HoverImageButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGraphicsDropShadowEffect>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class HoverImageButtonTest : public testing::Test {
protected:
  HoverImageButtonTest()
  {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    button_.setImage(image);
    button_.setHighlightColor(Qt::red);
    button_.resize(16, 16);
    button_.show();
  }

  void enter()
  {
    QEnterEvent event(QPointF(8, 8), QPointF(8, 8), button_.mapToGlobal(QPointF(8, 8)));
    QApplication::sendEvent(&button_, &event);
  }
  void leave()
  {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&button_, &event);
  }
  // The button's own drawing, without the glow (an effect, which offscreen rendering leaves out).
  QImage rendered()
  {
    QGraphicsEffect* effect = button_.graphicsEffect();
    const bool enabled = effect->isEnabled();
    effect->setEnabled(false);
    QImage image(button_.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    button_.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    effect->setEnabled(enabled);
    return image;
  }
  const QGraphicsDropShadowEffect& glow() const
  {
    return *static_cast<const QGraphicsDropShadowEffect*>(button_.graphicsEffect());
  }

  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[1] = {name_};
  QApplication application_{argc_, argv_};
  HoverImageButton button_;
};

TEST_F(HoverImageButtonTest, GlowsWhileThePointerIsOverAndTintsOnlyWhilePressed)
{
  EXPECT_FALSE(glow().isEnabled());
  enter();
  EXPECT_TRUE(button_.isPointerOver());
  EXPECT_TRUE(glow().isEnabled());
  EXPECT_EQ(glow().color().rgb(), QColor(Qt::red).rgb());
  EXPECT_NEAR(glow().color().alphaF(), 0.4, 0.01);
  EXPECT_EQ(glow().blurRadius(), 4.0);
  EXPECT_EQ(rendered().pixelColor(8, 8), QColor(Qt::white));

  int clicks = 0;
  QObject::connect(&button_, &QAbstractButton::clicked, [&clicks] { ++clicks; });
  QTest::mousePress(&button_, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
  EXPECT_TRUE(button_.isPressedDown());
  const QColor tinted = rendered().pixelColor(8, 8);
  EXPECT_GT(tinted.red(), tinted.green()) << "the image takes the red tint";
  QTest::mouseRelease(&button_, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
  EXPECT_FALSE(button_.isPressedDown());
  EXPECT_EQ(clicks, 1);
}

TEST_F(HoverImageButtonTest, LeavingClearsGlowAndPressTogether)
{
  enter();
  QTest::mousePress(&button_, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
  leave();
  EXPECT_FALSE(button_.isPointerOver());
  EXPECT_FALSE(button_.isPressedDown());
  EXPECT_FALSE(glow().isEnabled());
  EXPECT_EQ(rendered().pixelColor(8, 8), QColor(Qt::white));
}

}  // namespace
