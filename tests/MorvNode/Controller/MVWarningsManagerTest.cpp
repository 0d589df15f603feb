#include "MorvNode/Controller/MVWarningsManager.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVWarningsManagerView.h"
#include "MorvNode/Controller/WarningsManagerDelegate.h"
#include "MorvNode/Model/MVNode.h"

namespace {

class RecordingWarningsView : public MVWarningsManagerView {
public:
  void showWarningsBadge(long count) override { badge = count; }
  void hideWarningsBadge() override { badge = -1; }
  void openWarningsPanel() override { open = true; }
  void closeWarningsPanel() override { open = false; }
  void updateWarningsList(const std::vector<MVWarningsManager::Entry>& entries) override
  {
    rows.clear();
    for (const auto& entry : entries) {
      rows.push_back(entry.message);
    }
  }
  void updateWarningsListSelection() override { ++selectionRefreshes; }

  long badge = 0;  // -1: hidden
  bool open = false;
  std::vector<std::string> rows;
  int selectionRefreshes = 0;
};

class RecordingDelegate : public WarningsManagerDelegate {
public:
  void selectAndCenterOnNode(MVNode* node) override { centred.push_back(node); }
  std::vector<MVNode*> centred;
};

std::vector<std::string> messages(const MVWarningsManager& manager)
{
  std::vector<std::string> result;
  for (const auto& entry : manager.warningMessagesArray()) {
    result.push_back(entry.message);
  }
  return result;
}

TEST(MVWarningsManager, OnlyARepeatOfTheLastEntryIsDropped)
{
  MVNode first;
  MVNode second;
  const struct {
    const char* name;
    std::vector<std::pair<const char*, MVNode*>> added;
    std::vector<std::string> kept;
  } cases[] = {
      {"same message, same node", {{"A", &first}, {"A", &first}}, {"A"}},
      {"same message, two nodes", {{"A", &first}, {"A", &second}}, {"A", "A"}},
      {"A, B, A from one node", {{"A", &first}, {"B", &first}, {"A", &first}}, {"A", "B", "A"}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    MVWarningsManager manager;
    manager.resetWarnings();
    for (const auto& [message, sender] : each.added) {
      manager.addWarningMessage(message, sender);
    }
    EXPECT_EQ(messages(manager), each.kept);
    EXPECT_EQ(manager.warningCount(), static_cast<long>(each.kept.size()));
  }

  // Before the first reset there is no list to add to.
  MVWarningsManager fresh;
  fresh.addWarningMessage("A", &first);
  EXPECT_EQ(fresh.warningCount(), 0);
}

TEST(MVWarningsManager, TheInterfaceFollowsTheList)
{
  MVNode node;
  RecordingWarningsView view;
  MVWarningsManager manager;
  manager.setView(&view);
  manager.resetWarnings();
  for (const char* message : {"One", "Two", "Three"}) {
    manager.addWarningMessage(message, &node);
  }
  manager.updateWarningsInterface();
  EXPECT_EQ(view.badge, 3);
  EXPECT_EQ(view.rows, (std::vector<std::string>{"One", "Two", "Three"}));
  EXPECT_GT(view.selectionRefreshes, 0);

  manager.toggleWarningsPanel();
  EXPECT_TRUE(view.open);
  EXPECT_TRUE(manager.isWarningsPanelOpen());

  manager.resetWarnings();
  manager.addWarningMessage("Only", &node);
  manager.updateWarningsInterface();
  EXPECT_EQ(view.badge, 1);
  EXPECT_EQ(view.rows, std::vector<std::string>{"Only"});
  EXPECT_TRUE(view.open);

  // An empty list hides the badge and closes the open side list.
  manager.resetWarnings();
  manager.updateWarningsInterface();
  EXPECT_EQ(view.badge, -1);
  EXPECT_FALSE(view.open);
  EXPECT_FALSE(manager.isWarningsPanelOpen());
}

TEST(MVWarningsManager, ClicksAndRemovedSenders)
{
  MVNode first;
  MVNode second;
  RecordingDelegate delegate;
  MVWarningsManager manager;
  manager.warningItemClicked(&first);  // no delegate: nothing
  manager.setDelegate(&delegate);
  manager.warningItemClicked(nullptr);
  manager.warningItemClicked(&second);
  EXPECT_EQ(delegate.centred, std::vector<MVNode*>{&second});

  manager.resetWarnings();
  manager.addWarningMessage("A", &first);
  manager.addWarningMessage("B", &second);
  manager.addWarningMessage("C", &first);
  manager.removeWarningsFromSender(&first);
  EXPECT_EQ(messages(manager), std::vector<std::string>{"B"});
}

}  // namespace
