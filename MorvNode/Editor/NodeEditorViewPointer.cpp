// Pointer and keyboard handling of the node editor canvas: hit tests, the mouse state machine
// (connection ends, new connections, node moves and copies, note resizing, rubber band, panning,
// edge scrolling) and the keys.
#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>

#include "MorvNode/Controller/MVNodeClipboard.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Editor/DragResizeCornerView.h"
#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/MVNodeViewAdapter.h"
#include "MorvNode/Editor/MVNodeViewNote.h"
#include "MorvNode/Editor/NodeCatalogueMenus.h"
#include "MorvNode/Editor/NodeEditorBackgroundView.h"
#include "MorvNode/Editor/NodeEditorOverlayView.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVUndoRegistrationPause.h"
#include "MorvNode/Nodes/Notes/NoteNode.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr double kEdgeScrollStep = 20.0;      // points per step
constexpr double kEdgeScrollInterval = 0.1;   // seconds between steps at most
constexpr double kEdgeScrollInset = 10.0;     // points inside the visible edge

MVParameterSocketView* viewOf(const MVParameterSocket* socket)
{
  const auto* adapter = socket != nullptr ? dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView())
                                          : nullptr;
  return adapter != nullptr ? adapter->view() : nullptr;
}

double distance(QPointF a, QPointF b)
{
  return std::hypot(a.x() - b.x(), a.y() - b.y());
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
  const QPointF ab = b - a;
  const double lengthSquared = QPointF::dotProduct(ab, ab);
  const double t = lengthSquared > 0.0 ? QPointF::dotProduct(p - a, ab) / lengthSquared : 0.0;
  const QPointF nearest = t <= 0.0 ? a : t >= 1.0 ? b : a + t * ab;
  return distance(p, nearest);
}

