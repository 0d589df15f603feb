#include "MorvNode/Editor/EditorTestSupport.h"

#include <QApplication>
#include <QTest>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/NodeEditorBackgroundView.h"
#include "MorvNode/Inspector/MVParameterRows.h"
#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterSocketViewAdapter.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"

EditorFixture::EditorFixture()
  : defaults(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "node-editor-defaults.plist"))
{
  pf::RunLoop::setCurrent(&runLoop);
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  registerNodeClasses();
  MVInterfaceFactories::shared().clear();
  // The rows the application makes, each parameter kind its own: with the plain row alone a
  // number's row would show nothing and have no height, its sockets bunched on the next row's.
  MVParameterView::registerBaseRows();
  MVParameterRows::registerRows();
  NodeEditorView::registerViewFactories();
  editor = std::make_unique<NodeEditorView>();
  editor->resize(900, 700);
  editor->setNodeController(&controller);
  editor->show();
  editor->activateWindow();
  step([] {});
}

EditorFixture::~EditorFixture()
{
  editor.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  MVInterfaceFactories::shared().clear();
  pf::UserDefaults::setStandard(
    std::make_shared<pf::UserDefaults>(::testing::TempDir() + "node-editor-defaults-empty.plist"));
  pf::RunLoop::setCurrent(nullptr);
}

void EditorFixture::send(QEvent::Type type, QPointF canvasPoint, Qt::MouseButton button, Qt::MouseButtons buttons,
                         Qt::KeyboardModifiers modifiers)
{
  QWidget* canvas = editor->canvas();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || grabber_.isNull()) {
    QWidget* target = canvas->childAt(canvasPoint.toPoint());
    grabber_ = target != nullptr ? target : canvas;
  }
  QWidget* target = grabber_.data();
  const QPointF local = target->mapFrom(canvas, canvasPoint);
  QMouseEvent event(type, local, target->mapToGlobal(local), button, buttons, modifiers);
  QApplication::sendEvent(target, &event);
}

void EditorFixture::press(QPointF canvasPoint, Qt::KeyboardModifiers modifiers, Qt::MouseButton button)
{
  buttons_ = button;
  step([&] { send(QEvent::MouseButtonPress, canvasPoint, button, buttons_, modifiers); });
}

void EditorFixture::doubleClick(QPointF canvasPoint)
{
  press(canvasPoint);
  release(canvasPoint);
  buttons_ = Qt::LeftButton;
  step([&] { send(QEvent::MouseButtonDblClick, canvasPoint, Qt::LeftButton, buttons_, {}); });
  release(canvasPoint);
}

void EditorFixture::dragTo(QPointF canvasPoint, Qt::KeyboardModifiers modifiers)
{
  step([&] { send(QEvent::MouseMove, canvasPoint, Qt::NoButton, buttons_, modifiers); });
}

void EditorFixture::release(QPointF canvasPoint, Qt::KeyboardModifiers modifiers)
{
  const Qt::MouseButton button = buttons_ & Qt::MiddleButton ? Qt::MiddleButton : Qt::LeftButton;
  buttons_ = Qt::NoButton;
  step([&] { send(QEvent::MouseButtonRelease, canvasPoint, button, buttons_, modifiers); });
  grabber_.clear();
}

void EditorFixture::drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers)
{
  press(from, modifiers);
  for (int i = 1; i <= 4; ++i) {
    dragTo(from + (to - from) * (i / 4.0), modifiers);
  }
  release(to, modifiers);
}

void EditorFixture::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
  step([&] { QTest::keyClick(editor.get(), key, modifiers); });
}

void EditorFixture::undo()
{
  step([&] { document.undoManager()->undo(); });
}

void EditorFixture::redo()
{
  step([&] { document.undoManager()->redo(); });
}

MVNode* EditorFixture::add(const std::string& className, pf::Point origin)
{
  MVNode* node = nullptr;
  step([&] { node = controller.addNodeOfClass(className, origin, false); });
  return node;
}

QPointF EditorFixture::socketPoint(MVNode* node, const std::string& parameter, bool output, int index) const
{
  const MVParameter* found = node->parameterNamed(parameter);
  EXPECT_NE(found, nullptr) << parameter;
  if (found == nullptr) {
    return {};
  }
  const auto& sockets = output ? found->outputSockets() : found->inputSockets();
  EXPECT_LT(index, static_cast<int>(sockets.size())) << parameter;
  const auto* adapter = dynamic_cast<const MVParameterSocketViewAdapter*>(sockets.at(index)->socketView());
  EXPECT_NE(adapter, nullptr) << parameter;
  return adapter != nullptr && adapter->view() != nullptr ? adapter->view()->socketCenterInEditorView() : QPointF();
}

QPointF EditorFixture::headerPoint(MVNode* node) const
{
  const MVNodeView* view = NodeEditorView::viewOfNode(node);
  EXPECT_NE(view, nullptr);
  return view != nullptr ? QPointF(view->pos()) + QPointF(60, 6) : QPointF();
}

std::vector<std::string> EditorFixture::connectionList() const
{
  std::vector<std::string> list;
  for (const auto& connection : controller.connectionArray()) {
    const MVParameterSocket* from = connection->fromSocket();
    const MVParameterSocket* to = connection->toSocket();
    list.push_back((from != nullptr ? from->parameter()->nodeId() + "." + from->parameter()->name() : "?") + " -> " +
                   (to != nullptr ? to->parameter()->nodeId() + "." + to->parameter()->name() : "?"));
  }
  return list;
}
