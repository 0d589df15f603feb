#pragma once

#include <string_view>

#include <QColor>
#include <QPainterPath>
#include <QWidget>

// A rounded panel: fills and outlines a rectangle whose corners are each rounded or square.
// Its colours default to the named colours "NodeBackground" and "NodeBorder" of
// MVInterfaceAssets, white and red when the table has no colour of that name. A press on it
// goes no further (it does not reach the widget below).
class InterfaceWidgetView : public QWidget {
  Q_OBJECT

public:
  static constexpr double kCornerRadius = 8.5;  // points

  // The named colour, or `fallback` when the table does not know the name.
  static QColor namedColor(std::string_view name, QColor fallback);

  explicit InterfaceWidgetView(QWidget* parent = nullptr);

  QColor color() const { return color_; }
  void setColor(QColor color);
  QColor borderColor() const { return borderColor_; }
  void setBorderColor(QColor color);
  void setRoundedCorners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight);
  bool mouseOverHighlight() const { return mouseOverHighlight_; }
  void setMouseOverHighlight(bool highlight) { mouseOverHighlight_ = highlight; }

  // The outline of `rect` (y-down) with radius `radius` at the rounded corners.
  static QPainterPath pathForRoundedRect(const QRectF& rect, double radius, bool topLeft, bool topRight,
                                         bool bottomLeft, bool bottomRight);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  QColor color_;
  QColor borderColor_;
  bool roundedTopLeft_ = true;
  bool roundedTopRight_ = true;
  bool roundedBottomLeft_ = true;
  bool roundedBottomRight_ = true;
  bool mouseOverHighlight_ = false;
};
