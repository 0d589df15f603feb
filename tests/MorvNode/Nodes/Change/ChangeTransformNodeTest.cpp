#include "MorvNode/Nodes/Change/ChangeTransformNode.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Change/ChangePivotNode.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class ChangeTransformNodeTest : public ChangeGraphTest {
protected:
  // A w x h rectangle path centred on (x, y).
  static std::shared_ptr<MVElementPath> rectangle(double w, double h, double x = 0, double y = 0)
  {
    auto path = std::make_shared<MVElementPath>();
    path->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(w, h)));
    path->setWidth(w);
    path->setHeight(h);
    path->setPositionX(x, y);
    return path;
  }
  ChangeTransformNode* transform()
  {
    auto* node = add<ChangeTransformNode>("ChangeTransformNode");
    node->rotationParameter()->setEnabled(false);
    return node;
  }
  static MVTransformStack stackOf(const std::shared_ptr<const MVElement>& element)
  {
    return element->transformStack().value_or(MVTransformStack{});
  }
};

TEST_F(ChangeTransformNodeTest, RowsOffOrNeutralRecordNothing)
{
  ChangeTransformNode* node = transform();
  feed(node, rectangle(10, 10, 5, 5));
  std::shared_ptr<const MVElement> output = pull(node);
  EXPECT_TRUE(stackOf(output).empty());

  node->offsetParameter()->setEnabled(true);   // (0, 0)
  node->scaleParameter()->setEnabled(true);    // (1, 1)
  node->resizeParameter()->setEnabled(true);   // (0, 0)
  node->rotationParameter()->setEnabled(true);
  node->rotationParameter()->setValue(0);
  output = pull(node);
  EXPECT_TRUE(stackOf(output).empty());
  EXPECT_EQ(output->positionX(), 5);
}

TEST_F(ChangeTransformNodeTest, StepsApplyInOrder)
{
  ChangeTransformNode* node = transform();
  feed(node, rectangle(10, 10));
  node->offsetParameter()->setEnabled(true);
  node->offsetParameter()->setValueX(3, 4);
  node->scaleParameter()->setEnabled(true);
  node->scaleParameter()->setAspectLocked(false);
  node->scaleParameter()->setValueX(2, 3);
  node->rotationParameter()->setEnabled(true);
  node->rotationParameter()->setValue(30);
  const std::shared_ptr<const MVElement> output = pull(node);
  EXPECT_EQ(output->positionX(), 3);
  EXPECT_EQ(output->positionY(), 4);
  EXPECT_EQ(stackOf(output), (MVTransformStack{{MVTransformKind::Scale, 2, 3}, {MVTransformKind::Rotate, 30, 0}}));
}

TEST_F(ChangeTransformNodeTest, ResizeAddsToTheOutlineWithoutTheStroke)
{
  struct Case {
    const char* what;
    double w, h, stroke, strokeOpacity, rx, ry;
    MVTransformStack expected;
  };
  const std::vector<Case> cases = {
      {"no stroke", 100, 50, 0, 1, 10, 0, {{MVTransformKind::Scale, 1.1, 1}}},
      {"visible stroke", 96, 46, 4, 1, 10, 0, {{MVTransformKind::Scale, 106.0 / 96, 1}}},
      {"invisible stroke is no stroke", 96, 46, 4, 0, 4, 0, {{MVTransformKind::Scale, 100.0 / 96, 1}}},
      {"zero width stays", 0, 50, 0, 1, 10, 5, {{MVTransformKind::Scale, 1, 55.0 / 50}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChangeTransformNode* node = transform();
    std::shared_ptr<MVElementPath> path = rectangle(c.w, c.h);
    path->setStrokeWidth(c.stroke);
    path->setStrokeOpacity(c.strokeOpacity);
    feed(node, path);
    node->resizeParameter()->setEnabled(true);
    node->resizeParameter()->setAspectLocked(false);
    node->resizeParameter()->setValueX(c.rx, c.ry);
    const MVTransformStack stack = stackOf(pull(node));
    ASSERT_EQ(stack.size(), 1u);
    EXPECT_DOUBLE_EQ(stack[0].a, c.expected[0].a);
    EXPECT_DOUBLE_EQ(stack[0].b, c.expected[0].b);
  }
}

TEST_F(ChangeTransformNodeTest, InsideClippingMovesTheContentAndKeepsTheMask)
{
  auto group = std::make_shared<MVElementGroup>();
  group->addElement(rectangle(40, 20));
  group->setClipPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(30, 10)));
  group->recalculateArrayPivot();
  const pf::Rect maskBefore = *group->transformedBoundingBoxNested();

  ChangeTransformNode* node = transform();
  feed(node, group);
  node->rotationParameter()->setEnabled(true);
  node->rotationParameter()->setValue(30);
  node->insideClippingParameter()->setValue(true);
  std::shared_ptr<const MVElement> output = pull(node);
  node->updateLinkedParameters();
  EXPECT_FALSE(node->insideClippingParameter()->layoutHidden());
  EXPECT_EQ(stackOf(output), (MVTransformStack{{MVTransformKind::Rotate, 30, 0}}));
  const pf::Rect maskAfter = *output->transformedBoundingBoxNested();
  EXPECT_NEAR(maskAfter.minX(), maskBefore.minX(), 1e-9);
  EXPECT_NEAR(maskAfter.width(), maskBefore.width(), 1e-9);
  EXPECT_NEAR(maskAfter.height(), maskBefore.height(), 1e-9);

  // A zero scale factor has no inverse: the mask keeps that axis and stays finite.
  node->rotationParameter()->setEnabled(false);
  node->scaleParameter()->setEnabled(true);
  node->scaleParameter()->setAspectLocked(false);
  node->scaleParameter()->setValueX(0, 2);
  output = pull(node);
  const auto* clipped = dynamic_cast<const MVElementGroup*>(output.get());
  ASSERT_NE(clipped, nullptr);
  const std::optional<pf::Rect> clip = clipped->cgClipPath()->bounds();
  ASSERT_TRUE(clip && clip->isFinite());
  EXPECT_NEAR(clip->width(), 30, 1e-9);
  EXPECT_NEAR(clip->height(), 5, 1e-9);

  // Without a mask the row is hidden.
  ChangeTransformNode* plain = transform();
  feed(plain, rectangle(10, 10));
  pull(plain);
  plain->updateLinkedParameters();
  EXPECT_TRUE(plain->insideClippingParameter()->layoutHidden());
}

