#pragma once

#include <QWidget>

// The resize grip in a note's bottom-right corner: it shows the diagonal resize cursor and a
// small grip drawing; the canvas does the resizing when a press lands on it.
class DragResizeCornerView : public QWidget {
  Q_OBJECT

public:
  static constexpr int kSize = 14;  // points

  explicit DragResizeCornerView(QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};
