#include "MorvNode/Interface/AnimationPanelPane.h"

#include <memory>

#include <QMenu>

#include "MorvNode/Controller/MVControllerAnimation.h"
#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Interface/InterfaceHelper.h"
#include "MorvNode/Model/MVNode.h"
#include "Shared/ODAnimation/Timeline/ODAnimationPanelView.h"

ODAnimationPanelView* AnimationPanelPane::create(MVDocument& document, QWidget* parent)
{
  auto* panel = new ODAnimationPanelView(parent);
  panel->setAnimationManager(&document.animationManager());
  MVNodeController* controller = &document.nodeController();
  panel->setAddAnimationMenuProvider([controller](QWidget* menuParent) -> QMenu* {
    const std::unique_ptr<MVMenu> model = controller->animation().menuForButton();
    if (model == nullptr || model->items.empty()) {
      QMenu* empty = new QMenu(menuParent);
      empty->addAction("No parameters to animate")->setEnabled(false);
      return empty;
    }
    return menuFromModel(*model, menuParent);
  });
  return panel;
}

QMenu* AnimationPanelPane::menuFromModel(const MVMenu& model, QWidget* parent)
{
  auto* menu = new QMenu(QString::fromStdString(model.title), parent);
  for (const MVMenuItem& item : model.items) {
    if (item.submenu != nullptr) {
      QMenu* submenu = menuFromModel(*item.submenu, menu);
      submenu->setTitle(QString::fromStdString(item.title));
      // A node's item shows its class's icon.
      if (!item.iconName.empty()) {
        submenu->setIcon(InterfaceHelper::shared().menuIconNamed(item.iconName));
      }
      menu->addMenu(submenu);
      continue;
    }
    QAction* action = menu->addAction(QString::fromStdString(item.title));
    action->setToolTip(QString::fromStdString(item.toolTip));
    action->setEnabled(model.autoenablesItems ? static_cast<bool>(item.action) : item.enabled);
    if (item.action) {
      // The core's menu goes with this function; its action is copied.
      QObject::connect(action, &QAction::triggered, menu, [run = item.action] { run(); });
    }
  }
  menu->setToolTipsVisible(true);
  return menu;
}
