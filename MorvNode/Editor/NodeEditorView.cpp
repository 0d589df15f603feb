#include "MorvNode/Editor/NodeEditorView.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QScrollBar>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVConnectionViewAdapter.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/MVNodeViewAdapter.h"
#include "MorvNode/Editor/MVNodeViewNote.h"
#include "MorvNode/Editor/NodeEditorBackgroundView.h"
#include "MorvNode/Editor/NodeEditorOverlayView.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Inspector/HoverControlsView.h"
#include "MorvNode/Model/MVCoalescedLayout.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/Elements/ElementImportNode.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

// The canvas's deferred pass: marked by every change notification, run once after the pass of
// the run loop.
class NodeEditorView::LayoutMark final : public MVCoalescedLayout {
public:
  explicit LayoutMark(NodeEditorView& editor) : editor_(editor) {}

protected:
  void layoutNow() override { editor_.layoutPass(); }

private:
  NodeEditorView& editor_;
};

namespace {

constexpr double kScrollMargin = 20.0;              // points beyond a node scrolled into view
constexpr double kConnectionAnimationStep = 1.0 / 30.0;  // seconds
constexpr double kConnectionAnimationLength = 0.2;       // seconds

double absoluteNow()
{
  if (pf::RunLoop* loop = pf::RunLoop::current()) {
    return loop->now();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double roundAway(double value)
{
  return std::round(value);  // halves away from zero
}

// Puts `view` directly above `below` among their siblings.
void stackAbove(QWidget* view, QWidget* below)
{
  const QObjectList& siblings = below->parentWidget()->children();
  const auto at = std::find(siblings.begin(), siblings.end(), below);
  for (auto next = at == siblings.end() ? at : std::next(at); next != siblings.end(); ++next) {
    auto* widget = qobject_cast<QWidget*>(*next);
    if (widget == view) {
      return;  // already directly above
    }
    if (widget != nullptr) {
      view->stackUnder(widget);
      return;
    }
  }
  view->raise();
}

}  // namespace

NodeEditorView::NodeEditorView(QWidget* parent)
  : QAbstractScrollArea(parent)
  , layoutMark_(std::make_unique<LayoutMark>(*this))
{
  registerViewFactories();
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  canvas_ = new NodeEditorBackgroundView(viewport());
  canvas_->setGeometry(0, 0, 2 * kCanvasOrigin, 2 * kCanvasOrigin);
  canvas_->setGridOrigin(QPointF(kCanvasOrigin, kCanvasOrigin));
  connect(canvas_, &NodeEditorBackgroundView::mouseEventReceived, this,
          [this](QMouseEvent* event) { editorMouseEvent(canvas_, event); });
  overlay_ = new NodeEditorOverlayView(canvas_);
  overlay_->setGeometry(canvas_->rect());
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(20);
  updateScrollRanges();
  updateContentPosition();
}

NodeEditorView::~NodeEditorView()
{
  connectionAnimationTimer_.invalidate();
  addNodeMenuTimer_.invalidate();
  if (controller_ != nullptr && controller_->nodeEditorView() == this) {
    controller_->setNodeEditorView(nullptr);
  }
  // The views go with the canvas, all at once: removed one by one, each would leave the
  // window's focus chain on its own, a walk over every widget of the window, which made closing
  // a large graph quadratic. The model's adapters find their views gone (guarded pointers).
  if (QWidget* focus = QApplication::focusWidget(); focus != nullptr && canvas_->isAncestorOf(focus)) {
    focus->clearFocus();
  }
  overlay_ = nullptr;
  delete canvas_;
  canvas_ = nullptr;
  // The model keeps adapters that referred to those views; they let go of them now.
  if (controller_ != nullptr) {
    for (const auto& node : controller_->nodeArray()) {
      if (dynamic_cast<MVNodeViewAdapter*>(node->nodeView()) != nullptr) {
        node->setNodeView(nullptr);
      }
    }
    for (const auto& connection : controller_->connectionArray()) {
      if (dynamic_cast<MVConnectionViewAdapter*>(connection->connectionView()) != nullptr) {
        connection->setConnectionView(nullptr);
      }
    }
  }
}

void NodeEditorView::registerViewFactories()
{
  MVInterfaceFactories& factories = MVInterfaceFactories::shared();
  factories.registerNodeView("MVNodeView", [](MVNode&) { return std::make_unique<MVNodeViewAdapter>(new MVNodeView()); });
  factories.registerNodeView("MVNodeViewNote",
                             [](MVNode&) { return std::make_unique<MVNodeViewAdapter>(new MVNodeViewNote()); });
  factories.setConnectionViewFactory(
    [](MVConnection&) { return std::make_unique<MVConnectionViewAdapter>(new MVConnectionView()); });
}

void NodeEditorView::setNodeController(MVNodeController* controller)
{
  if (controller_ == controller) {
    return;
  }
  if (controller_ != nullptr && controller_->nodeEditorView() == this) {
    controller_->setNodeEditorView(nullptr);
  }
  controller_ = controller;
  overlay_->setNodeController(controller);
  if (controller_ != nullptr) {
    controller_->setNodeEditorView(this);
    nodesChanged();
  }
}

void NodeEditorView::initialize()
{
  overlay_->setNodeController(controller_);
  overlay_->raise();
}

// ---- Change notifications and the deferred pass ----

void NodeEditorView::nodesChanged()
{
  needsToUpdateNodes_ = true;
  needsToUpdateConnections_ = true;
  layoutMark_->markNeedsLayout();
}

void NodeEditorView::connectionsChanged()
{
  needsToUpdateConnections_ = true;
  needsToReorderConnections_ = true;
  layoutMark_->markNeedsLayout();
}

void NodeEditorView::requestLayoutPass()
{
  layoutMark_->markNeedsLayout();
}

void NodeEditorView::layoutPass()
{
  if (inLayoutPass_) {
    return;  // marks made during the pass are handled by the loop below
  }
  inLayoutPass_ = true;
  // A pass may mark more work (new views stack their rows); a few rounds settle it.
  for (int round = 0; round < 4 && (needsToUpdateNodes_ || needsToUpdateConnections_ || needsToResize_); ++round) {
    if (needsToUpdateNodes_) {
      nodeArrayUpdated();
      needsToResize_ = true;
    }
    if (needsToUpdateConnections_) {
      updateConnectionViews();
    }
    if (needsToResize_) {
      resizeView();
    }
  }
  inLayoutPass_ = false;
}

void NodeEditorView::nodeArrayUpdated()
{
  needsToUpdateNodes_ = false;
  if (controller_ == nullptr) {
    return;
  }
  MVInterfaceFactories& factories = MVInterfaceFactories::shared();
  bool created = false;
  for (const auto& node : controller_->nodeArray()) {
    if (node->nodeView() != nullptr) {
      continue;
    }
    const std::string viewClass = node->nodeViewClass();
    std::unique_ptr<MVNodeInterfaceDelegate> adapter =
      viewClass.empty() ? nullptr : factories.makeNodeView(viewClass, *node);
    auto* nodeAdapter = dynamic_cast<MVNodeViewAdapter*>(adapter.get());
    MVNodeView* view = nodeAdapter != nullptr ? nodeAdapter->view() : nullptr;
    if (view == nullptr) {
      FeedbackManager::log("Error, could not make interfaceRepresentation for %@, no suitable nodeViewClass",
                           node->description());
      continue;
    }
    node->setNodeView(std::move(adapter));
    view->setParent(canvas_);
    view->setNode(node.get());
    view->setNodeEditorView(this);
    view->move(canvasPointFromModel(node->initialNodeViewOrigin()).toPoint());
    view->initInterface();
    view->stackUnder(overlay_);
    view->show();
    created = true;
  }
  for (const auto& node : controller_->nodeArray()) {
    if (MVNodeView* view = viewOfNode(node.get())) {
      view->updateHeaderInterface();
    }
  }
  if (created) {
    needsToUpdateConnections_ = true;
    needsToReorderConnections_ = true;
  }
}

MVNodeView* NodeEditorView::viewOfNode(const MVNode* node)
{
  const auto* adapter = node != nullptr ? dynamic_cast<const MVNodeViewAdapter*>(node->nodeView()) : nullptr;
  return adapter != nullptr ? adapter->view() : nullptr;
}

MVConnectionView* NodeEditorView::viewOfConnection(const MVConnection* connection)
{
  const auto* adapter =
    connection != nullptr ? dynamic_cast<const MVConnectionViewAdapter*>(connection->connectionView()) : nullptr;
  return adapter != nullptr ? adapter->view() : nullptr;
}

void NodeEditorView::updateConnectionViews()
{
  needsToUpdateConnections_ = false;
  if (controller_ == nullptr) {
    return;
  }
  for (const auto& connection : controller_->connectionArray()) {
    if (MVConnectionView* view = viewOfConnection(connection.get())) {
      view->updateEndLocations();
    } else if (connection->connectionView() == nullptr) {
      addConnectionViewForConnection(connection.get());
      needsToReorderConnections_ = true;
    }
  }
  if (needsToReorderConnections_) {
    rearrangeConnectionViews();
  }
}

MVConnectionView* NodeEditorView::addConnectionViewForConnection(MVConnection* connection)
{
  if (connection->connectionView() != nullptr) {
    FeedbackManager::log(
      "Warning, addConnectionViewForConnection: %@, but the connection already has a connectionView: %@",
      connection->description(), viewOfConnection(connection) != nullptr ? viewOfConnection(connection)->description() : "?");
    return nullptr;
  }
  std::unique_ptr<MVConnectionInterfaceDelegate> adapter = MVInterfaceFactories::shared().makeConnectionView(*connection);
  auto* connectionAdapter = dynamic_cast<MVConnectionViewAdapter*>(adapter.get());
  MVConnectionView* view = connectionAdapter != nullptr ? connectionAdapter->view() : nullptr;
  if (view == nullptr) {
    return nullptr;
  }
  view->setParent(canvas_);
  view->setNodeEditorView(this);
  view->setConnection(connection);
  connection->setConnectionView(std::move(adapter));
  view->updateEndLocations();
  if (connection->fromSocket() != nullptr && connection->toSocket() == nullptr) {
    view->setToLocation(view->fromEndLocation());
  } else if (connection->toSocket() != nullptr && connection->fromSocket() == nullptr) {
    view->setFromLocation(view->toEndLocation());
  }
  view->stackUnder(overlay_);
  view->show();
  return view;
}

void NodeEditorView::rearrangeConnectionViews()
{
  needsToReorderConnections_ = false;
  if (controller_ == nullptr) {
    return;
  }
  auto snapshot = [this] {
    std::unordered_map<const QObject*, int> positions;
    int index = 0;
    for (const QObject* child : canvas_->children()) {
      positions.emplace(child, index++);
    }
    return positions;
  };
  auto positionOf = [](const std::unordered_map<const QObject*, int>& positions, const QObject* view) {
    const auto found = view != nullptr ? positions.find(view) : positions.end();
    return found != positions.end() ? found->second : -1;
  };
  const auto& connections = controller_->connectionArray();
  // Each connection just above the higher of its two nodes; loose ones above every node.
  {
    const auto positions = snapshot();
    for (const auto& connection : connections) {
      MVConnectionView* view = viewOfConnection(connection.get());
      if (view == nullptr) {
        continue;
      }
      MVNodeView* fromView = viewOfNode(connection->fromNode());
      MVNodeView* toView = viewOfNode(connection->toNode());
      const int from = positionOf(positions, fromView);
      const int to = positionOf(positions, toView);
      if (from < 0 || to < 0) {
        view->stackUnder(overlay_);
      } else {
        stackAbove(view, from > to ? fromView : toView);
      }
    }
  }
  // Among element connections into one input, a later connection is drawn above an earlier one.
  {
    const auto positions = snapshot();
    for (std::size_t i = 0; i + 1 < connections.size(); ++i) {
      const MVConnection* first = connections[i].get();
      MVConnectionView* firstView = viewOfConnection(first);
      if (first->connectionType() != MVSocketType::Element || first->hasLooseEnd() || firstView == nullptr) {
        continue;
      }
      for (std::size_t j = i; j < connections.size(); ++j) {
        MVConnectionView* laterView = viewOfConnection(connections[j].get());
        if (laterView == nullptr || connections[j]->toSocket() != first->toSocket()) {
          continue;
        }
        if (positionOf(positions, firstView) > positionOf(positions, laterView)) {
          stackAbove(laterView, firstView);
        }
      }
    }
  }
  overlay_->raise();
}

void NodeEditorView::updateConnectionsOfNodes(const std::vector<MVNode*>& nodes)
{
  for (const MVNode* node : nodes) {
    for (const auto& parameter : node->parameters()) {
      for (const auto& socket : parameter->inputSockets()) {
        for (const MVConnection* connection : socket->inputConnections()) {
          if (MVConnectionView* view = viewOfConnection(connection)) {
            view->updateEndLocations();
          }
        }
      }
      for (const auto& socket : parameter->outputSockets()) {
        for (const MVConnection* connection : socket->outputConnections()) {
          if (MVConnectionView* view = viewOfConnection(connection)) {
            view->updateEndLocations();
          }
        }
      }
    }
  }
}

void NodeEditorView::moveNodeToTop(MVNode* node)
{
  if (MVNodeView* view = viewOfNode(node)) {
    view->stackUnder(overlay_);
    connectionsChanged();
  }
}

void NodeEditorView::animateConnectionsChanged()
{
  connectionAnimationTimer_.invalidate();
  connectionAnimationStart_ = absoluteNow();
  if (pf::RunLoop* loop = pf::RunLoop::current()) {
    connectionAnimationTimer_ = loop->scheduleRepeating(kConnectionAnimationStep, [this] { animateConnectionsStep(); });
  } else {
    connectionsChanged();
  }
}

void NodeEditorView::animateConnectionsStep()
{
  connectionsChanged();
  if (absoluteNow() - connectionAnimationStart_ > kConnectionAnimationLength) {
    connectionAnimationTimer_.invalidate();
  }
}

// ---- Coordinates, size and scrolling ----

pf::Point NodeEditorView::modelPointFromCanvas(QPointF canvasPoint) const
{
  return pf::Point(canvasPoint.x() - kCanvasOrigin, canvasPoint.y() - kCanvasOrigin);
}

QPointF NodeEditorView::canvasPointFromModel(pf::Point modelPoint) const
{
  return QPointF(modelPoint.x + kCanvasOrigin, modelPoint.y + kCanvasOrigin);
}

QPointF NodeEditorView::visibleOrigin() const
{
  return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QRectF NodeEditorView::visibleRect() const
{
  return QRectF(visibleOrigin(), QSizeF(viewport()->size()));
}

void NodeEditorView::scrollToVisibleOrigin(QPointF origin)
{
  // Scrolling may reach past the nodes; the range widens to the new visible area.
  const QRectF wanted(origin, QSizeF(viewport()->size()));
  contentRect_ = contentRect_.united(wanted);
  updateScrollRanges();
  horizontalScrollBar()->setValue(static_cast<int>(std::lround(origin.x())));
  verticalScrollBar()->setValue(static_cast<int>(std::lround(origin.y())));
  updateContentPosition();
}

void NodeEditorView::updateContentPosition()
{
  canvas_->move(-kCanvasOrigin - horizontalScrollBar()->value(), -kCanvasOrigin - verticalScrollBar()->value());
}

void NodeEditorView::scrollContentsBy(int, int)
{
  updateContentPosition();
}

void NodeEditorView::updateScrollRanges()
{
  const QSize visible = viewport()->size();
  QScrollBar* horizontal = horizontalScrollBar();
  QScrollBar* vertical = verticalScrollBar();
  const QSignalBlocker blockHorizontal(horizontal);
  const QSignalBlocker blockVertical(vertical);
  const int x = horizontal->value();
  const int y = vertical->value();
  horizontal->setRange(static_cast<int>(std::floor(contentRect_.left())),
                       std::max(static_cast<int>(std::floor(contentRect_.left())),
                                static_cast<int>(std::ceil(contentRect_.right())) - visible.width()));
  vertical->setRange(static_cast<int>(std::floor(contentRect_.top())),
                     std::max(static_cast<int>(std::floor(contentRect_.top())),
                              static_cast<int>(std::ceil(contentRect_.bottom())) - visible.height()));
  horizontal->setPageStep(visible.width());
  vertical->setPageStep(visible.height());
  horizontal->setValue(x);
  vertical->setValue(y);
}

void NodeEditorView::resizeView()
{
  needsToResize_ = false;
  // Nodes rectangle, then with the visible area and the editor's first screenful.
  QRectF nodes;
  if (controller_ != nullptr) {
    for (const auto& node : controller_->nodeArray()) {
      if (const MVNodeView* view = viewOfNode(node.get())) {
        const QRectF frame(QPointF(modelPointFromCanvas(QPointF(view->pos())).x, modelPointFromCanvas(QPointF(view->pos())).y),
                           QSizeF(view->size()));
        nodes = nodes.isNull() ? frame : nodes.united(frame);
      }
    }
  }
  const QRectF visible = visibleRect();
  QRectF content = nodes.isNull() ? visible : nodes.united(visible);
  content = content.united(QRectF(QPointF(0, 0), QSizeF(viewport()->size())));
  if (content != contentRect_) {
    hideHoverControls();
    const QPointF origin = visibleOrigin();
    contentRect_ = content;
    updateScrollRanges();
    horizontalScrollBar()->setValue(static_cast<int>(origin.x()));
    verticalScrollBar()->setValue(static_cast<int>(origin.y()));
    updateContentPosition();
  }
}

void NodeEditorView::resizeEvent(QResizeEvent* event)
{
  QAbstractScrollArea::resizeEvent(event);
  needsToResize_ = true;
  layoutMark_->markNeedsLayout();
  updateScrollRanges();
  updateContentPosition();
}

void NodeEditorView::scrollToNode(MVNode* node)
{
  const MVNodeView* view = viewOfNode(node);
  if (view == nullptr) {
    return;
  }
  const QRectF b = visibleRect();
  const pf::Point origin = modelPointFromCanvas(QPointF(view->pos()));
  const QRectF u = b.united(QRectF(QPointF(origin.x, origin.y), QSizeF(view->size())));
  if (u == b) {
    return;
  }
  auto shift = [](double uStart, double bStart, double uLength, double bLength) {
    if (uStart < bStart) {
      return uStart - bStart - kScrollMargin;
    }
    if (uLength > bLength) {
      return uLength - bLength + kScrollMargin;
    }
    return 0.0;
  };
  const double dx = shift(u.x(), b.x(), u.width(), b.width());
  const double dy = shift(u.y(), b.y(), u.height(), b.height());
  scrollToVisibleOrigin(QPointF(b.x() + dx, b.y() + dy));
}

pf::Rect NodeEditorView::frame() const
{
  return pf::Rect(contentRect_.x(), contentRect_.y(), contentRect_.width(), contentRect_.height());
}

// ---- Services the controller asks for that live elsewhere ----

void NodeEditorView::hideHoverControls()
{
  // Only an existing control: hiding must not make one.
  if (HoverControlsView* controls = HoverControlsView::existingHoverControls()) {
    controls->hideControls();
  }
}

void NodeEditorView::restoreKeyboardFocus(MVNode* node)
{
  QWidget* focus = QApplication::focusWidget();
  if (const MVNodeView* view = viewOfNode(node); view != nullptr && focus != nullptr && view->isAncestorOf(focus)) {
    return;
  }
  if (focus != this) {
    setFocus(Qt::OtherFocusReason);
  }
}

void NodeEditorView::showWarningsForNode(MVNode* node)
{
  if (controller_ != nullptr) {
    controller_->showWarningsForNode(node);
  }
}

void NodeEditorView::setSpaceHeldFlag(bool held)
{
  spaceHeld_ = held;
  overlay_->setSpaceHeld(held);
  viewport()->setCursor(held ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

// ---- Files ----

bool NodeEditorView::dropFile(const std::filesystem::path& file, QPointF canvasPoint)
{
  if (controller_ == nullptr) {
    return false;
  }
  std::ifstream stream(file, std::ios::binary);
  if (!stream) {
    return false;
  }
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (stream.bad()) {
    return false;
  }
  const pf::Point p = modelPointFromCanvas(canvasPoint);
  MVNode* node = controller_->addNodeOfClass("ElementImportNode", p, true);
  auto* import = dynamic_cast<ElementImportNode*>(node);
  if (import == nullptr) {
    return false;
  }
  pf::Point origin(p.x - 70.0, p.y - 100.0);
  if (pf::UserDefaults::standard().boolForKey("Snap nodes to grid")) {
    origin = pf::Point(roundAway(origin.x / 20.0) * 20.0 + 6.0, roundAway(origin.y / 20.0) * 20.0 + 6.0);
  }
  node->setInitialNodeViewOrigin(origin);
  if (MVNodeView* view = viewOfNode(node)) {
    view->move(canvasPointFromModel(origin).toPoint());
  }
  const std::string fileName = file.filename().string();
  const std::string name = pf::format("%@ [%@]", fileName, QDateTime::currentDateTime().toString(Qt::ISODate).toStdString());
  if (import->setGraphicsData(data, name, fileName, true)) {
    if (NodeControllerDocumentProtocol* document = controller_->document()) {
      if (pf::UndoManager* undo = document->undoManager()) {
        undo->setActionName("adding import node");
      }
    }
    controller_->nodeArrayChanged();
    return true;
  }
  controller_->removeNode(node);
  FeedbackManager::showNSAlert("Import error", pf::format("Could not parse graphics data in file %@", fileName));
  return false;
}

void NodeEditorView::dragEnterEvent(QDragEnterEvent* event)
{
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  }
}

void NodeEditorView::dragMoveEvent(QDragMoveEvent* event)
{
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  }
}

void NodeEditorView::dropEvent(QDropEvent* event)
{
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) {
    return;
  }
  const QPointF point = canvas_->mapFrom(viewport(), event->position());
  if (dropFile(std::filesystem::path(urls.front().toLocalFile().toStdString()), point)) {
    event->acceptProposedAction();
  }
}
