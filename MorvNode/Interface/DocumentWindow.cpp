#include "MorvNode/Interface/DocumentWindow.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Interface/MVDocumentController.h"
#include "MorvNode/Interface/MVPreviewContainer.h"
#include "MorvNode/Interface/MVPreviewView.h"
#include "MorvNode/Interface/MyPreviewPanel.h"
#include "MorvNode/Model/MVNode.h"
#include "Platform/GeometryStrings.h"
#include "Platform/RunLoop.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/LockingSplitView/CollapsingSplitView.h"

namespace {

std::vector<DocumentWindow::PaneFactory>& nodeEditorFactory()
{
  static std::vector<DocumentWindow::PaneFactory> factory;
  return factory;
}

std::vector<DocumentWindow::PaneFactory>& timelineFactory()
{
  static std::vector<DocumentWindow::PaneFactory> factory;
  return factory;
}

std::vector<DocumentWindow::MenuExtension>& menuExtensions()
{
  static std::vector<DocumentWindow::MenuExtension> extensions;
  return extensions;
}

QRect qRect(const pf::Rect& rect)
{
  return QRect(static_cast<int>(std::lround(rect.origin.x)), static_cast<int>(std::lround(rect.origin.y)),
               static_cast<int>(std::lround(rect.width())), static_cast<int>(std::lround(rect.height())));
}

pf::Rect pfRect(const QRect& rect)
{
  return pf::Rect(rect.x(), rect.y(), rect.width(), rect.height());
}

// Nodes of the selection, last first, as the graph commands walk them.
std::vector<MVNode*> selectionLastFirst(MVNodeController& controller)
{
  std::vector<MVNode*> nodes = controller.selectedNodesArray();
  std::reverse(nodes.begin(), nodes.end());
  return nodes;
}

// Holds the node editor's deferred passes while the first image of a just opened document is
// on its way to the preview, and lets them go once the preview has painted it (after that
// repaint of the window has reached the screen) or, at the latest, after kLongest: the first
// pass makes the views of the visible area, which for a graph of thousands of connections keeps
// the main thread busy for a while, and the image waited for it.
class EditorHeldUntilFirstImage final : public QObject {
public:
  static constexpr int kLongest = 1000;  // milliseconds

