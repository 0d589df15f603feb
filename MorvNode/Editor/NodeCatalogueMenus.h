#pragma once

#include <functional>
#include <string>

struct MVMenu;
class MVConnection;
class QMenu;
class QWidget;

// Qt menus of the node catalogue (MVNodeCatalogue) and of other core menus: each item shows
// its title, tool tip and node icon, carries its class name as data (QAction::data) and runs
// its action when chosen.
class NodeCatalogueMenus {
public:
  // A new menu owned by `parent`; separators, submenus and disabled items as the core menu says.
  static QMenu* menuFromModel(const MVMenu& model, QWidget* parent);
  // Appends the model's items to an existing menu, as menuFromModel does.
  static void appendItems(QMenu* menu, const MVMenu& model);
  // The add-node menu offered at the loose end of a new connection: the node families that fit
  // the connection's type and the end it was dragged from. nullptr when none fit. Items carry
  // the class name only; the caller acts on QMenu::triggered.
  static QMenu* addNodeMenuForConnection(const MVConnection& connection, QWidget* parent);
  // The whole add-node menu; choosing an item calls `add` with its class name.
  template <class Add>
  static QMenu* addNodeMenu(QWidget* parent, Add add);

private:
  static QMenu* wholeAddNodeMenu(QWidget* parent, std::function<void(const std::string&)> add);
};

template <class Add>
QMenu* NodeCatalogueMenus::addNodeMenu(QWidget* parent, Add add)
{
  return wholeAddNodeMenu(parent, std::function<void(const std::string&)>(std::move(add)));
}
