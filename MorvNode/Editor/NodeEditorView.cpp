#include "MorvNode/Editor/NodeEditorView.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
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
#include "MorvNode/Editor/NodeEditorConnectionLayer.h"
#include "MorvNode/Editor/NodeEditorOverlayView.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Inspector/HoverControlsView.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Model/MVCoalescedLayout.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Nodes/Elements/ElementImportNode.h"
#include "MorvNode/Nodes/Notes/NoteNode.h"
#include "Platform/FileAccess.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

// The canvas's deferred pass: marked by every change notification, run once after the pass of
// the run loop.
class NodeEditorView::LayoutMark final : public MVCoalescedLayout {
public:
  explicit LayoutMark(NodeEditorView& editor) : editor_(editor) {}

protected:
  void layoutNow() override
  {
    if (editor_.deferredPassesHeld_) {
      editor_.passHeldBack_ = true;
      return;
    }
    editor_.layoutPass();
  }

private:
  NodeEditorView& editor_;
};

namespace {

constexpr double kScrollMargin = 20.0;              // points beyond a node scrolled into view
constexpr double kConnectionAnimationStep = 1.0 / 30.0;  // seconds
constexpr double kConnectionAnimationLength = 0.2;       // seconds
constexpr double kMinimumViewMargin = 400.0;  // points of margin around a small visible area
constexpr double kDropDistance = 0.5;         // views go this many margins beyond the view area

double wallClock()
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

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

// The canvas's views of one kind that are not on their way out.
template <typename View>
int liveViewCount(const QWidget& canvas)
{
  int count = 0;
  for (const QObject* child : canvas.children()) {
    const auto* view = qobject_cast<const View*>(child);
    count += view != nullptr && !view->isRemoved() ? 1 : 0;
  }
  return count;
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
  connectionLayer_ = std::make_unique<NodeEditorConnectionLayer>(
    *canvas_, [this] { return QRect(canvas_->mapFrom(viewport(), QPoint(0, 0)), viewport()->size()); },
    [this](const QRect& area) {
      if (overlay_ != nullptr) {
        overlay_->update(area);
      }
    });
  overlay_->setConnectionLayer(connectionLayer_.get());
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(20);
  updateScrollRanges();
  updateContentPosition();
  // Hover follows the pointer over the whole canvas, boxes and rows included (see eventFilter).
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->installEventFilter(this);
  }
}

NodeEditorView::~NodeEditorView()
{
  if (QCoreApplication* application = QCoreApplication::instance()) {
    application->removeEventFilter(this);
  }
  connectionAnimationTimer_.invalidate();
  addNodeMenuTimer_.invalidate();
  pendingViewsTimer_.invalidate();
  if (controller_ != nullptr && controller_->nodeEditorView() == this) {
    controller_->setNodeEditorView(nullptr);
  }
  // The views go with the canvas, all at once: removed one by one, each would leave the
  // window's focus chain on its own, a walk over every widget of the window, which made closing
  // a large graph quadratic. The model's adapters find their views gone (guarded pointers).
  if (QWidget* focus = QApplication::focusWidget(); focus != nullptr && canvas_->isAncestorOf(focus)) {
    focus->clearFocus();
  }
  overlay_->setConnectionLayer(nullptr);
  overlay_ = nullptr;
  delete canvas_;
  canvas_ = nullptr;
  connectionLayer_.reset();
  releaseGraph();
}