  // `released` runs when the passes are let go (not when the preview goes first).
  EditorHeldUntilFirstImage(MVPreviewView& preview, NodeEditorView& editor, std::function<void()> released)
    : QObject(&preview), preview_(preview), editor_(&editor), released_(std::move(released))
  {
    editor.holdDeferredPasses();
    preview.installEventFilter(this);
    QTimer::singleShot(kLongest, this, [this] { release(); });
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override
  {
    if (watched == &preview_ && event->type() == QEvent::Paint && preview_.renderCount() > 0) {
      preview_.removeEventFilter(this);
      QMetaObject::invokeMethod(this, [this] { release(); }, Qt::QueuedConnection);
    }
    return false;
  }

private:
  void release()
  {
    if (editor_) {
      editor_->releaseDeferredPasses();
      editor_ = nullptr;
      if (released_) {
        released_();
      }
    }
    preview_.removeEventFilter(this);
    deleteLater();
  }

  MVPreviewView& preview_;           // the parent: outlives this
  QPointer<NodeEditorView> editor_;  // may go first, with its pane
  std::function<void()> released_;
};

}  // namespace

DocumentWindow::DocumentWindow(std::unique_ptr<MVDocument> document, MVDocumentController* controller, QWidget* parent)
  : QMainWindow(parent)
  , document_(std::move(document))
  , controller_(controller)
{
  setAttribute(Qt::WA_DeleteOnClose, false);
  resize(1100, 760);

  mainSplitView_ = new CollapsingSplitView(false, "Main SplitView", this);
  mainSplitView_->setObjectName("mainSplitView");
  mainSplitView_->setResizeDelegate(this);
  mainSplitView_->setFirstViewMinimumSize(120);
  mainSplitView_->setSecondViewMinimumSize(120);
  bottomSplitView_ = new CollapsingSplitView(true, "Bottom SplitView");
  bottomSplitView_->setObjectName("bottomSplitView");
  bottomSplitView_->setResizeDelegate(this);
  bottomSplitView_->setFirstViewMinimumSize(200);
  bottomSplitView_->setSecondViewMinimumSize(200);
  previewContainer_ = new MVPreviewContainer;
  previewView().setDocument(document_.get());

  QWidget* editor = nodeEditorFactory().empty() ? nullptr : nodeEditorFactory().front()(*this);
  mainSplitView_->setFirstViewContent(editor != nullptr ? editor : makePlaceholder(tr("Node editor")));
  QWidget* timeline = timelineFactory().empty() ? nullptr : timelineFactory().front()(*this);
  bottomSplitView_->setFirstViewContent(timeline != nullptr ? timeline : makePlaceholder(tr("Timeline")));
  bottomSplitView_->setSecondViewContent(previewContainer_);
  mainSplitView_->setSecondViewContent(bottomSplitView_);
  mainSplitView_->setSizes({420, 340});
  bottomSplitView_->setSizes({420, 680});
  setCentralWidget(mainSplitView_);

  previewPanel_ = new MyPreviewPanel(this);
  connect(previewPanel_, &MyPreviewPanel::panelClosed, this, [this] {
    if (!closing_ && !released_ && previewContainer_->parentWidget() == previewPanel_) {
      closePreviewPanel();
    }
  });
  connect(previewView().separatePanelButton(), &QAbstractButton::clicked, this, [this] { togglePanelPreview(); });

  buildMenus();
  for (const MenuExtension& extension : menuExtensions()) {
    extension(*this);
  }

  document_->setWindow(this);
  MVNodeController& nodeController = document_->nodeController();
  nodeController.setPreviewView(&previewView());

  // Menu states and the edited mark follow the document after every pass of the event loop.
  if (pf::RunLoop* runLoop = pf::RunLoop::current()) {
    menuUpdater_ = runLoop->addEndOfPassObserver([this] {
      if (!released_) {
        updateMenuItems();
      }
    });
  }
  updateTitle();
}

DocumentWindow::~DocumentWindow()
{
  releaseResources();
  // The node editor and the animation panel refer to the document, which goes before the
  // window's child widgets would: they go first.
  setNodeEditorWidget(nullptr);
  setTimelineWidget(nullptr);
}

void DocumentWindow::setUpDocument()
{
  document_->windowControllerDidLoadNib();
  markClean();
  if (MVNodeControllerEditorDelegate* editor = document_->nodeController().nodeEditorView()) {
    editor->nodesChanged();
  }
  document_->nodeController().updateStatisticsPanelWithRenderer(nullptr);
  previewView().updateInterface();
  updateTitle();
  QTimer::singleShot(10, this, [this] { updatePreviewPanelName(); });
  // The first generation runs now, and the editor's first pass waits for the preview's first
  // image (at most a second): that image is what the user waits for, and the views of a graph
  // of thousands of connections take the first pass a while.
  if (document_->nodeController().isRegenerationPending()) {
    document_->nodeController().regenerate();
  }
  if (NodeEditorView* editor = nodeEditorView(); editor != nullptr && previewView().isRendering()) {
    new EditorHeldUntilFirstImage(previewView(), *editor, [this] { editorHoldEnded(); });
  }
}

MVPreviewView& DocumentWindow::previewView() const
{
  return previewContainer_->previewView();
}

QWidget* DocumentWindow::makePlaceholder(const QString& text)
{
  auto* placeholder = new QLabel(text);
  placeholder->setAlignment(Qt::AlignCenter);
  placeholder->setEnabled(false);
  return placeholder;
}

// ---- Slots ----

void DocumentWindow::setNodeEditorFactory(PaneFactory factory)
{
  nodeEditorFactory().clear();
  if (factory) {
    nodeEditorFactory().push_back(std::move(factory));
  }
}

void DocumentWindow::setTimelineFactory(PaneFactory factory)
{
  timelineFactory().clear();
  if (factory) {
    timelineFactory().push_back(std::move(factory));
  }
}

void DocumentWindow::addMenuExtension(MenuExtension extension)
{
  if (extension) {
    menuExtensions().push_back(std::move(extension));
  }
}

void DocumentWindow::setNodeEditorWidget(QWidget* widget)
{
  mainSplitView_->setFirstViewContent(widget != nullptr ? widget : makePlaceholder(tr("Node editor")));
}

void DocumentWindow::setTimelineWidget(QWidget* widget)
{
  bottomSplitView_->setFirstViewContent(widget != nullptr ? widget : makePlaceholder(tr("Timeline")));
}

QWidget* DocumentWindow::nodeEditorWidget() const
{
  return mainSplitView_->firstViewContent();
}

NodeEditorView* DocumentWindow::nodeEditorView() const
{
  QWidget* pane = nodeEditorWidget();
  if (pane == nullptr) {
    return nullptr;
  }
  if (auto* editor = qobject_cast<NodeEditorView*>(pane)) {
    return editor;
  }
  return pane->findChild<NodeEditorView*>();
}

QWidget* DocumentWindow::timelineWidget() const
{
  return bottomSplitView_->firstViewContent();
}

QMenu* DocumentWindow::menuNamed(const QString& name) const
{
  if (name == "File") {
    return fileMenu_;
  }
  if (name == "Edit") {
    return editMenu_;
  }
  if (name == "View") {
    return viewMenu_;
  }
  if (name == "Node") {
    return nodeMenu_;
  }
  return nullptr;
}

// ---- Menus ----

void DocumentWindow::buildMenus()
{
  fileMenu_ = menuBar()->addMenu(tr("&File"));
  QAction* newAction = fileMenu_->addAction(tr("&New"));
  newAction->setShortcut(QKeySequence::New);
  connect(newAction, &QAction::triggered, this, [this] {
    if (controller_ != nullptr) {
      controller_->newDocument();
    }
  });
  QAction* openAction = fileMenu_->addAction(tr("&Open..."));
  openAction->setShortcut(QKeySequence::Open);
  connect(openAction, &QAction::triggered, this, [this] {
    if (controller_ != nullptr) {
      controller_->openDocumentWithDialog(this);
    }
  });
  QMenu* recent = fileMenu_->addMenu(tr("Open &Recent"));
  connect(recent, &QMenu::aboutToShow, this, [this, recent] {
    if (controller_ != nullptr) {
      controller_->fillRecentMenu(*recent);
    }
  });
  fileMenu_->addSeparator();
  QAction* closeAction = fileMenu_->addAction(tr("&Close"));
  closeAction->setShortcut(QKeySequence::Close);
  connect(closeAction, &QAction::triggered, this, [this] { close(); });
  saveAction_ = fileMenu_->addAction(tr("&Save"));
  saveAction_->setShortcut(QKeySequence::Save);
  connect(saveAction_, &QAction::triggered, this, [this] { save(); });
  QAction* saveAsAction = fileMenu_->addAction(tr("Save &As..."));
  saveAsAction->setShortcut(QKeySequence::SaveAs);
  connect(saveAsAction, &QAction::triggered, this, [this] { saveAs(); });
  revertAction_ = fileMenu_->addAction(tr("Revert to saved"));
  connect(revertAction_, &QAction::triggered, this, [this] { revertDocumentToSaved(); });
  fileMenu_->addSeparator();
  // Export commands go here, before this separator.
  exportAnchor_ = fileMenu_->addSeparator();
  QAction* preferences = fileMenu_->addAction(tr("Pre&ferences..."));
  preferences->setShortcut(QKeySequence::Preferences);
  preferences->setMenuRole(QAction::PreferencesRole);
  connect(preferences, &QAction::triggered, this, [this] {
    if (controller_ != nullptr) {
      controller_->showPreferencesWindow();
    }
  });
  fileMenu_->addSeparator();
  QAction* quitAction = fileMenu_->addAction(tr("&Quit"));
  quitAction->setShortcut(QKeySequence::Quit);
  quitAction->setMenuRole(QAction::QuitRole);
  connect(quitAction, &QAction::triggered, this, [this] {
    if (controller_ != nullptr) {
      controller_->quit();
    } else {
      close();
    }
  });

  editMenu_ = menuBar()->addMenu(tr("&Edit"));
  undoAction_ = editMenu_->addAction(tr("&Undo"));
  undoAction_->setShortcut(QKeySequence::Undo);
  connect(undoAction_, &QAction::triggered, this, [this] {
    document_->undoManager()->undo();
    updateMenuItems();
  });
  redoAction_ = editMenu_->addAction(tr("&Redo"));
  redoAction_->setShortcut(QKeySequence::Redo);
  connect(redoAction_, &QAction::triggered, this, [this] {
    document_->undoManager()->redo();
    updateMenuItems();
  });
  editMenu_->addSeparator();
  // The node clipboard and the selection: the node editor's commands while it has the keyboard
  // (updateMenuItems); elsewhere the keys are the focused widget's.
  auto nodeEditor = [this] { return nodeEditorView(); };
  cutAction_ = editMenu_->addAction(tr("Cut"));
  cutAction_->setShortcut(QKeySequence::Cut);
  connect(cutAction_, &QAction::triggered, this, [nodeEditor] {
    if (NodeEditorView* editor = nodeEditor()) {
      editor->cut();
    }
  });
  copyAction_ = editMenu_->addAction(tr("Copy"));
  copyAction_->setShortcut(QKeySequence::Copy);
  connect(copyAction_, &QAction::triggered, this, [nodeEditor] {
    if (NodeEditorView* editor = nodeEditor()) {
      editor->copy();
    }
  });
  pasteAction_ = editMenu_->addAction(tr("Paste"));
  pasteAction_->setShortcut(QKeySequence::Paste);
  connect(pasteAction_, &QAction::triggered, this, [nodeEditor] {
    if (NodeEditorView* editor = nodeEditor()) {
      editor->paste();
    }
  });
  selectAllAction_ = editMenu_->addAction(tr("Select All"));
  selectAllAction_->setShortcut(QKeySequence::SelectAll);
  connect(selectAllAction_, &QAction::triggered, this, [nodeEditor] {
    if (NodeEditorView* editor = nodeEditor()) {
      editor->selectAll();
    }
  });
  deleteAction_ = editMenu_->addAction(tr("Delete"));
  deleteAction_->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
  deleteAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(deleteAction_, &QAction::triggered, this, [this] { menuDelete(); });
  duplicateAction_ = editMenu_->addAction(tr("Duplicate"));
  duplicateAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  connect(duplicateAction_, &QAction::triggered, this, [this] { duplicate(); });

  viewMenu_ = menuBar()->addMenu(tr("&View"));
  QAction* zoomIn = viewMenu_->addAction(tr("Zoom In"));
  zoomIn->setShortcut(QKeySequence::ZoomIn);
  connect(zoomIn, &QAction::triggered, this, [this] { changeZoom(1.2); });
  QAction* zoomOut = viewMenu_->addAction(tr("Zoom Out"));
  zoomOut->setShortcut(QKeySequence::ZoomOut);
  connect(zoomOut, &QAction::triggered, this, [this] { changeZoom(0.8333333333333334); });
  QAction* zoomFit = viewMenu_->addAction(tr("Zoom to Fit"));
  zoomFit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  connect(zoomFit, &QAction::triggered, this, [this] { changeZoom(0.0); });
  QAction* actualSize = viewMenu_->addAction(tr("Actual Size"));
  actualSize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
  connect(actualSize, &QAction::triggered, this, [this] { previewView().displayScaleRevert(); });
  viewMenu_->addSeparator();
  animationPanelAction_ = viewMenu_->addAction(tr("Animation Panel"));
  animationPanelAction_->setCheckable(true);
  animationPanelAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  connect(animationPanelAction_, &QAction::triggered, this, [this] { toggleAnimationPanel(); });
  previewPanelAction_ = viewMenu_->addAction(tr("Preview in Separate Panel"));
  previewPanelAction_->setCheckable(true);
  previewPanelAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  connect(previewPanelAction_, &QAction::triggered, this, [this] { togglePanelPreview(); });
  showRepetitionsAction_ = viewMenu_->addAction(tr("Show Repetitions"));
  showRepetitionsAction_->setCheckable(true);
  connect(showRepetitionsAction_, &QAction::triggered, this, [this] { previewView().displayShowRepetitionsChanged(); });
  showOutlinesAction_ = viewMenu_->addAction(tr("Show Selection Outlines"));
  showOutlinesAction_->setCheckable(true);
  connect(showOutlinesAction_, &QAction::triggered, this,
          [this] { previewView().displayShowSelectionOutlinesChanged(); });

  nodeMenu_ = menuBar()->addMenu(tr("&Node"));
  QAction* arrange = nodeMenu_->addAction(tr("Arrange"));
  connect(arrange, &QAction::triggered, this, [this] { arrangeNodes(); });
  unlinkAction_ = nodeMenu_->addAction(tr("Unlink"));
  connect(unlinkAction_, &QAction::triggered, this, [this] { unlinkNode(); });
  reverseAction_ = nodeMenu_->addAction(tr("Reverse order"));
  connect(reverseAction_, &QAction::triggered, this, [this] { reverseNodeConnectionsOrder(); });
  nodeMenu_->addSeparator();
  QAction* refreshAction = nodeMenu_->addAction(tr("Refresh"));
  refreshAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  connect(refreshAction, &QAction::triggered, this, [this] { refresh(); });
  autoRefreshAction_ = nodeMenu_->addAction(tr("Auto Refresh"));
  autoRefreshAction_->setCheckable(true);
  connect(autoRefreshAction_, &QAction::triggered, this, [this] { autoRefreshChanged(); });

  for (QMenu* menu : {fileMenu_, editMenu_, viewMenu_, nodeMenu_}) {
    connect(menu, &QMenu::aboutToShow, this, [this] { updateMenuItems(); });
  }
}

void DocumentWindow::updateMenuItems()
{
  pf::UndoManager& undo = *document_->undoManager();
  const bool key = isActiveWindow() || QApplication::activeWindow() == nullptr;
  const bool hasSelection = document_->nodeController().hasSelectedNodes();
  undoAction_->setEnabled(undo.canUndo());
  const std::string undoName = undo.undoActionName();
  undoAction_->setText(undoName.empty() ? tr("&Undo") : tr("&Undo %1").arg(QString::fromStdString(undoName)));
  redoAction_->setEnabled(undo.canRedo());
  const std::string redoName = undo.redoActionName();
  redoAction_->setText(redoName.empty() ? tr("&Redo") : tr("&Redo %1").arg(QString::fromStdString(redoName)));
  // Delete acts on nodes only while the editor has the keyboard; elsewhere the key is the
  // focused widget's.
  const QWidget* focus = QApplication::focusWidget();
  const NodeEditorView* editor = nodeEditorView();
  const bool editorFocused = focus != nullptr && editor != nullptr && (focus == editor || editor->isAncestorOf(focus));
  deleteAction_->setEnabled(key && hasSelection && editorFocused);
  const NodeEditorView* nodeEditor = editorFocused ? editor : nullptr;
  cutAction_->setEnabled(key && nodeEditor != nullptr && nodeEditor->validateMenuItem("Cut"));
  copyAction_->setEnabled(key && nodeEditor != nullptr && nodeEditor->validateMenuItem("Copy"));
  pasteAction_->setEnabled(key && nodeEditor != nullptr && nodeEditor->validateMenuItem("Paste"));
  selectAllAction_->setEnabled(key && nodeEditor != nullptr);
  duplicateAction_->setEnabled(key && hasSelection);
  unlinkAction_->setEnabled(key && hasSelection);
  reverseAction_->setEnabled(key && hasSelection);
  revertAction_->setEnabled(key && canRevert());
  autoRefreshAction_->setChecked(document_->nodeController().autoRegenerate());
  animationPanelAction_->setChecked(isAnimationContainerShown() && !mainSplitView_->isSecondViewCollapsed());
  previewPanelAction_->setChecked(previewPanel_->isVisible());
  showRepetitionsAction_->setChecked(previewView().showRepetitions());
  showOutlinesAction_->setChecked(previewView().showSelectionOutlines());
  // Qt redoes the title whenever the mark is set, changed or not; this runs after every pass.
  if (const bool edited = isDocumentEdited(); edited != isWindowModified()) {
    setWindowModified(edited);
  }
}

// ---- Files ----

QString DocumentWindow::displayName() const
{
  if (const std::optional<std::filesystem::path>& url = document_->fileURL()) {
    return QString::fromStdString(url->filename().string());
  }
  return untitledName_.isEmpty() ? tr("Untitled") : untitledName_;
}

void DocumentWindow::setUntitledName(QString name)
{
  untitledName_ = std::move(name);
  updateTitle();
}

void DocumentWindow::updateTitle()
{
  setWindowTitle(displayName() + "[*]");
  if (const std::optional<std::filesystem::path>& url = document_->fileURL()) {
    setWindowFilePath(QString::fromStdString(url->string()));
  }
  setWindowModified(isDocumentEdited());
}

bool DocumentWindow::isDocumentEdited() const
{
  // Export settings change outside undo and mark the document themselves.
  return document_->undoManager()->contentState() != savedContentState_ || document_->isMarkedEdited();
}

void DocumentWindow::markClean()
{
  savedContentState_ = document_->undoManager()->contentState();
  setWindowModified(false);
}

bool DocumentWindow::save()
{
  if (!document_->fileURL()) {
    return saveAs();
  }
  return saveToPath(document_->fileURL()->string());
}

bool DocumentWindow::saveAs()
{
  QString start = document_->fileURL() ? QString::fromStdString(document_->fileURL()->string())
                                       : displayName() + ".mvdx";
  QString path = QFileDialog::getSaveFileName(this, tr("Save As"), start, tr("Morvalis documents (*.mvdx)"));
  if (path.isEmpty()) {
    return false;
  }
  if (QFileInfo(path).suffix().isEmpty()) {
    path += ".mvdx";
  }
  return saveToPath(path.toStdString());
}

bool DocumentWindow::saveToPath(const std::string& path)
{
  // The step being built belongs to the saved state.
  document_->undoManager()->closeEventGroup();
  std::string reason;
  if (!document_->writeToURL(path, &reason)) {
    QMessageBox::warning(this, tr("The document could not be saved."),
                         tr("The document could not be saved to \"%1\": %2.")
                             .arg(QString::fromStdString(path), QString::fromStdString(reason)));
    return false;
  }
  document_->setFileURL(std::filesystem::path(path));
  markClean();
  updateTitle();
  QTimer::singleShot(100, this, [this] { updatePreviewPanelName(); });
  emit documentSaved(QString::fromStdString(path));
  return true;
}

bool DocumentWindow::canRevert() const
{
  return document_->fileURL().has_value() && document_->undoManager()->canUndo();
}

void DocumentWindow::revertDocumentToSaved()
{
  if (!document_->fileURL()) {
    return;
  }
  const QMessageBox::StandardButton answer = QMessageBox::question(
      this, tr("Revert to saved"),
      tr("Do you want to revert \"%1\" to the last saved version? Your current changes will be lost.").arg(displayName()),
      QMessageBox::Cancel | QMessageBox::Discard, QMessageBox::Cancel);
  if (answer != QMessageBox::Discard) {
    return;
  }
  if (!document_->revertToContentsOfURL(*document_->fileURL())) {
    QMessageBox::warning(this, tr("The document could not be reverted."),
                         tr("\"%1\" could not be read; the document is left as it was.").arg(displayName()));
    return;
  }
  markClean();
  previewView().updatePattern();
}

bool DocumentWindow::askToSaveChanges()
{
  if (!isDocumentEdited()) {
    return true;
  }
  raise();
  activateWindow();
  QMessageBox box(this);
  box.setIcon(QMessageBox::Warning);
  box.setText(tr("Do you want to save the changes made to the document \"%1\"?").arg(displayName()));
  box.setInformativeText(tr("Your changes will be lost if you don't save them."));
  box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
  case QMessageBox::Save:
    return save();
  case QMessageBox::Discard:
    return true;
  default:
    return false;
  }
}

