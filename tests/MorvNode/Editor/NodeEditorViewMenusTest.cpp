#include <QLabel>
#include <QMenu>
#include <QWidgetAction>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Editor/EditorTestSupport.h"
#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/UndoManager.h"

namespace {

class NodeEditorMenusTest : public EditorFixture {
protected:
  ~NodeEditorMenusTest() override { qDeleteAll(menus_); }

  // Connects the first output socket of one parameter to the first input socket of another.
  MVConnection* link(MVNode* from, const std::string& output, MVNode* to, const std::string& input)
  {
    MVConnection* connection = nullptr;
    step([&] {
      connection = controller.addConnectionFromSocket(from->parameterNamed(output)->outputSockets().front().get(),
                                                      to->parameterNamed(input)->inputSockets().front().get());
    });
    return connection;
  }

  QMenu* nodeMenu(MVNode* node) { return kept(editor->contextMenuForNode(node)); }
  QMenu* connectionMenu(MVConnection* connection) { return kept(editor->contextMenuForConnection(connection)); }
  QMenu* backgroundMenu(pf::Point at) { return menuAt(canvasPoint(at)); }
  QMenu* menuAt(QPointF canvasPoint) { return kept(editor->menuForEvent(canvasPoint)); }

  // The item reached through the titles of its menus; nullptr when there is none.
  static QAction* item(QMenu* menu, const QStringList& path)
  {
    QAction* found = nullptr;
    for (const QString& title : path) {
      if (menu == nullptr) {
        return nullptr;
      }
      found = nullptr;
      for (QAction* action : menu->actions()) {
        if (action->text() == title) {
          found = action;
          break;
        }
      }
      if (found == nullptr) {
        return nullptr;
      }
      menu = found->menu();
    }
    return found;
  }

  // The item of a node class in an add-node menu (any category).
  static QAction* classItem(QMenu* menu, const QString& className)
  {
    for (QAction* action : menu->actions()) {
      if (action->menu() != nullptr) {
        if (QAction* found = classItem(action->menu(), className)) {
          return found;
        }
      } else if (action->data().toString() == className) {
        return action;
      }
    }
    return nullptr;
  }

  static QStringList titles(QMenu* menu)
  {
    QStringList list;
    for (const QAction* action : menu->actions()) {
      if (!action->isSeparator()) {
        list << action->text();
      }
    }
    return list;
  }

  // The picture of a preview item; a null pixmap when the menu has none.
  static QPixmap previewPicture(QMenu* menu)
  {
    for (QAction* action : menu->actions()) {
      auto* widgetAction = qobject_cast<QWidgetAction*>(action);
      const auto* label = widgetAction != nullptr ? qobject_cast<QLabel*>(widgetAction->defaultWidget()) : nullptr;
      if (label != nullptr && !label->pixmap().isNull()) {
        return label->pixmap();
      }
    }
    return {};
  }

  // Chooses the item as the user does: the menu closes first, then the action runs.
  void choose(QMenu* menu, QAction* action)
  {
    ASSERT_NE(action, nullptr);
    step([&] {
      emit menu->aboutToHide();
      action->trigger();
    });
    runLoop.advance(0.05);
    step([] {});
  }

  void closeWithoutChoice(QMenu* menu)
  {
    step([&] { emit menu->aboutToHide(); });
    runLoop.advance(0.05);
    step([] {});
  }

  std::string undoName() { return document.undoManager()->undoActionName(); }

private:
  QMenu* kept(QMenu* menu)
  {
    if (menu != nullptr) {
      menus_.push_back(menu);
    }
    return menu;
  }

