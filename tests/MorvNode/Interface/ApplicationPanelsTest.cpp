#include "MorvNode/Interface/ApplicationPanels.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Interface/AboutWindow.h"
#include "MorvNode/Interface/ApplicationMenuExtension.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/FeedbackWindow.h"
#include "MorvNode/Interface/FullscreenPreviewPanel.h"
#include "MorvNode/Interface/GettingStartedPanel.h"
#include "MorvNode/Interface/MVDocumentController.h"
#include "MorvNode/Interface/NodeReferenceController.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/NodeReferencePage.h"
#include "MorvNode/Interface/QtRunLoop.h"
#include "MorvNode/Interface/RenderingInformationView.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/UserDefaults.h"
#include "Support/LogCapture.h"
#include "Support/OffscreenApplication.h"
#include "Support/UiTestSupport.h"

namespace {

using WebLink = ApplicationPanels::WebLink;

// A local TCP port that nobody listens on (found by binding, then closed again).
int closedLocalPort()
{
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  socklen_t length = sizeof(address);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

// The application's panels on an offscreen application with its preferences, its resources from
// the build tree, a document controller, recorded alerts and the addresses handed to the desktop
// recorded (the desktop answers `desktopOpens`).
class ApplicationPanelsTest : public testing::Test {
protected:
  ApplicationPanelsTest()
  {
    pf::RunLoop::setCurrent(&loop_);
    defaults_ = std::make_shared<pf::UserDefaults>(folder_ / "defaults.plist");
    pf::UserDefaults::setStandard(defaults_);
    PreferenceDefaults::setUpPreferences(*defaults_);
    registerNodeClasses();
    NodeEditorView::registerViewFactories();
    ApplicationPanels::setUrlOpener([this](const QUrl& url) {
      opened.push_back(url);
      return desktopOpens;
    });
  }
  ~ApplicationPanelsTest() override
  {
    controller_.reset();
    panels_.reset();
    ApplicationPanels::setUrlOpener(nullptr);
    MVApplicationResources::setResourceFolderOverride({});
    pf::RunLoop::setCurrent(nullptr);
    std::filesystem::remove_all(folder_);
  }

  // A document window with the application's menus.
  DocumentWindow& newWindow()
  {
    DocumentWindow* window = controller_->newDocument();
    ApplicationMenuExtension::addToWindow(*window);
    return *window;
  }

  static QAction* action(QMenu& menu, const QString& title)
  {
    for (QAction* item : menu.actions()) {
      if (item->text() == title) {
        return item;
      }
    }
    return nullptr;
  }
  static QMenu* menu(DocumentWindow& window, const QString& name)
  {
    return window.menuBar()->findChild<QMenu*>(name);
  }

  testsupport::OffscreenApplication application_;
  QtRunLoop loop_;
  std::filesystem::path folder_ =
      std::filesystem::path(testing::TempDir()) /
      ("panels-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::shared_ptr<pf::UserDefaults> defaults_;
  testsupport::LogCapture log_;
  testsupport::RecordingAlerts alerts_;
  std::unique_ptr<ApplicationPanels> panels_ = std::make_unique<ApplicationPanels>();
  std::unique_ptr<MVDocumentController> controller_ = std::make_unique<MVDocumentController>();
  std::vector<QUrl> opened;
  bool desktopOpens = true;
};

TEST_F(ApplicationPanelsTest, TipsPagesWrapAroundAndAStoredPageOutOfRangeShowsTheFirst)
{
  defaults_->setInteger(GettingStartedPanel::kCurrentPageKey, 99);
  panels_->openQuickHelp();
  GettingStartedPanel& tips = *panels_->gettingStartedPanel();
  ASSERT_TRUE(tips.isVisible());
  const int count = tips.pageCount();
  ASSERT_GE(count, 2);
  EXPECT_EQ(tips.pageLabel()->text(), QString("Page 1 / %1").arg(count));
  EXPECT_FALSE(tips.pageImage().isNull());

  QTest::mouseClick(tips.previousButton(), Qt::LeftButton);
  EXPECT_EQ(tips.pageLabel()->text(), QString("Page %1 / %1").arg(count));
  EXPECT_EQ(defaults_->integerForKey(GettingStartedPanel::kCurrentPageKey), count - 1);
  QTest::mouseClick(tips.nextButton(), Qt::LeftButton);
  EXPECT_EQ(tips.pageLabel()->text(), QString("Page 1 / %1").arg(count));
  QTest::mouseClick(tips.nextButton(), Qt::LeftButton);
  EXPECT_EQ(tips.pageLabel()->text(), QString("Page 2 / %1").arg(count));

  // The check box mirrors the start-up setting both ways.
  EXPECT_TRUE(tips.showAtStartupButton()->isChecked());
  QTest::mouseClick(tips.showAtStartupButton(), Qt::LeftButton);
  EXPECT_FALSE(defaults_->boolForKey(GettingStartedPanel::kShowAtStartupKey));

  tips.close();
  EXPECT_FALSE(tips.isVisible());
  EXPECT_TRUE(alerts_.alerts.empty());
}

TEST_F(ApplicationPanelsTest, MissingTipsDocumentIsLoggedAndThePanelStillOpens)
{
  MVApplicationResources::setResourceFolderOverride(folder_);
  std::filesystem::create_directories(folder_);
  panels_->openQuickHelp();
  EXPECT_TRUE(panels_->gettingStartedPanel()->isVisible());
  EXPECT_EQ(log_.count("Warning, could not load gettingStartedPDFImageRep in gettingStartedUpdateImage"), 1);
  panels_->gettingStartedPanel()->close();
}

TEST_F(ApplicationPanelsTest, HelpMenuOpensAndClosesTheAboutPanelWithTheVersion)
{
  DocumentWindow& window = newWindow();
  QMenu* help = menu(window, "Help");
  ASSERT_NE(help, nullptr);
  QAction* about = action(*help, "About Morvalis");
  ASSERT_NE(about, nullptr);
  about->trigger();
  AboutWindow& panel = *panels_->aboutWindow();
  EXPECT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.versionField()->text(), "v " + QString::fromStdString(MVApplicationResources::applicationVersion()));
  panel.close();
  EXPECT_FALSE(panel.isVisible());
  window.closeWithoutAsking();
}

TEST_F(ApplicationPanelsTest, FullScreenPreviewIsLeftByTheSameCommandAndByEscape)
{
  DocumentWindow& window = newWindow();
  QMenu* windowMenu = menu(window, "Window");
  ASSERT_NE(windowMenu, nullptr);
  QAction* fullscreen = action(*windowMenu, "Full Screen Preview");
  ASSERT_NE(fullscreen, nullptr);
  EXPECT_EQ(fullscreen->shortcut(), QKeySequence(QKeySequence::FullScreen));

  fullscreen->trigger();
  FullscreenPreviewPanel& panel = *panels_->fullscreenPreviewPanel();
  EXPECT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.documentWindow(), &window);
  EXPECT_EQ(panel.windowTitle(), window.displayName() + " preview");
  fullscreen->trigger();
  EXPECT_FALSE(panel.isVisible());
  EXPECT_EQ(panel.documentWindow(), nullptr);

  fullscreen->trigger();
  ASSERT_TRUE(panel.isVisible());
  QTest::keyClick(&panel, Qt::Key_Escape);
  EXPECT_FALSE(panel.isVisible());
  window.closeWithoutAsking();
}

TEST_F(ApplicationPanelsTest, WebLinksOpenTheirPageOrShowTheBrowserAlert)
{
  for (const bool opens : {true, false}) {
    for (int index = 0; index <= static_cast<int>(WebLink::SocialMedia); ++index) {
      const auto link = static_cast<WebLink>(index);
      const ApplicationPanels::WebLinkInfo& info = ApplicationPanels::webLinkInfo(link);
      SCOPED_TRACE(std::string(info.title) + (opens ? " opens" : " fails"));
      desktopOpens = opens;
      opened.clear();
      alerts_.alerts.clear();
      panels_->openWebLink(link);
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened.front(), QUrl(QString::fromUtf8(info.address)));
      if (opens) {
        EXPECT_TRUE(alerts_.alerts.empty());
      } else {
        ASSERT_EQ(alerts_.alerts.size(), 1u);
        EXPECT_EQ(alerts_.alerts.front().first, "Error launching web browser");
        EXPECT_EQ(alerts_.alerts.front().second, std::string(info.failureText) + " " + info.failureAddress);
      }
    }
  }
}

