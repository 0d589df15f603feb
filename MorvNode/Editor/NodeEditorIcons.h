#pragma once

#include <string>

#include <QIcon>
#include <QPixmap>

// Node icons for node boxes and add-node menus: our own small drawings, one look per node family
// (the class's display type name: element, change, repeat, group, value, colour, document,
// output) with the class's initials, made on demand and cached by class and size.
class NodeEditorIcons {
public:
  // A pixmap `size` points square; null for a class that is not registered.
  static QPixmap nodeIcon(const std::string& className, const std::string& iconName, int size);
  // The 16-point menu icon of a registered class; a null icon otherwise.
  static QIcon menuIcon(const std::string& className);
};