  QList<QMenu*> menus_;
};

TEST_F(NodeEditorMenusTest, NodeMenusOfferWhatTheNodeFamilyAllows)
{
  struct Case {
    const char* className;
    QStringList present;
    QStringList absent;
    QStringList replaceCategories;  // empty: no "Replace node"
  };
  const std::vector<Case> cases = {
    {"ArtboardNode",
     {"Add new layer", "Set artboard size", "Node reference help"},
     {"Replace node", "Add node after", "Duplicate node", "Delete node", "Rename node", "Connections"},
     {}},
    {"ElementShapeNode",
     {"Add node after", "Set position", "Duplicate node", "Delete node"},
     {"Rename node", "Connections"},
     {"Add elements"}},
    {"ValueRandomNode", {"Add node after", "Rename node", "Duplicate node"}, {"Set position"}, {"Values"}},
    {"ValueMathNode", {"Rename node"}, {}, {"Values", "Value operations"}},
    {"ColorNode", {"Rename node", "Add node after"}, {}, {"Color"}},
    {"ChangeTransformNode", {"Add node after"}, {"Rename node"}, {"Change", "Group operations", "Make seamless"}},
    {"NoteNode", {"Delete node"}, {"Replace node", "Add node after"}, {}},
  };
  double y = 0;
  for (const Case& each : cases) {
    SCOPED_TRACE(each.className);
    MVNode* node = add(each.className, {40, y += 300});
    ASSERT_NE(node, nullptr);
    QMenu* menu = nodeMenu(node);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{node});
    const QStringList shown = titles(menu);
    for (const QString& title : each.present) {
      EXPECT_TRUE(shown.contains(title)) << title.toStdString();
    }
    for (const QString& title : each.absent) {
      EXPECT_FALSE(shown.contains(title)) << title.toStdString();
    }
    QAction* replace = item(menu, {"Replace node"});
    if (each.replaceCategories.isEmpty()) {
      EXPECT_EQ(replace, nullptr);
    } else {
      ASSERT_NE(replace, nullptr);
      EXPECT_EQ(titles(replace->menu()), each.replaceCategories);
    }
  }
}

TEST_F(NodeEditorMenusTest, NodeCommandsEditThroughTheControllerOneUndoStepEach)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  MVNode* last = add("ValueMathNode", {500, 40});
  link(source, "Value", math, "A");
  link(math, "Value", last, "A");
  const std::vector<std::string> linked = connectionList();

  struct Case {
    QStringList path;
    std::size_t nodes;                     // node count after the command
    std::vector<std::string> connections;  // empty: not checked
    const char* undoName;
  };
  const std::vector<Case> cases = {
    {{"Duplicate node"}, 4, {}, nullptr},
    {{"Delete node"}, 2, {"1.Value -> 3.A"}, nullptr},
    {{"Connections", "Unlink"}, 3, {"1.Value -> 3.A"}, nullptr},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.path.join(" > ").toStdString());
    QMenu* menu = nodeMenu(controller.nodeWithId("2"));
    QAction* action = item(menu, each.path);
    ASSERT_NE(action, nullptr);
    choose(menu, action);
    EXPECT_EQ(controller.nodeArray().size(), each.nodes);
    if (!each.connections.empty()) {
      EXPECT_EQ(connectionList(), each.connections);
    }
    if (each.undoName != nullptr) {
      EXPECT_EQ(undoName(), each.undoName);
    }
    EXPECT_EQ(editor->currentMenuNode(), nullptr);
    undo();
    EXPECT_EQ(controller.nodeArray().size(), 3U);
    EXPECT_EQ(connectionList(), linked);
  }

  // Add after and replace pick a class from the catalogue.
  math = controller.nodeWithId("2");
  QMenu* menu = nodeMenu(math);
  choose(menu, classItem(item(menu, {"Add node after"})->menu(), "ValueRandomNode"));
  ASSERT_EQ(controller.nodeArray().size(), 4U);
  EXPECT_EQ(controller.nodeArray().back()->className(), "ValueRandomNode");
  undo();
  EXPECT_EQ(controller.nodeArray().size(), 3U);
  menu = nodeMenu(math);
  choose(menu, classItem(item(menu, {"Replace node"})->menu(), "ValueRoundNode"));
  EXPECT_EQ(controller.nodeWithId("2"), nullptr);
  undo();
  ASSERT_NE(controller.nodeWithId("2"), nullptr);
  EXPECT_EQ(controller.nodeWithId("2")->className(), "ValueMathNode");
  EXPECT_EQ(connectionList(), linked);

  // Selecting linked nodes: before, after, all.
  for (const auto& [title, selected] : std::vector<std::pair<QString, std::size_t>>{{"Before", 2}, {"After", 2}, {"All", 3}}) {
    SCOPED_TRACE(title.toStdString());
    menu = nodeMenu(controller.nodeWithId("2"));
    choose(menu, item(menu, {"Connections", "Select linked nodes", title}));
    EXPECT_EQ(controller.selectedNodesArray().size(), selected);
  }
}

