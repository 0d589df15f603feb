#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include <QAbstractScrollArea>
#include <QMenu>
#include <QPointF>
#include <QPixmap>
#include <QPointer>
#include <QRectF>

#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Editor/MVNodeViewShape.h"
#include "MorvNode/Editor/NodeViewEditorView.h"
#include "Platform/PlistValue.h"
#include "Platform/RunLoop.h"

class MVConnection;
class MVConnectionView;
class MVElement;
class MVElementRenderer;
class MVNodeController;
class MVNodeView;
class MVNodeViewAdapter;
class MVParameterSocket;
class NodeEditorBackgroundView;
class NodeEditorConnectionLayer;
class NodeEditorOverlayView;
class NoteNode;

// The canvas on which the user builds a document's graph: node views and connection views on a
// grid background, with an overlay on top for the rubber band and the socket rings of a dragged
// connection. It never changes the graph itself: pointer,
// key and file-drop input become calls on the graph controller (so every edit can be undone),
// and the controller tells it what changed (MVNodeControllerEditorDelegate), which only sets
// flags for one deferred layout pass after the pass of the run loop.
//
// Coordinates. The graph's editor coordinates (what nodes store, y down, points) can be
// negative. The canvas widget that holds the views (NodeEditorBackgroundView) has its editor
// origin at the fixed offset kCanvasOrigin, so its own ("canvas") coordinates never shift when
// the graph grows into negative coordinates; the scroll area's scrollable range follows the
// nodes (resizeView) while the visible area stays put. Main thread only.
//
// Views only where they show. A node view is a widget with a widget per row, too costly to
// make for every node of a large graph, so the canvas makes the views of the nodes whose boxes
// lie in or near the visible area (a margin of about one viewport) and lets the others go as
// the user scrolls, resizes or moves nodes. Every node still has its adapter, which keeps the
// box's origin and last measured shape (size and socket centres) while it has no widget, so
// hit tests, selection, moves, arrangement, connection ends and the scrollable area work from
// the model for every node. Connection views follow the same rule.
class NodeEditorView : public QAbstractScrollArea,
                       public MVNodeControllerEditorDelegate,
                       public NodeViewEditorView {
  Q_OBJECT

public:
  // Canvas coordinates of the editor origin, and the canvas size: editor coordinates from
  // -kCanvasOrigin to +kCanvasOrigin are shown.
  static constexpr int kCanvasOrigin = 1000000;
  static constexpr double kConnectionEndDistance = 8.0;    // points: a click grabs a connection end
  static constexpr double kConnectionLineDistance = 15.0;  // points: a click hits a connection line
  static constexpr double kMoveThreshold = 2.0;            // points a drag must pass to move nodes
  // Time one pass may spend making the views of the margin around the visible area; the rest
  // are made in the passes that follow. The views of the visible area are all made at once.
  static constexpr double kMarginViewBudget = 0.004;  // seconds

  explicit NodeEditorView(QWidget* parent = nullptr);
  ~NodeEditorView() override;

  // Registers the node views ("MVNodeView", "MVNodeViewNote") and the connection view with the
  // view factories. Idempotent; the parameter rows register themselves (MVParameterView).
  static void registerViewFactories();

  MVNodeController* nodeController() const { return controller_; }
  // Not owned (the document's); also makes this the controller's editor.
  void setNodeController(MVNodeController* controller);

  NodeEditorBackgroundView* canvas() const { return canvas_; }
  NodeEditorOverlayView* overlay() const { return overlay_; }
  // The connection curves, drawn by the overlay in one pass.
  NodeEditorConnectionLayer& connectionLayer() const { return *connectionLayer_; }

  // MVNodeControllerEditorDelegate
  void nodesChanged() override;
  void connectionsChanged() override;
  void moveNodeToTop(MVNode* node) override;
  void arrangeNodeViews() override;
  void copy() override;
  void paste() override;
  void resizeView() override;
  void initialize() override;
  void setSpaceHeldFlag(bool held) override;
  void scrollToNode(MVNode* node) override;
  MVConnection* currentlyEditedConnection() const override { return currentConnection_; }
  void hideHoverControls() override;
  void restoreKeyboardFocus(MVNode* node) override;
  pf::Rect frame() const override;

  // NodeViewEditorView
  QMenu* contextMenuForNode(MVNode* node) override;
  void showWarningsForNode(MVNode* node) override;
  void animateConnectionsChanged() override;
  void editorMouseEvent(QWidget* source, QMouseEvent* event) override;
  pf::Point modelPointFromCanvas(QPointF canvasPoint) const override;
  QPointF canvasPointFromModel(pf::Point modelPoint) const override;
  std::optional<QPointF> socketCenterInCanvas(const MVParameterSocket* socket) const override;
  pf::Size keptFrameSize(const MVNode& node) const override;

  // The deferred pass (also run at once when no run loop is current): node views, connection
  // views and their order, then the scrollable size.
  void layoutPass();
  // While held, the deferred passes wait (a direct layoutPass() still runs); releasing runs the
  // pass held back. The window holds them while a just opened document's first preview image
  // is on its way, so that making the views of a large graph does not hold that image back.
  void holdDeferredPasses() { deferredPassesHeld_ = true; }
  void releaseDeferredPasses();
  bool areDeferredPassesHeld() const { return deferredPassesHeld_; }
  bool needsToUpdateNodes() const { return needsToUpdateNodes_; }
  bool needsToUpdateConnections() const { return needsToUpdateConnections_; }
  bool isConnectionAnimationRunning() const { return connectionAnimationTimer_.isValid(); }

  // The view of a node or connection on this canvas; nullptr when it has none (also while it
  // lies away from the visible area).
  static MVNodeView* viewOfNode(const MVNode* node);
  static MVConnectionView* viewOfConnection(const MVConnection* connection);
  static MVConnectionView* viewOfConnection(const MVConnection& connection) { return viewOfConnection(&connection); }
  // The node's view, made now when it has none (wherever its box lies); nullptr when the node
  // is not on this canvas or has no view class.
  MVNodeView* makeViewOfNode(MVNode* node);
  // A node's box in canvas coordinates, with or without its view; empty when the node is not
  // on this canvas.
  QRectF nodeFrame(const MVNode* node) const;
  // A connection's two ends in canvas coordinates (from, to), with or without its view.
  std::pair<QPointF, QPointF> connectionEnds(const MVConnection* connection) const;
  // The area (canvas coordinates) within which nodes and connections get views.
  QRectF viewArea() const;
  // How many node and connection views the canvas holds now.
  int nodeViewCount() const;
  int connectionViewCount() const;
  // Whether views of the margin are still to be made in a coming pass.
  bool hasPendingViews() const { return pendingViewsTimer_.isValid(); }

  // Hit tests in canvas coordinates. Filters: 0 both, 1 inputs (to-ends), 2 outputs (from-ends).
  MVNode* nodeAtPoint(QPointF point) const;
  MVParameterSocket* socketAtLocation(QPointF point, int filter) const;
  MVConnection* connectionAtPoint(QPointF point) const;
  MVConnection* connectionWithEndAtLocation(QPointF point, int filter) const;

  // Moving and selecting.
  void prepareMoveOfSelectedNodes();
  void moveSelectedNodesToOffset(double x, double y);
  void endMoveOfSelectedNodes();
  void selectNodesInRect(QRectF rect, bool addition);
  void selectAll();
  void resetMouseDragStates();
  // Removes the selected nodes that can be deleted (one undo step).
  void deleteSelection();
  // The first node in array order whose view meets `rect` (canvas coordinates), other than
  // `disregarding`; notes count only when a node is disregarded. nullptr when none.
  MVNode* nodeIntersectingRect(QRectF rect, const MVNode* disregarding) const;
  // A file dropped at a canvas point becomes an import node; false when nothing was added.
  bool dropFile(const std::filesystem::path& file, QPointF canvasPoint);

  // The editor coordinates shown at the viewport's top-left corner.
  QPointF visibleOrigin() const;
  void scrollToVisibleOrigin(QPointF origin);
  // The scrollable area and the visible area, in editor coordinates.
  QRectF contentRect() const { return contentRect_; }
  QRectF visibleRect() const;

  // ---- Context menus (NodeEditorViewMenus.cpp) ----
  // The menus belong to the canvas (deleted with it; shown ones delete themselves on close).
  // Every command forwards to the graph controller, the node or the document, so each is one
  // undo step. The menu of a connection: what last passed through it (values, colours or
  // elements), a node to put on it, its removal; it selects the connection until it closes.
  QMenu* contextMenuForConnection(MVConnection* connection);
  // The menu of a right click at a canvas point: the connection's menu over a connection, else
  // "Add node" (placed at the point) and "Arrange nodes".
  QMenu* menuForEvent(QPointF canvasPoint);
  // The connection menu's picture of elements: 200 points wide, 15 to 220 high (15 without an
  // element), drawn at once on the calling (main) thread. Null without an image.
  QPixmap renderMenuGraphicsPreviewImageWithElement(const std::shared_ptr<const MVElement>& element);
  // The node whose menu was built last, and the connection whose menu is open.
  MVNode* currentMenuNode() const { return currentMenuNode_; }
  MVConnection* currentAddNodeConnection() const { return currentAddNodeConnection_; }

  // ---- Node clipboard (NodeEditorViewClipboard.cpp) ----
  // Copy puts the selected nodes and their connections on the clipboard (nothing selected:
  // the clipboard keeps what it holds); cut copies, then deletes them. Paste adds an image on
  // the clipboard to the selected import node or a new one, and node records as new nodes.
  void cut();
  // Whether the Edit menu command of that title ("Copy", "Cut", "Paste") applies now.
  bool validateMenuItem(const QString& title) const;
  // Adds a node record's nodes and connections (MVNodeClipboard) and shows them at once.
  std::vector<MVNode*> addNodesAndConnectionsFromDictionary(const pf::PlistValue::Dictionary& record, bool paste);

  // The add-node menu open on a dropped new connection; nullptr when none.
  QMenu* addNodeMenu() const { return addNodeMenu_.data(); }
  bool isDraggingNodes() const { return mouseIsDraggingNodes_; }
  bool isDraggingConnection() const { return mouseIsDraggingConnection_; }
  bool isDraggingSelectionBox() const { return mouseIsDraggingSelectionBox_; }
  bool spaceHeld() const { return spaceHeld_; }

protected:
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Sees the application's pointer moves: those over a part of a box that does not follow the
  // pointer (a row, a label) reach no handler, and the hover highlight needs them.
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  class LayoutMark;

  static MVNodeViewAdapter* adapterOf(const MVNode* node);
  // Takes this canvas's adapters (and with them the views) off the graph's nodes and connections.
  void releaseGraph();
  void nodeArrayUpdated();
  // Makes the views of the boxes that come into the view area and drops those far outside.
  void updateVisibleNodeViews();
  void placeNewNodeView(MVNode* node, MVNodeViewAdapter* adapter, MVNodeView* view);
  bool canDropNodeView(const MVNode* node, const MVNodeView* view) const;
  bool keepsConnectionView(const MVConnection* connection) const;
  // The shape that stands for a node's box while it has no view.
  const MVNodeViewShape& keptShape(const MVNode& node, const MVNodeViewAdapter& adapter) const;
  // Moves a box (view or kept origin) to an editor origin without a notification.
  void moveNodeTo(MVNode* node, pf::Point origin);
  void updateConnectionViews();
  MVConnectionView* addConnectionViewForConnection(MVConnection* connection);
  void rearrangeConnectionViews();
  void updateConnectionsOfNodes(const std::vector<MVNode*>& nodes);
  void updateContentPosition();
  void updateScrollRanges();
  void animateConnectionsStep();
  // Marks the canvas for its deferred pass.
  void requestLayoutPass();

  // Pointer (NodeEditorViewPointer.cpp).
  void mouseDown(QMouseEvent* event, QPointF point, int clickCount);
  void mouseDragged(QMouseEvent* event, QPointF point);
  void mouseUp(QMouseEvent* event, QPointF point);
  void mouseMoved(QPointF point);
  void finishConnectionDrag(QPointF point);
  void cancelConnectionDrag();
  void edgeScroll(QPointF point, QPointF delta);
  void showAddNodeMenuForNewConnection(MVConnection* connection, QPointF point);
  bool occludes(QPointF point, const QWidget* own) const;
  bool connectionWouldLoop(const MVConnection* connection, const MVParameterSocket* target) const;
  void copySelectionForDrag();
  // Menus (NodeEditorViewMenus.cpp).
  void addNodeMenuItems(QMenu* menu, const QString& title, const std::vector<std::string>& keys,
                        void (NodeEditorView::*action)(const std::string&));
  void addConnectionPreviewSection(QMenu* menu, MVConnection& connection);
  void menuDuplicate();
  void addNodeAfter(const std::string& className);
  void replaceWithNode(const std::string& className);
  void menuReverseConnectionOrder();
  void menuUnlink();
  void menuNodeHelp();
  void menuDelete();
  void menuSelect(const QString& title);
  void menuAddNode(const std::string& className);
  void menuRemoveConnection();
  void menuDidClose();
  void dismissConnectionSelection();
  bool isCurrentConnection(const MVConnection* connection) const;
  // Clipboard (NodeEditorViewClipboard.cpp): an image into an import node; false when the
  // clipboard held none.
  bool pasteImageData();
  void closeCopyUndoGroup();
  bool isEditingText() const;

  MVNodeController* controller_ = nullptr;  // not owned; the document's, outlives the canvas
  NodeEditorBackgroundView* canvas_ = nullptr;
  NodeEditorOverlayView* overlay_ = nullptr;
  std::unique_ptr<NodeEditorConnectionLayer> connectionLayer_;
  std::unique_ptr<LayoutMark> layoutMark_;
  bool needsToUpdateNodes_ = false;
  bool needsToUpdateConnections_ = false;
  bool needsToReorderConnections_ = false;
  bool needsToResize_ = false;
  bool needsToUpdateViewArea_ = false;
  bool inLayoutPass_ = false;
  bool deferredPassesHeld_ = false;
  bool passHeldBack_ = false;  // a deferred pass came while held
  // Shapes measured from views, by MVNodeViewShape key; estimates for kinds never measured.
  std::unordered_map<std::string, MVNodeViewShape> measuredShapes_;
  mutable std::unordered_map<std::string, MVNodeViewShape> estimatedShapes_;
  mutable std::string scratchKey_;
  std::optional<double> marginDeadline_;  // steady-clock seconds; set in a pass once views are made
  long nextStackRank_ = 0;
  pf::Timer pendingViewsTimer_;
  QRectF contentRect_;  // editor coordinates: the scrollable area

  // Pointer state.
  MVConnection* currentConnection_ = nullptr;  // owned by the controller
  bool currentConnectionIsNew_ = false;
  MVParameterSocket* detachedSocket_ = nullptr;  // the end an existing connection was grabbed by
  bool detachedToEnd_ = false;
  std::optional<pf::PlistValue::Array> connectionsUndoState_;
  NoteNode* currentlyEditedNoteNode_ = nullptr;
  QPointF noteStartSize_;
  QPointF mouseDragStartPoint_;  // canvas coordinates
  QPointF lastPointerGlobal_;
  bool mouseIsDraggingNodes_ = false;
  bool mouseIsDraggingConnection_ = false;
  bool mouseIsDraggingSelectionBox_ = false;
  bool mouseIsDraggingNoteResize_ = false;
  bool mouseCopyNodeOnDrag_ = false;
  bool panning_ = false;
  bool copyUndoGroupOpen_ = false;  // an option-drag copy is one undo step with its move
  std::string copyUndoActionName_;  // that step's name, by the number of copies
  bool spaceHeld_ = false;
  double lastEdgeScrollTime_ = 0.0;
  QPointer<QMenu> addNodeMenu_;
  // Menus.
  MVNode* currentMenuNode_ = nullptr;               // owned by the controller; cleared when it goes
  MVConnection* currentAddNodeConnection_ = nullptr;  // owned by the controller
  QPointF contextMenuLocation_;                     // canvas coordinates of the last menu
  std::unique_ptr<MVElementRenderer> menuPreviewRenderer_;  // made on first use
  pf::Timer menuCloseTimer_;
  pf::Timer addNodeMenuTimer_;  // drops an unused connection after its menu closed

  pf::Timer connectionAnimationTimer_;
  double connectionAnimationStart_ = 0.0;
};
