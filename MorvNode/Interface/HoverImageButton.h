#pragma once

#include <QColor>
#include <QImage>
#include <QToolButton>

// An image button that glows in its highlight colour while the pointer is over it and tints
// its image while pressed.
class HoverImageButton : public QToolButton {
  Q_OBJECT

public:
  explicit HoverImageButton(QWidget* parent = nullptr);

  void setImage(QImage image);
  QColor highlightColor() const { return highlightColor_; }
  void setHighlightColor(QColor color);
  bool mouseOverHighlight() const { return mouseOverHighlight_; }
  void setMouseOverHighlight(bool highlight) { mouseOverHighlight_ = highlight; }
  bool isPointerOver() const { return over_; }
  bool isPressedDown() const { return pressed_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void updateShadow();

  QImage image_;
  QColor highlightColor_ = Qt::black;
  bool mouseOverHighlight_ = false;
  bool over_ = false;
  bool pressed_ = false;
};