TEST_F(ChangeTransformNodeTest, NewNodeDefaultsFollowThePreference)
{
  for (const bool newDefaults : {true, false}) {
    SCOPED_TRACE(newDefaults);
    defaults->setBool("Enable new change node defaults", newDefaults);
    auto* node = add<ChangeTransformNode>("ChangeTransformNode");
    EXPECT_EQ(node->rotationParameter()->enabled(), newDefaults);
    EXPECT_EQ(node->rotationParameter()->localValue(), newDefaults ? 45 : 0);
    EXPECT_EQ(node->changeMode(), ChangeNode::kGroup);
    auto* pivot = add<ChangePivotNode>("ChangePivotNode");
    EXPECT_EQ(pivot->pivotModeParameter()->index(),
              newDefaults ? ChangePivotNode::kCenter : ChangePivotNode::kCustomOffset);
  }
}

TEST_F(ChangeTransformNodeTest, OlderGenerationScaleAndSizeMode)
{
  struct Case {
    bool hasScale, sizeMode, scaleOn, resizeOn;
  };
  for (const Case& c : {Case{true, true, false, true}, Case{true, false, true, false}, Case{false, true, false, false}}) {
    SCOPED_TRACE(std::to_string(c.hasScale) + std::to_string(c.sizeMode));
    ChangeTransformNode* node = transform();
    pf::PlistValue::Dictionary values;
    values.set("Has Scale", pf::PlistValue(c.hasScale));
    values.set("Size mode", pf::PlistValue(c.sizeMode));
    pf::PlistValue::Dictionary record;
    record.set("Parameter values", pf::PlistValue(values));
    EXPECT_TRUE(node->loadLegacyMV2NodeDictionary(record));
    EXPECT_EQ(node->scaleParameter()->enabled(), c.scaleOn);
    EXPECT_EQ(node->resizeParameter()->enabled(), c.resizeOn);
  }
  const ChangeTransformNode* node = transform();
  EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Resize Y"), "Resize:Y");
  EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Angle"), "Rotation");
  EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Size mode"), std::nullopt);
  EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Has Offset"), "Offset[ENABLE]");
}

