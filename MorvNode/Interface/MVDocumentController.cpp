#include "MorvNode/Interface/MVDocumentController.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Interface/ApplicationPanels.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/InterfaceHelper.h"
#include "MorvNode/Interface/MVPreviewView.h"
#include "MorvNode/Interface/PreferencesWindow.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

MVDocumentController* sharedController = nullptr;

// Where the recent documents are kept in the user defaults, newest first.
constexpr const char* kRecentDocumentsKey = "Recent Documents";
constexpr int kMaxRecentDocuments = 10;

std::string canonicalPath(const std::string& path)
{
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

}  // namespace

MVDocumentController::MVDocumentController()
  : randomSource_(std::make_unique<RandomSource>(123456789))
{
  sharedController = this;
}

MVDocumentController::~MVDocumentController()
{
  for (const QPointer<DocumentWindow>& window : windows_) {
    delete window.data();
  }
  for (const QPointer<DocumentWindow>& window : closedWindows_) {
    delete window.data();
  }
  delete preferencesWindow_.data();
  if (sharedController == this) {
    sharedController = nullptr;
  }
}

MVDocumentController* MVDocumentController::shared()
{
  return sharedController;
}

// ---- Launch ----

void MVDocumentController::applicationWillFinishLaunching()
{
  shouldOpenNewBlankDocument_ = pf::UserDefaults::standard().boolForKey("Open New Document At Startup");
}

void MVDocumentController::applicationDidFinishLaunching()
{
  // There is no software updater on Linux (it stays absent); the launch goes on without it.
  QTimer::singleShot(500, this, [this] { afterApplicationLaunch(); });
}

void MVDocumentController::afterApplicationLaunch()
{
  if (pf::UserDefaults::standard().boolForKey("Quick Tips Show At Startup 3")) {
    if (ApplicationPanels* panels = ApplicationPanels::shared()) {
      panels->openQuickHelp();
    }
  }
  if (shouldOpenNewBlankDocument_) {
    if (!hasOpenDocuments()) {
      newDocument();
    }
    shouldOpenNewBlankDocument_ = false;
  }
  if (!hasOpenDocuments()) {
    emit launchedWithoutDocuments();
  }
}

bool MVDocumentController::hasOpenDocuments() const
{
  return std::any_of(windows_.begin(), windows_.end(), [](const QPointer<DocumentWindow>& window) { return window; });
}

void MVDocumentController::openDocumentOrQuit()
{
  // The dialog may be the application's last window: closing it must not end the application
  // before the chosen documents open.
  const bool quitOnLastWindowClosed = QApplication::quitOnLastWindowClosed();
  QApplication::setQuitOnLastWindowClosed(false);
  openDocumentWithDialog(nullptr);
  QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed);
  if (!hasOpenDocuments()) {
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }
}

bool MVDocumentController::applicationShouldOpenUntitledFile()
{
  if (!shouldOpenNewBlankDocument_) {
    return false;
  }
  shouldOpenNewBlankDocument_ = false;
  return true;
}

// ---- Documents ----

QString MVDocumentController::nextUntitledName()
{
  ++untitledCounter_;
  return untitledCounter_ == 1 ? tr("Untitled") : tr("Untitled %1").arg(untitledCounter_);
}

DocumentWindow* MVDocumentController::showWindow(std::unique_ptr<MVDocument> document)
{
  return showMadeWindow(makeWindow(std::move(document)));
}

DocumentWindow* MVDocumentController::makeWindow(std::unique_ptr<MVDocument> document)
{
  document->setRandomSource(randomSource_.get());
  // Documents show the help of a node in the application's node reference.
  document->setHelpProvider(ApplicationPanels::shared());
  InterfaceHelper::shared().setAnimationsEnabled(false);
  auto* window = new DocumentWindow(std::move(document), this);
  InterfaceHelper::shared().setAnimationsEnabled(true);
  return window;
}

