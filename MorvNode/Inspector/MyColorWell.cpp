#include "MorvNode/Inspector/MyColorWell.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

QPointer<QColorDialog>& sharedDialog()
{
  // Never destroyed: the application's post routine may read it after static destructors ran.
  static auto* dialog = new QPointer<QColorDialog>();
  return *dialog;
}

// The well the dialog edits; null when none.
QPointer<MyColorWell>& activeWell()
{
  static QPointer<MyColorWell> well;
  return well;
}

void deleteSharedDialog()
{
  delete sharedDialog().data();
}

}  // namespace

MyColorWell::MyColorWell(QWidget* parent) : QWidget(parent)
{
  setCursor(Qt::PointingHandCursor);
}

MyColorWell::~MyColorWell()
{
  if (activeWell() == this) {
    activeWell().clear();
  }
}

QColorDialog* MyColorWell::sharedColorDialog(bool create)
{
  QPointer<QColorDialog>& dialog = sharedDialog();
  if (dialog.isNull() && create) {
    qAddPostRoutine(deleteSharedDialog);
    dialog = new QColorDialog;
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    dialog->setOption(QColorDialog::NoButtons);
    dialog->setModal(false);
    dialog->setWindowTitle(QObject::tr("Colors"));
    QObject::connect(dialog, &QColorDialog::currentColorChanged, dialog, [](const QColor& color) {
      MyColorWell* well = activeWell().data();
      if (well == nullptr || !color.isValid() || color == well->color()) {
        return;
      }
      well->setColor(color);
      emit well->colorChanged(well);
    });
    QObject::connect(dialog, &QDialog::finished, dialog, [] { activeWell().clear(); });
  }
  return dialog.data();
}

void MyColorWell::setColor(const QColor& color)
{
  if (color_ != color) {
    color_ = color;
    update();
  }
}

void MyColorWell::activate()
{
  QColorDialog* dialog = sharedColorDialog(true);
  activeWell() = this;
  {
    const QSignalBlocker quiet(dialog);
    dialog->setCurrentColor(color_);
  }
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  update();
}

void MyColorWell::deactivate()
{
  if (activeWell() == this) {
    activeWell().clear();
  }
  if (QColorDialog* dialog = sharedColorDialog(false)) {
    dialog->hide();
  }
  update();
}

bool MyColorWell::isActive() const
{
  return activeWell() == this;
}

void MyColorWell::mouseReleaseEvent(QMouseEvent* event)
{
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled()) {
    if (isActive()) {
      deactivate();
    } else {
      activate();
    }
  }
  event->accept();
}

void MyColorWell::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  // A checkerboard under translucent colours.
  if (color_.alpha() < 255) {
    painter.fillRect(frame, Qt::white);
    const int cell = 4;
    for (int y = 0; y < height(); y += cell) {
      for (int x = (y / cell) % 2 * cell; x < width(); x += 2 * cell) {
        painter.fillRect(QRect(x, y, cell, cell), QColor(200, 200, 200));
      }
    }
  }
  painter.fillRect(frame.adjusted(2, 2, -2, -2), color_);
  QColor edge = palette().color(isActive() ? QPalette::Highlight : QPalette::Mid);
  painter.setPen(QPen(edge, isActive() ? 2.0 : 1.0));
  painter.drawRoundedRect(frame, 2, 2);
  if (!isEnabled()) {
    painter.fillRect(frame, QColor(128, 128, 128, 96));
  }
}
