#include "Shared/ODDropView/ODDropView.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>

#include "Shared/ODDropView/ODDropViewDelegate.h"

ODDropView::ODDropView(QWidget* parent) : QWidget(parent)
{
  setAcceptDrops(true);
  setAttribute(Qt::WA_TranslucentBackground);
  if (parent != nullptr) {
    fillDefaultExtensions();
  }
}

QStringList ODDropView::supportedBitmapExtensions()
{
  return {"jpg", "jpeg", "bmp", "psd", "tif", "tiff", "png", "gif"};
}

QStringList ODDropView::supportedVectorExtensions()
{
  return {"pdf", "svg", "eps", "ai"};
}

QStringList ODDropView::supportedVideoExtensions()
{
  return {"mov", "mp4", "mpg", "mpeg"};
}

void ODDropView::fillDefaultExtensions()
{
  if (supportedFileExtensions_.isEmpty()) {
    supportedFileExtensions_ = supportedBitmapExtensions() + supportedVectorExtensions();
  }
}

bool ODDropView::event(QEvent* event)
{
  if (event->type() == QEvent::ParentChange && parentWidget() != nullptr) {
    fillDefaultExtensions();
  }
  return QWidget::event(event);
}

void ODDropView::setHighlight(bool highlight)
{
  if (highlight_ != highlight) {
    highlight_ = highlight;
    update();
  }
}

bool ODDropView::dragHasValidFiles(const QMimeData* data) const
{
  if (data == nullptr || !data->hasUrls()) {
    return false;
  }
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty()) {
    return false;
  }
  const QString extension = QFileInfo(urls.first().path()).suffix().toLower();
  return !extension.isEmpty() && supportedFileExtensions_.contains(extension);
}

void ODDropView::dragEnterEvent(QDragEnterEvent* event)
{
  // Every drag that enters highlights the view until it leaves; only a valid one may drop. The
  // enter is accepted in both cases so that the leave arrives.
  setHighlight(true);
  event->accept();
  if (dragHasValidFiles(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->setDropAction(Qt::IgnoreAction);
  }
}

void ODDropView::dragMoveEvent(QDragMoveEvent* event)
{
  if (dragHasValidFiles(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void ODDropView::dragLeaveEvent(QDragLeaveEvent* event)
{
  setHighlight(false);
  event->accept();
}

void ODDropView::dropEvent(QDropEvent* event)
{
  dropLocation_ = mapTo(window(), event->position().toPoint());
  const QMimeData* data = event->mimeData();
  if (dragHasValidFiles(data) && delegate_ != nullptr) {
    delegate_->dropView(this, data->urls().first());
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
  setHighlight(false);
}

void ODDropView::paintEvent(QPaintEvent* event)
{
  QWidget::paintEvent(event);
  if (!highlight_) {
    return;
  }
  QPainter painter(this);
  // Half of the 6-point line falls inside the view.
  painter.setPen(QPen(palette().color(QPalette::Highlight), 6.0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(0, 0, width(), height()));
}
