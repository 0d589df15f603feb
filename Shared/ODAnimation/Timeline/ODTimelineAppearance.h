#pragma once

#include <optional>
#include <string_view>

#include <QColor>
#include <QIcon>

class QPalette;

// The timeline's appearance: its named colours, each with a light and a dark value, and its
// small icons, drawn here in the palette's text colour. Light or dark follows the desktop's
// palette. Main thread only.
class ODTimelineAppearance {
public:
  // Dark when the palette's window colour is darker than its text.
  static bool isDark(const QPalette& palette);
  // The application's palette decides.
  static bool isSystemDark();

  // A named colour of the application's one table (MVInterfaceAssets); the timeline uses
  // "LabelTextColor", "GraphAxisColor", "GraphLineStrokeColor", "GraphLineFillColor",
  // "DragEditBackground" and "WarningColor". nullopt for a name the table does not know.
  static std::optional<QColor> namedColor(std::string_view name, bool dark);

  // 16 by 16 point icons for the rows and the keyframe editor.
  static QIcon removeIcon(bool dark);
  static QIcon displayHiddenIcon(bool dark);
  static QIcon displayVisibleIcon(bool dark);
  static QIcon warningIcon();
};