TEST_F(NodeEditorMenusTest, ArtboardItemsComeFromTheNode)
{
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {400, 0}));
  ASSERT_NE(artboard, nullptr);
  const std::size_t layers = artboard->layers().size();
  QMenu* menu = nodeMenu(artboard);
  choose(menu, item(menu, {"Add new layer"}));
  EXPECT_EQ(artboard->layers().size(), layers + 1);
  menu = nodeMenu(artboard);
  choose(menu, item(menu, {"Set artboard size", "512x512"}));
  EXPECT_EQ(artboard->sizeParameter()->valueX(), 512.0);
  undo();
  EXPECT_NE(artboard->sizeParameter()->valueX(), 512.0);
  // A connected size cannot be set from the menu.
  MVNode* value = add("ValueNode", {0, 0});
  link(value, "Value", artboard, "Size");
  menu = nodeMenu(artboard);
  EXPECT_FALSE(item(menu, {"Set artboard size"})->isEnabled());
}

TEST_F(NodeEditorMenusTest, ConnectionMenuDescribesWhatPassedAndEditsTheConnection)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  MVConnection* connection = link(source, "Value", math, "A");
  QMenu* menu = connectionMenu(connection);
  ASSERT_NE(menu, nullptr);
  // Nothing passed yet: no preview section.
  EXPECT_EQ(titles(menu), (QStringList{"Add node on connection", "Remove connection"}));
  step([&] { connection->getValue(); });
  menu = connectionMenu(connection);
  EXPECT_EQ(titles(menu).mid(0, 2), (QStringList{"Value", "Constant 1"}));
  EXPECT_TRUE(previewPicture(menu).isNull());
  EXPECT_TRUE(NodeEditorView::viewOfConnection(connection)->selected());
  EXPECT_EQ(editor->currentAddNodeConnection(), connection);

  choose(menu, item(menu, {"Remove connection"}));
  EXPECT_TRUE(connectionList().empty());
  EXPECT_EQ(undoName(), "removing connection");
  EXPECT_EQ(editor->currentAddNodeConnection(), nullptr);
  undo();
  ASSERT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});

  // A node put on the connection runs it through the new node.
  connection = controller.connectionArray().front().get();
  menu = connectionMenu(connection);
  choose(menu, classItem(item(menu, {"Add node on connection"})->menu(), "ValueRoundNode"));
  ASSERT_EQ(controller.nodeArray().size(), 3U);
  EXPECT_EQ(connectionList().size(), 2U);
  undo();
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});
  // Closing the menu without a choice only deselects.
  connection = controller.connectionArray().front().get();
  menu = connectionMenu(connection);
  closeWithoutChoice(menu);
  EXPECT_EQ(connectionList(), std::vector<std::string>{"1.Value -> 2.A"});
  EXPECT_FALSE(NodeEditorView::viewOfConnection(connection)->selected());
}

