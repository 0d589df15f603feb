#include "MorvNode/Interface/FullscreenPreviewPanel.h"

#include <algorithm>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/MVPreviewView.h"

FullscreenPreviewPanel::FullscreenPreviewPanel()
  : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFocusPolicy(Qt::StrongFocus);
}

FullscreenPreviewPanel::~FullscreenPreviewPanel()
{
  disconnect(updates_);
}

void FullscreenPreviewPanel::enterFullscreenPreview(DocumentWindow& window)
{
  if (isVisible()) {
    exitFullscreenPreview();
    return;
  }
  window_ = &window;
  setWindowTitle(tr("%1 preview").arg(window.displayName()));
  MVPreviewView& preview = window.previewView();
  disconnect(updates_);
  updates_ = connect(&preview, &MVPreviewView::patternImageChanged, this, [this] { displayPreviewUpdated(); });
  image_ = preview.patternImage();
  QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  setGeometry(screen != nullptr ? screen->geometry() : QRect());
  showFullScreen();
  raise();
  activateWindow();
  setFocus();
  update();
}

void FullscreenPreviewPanel::displayPreviewUpdated()
{
  if (!isVisible() || !window_) {
    return;
  }
  image_ = window_->previewView().patternImage();
  update();
}

void FullscreenPreviewPanel::exitFullscreenPreview()
{
  disconnect(updates_);
  image_ = QImage();
  if (isVisible()) {
    hide();
  }
  if (DocumentWindow* window = window_) {
    window_ = nullptr;
    window->show();
    window->raise();
    window->activateWindow();
  }
}

void FullscreenPreviewPanel::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window).darker(400));
  if (image_.isNull()) {
    return;
  }
  // The image is in device pixels; its logical size is what the preview shows at its scale.
  QSizeF size = image_.deviceIndependentSize();
  if (size.width() > width() || size.height() > height()) {
    size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
  }
  const QRectF target((width() - size.width()) / 2.0, (height() - size.height()) / 2.0, size.width(), size.height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_);
}

void FullscreenPreviewPanel::keyPressEvent(QKeyEvent* event)
{
  if (event->key() == Qt::Key_Escape) {
    exitFullscreenPreview();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}
