#include "MorvNode/Interface/MyPreviewPanel.h"

#include <QKeyEvent>
#include <QVBoxLayout>

MyPreviewPanel::MyPreviewPanel(QWidget* parent)
  : QWidget(parent, Qt::Tool)
{
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  resize(520, 480);
}

void MyPreviewPanel::keyPressEvent(QKeyEvent* event)
{
  if (event->key() == Qt::Key_Escape) {
    hide();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void MyPreviewPanel::closeEvent(QCloseEvent* event)
{
  QWidget::closeEvent(event);
}

void MyPreviewPanel::hideEvent(QHideEvent* event)
{
  QWidget::hideEvent(event);
  // Hidden by Escape, by its close button or by the window (not by minimising the desktop):
  // the preview goes back.
  if (!event->spontaneous()) {
    emit panelClosed();
  }
}
