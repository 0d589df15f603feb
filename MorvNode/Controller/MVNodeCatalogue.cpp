#include "MorvNode/Controller/MVNodeCatalogue.h"

#include <algorithm>

#include "MorvNode/Model/MVClassRegistry.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

bool contains(const std::vector<std::string>& keys, std::string_view key)
{
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

MVMenuItem itemForClass(const MVNodeClass& nodeClass, const std::string& title, const MVNodeCatalogue::Action& action,
                        bool withIcon)
{
  MVMenuItem item;
  item.title = title;
  item.toolTip = nodeClass.toolTipText;
  if (withIcon) {
    item.iconName = nodeClass.iconName;
  }
  item.representedObject.set("Node class", nodeClass.className);
  if (action) {
    item.action = [action, className = nodeClass.className] { action(className); };
  }
  return item;
}

}  // namespace

std::map<std::string, std::vector<std::string>> MVNodeCatalogue::nodeTypesWithCategories()
{
  return {
    {"Element",
     {"ElementShapeNode", "ElementTextNode", "ElementImportNode", kSeparator, "ElementLineNode", kSeparator,
      "ElementListNode"}},
    {"Change",
     {"ChangeTransformNode", "ChangePivotNode", "ChangeAlignNode", kSeparator, "ChangeColorNode", "ChangeOpacityNode",
      "ChangeStrokeNode", kSeparator, "ChangeClipNode", "RepeatSeamlessNode", kSeparator, "ChangeReplaceNode"}},
    {"Repeat",
     {"RepeatTransformNode", kSeparator, "RepeatGridNode", "RepeatRadialNode", "RepeatRandomNode", kSeparator,
      "RepeatMirrorNode", kSeparator, "RepeatSeamlessNode"}},
    {"Group",
     {"GroupApplyFunctionNode", "GroupApplyElementNode", kSeparator, "GroupExplodeNode", "GroupRandomizeNode",
      "GroupRandomizeColorNode", kSeparator, "GroupSelectNode", "GroupMergeNode", kSeparator, "GroupArrangeNode",
      kSeparator, "ChangeAlignNode", "GroupPackNode", "GroupDistributeNode"}},
    {"Value",
     {"ValueNode", kSeparator, "ValueRandomNode", "ValueNodeIndexNode", "ValueListNode", kSeparator,
      "ValueElementSizeNode", kSeparator, "ValueTimeFunctionNode", "AnimationInfoNode"}},
    {"ValueOperations",
     {"ValueMiniMathNode", "ValueMathNode", kSeparator, "ValueListNode", kSeparator, "ValueRoundNode",
      "ValueRemapNode", "ValueCapNode", kSeparator}},
    {"Color", {"ColorNode", "ColorListNode"}},
    {"ColorOperations", {"ColorAdjustmentNode"}},
    {"Misc", {"NoteNode"}},
  };
}

std::vector<std::string> MVNodeCatalogue::allCategoryKeys()
{
  return {"Element", "Change", "Repeat", "Group", "Value", "ValueOperations", "Color", "ColorOperations", "Misc"};
}

std::unique_ptr<MVMenu> MVNodeCatalogue::addNodeSubmenu(const std::vector<std::string>& nodes, const Action& action,
                                                        const std::vector<std::string>& nodeTypes, bool forNodeReference)
{
  auto menu = std::make_unique<MVMenu>();
  const MVClassRegistry& registry = MVClassRegistry::shared();
  for (const std::string& entry : nodes) {
    if (entry == kSeparator) {
      if (!forNodeReference) {
        menu->items.push_back(MVMenuItem::separator());
      }
      continue;
    }
    const MVNodeClass* nodeClass = registry.nodeClass(entry);
    if (nodeClass == nullptr || !contains(nodeTypes, nodeClass->displayTypeName)) {
      continue;
    }
    menu->items.push_back(itemForClass(*nodeClass, nodeClass->displayName, action, true));
  }
  return menu;
}

