#include "MorvNode/Editor/NodeEditorView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTest>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Editor/EditorTestSupport.h"
#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/NodeEditorBackgroundView.h"
#include "MorvNode/Editor/NodeEditorOverlayView.h"
#include "MorvNode/Inspector/HoverControlsView.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/UndoManager.h"
#include "Support/PipeWatchdog.h"

namespace {

using NodeEditorTest = EditorFixture;

pf::Point originOf(const MVNode* node)
{
  return node->initialNodeViewOrigin();
}

TEST_F(NodeEditorTest, LayoutPassMakesViewsRowsAndSocketsForEveryNode)
{
  MVNode* shape = add("ElementShapeNode", {40, 60});
  MVNode* math = add("ValueMathNode", {-300, -120});
  for (MVNode* node : {shape, math}) {
    const MVNodeView* view = NodeEditorView::viewOfNode(node);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(editor->modelPointFromCanvas(QPointF(view->pos())), originOf(node));
    EXPECT_EQ(view->width(), static_cast<int>(node->nodeClass().nodeViewDefaultWidth));
    for (const auto& parameter : node->parameters()) {
      const MVParameterView* row = MVParameterView::rowOf(*parameter);
      ASSERT_NE(row, nullptr) << parameter->name();
      EXPECT_EQ(row->parentWidget(), view);
      EXPECT_EQ(row->isHidden(), parameter->layoutHidden()) << parameter->name();
      if (!row->isHidden()) {
        EXPECT_GE(row->y(), MVNodeView::kHeaderHeight);
      }
    }
  }
  // The node reaching into negative coordinates widens the scrollable area, the view stays.
  EXPECT_LE(editor->contentRect().left(), -300.0);
  EXPECT_LE(editor->contentRect().top(), -120.0);
  EXPECT_EQ(editor->visibleOrigin(), QPointF(0, 0));
}

TEST_F(NodeEditorTest, DraggingFromAnOutputToAnInputConnectsWithOneUndoStep)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  drag(socketPoint(source, "Value", true), socketPoint(math, "A", false));
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});
  EXPECT_EQ(document.undoManager()->undoActionName(), "adding connection");
  const MVConnection* connection = controller.connectionArray().front().get();
  const MVConnectionView* view = NodeEditorView::viewOfConnection(connection);
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(connection->isBeingEdited());
  EXPECT_EQ(view->fromEndLocation(), socketPoint(source, "Value", true));
  EXPECT_EQ(view->toEndLocation(), socketPoint(math, "A", false));
  EXPECT_EQ(editor->overlay()->currentlyEditedConnection(), nullptr);
  EXPECT_FALSE(editor->overlay()->isSocketHighlightAnimating());

  undo();
  EXPECT_TRUE(connectionList().empty());
  redo();
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});
  // The saved record names both ends.
  const auto record = controller.connectionDescriptionsArray();
  ASSERT_EQ(record.size(), 1U);
  EXPECT_EQ(*record[0].asDictionary()->find("To parameter name")->asString(), "A");
}

// A pipe, a device or a folder dropped on the canvas adds nothing and says why at once; a read
// that waited on the pipe would hang the application.
TEST_F(NodeEditorTest, DroppingAnythingButARegularFileAddsNoNodeAndDoesNotWait)
{
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("morvalis-drop-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "folder.svg");
  const std::filesystem::path pipe = folder / "pipe.svg";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  testsupport::PipeWatchdog watchdog(pipe);  // lets a read that waits go, so the test ends
  const std::size_t nodes = controller.nodeArray().size();
  for (const std::filesystem::path& file : {pipe, folder / "folder.svg", std::filesystem::path("/dev/zero")}) {
    EXPECT_FALSE(editor->dropFile(file, canvasPoint({100, 100}))) << file;
    EXPECT_EQ(log.count("Error, could not read " + file.string() + ": " +
                        (file == pipe ? "a named pipe" : file == "/dev/zero" ? "a character device" : "a folder") +
                        ", not a regular file"),
              1)
        << file;
  }
  std::filesystem::remove_all(folder);
  EXPECT_FALSE(watchdog.blockedRead());
  EXPECT_EQ(controller.nodeArray().size(), nodes);
}

TEST_F(NodeEditorTest, PointerEventsOnRowsReachTheCanvasWhereTheyHappen)
{
  // Input sockets sit on the box's left edge, on their rows: a press there is a press on the row.
  MVNode* shape = add("ElementShapeNode", {20, 300});
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {400, 0}));
  ASSERT_NE(artboard, nullptr);
  MVNode* value = add("ValueNode", {-300, 40});
  const std::string layer = artboard->layers().front()->name();
  struct Case {
    MVNode* to;
    std::string input;
    MVNode* from;
    std::string output;
  };
  for (const Case& c : {Case{artboard, layer, shape, "Graphics"}, Case{shape, "Size", value, "Value"}}) {
    SCOPED_TRACE(c.input);
    const QPointF input = socketPoint(c.to, c.input, false);
    const QWidget* hit = editor->canvas()->childAt(input.toPoint());
    while (hit != nullptr && qobject_cast<const MVParameterView*>(hit) == nullptr) {
      hit = hit->parentWidget();
    }
    ASSERT_NE(hit, nullptr) << "the socket lies on its row";
    const pf::Point origin = originOf(c.to);

    // Hovering the socket lights it, and only it.
    dragTo(input + QPointF(1, 1));
    MVParameterSocket* socket = editor->socketAtLocation(input + QPointF(1, 1), 0);
    ASSERT_NE(socket, nullptr);
    ASSERT_EQ(socket->parameter()->node(), c.to);
    const auto* marker = dynamic_cast<const MVParameterSocketViewAdapter*>(socket->socketView());
    ASSERT_TRUE(marker != nullptr && marker->view() != nullptr);
    EXPECT_TRUE(marker->view()->hoverHighlight());
    dragTo(input + QPointF(30, 1));
    EXPECT_FALSE(marker->view()->hoverHighlight());

    // A new connection from the input to an output; the box stays.
    drag(input + QPointF(1, 1), socketPoint(c.from, c.output, true));
    const std::string expected = c.from->nodeId() + "." + c.output + " -> " + c.to->nodeId() + "." + socket->parameter()->name();
    EXPECT_EQ(originOf(c.to), origin);
    ASSERT_FALSE(connectionList().empty());
    EXPECT_EQ(connectionList().back(), expected);
    EXPECT_EQ(document.undoManager()->undoActionName(), "adding connection");

    // Its end, grabbed on the row, is dragged off into empty canvas: disconnected.
    const std::size_t count = connectionList().size();
    drag(input + QPointF(3, 0), canvasPoint({900, 650}));
    EXPECT_EQ(connectionList().size(), count - 1);
    EXPECT_EQ(document.undoManager()->undoActionName(), "remove connection");
    EXPECT_EQ(originOf(c.to), origin);
  }
}

