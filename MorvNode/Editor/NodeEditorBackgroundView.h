#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

#include <vector>

// The editor canvas itself: the widget that holds the node views, the connection views and the
// overlay, and paints the editor background with a 20-point grid below them. Its coordinates
// are the canvas coordinates. Pointer events that reach it (empty canvas) go to the editor.
class NodeEditorBackgroundView : public QWidget {
  Q_OBJECT

public:
  static constexpr double kGridSpacing = 20.0;  // points

  explicit NodeEditorBackgroundView(QWidget* parent = nullptr);

  QColor gridColor() const { return gridColor_; }
  void setGridColor(QColor color) { gridColor_ = color; }
  QColor backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(QColor color) { backgroundColor_ = color; }
  // Reads the named colours again ("EditorBackgroundGrid", blue when missing;
  // "EditorBackground", white when missing).
  void initColors();
  // Where the vertical grid lines of a dirty rectangle lie (x in canvas coordinates). The grid
  // is anchored at the graph's editor origin, `originOffset` points right of the canvas's.
  static std::vector<double> verticalGridLines(double left, double width, double originOffset = 0.0);

  // The graph's editor origin in canvas coordinates, so the grid stays put when the canvas grows.
  void setGridOrigin(QPointF origin) { gridOrigin_ = origin; }

signals:
  void mouseEventReceived(QMouseEvent* event);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  QColor gridColor_;
  QColor backgroundColor_;
  QPointF gridOrigin_;
};
