#include "MorvNode/Inspector/MVDragEditPanelView.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "ParameterRowTestSupport.h"

namespace {

// Two nodes with drag-editable parameters; the strip is registered with the controller.
class DragEditPanelTest : public ParameterRowTest {
protected:
  DragEditPanelTest()
  {
    other = add("EditTestShapeNode");
    for (MVNode* each : {node, other}) {
      auto position = MVParameterValue2D::parameterWithName("Position");
      position->setDragEditTransformType(1);
      each->addParameter(std::move(position));
      auto angle = MVParameterValue::parameterWithName("Angle");
      angle->setDragEditTransformType(5);
      each->addParameter(std::move(angle));
    }
    panel = new MVDragEditPanelView(&window);
    panel->setNodeController(&controller);
    showWindow();
  }
  ~DragEditPanelTest() override { panel->setNodeController(nullptr); }

  MVNode* other = nullptr;
  MVDragEditPanelView* panel = nullptr;  // owned by the window
};

TEST_F(DragEditPanelTest, OffersTheSelectedNodesParametersGroupedByNode)
{
  EXPECT_FALSE(panel->isVisible());
  step([&] { controller.selectNode(node, false, false, true); });
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->visibleButtons().size(), 2u);

  step([&] { controller.selectNode(other, true, false, true); });
  EXPECT_EQ(panel->nodeHeaderLabel()->text(), "Selected");
  EXPECT_EQ(panel->nodeTitleLabel()->text(), "Multiple nodes");
  const std::vector<QToolButton*> buttons = panel->visibleButtons();
  ASSERT_EQ(buttons.size(), 4u);
  const int spacing = buttons[1]->x() - buttons[0]->x();
  EXPECT_EQ(buttons[2]->x() - buttons[1]->x(), spacing + MVDragEditPanelView::kNodeGroupGap);

  // A button chooses its parameter and widens by its name; pressing it again un-chooses it.
  QTest::mouseClick(buttons[1], Qt::LeftButton);
  MVParameter* chosen = controller.dragEdit().dragEditParameter();
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(chosen->name(), "Angle");
  EXPECT_TRUE(buttons[1]->isChecked());
  EXPECT_GT(buttons[1]->width(), MVDragEditPanelView::kButtonSize);
  EXPECT_TRUE(panel->parameterLabel()->isVisible());
  QTest::mouseClick(buttons[1], Qt::LeftButton);
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), nullptr);
  EXPECT_FALSE(buttons[1]->isChecked());

  step([&] { controller.selectNode(nullptr, false, false, true); });
  EXPECT_FALSE(panel->isVisible());
}

}  // namespace
