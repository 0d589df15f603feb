#pragma once

#include <string_view>

#include <QColor>
#include <QPixmap>

// The application's named colours and small interface images, looked up by name. Every colour
// has a light and a dark value; the dark one is used while the desktop's palette is dark (its
// window colour is darker than mid-grey). Images are our own drawings, made on demand at the
// requested size in device-independent pixels and tinted with the given colour.
class MVInterfaceAssets {
public:
  // An invalid colour (QColor::isValid() false) for an unknown name, so callers can skip it.
  static QColor color(std::string_view name);
  static QColor color(std::string_view name, bool dark);
  // True while the application palette is dark.
  static bool isDarkAppearance();
  // A null pixmap for an unknown name. `tint` colours the drawing; invalid: the label colour.
  static QPixmap image(std::string_view name, int size, QColor tint = QColor());
};
