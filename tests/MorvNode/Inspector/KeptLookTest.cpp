#include "MorvNode/Inspector/KeptLook.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/KeptCheckBox.h"
#include "MorvNode/Inspector/KeptToolButton.h"
#include "Support/OffscreenApplication.h"

namespace {

class KeptLookTest : public testing::Test {
protected:
  testsupport::OffscreenApplication application;
};

// `flags` as render() takes them: by default with the window's background.
QImage shot(QWidget& widget, QWidget::RenderFlags flags = QWidget::DrawWindowBackground | QWidget::DrawChildren)
{
  QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  widget.render(&image, QPoint(), QRegion(), flags);
  return image;
}

// The largest difference of one colour channel between two pictures of one size (the kept
// picture is drawn on a transparent ground, so antialiased edges may round apart by one).
int largestDifference(const QImage& a, const QImage& b)
{
  if (a.size() != b.size()) {
    return 255;
  }
  int largest = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  }
  return largest;
}

// A kept control and the plain Qt one, put through the same changes one after another: after
// each, the kept one looks as the plain one does (it never shows the look of an earlier state).
template <typename Kept, typename Plain>
void expectFollows(const std::vector<std::pair<std::string, std::function<void(QAbstractButton&)>>>& changes)
{
  Kept kept;
  Plain plain;
  for (QAbstractButton* button : {static_cast<QAbstractButton*>(&kept), static_cast<QAbstractButton*>(&plain)}) {
    button->setText("Enabled");
    button->resize(90, 22);
  }
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    change(kept);
    change(plain);
    const QImage expected = shot(plain);
    EXPECT_LE(largestDifference(shot(kept), expected), 1);
    EXPECT_LE(largestDifference(shot(kept), expected), 1);  // the kept picture, drawn again
  }
}

TEST_F(KeptLookTest, CheckBoxFollowsEachChangeOfItsLook)
{
  ASSERT_TRUE(KeptLook::isStyleKeepable(KeptCheckBox()));
  expectFollows<KeptCheckBox, QCheckBox>({
    {"as made", [](QAbstractButton&) {}},
    {"checked", [](QAbstractButton& b) { b.setChecked(true); }},
    {"unchecked", [](QAbstractButton& b) { b.setChecked(false); }},
    {"partly", [](QAbstractButton& b) { static_cast<QCheckBox&>(b).setCheckState(Qt::PartiallyChecked); }},
    {"disabled", [](QAbstractButton& b) { b.setEnabled(false); }},
    {"enabled and checked", [](QAbstractButton& b) { b.setEnabled(true); b.setChecked(true); }},
    {"other text", [](QAbstractButton& b) { b.setText("Visible"); }},
    {"larger font", [](QAbstractButton& b) { QFont f = b.font(); f.setPointSizeF(f.pointSizeF() + 3); b.setFont(f); }},
    {"other colours", [](QAbstractButton& b) {
       QPalette p = b.palette();
       p.setColor(QPalette::Base, QColor(60, 60, 64));
       p.setColor(QPalette::WindowText, QColor(230, 200, 40));
       b.setPalette(p);
     }},
    {"wider", [](QAbstractButton& b) { b.resize(120, 22); }},
    {"right to left", [](QAbstractButton& b) { b.setLayoutDirection(Qt::RightToLeft); }},
    {"under a style sheet", [](QAbstractButton& b) { b.setStyleSheet("QCheckBox { color: #c03030; }"); }},
  });
}

TEST_F(KeptLookTest, ToolButtonFollowsEachChangeOfItsLook)
{
  QPixmap icon(12, 12);
  icon.fill(QColor(20, 140, 90));
  QPixmap other(12, 12);
  other.fill(QColor(200, 60, 20));
  expectFollows<KeptToolButton, QToolButton>({
    {"as made", [](QAbstractButton&) {}},
    {"icon", [&](QAbstractButton& b) { b.setIcon(QIcon(icon)); }},
    {"other icon", [&](QAbstractButton& b) { b.setIcon(QIcon(other)); }},
    {"checked", [](QAbstractButton& b) { b.setCheckable(true); b.setChecked(true); }},
    {"raised only under the pointer", [](QAbstractButton& b) { static_cast<QToolButton&>(b).setAutoRaise(true); }},
    {"text beside the icon", [](QAbstractButton& b) {
       static_cast<QToolButton&>(b).setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
     }},
    {"arrow", [](QAbstractButton& b) { static_cast<QToolButton&>(b).setArrowType(Qt::DownArrow); }},
    {"disabled", [](QAbstractButton& b) { b.setEnabled(false); }},
    {"narrower", [](QAbstractButton& b) { b.resize(40, 22); }},
  });
}

// A widget that draws a square in the colour its key names, counting how often it draws.
class KeyedWidget : public QWidget {
public:
  QColor color = Qt::red;
  int draws = 0;

protected:
  void paintEvent(QPaintEvent*) override
  {
    KeptLook::Key key(u'k');
    key.add(color.rgba()).add(QString("square"));
    KeptLook::paint(*this, key, [this](QPainter& painter) {
      ++draws;
      painter.fillRect(QRect(2, 2, 6, 6), color);
    });
  }
};

TEST_F(KeptLookTest, DrawsEachLookOnceAndPaintsItsPictureAfter)
{
  KeyedWidget widget;
  widget.resize(10, 10);
  const QImage red = shot(widget, {});
  EXPECT_EQ(red.pixelColor(4, 4), QColor(Qt::red));
  EXPECT_EQ(red.pixelColor(0, 0), QColor(Qt::white));  // what lies outside is not painted over
  shot(widget);
  EXPECT_EQ(widget.draws, 1);

  widget.color = Qt::blue;
  EXPECT_EQ(shot(widget).pixelColor(4, 4), QColor(Qt::blue));
  EXPECT_EQ(widget.draws, 2);
  widget.resize(12, 10);  // the size is part of the look
  shot(widget);
  EXPECT_EQ(widget.draws, 3);

  // Another widget of the same look and size shares the picture.
  KeyedWidget twin;
  twin.color = Qt::blue;
  twin.resize(12, 10);
  EXPECT_EQ(shot(twin).pixelColor(4, 4), QColor(Qt::blue));
  EXPECT_EQ(twin.draws, 0);
}

TEST_F(KeptLookTest, TextsOfAKeyCannotRunIntoEachOther)
{
  EXPECT_NE(KeptLook::Key(u'x').add(QString("ab")).add(QString("c")).text(),
            KeptLook::Key(u'x').add(QString("a")).add(QString("bc")).text());
  EXPECT_NE(KeptLook::Key(u'x').add(1.0).text(), KeptLook::Key(u'x').add(2.0).text());
  EXPECT_NE(KeptLook::Key(u'x').add(std::int64_t{1} << 40).text(), KeptLook::Key(u'x').add(std::int64_t{1}).text());
}

}  // namespace