TEST_F(ApplicationPanelsTest, ManualAndSampleFilesOpenFromTheResourcesOrAlert)
{
  panels_->openManual();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened.front().isLocalFile());
  EXPECT_TRUE(std::filesystem::is_regular_file(opened.front().toLocalFile().toStdString()));
  EXPECT_TRUE(opened.front().toLocalFile().endsWith("Application folder files/Morvalis 3 Manual.pdf"));

  MVApplicationResources::setResourceFolderOverride(folder_);
  std::filesystem::create_directories(folder_);
  opened.clear();
  panels_->openManual();
  panels_->openSampleFiles();
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(alerts_.alerts.size(), 2u);
  EXPECT_EQ(alerts_.alerts[0].first, "Could not open manual");
  EXPECT_EQ(alerts_.alerts[1].first, "Could not find sample files folder");
  EXPECT_EQ(log_.count("WARNING, failed to open manual file at: Application folder files/Morvalis 3 Manual.pdf"), 1);
  EXPECT_EQ(log_.count("WARNING, failed to open sample files folder at: Application folder files/Sample files"), 1);

  // A click on a notification without user information shows the sample files.
  std::filesystem::create_directories(folder_ / "Application folder files" / "Sample files");
  panels_->notificationActivated({"Export finished", "", {}});
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened.front().toLocalFile().endsWith("Sample files"));
}

