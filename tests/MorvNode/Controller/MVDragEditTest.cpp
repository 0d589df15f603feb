#include "MorvNode/Controller/MVDragEdit.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVDragEditPanel.h"
#include "MorvNode/Document/DocumentTestSupport.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/AffineTransform.h"

namespace {

class RecordingPanel : public MVDragEditPanel {
public:
  void dragEditInterfaceChanged() override { ++interfaceChanges; }
  void dragEditSelectionChanged() override { ++selectionChanges; }
  int interfaceChanges = 0;
  int selectionChanges = 0;
};

// A shape node with a drag-editable parameter of every transform type, selected, in a real
// document, with a recording preview and panel. No generation runs, so the pivot stays at (0, 0).
class DragEditTest : public DocumentFixture {
protected:
  DragEditTest()
  {
    controller.setPreviewView(&preview);
    controller.dragEdit().setPanel(&panel);
    node = add("EditTestShapeNode");
    position = addPair("Position", 1, 10, 20);
    scale = addPair("Scale", 2, 1, 2);
    rotation = addValue("Rotation", 5, 30);
    count = addValue("Count", 6, 5);
    width = addValue("Width", 4, 10);
    step([&] { controller.selectNode(node, false, false, true); });
  }
  ~DragEditTest() override { controller.dragEdit().setPanel(nullptr); }

  MVParameterValue2D* addPair(const std::string& name, int type, double x, double y)
  {
    auto parameter = MVParameterValue2D::parameterWithName(name);
    parameter->setDragEditTransformType(type);
    auto* added = dynamic_cast<MVParameterValue2D*>(node->addParameter(std::move(parameter)));
    step([&] { added->setValueX(x, y); });
    return added;
  }
  MVParameterValue* addValue(const std::string& name, int type, double value)
  {
    auto parameter = MVParameterValue::parameterWithName(name);
    parameter->setDragEditTransformType(type);
    auto* added = dynamic_cast<MVParameterValue*>(node->addParameter(std::move(parameter)));
    step([&] { added->setValue(value); });
    return added;
  }
  // Chooses the parameter and drags from `start` through the movements, each its own pass.
  void drag(MVParameter* parameter, pf::Point start, const std::vector<pf::Point>& moves, bool shift = false)
  {
    step([&] { controller.dragEditParameterSelected(parameter); });
    step([&] { controller.displayViewValueDragOffsetStartAt(start.x, start.y); });
    for (const pf::Point move : moves) {
      step([&] { controller.displayViewValueDragOffset(move.x, move.y, shift); });
    }
    step([&] { controller.displayViewValueDragOffsetEnd(); });
  }

  RecordingPreview preview;
  RecordingPanel panel;
  MVNode* node = nullptr;
  MVParameterValue2D* position = nullptr;
  MVParameterValue2D* scale = nullptr;
  MVParameterValue* rotation = nullptr;
  MVParameterValue* count = nullptr;
  MVParameterValue* width = nullptr;
};

TEST_F(DragEditTest, OffsetsFollowThePointerAndShiftKeepsOneAxis)
{
  struct Case {
    pf::Point move;
    bool shift;
    double x;
    double y;
  };
  const std::vector<Case> cases = {{{5, -3}, false, 15, 17}, {{5, -3}, true, 15, 20}, {{2, -6}, true, 10, 14}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.move.x << ", " << c.move.y << (c.shift ? " shift" : ""));
    step([&] { position->setValueX(10, 20); });
    drag(position, {0, 0}, {c.move}, c.shift);
    EXPECT_EQ(position->valueX(), c.x);
    EXPECT_EQ(position->valueY(), c.y);
  }
  EXPECT_EQ(preview.statusMessages.front(), std::optional<std::string>("Hold Shift for only horizontal or vertical"));
  EXPECT_EQ(preview.statusMessages.back(), std::nullopt);  // cleared at the end
}

TEST_F(DragEditTest, ScalesMeasureAgainstThePivot)
{
  struct Case {
    double startX;
    bool shift;
    double x;
    double y;
  };
  // From (10, 10) to (20, 15) about (0, 0): factors 2 and 1.5.
  const std::vector<Case> cases = {{1, false, 2, 3}, {1, true, 2, 4}, {0, false, 10, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.startX << (c.shift ? " shift" : ""));
    step([&] { scale->setValueX(c.startX, 2); });
    drag(scale, {10, 10}, {{4, 2}, {6, 3}}, c.shift);
    EXPECT_DOUBLE_EQ(scale->valueX(), c.x);
    EXPECT_DOUBLE_EQ(scale->valueY(), c.y);
  }
}

TEST_F(DragEditTest, OneAxisValuesRotateCountAndScale)
{
  drag(rotation, {10, 0}, {{-10, 10}});
  EXPECT_NEAR(rotation->value(), 120, 1e-9);
  step([&] { rotation->setValue(30); });
  drag(rotation, {10, 0}, {{0, 3}}, true);  // 46.70 snaps to 45
  EXPECT_NEAR(rotation->value(), 45, 1e-9);
  EXPECT_EQ(preview.statusMessages.front(), std::optional<std::string>("Hold Shift for angle snapping"));

  drag(count, {0, 0}, {{3.6, 1}});
  EXPECT_DOUBLE_EQ(count->value(), 8.6);
  // A scaled size grows with the distance from the pivot; a start on the pivot's line changes nothing.
  drag(width, {5, 0}, {{5, 0}});
  EXPECT_DOUBLE_EQ(width->value(), 20);
  drag(width, {0, 5}, {{5, 0}});
  EXPECT_DOUBLE_EQ(width->value(), 20);
}

