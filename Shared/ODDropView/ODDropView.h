#pragma once

#include <QPointF>
#include <QStringList>
#include <QWidget>

class ODDropViewDelegate;
class QMimeData;

// A transparent drop target laid over other controls (the file row, the node editor). It takes
// a drag of files when the first file's extension, in lower case, is in its list (only the first
// file counts), draws a highlight frame while any drag hovers over it, remembers where the last
// drop happened and hands the first file to its delegate. Without a delegate it refuses drops.
// Main thread only.
class ODDropView : public QWidget {
  Q_OBJECT

public:
  explicit ODDropView(QWidget* parent = nullptr);

  static QStringList supportedBitmapExtensions();  // jpg jpeg bmp psd tif tiff png gif
  static QStringList supportedVectorExtensions();  // pdf svg eps ai
  static QStringList supportedVideoExtensions();   // mov mp4 mpg mpeg

  // Lower-case extensions; an empty list becomes the bitmap then the vector extensions when the
  // view joins a parent.
  const QStringList& supportedFileExtensions() const { return supportedFileExtensions_; }
  void setSupportedFileExtensions(const QStringList& extensions) { supportedFileExtensions_ = extensions; }
  // Not owned; the owner of the view (the row) outlives it or clears it.
  void setDelegate(ODDropViewDelegate* delegate) { delegate_ = delegate; }
  // Where the last drop happened, in the window's coordinates.
  QPointF dropLocation() const { return dropLocation_; }
  bool highlight() const { return highlight_; }
  // Repaints only when the state changes.
  void setHighlight(bool highlight);

  // Whether the drag's first file has a supported extension.
  bool dragHasValidFiles(const QMimeData* data) const;

protected:
  bool event(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  void fillDefaultExtensions();

  QStringList supportedFileExtensions_;
  ODDropViewDelegate* delegate_ = nullptr;  // not owned
  QPointF dropLocation_;
  bool highlight_ = false;
};
