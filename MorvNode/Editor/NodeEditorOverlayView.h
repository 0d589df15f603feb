#pragma once

#include <QRectF>
#include <QWidget>

#include "Platform/RunLoop.h"

class MVConnection;
class MVNodeController;
class NodeEditorConnectionLayer;

// The transparent top layer of the editor canvas: the connection curves (the canvas's
// connection layer, drawn first), the rubber-band rectangle of a drag selection and, while a
// loose connection end is dragged, pulsing rings around every socket that end could attach to.
// It never takes pointer events. Canvas coordinates; main thread.
class NodeEditorOverlayView : public QWidget {
  Q_OBJECT

public:
  explicit NodeEditorOverlayView(QWidget* parent = nullptr);
  ~NodeEditorOverlayView() override;

  // Not owned; the document's controller outlives the canvas.
  void setNodeController(MVNodeController* controller) { controller_ = controller; }
  // Not owned; the canvas's, which outlives the overlay's painting. nullptr draws no curves.
  void setConnectionLayer(NodeEditorConnectionLayer* layer) { connectionLayer_ = layer; }
  MVConnection* currentlyEditedConnection() const { return connection_; }
  void setCurrentlyEditedConnection(MVConnection* connection);
  QRectF selectionRect() const { return selectionRect_; }
  void setSelectionRect(QRectF rect);
  bool showSelectionBox() const { return showSelectionBox_; }
  void setShowSelectionBox(bool show);
  bool spaceHeld() const { return spaceHeld_; }
  void setSpaceHeld(bool held) { spaceHeld_ = held; }

  // The socket centres a loose end of the current connection could attach to, in node and
  // parameter order; empty without a loose end.
  std::vector<QPointF> socketHighlightTargets() const;
  // The ring pulse: running while a loose end is dragged (checked at each redraw).
  bool isSocketHighlightAnimating() const { return ringTimer_.isValid(); }
  double socketHighlightAnimationValue() const { return phase_; }
  // What a redraw does to the ring timer, without painting (also called by paintEvent).
  void updateSocketHighlightAnimation();

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  MVNodeController* controller_ = nullptr;   // not owned
  NodeEditorConnectionLayer* connectionLayer_ = nullptr;  // not owned
  MVConnection* connection_ = nullptr;       // owned by the controller; the canvas clears it
  QRectF selectionRect_;
  bool showSelectionBox_ = false;
  bool spaceHeld_ = false;
  pf::Timer ringTimer_;
  double phase_ = 4.6;
};
