#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "MorvNode/Interface/PreferencesWindow.h"

class DocumentWindow;
class QMenu;
class QWidget;
class RandomSource;

// The application's one document controller: it opens documents (new ones from the default
// documents, files from the open dialog, the command line and the recent list), keeps the
// list of open windows, asks each unsaved document at Quit, runs the launch steps and owns the
// preferences window and the shared random table. Main thread only.
class MVDocumentController : public QObject {
  Q_OBJECT

public:
  MVDocumentController();
  ~MVDocumentController() override;

  static MVDocumentController* shared();
  const RandomSource* randomSource() const { return randomSource_.get(); }

  // ---- Launch ----
  // Before the event loop: "Open New Document At Startup" decides whether an untitled document
  // is still to be opened.
  void applicationWillFinishLaunching();
  // Schedules the last launch step 0.5 s from now; files named on the command line are opened
  // meanwhile with openDocument.
  void applicationDidFinishLaunching();
  // The last launch step: opens the new untitled document when one is still due and no document
  // is open by then. When no document is open after it, launchedWithoutDocuments is emitted.
  void afterApplicationLaunch();
  // Without a document the application has no window to offer: the open dialog, and when
  // nothing was opened from it, the application quits. Connected to launchedWithoutDocuments
  // by the application.
  void openDocumentOrQuit();
  // The platform's question whether to open an untitled document: yes once, while one is due.
  bool applicationShouldOpenUntitledFile();
  bool shouldOpenNewBlankDocument() const { return shouldOpenNewBlankDocument_; }

  // ---- Documents ----
  // A new document from the default documents, shown; nullptr when it could not be made.
  DocumentWindow* newDocument();
  // Opens the file, or brings its window to the front when it is open already; nullptr (with an
  // alert) when it cannot be read.
  DocumentWindow* openDocument(const std::string& path);
  // The open dialog; every chosen file is opened.
  void openDocumentWithDialog(QWidget* parent);
  const std::vector<QPointer<DocumentWindow>>& documentWindows() const { return windows_; }
  bool hasOpenDocuments() const;
  DocumentWindow* windowForPath(const std::string& path) const;

  // ---- Recent documents ----
  QStringList recentDocuments() const;
  void noteRecentDocument(const QString& path);
  void clearRecentDocuments();
  // Fills the menu with the recent documents and a clear item.
  void fillRecentMenu(QMenu& menu);

  // ---- Quit ----
  // Asks each unsaved document in turn; false when the user cancelled (nothing more closes).
  bool closeAllDocuments();
  // closeAllDocuments, then quits the application.
  void quit();

  // ---- Preferences ----
  void showPreferencesWindow();
  PreferencesWindow* preferencesWindow() const { return preferencesWindow_; }
  // After the preferences were closed: every open document redraws without regenerating.
  void refreshAllDocumentsWithoutRegenerate();

signals:
  // The launch ended with no document open (none due at start-up, none named or readable).
  void launchedWithoutDocuments();

private:
  DocumentWindow* showWindow(std::unique_ptr<class MVDocument> document);
  // The window of a document, made but not yet set up, listed or shown (showMadeWindow does that).
  DocumentWindow* makeWindow(std::unique_ptr<class MVDocument> document);
  DocumentWindow* showMadeWindow(DocumentWindow* window);
  QString nextUntitledName();
  void windowClosed(DocumentWindow* window);

  std::unique_ptr<RandomSource> randomSource_;
  std::vector<QPointer<DocumentWindow>> windows_;
  // Closed windows waiting for their deferred deletion; what is left at the end is deleted then.
  std::vector<QPointer<DocumentWindow>> closedWindows_;
  QPointer<PreferencesWindow> preferencesWindow_;
  bool shouldOpenNewBlankDocument_ = false;
  int untitledCounter_ = 0;
};
