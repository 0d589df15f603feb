#include "MorvNode/Inspector/KeptTextLabel.h"

#include <QImage>
#include <QPalette>
#include <QWidget>

#include <gtest/gtest.h>

#include "Support/OffscreenApplication.h"

namespace {

class KeptTextLabelTest : public testing::Test {
protected:
  testsupport::OffscreenApplication application;
};

// The label as QLabel and as KeptTextLabel, each rendered alone on white.
template <typename Label>
QImage drawn(const QString& text, Qt::Alignment alignment, bool enabled, QSize size = QSize(90, 20))
{
  QWidget host;
  auto* label = new Label(&host);
  label->setText(text);
  label->setAlignment(alignment);
  label->setEnabled(enabled);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(40, 90, 160));
  label->setPalette(palette);
  label->setGeometry(QRect(QPoint(5, 3), size));
  QImage image(100, 26, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  label->render(&image, QPoint(5, 3));
  return image;
}

// Drawn from its kept layout, a label looks as QLabel draws it: each alignment, a disabled label,
// a text wider than the label (clipped), no text.
TEST_F(KeptTextLabelTest, LooksAsQLabelDrawsItsText)
{
  struct Case {
    const char* text;
    Qt::Alignment alignment;
    bool enabled;
  };
  const Case cases[] = {
    {"Width", Qt::AlignLeft | Qt::AlignVCenter, true},
    {"Fill color", Qt::AlignRight | Qt::AlignVCenter, true},
    {"Top layer", Qt::AlignHCenter | Qt::AlignVCenter, true},
    {"Opacity", Qt::AlignLeft | Qt::AlignTop, true},
    {"Opacity", Qt::AlignRight | Qt::AlignBottom, true},
    {"Height", Qt::AlignLeft | Qt::AlignVCenter, false},
    {"A name far longer than the label is wide", Qt::AlignLeft | Qt::AlignVCenter, true},
    {"A name far longer than the label is wide", Qt::AlignRight | Qt::AlignVCenter, true},
    {"", Qt::AlignLeft | Qt::AlignVCenter, true},
  };
  // The text shows at all.
  EXPECT_NE(drawn<KeptTextLabel>("Width", Qt::AlignLeft | Qt::AlignVCenter, true),
            drawn<KeptTextLabel>("", Qt::AlignLeft | Qt::AlignVCenter, true));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.alignment.toInt()) + (c.enabled ? "" : " disabled"));
    EXPECT_EQ(drawn<KeptTextLabel>(c.text, c.alignment, c.enabled), drawn<QLabel>(c.text, c.alignment, c.enabled));
  }
}

TEST_F(KeptTextLabelTest, HandsWhatIsNotOneLineOfPlainTextToQLabel)
{
  KeptTextLabel label;
  label.setText("Width");
  EXPECT_TRUE(label.drawsKeptText());
  label.setText("Two\nlines");
  EXPECT_FALSE(label.drawsKeptText());
  label.setText("<b>Bold</b>");
  EXPECT_FALSE(label.drawsKeptText());
  label.setTextFormat(Qt::PlainText);
  EXPECT_TRUE(label.drawsKeptText());
  label.setWordWrap(true);
  EXPECT_FALSE(label.drawsKeptText());
  label.setWordWrap(false);
  label.setTextInteractionFlags(Qt::TextSelectableByMouse);
  EXPECT_FALSE(label.drawsKeptText());
  label.setTextInteractionFlags(Qt::NoTextInteraction);
  label.setStyleSheet("color: red");
  EXPECT_FALSE(label.drawsKeptText());
  // Shown multi-line text is still drawn by QLabel as before.
  label.setStyleSheet(QString());
  label.setText("Width");
  EXPECT_EQ(drawn<KeptTextLabel>("Two\nlines", Qt::AlignLeft | Qt::AlignVCenter, true, QSize(90, 40)),
            drawn<QLabel>("Two\nlines", Qt::AlignLeft | Qt::AlignVCenter, true, QSize(90, 40)));
}

}  // namespace
