#pragma once

#include <optional>

#include <QPointF>

#include "Platform/Point.h"
#include "Platform/Size.h"

class MVNode;
class MVParameterSocket;
class QMenu;
class QMouseEvent;
class QWidget;

// The node editor canvas as node views and rows reach it: they report changes of their size
// and of their rows' places, ask for the node's menu and warnings, and hand over the pointer
// events that they do not consume themselves (the canvas does all node, connection and
// selection handling). Implemented by NodeEditorView.
class NodeViewEditorView {
public:
  virtual ~NodeViewEditorView() = default;

  // The node's context menu, owned by the caller; nullptr when there is none.
  virtual QMenu* contextMenuForNode(MVNode* node) = 0;
  virtual void showWarningsForNode(MVNode* node) = 0;
  // Only mark the canvas for its next layout pass.
  virtual void nodesChanged() = 0;
  virtual void connectionsChanged() = 0;
  // Rows are moving: the connection ends follow for a short while.
  virtual void animateConnectionsChanged() = 0;
  // A press, move, release or double click that `source` (a node view or one of its rows) did
  // not consume. The canvas maps the position itself.
  virtual void editorMouseEvent(QWidget* source, QMouseEvent* event) = 0;
  // Canvas coordinates (those of the node views' parent) to the graph's editor coordinates,
  // which the nodes store, and back.
  virtual pf::Point modelPointFromCanvas(QPointF canvasPoint) const = 0;
  virtual QPointF canvasPointFromModel(pf::Point modelPoint) const = 0;
  // The canvas point of a socket's centre: its marker's while its node has a widget, else from
  // the node's origin and its measured (or estimated) box. nullopt for a socket that shows no
  // marker.
  virtual std::optional<QPointF> socketCenterInCanvas(const MVParameterSocket* socket) const = 0;
  // The size of a node's box while it has no widget: measured when it last had one, else that
  // of a measured box of the same kind, else an estimate (points).
  virtual pf::Size keptFrameSize(const MVNode& node) const = 0;
};
