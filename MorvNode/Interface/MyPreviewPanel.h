#pragma once

#include <QWidget>

// The floating panel that can hold a document's preview. Escape hides it; closing it tells the
// window, which takes the preview back.
class MyPreviewPanel : public QWidget {
  Q_OBJECT

public:
  explicit MyPreviewPanel(QWidget* parent);

signals:
  void panelClosed();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};
