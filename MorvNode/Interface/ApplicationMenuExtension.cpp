#include "MorvNode/Interface/ApplicationMenuExtension.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "MorvNode/Interface/ApplicationPanels.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/MVPreviewContainer.h"
#include "MorvNode/Interface/RenderingInformationView.h"

namespace {

// Runs `command` on the application's panels when there are any (tests may have none).
template <class Command>
void connectToPanels(QAction* action, DocumentWindow& window, Command command)
{
  QObject::connect(action, &QAction::triggered, &window, [command] {
    if (ApplicationPanels* panels = ApplicationPanels::shared()) {
      command(*panels);
    }
  });
}

void addWebLink(QMenu* menu, DocumentWindow& window, ApplicationPanels::WebLink link)
{
  QAction* action = menu->addAction(QObject::tr(ApplicationPanels::webLinkInfo(link).title));
  connectToPanels(action, window, [link](ApplicationPanels& panels) { panels.openWebLink(link); });
}

}  // namespace

void ApplicationMenuExtension::install()
{
  DocumentWindow::addMenuExtension([](DocumentWindow& window) { addToWindow(window); });
}

void ApplicationMenuExtension::addToWindow(DocumentWindow& window)
{
  using WebLink = ApplicationPanels::WebLink;
  if (QMenu* nodeMenu = window.menuNamed(QStringLiteral("Node"))) {
    nodeMenu->addSeparator();
    QAction* gridSnap = nodeMenu->addAction(QObject::tr("Snap to Grid"));
    gridSnap->setObjectName(QStringLiteral("gridSnapMenuItem"));
    gridSnap->setCheckable(true);
    gridSnap->setChecked(ApplicationPanels::gridSnapChecked());
    // The check mark is what the store says each time the menu opens (another window may have
    // changed it).
    QObject::connect(nodeMenu, &QMenu::aboutToShow, gridSnap,
                     [gridSnap] { gridSnap->setChecked(ApplicationPanels::gridSnapChecked()); });
    QObject::connect(gridSnap, &QAction::triggered, gridSnap, [gridSnap] {
      ApplicationPanels::toggleGridSnap(!gridSnap->isChecked());
      gridSnap->setChecked(ApplicationPanels::gridSnapChecked());
    });
  }

  if (QMenu* viewMenu = window.menuNamed(QStringLiteral("View"))) {
    // The rendering information sits between the preview and its control strip.
    auto* information = new RenderingInformationView;
    information->setObjectName(QStringLiteral("renderingInformationView"));
    information->hide();
    if (auto* layout = qobject_cast<QVBoxLayout*>(window.previewContainer().layout())) {
      layout->insertWidget(1, information);
    } else {
      information->setParent(&window.previewContainer());
    }
    window.document().nodeController().setStatisticsPanel(information);
    QAction* toggle = viewMenu->addAction(QObject::tr("Show Rendering Information"));
    toggle->setObjectName(QStringLiteral("renderingInfoToggleMenuItem"));
    toggle->setCheckable(true);
    QObject::connect(viewMenu, &QMenu::aboutToShow, toggle,
                     [toggle, information] { toggle->setChecked(!information->isHidden()); });
    QObject::connect(toggle, &QAction::triggered, information, [toggle, information, &window] {
      information->setVisible(information->isHidden());
      toggle->setChecked(!information->isHidden());
      window.document().nodeController().updateStatisticsPanelWithRenderer(nullptr);
    });
  }

  QMenu* windowMenu = window.menuBar()->addMenu(QObject::tr("&Window"));
  windowMenu->setObjectName(QStringLiteral("Window"));
  QAction* minimize = windowMenu->addAction(QObject::tr("Minimize"));
  minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  QObject::connect(minimize, &QAction::triggered, &window, [&window] { window.showMinimized(); });
  QAction* fullscreen = windowMenu->addAction(QObject::tr("Full Screen Preview"));
  fullscreen->setShortcut(QKeySequence::FullScreen);
  connectToPanels(fullscreen, window, [&window](ApplicationPanels& panels) { panels.enterFullscreenPreview(window); });

  QMenu* helpMenu = window.menuBar()->addMenu(QObject::tr("&Help"));
  helpMenu->setObjectName(QStringLiteral("Help"));
  QAction* tips = helpMenu->addAction(QObject::tr("Getting Started Tips"));
  connectToPanels(tips, window, [](ApplicationPanels& panels) { panels.openQuickHelp(); });
  QAction* manual = helpMenu->addAction(QObject::tr("Morvalis Manual"));
  manual->setShortcut(QKeySequence::HelpContents);
  connectToPanels(manual, window, [](ApplicationPanels& panels) { panels.openManual(); });
  QAction* samples = helpMenu->addAction(QObject::tr("Sample Files"));
  connectToPanels(samples, window, [](ApplicationPanels& panels) { panels.openSampleFiles(); });
  QAction* reference = helpMenu->addAction(QObject::tr("Node Reference"));
  reference->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
  connectToPanels(reference, window, [](ApplicationPanels& panels) { panels.openNodeReference(); });
  addWebLink(helpMenu, window, WebLink::TutorialVideos);
  helpMenu->addSeparator();
  addWebLink(helpMenu, window, WebLink::ProductPage);
  addWebLink(helpMenu, window, WebLink::VersionHistory);
  addWebLink(helpMenu, window, WebLink::Development);
  helpMenu->addSeparator();
  QAction* feedback = helpMenu->addAction(QObject::tr("Send Feedback..."));
  connectToPanels(feedback, window, [](ApplicationPanels& panels) { panels.sendFeedback(); });
  QAction* report = helpMenu->addAction(QObject::tr("Technical Information..."));
  connectToPanels(report, window, [](ApplicationPanels& panels) { panels.showTechnicalInformation(); });
  addWebLink(helpMenu, window, WebLink::Support);
  addWebLink(helpMenu, window, WebLink::Privacy);
  addWebLink(helpMenu, window, WebLink::LicenseInformation);
  helpMenu->addSeparator();
  addWebLink(helpMenu, window, WebLink::Products);
  addWebLink(helpMenu, window, WebLink::Home);
  addWebLink(helpMenu, window, WebLink::SocialMedia);
  helpMenu->addSeparator();
  QAction* about = helpMenu->addAction(QObject::tr("About Morvalis"));
  about->setMenuRole(QAction::AboutRole);
  connectToPanels(about, window, [](ApplicationPanels& panels) { panels.openAbout(); });
}
