#include "MorvNode/Editor/NodeCatalogueMenus.h"

#include <QMenu>

#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Controller/MVNodeCatalogue.h"
#include "MorvNode/Editor/NodeEditorIcons.h"
#include "MorvNode/Model/MVConnection.h"

namespace {

std::string stringFor(const pf::PlistValue::Dictionary& dictionary, const char* key)
{
  const pf::PlistValue* value = dictionary.find(key);
  const std::string* text = value != nullptr ? value->asString() : nullptr;
  return text != nullptr ? *text : std::string();
}

void fill(QMenu* menu, const MVMenu& model)
{
  for (const MVMenuItem& item : model.items) {
    if (item.isSeparator) {
      menu->addSeparator();
      continue;
    }
    const std::string className = stringFor(item.representedObject, "Node class");
    const std::string iconClass = className.empty() ? stringFor(item.representedObject, "Icon class") : className;
    const QIcon icon = item.iconName.empty() || iconClass.empty() ? QIcon() : NodeEditorIcons::menuIcon(iconClass);
    if (item.submenu != nullptr) {
      QMenu* submenu = menu->addMenu(icon, QString::fromStdString(item.title));
      submenu->setToolTipsVisible(true);
      submenu->menuAction()->setToolTip(QString::fromStdString(item.toolTip));
      submenu->menuAction()->setEnabled(model.autoenablesItems || item.enabled);
      fill(submenu, *item.submenu);
      continue;
    }
    QAction* action = menu->addAction(icon, QString::fromStdString(item.title));
    action->setToolTip(QString::fromStdString(item.toolTip));
    action->setData(QString::fromStdString(className));
    action->setEnabled(model.autoenablesItems || item.enabled);
    if (item.action) {
      QObject::connect(action, &QAction::triggered, action, [run = item.action] { run(); });
    }
  }
}

}  // namespace

QMenu* NodeCatalogueMenus::menuFromModel(const MVMenu& model, QWidget* parent)
{
  auto* menu = new QMenu(QString::fromStdString(model.title), parent);
  menu->setToolTipsVisible(true);
  fill(menu, model);
  return menu;
}

void NodeCatalogueMenus::appendItems(QMenu* menu, const MVMenu& model)
{
  fill(menu, model);
}

QMenu* NodeCatalogueMenus::addNodeMenuForConnection(const MVConnection& connection, QWidget* parent)
{
  const bool fromOutput = connection.fromSocket() != nullptr;
  const std::vector<std::string> keys =
    MVNodeCatalogue::nodeTypesForConnection(static_cast<int>(connection.connectionType()), fromOutput);
  if (keys.empty()) {
    return nullptr;
  }
  const std::unique_ptr<MVMenu> model = MVNodeCatalogue::addNodeMenu({}, keys, false);
  return menuFromModel(*model, parent);
}

QMenu* NodeCatalogueMenus::wholeAddNodeMenu(QWidget* parent, std::function<void(const std::string&)> add)
{
  const std::unique_ptr<MVMenu> model = MVNodeCatalogue::addNodeMenu(add, std::nullopt, false);
  return menuFromModel(*model, parent);
}