TEST_F(ApplicationPanelsTest, GridSnapItemTogglesTheStoredSettingAndFollowsIt)
{
  DocumentWindow& window = newWindow();
  QMenu* nodeMenu = window.menuNamed("Node");
  ASSERT_NE(nodeMenu, nullptr);
  QAction* gridSnap = nodeMenu->findChild<QAction*>("gridSnapMenuItem");
  ASSERT_NE(gridSnap, nullptr);
  ASSERT_FALSE(defaults_->boolForKey("Snap nodes to grid"));
  gridSnap->trigger();
  EXPECT_TRUE(defaults_->boolForKey("Snap nodes to grid"));
  EXPECT_TRUE(gridSnap->isChecked());
  gridSnap->trigger();
  EXPECT_FALSE(defaults_->boolForKey("Snap nodes to grid"));
  // Changed elsewhere: the mark follows when the menu opens.
  defaults_->setBool("Snap nodes to grid", true);
  emit nodeMenu->aboutToShow();
  EXPECT_TRUE(gridSnap->isChecked());
  window.closeWithoutAsking();
}

TEST_F(ApplicationPanelsTest, RenderingInformationItemShowsTheStatisticsAndFollowsTheView)
{
  DocumentWindow& window = newWindow();
  QMenu* viewMenu = window.menuNamed("View");
  ASSERT_NE(viewMenu, nullptr);
  QAction* toggle = viewMenu->findChild<QAction*>("renderingInfoToggleMenuItem");
  auto* information = window.findChild<RenderingInformationView*>("renderingInformationView");
  ASSERT_NE(toggle, nullptr);
  ASSERT_NE(information, nullptr);
  EXPECT_TRUE(information->isHidden());
  EXPECT_EQ(window.document().nodeController().statisticsPanel(), information);
  toggle->trigger();
  EXPECT_FALSE(information->isHidden());
  EXPECT_TRUE(toggle->isChecked());
  EXPECT_TRUE(information->text().contains("generation")) << information->text().toStdString();
  information->hide();
  emit viewMenu->aboutToShow();
  EXPECT_FALSE(toggle->isChecked());
  window.closeWithoutAsking();
}

TEST_F(ApplicationPanelsTest, TechnicalInformationCompletesWithoutANetworkAndCopiesAndMailsIt)
{
  DocumentWindow& window = newWindow();
  FeedbackWindow& feedback = *panels_->feedbackWindow();
  TechnicalInformationReport::Sources sources = FeedbackWindow::defaultSources(ApplicationPanels::openDocumentsSection());
  const int port = closedLocalPort();
  sources.serverHost = "127.0.0.1";
  sources.serverPort = port;
  sources.secondServerHost = "127.0.0.1";
  sources.secondServerPort = port;
  sources.networkTimeout = 0.5;
  feedback.openFeedbackDialogue("Morvalis 3 feedback", sources);
  EXPECT_TRUE(feedback.isVisible());
  EXPECT_TRUE(feedback.isGathering());
  ASSERT_TRUE(QTest::qWaitFor([&feedback] { return !feedback.isGathering(); }, 30000));
  EXPECT_TRUE(feedback.loadingLabel()->isHidden());
  const QString text = feedback.text();
  for (const char* part : {"----- Application and system details -----", "Morvalis v",
                           "----- Open document information -----\nNew untitled document\n",
                           "WARNING: Problem contacting 127.0.0.1 server.", "Proxy server also unreachable.",
                           "----- Installation status -----", "Console messages"}) {
    EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
  }

  QTest::mouseClick(feedback.copyButton(), Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text(), text);
  QTest::mouseClick(feedback.emailButton(), Qt::LeftButton);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened.front().scheme(), "mailto");
  const QString mail = opened.front().toString(QUrl::FullyEncoded);
  EXPECT_TRUE(mail.startsWith("mailto:support@oradel.example?subject=Morvalis%203%20feedback&body=")) << mail.toStdString();
  // The body survives the link unchanged (it is short enough here), line breaks and all.
  const QString body = QUrl::fromPercentEncoding(mail.section("&body=", 1).toUtf8());
  EXPECT_EQ(body, text);

  feedback.close();
  EXPECT_FALSE(feedback.isVisible());
  window.closeWithoutAsking();
}