TEST_F(NodeEditorTest, AConnectionThatWouldCloseALoopIsRefused)
{
  MVNode* first = add("ValueMathNode", {20, 40});
  MVNode* second = add("ValueMathNode", {260, 40});
  drag(socketPoint(first, "Value", true), socketPoint(second, "A", false));
  ASSERT_EQ(connectionList().size(), 1U);
  log.clear();
  drag(socketPoint(second, "Value", true), socketPoint(first, "B", false));
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});
  EXPECT_EQ(log.countContaining("[showNSAlert] 'Infinite loop error'"), 1);
  EXPECT_EQ(log.countContaining("results in an infinite loop, so it cannot be made."), 1);
}

TEST_F(NodeEditorTest, GrabbingAConnectionEndMovesOrRemovesItAndEscapePutsItBack)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  drag(socketPoint(source, "Value", true), socketPoint(math, "A", false));
  const QPointF toEnd = socketPoint(math, "A", false);

  // Escape while dragging the end of an existing connection puts it back untouched.
  press(toEnd + QPointF(1, 1));
  dragTo(toEnd + QPointF(80, 120));
  EXPECT_TRUE(editor->isDraggingConnection());
  key(Qt::Key_Escape);
  release(toEnd + QPointF(80, 120));
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});
  EXPECT_EQ(document.undoManager()->undoActionName(), "adding connection");

  // Moved to another input: one "connection change".
  ASSERT_EQ(NodeEditorView::viewOfConnection(controller.connectionArray().front().get())->toEndLocation(), toEnd);
  MVNode* other = add("ValueMathNode", {260, 300});
  drag(toEnd + QPointF(1, 0), socketPoint(other, "A", false));
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 3.A"});
  EXPECT_EQ(document.undoManager()->undoActionName(), "connection change");
  // Dropped on empty canvas: disconnected.
  drag(socketPoint(other, "A", false), canvasPoint({600, 500}));
  EXPECT_TRUE(connectionList().empty());
  EXPECT_EQ(document.undoManager()->undoActionName(), "remove connection");
  undo();
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 3.A"});
}

TEST_F(NodeEditorTest, ANewConnectionDroppedOnEmptyCanvasOffersNodesOrGoes)
{
  MVNode* source = add("ValueNode", {20, 40});
  defaults->setBool("Add nodes by dragging new connection", false);
  drag(socketPoint(source, "Value", true), canvasPoint({400, 300}));
  EXPECT_TRUE(connectionList().empty());
  EXPECT_EQ(editor->addNodeMenu(), nullptr);

  defaults->setBool("Add nodes by dragging new connection", true);
  drag(socketPoint(source, "Value", true), canvasPoint({400, 300}));
  QMenu* menu = editor->addNodeMenu();
  ASSERT_NE(menu, nullptr);
  // Value operations and plain values fit a value output; choose the math node.
  QAction* math = nullptr;
  for (QAction* category : menu->actions()) {
    if (category->menu() != nullptr) {
      for (QAction* item : category->menu()->actions()) {
        if (item->data().toString() == "ValueMathNode") {
          math = item;
        }
      }
    }
  }
  ASSERT_NE(math, nullptr);
  step([&] {
    emit menu->triggered(math);
    menu->close();
  });
  runLoop.advance(0.05);
  ASSERT_EQ(controller.nodeArray().size(), 2U);
  EXPECT_EQ(controller.nodeArray()[1]->className(), "ValueMathNode");
  ASSERT_EQ(connectionList().size(), 1U);
  EXPECT_EQ(connectionList()[0].substr(0, 10), "1.Value ->");
}

