#include "MorvNode/Interface/MVInterfaceAssets.h"

#include <array>
#include <cmath>

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace {

struct NamedColor {
  std::string_view name;
  QRgb light;
  QRgb dark;
};

// One table for the whole interface: light and dark value of each named colour (ARGB).
constexpr std::array kColors{
  NamedColor{"NodeBackground", 0xfff5f5f6, 0xff3a3a3d},
  NamedColor{"NodeBackgroundAlt", 0xffe8e8eb, 0xff444448},
  NamedColor{"NodeBackgroundHover", 0xffececef, 0xff48484c},
  NamedColor{"NodeBackgroundSelected", 0xffdfe9f7, 0xff3c4656},
  NamedColor{"NodeBorder", 0xff8c8c92, 0xff18181a},
  NamedColor{"NodeBorderSelected", 0xff2f7ae5, 0xff4b94ff},
  NamedColor{"NodeHeader", 0xffe2e2e6, 0xff2f2f32},
  NamedColor{"NodeHeaderDisabled", 0xffcfcfd3, 0xff29292b},
  NamedColor{"NodeParameterLabel", 0xff5a5a60, 0xffb0b0b8},
  NamedColor{"NodeParameterText", 0xff1d1d1f, 0xffe8e8ec},
  NamedColor{"NodeTitle", 0xff202024, 0xffececf0},
  NamedColor{"ParameterColor", 0xffe9b83d, 0xfff0c24e},
  NamedColor{"ParameterColorEdge", 0xff9d7512, 0xffb88e22},
  NamedColor{"ParameterGraphics", 0xff5c9fe3, 0xff64a8ee},
  NamedColor{"ParameterGraphicsEdge", 0xff2c679f, 0xff3b79b6},
  NamedColor{"ParameterValue", 0xff9a9aa2, 0xff8a8a94},
  NamedColor{"EditorBackground", 0xffd9d9dd, 0xff232326},
  NamedColor{"EditorBackgroundGrid", 0xffcdcdd2, 0xff2d2d31},
  NamedColor{"EditorBackgroundSockets", 0xffffffff, 0xff2a2a2d},
  NamedColor{"EditorSelection", 0x402f7ae5, 0x404b94ff},
  NamedColor{"EditorSelectionBorder", 0xff2f7ae5, 0xff4b94ff},
  NamedColor{"ConnectionHover", 0xffe06b2a, 0xffff8a4a},
  NamedColor{"DragEditColor", 0xffcf4f1c, 0xffff7a45},
  NamedColor{"DragEditBackground", 0xfff8e1d5, 0xff4a3026},
  NamedColor{"WarningColor", 0xffdc9c00, 0xffffc23a},
  NamedColor{"WarningBackgroundColor", 0xfffbeec8, 0xff4d4126},
  NamedColor{"LabelTextColor", 0xff1e1e1e, 0xffe6e6e6},
  NamedColor{"GraphAxisColor", 0xff9a9aa0, 0xff707078},
  NamedColor{"GraphLineStrokeColor", 0xff2f7ae5, 0xff5aa0ff},
  NamedColor{"GraphLineFillColor", 0x402f7ae5, 0x405aa0ff},
};

// Drawing of the transform markers in a unit square (0..1), stroked with the tint.
void drawTransformMarker(QPainter& painter, std::string_view name, double s)
{
  auto at = [s](double x, double y) { return QPointF(x * s, y * s); };
  auto arrow = [&](QPointF from, QPointF to) {
    painter.drawLine(from, to);
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    if (length <= 0.0) {
      return;
    }
    const QPointF u = d / length * (0.3 * s);
    const QPointF n(-u.y(), u.x());
    painter.drawLine(to, to - u + n * 0.7);
    painter.drawLine(to, to - u - n * 0.7);
  };
  if (name == "TransformOffset1D") {
    arrow(at(0.1, 0.5), at(0.9, 0.5));
  } else if (name == "TransformOffset2D") {
    arrow(at(0.15, 0.85), at(0.85, 0.85));
    arrow(at(0.15, 0.85), at(0.15, 0.15));
  } else if (name == "TransformScale") {
    painter.drawRect(QRectF(at(0.1, 0.45), at(0.55, 0.9)));
    arrow(at(0.45, 0.55), at(0.9, 0.1));
  } else if (name == "TransformSize") {
    painter.drawRect(QRectF(at(0.1, 0.1), at(0.9, 0.9)));
    arrow(at(0.3, 0.7), at(0.75, 0.25));
  } else if (name == "TransformRotation") {
    painter.drawArc(QRectF(at(0.1, 0.1), at(0.9, 0.9)), 90 * 16, 270 * 16);
    arrow(at(0.5, 0.1), at(0.8, 0.1));
  } else if (name == "TransformCount") {
    for (double x : {0.2, 0.5, 0.8}) {
      for (double y : {0.3, 0.7}) {
        painter.drawEllipse(at(x, y), 0.08 * s, 0.08 * s);
      }
    }
  } else if (name == "WarningBadge") {
    QPainterPath triangle;
    triangle.moveTo(at(0.5, 0.05));
    triangle.lineTo(at(0.95, 0.9));
    triangle.lineTo(at(0.05, 0.9));
    triangle.closeSubpath();
    painter.drawPath(triangle);
    painter.drawLine(at(0.5, 0.35), at(0.5, 0.6));
    painter.drawPoint(at(0.5, 0.75));
  } else if (name == "NodeMenu") {
    for (double y : {0.25, 0.5, 0.75}) {
      painter.drawLine(at(0.2, y), at(0.8, y));
    }
  }
}

bool knownImage(std::string_view name)
{
  constexpr std::array kImages{std::string_view("TransformOffset1D"), std::string_view("TransformOffset2D"),
                               std::string_view("TransformScale"),    std::string_view("TransformSize"),
                               std::string_view("TransformRotation"), std::string_view("TransformCount"),
                               std::string_view("WarningBadge"),      std::string_view("NodeMenu")};
  for (std::string_view known : kImages) {
    if (known == name) {
      return true;
    }
  }
  return false;
}

}  // namespace

QColor MVInterfaceAssets::color(std::string_view name, bool dark)
{
  for (const NamedColor& entry : kColors) {
    if (entry.name == name) {
      return QColor::fromRgba(dark ? entry.dark : entry.light);
    }
  }
  return {};
}

QColor MVInterfaceAssets::color(std::string_view name)
{
  return color(name, isDarkAppearance());
}

bool MVInterfaceAssets::isDarkAppearance()
{
  return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

QPixmap MVInterfaceAssets::image(std::string_view name, int size, QColor tint)
{
  if (!knownImage(name) || size <= 0) {
    return {};
  }
  QPixmap pixmap(size * 2, size * 2);  // drawn at twice the size for high-density screens
  pixmap.setDevicePixelRatio(2.0);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen(tint.isValid() ? tint : color("NodeParameterLabel"));
  pen.setWidthF(1.0);
  pen.setCapStyle(Qt::RoundCap);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  drawTransformMarker(painter, name, size);
  return pixmap;
}