void DocumentWindow::closeWithoutAsking()
{
  closing_ = true;
  close();
}

void DocumentWindow::closeEvent(QCloseEvent* event)
{
  if (!closing_ && !askToSaveChanges()) {
    event->ignore();
    return;
  }
  closing_ = true;
  previewPanel_->hide();
  event->accept();
  releaseResources();
  emit documentClosed(this);
}

void DocumentWindow::releaseResources()
{
  if (released_) {
    return;
  }
  released_ = true;
  menuUpdater_ = pf::EndOfPassObserver();
  if (!document_) {
    return;
  }
  document_->undoManager()->removeAllActions();
  previewView().releaseResources();
  document_->nodeController().setPreviewView(nullptr);
  document_->nodeController().releaseResources();
  document_->setWindow(nullptr);
}

void DocumentWindow::changeEvent(QEvent* event)
{
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || released_) {
    return;
  }
  // The panel floats above its window only while the window is active.
  if (previewPanel_->isVisible()) {
    previewPanel_->setWindowFlag(Qt::WindowStaysOnTopHint, isActiveWindow());
    previewPanel_->show();
  }
}

// ---- Panels ----

bool DocumentWindow::isAnimationContainerShown() const
{
  return bottomSplitView_->isFirstViewShown();
}

bool DocumentWindow::isPreviewContainerShown() const
{
  return bottomSplitView_->isSecondViewShown();
}

