#include "MorvNode/Controller/MVNodeCatalogue.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"

namespace {

// The titles of a menu's items, separators as "-".
std::vector<std::string> titles(const MVMenu& menu)
{
  std::vector<std::string> result;
  for (const MVMenuItem& item : menu.items) {
    result.push_back(item.isSeparator ? "-" : item.title);
  }
  return result;
}

const MVMenuItem* itemTitled(const MVMenu& menu, const std::string& title)
{
  for (const MVMenuItem& item : menu.items) {
    if (!item.isSeparator && item.title == title) {
      return &item;
    }
  }
  return nullptr;
}

std::string classOf(const MVMenuItem& item)
{
  const pf::PlistValue* value = item.representedObject.find("Node class");
  return value != nullptr && value->asString() != nullptr ? *value->asString() : std::string();
}

class NodeCatalogueTest : public testing::Test {
protected:
  NodeCatalogueTest() { registerNodeClasses(); }
};

TEST_F(NodeCatalogueTest, WholeMenusInAddAndReferenceMode)
{
  const auto add = MVNodeCatalogue::addNodeMenu({}, std::nullopt, false);
  EXPECT_EQ(titles(*add), (std::vector<std::string>{"Add elements", "Change", "Repeat", "Group operations", "-", "Color",
                                                     "Color operations", "-", "Values", "Value operations", "-",
                                                     "Make seamless", "-", "Note"}));
  EXPECT_EQ(classOf(*itemTitled(*add, "Make seamless")), "RepeatSeamlessNode");
  EXPECT_EQ(classOf(*itemTitled(*add, "Note")), "NoteNode");
  // The value operations end with a separator.
  ASSERT_NE(itemTitled(*add, "Value operations")->submenu, nullptr);
  EXPECT_TRUE(itemTitled(*add, "Value operations")->submenu->items.back().isSeparator);

  const auto reference = MVNodeCatalogue::addNodeMenu({}, std::nullopt, true);
  EXPECT_EQ(titles(*reference), (std::vector<std::string>{"Artboard Node", "Element nodes", "Change nodes", "Repeat nodes",
                                                           "Group nodes", "Color nodes", "Color operations", "Value nodes",
                                                           "Value operations"}));
  EXPECT_EQ(classOf(reference->items.front()), "ArtboardNode");
  for (const MVMenuItem& item : reference->items) {
    if (item.submenu != nullptr) {
      for (const MVMenuItem& entry : item.submenu->items) {
        EXPECT_FALSE(entry.isSeparator) << item.title;
      }
    }
  }
}

TEST_F(NodeCatalogueTest, FiltersKeepWhatFitsAConnection)
{
  const auto values = MVNodeCatalogue::addNodeMenu({}, std::vector<std::string>{"ValueOperations", "ValueValue"}, false);
  EXPECT_EQ(titles(*values), (std::vector<std::string>{"Value operations", "Values"}));
  const MVMenu& plainValues = *values->items[1].submenu;
  ASSERT_EQ(plainValues.items.size(), 1U);
  EXPECT_EQ(classOf(plainValues.items[0]), "ValueNode");

  const auto elements =
    MVNodeCatalogue::addNodeMenu({}, MVNodeCatalogue::nodeTypesForConnection(2, true), false);
  EXPECT_EQ(titles(*elements),
            (std::vector<std::string>{"Change", "Repeat", "Group operations", "Values", "-", "Make seamless"}));
  // "Repeat" in the filter lets the seamless repeater into the change list.
  const MVMenu& change = *itemTitled(*elements, "Change")->submenu;
  bool hasSeamless = false;
  for (const MVMenuItem& item : change.items) {
    hasSeamless = hasSeamless || classOf(item) == "RepeatSeamlessNode";
  }
  EXPECT_TRUE(hasSeamless);
  const MVMenu& sizes = *itemTitled(*elements, "Values")->submenu;
  ASSERT_EQ(sizes.items.size(), 1U);
  EXPECT_EQ(classOf(sizes.items[0]), "ValueElementSizeNode");

  // Without "Repeat" the seamless repeater is left out: the separator after its place follows
  // the clip node directly.
  const auto changeOnly = MVNodeCatalogue::addNodeMenu({}, std::vector<std::string>{"Change"}, false);
  const MVMenu& changeList = *changeOnly->items.front().submenu;
  bool separatorAfterClip = false;
  for (std::size_t i = 1; i < changeList.items.size(); ++i) {
    separatorAfterClip =
        separatorAfterClip || (changeList.items[i].isSeparator && classOf(changeList.items[i - 1]) == "ChangeClipNode");
    EXPECT_NE(classOf(changeList.items[i]), "RepeatSeamlessNode");
  }
  EXPECT_TRUE(separatorAfterClip);
}

TEST_F(NodeCatalogueTest, ItemsCarryTheClassAndRunTheAction)
{
  std::vector<std::string> chosen;
  const auto menu = MVNodeCatalogue::addNodeMenu([&chosen](const std::string& name) { chosen.push_back(name); },
                                                 std::vector<std::string>{"Element"}, false);
  ASSERT_EQ(menu->items.size(), 1U);
  const MVMenu& elements = *menu->items.front().submenu;
  for (const MVMenuItem& item : elements.items) {
    if (!item.isSeparator) {
      EXPECT_FALSE(item.toolTip.empty()) << item.title;
      item.action();
    }
  }
  ASSERT_FALSE(chosen.empty());
  EXPECT_EQ(chosen.front(), "ElementShapeNode");
  // Every catalogue entry that names a registered class is an element class here.
  for (const std::string& name : chosen) {
    EXPECT_EQ(MVClassRegistry::shared().nodeClass(name)->displayTypeName, "Element");
  }
}

}  // namespace
