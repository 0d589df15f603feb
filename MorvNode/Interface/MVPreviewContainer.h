#pragma once

#include <QWidget>

class MVPreviewView;
class QScrollArea;

// The preview area of a document window: the preview view in its scroll area above the control
// strip. The window moves the whole container between its bottom split view and the separate
// preview panel.
class MVPreviewContainer : public QWidget {
  Q_OBJECT

public:
  explicit MVPreviewContainer(QWidget* parent = nullptr);

  MVPreviewView& previewView() const { return *previewView_; }
  QScrollArea& scrollArea() const { return *scrollArea_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QScrollArea* scrollArea_ = nullptr;    // child
  MVPreviewView* previewView_ = nullptr;  // owned by the scroll area
};
