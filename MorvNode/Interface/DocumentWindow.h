#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QPointF>
#include <QPointer>

#include "MorvNode/Document/MVDocumentWindow.h"
#include "Platform/EndOfPassObserver.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"
#include "Shared/LockingSplitView/CollapsingSplitViewDelegate.h"

class CollapsingSplitView;
class MVDocument;
class MVDocumentController;
class MVPreviewContainer;
class MVPreviewView;
class MyPreviewPanel;
class NodeEditorView;
class QAction;
class QLabel;
class QMenu;

// The window of one document, and the owner of that document. Two nested collapsing split views
// hold the node editor (top pane of the main split view) and, below it, the timeline (first
// pane of the bottom split view) beside the preview (second pane); the preview can move out
// into a separate floating panel. The window answers the document's window seam (view state,
// preview image, status line) and carries the document's menu commands.
//
// Other parts of the interface plug in here:
// - the node editor and the timeline through a pane factory (setNodeEditorFactory,
//   setTimelineFactory; the application registers them at start-up) or directly with
//   setNodeEditorWidget / setTimelineWidget; a placeholder stands in until then;
// - menu items through fileMenu() (new entries go before fileMenuExportAnchor(), the place of
//   the export commands) or any menu of menuNamed(), from a menu extension registered with
//   addMenuExtension, which runs for every new window once its menus are built.
//
// Closing asks about unsaved changes; the document and its resources go with the window.
class DocumentWindow : public QMainWindow, public MVDocumentWindow, public CollapsingSplitViewDelegate {
  Q_OBJECT

public:
  using PaneFactory = std::function<QWidget*(DocumentWindow& window)>;
  using MenuExtension = std::function<void(DocumentWindow& window)>;

  // The window takes the document; `controller` (the application's) outlives it and may be
  // nullptr in tests. Call setUpDocument() once the window exists.
  DocumentWindow(std::unique_ptr<MVDocument> document, MVDocumentController* controller, QWidget* parent = nullptr);
  ~DocumentWindow() override;

  // Builds the document (a file read before, else a new document from the default documents)
  // with the window in place, then marks it clean.
  void setUpDocument();

  MVDocument& document() const { return *document_; }
  MVPreviewView& previewView() const;
  MVPreviewContainer& previewContainer() const { return *previewContainer_; }
  CollapsingSplitView& mainSplitView() const { return *mainSplitView_; }
  CollapsingSplitView& bottomSplitView() const { return *bottomSplitView_; }
  MyPreviewPanel& previewPanel() const { return *previewPanel_; }

  // ---- Slots for the other parts of the interface ----
  static void setNodeEditorFactory(PaneFactory factory);
  static void setTimelineFactory(PaneFactory factory);
  static void addMenuExtension(MenuExtension extension);
  // The window takes the widget; the previous content (or the placeholder) is deleted.
  void setNodeEditorWidget(QWidget* widget);
  void setTimelineWidget(QWidget* widget);
  QWidget* nodeEditorWidget() const;
  // The node editor in the top pane (the pane itself or inside it); nullptr with a placeholder.
  NodeEditorView* nodeEditorView() const;
  QWidget* timelineWidget() const;
  QMenu* fileMenu() const { return fileMenu_; }
  QMenu* editMenu() const { return editMenu_; }
  // A separator in the File menu after Save As and Revert: export commands go before it.
  QAction* fileMenuExportAnchor() const { return exportAnchor_; }
  // "File", "Edit", "View", "Node"; nullptr for another name.
  QMenu* menuNamed(const QString& name) const;

  // ---- Files ----
  // The document's file name, or the untitled name the controller gave it.
  QString displayName() const;
  void setUntitledName(QString name);
  bool isDocumentEdited() const;
  // Saves to the document's file, or asks for one; false when nothing was saved (cancelled or
  // failed, which is shown).
  bool save();
  bool saveAs();
  bool saveToPath(const std::string& path);
  // Asks, then reloads the file; an unreadable file leaves the document as it was.
  void revertDocumentToSaved();
  bool canRevert() const;
  // Asks about unsaved changes: true when the window may close (saved or discarded).
  bool askToSaveChanges();
  void markClean();
  // Closes without asking (after askToSaveChanges, or from tests).
  void closeWithoutAsking();

