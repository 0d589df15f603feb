#include "MorvNode/Interface/MVPreviewContainer.h"

#include <QEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "MorvNode/Interface/MVPreviewView.h"

MVPreviewContainer::MVPreviewContainer(QWidget* parent)
  : QWidget(parent)
{
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  scrollArea_ = new QScrollArea(this);
  scrollArea_->setObjectName("previewScrollArea");
  scrollArea_->setWidgetResizable(false);
  scrollArea_->setAlignment(Qt::AlignCenter);
  scrollArea_->setFrameShape(QFrame::NoFrame);
  scrollArea_->setBackgroundRole(QPalette::Dark);
  previewView_ = new MVPreviewView;
  previewView_->setObjectName("previewView");
  previewView_->setScrollArea(scrollArea_);
  scrollArea_->setWidget(previewView_);
  scrollArea_->viewport()->installEventFilter(this);
  layout->addWidget(scrollArea_, 1);
  layout->addWidget(previewView_->makeControlStrip(this));
}

bool MVPreviewContainer::eventFilter(QObject* watched, QEvent* event)
{
  // The canvas follows the visible area.
  if (watched == scrollArea_->viewport() && event->type() == QEvent::Resize) {
    previewView_->resizeView();
  }
  return QWidget::eventFilter(watched, event);
}