std::unique_ptr<MVMenu> MVNodeCatalogue::addNodeMenu(const Action& action,
                                                     const std::optional<std::vector<std::string>>& requested,
                                                     bool forNodeReference)
{
  const std::vector<std::string> types = requested ? *requested : allCategoryKeys();
  const auto catalogue = nodeTypesWithCategories();
  const MVClassRegistry& registry = MVClassRegistry::shared();
  auto menu = std::make_unique<MVMenu>();
  const bool add = !forNodeReference;

  if (forNodeReference) {
    if (const MVNodeClass* artboard = registry.nodeClass("ArtboardNode")) {
      menu->items.push_back(itemForClass(*artboard, "Artboard Node", action, true));
    } else {
      FeedbackManager::log("Warning, no node class ArtboardNode loaded when creating addNodeMenu");
    }
  }
  struct Entry {
    const char* key;
    std::vector<std::string> list;
    std::vector<std::string> filter;
    const char* addTitle;
    const char* referenceTitle;
    const char* iconClass;
  };
  auto category = [&](const char* key) { return catalogue.at(key); };
  auto appendCategory = [&](const Entry& entry) {
    if (!contains(types, entry.key)) {
      return;
    }
    MVMenuItem item;
    item.title = add ? entry.addTitle : entry.referenceTitle;
    if (const MVNodeClass* iconClass = registry.nodeClass(entry.iconClass)) {
      item.iconName = iconClass->iconName;
      item.representedObject.set("Icon class", iconClass->className);
    }
    item.submenu = addNodeSubmenu(entry.list, action, entry.filter, forNodeReference);
    item.submenu->title = item.title;
    menu->items.push_back(std::move(item));
  };
  appendCategory({"Element", category("Element"), types, "Add elements", "Element nodes", "ElementShapeNode"});
  appendCategory({"Change", category("Change"), types, "Change", "Change nodes", "ChangeTransformNode"});
  appendCategory({"Repeat", category("Repeat"), types, "Repeat", "Repeat nodes", "RepeatGridNode"});
  appendCategory({"Group", category("Group"), types, "Group operations", "Group nodes", "GroupApplyFunctionNode"});
  if (add && contains(types, "Group") && contains(types, "Color")) {
    menu->items.push_back(MVMenuItem::separator());
  }
  appendCategory({"Color", category("Color"), types, "Color", "Color nodes", "ColorNode"});
  appendCategory(
    {"ColorOperations", category("ColorOperations"), {"Color"}, "Color operations", "Color operations", "ColorAdjustmentNode"});
  if (add && contains(types, "Value") && (contains(types, "Color") || contains(types, "Group"))) {
    menu->items.push_back(MVMenuItem::separator());
  }
  appendCategory({"Value", category("Value"), {"Value"}, "Values", "Value nodes", "ValueNode"});
  appendCategory(
    {"ValueOperations", category("ValueOperations"), {"Value"}, "Value operations", "Value operations", "ValueMathNode"});
  appendCategory({"ValueValue", {"ValueNode"}, {"Value"}, "Values", "Value nodes", "ValueNode"});
  appendCategory({"ValueElementInfo", {"ValueElementSizeNode"}, {"Value"}, "Values", "Value nodes", "ValueNode"});
  appendCategory({"ElementElementList", {"ElementListNode"}, {"Element"}, "Element", "Element nodes", "ElementListNode"});
  appendCategory({"ValueValueList", {"ValueListNode"}, {"Value"}, "Value", "Value nodes", "ValueListNode"});
  appendCategory({"ColorColorList", {"ColorListNode"}, {"Color"}, "Color", "Color nodes", "ColorListNode"});

  if (add && contains(types, "Change")) {
    menu->items.push_back(MVMenuItem::separator());
    if (const MVNodeClass* seamless = registry.nodeClass("RepeatSeamlessNode")) {
      menu->items.push_back(itemForClass(*seamless, "Make seamless", action, true));
    }
  }
  if (add && contains(types, "Misc")) {
    menu->items.push_back(MVMenuItem::separator());
    if (const MVNodeClass* note = registry.nodeClass("NoteNode")) {
      menu->items.push_back(itemForClass(*note, "Note", action, false));
    }
  }
  return menu;
}

std::vector<std::string> MVNodeCatalogue::nodeTypesForConnection(int connectionType, bool fromOutput)
{
  switch (connectionType) {
  case 2:
    return fromOutput ? std::vector<std::string>{"Group", "Change", "Repeat", "ValueElementInfo"}
                      : std::vector<std::string>{"Element", "Group", "Change", "Repeat"};
  case 1:
    return fromOutput ? std::vector<std::string>{"ColorOperations"} : std::vector<std::string>{"Color", "ColorOperations"};
  case 0:
    return fromOutput ? std::vector<std::string>{"ValueOperations", "ValueValue"}
                      : std::vector<std::string>{"Value", "ValueOperations"};
  default:
    return {};
  }
}