void DocumentWindow::openAnimationPanel()
{
  if (!isAnimationContainerShown()) {
    bottomSplitView_->expandFirstView();
  }
  if (mainSplitView_->isSecondViewCollapsed()) {
    mainSplitView_->expandSecondView();
  }
}

void DocumentWindow::closeAnimationPanel()
{
  if (isPreviewContainerShown()) {
    bottomSplitView_->collapseFirstView();
  } else if (mainSplitView_->isSecondViewShown()) {
    mainSplitView_->collapseSecondView();
  }
}

void DocumentWindow::toggleAnimationPanel()
{
  if (isAnimationContainerShown() && !mainSplitView_->isSecondViewCollapsed()) {
    closeAnimationPanel();
  } else {
    openAnimationPanel();
  }
}

void DocumentWindow::openPreviewPanel()
{
  if (previewContainer_->parentWidget() == previewPanel_) {
    previewPanel_->show();
    return;
  }
  if (isPreviewContainerShown()) {
    bottomSplitView_->collapseSecondView();
    if (!isAnimationContainerShown() && mainSplitView_->isSecondViewShown()) {
      mainSplitView_->collapseSecondView();
    }
  }
  // The container leaves the split view (parked as collapsed content) for the panel.
  previewContainer_->setParent(previewPanel_);
  previewPanel_->layout()->addWidget(previewContainer_);
  previewContainer_->show();
  updatePreviewPanelName();
  if (!previewPanel_->isVisible()) {
    previewPanel_->move(geometry().center() - previewPanel_->rect().center());
  }
  previewPanel_->show();
  previewPanel_->raise();
  previewPanel_->activateWindow();
  previewView().resizeView();
  previewView().updateInterface();
}