TEST_F(NodeEditorTest, DraggingANodeMovesItSnapsItAndIsOneUndoStep)
{
  MVNode* node = add("ValueNode", {133, 47});
  const QPointF header = headerPoint(node);
  // Two points or less is a click, not a move.
  drag(header, header + QPointF(2, -2));
  EXPECT_EQ(originOf(node), pf::Point(133, 47));
  EXPECT_TRUE(node->selected());

  drag(header, header + QPointF(3, 0));
  EXPECT_EQ(originOf(node), pf::Point(136, 47));
  undo();
  EXPECT_EQ(originOf(node), pf::Point(133, 47));
  EXPECT_EQ(NodeEditorView::viewOfNode(node)->pos(), canvasPoint({133, 47}).toPoint());

  defaults->setBool("Snap nodes to grid", true);
  drag(header, header + QPointF(3, 0));
  EXPECT_EQ(originOf(node), pf::Point(150, 50));
}

TEST_F(NodeEditorTest, AltOrCtrlDragCopiesTheSelectionWithItsInnerConnections)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  add("ValueNode", {20, 300});  // not selected: neither copied nor connected
  drag(socketPoint(source, "Value", true), socketPoint(math, "A", false));
  step([&] {
    controller.selectNode(source, false, false, true);
    controller.selectNode(math, true, false, true);
  });
  for (Qt::KeyboardModifier modifier : {Qt::AltModifier, Qt::ControlModifier}) {
    SCOPED_TRACE(modifier);
    const std::size_t before = controller.nodeArray().size();
    drag(headerPoint(math), headerPoint(math) + QPointF(0, 200), modifier);
    ASSERT_EQ(controller.nodeArray().size(), before + 2);
    MVNode* copiedSource = controller.nodeArray()[before].get();
    MVNode* copiedMath = controller.nodeArray()[before + 1].get();
    EXPECT_EQ(copiedMath->className(), "ValueMathNode");
    EXPECT_EQ(originOf(copiedMath), pf::Point(originOf(math).x, originOf(math).y + 200));
    EXPECT_TRUE(copiedMath->selected());
    EXPECT_FALSE(math->selected());
    EXPECT_EQ(connectionList().back(), copiedSource->nodeId() + ".Value -> " + copiedMath->nodeId() + ".A");
    undo();
    EXPECT_EQ(controller.nodeArray().size(), before);
    step([&] {
      controller.selectNode(source, false, false, true);
      controller.selectNode(math, true, false, true);
    });
  }
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});
}

TEST_F(NodeEditorTest, ASimpleMathBoxIsAsWideAsItsExpressionNeeds)
{
  MVNode* math = add("ValueMiniMathNode", {20, 40});
  MVNode* target = add("ValueMathNode", {300, 40});
  drag(socketPoint(math, "Value", true), socketPoint(target, "A", false));
  ASSERT_EQ(connectionList().size(), 1U);
  auto* expression = math->parameterNamed<MVParameterValueExpression>("Value");
  ASSERT_NE(expression, nullptr);
  const MVNodeView* view = NodeEditorView::viewOfNode(math);
  EXPECT_EQ(view->width(), 80);  // "a/2"
  // Under 5 characters 80 points, under 8 100, else the class's width; and back.
  const struct {
    const char* text;
    int width;
  } cases[] = {{"a*22", 80}, {"a*222", 100}, {"a*22222", 100}, {"a*222222", 120}, {"a*2222222222", 120},
               {"a+1", 80}, {"a*2222", 100}, {"", 80}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    step([&] { expression->setExpressionString(c.text); });
    EXPECT_EQ(view->width(), c.width);
    // The output socket and its connection follow the right edge.
    EXPECT_EQ(socketPoint(math, "Value", true).x(), view->x() + c.width);
    const MVConnectionView* line = NodeEditorView::viewOfConnection(controller.connectionArray().front().get());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->fromEndLocation(), socketPoint(math, "Value", true));
    for (const MVParameterView* row : view->findChildren<MVParameterView*>()) {
      EXPECT_EQ(row->width(), c.width);
    }
  }
}

