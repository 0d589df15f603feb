#pragma once

#include <memory>
#include <string>

#include <QMouseEvent>
#include <QPointer>

#include <gtest/gtest.h>

#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Support/LogCapture.h"
#include "Support/OffscreenApplication.h"

class MVNode;
class MVParameterSocket;

// A document shown in a node editor canvas (offscreen), with the registered node classes and
// the application's rows, a user-defaults store of its own and a manual run loop: each simulated
// user action runs as one pass of the loop, after which the canvas lays out and the undo group of
// the pass closes.
class EditorFixture : public testing::Test {
protected:
  EditorFixture();
  ~EditorFixture() override;

  // Runs `action` as one pass of the run loop, then lets the views settle: a layout may mark
  // another view, which is laid out in the next pass.
  template <class Action>
  void step(Action action)
  {
    runLoop.runEvent([&] { action(); });
    for (int pass = 0; pass < 3; ++pass) {
      runLoop.runEvent([] {});
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Pointer input at canvas points, delivered like the window system does: to the deepest
  // widget under the press, which then keeps the pointer until the release.
  void press(QPointF canvasPoint, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton button = Qt::LeftButton);
  void doubleClick(QPointF canvasPoint);
  void dragTo(QPointF canvasPoint, Qt::KeyboardModifiers modifiers = {});
  void release(QPointF canvasPoint, Qt::KeyboardModifiers modifiers = {});
  // Press, a few moves along the way, release.
  void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = {});
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
  void undo();
  void redo();

  MVNode* add(const std::string& className, pf::Point origin);
  // The canvas centre of a socket of a node's parameter (first socket of the direction).
  QPointF socketPoint(MVNode* node, const std::string& parameter, bool output, int index = 0) const;
  // A point in a node's header strip, in canvas coordinates.
  QPointF headerPoint(MVNode* node) const;
  QPointF canvasPoint(pf::Point model) const { return editor->canvasPointFromModel(model); }
  // "<from ID>.<parameter> -> <to ID>.<parameter>" for each connection, in array order.
  std::vector<std::string> connectionList() const;

  testsupport::OffscreenApplication application;
  pf::ManualRunLoop runLoop;
  std::shared_ptr<pf::UserDefaults> defaults;
  testsupport::LogCapture log;
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  std::unique_ptr<NodeEditorView> editor;

private:
  void send(QEvent::Type type, QPointF canvasPoint, Qt::MouseButton button, Qt::MouseButtons buttons,
            Qt::KeyboardModifiers modifiers);

  QPointer<QWidget> grabber_;
  Qt::MouseButtons buttons_;
};