void DocumentWindow::closePreviewPanel()
{
  if (previewPanel_->isVisible()) {
    previewPanel_->hide();
  }
  if (previewContainer_->parentWidget() == previewPanel_) {
    previewPanel_->layout()->removeWidget(previewContainer_);
  }
  // The split view still counts the container as its collapsed second content: expanding puts
  // it back.
  if (!isPreviewContainerShown()) {
    bottomSplitView_->expandSecondView();
  }
  if (mainSplitView_->isSecondViewCollapsed()) {
    mainSplitView_->expandSecondView();
  }
  previewView().resizeView();
  previewView().updateInterface();
}

void DocumentWindow::togglePanelPreview()
{
  if (previewPanel_->isVisible()) {
    closePreviewPanel();
  } else {
    openPreviewPanel();
  }
}

void DocumentWindow::updatePreviewPanelName()
{
  previewPanel_->setWindowTitle(tr("%1 preview").arg(displayName()));
}

void DocumentWindow::changeZoom(double factor)
{
  if (factor == 0.0) {
    previewView().displayScaleFit();
    return;
  }
  const double scale = std::round(previewView().displayScale() * factor * 100.0) / 100.0;
  previewView().displayScaleChangedFromCommand(scale);
}

void DocumentWindow::splitViewDidResizeSubviews(CollapsingSplitView& splitView)
{
  if (&splitView == mainSplitView_) {
    if (MVNodeControllerEditorDelegate* editor = document_->nodeController().nodeEditorView()) {
      editor->nodesChanged();
    }
  }
  if (previewContainer_->parentWidget() != previewPanel_) {
    previewView().resizeView();
  }
}