DocumentWindow* MVDocumentController::showMadeWindow(DocumentWindow* window)
{
  window->setAttribute(Qt::WA_DeleteOnClose);
  connect(window, &DocumentWindow::documentClosed, this, [this](DocumentWindow* closed) { windowClosed(closed); });
  connect(window, &DocumentWindow::documentSaved, this, [this](const QString& path) { noteRecentDocument(path); });
  windows_.emplace_back(window);
  InterfaceHelper::shared().setAnimationsEnabled(false);
  window->setUpDocument();
  InterfaceHelper::shared().setAnimationsEnabled(true);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

DocumentWindow* MVDocumentController::newDocument()
{
  auto document = std::make_unique<MVDocument>();
  const QString name = nextUntitledName();
  DocumentWindow* window = showWindow(std::move(document));
  window->setUntitledName(name);
  window->updatePreviewPanelName();
  return window;
}

DocumentWindow* MVDocumentController::windowForPath(const std::string& path) const
{
  const std::string wanted = canonicalPath(path);
  for (const QPointer<DocumentWindow>& window : windows_) {
    if (window && window->document().fileURL() && canonicalPath(window->document().fileURL()->string()) == wanted) {
      return window;
    }
  }
  return nullptr;
}

DocumentWindow* MVDocumentController::openDocument(const std::string& path)
{
  if (DocumentWindow* open = windowForPath(path)) {
    open->show();
    open->raise();
    open->activateWindow();
    return open;
  }
  // An untitled document is no longer due once the user opens one.
  shouldOpenNewBlankDocument_ = false;
  // The window is made before the file is read: a document named at launch is read on a worker
  // meanwhile (MVDocumentFileReader::Prefetch), so the window's widgets cost the start nothing.
  // It is set up and shown once the file has been read, and never shown when it cannot be.
  auto document = std::make_unique<MVDocument>();
  MVDocument& reading = *document;
  DocumentWindow* window = makeWindow(std::move(document));
  const std::string absolute = std::filesystem::absolute(path).string();
  if (!reading.readFromURL(absolute)) {
    delete window;
    QMessageBox::warning(nullptr, tr("The document could not be opened."),
                         tr("\"%1\" could not be read as a Morvalis document.")
                             .arg(QFileInfo(QString::fromStdString(path)).fileName()));
    return nullptr;
  }
  noteRecentDocument(QString::fromStdString(absolute));
  return showMadeWindow(window);
}

void MVDocumentController::openDocumentWithDialog(QWidget* parent)
{
  const QStringList paths = QFileDialog::getOpenFileNames(parent, tr("Open"), QString(),
                                                          tr("Morvalis documents (*.mvdx);;All files (*)"));
  for (const QString& path : paths) {
    openDocument(path.toStdString());
  }
}

void MVDocumentController::windowClosed(DocumentWindow* window)
{
  std::erase_if(windows_, [window](const QPointer<DocumentWindow>& open) { return !open || open == window; });
  std::erase_if(closedWindows_, [](const QPointer<DocumentWindow>& closed) { return !closed; });
  closedWindows_.emplace_back(window);
}

// ---- Recent documents ----

QStringList MVDocumentController::recentDocuments() const
{
  QStringList paths;
  const pf::PlistValue stored = pf::UserDefaults::standard().objectForKey(kRecentDocumentsKey);
  if (const pf::PlistValue::Array* array = stored.asArray()) {
    for (const pf::PlistValue& entry : *array) {
      if (const std::string* path = entry.asString()) {
        paths.append(QString::fromStdString(*path));
      }
    }
  }
  return paths;
}

void MVDocumentController::noteRecentDocument(const QString& path)
{
  QStringList paths = recentDocuments();
  paths.removeAll(path);
  paths.prepend(path);
  while (paths.size() > kMaxRecentDocuments) {
    paths.removeLast();
  }
  pf::PlistValue::Array array;
  for (const QString& entry : paths) {
    array.emplace_back(entry.toStdString());
  }
  pf::UserDefaults::standard().setObject(kRecentDocumentsKey, pf::PlistValue(std::move(array)));
}

void MVDocumentController::clearRecentDocuments()
{
  pf::UserDefaults::standard().removeObject(kRecentDocumentsKey);
}

void MVDocumentController::fillRecentMenu(QMenu& menu)
{
  menu.clear();
  const QStringList paths = recentDocuments();
  for (const QString& path : paths) {
    QAction* action = menu.addAction(QFileInfo(path).fileName());
    action->setToolTip(path);
    connect(action, &QAction::triggered, this, [this, path] { openDocument(path.toStdString()); });
  }
  if (!paths.isEmpty()) {
    menu.addSeparator();
  }
  QAction* clear = menu.addAction(tr("Clear Menu"));
  clear->setEnabled(!paths.isEmpty());
  connect(clear, &QAction::triggered, this, [this] { clearRecentDocuments(); });
}

// ---- Quit ----

bool MVDocumentController::closeAllDocuments()
{
  const std::vector<QPointer<DocumentWindow>> windows = windows_;
  for (const QPointer<DocumentWindow>& window : windows) {
    if (!window) {
      continue;
    }
    if (!window->askToSaveChanges()) {
      return false;
    }
    window->closeWithoutAsking();
  }
  return true;
}

void MVDocumentController::quit()
{
  if (!closeAllDocuments()) {
    return;
  }
  QApplication::quit();
}

// ---- Preferences ----

void MVDocumentController::showPreferencesWindow()
{
  if (!preferencesWindow_) {
    preferencesWindow_ = new PreferencesWindow;
    connect(preferencesWindow_, &PreferencesWindow::closed, this, [this] { refreshAllDocumentsWithoutRegenerate(); });
  }
  preferencesWindow_->showPreferences();
}

void MVDocumentController::refreshAllDocumentsWithoutRegenerate()
{
  for (const QPointer<DocumentWindow>& window : windows_) {
    if (window) {
      window->previewView().updatePattern();
    }
  }
}
