#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

class DocumentWindow;

// The full-screen preview: a frameless window over the whole screen of a document's window that
// shows the image the document's preview last rendered, centred at the preview's scale (fitted
// when larger than the screen), and follows each new image. Escape or choosing the command again
// leaves full screen. It is linked to at most one document window at a time. Main thread only.
class FullscreenPreviewPanel : public QWidget {
  Q_OBJECT

public:
  FullscreenPreviewPanel();
  ~FullscreenPreviewPanel() override;

  // Shows the window's preview full screen; when already shown, leaves full screen instead.
  void enterFullscreenPreview(DocumentWindow& window);
  // Unlinks the document preview, hides the panel and brings the document window to the front.
  void exitFullscreenPreview();
  // The document preview rendered a new image.
  void displayPreviewUpdated();

  DocumentWindow* documentWindow() const { return window_; }
  const QImage& image() const { return image_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  QPointer<DocumentWindow> window_;  // the linked document's window, while shown
  QMetaObject::Connection updates_;
  QImage image_;
};
