#pragma once

#include <string_view>

#include <QColor>
#include <QPixmap>

// The small images of the parameter rows that the editor's asset table does not draw: the
// keyframe marker, the aspect lock, the layer eye and the browse button. Our own drawings, made
// at the requested size in device-independent pixels and tinted with the given colour (invalid:
// the palette's text colour).
class InspectorIcons {
public:
  // "Keyframe", "aspect_locked.png", "aspect_unlocked.png", "DisplayVisible", "DisplayHidden",
  // "BrowseFile"; a null pixmap for any other name.
  static QPixmap image(std::string_view name, int size, QColor tint = QColor());
  // The picture drawn at the given opacity (0 to 1) as a whole, so that where its strokes cross
  // they are no darker than elsewhere: a dimmed icon without an opacity effect on its widget.
  static QPixmap faded(const QPixmap& picture, double opacity);
};
