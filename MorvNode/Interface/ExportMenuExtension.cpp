#include "MorvNode/Interface/ExportMenuExtension.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>

#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Interface/AnimationExportPanel.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/ExportPanel.h"

void ExportMenuExtension::install()
{
  DocumentWindow::addMenuExtension([](DocumentWindow& window) { addToWindow(window); });
}

void ExportMenuExtension::addToWindow(DocumentWindow& window)
{
  QMenu* fileMenu = window.fileMenu();
  QAction* anchor = window.fileMenuExportAnchor();
  if (fileMenu != nullptr) {
    auto* exportFile = new QAction(QObject::tr("Export..."), fileMenu);
    exportFile->setShortcut(QKeySequence(QObject::tr("Ctrl+Shift+E")));
    QObject::connect(exportFile, &QAction::triggered, &window,
                     [&window] { ExportPanel::exportFile(window.document(), &window); });
    auto* exportAgain = new QAction(QObject::tr("Export again"), fileMenu);
    QObject::connect(exportAgain, &QAction::triggered, &window, [&window] { window.document().exportAgain(); });
    auto* exportAnimation = new QAction(QObject::tr("Export Animation..."), fileMenu);
    QObject::connect(exportAnimation, &QAction::triggered, &window,
                     [&window] { AnimationExportPanel::exportAnimation(window.document(), &window); });
    fileMenu->insertAction(anchor, exportFile);
    fileMenu->insertAction(anchor, exportAgain);
    fileMenu->insertAction(anchor, exportAnimation);
    // Export again needs the file of an earlier export.
    QObject::connect(fileMenu, &QMenu::aboutToShow, exportAgain, [&window, exportAgain] {
      exportAgain->setEnabled(window.document().exportPath().has_value());
    });
    exportAgain->setEnabled(window.document().exportPath().has_value());
  }
  if (QMenu* editMenu = window.menuNamed(QStringLiteral("Edit"))) {
    editMenu->addSeparator();
    QAction* vectors = editMenu->addAction(QObject::tr("Copy pattern vectors"));
    QObject::connect(vectors, &QAction::triggered, &window, [&window] { window.document().exportCopy(true); });
    QAction* bitmap = editMenu->addAction(QObject::tr("Copy pattern bitmap"));
    QObject::connect(bitmap, &QAction::triggered, &window, [&window] { window.document().exportCopy(false); });
  }
}
