#include "MorvNode/Inspector/KeptTextLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextDocument>

bool KeptTextLabel::drawsKeptText() const
{
  const QString label = text();
  if (label.isEmpty() || wordWrap() || buddy() != nullptr || frameWidth() != 0 || margin() != 0 || indent() > 0 ||
      testAttribute(Qt::WA_StyleSheet) || !pixmap().isNull() || movie() != nullptr) {
    return false;
  }
  if (textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable)) {
    return false;
  }
  if (textFormat() == Qt::RichText || textFormat() == Qt::MarkdownText ||
      (textFormat() == Qt::AutoText && Qt::mightBeRichText(label))) {
    return false;
  }
  return !label.contains(QLatin1Char('\n')) && !label.contains(QChar::LineSeparator) &&
         !label.contains(QChar::ParagraphSeparator);
}

void KeptTextLabel::paintEvent(QPaintEvent* event)
{
  if (!drawsKeptText()) {
    QLabel::paintEvent(event);
    return;
  }
  const QString label = text();
  if (kept_.text() != label || keptFont_ != font()) {
    kept_.setText(label);
    kept_.setTextFormat(Qt::PlainText);
    kept_.setPerformanceHint(QStaticText::AggressiveCaching);
    kept_.prepare(QTransform(), font());
    keptFont_ = font();
  }
  // Placed as QLabel places its text: aligned within the contents, clipped to them, in the
  // colour of its role for the label's state (a disabled label in the disabled colour).
  QStyleOption option;
  option.initFrom(this);
  const QRect area = contentsRect();
  const QSizeF size = kept_.size();
  const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
  double x = area.left();
  if (align & Qt::AlignRight) {
    x = area.left() + area.width() - size.width();
  } else if (align & Qt::AlignHCenter) {
    x = area.left() + (area.width() - size.width()) / 2.0;
  }
  double y = area.top() + (area.height() - size.height()) / 2.0;
  if (align & Qt::AlignTop) {
    y = area.top();
  } else if (align & Qt::AlignBottom) {
    y = area.top() + area.height() - size.height();
  }
  QPainter painter(this);
  painter.setClipRect(area);
  painter.setFont(font());
  painter.setPen(QPen(option.palette.brush(foregroundRole()), 1.0));
  painter.drawStaticText(QPointF(x, y), kept_);
}
