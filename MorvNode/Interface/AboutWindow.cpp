#include "MorvNode/Interface/AboutWindow.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "MorvNode/Document/MVApplicationResources.h"

AboutWindow::AboutWindow(QWidget* parent)
  : QDialog(parent)
{
  setWindowTitle(tr("About Morvalis"));
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QStringLiteral("<b style='font-size:18pt'>Morvalis</b>"));
  name->setAlignment(Qt::AlignCenter);
  versionField_ = new QLabel;
  versionField_->setAlignment(Qt::AlignCenter);
  versionField_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* text = new QLabel(tr("Generative vector graphics from a graph of nodes."));
  text->setAlignment(Qt::AlignCenter);
  text->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(name);
  layout->addWidget(versionField_);
  layout->addWidget(text);
  layout->addWidget(buttons);
}

void AboutWindow::openAbout()
{
  versionField_->setText(QStringLiteral("v %1").arg(QString::fromStdString(MVApplicationResources::applicationVersion())));
  adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}
