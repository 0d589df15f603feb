#include "MorvNode/Interface/ApplicationPanels.h"

#include <array>
#include <filesystem>
#include <optional>

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Interface/AboutWindow.h"
#include "MorvNode/Interface/DesktopNotificationCenter.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/FeedbackWindow.h"
#include "MorvNode/Interface/MVDocumentController.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Document/MVDocument.h"
#include "Platform/Format.h"
#include "MorvNode/Interface/FullscreenPreviewPanel.h"
#include "MorvNode/Interface/GettingStartedPanel.h"
#include "MorvNode/Interface/NodeReferenceController.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

ApplicationPanels* sharedPanels = nullptr;

ApplicationPanels::UrlOpener& urlOpener()
{
  static ApplicationPanels::UrlOpener opener;
  return opener;
}

constexpr const char* kManualPath = "Application folder files/Morvalis 3 Manual.pdf";
constexpr const char* kSampleFilesPath = "Application folder files/Sample files";

// The maker's site. The addresses complete the alerts' texts as well.
constexpr const char* kSite = "https://www.oradel.example/";
constexpr const char* kProductPage = "https://www.oradel.example/morvalis/";
constexpr const char* kSupportPage = "https://www.oradel.example/support/";
constexpr const char* kSupportText = "There was a problem launching your web browser. To access support go to";

const std::array<ApplicationPanels::WebLinkInfo, 10> kWebLinks = {{
    {"Tutorial Videos", "https://video.oradel.example/morvalis-tutorials",
     "There was a problem launching your web-browser to go to the videos, you should find a link to them at",
     kProductPage},
    {"Morvalis Web Page", kProductPage,
     "There was a problem launching your web-browser to go to the product page, you should find a link to them at",
     kSite},
    {"Oradel Products", "https://www.oradel.example/products/",
     "There was a problem launching your web-browser to go to the products pages, you should find a link to them at",
     kSite},
    {"Oradel Website", kSite, "There was a problem launching your web browser, visit our website at", kSite},
    {"Privacy Policy", "https://www.oradel.example/privacy/", kSupportText, kSupportPage},
    {"License Information", "https://www.oradel.example/morvalis/license/", kSupportText, kSupportPage},
    {"Support", kSupportPage, kSupportText, kSupportPage},
    {"Version History", "https://www.oradel.example/morvalis/versions/",
     "There was a problem launching your web-browser to go to version history pages, you should find a link to them at",
     kProductPage},
    {"Future Development Plans...", "https://www.oradel.example/morvalis/development/",
     "There was a problem launching your web-browser to go to the development pages, you should find a link to them at",
     kProductPage},
    {"Oradel on Social Media", "https://social.oradel.example/oradel",
     "There was a problem launching your web browser to go", "https://social.oradel.example/oradel Oradel twitter page"},
}};

}  // namespace

ApplicationPanels::ApplicationPanels()
{
  sharedPanels = this;
  DesktopNotificationCenter::setActivationHandler(
      [this](const MVUserNotificationCenter::Notification& notification) { notificationActivated(notification); });
}

ApplicationPanels::~ApplicationPanels()
{
  delete gettingStartedPanel_.data();
  delete aboutWindow_.data();
  delete fullscreenPreviewPanel_.data();
  delete feedbackWindow_.data();
  delete nodeReferenceController_.data();
  DesktopNotificationCenter::setActivationHandler(nullptr);
  if (sharedPanels == this) {
    sharedPanels = nullptr;
  }
}

ApplicationPanels* ApplicationPanels::shared()
{
  return sharedPanels;
}

void ApplicationPanels::setUrlOpener(UrlOpener opener)
{
  urlOpener() = std::move(opener);
}

bool ApplicationPanels::openUrl(const QUrl& url)
{
  if (urlOpener()) {
    return urlOpener()(url);
  }
  return QDesktopServices::openUrl(url);
}

// ---- Panels ----

GettingStartedPanel* ApplicationPanels::gettingStartedPanel()
{
  if (!gettingStartedPanel_) {
    gettingStartedPanel_ = new GettingStartedPanel;
  }
  return gettingStartedPanel_;
}

AboutWindow* ApplicationPanels::aboutWindow()
{
  if (!aboutWindow_) {
    aboutWindow_ = new AboutWindow;
  }
  return aboutWindow_;
}

FullscreenPreviewPanel* ApplicationPanels::fullscreenPreviewPanel()
{
  if (!fullscreenPreviewPanel_) {
    fullscreenPreviewPanel_ = new FullscreenPreviewPanel;
  }
  return fullscreenPreviewPanel_;
}

void ApplicationPanels::openQuickHelp()
{
  gettingStartedPanel()->openQuickHelp();
}

void ApplicationPanels::openAbout()
{
  aboutWindow()->openAbout();
}

void ApplicationPanels::enterFullscreenPreview(DocumentWindow& window)
{
  fullscreenPreviewPanel()->enterFullscreenPreview(window);
}

void ApplicationPanels::exitFullscreenPreview()
{
  if (fullscreenPreviewPanel_) {
    fullscreenPreviewPanel_->exitFullscreenPreview();
  }
}

// ---- Node reference ----

NodeReferenceController* ApplicationPanels::nodeReferenceController()
{
  if (!nodeReferenceController_) {
    nodeReferenceController_ = new NodeReferenceController;
  }
  return nodeReferenceController_;
}

void ApplicationPanels::openNodeReference()
{
  nodeReferenceController()->openNodeReference();
}