TEST_F(NodeEditorTest, RubberBandSelectsAndShiftTogglesThenDeleteRemovesWithUndo)
{
  MVNode* a = add("ValueNode", {20, 40});
  MVNode* b = add("ValueNode", {20, 200});
  MVNode* c = add("ValueMathNode", {300, 40});
  drag(socketPoint(a, "Value", true), socketPoint(c, "A", false));
  drag(canvasPoint({0, 20}), canvasPoint({200, 150}));
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{a});
  drag(canvasPoint({0, 20}), canvasPoint({200, 400}), Qt::ShiftModifier);
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{b});  // a left, b joined

  drag(canvasPoint({0, 20}), canvasPoint({600, 400}));
  EXPECT_EQ(controller.selectedNodesArray().size(), 3U);
  step([&] { editor->setFocus(); });
  key(Qt::Key_Delete);
  EXPECT_TRUE(controller.nodeArray().empty());
  EXPECT_TRUE(connectionList().empty());
  undo();
  EXPECT_EQ(controller.nodeArray().size(), 3U);
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 3.A"});
  for (const auto& node : controller.nodeArray()) {
    EXPECT_NE(NodeEditorView::viewOfNode(node.get()), nullptr);
  }
}

TEST_F(NodeEditorTest, DeleteWhileEditingTextDeletesNoNodes)
{
  MVNode* node = add("ValueMathNode", {20, 40});
  step([&] { controller.selectNode(node, false, false, true); });
  doubleClick(headerPoint(node) + QPointF(10, 10));
  MVNodeView* view = NodeEditorView::viewOfNode(node);
  ASSERT_NE(view->titleEditingField(), nullptr);
  step([&] { view->titleEditingField()->setFocus(); });
  // A Delete that reaches the canvas while the field is edited deletes no nodes.
  step([&] { QTest::keyClick(editor.get(), Qt::Key_Delete); });
  EXPECT_EQ(controller.nodeArray().size(), 1U);
  // Renaming is one undo step; an unchanged name is none.
  step([&] {
    view->titleEditingField()->setText("Ratio");
    QTest::keyClick(view->titleEditingField(), Qt::Key_Return);
  });
  EXPECT_EQ(node->displayName(), "Ratio");
  EXPECT_EQ(view->titleLabel()->text(), QString("Ratio"));
  undo();
  EXPECT_NE(node->displayName(), "Ratio");
}

TEST_F(NodeEditorTest, SocketsUnderAnotherNodeCannotBeGrabbed)
{
  MVNode* below = add("ValueMathNode", {20, 40});
  const QPointF input = socketPoint(below, "A", false);
  EXPECT_EQ(editor->socketAtLocation(input, 1), below->parameterNamed("A")->inputSocket());
  EXPECT_EQ(editor->socketAtLocation(input + QPointF(9.9, 0), 1), below->parameterNamed("A")->inputSocket());
  EXPECT_EQ(editor->socketAtLocation(input + QPointF(10, 0), 1), nullptr);
  EXPECT_EQ(editor->socketAtLocation(input, 2), nullptr);
  // A node dropped over it hides the socket.
  const pf::Point inputModel = editor->modelPointFromCanvas(input);
  MVNode* above = add("ValueMathNode", {-40, inputModel.y - 20});
  step([&] { controller.selectNode(above, false, false, true); });
  EXPECT_EQ(editor->socketAtLocation(input, 1), nullptr);
}

TEST_F(NodeEditorTest, ConnectionsStackAboveTheHigherOfTheirNodes)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  drag(socketPoint(source, "Value", true), socketPoint(math, "A", false));
  const MVConnection* connection = controller.connectionArray().front().get();
  auto position = [this](const QWidget* widget) { return editor->canvas()->children().indexOf(const_cast<QWidget*>(widget)); };
  const QWidget* view = NodeEditorView::viewOfConnection(connection);
  EXPECT_EQ(position(view), position(NodeEditorView::viewOfNode(math)) + 1);
  step([&] { controller.selectNode(source, false, false, true); });  // brought to the top
  EXPECT_EQ(position(view), position(NodeEditorView::viewOfNode(source)) + 1);
  EXPECT_LT(position(view), position(editor->overlay()));
}