TEST_F(ChangeTransformNodeTest, PivotPresetsAreAbsoluteAndCustomOffsetsAddUp)
{
  // Top-left corner at the origin: a 100 x 50 rectangle, and a group of three 10 x 10 squares
  // whose box is 30 x 10.
  auto squares = std::make_shared<MVElementGroup>();
  for (int k = 0; k < 3; ++k) {
    squares->addElementWithoutRecalculatingPivot(rectangle(10, 10, 5 + 10.0 * k, 5));
  }
  squares->recalculateArrayPivot();
  struct Case {
    const char* what;
    std::shared_ptr<const MVElement> element;
    pf::Rect box;
  };
  for (const Case& c : {Case{"path", rectangle(100, 50, 50, 25), pf::Rect(0, 0, 100, 50)},
                        Case{"group", squares, pf::Rect(0, 0, 30, 10)}}) {
    SCOPED_TRACE(c.what);
    auto* once = add<ChangePivotNode>("ChangePivotNode");
    once->pivotModeParameter()->setIndex(ChangePivotNode::kTopLeft);
    feed(once, c.element);
    auto* twice = add<ChangePivotNode>("ChangePivotNode");
    twice->pivotModeParameter()->setIndex(ChangePivotNode::kTopLeft);
    controller().addConnectionFromSocket(once->graphicsParameter()->outputSocket(),
                                         twice->graphicsParameter()->inputSocket());
    const std::shared_ptr<const MVElement> first = pull(once);
    const std::shared_ptr<const MVElement> second = pull(twice);
    EXPECT_EQ(second->positionX(), first->positionX());
    EXPECT_EQ(second->positionY(), first->positionY());
    EXPECT_EQ(stackOf(second), stackOf(first));

    // The drawing has not moved; turning about the new pivot keeps the top-left corner.
    const pf::Rect drawn = *first->transformedBoundingBoxNested();
    EXPECT_NEAR(drawn.minX(), c.box.minX(), 1e-9);
    EXPECT_NEAR(drawn.minY(), c.box.minY(), 1e-9);
    EXPECT_NEAR(drawn.width(), c.box.width(), 1e-9);
    std::shared_ptr<MVElement> turned = first->copy();
    turned->rotate(90);
    const pf::Rect box = *turned->transformedBoundingBoxNested();
    EXPECT_NEAR(box.maxX(), 0, 1e-9);
    EXPECT_NEAR(box.minY(), 0, 1e-9);

    // Back to the centre: turning keeps the centre.
    auto* centre = add<ChangePivotNode>("ChangePivotNode");
    centre->pivotModeParameter()->setIndex(ChangePivotNode::kCenter);
    controller().addConnectionFromSocket(twice->graphicsParameter()->outputSocket(),
                                         centre->graphicsParameter()->inputSocket());
    std::shared_ptr<MVElement> centred = pull(centre)->copy();
    centred->rotate(180);
    const pf::Rect half = *centred->transformedBoundingBoxNested();
    EXPECT_NEAR(half.minX(), c.box.minX(), 1e-9);
    EXPECT_NEAR(half.minY(), c.box.minY(), 1e-9);
  }

  // Custom offsets are relative: two nodes move the pivot twice.
  auto* custom = add<ChangePivotNode>("ChangePivotNode");
  custom->pivotModeParameter()->setIndex(ChangePivotNode::kCustomOffset);
  custom->offsetParameter()->setValueX(5, 0);
  feed(custom, rectangle(10, 10));
  auto* again = add<ChangePivotNode>("ChangePivotNode");
  again->pivotModeParameter()->setIndex(ChangePivotNode::kCustomOffset);
  again->offsetParameter()->setValueX(5, 0);
  controller().addConnectionFromSocket(custom->graphicsParameter()->outputSocket(),
                                       again->graphicsParameter()->inputSocket());
  EXPECT_EQ(pull(custom)->pivotOffsetX(), -5);
  EXPECT_EQ(pull(again)->pivotOffsetX(), -10);
  EXPECT_EQ(pull(again)->positionX(), 10);
}

TEST_F(ChangeTransformNodeTest, PivotPreviewMarksTheChangedMembers)
{
  auto* node = add<ChangePivotNode>("ChangePivotNode");
  feed(node, row(4));
  node->changeModeParameter()->setIndex(2);  // Selected, Half
  const std::shared_ptr<const MVElement> output = pull(node);
  const auto preview =
      std::dynamic_pointer_cast<const MVElementGroup>(node->graphicsPreviewElementForParameter(nullptr, output));
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->count(), 4);
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const auto* member = dynamic_cast<const MVElementGroup*>(preview->elementArray()[k].get());
    EXPECT_EQ(member != nullptr, k % 2 == 0);
    if (member != nullptr) {
      ASSERT_EQ(member->count(), 2);
      EXPECT_EQ(member->elementArray()[1]->className(), "MVElementImage");
      EXPECT_EQ(member->elementArray()[1]->width(), 16);
    }
  }
  EXPECT_GT(log.count("Error, could not load pivot marker image with name pivot_marker.png"), 0);
  EXPECT_EQ(node->graphicsPreviewElementForParameter(nullptr, nullptr), nullptr);
}

}  // namespace
