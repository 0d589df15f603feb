#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Writes where things stand on the screen, for the journey tests that drive the application
// with real pointer and key events on an X display: every visible window and widget, the items
// of open menus, and the node boxes, rows and sockets of the node editor, in global screen
// pixels. It is off unless MORVALIS_SCREEN_GEOMETRY names a file; then it rewrites that file
// (whole, through a rename) whenever what it would write changes, polled every 50 ms on the main
// thread. The report only says where to point: tests read their outcome from saved documents
// and exported images.
//
// One line a thing, fields separated by tabs, rectangles as x y width height, classes as the
// most derived C++ class, texts as shown (no mnemonic marks):
//   window   class  title  x y w h  active(0/1)
//   widget   class  objectName  text  x y w h  enabled(0/1)  focus(0/1)
//   menuitem menuTitle  text  x y w h  enabled(0/1)  hasSubmenu(0/1)     (a menu bar's title is empty)
//   item     viewClass  text  x y w h                                   (rows of a shown list)
//   node     nodeId  displayName  x y w h  selected(0/1)
//   row      nodeId  parameterName  x y w h
//   socket   nodeId  parameterName  in|out  index  centreX centreY
class ScreenGeometryReport : public QObject {
  Q_OBJECT

public:
  // Starts the report when the environment asks for one; nullptr otherwise.
  static ScreenGeometryReport* startFromEnvironment(QObject* parent);

  ScreenGeometryReport(QString path, QObject* parent);

  // The report as it stands now.
  static QString describeScreen();

private:
  void writeIfChanged();

  QString path_;
  QString written_;
  QTimer timer_;
};