// ---- Graph commands ----

void DocumentWindow::menuDelete()
{
  MVNodeController& controller = document_->nodeController();
  const std::size_t before = controller.selectedNodesArray().size();
  bool refused = false;
  for (MVNode* node : selectionLastFirst(controller)) {
    if (node->canDelete()) {
      controller.removeNode(node);
    } else {
      refused = true;
    }
  }
  if (refused && controller.selectedNodesArray().size() == before) {
    FeedbackManager::showNSAlert(std::string("Warning"), std::string("You cannot delete the Artboard node."));
  }
}

void DocumentWindow::duplicate()
{
  MVNodeController& controller = document_->nodeController();
  if (!controller.hasSelectedNodes()) {
    return;
  }
  if (MVNodeControllerEditorDelegate* editor = controller.nodeEditorView()) {
    editor->copy();
    editor->paste();
  }
}

void DocumentWindow::unlinkNode()
{
  MVNodeController& controller = document_->nodeController();
  for (MVNode* node : selectionLastFirst(controller)) {
    controller.unlinkNode(node, false);
  }
}

void DocumentWindow::reverseNodeConnectionsOrder()
{
  for (MVNode* node : selectionLastFirst(document_->nodeController())) {
    node->reverseConnectionOrder();
  }
}

void DocumentWindow::arrangeNodes()
{
  if (MVNodeControllerEditorDelegate* editor = document_->nodeController().nodeEditorView()) {
    editor->arrangeNodeViews();
  }
}