TEST_F(NodeEditorTest, ASelectedNodeComesToTheFrontHoweverItIsSelected)
{
  // The artboard lies below the shape where their boxes overlap.
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {20, 40}));
  ASSERT_NE(artboard, nullptr);
  MVNode* shape = add("ElementShapeNode", {60, 80});
  const std::string layer = artboard->layers().front()->name();
  drag(socketPoint(shape, "Graphics", true), socketPoint(artboard, layer, false));
  ASSERT_EQ(connectionList().size(), 1U);
  const QWidget* line = NodeEditorView::viewOfConnection(controller.connectionArray().front().get());
  ASSERT_NE(line, nullptr);
  const QPointF overlap = canvasPoint({100, 120});
  auto position = [this](const QWidget* widget) { return editor->canvas()->children().indexOf(const_cast<QWidget*>(widget)); };
  auto inFront = [&]() -> MVNode* {
    for (const QWidget* hit = editor->canvas()->childAt(overlap.toPoint()); hit != nullptr; hit = hit->parentWidget()) {
      if (const auto* view = qobject_cast<const MVNodeView*>(hit)) {
        return view->node();
      }
    }
    return nullptr;
  };
  // The connection lies just above the higher of its two boxes, whichever that is.
  auto expectConnectionAbove = [&](MVNode* top) {
    EXPECT_EQ(position(line), position(NodeEditorView::viewOfNode(top)) + 1);
    EXPECT_LT(position(line), position(editor->overlay()));
  };
  ASSERT_EQ(inFront(), shape);

  // A click on the artboard's header.
  press(headerPoint(artboard));
  release(headerPoint(artboard));
  EXPECT_EQ(inFront(), artboard);
  expectConnectionAbove(artboard);
  // Dragged by its visible part onto the shape, it stays in front; a press there takes it again.
  drag(headerPoint(artboard), headerPoint(artboard) + QPointF(10, 10));
  EXPECT_EQ(inFront(), artboard);

  // A rubber band over a part of the shape alone.
  const QRectF shapeFrame = NodeEditorView::viewOfNode(shape)->geometry();
  drag(QPointF(shapeFrame.right() + 40, shapeFrame.bottom() - 20), QPointF(shapeFrame.right() - 5, shapeFrame.bottom() - 10));
  ASSERT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{shape});
  EXPECT_EQ(inFront(), shape);
  expectConnectionAbove(shape);

  // Select all raises every box in the graph's order: the last one ends in front.
  press(headerPoint(artboard));
  release(headerPoint(artboard));
  ASSERT_EQ(inFront(), artboard);
  step([&] { editor->selectAll(); });
  EXPECT_EQ(inFront(), shape);

  // Selected by the controller (a click in the preview, a warning): in front as well.
  step([&] { controller.selectNode(artboard, false, false, true); });
  EXPECT_EQ(inFront(), artboard);
  expectConnectionAbove(artboard);

  // An added node comes in front.
  MVNode* added = add("ValueNode", {80, 100});
  EXPECT_EQ(inFront(), added);
}

TEST_F(NodeEditorTest, ArrangePlacesByConnectionsInOneUndoGroup)
{
  MVNode* shape = add("ElementShapeNode", {0, 200});
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {400, 0}));
  ASSERT_NE(artboard, nullptr);
  ASSERT_FALSE(artboard->layers().empty());
  MVNode* value = add("ValueNode", {600, 600});
  const std::string layer = artboard->layers().front()->name();
  drag(socketPoint(shape, "Graphics", true), socketPoint(artboard, layer, false));
  ASSERT_EQ(connectionList().size(), 1U);
  const std::string sizeInput = "Size";
  drag(socketPoint(value, "Value", true), socketPoint(shape, sizeInput, false));
  ASSERT_EQ(connectionList().size(), 2U);
  step([&] { editor->arrangeNodeViews(); });
  const MVNodeView* shapeView = NodeEditorView::viewOfNode(shape);
  // The artboard sits right of the shape, the value left of the shape with its output level
  // with the input it feeds.
  EXPECT_GE(originOf(artboard).x, originOf(shape).x + shapeView->width() + 20);
  EXPECT_EQ(originOf(value).x, originOf(shape).x - NodeEditorView::viewOfNode(value)->width() - 20);
  EXPECT_NEAR(socketPoint(value, "Value", true).y(), socketPoint(shape, sizeInput, false).y(), 1.0);
  EXPECT_EQ(document.undoManager()->undoActionName(), "arrange nodes");
  const pf::Point arranged = originOf(value);
  step([&] { editor->arrangeNodeViews(); });  // already arranged: nothing moves
  EXPECT_EQ(originOf(value), arranged);
  undo();
  EXPECT_EQ(originOf(value), pf::Point(600, 600));
  EXPECT_EQ(originOf(artboard), pf::Point(400, 0));
}

TEST_F(NodeEditorTest, SpaceDragPansAndScrollToNodeBringsItIntoView)
{
  MVNode* far = add("ValueNode", {2000, 100});
  step([&] { editor->setFocus(); });
  step([&] { QTest::keyPress(editor.get(), Qt::Key_Space); });
  EXPECT_TRUE(editor->spaceHeld());
  const QPointF start = canvasPoint({300, 300});
  press(start);
  dragTo(start + QPointF(-100, -50));
  release(start + QPointF(-100, -50));
  step([&] { QTest::keyRelease(editor.get(), Qt::Key_Space); });
  EXPECT_FALSE(editor->spaceHeld());
  EXPECT_EQ(editor->visibleOrigin(), QPointF(100, 50));

  step([&] { editor->scrollToNode(far); });
  const QRectF visible = editor->visibleRect();
  EXPECT_TRUE(visible.contains(QRectF(QPointF(2000, 100), QSizeF(NodeEditorView::viewOfNode(far)->size()))));
  const QPointF before = editor->visibleOrigin();
  step([&] { editor->scrollToNode(far); });  // already visible: no scroll
  EXPECT_EQ(editor->visibleOrigin(), before);
}

TEST_F(NodeEditorTest, TheScrollableAreaGrowingHidesTheHoverControl)
{
  HoverControlsView* controls = HoverControlsView::sharedHoverControls();
  controls->show();
  add("ValueNode", {5000, 4000});
  EXPECT_EQ(HoverControlsView::existingHoverControls(), controls);
  EXPECT_FALSE(controls->isVisible());
}

