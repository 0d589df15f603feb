#include "MorvNode/Interface/NodeEditorPane.h"

#include <memory>
#include <string>

#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Inspector/WarningsListItemView.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Support/OffscreenApplication.h"

namespace {

// The warnings of a document beside its node editor: the badge counts them, opens and closes
// the list, and a row selects the node that raised its warning.
class NodeEditorPaneTest : public testing::Test {
protected:
  NodeEditorPaneTest()
  {
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>(::testing::TempDir() + "editor-pane-defaults.plist");
    defaults->registerDefaults(PreferenceDefaults::table());
    pf::UserDefaults::setStandard(defaults);
    registerNodeClasses();
    NodeEditorView::registerViewFactories();
    document = std::make_unique<MVDocument>();
    MVNodeController& controller = document->nodeController();
    document->pauseUndoRegistration();
    first = controller.addNodeOfClass("ElementShapeNode", {0, 0}, false);
    second = controller.addNodeOfClass("ElementShapeNode", {0, 400}, false);
    document->resumeUndoRegistration();
    pane = std::make_unique<NodeEditorPane>(*document);
    pane->resize(800, 500);
    pane->show();
  }

  ~NodeEditorPaneTest() override
  {
    pane.reset();
    document.reset();
    pf::RunLoop::setCurrent(nullptr);
  }

  void showWarnings(const std::vector<std::pair<std::string, MVNode*>>& warnings)
  {
    MVWarningsManager& manager = pane->warningsManager();
    manager.resetWarnings();
    for (const auto& [message, node] : warnings) {
      manager.addWarningMessage(message, node);
    }
    manager.updateWarningsInterface();
  }

  testsupport::OffscreenApplication app;
  pf::ManualRunLoop runLoop;
  std::unique_ptr<MVDocument> document;
  MVNode* first = nullptr;
  MVNode* second = nullptr;
  std::unique_ptr<NodeEditorPane> pane;
};

TEST_F(NodeEditorPaneTest, TheBadgeOpensTheListAndARowSelectsItsNode)
{
  EXPECT_EQ(document->nodeController().warningsManager(), &pane->warningsManager());
  EXPECT_FALSE(pane->warningsBadge()->isVisible());

  showWarnings({{"Could not parse expression '1+'. Will output 0 instead", first},
                {"Could not parse expression '1+'. Will output 0 instead", first},  // same again: one entry
                {"No graphics input", second},
                {"Could not parse expression '1+'. Will output 0 instead", first}});
  ASSERT_TRUE(pane->warningsBadge()->isVisible());
  EXPECT_EQ(pane->warningsBadge()->text(), "3");
  EXPECT_FALSE(pane->warningsList()->isVisible());

  QTest::mouseClick(pane->warningsBadge(), Qt::LeftButton);
  ASSERT_TRUE(pane->warningsList()->isVisible());
  EXPECT_EQ(pane->editor()->width(), 800 - NodeEditorPane::kWarningsListWidth);
  ASSERT_EQ(pane->warningRows().size(), 3u);
  EXPECT_EQ(pane->warningRows()[1]->text(), "No graphics input");
  // The badge follows the narrower editor's corner.
  EXPECT_LE(pane->warningsBadge()->geometry().right(), pane->editor()->width());

  QTest::mouseClick(pane->warningRows()[1], Qt::LeftButton);
  EXPECT_TRUE(second->selected());
  EXPECT_FALSE(first->selected());
  EXPECT_TRUE(pane->warningRows()[1]->selected());
  EXPECT_FALSE(pane->warningRows()[0]->selected());

  // Fewer warnings: the surplus rows go and the one left shows the new text.
  showWarnings({{"Only one now", first}});
  ASSERT_EQ(pane->warningRows().size(), 1u);
  EXPECT_EQ(pane->warningRows()[0]->text(), "Only one now");
  EXPECT_EQ(pane->warningsBadge()->text(), "1");

  // None: the badge hides and the open list closes, giving the editor the full width.
  showWarnings({});
  EXPECT_FALSE(pane->warningsBadge()->isVisible());
  EXPECT_FALSE(pane->warningsList()->isVisible());
  EXPECT_EQ(pane->editor()->width(), 800);
}

TEST_F(NodeEditorPaneTest, ARowWhoseNodeHasGoneOnlySelectsItself)
{
  showWarnings({{"A warning", second}});
  pane->warningsManager().openWarningsPanel();
  ASSERT_EQ(pane->warningRows().size(), 1u);
  WarningsListItemView* row = pane->warningRows()[0];
  document->nodeController().removeNode(second);
  second = nullptr;
  QTest::mouseClick(row, Qt::LeftButton);
  EXPECT_TRUE(row->selected());
  EXPECT_FALSE(first->selected());
}

TEST_F(NodeEditorPaneTest, ThePaneLetsGoOfTheControllerWhenItGoes)
{
  pane.reset();
  EXPECT_EQ(document->nodeController().warningsManager(), nullptr);
}

}  // namespace