TEST_F(DragEditTest, AnAspectLockedPairChangesThroughTheDominantAxis)
{
  step([&] {
    scale->setLayoutHasAspectToggle(true);
    scale->setValueX(2, 4);
    scale->setAspectLocked(true);
  });
  drag(scale, {10, 10}, {{1, 10}});  // mostly vertical: Y doubles, X follows the lock
  EXPECT_DOUBLE_EQ(scale->valueY(), 8);
  EXPECT_DOUBLE_EQ(scale->valueX(), 4);
  EXPECT_EQ(preview.statusMessages.front(), std::optional<std::string>("Scale parameter aspect locked"));
}

TEST_F(DragEditTest, TheStatusLineIsLeftAloneWhileADragRuns)
{
  step([&] { controller.dragEditParameterSelected(position); });
  step([&] { controller.displayViewValueDragOffsetStartAt(0, 0); });
  step([&] { controller.displayViewValueDragOffset(5, 5, false); });
  preview.statusMessages.clear();
  controller.updateStatisticsPanelWithRenderer(nullptr);
  EXPECT_TRUE(preview.statusMessages.empty());
  step([&] { controller.displayViewValueDragOffsetEnd(); });
  preview.statusMessages.clear();
  controller.updateStatisticsPanelWithRenderer(nullptr);
  EXPECT_EQ(preview.statusMessages.size(), 1u);
}

TEST_F(DragEditTest, ADragIsOneUndoStepAndADragWithoutMovementNone)
{
  drag(position, {0, 0}, std::vector<pf::Point>(10, pf::Point(1, 2)));
  EXPECT_EQ(position->valueX(), 20);
  EXPECT_EQ(position->valueY(), 40);
  EXPECT_EQ(document.undoManager()->groupingLevel(), 0);
  undo();
  EXPECT_EQ(position->valueX(), 10);
  EXPECT_EQ(position->valueY(), 20);
  redo();
  EXPECT_EQ(position->valueX(), 20);

  const bool couldUndo = document.undoManager()->canUndo();
  const std::string lastStep = document.undoManager()->undoActionName();
  drag(position, {0, 0}, {});
  EXPECT_EQ(document.undoManager()->canUndo(), couldUndo);
  EXPECT_EQ(document.undoManager()->undoActionName(), lastStep);
}

TEST_F(DragEditTest, TheSelectionOffersItsParametersAndTheButtonsChoose)
{
  const std::vector<MVParameter*> offered = controller.dragEdit().availableParameters();
  EXPECT_EQ(offered, (std::vector<MVParameter*>{position, scale, rotation, count, width}));
  EXPECT_GT(panel.interfaceChanges, 0);

  controller.dragEdit().dragEditParameterButtonPressed(1);
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), scale);
  EXPECT_TRUE(scale->layoutDragEditSelected());
  EXPECT_TRUE(controller.shouldShowDragEditPivot());
  // Pressing the chosen button again un-chooses it; an index past the list does nothing.
  controller.dragEdit().dragEditParameterButtonPressed(1);
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), nullptr);
  EXPECT_FALSE(scale->layoutDragEditSelected());
  EXPECT_FALSE(controller.shouldShowDragEditPivot());
  controller.dragEdit().dragEditParameterButtonPressed(9);
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), nullptr);

  // A parameter that can no longer be edited leaves the offer and the choice.
  controller.dragEditParameterSelected(count);
  step([&] { count->setLayoutHidden(true); });
  step([&] { controller.updateAfterSelectionChange(); });
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), nullptr);
  EXPECT_EQ(controller.dragEdit().availableParameters().size(), 4u);

  // An empty selection clears everything; a removed node is forgotten.
  controller.dragEditParameterSelected(position);
  step([&] { controller.selectNode(nullptr, false, false, true); });
  EXPECT_TRUE(controller.dragEdit().availableParameters().empty());
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), nullptr);
  step([&] { controller.selectNode(node, false, false, true); });
  controller.dragEditParameterSelected(position);
  step([&] { controller.removeNode(node); });
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), nullptr);
  EXPECT_TRUE(controller.dragEdit().availableParameters().empty());
}

TEST_F(DragEditTest, ADisabledParameterIsEnabledByItsDrag)
{
  controller.dragEditParameterSelected(count);
  step([&] { count->setEnabled(false); });
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), count);
  drag(count, {0, 0}, {{2, 0}});
  EXPECT_TRUE(count->enabled());
  EXPECT_EQ(controller.dragEdit().dragEditParameter(), count);
  EXPECT_DOUBLE_EQ(count->value(), 7);
}

TEST(DragEditPivot, FindsTheSelectedElementAndItsEnclosingGroups)
{
  auto leaf = std::make_shared<MVElementPath>();
  leaf->setElementID(7);
  leaf->setNodeHistory({"3"});
  auto other = std::make_shared<MVElementPath>();
  other->setElementID(8);
  other->setNodeHistory({"4"});
  auto inner = std::make_shared<MVElementGroup>();
  inner->setElementID(6);
  inner->addElement(other);
  inner->addElement(leaf);
  auto outer = std::make_shared<MVElementGroup>();
  outer->setElementID(5);
  outer->addElement(inner);

  EXPECT_EQ(MVDragEdit::selectedElementInGroup(*outer, {"3"}), leaf.get());
  EXPECT_EQ(MVDragEdit::selectedElementInGroup(*outer, {"4", "3"}), other.get());
  EXPECT_EQ(MVDragEdit::selectedElementInGroup(*outer, {"9"}), nullptr);
  const std::vector<const MVElementGroup*> parents = MVDragEdit::parentElementsOfElementWithID(7, *outer);
  EXPECT_EQ(parents, (std::vector<const MVElementGroup*>{inner.get(), outer.get()}));
  EXPECT_TRUE(MVDragEdit::parentElementsOfElementWithID(5, *outer).empty());  // the group's own ID is not tested
}

}  // namespace