TEST_F(ApplicationPanelsTest, NodeReferenceShowsTheTypeOfADocumentAndItsSampleLinksOpenDocuments)
{
  panels_->showHelpForNodeType("RepeatRadialNode");
  NodeReferenceController& reference = *panels_->nodeReferenceController();
  ASSERT_TRUE(reference.isVisible());
  EXPECT_EQ(reference.selectedNodeType(), "RepeatRadialNode");
  ASSERT_NE(reference.demoNode(), nullptr);
  EXPECT_EQ(reference.demoNode()->className(), "RepeatRadialNode");
  EXPECT_TRUE(reference.demoNode()->referenceMode());
  EXPECT_EQ(reference.demoNode()->nodeId(), "Reference Demo Node");
  const QString page = reference.pageView()->toHtml();
  EXPECT_TRUE(page.contains("Sample files using with this node")) << page.toStdString();

  // Choosing another type replaces the demo node.
  reference.nodeHelpSelectItemForNodeType("ElementShapeNode");
  ASSERT_NE(reference.demoNode(), nullptr);
  EXPECT_EQ(reference.demoNode()->className(), "ElementShapeNode");
  EXPECT_EQ(reference.nodeController().nodeArray().size(), 1u);

  const std::vector<MVSampleFileCatalogue::Record> samples = reference.sampleFiles().sampleFilesUsingNodeType("ElementShapeNode");
  ASSERT_FALSE(samples.empty());
  const QString before = reference.pageView()->toHtml();
  reference.linkActivated(QUrl(QString::fromStdString("xxxx://" + NodeReferencePage::percentEncodedPath(samples.front().path.string()))));
  DocumentWindow* sampleWindow = controller_->windowForPath(samples.front().path.string());
  ASSERT_NE(sampleWindow, nullptr);
  EXPECT_EQ(reference.pageView()->toHtml(), before);
  // Other links go to the desktop.
  reference.linkActivated(QUrl("https://www.oradel.example/"));
  EXPECT_EQ(opened.size(), 1u);

  sampleWindow->closeWithoutAsking();
  reference.close();
  EXPECT_FALSE(reference.isVisible());
  EXPECT_TRUE(alerts_.alerts.empty());
}

TEST_F(ApplicationPanelsTest, NodeReferenceOutlineHoldsTheMenuItemsTheArtboardFirst)
{
  panels_->showHelpForNodeType("ElementShapeNode");
  NodeReferenceController& reference = *panels_->nodeReferenceController();
  const QTreeWidget& outline = *reference.outlineView();
  ASSERT_GT(outline.topLevelItemCount(), 1);
  // A node type without a category is a row of its own, which can be chosen.
  const QTreeWidgetItem& artboard = *outline.topLevelItem(0);
  EXPECT_EQ(artboard.text(0), "Artboard Node");
  EXPECT_EQ(artboard.childCount(), 0);
  EXPECT_TRUE(artboard.flags() & Qt::ItemIsSelectable);
  EXPECT_EQ(outline.topLevelItem(1)->text(0), "Element nodes");
  EXPECT_FALSE(outline.topLevelItem(1)->flags() & Qt::ItemIsSelectable);

  for (const char* type : {"ArtboardNode", "RepeatGridNode", "ArtboardNode"}) {
    panels_->showHelpForNodeType(type);
    EXPECT_EQ(reference.selectedNodeType(), type);
    ASSERT_NE(reference.demoNode(), nullptr);
    EXPECT_EQ(reference.demoNode()->className(), type);
  }
  reference.close();
}

}  // namespace
