#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/PlistValue.h"

struct MVMenu;

// One entry of a menu the core builds and the interface shows as it is (GUI-free): what the
// user reads, whether it can be chosen, and what choosing it does.
struct MVMenuItem {
  // A separator line between groups of items (nothing else of it is read).
  static MVMenuItem separator()
  {
    MVMenuItem item;
    item.isSeparator = true;
    return item;
  }

  bool isSeparator = false;
  std::string title;
  bool enabled = true;
  std::string toolTip;
  // A node class's icon file name ("node_icon_..."); empty for none.
  std::string iconName;
  // What the action works on; empty when the item carries nothing.
  pf::PlistValue::Dictionary representedObject;
  // Runs when the item is chosen; empty for an item without action (a submenu's title). It
  // refers to the object that built the menu, which outlives the menu's use.
  std::function<void()> action;
  std::unique_ptr<MVMenu> submenu;
};

// A menu of the core: a title and its items in order.
struct MVMenu {
  std::string title;
  // Items are enabled by the interface's own rules; when false, each item's `enabled` holds.
  bool autoenablesItems = true;
  std::vector<MVMenuItem> items;
};
