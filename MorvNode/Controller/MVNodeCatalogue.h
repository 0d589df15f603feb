#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Controller/MVMenu.h"

// The one list of node classes a user can add, sorted into categories in menu order ("-" marks
// a separator), and the add-node menus made from it: the whole menu (the application's Add Node
// menu, the node reference outline, the editor's menus) or the part that fits a filter of type
// keys. Items carry the class name; choosing one only calls the caller's action with it.
// Classes that are not registered are left out silently, so nodes appear as they are built.
class MVNodeCatalogue {
public:
  using Action = std::function<void(const std::string& className)>;

  static constexpr const char* kSeparator = "-";

  // Category key -> class names in menu order.
  static std::map<std::string, std::vector<std::string>> nodeTypesWithCategories();
  // The nine category keys in catalogue order (the whole menu).
  static std::vector<std::string> allCategoryKeys();

  // One submenu: the classes of `nodes` whose display type name is in `nodeTypes`; separators
  // as listed (not in reference mode). `action` may be empty (reference mode).
  static std::unique_ptr<MVMenu> addNodeSubmenu(const std::vector<std::string>& nodes, const Action& action,
                                                const std::vector<std::string>& nodeTypes, bool forNodeReference);
  // The whole add-node menu for the type keys (nullopt: every category).
  static std::unique_ptr<MVMenu> addNodeMenu(const Action& action, const std::optional<std::vector<std::string>>& nodeTypes,
                                             bool forNodeReference);
  // The keys of the add-node menu offered at the loose end of a new connection of that socket
  // type (0 value, 1 colour, 2 element) dragged out of an output (`fromOutput`) or an input.
  static std::vector<std::string> nodeTypesForConnection(int connectionType, bool fromOutput);
};
