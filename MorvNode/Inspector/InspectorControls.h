#pragma once

#include <QColor>
#include <QString>

class MVNodeDelegate;
class MVParameter;
class ODTextField;
class QLabel;
class QWidget;

// What the parameter rows share in building and driving their controls.
class InspectorControls {
public:
  // A non-editable label in the row font and the named colour, transparent for the pointer.
  static QLabel* label(QWidget* row, const QString& toolTip, const char* colorName, bool primaryFont);
  // A numeric field of the value rows: named text colour, the row's action and delegates.
  static void setTextColor(QWidget* widget, const QColor& color);
  // Shows the value unless the user is editing the field (an edit in progress is never lost to
  // a refresh).
  static void showValue(ODTextField* field, double value);
  // A field of a value row took focus: the node's row was clicked and, for a drag-editable
  // parameter, it becomes the drag-edit parameter. Only for an editable, shown parameter.
  static void fieldTookFocus(MVParameter& parameter, bool fieldEnabled);
};