void ApplicationPanels::showHelpForNodeType(const std::string& nodeClassName)
{
  NodeReferenceController* reference = nodeReferenceController();
  reference->nodeHelpSelectItemForNodeType(nodeClassName);
  reference->openNodeReference();
}

// ---- Resources ----

void ApplicationPanels::openManual()
{
  const std::optional<std::filesystem::path> path = MVApplicationResources::pathForResource(kManualPath);
  const std::string shown = path ? path->string() : std::string(kManualPath);
  if (path && openUrl(QUrl::fromLocalFile(QString::fromStdString(path->string())))) {
    return;
  }
  FeedbackManager::log("WARNING, failed to open manual file at: %@", shown);
  FeedbackManager::showNSAlert("Could not open manual",
                               "Could not find the manual file 'Morvalis 3 Manual.pdf' in the application bundle. "
                               "Please install the latest version of Morvalis again, from the package you installed "
                               "it from or from our web site.");
}

void ApplicationPanels::openSampleFiles()
{
  const std::optional<std::filesystem::path> path = MVApplicationResources::pathForResourceFolder(kSampleFilesPath);
  const std::string shown = path ? path->string() : std::string(kSampleFilesPath);
  if (path && openUrl(QUrl::fromLocalFile(QString::fromStdString(path->string())))) {
    return;
  }
  FeedbackManager::log("WARNING, failed to open sample files folder at: %@", shown);
  FeedbackManager::showNSAlert("Could not find sample files folder",
                               "Could not find the 'Sample files' in the Morvalis application bundle. Please install "
                               "the latest version of Morvalis again, from the package you installed it from or "
                               "from our web site.");
}

// ---- Web pages ----

const ApplicationPanels::WebLinkInfo& ApplicationPanels::webLinkInfo(WebLink link)
{
  return kWebLinks.at(static_cast<std::size_t>(link));
}

void ApplicationPanels::openWebLink(WebLink link)
{
  const WebLinkInfo& info = webLinkInfo(link);
  if (openUrl(QUrl(QString::fromUtf8(info.address)))) {
    return;
  }
  FeedbackManager::showNSAlert("Error launching web browser",
                               std::string(info.failureText) + " " + info.failureAddress);
}

// ---- Toggles ----

void ApplicationPanels::toggleGridSnap(bool currentlyChecked)
{
  pf::UserDefaults::standard().setBool("Snap nodes to grid", !currentlyChecked);
}

bool ApplicationPanels::gridSnapChecked()
{
  return pf::UserDefaults::standard().boolForKey("Snap nodes to grid");
}

// ---- Feedback ----

FeedbackWindow* ApplicationPanels::feedbackWindow()
{
  if (!feedbackWindow_) {
    feedbackWindow_ = new FeedbackWindow;
  }
  return feedbackWindow_;
}

void ApplicationPanels::sendFeedback()
{
  QMessageBox box;
  box.setWindowTitle(QStringLiteral("Feedback technical information"));
  box.setText(QStringLiteral("Feedback technical information"));
  box.setInformativeText(
      QStringLiteral("To report a problem click below to show some useful technical information. To send some other "
                     "comment or idea, you can go ahead and e-mail directly.\n\nIf you want to submit ideas or give "
                     "feedback for future development, also check out the 'Future development plans...'-item in the "
                     "Help menu.\n"));
  QPushButton* mail = box.addButton(QStringLiteral("Send e-mail"), QMessageBox::AcceptRole);
  QPushButton* report = box.addButton(QStringLiteral("Show technical information"), QMessageBox::ActionRole);
  box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.exec();
  if (box.clickedButton() == mail) {
    QByteArray link = QByteArray("mailto:") + TechnicalInformationReport::kSupportAddress;
    link += "?subject=" + QUrl::toPercentEncoding(QStringLiteral("Morvalis 3 feedback"));
    openUrl(QUrl::fromEncoded(link, QUrl::StrictMode));
  } else if (box.clickedButton() == report) {
    showTechnicalInformation();
  }
}

std::string ApplicationPanels::openDocumentsSection()
{
  std::vector<TechnicalInformationReport::OpenDocument> documents;
  if (MVDocumentController* controller = MVDocumentController::shared()) {
    for (const QPointer<DocumentWindow>& window : controller->documentWindows()) {
      if (!window) {
        continue;
      }
      MVDocument& document = window->document();
      MVNodeController& graph = document.nodeController();
      TechnicalInformationReport::OpenDocument entry;
      if (document.fileURL()) {
        entry.fileName = document.fileURL()->filename().string();
      }
      entry.description = pf::format("%ld nodes, %ld connections, artboard %g x %g, file version %@",
                                     static_cast<long>(graph.nodeArray().size()),
                                     static_cast<long>(graph.connectionArray().size()), graph.artboardSize().width,
                                     graph.artboardSize().height,
                                     document.fileVersion().empty() ? "[none]" : document.fileVersion());
      documents.push_back(std::move(entry));
    }
  }
  return TechnicalInformationReport::openDocumentsSection(documents);
}

void ApplicationPanels::showTechnicalInformation()
{
  feedbackWindow()->openFeedbackDialogue(QStringLiteral("Morvalis 3 feedback"),
                                         FeedbackWindow::defaultSources(openDocumentsSection()));
}

void ApplicationPanels::notificationActivated(const MVUserNotificationCenter::Notification& notification)
{
  if (notification.userInfo.empty()) {
    openSampleFiles();
    return;
  }
  DesktopNotificationCenter::notificationActivated(notification);
}
