// Every socket of every node class, as the user finds it on the canvas: the sockets a box shows
// lie on rows that have their real height, a press on one starts a connection from exactly that
// socket, and sockets the box does not show are never hit.
#include <string>
#include <vector>

#include <QTest>

#include "MorvNode/Editor/EditorTestSupport.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/NodeEditorOverlayView.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeClass.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/UndoManager.h"

namespace {

using NodeEditorTest = EditorFixture;

class EveryNodeClassTest : public EditorFixture, public testing::WithParamInterface<const MVNodeClass*> {
protected:
  struct Socket {
    MVParameterSocket* socket;
    const MVParameterSocketView* view;
    std::string name;  // "<parameter> in|out <index>", for messages
  };

  // Every socket of the node that has a marker, in parameter order, inputs before outputs.
  static std::vector<Socket> socketsOf(MVNode* node)
  {
    std::vector<Socket> sockets;
    for (const auto& parameter : node->parameters()) {
      for (const bool input : {true, false}) {
        for (const auto& socket : input ? parameter->inputSockets() : parameter->outputSockets()) {
          const auto* adapter = dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView());
          if (adapter == nullptr || adapter->view() == nullptr) {
            continue;
          }
          sockets.push_back({socket.get(), adapter->view(),
                             parameter->name() + (input ? " in " : " out ") + std::to_string(socket->socketIndex())});
        }
      }
    }
    return sockets;
  }

  // What the user sees: the marker is shown inside the box, on a shown row, and its centre lies
  // within that row (a child is drawn only inside its parent).
  static bool isSeen(const Socket& each, const MVNodeView* box)
  {
    const QWidget* row = each.view->parentWidget();
    if (row == nullptr || row->parentWidget() != box || !each.view->isVisibleTo(box)) {
      return false;
    }
    const QPoint centre = each.view->geometry().center();
    return row->rect().contains(centre) && box->rect().contains(row->mapToParent(centre));
  }

  static int rowHeight(const Socket& each)
  {
    return each.view->parentWidget() != nullptr ? each.view->parentWidget()->height() : -1;
  }

  QPointF centreOf(const Socket& each) const { return each.view->socketCenterInEditorView(); }

  // The socket whose loose-ended connection is being dragged, or nullptr.
  const MVParameterSocket* draggedFrom() const
  {
    const MVConnection* connection = editor->overlay()->currentlyEditedConnection();
    if (connection == nullptr) {
      return nullptr;
    }
    return connection->fromSocket() != nullptr ? connection->fromSocket() : connection->toSocket();
  }
};

TEST_P(EveryNodeClassTest, EverySocketTheBoxShowsStartsAConnectionFromItself)
{
  defaults->setBool("Add nodes by dragging new connection", false);
  step([&] { editor->resize(1100, 1600); });  // the tallest box stays inside the visible area
  MVNode* node = add(GetParam()->className, {400, 20});
  ASSERT_NE(node, nullptr);
  const MVNodeView* box = NodeEditorView::viewOfNode(node);
  ASSERT_NE(box, nullptr);
  const pf::Point origin = node->initialNodeViewOrigin();
  const QPoint boxPosition = box->pos();

  // A shown row holds what it shows: nothing hangs below a row of no height.
  for (const auto& parameter : node->parameters()) {
    const MVParameterView* row = MVParameterView::rowOf(*parameter);
    if (row == nullptr || row->parentWidget() != box || !row->isVisibleTo(box)) {
      continue;
    }
    for (const QObject* child : row->children()) {
      const auto* control = qobject_cast<const QWidget*>(child);
      if (control != nullptr && control->isVisibleTo(row) &&
          qobject_cast<const MVParameterSocketView*>(control) == nullptr &&
          !control->property("morvIgnoredByResizeToFit").toBool() && control->height() > 0) {
        EXPECT_LE(control->geometry().bottom() + 1, row->height())
          << parameter->name() << ": " << control->metaObject()->className() << " below its row";
      }
    }
  }

  const std::vector<Socket> sockets = socketsOf(node);
  for (const Socket& each : sockets) {
    SCOPED_TRACE(each.name);
    const MVParameter* parameter = each.socket->parameter();
    const bool shouldShow = each.socket->enabled() && !parameter->layoutHidden();
    const bool seen = isSeen(each, box);
    EXPECT_EQ(seen, shouldShow) << "at y " << each.view->y() << " on a row of height " << rowHeight(each);
    const QPointF centre = centreOf(each);
    if (!seen) {
      // A socket the box does not show is never the one a press takes.
      press(centre);
      EXPECT_NE(draggedFrom(), each.socket);
      release(centre);
      continue;
    }
    const bool input = each.socket->socketDirection() == MVSocketDirection::Input;
    const QPointF away = centre + QPointF(input ? -150 : 150, 0);  // empty canvas
    const std::string lastStep = document.undoManager()->undoActionName();
    press(centre);
    dragTo(centre + (away - centre) / 2);
    dragTo(away);
    EXPECT_EQ(draggedFrom(), each.socket) << "at " << centre.x() << "," << centre.y();
    release(away);
    EXPECT_TRUE(connectionList().empty());
    EXPECT_EQ(node->initialNodeViewOrigin(), origin) << "the box moved";
    EXPECT_EQ(box->pos(), boxPosition) << "the box moved";
    // Dropping a new connection on empty canvas records its removal, one step that changes nothing.
    EXPECT_EQ(document.undoManager()->undoActionName(), "remove connection");
    undo();
    EXPECT_EQ(document.undoManager()->undoActionName(), lastStep);
    EXPECT_TRUE(connectionList().empty());
  }

  // Each shown input takes a connection dragged from it to an output of its kind.
  struct Source {
    MVNode* node;
    std::string output;
  };
  const Source sources[] = {{add("ValueNode", {20, 20}), "Value"},
                            {add("ColorNode", {20, 200}), "Color"},
                            {add("ElementShapeNode", {20, 400}), "Graphics"}};
  for (const Socket& each : sockets) {
    if (each.socket->socketDirection() != MVSocketDirection::Input || !isSeen(each, box)) {
      continue;
    }
    SCOPED_TRACE(each.name);
    const MVSocketType type = each.socket->socketType();
    const Source& source = sources[type == MVSocketType::Color ? 1 : type == MVSocketType::Element ? 2 : 0];
    drag(centreOf(each), socketPoint(source.node, source.output, true));
    EXPECT_EQ(connectionList(), std::vector<std::string>{source.node->nodeId() + "." + source.output + " -> " +
                                                         node->nodeId() + "." + each.socket->parameter()->name()});
    EXPECT_EQ(document.undoManager()->undoActionName(), "adding connection");
    undo();
    EXPECT_TRUE(connectionList().empty());
  }
}

