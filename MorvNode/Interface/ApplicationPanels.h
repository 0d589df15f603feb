#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QPointer>

#include "MorvNode/Document/MVUserNotificationCenter.h"
#include "MorvNode/Model/NodeHelpProvider.h"

class AboutWindow;
class FeedbackWindow;
class DocumentWindow;
class FullscreenPreviewPanel;
class GettingStartedPanel;
class NodeReferenceController;
class QUrl;

// The application-wide panels and the Help menu's destinations, on behalf of the document
// controller: the getting-started tips, the about panel, the full-screen preview, the manual and
// the sample files of the application's resources, and the maker's web pages opened in the
// desktop's browser, and the node reference, where documents show the help of a node. Panels are made on first use and owned here. There is no software updater
// on Linux, so there is no update reminder either. Main thread only.
class ApplicationPanels : public QObject, public NodeHelpProvider {
  Q_OBJECT

public:
  ApplicationPanels();
  ~ApplicationPanels() override;

  // The one instance while it exists; nullptr otherwise.
  static ApplicationPanels* shared();

  // How addresses reach the desktop (QDesktopServices::openUrl); tests record them instead.
  // false when the desktop could not open the address.
  using UrlOpener = std::function<bool(const QUrl& url)>;
  static void setUrlOpener(UrlOpener opener);
  static bool openUrl(const QUrl& url);

  // ---- Panels ----
  void openQuickHelp();
  void openAbout();
  // Shows the window's preview full screen, or leaves full screen when it is shown already.
  void enterFullscreenPreview(DocumentWindow& window);
  void exitFullscreenPreview();
  GettingStartedPanel* gettingStartedPanel();
  AboutWindow* aboutWindow();
  FullscreenPreviewPanel* fullscreenPreviewPanel();

  // ---- Node reference ----
  void openNodeReference();
  // Opens the reference on the node type (documents ask for it).
  void showHelpForNodeType(const std::string& nodeClassName) override;
  NodeReferenceController* nodeReferenceController();

  // ---- Resources ----
  // Open the manual, or the sample-files folder, with the desktop; an alert when it cannot.
  void openManual();
  void openSampleFiles();

  // ---- Web pages of the maker ----
  enum class WebLink {
    TutorialVideos,
    ProductPage,
    Products,
    Home,
    Privacy,
    LicenseInformation,
    Support,
    VersionHistory,
    Development,
    SocialMedia,
  };
  struct WebLinkInfo {
    const char* title;  // the menu item's
    const char* address;
    const char* failureText;  // the alert's, followed by failureAddress
    const char* failureAddress;
  };
  static const WebLinkInfo& webLinkInfo(WebLink link);
  // Opens the page; an alert "Error launching web browser" when the desktop cannot.
  void openWebLink(WebLink link);

  // ---- Toggles ----
  // "Snap nodes to grid" becomes the opposite of the item's check mark.
  static void toggleGridSnap(bool currentlyChecked);
  static bool gridSnapChecked();

  // ---- Feedback ----
  // Asks whether to write an e-mail or to show the technical information.
  void sendFeedback();
  // The report of this machine with the open documents, in the window titled "Morvalis 3 feedback".
  void showTechnicalInformation();
  FeedbackWindow* feedbackWindow();
  // The report's section of the documents open in the application's windows.
  static std::string openDocumentsSection();

  // A click on a notification without user information shows the sample files.
  void notificationActivated(const MVUserNotificationCenter::Notification& notification);

private:
  QPointer<GettingStartedPanel> gettingStartedPanel_;
  QPointer<AboutWindow> aboutWindow_;
  QPointer<FullscreenPreviewPanel> fullscreenPreviewPanel_;
  QPointer<FeedbackWindow> feedbackWindow_;
  QPointer<NodeReferenceController> nodeReferenceController_;
};
