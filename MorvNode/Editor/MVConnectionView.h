#pragma once

#include <array>
#include <cstddef>
#include <string>

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QPixmap>
#include <QWidget>

class MVConnection;
class QPainter;
class NodeViewEditorView;

// One connection on the editor canvas: a horizontal cubic curve between the centres of its two
// socket views, with a dot at each end, coloured by the connection's type, darker when
// selected, lighter under the pointer and dashed while the user drags one of its ends. The
// widget is only as large as the curve plus margins, so moving a node redraws only its
// connections; it never takes pointer events (the canvas hit-tests connections itself).
//
// On the editor canvas the view is drawn by the canvas (isDrawnByCanvas): it stays hidden where
// the canvas stacks it, and asks the canvas to repaint the area it covers whenever its look,
// its ends or its place in the stack change (NodeEditorConnectionLayer draws every curve in one
// pass). Elsewhere (the node reference's sample curves) it paints itself.
//
// The connection owns a thin adapter (MVConnectionViewAdapter); the canvas owns the widget.
// End points are canvas coordinates (those of this widget's parent). Main thread only.
class MVConnectionView : public QWidget {
  Q_OBJECT

public:
  explicit MVConnectionView(QWidget* parent = nullptr);
  ~MVConnectionView() override;

  // Not owned: the controller owns its connections; cleared when the connection goes.
  MVConnection* connection() const { return connection_; }
  void setConnection(MVConnection* connection) { connection_ = connection; }
  NodeViewEditorView* nodeEditorView() const { return editor_; }
  void setNodeEditorView(NodeViewEditorView* editor) { editor_ = editor; }

  QPointF fromEndLocation() const { return from_; }
  QPointF toEndLocation() const { return to_; }
  // Store a changed end and refit the frame; an unchanged point does nothing.
  void setFromLocation(QPointF location);
  void setToLocation(QPointF location);
  // Re-reads each end that has a socket from where the canvas places that socket (without a
  // canvas: from the socket's marker).
  void updateEndLocations();
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  bool hoverHighlight() const { return hoverHighlight_; }
  void setHoverHighlight(bool hoverHighlight);
  // Draw without a connection (sample curves).
  bool referenceMode() const { return referenceMode_; }
  void setReferenceMode(bool referenceMode) { referenceMode_ = referenceMode; }
  void remove();
  bool isRemoved() const { return removed_; }
  // Drawn by its canvas instead of by itself; setting it hides the view.
  bool isDrawnByCanvas() const { return drawnByCanvas_; }
  void setDrawnByCanvas(bool drawnByCanvas);
  // Asks for a redraw (of the canvas's area under the view when the canvas draws it).
  void setNeedsDisplay() { requestDisplay(); }
  std::string description() const;

  // The horizontal tangent length for ends this far apart (points).
  static double tangentLength(QPointF from, QPointF to);
  // The frame that encloses both ends with the 20-point reach and 10-point margins.
  static QRect frameForEnds(QPointF from, QPointF to);
  // The curve in canvas coordinates, in the direction it is drawn.
  QPainterPath curve() const;
  // The runs of `path`, flattened, whose segments meet `area` (same coordinates); each run is
  // a subpath of its own. Stroking only these is what makes a long curve cheap to repaint when
  // a small part of it shows. An empty path when nothing meets the area.
  static QPainterPath visiblePartOfPath(const QPainterPath& path, const QRectF& area);
  // Fill and edge colours as drawn now (type, loose end, selection, hover).
  std::pair<QColor, QColor> colors() const;
  // The same for a connection type (0 value, 1 colour, 2 element or none), a black fill (a
  // loose end not being dragged), selection and hover.
  static std::pair<QColor, QColor> colorsFor(int type, bool blackFill, bool selected, bool hoverHighlight);
  // The connection type that colorsFor takes and whether the fill is black, as drawn now.
  int colorType() const;
  bool hasBlackFill() const;
  int displayRequestCount() const { return displayRequests_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

private:
  static constexpr double kPaintMargin = 8.0;  // points around the exposed area: more than half the widest pen
  static constexpr int kMaxCachedSide = 1200;  // points: larger views are stroked on every paint
  static constexpr std::size_t kPictureBudget = 48u << 20;  // bytes for the pictures of all views

  void drawConnection(QPainter& painter, const QPainterPath& path, QColor fill, QColor edge, bool dashed) const;
  void releasePicture();

  void updateViewFrame();
  // `previousFrame`: where the view was before a change of its frame (empty: where it is).
  void requestDisplay(const QRect& previousFrame = QRect());

  MVConnection* connection_ = nullptr;     // owned by the controller; cleared when it goes
  NodeViewEditorView* editor_ = nullptr;   // the canvas, outlives this view
  QPointF from_{0.0, 0.0};
  QPointF to_{1.0, 0.0};
  QPixmap pictureCache_;  // the view as last drawn, when kept (device pixels)
  std::size_t pictureBytes_ = 0;
  std::array<double, 9> pictureSignature_{};
  QPoint pictureOrigin_;
  bool selected_ = false;
  bool hoverHighlight_ = false;
  bool referenceMode_ = false;
  bool removed_ = false;
  bool drawnByCanvas_ = false;
  int displayRequests_ = 0;
};