QRectF rectFromTwoPoints(QPointF a, QPointF b)
{
  return QRectF(QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                QPointF(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

double now()
{
  if (pf::RunLoop* loop = pf::RunLoop::current()) {
    return loop->now();
  }
  return 0.0;
}

// The direct child of `canvas` that contains `widget` (or is it); nullptr when none.
QWidget* canvasChildOf(QWidget* widget, const QWidget* canvas)
{
  while (widget != nullptr && widget->parentWidget() != canvas) {
    widget = widget->parentWidget();
  }
  return widget;
}

}  // namespace

// ---- Hit tests ----

MVNode* NodeEditorView::nodeAtPoint(QPointF point) const
{
  if (controller_ == nullptr) {
    return nullptr;
  }
  QWidget* hit = canvasChildOf(canvas_->childAt(point.toPoint()), canvas_);
  if (const auto* view = qobject_cast<const MVNodeView*>(hit); view != nullptr && view->node() != nullptr) {
    return view->node();
  }
  if (hit != nullptr && qobject_cast<const MVConnectionView*>(hit) == nullptr) {
    return nullptr;  // the overlay or another widget
  }
  // A box without a view (away from the visible area): the frontmost whose frame holds the point.
  MVNode* found = nullptr;
  long foundRank = 0;
  for (const auto& node : controller_->nodeArray()) {
    const MVNodeViewAdapter* adapter = adapterOf(node.get());
    if (adapter == nullptr || viewOfNode(node.get()) != nullptr || !nodeFrame(node.get()).contains(point)) {
      continue;
    }
    if (found == nullptr || adapter->stackRank() > foundRank) {
      found = node.get();
      foundRank = adapter->stackRank();
    }
  }
  return found;
}

bool NodeEditorView::occludes(QPointF point, const QWidget* own) const
{
  QWidget* hit = canvasChildOf(canvas_->childAt(point.toPoint()), canvas_);
  return hit != nullptr && hit != own && qobject_cast<MVConnectionView*>(hit) == nullptr;
}

MVParameterSocket* NodeEditorView::socketAtLocation(QPointF point, int filter) const
{
  if (controller_ == nullptr) {
    return nullptr;
  }
  for (const auto& node : controller_->nodeArray()) {
    if (adapterOf(node.get()) == nullptr) {
      continue;
    }
    const MVNodeView* nodeView = viewOfNode(node.get());
    // Sockets sit on the box's edges: a box that does not come near the point has none there.
    if (!nodeFrame(node.get()).adjusted(-10, -10, 10, 10).contains(point)) {
      continue;
    }
    for (const auto& parameter : node->parameters()) {
      MVParameterSocket* found = nullptr;
      auto test = [&](const MVParameterSocketList& sockets) {
        for (const auto& socket : sockets) {
          if (nodeView == nullptr) {
            // No view: the socket's kept place.
            const std::optional<QPointF> centre = socketCenterInCanvas(socket.get());
            if (centre && distance(point, *centre) < MVParameterSocketView::kNearDistance) {
              found = socket.get();
            }
            continue;
          }
          const MVParameterSocketView* view = viewOf(socket.get());
          if (view != nullptr && view->isShownOnNode() && view->isEditorViewPointNearSocket(point)) {
            found = socket.get();
          }
        }
      };
      if (filter == 0 || filter == 1) {
        test(parameter->inputSockets());
      }
      if (filter == 0 || filter == 2) {
        test(parameter->outputSockets());
      }
      if (found != nullptr) {
        // Another box lying over the socket hides it.
        const std::optional<QPointF> centre = socketCenterInCanvas(found);
        return centre && occludes(*centre, nodeView) ? nullptr : found;
      }
    }
  }
  return nullptr;
}

MVConnection* NodeEditorView::connectionWithEndAtLocation(QPointF point, int filter) const
{
  if (controller_ == nullptr) {
    return nullptr;
  }
  const auto& connections = controller_->connectionArray();
  for (auto each = connections.rbegin(); each != connections.rend(); ++each) {
    const MVConnection* connection = each->get();
    if (connection->hasLooseEnd()) {
      continue;
    }
    const auto [from, to] = connectionEnds(connection);
    if ((filter == 0 || filter == 2) && distance(point, from) < kConnectionEndDistance) {
      return each->get();
    }
    if ((filter == 0 || filter == 1) && distance(point, to) < kConnectionEndDistance) {
      return each->get();
    }
  }
  return nullptr;
}

MVConnection* NodeEditorView::connectionAtPoint(QPointF point) const
{
  if (controller_ == nullptr) {
    return nullptr;
  }
  MVConnection* best = nullptr;
  int bestPosition = -1;
  const QObjectList& children = canvas_->children();
  for (const auto& connection : controller_->connectionArray()) {
    if (connection->hasLooseEnd()) {
      continue;
    }
    const auto [from, to] = connectionEnds(connection.get());
    if (distanceToSegment(point, from, to) < kConnectionLineDistance) {
      // Without a view (away from the visible area) it is drawn below every view.
      const MVConnectionView* view = viewOfConnection(connection.get());
      const int position = view != nullptr ? static_cast<int>(children.indexOf(const_cast<MVConnectionView*>(view))) : 0;
      if (best == nullptr || position > bestPosition) {
        best = connection.get();
        bestPosition = position;
      }
    }
  }
  if (best == nullptr) {
    return nullptr;
  }
  // A connection passing under a box cannot be clicked there.
  QWidget* hit = canvasChildOf(canvas_->childAt(point.toPoint()), canvas_);
  if (hit != nullptr && qobject_cast<MVConnectionView*>(hit) == nullptr && children.indexOf(hit) > bestPosition) {
    return nullptr;
  }
  return best;
}

// ---- Event dispatch ----

void NodeEditorView::editorMouseEvent(QWidget* source, QMouseEvent* event)
{
  const QPointF point = source == canvas_ || !canvas_->isAncestorOf(source) ? event->position()
                                                                           : source->mapTo(canvas_, event->position());
  switch (event->type()) {
  case QEvent::MouseButtonPress:
    mouseDown(event, point, 1);
    break;
  case QEvent::MouseButtonDblClick:
    mouseDown(event, point, 2);
    break;
  case QEvent::MouseMove:
    if (event->buttons() & (Qt::LeftButton | Qt::MiddleButton)) {
      mouseDragged(event, point);
    } else {
      mouseMoved(point);
    }
    break;
  case QEvent::MouseButtonRelease:
    mouseUp(event, point);
    break;
  default:
    break;
  }
  lastPointerGlobal_ = event->globalPosition();
}

bool NodeEditorView::eventFilter(QObject* watched, QEvent* event)
{
  // The toolkit drops a move without a button at the first widget under the pointer that does
  // not follow the pointer, before any handler: over a row or its labels the canvas would never
  // hear it. Widgets that follow the pointer (the boxes) hand their moves over themselves.
  if (event->type() == QEvent::MouseMove && watched->isWidgetType() && canvas_ != nullptr) {
    auto* widget = static_cast<QWidget*>(watched);
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (mouse->buttons() == Qt::NoButton && widget != canvas_ && !widget->hasMouseTracking() &&
        canvas_->isAncestorOf(widget)) {
      mouseMoved(widget->mapTo(canvas_, mouse->position()));
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

bool NodeEditorView::isEditingText() const
{
  // The window's focus widget also while the window is not active (an inspector panel open).
  QWidget* focus = window() != nullptr ? window()->focusWidget() : QApplication::focusWidget();
  return qobject_cast<QLineEdit*>(focus) != nullptr || qobject_cast<QTextEdit*>(focus) != nullptr ||
         qobject_cast<QPlainTextEdit*>(focus) != nullptr || qobject_cast<QAbstractSpinBox*>(focus) != nullptr;
}

void NodeEditorView::closeCopyUndoGroup()
{
  if (!copyUndoGroupOpen_) {
    return;
  }
  copyUndoGroupOpen_ = false;
  NodeControllerDocumentProtocol* document = controller_ != nullptr ? controller_->document() : nullptr;
  if (pf::UndoManager* undo = document != nullptr ? document->undoManager() : nullptr) {
    undo->setActionName(copyUndoActionName_);
    undo->endUndoGrouping();
  }
}

void NodeEditorView::resetMouseDragStates()
{
  closeCopyUndoGroup();
  mouseIsDraggingNodes_ = false;
  mouseIsDraggingConnection_ = false;
  mouseIsDraggingSelectionBox_ = false;
  mouseIsDraggingNoteResize_ = false;
  panning_ = false;
  if (currentConnection_ != nullptr) {
    currentConnection_->setIsBeingEdited(false);
    currentConnection_ = nullptr;
  }
  overlay_->setShowSelectionBox(false);
  overlay_->setCurrentlyEditedConnection(nullptr);
  currentlyEditedNoteNode_ = nullptr;
  connectionsUndoState_.reset();
  detachedSocket_ = nullptr;
}

void NodeEditorView::mouseDown(QMouseEvent* event, QPointF point, int clickCount)
{
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  resetMouseDragStates();
  mouseDragStartPoint_ = point;
  lastPointerGlobal_ = event->globalPosition();
  if (!isEditingText() && !hasFocus()) {
    setFocus(Qt::MouseFocusReason);
  }
  if (controller_ == nullptr || event->button() == Qt::RightButton) {
    return;
  }
  if (spaceHeld_ || event->button() == Qt::MiddleButton) {
    panning_ = true;
    return;
  }
  const bool shift = modifiers & Qt::ShiftModifier;
  const bool option = modifiers & Qt::AltModifier;
  const bool copyModifier = option || (modifiers & Qt::ControlModifier);

  // A connection end within reach is grabbed (to-ends first); Alt starts a new connection from
  // the socket beneath instead.
  if (!option) {
    bool toEnd = true;
    MVConnection* connection = connectionWithEndAtLocation(point, 1);
    if (connection == nullptr) {
      connection = connectionWithEndAtLocation(point, 2);
      toEnd = false;
    }
      if (connection != nullptr) {
      connectionsUndoState_ = controller_->connectionDescriptionsArray();
      currentConnection_ = connection;
      currentConnectionIsNew_ = false;
      mouseIsDraggingConnection_ = true;
      connection->setIsBeingEdited(true);  // before detaching: a loose end would end it otherwise
      detachedToEnd_ = toEnd;
      detachedSocket_ = toEnd ? connection->toSocket() : connection->fromSocket();
      // The whole drag is recorded at the release (or not at all after Escape).
      MVUndoRegistrationPause paused(controller_->document());
      if (toEnd) {
        connection->setToSocket(nullptr);
      } else {
        connection->setFromSocket(nullptr);
      }
    }
  }
  if (currentConnection_ == nullptr) {
    if (MVParameterSocket* socket = socketAtLocation(point, 0)) {
      connectionsUndoState_ = controller_->connectionDescriptionsArray();
      const bool input = socket->socketDirection() == MVSocketDirection::Input;
      MVConnection* connection =
        input ? controller_->addConnectionFromSocket(nullptr, socket) : controller_->addConnectionFromSocket(socket, nullptr);
      makeViewOfNode(socket->parameter() != nullptr ? socket->parameter()->node() : nullptr);
      if (connection != nullptr) {
        connection->setIsBeingEdited(true);
        currentConnection_ = connection;
        currentConnectionIsNew_ = true;
        mouseIsDraggingConnection_ = true;
        if (connection->connectionView() == nullptr) {
          addConnectionViewForConnection(connection);
        }
      } else {
        connectionsUndoState_.reset();
      }
    }
  }
  overlay_->setCurrentlyEditedConnection(currentConnection_);
  if (currentConnection_ != nullptr) {
    if (MVConnectionView* view = viewOfConnection(currentConnection_)) {
      view->stackUnder(overlay_);
      view->setNeedsDisplay();
    }
    return;
  }
  if (connectionAtPoint(point) != nullptr) {
    return;  // a click on a connection line is for its context menu
  }
  if (MVNode* node = nodeAtPoint(point)) {
    if (!node->selected()) {
      controller_->selectNode(node, shift, false, true);
    } else if (shift) {
      controller_->selectNode(node, true, true, true);
    }
    MVNodeView* view = makeViewOfNode(node);
    if (clickCount == 2 && node->canRename() && view != nullptr) {
      const QPointF local = point - QPointF(view->pos());
      if (local.x() > 18.0 && local.y() < MVNodeView::kTitleStripHeight) {
        view->menuRename();
        return;
      }
    }
    if (auto* note = dynamic_cast<NoteNode*>(node); note != nullptr && view != nullptr) {
      if (qobject_cast<DragResizeCornerView*>(view->childAt((point - QPointF(view->pos())).toPoint())) != nullptr) {
        mouseIsDraggingNoteResize_ = true;
        currentlyEditedNoteNode_ = note;
        note->setNoteSize(pf::Size(view->width(), view->height()));
        noteStartSize_ = QPointF(view->width(), view->height());
      }
    }
    mouseCopyNodeOnDrag_ = copyModifier;
    if (!mouseIsDraggingNoteResize_) {
      mouseIsDraggingNodes_ = true;
      prepareMoveOfSelectedNodes();
    }
    return;
  }
  mouseIsDraggingSelectionBox_ = true;
  if (!shift) {
    controller_->selectNode(nullptr, false, false, true);
  }
}

void NodeEditorView::mouseDragged(QMouseEvent* event, QPointF point)
{
  const QPointF delta = event->globalPosition() - lastPointerGlobal_;
  if (panning_ || spaceHeld_ || (event->buttons() & Qt::MiddleButton)) {
    if (overlay_->showSelectionBox()) {
      mouseUp(event, point);
    }
    panning_ = true;
    viewport()->setCursor(Qt::ClosedHandCursor);
    scrollToVisibleOrigin(visibleOrigin() - delta);
    return;
  }
  const QPointF offset = point - mouseDragStartPoint_;
  if (mouseIsDraggingNodes_) {
    if (std::abs(offset.x()) > kMoveThreshold || std::abs(offset.y()) > kMoveThreshold) {
      if (mouseCopyNodeOnDrag_) {
        mouseCopyNodeOnDrag_ = false;
        copySelectionForDrag();
        prepareMoveOfSelectedNodes();
      }
      moveSelectedNodesToOffset(offset.x(), offset.y());
    }
  } else if (mouseIsDraggingConnection_ && currentConnection_ != nullptr) {
    if (MVConnectionView* view = viewOfConnection(currentConnection_)) {
      if (currentConnection_->fromSocket() != nullptr) {
        MVParameterSocket* target = socketAtLocation(point, 1);
        const std::optional<QPointF> centre = target != nullptr && target->canConnectConnection(currentConnection_)
                                                ? socketCenterInCanvas(target)
                                                : std::nullopt;
        view->setToLocation(centre.value_or(point));
      } else {
        MVParameterSocket* target = socketAtLocation(point, 2);
        const std::optional<QPointF> centre = target != nullptr && target->canConnectConnection(currentConnection_)
                                                ? socketCenterInCanvas(target)
                                                : std::nullopt;
        view->setFromLocation(centre.value_or(point));
      }
    }
    overlay_->update();
  } else if (mouseIsDraggingSelectionBox_) {
    overlay_->setSelectionRect(rectFromTwoPoints(mouseDragStartPoint_, point));
    overlay_->setShowSelectionBox(true);
  } else if (mouseIsDraggingNoteResize_ && currentlyEditedNoteNode_ != nullptr) {
    if (MVNodeView* view = viewOfNode(currentlyEditedNoteNode_)) {
      view->resize(static_cast<int>(std::max<double>(MVNodeViewNote::kMinimumWidth, noteStartSize_.x() + offset.x())),
                   static_cast<int>(std::max<double>(MVNodeViewNote::kMinimumHeight, noteStartSize_.y() + offset.y())));
    }
  }
  edgeScroll(point, delta);
}

void NodeEditorView::edgeScroll(QPointF point, QPointF delta)
{
  const QPointF q = point - canvasPointFromModel(pf::Point(visibleOrigin().x(), visibleOrigin().y()));
  const QRectF inner = QRectF(QPointF(0, 0), QSizeF(viewport()->size()))
                         .adjusted(kEdgeScrollInset, kEdgeScrollInset, -kEdgeScrollInset, -kEdgeScrollInset);
  if (inner.contains(q) || now() - lastEdgeScrollTime_ <= kEdgeScrollInterval) {
    return;
  }
  auto step = [](double position, double low, double high, double moved) {
    if (position < low) {
      return moved < 0.0 ? kEdgeScrollStep : 0.0;
    }
    if (position > high) {
      return moved > 0.0 ? -kEdgeScrollStep : 0.0;
    }
    return 0.0;
  };
  const QPointF scroll(step(q.x(), inner.left(), inner.right(), delta.x()),
                       step(q.y(), inner.top(), inner.bottom(), delta.y()));
  if (scroll.isNull()) {
    return;
  }
  scrollToVisibleOrigin(visibleOrigin() - scroll);
  lastEdgeScrollTime_ = now();
}

void NodeEditorView::mouseUp(QMouseEvent* event, QPointF point)
{
  if (panning_) {
    viewport()->setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::ArrowCursor);
  }
  if (mouseIsDraggingNodes_) {
    endMoveOfSelectedNodes();
    mouseIsDraggingNodes_ = false;
    closeCopyUndoGroup();
  }
  if (mouseIsDraggingSelectionBox_) {
    if (overlay_->showSelectionBox()) {
      selectNodesInRect(overlay_->selectionRect(), event->modifiers() & Qt::ShiftModifier);
      overlay_->setShowSelectionBox(false);
    }
    mouseIsDraggingSelectionBox_ = false;
  }
  if (mouseIsDraggingNoteResize_ && currentlyEditedNoteNode_ != nullptr) {
    if (const MVNodeView* view = viewOfNode(currentlyEditedNoteNode_)) {
      currentlyEditedNoteNode_->setNoteSize(pf::Size(view->width(), view->height()));
    }
    nodesChanged();
  }
  if (currentConnection_ != nullptr) {
    finishConnectionDrag(point);
  }
  resetMouseDragStates();
}

bool NodeEditorView::connectionWouldLoop(const MVConnection* connection, const MVParameterSocket* target) const
{
  const MVParameterSocket* from = connection->fromSocket() != nullptr ? connection->fromSocket() : target;
  const MVParameterSocket* to = connection->toSocket() != nullptr ? connection->toSocket() : target;
  MVNode* fromNode = from != nullptr && from->parameter() != nullptr ? from->parameter()->node() : nullptr;
  MVNode* toNode = to != nullptr && to->parameter() != nullptr ? to->parameter()->node() : nullptr;
  if (fromNode == nullptr || toNode == nullptr || controller_ == nullptr) {
    return false;
  }
  if (fromNode == toNode) {
    return true;
  }
  // A loop: the new connection's source is already downstream of its destination.
  const std::vector<MVNode*> downstream = controller_->nodesLinkedToNode(toNode, false, true);
  return std::find(downstream.begin(), downstream.end(), fromNode) != downstream.end();
}

void NodeEditorView::finishConnectionDrag(QPointF point)
{
  MVConnection* connection = currentConnection_;
  NodeControllerDocumentProtocol* document = controller_->document();
  auto recordUndo = [&](const char* actionName) {
    if (connectionsUndoState_ && document != nullptr) {
      document->storeConnectionsUndoState(*connectionsUndoState_, std::string(actionName));
    }
  };
  const bool dragsToEnd = connection->fromSocket() != nullptr;
  MVParameterSocket* target = socketAtLocation(point, dragsToEnd ? 1 : 2);
  if (target != nullptr && !target->canConnectConnection(connection)) {
    target = nullptr;
  }
  if (target != nullptr) {
    if (connectionWouldLoop(connection, target)) {
      const MVParameterSocket* from = dragsToEnd ? connection->fromSocket() : target;
      const MVParameterSocket* to = dragsToEnd ? target : connection->toSocket();
      const std::string text = pf::format(
        "A connection between %@ : %@ and %@ : %@ results in an infinite loop, so it cannot be made.",
        from->parameter()->node()->displayFullName(), from->parameter()->displayName(),
        to->parameter()->node()->displayFullName(), to->parameter()->displayName());
      currentConnection_ = nullptr;
      connection->setIsBeingEdited(false);
      controller_->removeConnection(connection);
      recordUndo(currentConnectionIsNew_ ? "adding connection" : "connection change");
      FeedbackManager::showNSAlert("Infinite loop error", text);
    } else {
      if (dragsToEnd) {
        connection->setToSocket(target);
      } else {
        connection->setFromSocket(target);
      }
      connection->setIsBeingEdited(false);
      if (!connection->hasInfiniteLoopProblem()) {
        connection->inputChanged();
      }
      recordUndo(currentConnectionIsNew_ ? "adding connection" : "connection change");
    }
  } else if (currentConnectionIsNew_ &&
             pf::UserDefaults::standard().boolForKey("Add nodes by dragging new connection")) {
    currentConnection_ = nullptr;
    showAddNodeMenuForNewConnection(connection, point);
  } else {
    currentConnection_ = nullptr;
    connection->setIsBeingEdited(false);
    controller_->removeConnection(connection);
    recordUndo("remove connection");
  }
  currentConnection_ = nullptr;
  overlay_->setCurrentlyEditedConnection(nullptr);
  mouseIsDraggingConnection_ = false;
  controller_->connectionsChanged();
}

void NodeEditorView::cancelConnectionDrag()
{
  MVConnection* connection = currentConnection_;
  if (connection == nullptr) {
    return;
  }
  currentConnection_ = nullptr;
  if (!currentConnectionIsNew_ && detachedSocket_ != nullptr) {
    // An existing connection goes back to the socket it was taken from, as if never touched.
    MVUndoRegistrationPause paused(controller_->document());
    if (detachedToEnd_) {
      connection->setToSocket(detachedSocket_);
    } else {
      connection->setFromSocket(detachedSocket_);
    }
    connection->setIsBeingEdited(false);
    if (connection->hasLooseEnd()) {
      controller_->removeConnection(connection);
    }
  } else {
    connection->setIsBeingEdited(false);
    controller_->removeConnection(connection);
  }
  detachedSocket_ = nullptr;
  connectionsUndoState_.reset();
  overlay_->setCurrentlyEditedConnection(nullptr);
  mouseIsDraggingConnection_ = false;
  controller_->connectionsChanged();
}

void NodeEditorView::showAddNodeMenuForNewConnection(MVConnection* connection, QPointF point)
{
  QMenu* menu = NodeCatalogueMenus::addNodeMenuForConnection(*connection, this);
  if (menu == nullptr) {
    connection->setIsBeingEdited(false);
    controller_->removeConnection(connection);
    return;
  }
  addNodeMenu_ = menu;
  menu->setAttribute(Qt::WA_DeleteOnClose);
  auto chosen = std::make_shared<bool>(false);
  // The new node's place: left of the end when the connection came out of an input, a little up.
  const pf::Point end = modelPointFromCanvas(point);
  const pf::Point location(connection->fromSocket() != nullptr ? end.x : end.x - 140.0, end.y - 40.0);
  if (MVConnectionView* view = viewOfConnection(connection)) {
    view->setSelected(true);
  }
  connect(menu, &QMenu::triggered, this, [this, connection, location, chosen](QAction* action) {
    const std::string className = action->data().toString().toStdString();
    if (className.empty() || controller_ == nullptr) {
      return;
    }
    *chosen = true;
    const auto& connections = controller_->connectionArray();
    const bool alive = std::any_of(connections.begin(), connections.end(),
                                   [connection](const auto& each) { return each.get() == connection; });
    if (alive) {
      controller_->addNodeOfClassOnConnection(className, connection, location);
    }
    // The connection runs through the new node now, or it goes.
    const bool stillThere = std::any_of(connections.begin(), connections.end(),
                                        [connection](const auto& each) { return each.get() == connection; });
    if (stillThere) {
      connection->setIsBeingEdited(false);
      if (connection->hasLooseEnd()) {
        controller_->removeConnection(connection);
      } else if (MVConnectionView* view = viewOfConnection(connection)) {
        view->setSelected(false);
      }
    }
  });
  connect(menu, &QMenu::aboutToHide, this, [this, connection, chosen] {
    // After the triggered action (if any) has run: an unused connection goes.
    pf::RunLoop* loop = pf::RunLoop::current();
    auto dropUnused = [this, connection, chosen] {
      if (*chosen || controller_ == nullptr) {
        return;
      }
      const auto& connections = controller_->connectionArray();
      const bool alive = std::any_of(connections.begin(), connections.end(),
                                     [connection](const auto& each) { return each.get() == connection; });
      if (alive && connection->hasLooseEnd()) {
        connection->setIsBeingEdited(false);
        controller_->removeConnection(connection);
      }
    };
    if (loop != nullptr) {
      addNodeMenuTimer_ = loop->scheduleOneShot(0.01, dropUnused);
    } else {
      dropUnused();
    }
  });
  menu->popup(canvas_->mapToGlobal(point.toPoint()));
}

void NodeEditorView::mouseMoved(QPointF point)
{
  if (controller_ == nullptr) {
    return;
  }
  const MVConnection* hovered = connectionAtPoint(point);
  const auto& connections = controller_->connectionArray();
  for (auto each = connections.rbegin(); each != connections.rend(); ++each) {
    if (MVConnectionView* view = viewOfConnection(each->get())) {
      view->setHoverHighlight(each->get() == hovered);
    }
  }
  const MVParameterSocket* socket = socketAtLocation(point, 0);
  for (const auto& node : controller_->nodeArray()) {
    if (viewOfNode(node.get()) == nullptr) {
      continue;
    }
    for (const auto& parameter : node->parameters()) {
      for (bool outputs : {false, true}) {
        for (const auto& each : outputs ? parameter->outputSockets() : parameter->inputSockets()) {
          if (MVParameterSocketView* view = viewOf(each.get())) {
            view->setHoverHighlight(each.get() == socket);
          }
        }
      }
    }
  }
}

// ---- Moving and selecting ----

void NodeEditorView::prepareMoveOfSelectedNodes()
{
  if (controller_ == nullptr) {
    return;
  }
  for (MVNode* node : controller_->selectedNodesArray()) {
    if (MVNodeViewAdapter* adapter = adapterOf(node)) {
      adapter->setDragStartOrigin(adapter->frameOrigin());
    }
  }
}

void NodeEditorView::moveSelectedNodesToOffset(double x, double y)
{
  if (controller_ == nullptr) {
    return;
  }
  const bool snap = pf::UserDefaults::standard().boolForKey("Snap nodes to grid");
  std::vector<MVNode*> moved;
  for (MVNode* node : controller_->selectedNodesArray()) {
    MVNodeViewAdapter* adapter = adapterOf(node);
    if (adapter == nullptr) {
      continue;
    }
    // Boxes without a view move too: their kept origins (the views follow when they come).
    const pf::Point start = adapter->dragStartOrigin();
    pf::Point origin(std::round(start.x + x), std::round(start.y + y));
    if (snap) {
      origin = pf::Point(std::round(origin.x / 20.0) * 20.0 + 10.0, std::round(origin.y / 20.0) * 20.0 + 10.0);
    }
    const pf::Point current = adapter->frameOrigin();
    if (current.x != origin.x || current.y != origin.y) {
      adapter->moveFrameTo(origin);
      moved.push_back(node);
    }
  }
  if (!moved.empty()) {
    updateConnectionsOfNodes(moved);
    needsToResize_ = true;
    needsToUpdateViewArea_ = true;
    requestLayoutPass();
  }
}

void NodeEditorView::endMoveOfSelectedNodes()
{
  if (controller_ == nullptr) {
    return;
  }
  for (MVNode* node : controller_->selectedNodesArray()) {
    if (const MVNodeViewAdapter* adapter = adapterOf(node)) {
      node->setInitialNodeViewOrigin(adapter->frameOrigin());
    }
  }
}

void NodeEditorView::selectNodesInRect(QRectF rect, bool addition)
{
  if (controller_ == nullptr) {
    return;
  }
  if (!addition) {
    controller_->selectNode(nullptr, false, false, false);
  }
  for (const auto& node : controller_->nodeArray()) {
    if (adapterOf(node.get()) != nullptr && nodeFrame(node.get()).intersects(rect)) {
      controller_->selectNode(node.get(), true, true, false);
    }
  }
  if (!controller_->nodeArray().empty()) {
    controller_->updateAfterSelectionChange();
  }
}

void NodeEditorView::selectAll()
{
  if (controller_ == nullptr) {
    return;
  }
  controller_->selectNode(nullptr, false, false, false);
  for (const auto& node : controller_->nodeArray()) {
    controller_->selectNode(node.get(), true, false, false);
  }
  controller_->updateAfterSelectionChange();
}

void NodeEditorView::deleteSelection()
{
  if (controller_ == nullptr) {
    return;
  }
  const std::vector<MVNode*> selected = controller_->selectedNodesArray();
  std::vector<MVNode*> doomed;
  std::copy_if(selected.begin(), selected.end(), std::back_inserter(doomed), [](const MVNode* node) { return node->canDelete(); });
  if (doomed.empty()) {
    return;
  }
  for (MVNode* node : doomed) {
    controller_->removeNode(node);
  }
  if (doomed.size() > 1) {
    if (NodeControllerDocumentProtocol* document = controller_->document()) {
      if (pf::UndoManager* undo = document->undoManager()) {
        undo->setActionName("deleting nodes");
      }
    }
  }
}

void NodeEditorView::copySelectionForDrag()
{
  if (controller_ == nullptr) {
    return;
  }
  const std::vector<MVNode*> selected = controller_->selectedNodesArray();
  const auto copyable = std::count_if(selected.begin(), selected.end(),
                                      [](const MVNode* node) { return node->className() != "ArtboardNode"; });
  if (copyable == 0) {
    return;  // there is only ever one artboard: the drag moves it
  }
  // The copies are added as a paste that keeps positions: connections among them are copied,
  // and those to nodes outside the selection are kept (a copy is fed and feeds as its source).
  // The copy and the move that follows are one step, closed at the release.
  NodeControllerDocumentProtocol* document = controller_->document();
  if (pf::UndoManager* undo = document != nullptr ? document->undoManager() : nullptr; undo != nullptr && !copyUndoGroupOpen_) {
    undo->beginUndoGrouping();
    copyUndoGroupOpen_ = true;
  }
  copyUndoActionName_ = copyable == 1 ? "duplicating node" : "duplicating nodes";
  addNodesAndConnectionsFromDictionary(MVNodeClipboard::descriptionOfNodesAndConnections(*controller_, selected), false);
}

// ---- Keys ----

void NodeEditorView::keyPressEvent(QKeyEvent* event)
{
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    if (!spaceHeld_) {
      setSpaceHeldFlag(true);
    }
    return;
  }
  if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && !isEditingText()) {
    deleteSelection();
    return;
  }
  if (event->key() == Qt::Key_Escape && currentConnection_ != nullptr) {
    cancelConnectionDrag();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return;
  }
  // The window's Edit menu takes these first; a canvas on its own handles them here.
  if (event->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  if (event->matches(QKeySequence::Cut)) {
    cut();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    paste();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void NodeEditorView::keyReleaseEvent(QKeyEvent* event)
{
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && spaceHeld_) {
    setSpaceHeldFlag(false);
    return;
  }
  QAbstractScrollArea::keyReleaseEvent(event);
}

void NodeEditorView::focusOutEvent(QFocusEvent* event)
{
  if (spaceHeld_) {
    setSpaceHeldFlag(false);  // the release goes elsewhere
  }
  QAbstractScrollArea::focusOutEvent(event);
}

bool NodeEditorView::viewportEvent(QEvent* event)
{
  return QAbstractScrollArea::viewportEvent(event);
}