void NodeEditorView::releaseGraph()
{
  // The model keeps adapters that referred to the views; they let go of them now, the rows'
  // and sockets' too, so that another canvas on the same graph builds its rows anew.
  if (controller_ != nullptr) {
    for (const auto& node : controller_->nodeArray()) {
      if (dynamic_cast<MVNodeViewAdapter*>(node->nodeView()) == nullptr) {
        continue;
      }
      for (const auto& parameter : node->parameters()) {
        for (const auto& socket : parameter->inputSockets()) {
          socket->setSocketView(nullptr);
        }
        for (const auto& socket : parameter->outputSockets()) {
          socket->setSocketView(nullptr);
        }
        parameter->setParameterView(nullptr);
      }
      node->setNodeView(nullptr);
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
  // The adapters make their widgets when the canvas asks for them.
  factories.registerNodeView("MVNodeView", [](MVNode&) {
    return std::make_unique<MVNodeViewAdapter>([]() -> MVNodeView* { return new MVNodeView(); });
  });
  factories.registerNodeView("MVNodeViewNote", [](MVNode&) {
    return std::make_unique<MVNodeViewAdapter>([]() -> MVNodeView* { return new MVNodeViewNote(); });
  });
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
  releaseGraph();
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

void NodeEditorView::releaseDeferredPasses()
{
  deferredPassesHeld_ = false;
  if (passHeldBack_) {
    passHeldBack_ = false;
    requestLayoutPass();
  }
}

void NodeEditorView::layoutPass()
{
  if (inLayoutPass_) {
    return;  // marks made during the pass are handled by the loop below
  }
  inLayoutPass_ = true;
  marginDeadline_.reset();  // the margin's time is counted once per pass, over all its rounds
  // A pass may mark more work (new views stack their rows); a few rounds settle it.
  for (int round = 0;
       round < 4 && (needsToUpdateNodes_ || needsToUpdateConnections_ || needsToResize_ || needsToUpdateViewArea_);
       ++round) {
    if (needsToUpdateNodes_) {
      nodeArrayUpdated();
      needsToResize_ = true;
    }
    if (needsToUpdateViewArea_) {
      updateVisibleNodeViews();
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
  // Every node gets its adapter now (cheap); the views come with the view area below.
  MVInterfaceFactories& factories = MVInterfaceFactories::shared();
  for (const auto& node : controller_->nodeArray()) {
    if (node->nodeView() != nullptr) {
      if (MVNodeView* view = viewOfNode(node.get())) {
        view->updateHeaderInterface();
      }
      continue;
    }
    const std::string viewClass = node->nodeViewClass();
    std::unique_ptr<MVNodeInterfaceDelegate> made = viewClass.empty() ? nullptr : factories.makeNodeView(viewClass, *node);
    auto* adapter = dynamic_cast<MVNodeViewAdapter*>(made.get());
    if (adapter == nullptr) {
      FeedbackManager::log("Error, could not make interfaceRepresentation for %@, no suitable nodeViewClass",
                           node->description());
      continue;
    }
    adapter->setEditor(this, node.get());
    adapter->moveFrameTo(node->initialNodeViewOrigin());
    adapter->setStackRank(nextStackRank_++);
    node->setNodeView(std::move(made));
  }
  needsToUpdateViewArea_ = true;
}

MVNodeViewAdapter* NodeEditorView::adapterOf(const MVNode* node)
{
  return node != nullptr ? dynamic_cast<MVNodeViewAdapter*>(node->nodeView()) : nullptr;
}

QRectF NodeEditorView::viewArea() const
{
  const QSizeF visible(viewport()->size());
  const double dx = std::max(visible.width(), kMinimumViewMargin);
  const double dy = std::max(visible.height(), kMinimumViewMargin);
  const QPointF origin = canvasPointFromModel(pf::Point(visibleOrigin().x(), visibleOrigin().y()));
  return QRectF(origin, visible).adjusted(-dx, -dy, dx, dy);
}

const MVNodeViewShape& NodeEditorView::keptShape(const MVNode& node, const MVNodeViewAdapter& adapter) const
{
  const MVNodeViewShape& own = adapter.shape();
  if (dynamic_cast<const NoteNode*>(&node) != nullptr) {
    return own;  // a note's size is its own, kept by the note (see keptFrameSize)
  }
  std::string& key = scratchKey_;  // reused: this runs for every end of every connection
  MVNodeViewShape::keyOf(node, key);
  if (own.key == key) {
    return own;
  }
  if (const auto found = measuredShapes_.find(key); found != measuredShapes_.end()) {
    return found->second;
  }
  if (own.isMeasured()) {
    return own;
  }
  auto estimated = estimatedShapes_.find(key);
  if (estimated == estimatedShapes_.end()) {
    estimated = estimatedShapes_.emplace(key, MVNodeViewShape::estimate(node)).first;
  }
  return estimated->second;
}

pf::Size NodeEditorView::keptFrameSize(const MVNode& node) const
{
  const MVNodeViewAdapter* adapter = adapterOf(&node);
  if (adapter == nullptr) {
    return {};
  }
  if (const auto* note = dynamic_cast<const NoteNode*>(&node)) {
    return adapter->shape().isMeasured() ? adapter->shape().size : note->noteSize();
  }
  return keptShape(node, *adapter).size;
}

QRectF NodeEditorView::nodeFrame(const MVNode* node) const
{
  const MVNodeViewAdapter* adapter = adapterOf(node);
  if (adapter == nullptr) {
    return {};
  }
  if (const MVNodeView* view = adapter->view(); view != nullptr && !view->isRemoved()) {
    return QRectF(view->geometry());
  }
  const pf::Size size = keptFrameSize(*node);
  return QRectF(canvasPointFromModel(adapter->frameOrigin()), QSizeF(size.width, size.height));
}

std::optional<QPointF> NodeEditorView::socketCenterInCanvas(const MVParameterSocket* socket) const
{
  if (socket == nullptr) {
    return std::nullopt;
  }
  const MVParameter* parameter = socket->parameter();
  const MVNode* node = parameter != nullptr ? parameter->node() : nullptr;
  const MVNodeViewAdapter* adapter = adapterOf(node);
  if (adapter == nullptr || (adapter->view() != nullptr && !adapter->view()->isRemoved())) {
    const auto* marker = dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView());
    if (marker != nullptr && marker->view() != nullptr) {
      return marker->view()->socketCenterInEditorView();
    }
    return std::nullopt;
  }
  const MVNodeViewShape& shape = keptShape(*node, *adapter);
  const auto& parameters = node->parameters();
  const auto at = std::find_if(parameters.begin(), parameters.end(),
                               [parameter](const auto& each) { return each.get() == parameter; });
  const auto index = static_cast<std::size_t>(at - parameters.begin());
  const auto& lists = socket->socketDirection() == MVSocketDirection::Input ? shape.inputs : shape.outputs;
  const auto socketIndex = static_cast<std::size_t>(std::max(0, socket->socketIndex()));
  if (index >= lists.size() || socketIndex >= lists[index].size()) {
    return std::nullopt;
  }
  const QPointF offset = lists[index][socketIndex];
  if (std::isnan(offset.x()) || std::isnan(offset.y())) {
    return std::nullopt;
  }
  return canvasPointFromModel(adapter->frameOrigin()) + offset;
}

std::pair<QPointF, QPointF> NodeEditorView::connectionEnds(const MVConnection* connection) const
{
  if (const MVConnectionView* view = viewOfConnection(connection)) {
    return {view->fromEndLocation(), view->toEndLocation()};
  }
  const std::optional<QPointF> from = socketCenterInCanvas(connection->fromSocket());
  const std::optional<QPointF> to = socketCenterInCanvas(connection->toSocket());
  const QPointF start = from.value_or(to.value_or(QPointF()));
  return {start, to.value_or(start)};
}

MVNodeView* NodeEditorView::makeViewOfNode(MVNode* node)
{
  MVNodeViewAdapter* adapter = adapterOf(node);
  if (adapter == nullptr) {
    return nullptr;
  }
  if (MVNodeView* view = adapter->view(); view != nullptr && !view->isRemoved()) {
    return view;
  }
  MVNodeView* view = adapter->makeView();
  if (view == nullptr) {
    FeedbackManager::log("Error, could not make interfaceRepresentation for %@, no suitable nodeViewClass",
                         node->description());
    return nullptr;
  }
  placeNewNodeView(node, adapter, view);
  needsToUpdateConnections_ = true;
  needsToReorderConnections_ = true;
  requestLayoutPass();
  return view;
}

void NodeEditorView::placeNewNodeView(MVNode* node, MVNodeViewAdapter* adapter, MVNodeView* view)
{
  const pf::Point origin = adapter->frameOrigin();
  view->setParent(canvas_);
  view->setNode(node);
  view->setNodeEditorView(this);
  view->move(canvasPointFromModel(origin).toPoint());
  view->initInterface();
  // Among the node views, by stacking rank (what was brought to the front stays in front).
  QWidget* above = overlay_;
  long aboveRank = std::numeric_limits<long>::max();
  const long rank = adapter->stackRank();
  for (QObject* child : canvas_->children()) {
    auto* other = qobject_cast<MVNodeView*>(child);
    if (other == nullptr || other == view || other->isRemoved()) {
      continue;
    }
    const MVNodeViewAdapter* otherAdapter = adapterOf(other->node());
    if (otherAdapter != nullptr && otherAdapter->stackRank() > rank && otherAdapter->stackRank() < aboveRank) {
      above = other;
      aboveRank = otherAdapter->stackRank();
    }
  }
  view->stackUnder(above);
  view->show();
  // A preview that changed while the box had no view was not regenerated for it (no row asked).
  for (const auto& parameter : node->parameters()) {
    if (controller_ != nullptr && parameter->hasPreview() && parameter->needsToUpdate() &&
        dynamic_cast<const MVParameterGraphics*>(parameter.get()) != nullptr) {
      controller_->scheduleRegenerationForParameter(parameter.get());
    }
  }
  // What this box measures stands for the boxes of its kind that have no view yet.
  adapter->measureShape(*node);
  if (adapter->shape().isMeasured() && dynamic_cast<const NoteNode*>(node) == nullptr) {
    measuredShapes_.insert_or_assign(adapter->shape().key, adapter->shape());
  }
}

bool NodeEditorView::canDropNodeView(const MVNode* node, const MVNodeView* view) const
{
  // Not while the user works in it: typing, renaming, pressing in it, resizing a note.
  const QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr && (focus == view || view->isAncestorOf(focus))) {
    return false;
  }
  const QWidget* grabber = QWidget::mouseGrabber();
  if (grabber != nullptr && (grabber == view || view->isAncestorOf(grabber))) {
    return false;
  }
  return view->titleEditingField() == nullptr && node != currentlyEditedNoteNode_ && node != currentMenuNode_;
}

void NodeEditorView::updateVisibleNodeViews()
{
  needsToUpdateViewArea_ = false;
  if (controller_ == nullptr) {
    return;
  }
  const QRectF area = viewArea();
  const QPointF origin = canvasPointFromModel(pf::Point(visibleOrigin().x(), visibleOrigin().y()));
  const QRectF visible(origin, QSizeF(viewport()->size()));
  const double marginX = (area.width() - visible.width()) / 2.0;
  const double marginY = (area.height() - visible.height()) / 2.0;
  const QRectF kept = area.adjusted(-marginX * kDropDistance, -marginY * kDropDistance, marginX * kDropDistance,
                                    marginY * kDropDistance);
  std::vector<std::pair<MVNode*, MVNodeViewAdapter*>> now;
  std::vector<std::pair<double, std::pair<MVNode*, MVNodeViewAdapter*>>> margin;
  bool changed = false;
  for (const auto& each : controller_->nodeArray()) {
    MVNode* node = each.get();
    MVNodeViewAdapter* adapter = adapterOf(node);
    if (adapter == nullptr) {
      continue;
    }
    const QRectF frame = nodeFrame(node);
    if (MVNodeView* view = adapter->view(); view != nullptr && !view->isRemoved()) {
      if (!frame.intersects(kept) && canDropNodeView(node, view)) {
        if (!changed) {
          hideHoverControls();  // it may belong to a row that goes
        }
        adapter->dropView(*node);
        if (adapter->shape().isMeasured() && dynamic_cast<const NoteNode*>(node) == nullptr) {
          measuredShapes_.insert_or_assign(adapter->shape().key, adapter->shape());  // laid out by now
        }
        changed = true;
      }
      continue;
    }
    // A box of no size still has a place.
    const QRectF box = frame.isEmpty() ? QRectF(frame.topLeft(), QSizeF(1, 1)) : frame;
    if (box.intersects(visible)) {
      now.emplace_back(node, adapter);
    } else if (box.intersects(area)) {
      const QPointF d = box.center() - visible.center();
      margin.push_back({d.x() * d.x() + d.y() * d.y(), {node, adapter}});
    }
  }
  auto make = [this, &changed](MVNode* node, MVNodeViewAdapter* adapter) {
    if (MVNodeView* view = adapter->makeView()) {
      placeNewNodeView(node, adapter, view);
      changed = true;
    } else {
      FeedbackManager::log("Error, could not make interfaceRepresentation for %@, no suitable nodeViewClass",
                           node->description());
    }
  };
  for (const auto& [node, adapter] : now) {
    make(node, adapter);
  }
  // The margin nearest first, within the time of one pass; the rest in the passes that follow.
  std::sort(margin.begin(), margin.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  pf::RunLoop* loop = pf::RunLoop::current();
  if (!marginDeadline_) {
    marginDeadline_ = wallClock() + kMarginViewBudget;
  }
  bool pending = false;
  for (const auto& [distanceSquared, entry] : margin) {
    if (loop != nullptr && wallClock() > *marginDeadline_) {
      pending = true;
      break;
    }
    make(entry.first, entry.second);
  }
  if (changed) {
    needsToUpdateConnections_ = true;
    needsToReorderConnections_ = true;
  }
  if (pending && !pendingViewsTimer_.isValid()) {
    pendingViewsTimer_ = loop->scheduleOneShot(0.0, [this] {
      pendingViewsTimer_.invalidate();
      needsToUpdateViewArea_ = true;
      requestLayoutPass();
    });
  } else if (!pending) {
    pendingViewsTimer_.invalidate();
  }
}

int NodeEditorView::nodeViewCount() const
{
  return liveViewCount<MVNodeView>(*canvas_);
}

int NodeEditorView::connectionViewCount() const
{
  return liveViewCount<MVConnectionView>(*canvas_);
}

void NodeEditorView::moveNodeTo(MVNode* node, pf::Point origin)
{
  if (MVNodeViewAdapter* adapter = adapterOf(node)) {
    adapter->moveFrameTo(origin);
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

bool NodeEditorView::keepsConnectionView(const MVConnection* connection) const
{
  // A connection the user works on keeps its view wherever its ends are.
  return connection == currentConnection_ || connection == currentAddNodeConnection_ || connection->isBeingEdited() ||
         connection->hasLooseEnd();
}

void NodeEditorView::updateConnectionViews()
{
  needsToUpdateConnections_ = false;
  if (controller_ == nullptr) {
    return;
  }
  const QRectF area = viewArea();
  const double marginX = (area.width() - viewport()->width()) / 2.0;
  const double marginY = (area.height() - viewport()->height()) / 2.0;
  const QRectF kept = area.adjusted(-marginX * kDropDistance, -marginY * kDropDistance, marginX * kDropDistance,
                                    marginY * kDropDistance);
  for (const auto& connection : controller_->connectionArray()) {
    if (MVConnectionView* view = viewOfConnection(connection.get())) {
      view->updateEndLocations();
      if (!QRectF(view->geometry()).intersects(kept) && !keepsConnectionView(connection.get())) {
        connection->setConnectionView(nullptr);
      }
    } else if (connection->connectionView() == nullptr) {
      const auto [from, to] = connectionEnds(connection.get());
      if (keepsConnectionView(connection.get()) || QRectF(MVConnectionView::frameForEnds(from, to)).intersects(area)) {
        addConnectionViewForConnection(connection.get());
        needsToReorderConnections_ = true;
      }
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
  view->setDrawnByCanvas(true);
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
  // The connections with a view are gathered by input first, with their places in the snapshot:
  // a thousand shapes wired into one layer then cost a comparison per pair, not a search.
  {
    const auto positions = snapshot();
    struct Later {
      std::size_t index;  // in the connection array
      MVConnectionView* view;
      int position;  // in the snapshot
    };
    struct Input {
      std::vector<Later> connections;  // in array order
      std::size_t next = 0;            // the first one not before the connection at hand
    };
    std::unordered_map<const MVParameterSocket*, Input> inputs;
    for (std::size_t j = 0; j < connections.size(); ++j) {
      if (MVConnectionView* view = viewOfConnection(connections[j].get())) {
        inputs[connections[j]->toSocket()].connections.push_back({j, view, positionOf(positions, view)});
      }
    }
    for (std::size_t i = 0; i + 1 < connections.size(); ++i) {
      const MVConnection* first = connections[i].get();
      MVConnectionView* firstView = viewOfConnection(first);
      if (first->connectionType() != MVSocketType::Element || first->hasLooseEnd() || firstView == nullptr) {
        continue;
      }
      Input& input = inputs[first->toSocket()];
      while (input.next < input.connections.size() && input.connections[input.next].index < i) {
        ++input.next;
      }
      const int firstPosition = positionOf(positions, firstView);
      for (std::size_t k = input.next; k < input.connections.size(); ++k) {
        if (firstPosition > input.connections[k].position) {
          stackAbove(input.connections[k].view, firstView);
        }
      }
    }
  }
  overlay_->raise();
}

void NodeEditorView::updateConnectionsOfNodes(const std::vector<MVNode*>& nodes)
{
  const QRectF area = viewArea();
  auto update = [&](MVConnection* connection) {
    if (MVConnectionView* view = viewOfConnection(connection)) {
      view->updateEndLocations();
    } else if (connection->connectionView() == nullptr) {
      // Moved into the view area: the full pass makes its view.
      const auto [from, to] = connectionEnds(connection);
      if (QRectF(MVConnectionView::frameForEnds(from, to)).intersects(area)) {
        needsToUpdateConnections_ = true;
      }
    }
  };
  for (const MVNode* node : nodes) {
    for (const auto& parameter : node->parameters()) {
      for (const auto& socket : parameter->inputSockets()) {
        for (MVConnection* connection : socket->inputConnections()) {
          update(connection);
        }
      }
      for (const auto& socket : parameter->outputSockets()) {
        for (MVConnection* connection : socket->outputConnections()) {
          update(connection);
        }
      }
    }
  }
  if (needsToUpdateConnections_) {
    requestLayoutPass();
  }
}

void NodeEditorView::moveNodeToTop(MVNode* node)
{
  MVNodeViewAdapter* adapter = adapterOf(node);
  if (adapter == nullptr) {
    return;
  }
  adapter->setStackRank(nextStackRank_++);
  if (MVNodeView* view = viewOfNode(node)) {
    // Raised, then the overlay above it again: restacking under a sibling does not move a box
    // that has a window of its own.
    view->raise();
    overlay_->raise();
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
  needsToUpdateViewArea_ = true;
  needsToUpdateConnections_ = true;
  requestLayoutPass();
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
      if (adapterOf(node.get()) == nullptr) {
        continue;
      }
      const QRectF frame = nodeFrame(node.get()).translated(-kCanvasOrigin, -kCanvasOrigin);
      nodes = nodes.isNull() ? frame : nodes.united(frame);
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
  needsToUpdateViewArea_ = true;
  needsToUpdateConnections_ = true;
  layoutMark_->markNeedsLayout();
  updateScrollRanges();
  updateContentPosition();
}

void NodeEditorView::scrollToNode(MVNode* node)
{
  if (adapterOf(node) == nullptr && needsToUpdateNodes_) {
    nodeArrayUpdated();  // a node just added: its box is known once the canvas takes it in
  }
  if (adapterOf(node) == nullptr) {
    return;
  }
  const QRectF b = visibleRect();
  const QRectF u = b.united(nodeFrame(node).translated(-kCanvasOrigin, -kCanvasOrigin));
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
  // Only a regular file of bounded size: a dropped pipe or device would block or never end.
  std::optional<std::vector<std::uint8_t>> read = pf::readRegularFile(file);
  if (!read) {
    return false;  // logged with the reason
  }
  const std::vector<std::uint8_t> data = std::move(*read);
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
  moveNodeTo(node, origin);
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
