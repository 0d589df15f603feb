#pragma once

#include <QGraphicsEffect>
#include <QPixmap>
#include <QPoint>

class QWidget;

// Keeps the picture of a node view (the box with all its rows) between paints of the canvas: a
// repaint that crosses the box draws the picture instead of sending a paint event to each of
// the box's widgets, which are drawn anew only after one of them changed.
//
// How a change is seen, two ways, since either alone misses some:
// - A repaint asked for: Qt's effect source puts each picture it draws into the process's
//   QPixmapCache and takes it out when the box or any of its widgets asks for a repaint. The
//   picture kept here shares its pixels with that copy, so it stands alone (QPixmap::isDetached)
//   once the cache has let go. A copy the cache evicts for room only costs one drawing more.
// - A change of layout or state: Qt asks for no repaint of a widget that moves, resizes, shows
//   or hides outside the visible area (a box in the margin being laid out), yet the picture must
//   show it when the box scrolls into view. So every widget of the box is watched for such
//   events (`watch`), and one marks the picture stale.
// Also draws the box at its opacity (half while its node is disabled). Logical (widget)
// coordinates, so that the same picture serves the window and a render() into an image; main
// thread only.
class NodeViewPictureEffect final : public QGraphicsEffect {
  Q_OBJECT

public:
  explicit NodeViewPictureEffect(QObject* parent = nullptr);

  // Watches the box and every widget in it, and those added to it later.
  void watch(QWidget* box);

  double opacity() const { return opacity_; }
  // 0 to 1; repaints the box when it changes.
  void setOpacity(double opacity);
  // How often the box's widgets were drawn into a new picture.
  long long pictureCount() const { return pictureCount_; }
  // Whether the next paint draws the widgets anew.
  bool isStale() const { return stale_ || picture_.isNull() || picture_.isDetached(); }

  bool eventFilter(QObject* watched, QEvent* event) override;

protected:
  void draw(QPainter* painter) override;

private:
  void watchTree(QWidget* widget);

  QPixmap picture_;
  QPoint offset_;  // of the picture's top-left corner, widget coordinates
  double opacity_ = 1.0;
  long long pictureCount_ = 0;
  bool stale_ = true;
};