void DocumentWindow::refresh()
{
  document_->refresh();
}

void DocumentWindow::autoRefreshChanged()
{
  MVNodeController& controller = document_->nodeController();
  controller.setAutoRegenerate(!controller.autoRegenerate());
  if (controller.autoRegenerate()) {
    controller.scheduleRegeneration();
  }
  previewView().updateInterface();
}

// ---- Window state ----

void DocumentWindow::applyWindowRect(const pf::Rect& rect, QWidget& window)
{
  if (!(rect.width() > 200.0) || !(rect.height() > 200.0) || !rect.isFinite()) {
    return;
  }
  QRect frame = qRect(rect);
  QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    window.setGeometry(frame);
    return;
  }
  const QRect visible = screen->availableGeometry();
  const QRect onScreen = frame.intersected(visible);
  if (frame.width() <= onScreen.width() && frame.height() <= onScreen.height()) {
    window.setGeometry(frame);
    return;
  }
  frame.setWidth(std::min(frame.width(), visible.width()));
  frame.setHeight(std::min(frame.height(), visible.height()));
  frame.moveCenter(visible.center());
  window.setGeometry(frame);
}

void DocumentWindow::storeViewState(MVDocumentViewState& state) const
{
  state.windowFrame = pfRect(geometry());
  state.splitViewPart = mainSplitView_->dividerLocation();
  state.mainSplitView = mainSplitView_->descriptionDictionary();
  state.bottomSplitView = bottomSplitView_->descriptionDictionary();
  state.displaySettings = previewView().displaySettingsDictionary();
  state.previewPanelRect = pfRect(previewPanel_->geometry());
  state.previewPanelOpen = previewPanel_->isVisible();
  if (const NodeEditorView* editor = nodeEditorView()) {
    const QPointF origin = editor->visibleOrigin();
    state.scrollOffset = pf::Point(origin.x(), origin.y());
  }
}