TEST_F(NodeEditorMenusTest, ElementAndColorConnectionsShowPictures)
{
  MVNode* shape = add("ElementShapeNode", {0, 200});
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {400, 0}));
  MVNode* color = add("ColorNode", {-300, 200});
  MVConnection* graphics = link(shape, "Graphics", artboard, artboard->layers().front()->name());
  MVConnection* fill = link(color, "Color", shape, "Fill Color");
  step([&] { controller.generateOutputElement(); });

  QMenu* menu = connectionMenu(graphics);
  ASSERT_GE(titles(menu).size(), 2);
  EXPECT_EQ(titles(menu)[0], "Graphics");
  EXPECT_TRUE(titles(menu)[1].startsWith("Single ")) << titles(menu)[1].toStdString();
  const QPixmap picture = previewPicture(menu);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.deviceIndependentSize().width(), 200.0);

  menu = connectionMenu(fill);
  EXPECT_EQ(titles(menu).mid(0, 2), (QStringList{"Color", "Single color"}));
  EXPECT_EQ(previewPicture(menu).deviceIndependentSize(), QSizeF(200, 20));
}

TEST_F(NodeEditorMenusTest, AValueConnectionShowsTheRangeOfItsRepetitions)
{
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {260, 40});
  MVConnection* connection = link(source, "Value", math, "A");
  auto* value = dynamic_cast<MVParameterValue*>(source->parameterNamed("Value"));
  ASSERT_NE(value, nullptr);
  // Three repetitions of one generation pull 1, 5 and 3.
  step([&] {
    for (const double each : {1.0, 5.0, 3.0}) {
      value->setValue(each);
      connection->getValue();
    }
  });
  ASSERT_EQ(connection->previewValues(), (std::vector<double>{1, 5, 3}));
  QMenu* menu = connectionMenu(connection);
  EXPECT_EQ(titles(menu).mid(0, 2), (QStringList{"Value", "3 iterations, from 1 to 5"}));
  EXPECT_EQ(previewPicture(menu).deviceIndependentSize(), QSizeF(200, 80));
}

TEST_F(NodeEditorMenusTest, ElementPreviewHeightFollowsTheElement)
{
  auto box = [](double width, double height) {
    auto element = std::make_shared<MVElementPath>();
    element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(width, height)));
    element->setPositionX(width / 2, height / 2);
    return element;
  };
  auto group = std::make_shared<MVElementGroup>();
  group->addElement(box(400, 100));
  const std::vector<std::pair<std::shared_ptr<const MVElement>, double>> cases = {
    {group, 65.0}, {box(50, 1000), 220.0}, {box(100, 0), 15.0}, {nullptr, 15.0}};
  for (const auto& [element, height] : cases) {
    SCOPED_TRACE(height);
    const QPixmap picture = editor->renderMenuGraphicsPreviewImageWithElement(element);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(200, height));
  }
}

TEST_F(NodeEditorMenusTest, BackgroundMenuAddsAtThePointAndArranges)
{
  QMenu* menu = backgroundMenu({300, 260});
  EXPECT_EQ(titles(menu), (QStringList{"Add node", "Arrange nodes"}));
  choose(menu, classItem(item(menu, {"Add node"})->menu(), "ValueNode"));
  ASSERT_EQ(controller.nodeArray().size(), 1U);
  const pf::Point origin = controller.nodeArray().front()->initialNodeViewOrigin();
  EXPECT_NEAR(origin.x, 300.0, 20.0);
  EXPECT_NEAR(origin.y, 260.0, 20.0);
  EXPECT_FALSE(undoName().empty());
  undo();
  EXPECT_TRUE(controller.nodeArray().empty());

  // Over a connection the background menu is the connection's.
  MVNode* source = add("ValueNode", {20, 40});
  MVNode* math = add("ValueMathNode", {360, 40});
  MVConnection* connection = link(source, "Value", math, "A");
  const MVConnectionView* view = NodeEditorView::viewOfConnection(connection);
  const QPointF middle = (view->fromEndLocation() + view->toEndLocation()) / 2;
  menu = menuAt(middle);
  EXPECT_TRUE(titles(menu).contains("Remove connection"));
}

}  // namespace
