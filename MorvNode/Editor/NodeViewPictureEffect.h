#pragma once

#include <QGraphicsEffect>
#include <QPixmap>
#include <QPoint>

// Keeps the picture of a node view (the box with all its rows) between paints of the canvas: a
// repaint that crosses the box draws the picture instead of sending a paint event to each of
// the box's widgets, which are drawn anew only after one of them asked for a repaint. Also draws
// the box at its opacity (half while its node is disabled).
//
// How a change is seen: Qt's effect source puts each picture it draws into the process's
// QPixmapCache and takes it out as soon as the widget or any of its children asks for a repaint,
// moves or resizes. The picture kept here shares its pixels with that copy, so it stands alone
// (QPixmap::isDetached) exactly once the cache has let go, and is then drawn anew. A copy the
// cache evicts for room only costs one drawing more. Logical (widget) coordinates, so that the
// same picture serves the window and a render() into an image; main thread only.
class NodeViewPictureEffect final : public QGraphicsEffect {
  Q_OBJECT

public:
  explicit NodeViewPictureEffect(QObject* parent = nullptr);

  double opacity() const { return opacity_; }
  // 0 to 1; repaints the box when it changes.
  void setOpacity(double opacity);
  // How often the box's widgets were drawn into a new picture.
  long long pictureCount() const { return pictureCount_; }

protected:
  void draw(QPainter* painter) override;

private:
  QPixmap picture_;
  QPoint offset_;  // of the picture's top-left corner, widget coordinates
  double opacity_ = 1.0;
  long long pictureCount_ = 0;
};