TEST_F(NodeEditorTest, AConnectionIsDrawnAnewWhenItsLookOrItsEndsChange)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  drag(socketPoint(source, "Value", true), socketPoint(math, "A", false));
  MVConnectionView* view = NodeEditorView::viewOfConnection(controller.connectionArray().front().get());
  ASSERT_NE(view, nullptr);
  const QImage plain = view->grab().toImage();
  EXPECT_EQ(view->grab().toImage(), plain);
  step([&] { view->setSelected(true); });
  EXPECT_NE(view->grab().toImage(), plain);
  step([&] { view->setSelected(false); });
  EXPECT_EQ(view->grab().toImage(), plain);
  // Moving the math node down bends the curve into a new picture.
  drag(headerPoint(math), headerPoint(math) + QPointF(0, 60));
  const QImage bent = view->grab().toImage();
  EXPECT_NE(bent.size(), plain.size());
}

// The background laid from tiles shows what drawing it whole shows: the background colour and
// the 20-point grid anchored at the editor origin, in any area (across the origin, across tiles).
TEST_F(NodeEditorTest, TheGridShowsTheSameInAnyAreaItIsPaintedIn)
{
  NodeEditorBackgroundView& canvas = *editor->canvas();
  const QPoint origin = canvasPoint(pf::Point(0, 0)).toPoint();
  for (const QRect& area : {QRect(origin + QPoint(-57, -33), QSize(300, 200)),
                            QRect(origin + QPoint(413, 171), QSize(97, 310)), QRect(origin, QSize(1, 1))}) {
    SCOPED_TRACE(area.x() - origin.x());
    const QImage painted = canvas.grab(area).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage expected(area.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&expected);
    painter.translate(-area.topLeft());
    painter.fillRect(area, canvas.backgroundColor());
    QPainterPath grid;
    for (double x : NodeEditorBackgroundView::verticalGridLines(area.x(), area.width(), origin.x())) {
      grid.moveTo(x, area.top());
      grid.lineTo(x, area.top() + area.height());
    }
    for (double y : NodeEditorBackgroundView::verticalGridLines(area.y(), area.height(), origin.y())) {
      grid.moveTo(area.left(), y);
      grid.lineTo(area.left() + area.width(), y);
    }
    painter.setPen(QPen(canvas.gridColor(), 1.0));
    painter.drawPath(grid);
    painter.end();
    EXPECT_EQ(painted, expected);
  }
}

TEST(NodeEditorGrid, LinesFallOnWholePixelsAcrossTheOrigin)
{
  EXPECT_EQ(NodeEditorBackgroundView::verticalGridLines(-30, 80), (std::vector<double>{-19.5, 0.5, 20.5, 40.5}));
}

TEST(ConnectionViewGeometry, TangentAndFrame)
{
  EXPECT_DOUBLE_EQ(MVConnectionView::tangentLength({0, 0}, {10, 0}), 5.0);
  EXPECT_DOUBLE_EQ(MVConnectionView::tangentLength({0, 0}, {0, 300}), 30.0);
  EXPECT_DOUBLE_EQ(MVConnectionView::tangentLength({0, 0}, {0, 40}), 20.0);
  EXPECT_DOUBLE_EQ(MVConnectionView::tangentLength({0, 0}, {400, 0}), 100.0);
  // Backwards: the frame still reaches 20 points out of the output and into the input.
  EXPECT_EQ(MVConnectionView::frameForEnds({100, 50}, {40, 80}), QRect(10, 40, 120, 50));
}

TEST(ConnectionViewGeometry, OnlyThePartOfALongCurveInTheAreaIsKept)
{
  QPainterPath curve(QPointF(0, 0));
  curve.cubicTo(QPointF(4000, 0), QPointF(4000, 400), QPointF(8000, 400));
  // The whole curve inside: all of it, flattened.
  const QPainterPath whole = MVConnectionView::visiblePartOfPath(curve, QRectF(-10, -10, 8020, 420));
  EXPECT_EQ(whole.boundingRect(), curve.boundingRect());
  // A window in the middle: a piece reaching at most one flattened segment beyond it.
  const QRectF window(3500, 100, 1000, 200);
  const QPainterPath part = MVConnectionView::visiblePartOfPath(curve, window);
  ASSERT_FALSE(part.isEmpty());
  EXPECT_TRUE(part.boundingRect().intersects(window));
  EXPECT_LT(part.boundingRect().width(), 2000);
  EXPECT_TRUE(part.boundingRect().contains(QPointF(4000, 200)));
  // Beside the curve: nothing.
  EXPECT_TRUE(MVConnectionView::visiblePartOfPath(curve, QRectF(0, 300, 500, 100)).isEmpty());
  // A straight vertical line has no area: its segments still meet a window.
  QPainterPath line(QPointF(10, 0));
  line.lineTo(10, 1000);
  EXPECT_FALSE(MVConnectionView::visiblePartOfPath(line, QRectF(0, 400, 20, 20)).isEmpty());
}

}  // namespace

// ---- Views only near the visible area ----