void DocumentWindow::applyViewState(const MVDocumentViewState& state)
{
  if (state.windowFrame) {
    applyWindowRect(*state.windowFrame, *this);
  }
  std::optional<pf::PlistValue::Dictionary> displaySettings = state.displaySettings;
  if (state.fromLegacyFile && !displaySettings && (state.repeatOpacity || state.displayScaling)) {
    pf::PlistValue::Dictionary legacy;
    legacy.set("Display Repeat Opacity", state.repeatOpacity.value_or(0.5));
    legacy.set("Display Scaling", state.displayScaling.value_or(1.0));
    // Files of that generation had no switch of their own: any opacity above 0 shows them.
    legacy.set("Show Repetitions", state.repeatOpacity.value_or(0.5) > 0.0);
    legacy.set("Show Selection Outlines", true);
    if (state.previewScrollOffset) {
      legacy.set("Scroll Offset", pf::pointString(*state.previewScrollOffset));
    }
    displaySettings = std::move(legacy);
  }
  if (displaySettings) {
    previewView().loadDisplaySettings(displaySettings);
  }
  // A file saved without a window holds empty split view states: nothing to apply.
  if (state.mainSplitView && !state.mainSplitView->empty()) {
    mainSplitView_->loadDescriptionDictionary(*state.mainSplitView);
  }
  if (state.bottomSplitView && !state.bottomSplitView->empty()) {
    bottomSplitView_->loadDescriptionDictionary(*state.bottomSplitView);
  }
  if (state.fromLegacyFile && state.splitViewPart && *state.splitViewPart > 1.0) {
    mainSplitView_->setDividerPosition(*state.splitViewPart);
  }
  // Older files say whether the animation panel shows (it does when they hold animations);
  // newer ones keep it in the bottom split view's state.
  if (state.fromLegacyFile && state.animationPanelOpen) {
    if (*state.animationPanelOpen) {
      openAnimationPanel();
    } else {
      closeAnimationPanel();
    }
  }
  if (state.scrollOffset) {
    scrollNodeEditorTo(*state.scrollOffset);
  }
  if (state.previewPanelOpen.value_or(false)) {
    MVNodeController& controller = document_->nodeController();
    const bool wasLoading = controller.isLoadingFile();
    controller.setIsLoadingFile(true);
    openPreviewPanel();
    raise();
    controller.setIsLoadingFile(wasLoading);
    if (state.previewPanelRect) {
      applyWindowRect(*state.previewPanelRect, *previewPanel_);
    }
  }
}

void DocumentWindow::scrollNodeEditorTo(pf::Point offset)
{
  if (!std::isfinite(offset.x) || !std::isfinite(offset.y)) {
    return;
  }
  // The editor has its node views and its size only once the window is shown and the pass has
  // ended: the scroll waits for both.
  const QPointF origin(std::clamp(offset.x, -1.0e6, 1.0e6), std::clamp(offset.y, -1.0e6, 1.0e6));
  QTimer::singleShot(0, this, [this, origin] {
    NodeEditorView* editor = nodeEditorView();
    if (editor == nullptr || released_) {
      return;
    }
    if (editor->areDeferredPassesHeld()) {
      heldEditorScroll_ = origin;  // made when the hold ends
      return;
    }
    editor->layoutPass();
    editor->scrollToVisibleOrigin(origin);
  });
}

void DocumentWindow::editorHoldEnded()
{
  NodeEditorView* editor = nodeEditorView();
  if (editor == nullptr || released_ || !heldEditorScroll_) {
    return;
  }
  const QPointF origin = *heldEditorScroll_;
  heldEditorScroll_.reset();
  editor->layoutPass();
  editor->scrollToVisibleOrigin(origin);
}

std::optional<std::vector<std::uint8_t>> DocumentWindow::previewImagePDFData()
{
  return previewView().pdfData();
}

std::vector<std::uint8_t> DocumentWindow::previewImageJPEGData(float compressionFactor)
{
  const QImage& image = previewView().patternImage();
  if (image.isNull()) {
    return {};
  }
  // JPEG has no alpha: flatten onto white.
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  {
    QPainter painter(&flat);
    QImage plain = image;
    plain.setDevicePixelRatio(1.0);
    painter.drawImage(0, 0, plain);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const int quality = static_cast<int>(std::lround(std::clamp(compressionFactor, 0.0F, 1.0F) * 100.0F));
  if (!flat.save(&buffer, "JPEG", quality)) {
    return {};
  }
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

void DocumentWindow::setStatusMessage(const std::optional<std::string>& message)
{
  previewView().setStatusMessage(message);
}

double DocumentWindow::previewDisplayScale() const
{
  return previewView().displayScale();
}

pf::PlistValue::Dictionary DocumentWindow::displaySettingsDictionary() const
{
  return previewView().displaySettingsDictionary();
}

void DocumentWindow::loadDisplaySettings(const pf::PlistValue::Dictionary& settings)
{
  previewView().loadDisplaySettings(settings);
  previewView().update();
}
