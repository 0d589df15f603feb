#pragma once

#include <QColor>
#include <QPixmap>
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
  void setGridColor(QColor color)
  {
    gridColor_ = color;
    gridTile_ = QPixmap();
  }
  QColor backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(QColor color)
  {
    backgroundColor_ = color;
    gridTile_ = QPixmap();
  }
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
  static constexpr int kGridTileCells = 8;  // grid cells along each side of the tile

  // A square of the background with its grid lines, kGridTileCells cells wide, a crossing at
  // its top-left corner, drawn as the whole background would be at `ratio` device pixels per
  // point; the background is painted by laying it side by side from the grid origin.
  void makeGridTile(double ratio);

  QColor gridColor_;
  QColor backgroundColor_;
  QPointF gridOrigin_;
  QPixmap gridTile_;  // null until painted, and after a colour changes
};