// A value node and a math node on screen, and a math node far to the right (x 5000), which has
// no view until the canvas scrolls to it.
class NodeEditorFarNodeTest : public EditorFixture {
protected:
  NodeEditorFarNodeTest()
  {
    source = add("ValueNode", {20, 40});
    near = add("ValueMathNode", {260, 40});
    far = add("ValueMathNode", {5000, 40});
  }

  MVNode* source = nullptr;
  MVNode* near = nullptr;
  MVNode* far = nullptr;
};

TEST_F(NodeEditorFarNodeTest, ANodeGetsItsViewWhenScrolledIntoViewAndLosesItFarAway)
{
  EXPECT_NE(NodeEditorView::viewOfNode(near), nullptr);
  ASSERT_EQ(NodeEditorView::viewOfNode(far), nullptr);
  EXPECT_EQ(MVParameterView::rowOf(*far->parameterNamed("A")), nullptr);
  // Its box counts all the same: the scrollable area reaches it, its size is that of its kind.
  const QRectF kept = editor->nodeFrame(far);
  EXPECT_EQ(kept.topLeft(), canvasPoint({5000, 40}));
  EXPECT_EQ(kept.size(), editor->nodeFrame(near).size());
  EXPECT_GE(editor->contentRect().right(), 5000.0 + kept.width());

  step([&] { editor->scrollToNode(far); });
  const MVNodeView* view = NodeEditorView::viewOfNode(far);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(QRectF(view->geometry()), kept);
  const MVParameterView* row = MVParameterView::rowOf(*far->parameterNamed("A"));
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->parentWidget(), view);
  // The near nodes are out of reach now, and go; the model keeps their places.
  EXPECT_EQ(NodeEditorView::viewOfNode(source), nullptr);
  EXPECT_EQ(editor->nodeFrame(source).topLeft(), canvasPoint({20, 40}));

  step([&] { editor->scrollToVisibleOrigin(QPointF(0, 0)); });
  EXPECT_NE(NodeEditorView::viewOfNode(source), nullptr);
  EXPECT_EQ(NodeEditorView::viewOfNode(source)->pos(), canvasPoint({20, 40}).toPoint());
  EXPECT_EQ(NodeEditorView::viewOfNode(far), nullptr);
  EXPECT_EQ(far->nodeView()->frameOrigin(), pf::Point(5000, 40));
  EXPECT_EQ(far->nodeView()->frameSize(), pf::Size(kept.width(), kept.height()));
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(NodeEditorFarNodeTest, SelectingAndDraggingReachNodesWithoutViews)
{
  // Select All by key, then a drag of the node on screen moves the far one alike: one step.
  step([&] { editor->setFocus(); });
  key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(far->selected());
  drag(headerPoint(near), headerPoint(near) + QPointF(30, 20));
  EXPECT_EQ(near->initialNodeViewOrigin(), pf::Point(290, 60));
  EXPECT_EQ(far->initialNodeViewOrigin(), pf::Point(5030, 60));
  EXPECT_EQ(far->nodeView()->frameOrigin(), pf::Point(5030, 60));
  EXPECT_EQ(NodeEditorView::viewOfNode(far), nullptr);
  EXPECT_EQ(document.undoManager()->undoActionName().rfind("move ", 0), 0U);
  undo();
  EXPECT_EQ(far->initialNodeViewOrigin(), pf::Point(5000, 40));
  EXPECT_EQ(far->nodeView()->frameOrigin(), pf::Point(5000, 40));
  EXPECT_EQ(near->initialNodeViewOrigin(), pf::Point(260, 40));

  // A band over part of the far box selects it; one that misses it does not.
  step([&] { editor->selectNodesInRect(QRectF(canvasPoint({5100, 0}), QSizeF(20, 50)), false); });
  EXPECT_TRUE(far->selected());
  EXPECT_FALSE(near->selected());
  step([&] { editor->selectNodesInRect(QRectF(canvasPoint({4800, 0}), QSizeF(150, 20)), false); });
  EXPECT_FALSE(far->selected());
  // Its box is hit where it lies, though it has no view.
  EXPECT_EQ(editor->nodeAtPoint(canvasPoint({5010, 50})), far);
  EXPECT_EQ(editor->nodeAtPoint(canvasPoint({4990, 50})), nullptr);
}