  // ---- Panels ----
  void openAnimationPanel() override;
  void closeAnimationPanel();
  void toggleAnimationPanel();
  void openPreviewPanel();
  void closePreviewPanel();
  void togglePanelPreview();
  void updatePreviewPanelName();
  bool isAnimationContainerShown() const;
  bool isPreviewContainerShown() const;
  // Zoom by a factor: 0 fits, 1.2 zooms in, 1 / 1.2 zooms out.
  void changeZoom(double factor);

  // ---- Graph commands ----
  void menuDelete();
  void duplicate();
  void unlinkNode();
  void reverseNodeConnectionsOrder();
  void arrangeNodes();
  void refresh();
  void autoRefreshChanged();
  // The document's window commands are enabled by their titles' rule.
  void updateMenuItems();

  // Puts a saved frame on a window, fitted to its screen; frames of 200 or less in either
  // direction are ignored.
  static void applyWindowRect(const pf::Rect& rect, QWidget& window);

  // ---- MVDocumentWindow ----
  void storeViewState(MVDocumentViewState& state) const override;
  void applyViewState(const MVDocumentViewState& state) override;
  std::optional<std::vector<std::uint8_t>> previewImagePDFData() override;
  std::vector<std::uint8_t> previewImageJPEGData(float compressionFactor) override;
  void setStatusMessage(const std::optional<std::string>& message) override;
  double previewDisplayScale() const override;
  pf::PlistValue::Dictionary displaySettingsDictionary() const override;
  void loadDisplaySettings(const pf::PlistValue::Dictionary& settings) override;

  // ---- CollapsingSplitViewDelegate ----
  void splitViewDidResizeSubviews(CollapsingSplitView& splitView) override;
  void splitViewDidCollapse(CollapsingSplitView&) override {}
  void splitViewDidExpand(CollapsingSplitView&) override {}

signals:
  void documentClosed(DocumentWindow* window);
  void documentSaved(const QString& path);

protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  void buildMenus();
  void updateTitle();
  void releaseResources();
  QWidget* makePlaceholder(const QString& text);
  // Scrolls the node editor so that `offset` (editor coordinates) is at its top-left corner,
  // once the window is up.
  void scrollNodeEditorTo(pf::Point offset);
  // The editor's deferred passes were held for the first image and now run: a scroll that
  // waited for them is made.
  void editorHoldEnded();

  std::unique_ptr<MVDocument> document_;
  MVDocumentController* controller_ = nullptr;  // the application's, outlives this window
  CollapsingSplitView* mainSplitView_ = nullptr;    // central widget
  CollapsingSplitView* bottomSplitView_ = nullptr;  // second pane of the main split view
  MVPreviewContainer* previewContainer_ = nullptr;  // in the bottom split view or the panel
  MyPreviewPanel* previewPanel_ = nullptr;          // child window
  QString untitledName_;
  unsigned long long savedContentState_ = 0;
  bool closing_ = false;
  bool released_ = false;
  std::optional<QPointF> heldEditorScroll_;  // editor coordinates, while the editor is held
  pf::EndOfPassObserver menuUpdater_;

  QMenu* fileMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QMenu* nodeMenu_ = nullptr;
  QAction* exportAnchor_ = nullptr;
  QAction* saveAction_ = nullptr;
  QAction* revertAction_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QAction* cutAction_ = nullptr;
  QAction* copyAction_ = nullptr;
  QAction* pasteAction_ = nullptr;
  QAction* selectAllAction_ = nullptr;
  QAction* deleteAction_ = nullptr;
  QAction* duplicateAction_ = nullptr;
  QAction* unlinkAction_ = nullptr;
  QAction* reverseAction_ = nullptr;
  QAction* autoRefreshAction_ = nullptr;
  QAction* animationPanelAction_ = nullptr;
  QAction* previewPanelAction_ = nullptr;
  QAction* showRepetitionsAction_ = nullptr;
  QAction* showOutlinesAction_ = nullptr;
};