// Modes show and hide rows and lines, switches turn parameters on and off: after each, the
// sockets the box shows are exactly those that can be connected.
TEST_P(EveryNodeClassTest, SocketsStayWithTheLinesTheyServeThroughEveryModeAndSwitch)
{
  step([&] { editor->resize(1100, 1600); });
  MVNode* node = add(GetParam()->className, {400, 20});
  ASSERT_NE(node, nullptr);
  const MVNodeView* box = NodeEditorView::viewOfNode(node);
  ASSERT_NE(box, nullptr);
  auto check = [&](const std::string& state) {
    for (const Socket& each : socketsOf(node)) {
      const bool connectable = each.socket->enabled() && !each.socket->parameter()->layoutHidden();
      EXPECT_EQ(isSeen(each, box), connectable)
        << state << ": " << each.name << " at y " << each.view->y() << " on a row of height " << rowHeight(each);
    }
  };
  for (const auto& parameter : node->parameters()) {
    if (auto* index = dynamic_cast<MVParameterIndex*>(parameter.get())) {
      const long long was = index->index();
      const auto end = static_cast<long long>(index->indexNames().size());
      for (long long i = index->lowestIndex(); i < end; ++i) {
        step([&] { index->setIndex(i); });
        check(parameter->name() + " = " + std::to_string(i));
      }
      step([&] { index->setIndex(was); });
      check(parameter->name() + " back");
    }
    if (parameter->layoutHasEnableToggle()) {
      const bool was = parameter->enabled();
      step([&] { parameter->setEnabled(!was); });
      check(parameter->name() + " switched");
      step([&] { parameter->setEnabled(was); });
      check(parameter->name() + " back");
    }
  }
}

// A row that shows nothing has no height and draws no socket: its sockets take no press and no
// hover, and a press there is a press on the box. Numbers shown by the plain row (a header-less
// line of nothing) make a Math node's "A", "B" and "C" such rows.
TEST_F(NodeEditorTest, SocketsOfARowThatShowsNothingTakeNoPress)
{
  MVParameterView::registerRow<MVParameterValue, MVParameterView>();
  MVNode* math = add("ValueMathNode", {200, 40});
  const MVNodeView* box = NodeEditorView::viewOfNode(math);
  ASSERT_NE(box, nullptr);
  const pf::Point origin = math->initialNodeViewOrigin();
  for (const std::string name : {"A", "B", "C"}) {
    SCOPED_TRACE(name);
    const MVParameter* parameter = math->parameterNamed(name);
    const MVParameterView* row = MVParameterView::rowOf(*parameter);
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->height(), 0);
    for (const bool output : {false, true}) {
      const QPointF centre = socketPoint(math, name, output);
      EXPECT_EQ(editor->socketAtLocation(centre, 0), nullptr);
      dragTo(centre);
      const MVParameterSocket* socket = (output ? parameter->outputSockets() : parameter->inputSockets()).front().get();
      const auto* marker = dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView());
      ASSERT_NE(marker, nullptr);
      EXPECT_FALSE(marker->view()->hoverHighlight());
      press(centre);
      EXPECT_EQ(editor->overlay()->currentlyEditedConnection(), nullptr);
      release(centre);
      EXPECT_TRUE(connectionList().empty());
      EXPECT_EQ(math->initialNodeViewOrigin(), origin);
    }
  }
  // The expression's output, on a row that shows its text, still answers.
  press(socketPoint(math, "Value", true));
  const MVConnection* dragged = editor->overlay()->currentlyEditedConnection();
  ASSERT_NE(dragged, nullptr);
  EXPECT_EQ(dragged->fromSocket()->parameter()->name(), "Value");
  release(socketPoint(math, "Value", true) + QPointF(150, 0));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryNodeClassTest, testing::ValuesIn(catalogueNodeClasses()),
                         [](const testing::TestParamInfo<const MVNodeClass*>& info) { return info.param->className; });

}  // namespace