TEST_F(NodeEditorFarNodeTest, AConnectionToANodeWithoutAViewEndsWhereItsSocketWillBe)
{
  step([&] {
    controller.addConnectionFromSocket(source->parameterNamed("Value")->outputSockets().front().get(),
                                       far->parameterNamed("B")->inputSockets().front().get());
  });
  const MVConnection* connection = controller.connectionArray().front().get();
  ASSERT_EQ(NodeEditorView::viewOfNode(far), nullptr);
  // It crosses the visible area, so it has a view; the far end comes from the measured box of
  // the near node of the same kind.
  const MVConnectionView* view = NodeEditorView::viewOfConnection(connection);
  ASSERT_NE(view, nullptr);
  const QPointF nearB = socketPoint(near, "B", false);
  const QPointF farEnd = nearB + canvasPoint({5000, 40}) - canvasPoint({260, 40});
  EXPECT_EQ(view->fromEndLocation(), socketPoint(source, "Value", true));
  EXPECT_EQ(view->toEndLocation(), farEnd);
  // Both ends and the line are hit where they are drawn.
  EXPECT_EQ(editor->connectionWithEndAtLocation(farEnd + QPointF(3, 0), 1), connection);
  EXPECT_EQ(editor->connectionAtPoint((view->fromEndLocation() + farEnd) / 2.0), connection);
  const MVParameterSocket* hit = editor->socketAtLocation(farEnd, 1);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->parameter()->node(), far);
  EXPECT_EQ(editor->socketAtLocation(farEnd, 2), nullptr);

  step([&] { editor->scrollToNode(far); });
  ASSERT_NE(NodeEditorView::viewOfNode(far), nullptr);
  EXPECT_EQ(socketPoint(far, "B", false), farEnd);
  // Now the source end is far away: the connection view keeps it where the source's box is.
  ASSERT_EQ(NodeEditorView::viewOfNode(source), nullptr);
  view = NodeEditorView::viewOfConnection(connection);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->toEndLocation(), farEnd);
  EXPECT_EQ(view->fromEndLocation(), editor->socketCenterInCanvas(connection->fromSocket()));
  EXPECT_EQ(editor->connectionWithEndAtLocation(farEnd, 1), connection);
}

TEST_F(NodeEditorFarNodeTest, ArrangingMovesNodesWithoutViews)
{
  // The far math node feeds nothing and is fed by nothing: a value feeding it moves left of it.
  MVNode* feeder = add("ValueNode", {5400, 400});
  step([&] {
    controller.addConnectionFromSocket(feeder->parameterNamed("Value")->outputSockets().front().get(),
                                       far->parameterNamed("A")->inputSockets().front().get());
  });
  ASSERT_EQ(NodeEditorView::viewOfNode(feeder), nullptr);
  step([&] { editor->arrangeNodeViews(); });
  EXPECT_LT(feeder->initialNodeViewOrigin().x + editor->nodeFrame(feeder).width(), 5000.0);
  EXPECT_EQ(document.undoManager()->undoActionName(), "arrange nodes");
  undo();
  EXPECT_EQ(feeder->initialNodeViewOrigin(), pf::Point(5400, 400));
}

TEST_F(NodeEditorTest, ASecondEditorOnTheSameGraphBuildsTheRowsAgain)
{
  MVNode* math = add("ValueMathNode", {40, 40});
  editor.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  editor = std::make_unique<NodeEditorView>();
  editor->resize(900, 700);
  editor->setNodeController(&controller);
  editor->show();
  step([] {});
  const MVNodeView* view = NodeEditorView::viewOfNode(math);
  ASSERT_NE(view, nullptr);
  const MVParameterView* row = MVParameterView::rowOf(*math->parameterNamed("A"));
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->parentWidget(), view);
}

TEST_F(NodeEditorFarNodeTest, ANodeBroughtToTheFrontWithoutAViewComesInFront)
{
  MVNode* over = add("ValueNode", {5030, 60});  // added later: above the far math node
  ASSERT_EQ(NodeEditorView::viewOfNode(over), nullptr);
  const QPointF overlap = canvasPoint({5040, 70});
  EXPECT_EQ(editor->nodeAtPoint(overlap), over);
  step([&] { controller.selectNode(far, false, false, true); });
  EXPECT_EQ(editor->nodeAtPoint(overlap), far);
  step([&] { editor->scrollToNode(far); });
  ASSERT_NE(NodeEditorView::viewOfNode(over), nullptr);
  ASSERT_NE(NodeEditorView::viewOfNode(far), nullptr);
  EXPECT_EQ(editor->nodeAtPoint(overlap), far);
  press(overlap);
  release(overlap);
  EXPECT_TRUE(far->selected());
  EXPECT_FALSE(over->selected());
}

TEST_F(NodeEditorFarNodeTest, AViewTheUserWorksInStaysWhenScrolledAway)
{
  MVNodeView* view = NodeEditorView::viewOfNode(near);
  ASSERT_NE(view, nullptr);
  step([&] { view->menuRename(); });
  ASSERT_NE(view->titleEditingField(), nullptr);
  step([&] { editor->scrollToNode(far); });
  EXPECT_EQ(NodeEditorView::viewOfNode(near), view);
  EXPECT_EQ(NodeEditorView::viewOfNode(source), nullptr);
  step([&] {
    view->titleEditingField()->setText("renamed");
    view->finishRename();
  });
  EXPECT_EQ(near->displayName(), "renamed");
  // Once done, the next change of the visible area lets it go.
  step([&] { editor->scrollToVisibleOrigin(editor->visibleOrigin() + QPointF(0, 1)); });
  EXPECT_EQ(NodeEditorView::viewOfNode(near), nullptr);
  EXPECT_EQ(near->nodeView()->frameOrigin(), pf::Point(260, 40));
}
