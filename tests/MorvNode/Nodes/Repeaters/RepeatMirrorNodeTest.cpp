#include "MorvNode/Nodes/Repeaters/RepeatMirrorNode.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "RepeaterTestSupport.h"

namespace {

class RepeatMirrorNodeTest : public RepeaterTest {
protected:
  RepeatMirrorNodeTest()
  {
    shape->positionParameter()->setValueX(50, 50);
    mirror = addRepeater<RepeatMirrorNode>("RepeatMirrorNode");
  }
  static const MVElementGroup& clip(const MVElementGroup& group, std::size_t index)
  {
    return dynamic_cast<const MVElementGroup&>(*group.elementArray().at(index));
  }
  static MVTransformStack stack(const MVElement& element) { return element.transformStack().value_or(MVTransformStack()); }

  RepeatMirrorNode* mirror = nullptr;
};

TEST_F(RepeatMirrorNodeTest, OnePlaneMakesTwoClipGroupsTheSecondFlipped)
{
  const auto result = group(mirror);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->elementName(), "Mirror group");
  ASSERT_EQ(result->count(), 2);
  const MVElementGroup& first = clip(*result, 0);
  const MVElementGroup& second = clip(*result, 1);
  EXPECT_EQ(first.elementName(), "Mirror clip 1");
  EXPECT_EQ(second.elementName(), "Mirror clip 2");
  EXPECT_TRUE(first.hasClippingMask());
  // The copy keeps the input's ID; the reflection about the vertical through the pivot.
  EXPECT_EQ(first.elementArray().front()->elementName(), "Rectangle");
  EXPECT_EQ(stack(second), (MVTransformStack{{MVTransformKind::Scale, -1, 1}}));
  EXPECT_DOUBLE_EQ(first.arrayPivotX(), 50);
  EXPECT_DOUBLE_EQ(first.arrayPivotY(), 50);
}

TEST_F(RepeatMirrorNodeTest, TwoPlanesTurnFlipAndTurnBack)
{
  mirror->mirrorPlanesParameter()->setEnabled(true);
  mirror->mirrorPlanesParameter()->setValue(2);
  const auto result = group(mirror);
  ASSERT_EQ(result->count(), 4);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(clip(*result, i).elementName(), "Mirror clip " + std::to_string(i + 1));
  }
  // Each clip group is the previous one reflected once more: rotate d, flip, rotate -d with
  // d = j x 90 - angle.
  const MVTransformStack second = stack(clip(*result, 1));
  MVTransformStack third = second;
  third.push_back({MVTransformKind::Rotate, 90, 0});
  third.push_back({MVTransformKind::Scale, -1, 1});
  third.push_back({MVTransformKind::Rotate, -90, 0});
  EXPECT_EQ(stack(clip(*result, 2)), third);
  MVTransformStack fourth = third;
  fourth.push_back({MVTransformKind::Rotate, 180, 0});
  fourth.push_back({MVTransformKind::Scale, -1, 1});
  fourth.push_back({MVTransformKind::Rotate, -180, 0});
  EXPECT_EQ(stack(clip(*result, 3)), fourth);
}

TEST_F(RepeatMirrorNodeTest, ClipWedgeSpansTheSectorOfOnePlane)
{
  struct Case {
    long long planes;
    double angle;
  };
  for (const Case& c : std::vector<Case>{{1, 0}, {2, 0}, {4, 30}, {3, -45}}) {
    SCOPED_TRACE(testing::Message() << c.planes << " " << c.angle);
    MVElementPath square;
    square.setPositionX(50, 50);
    square.setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(30, 30)));
    square.setWidth(30);
    square.setHeight(30);
    const auto wedge = RepeatMirrorNode::cgClipPathElement(square, c.planes, c.angle, 0, 0);
    ASSERT_TRUE(wedge);
    const double radius = std::hypot(30, 30) / 2;
    const double a0 = (c.angle - 90) * std::numbers::pi / 180;
    const double span = std::numbers::pi / static_cast<double>(c.planes);
    // Inside: just within the sector, towards decreasing angles from a0; outside: just past it.
    const auto at = [&](double angle, double r) { return pf::Point(50 + r * std::cos(angle), 50 + r * std::sin(angle)); };
    EXPECT_TRUE(wedge->contains(at(a0 - span / 2, radius * 0.5), pf::FillRule::EvenOdd));
    EXPECT_FALSE(wedge->contains(at(a0 + 0.05, radius * 0.5), pf::FillRule::EvenOdd));
    EXPECT_FALSE(wedge->contains(at(a0 - span - 0.05, radius * 0.5), pf::FillRule::EvenOdd));
    EXPECT_FALSE(wedge->contains(at(a0 - span / 2, radius * 1.05), pf::FillRule::EvenOdd));
  }
  MVElementPath empty;
  EXPECT_FALSE(RepeatMirrorNode::cgClipPathElement(empty, 0, 0, 0, 0));
}

TEST_F(RepeatMirrorNodeTest, UnclippedCopiesHaveNoClipPath)
{
  mirror->boolParameterNamed("Clip Mirrored Elements")->setValue(false);
  const auto result = group(mirror);
  ASSERT_EQ(result->count(), 2);
  EXPECT_FALSE(clip(*result, 0).hasClippingMask());
  // No wedge without a plane.
  EXPECT_EQ(RepeatMirrorNode::cgClipPathElement(*result, 0, 0, 0, 0), std::nullopt);
}

TEST_F(RepeatMirrorNodeTest, PerpendicularOffsetAndTheOffsetFollowEachOther)
{
  mirror->perpendicularOffsetParameter()->setValue(10);
  EXPECT_NEAR(mirror->offsetParameter()->valueX(), -10, 1e-12);
  EXPECT_NEAR(mirror->offsetParameter()->valueY(), 0, 1e-12);

  mirror->boolParameterNamed("Perpendicular Offset")->setValue(false);
  struct Case {
    double x;
    double y;
    double perpendicular;
  };
  for (const Case& c : std::vector<Case>{{3, 4, -5}, {-3, 4, 5}, {0, -2, 2}, {0, 0, 0}}) {
    mirror->offsetParameter()->setValueX(c.x, c.y);
    EXPECT_NEAR(mirror->perpendicularOffsetParameter()->value(), c.perpendicular, 1e-12);
  }
}

TEST_F(RepeatMirrorNodeTest, PreviewDrawsOneRedLinePerPlaneThroughThePivot)
{
  mirror->mirrorPlanesParameter()->setEnabled(true);
  mirror->mirrorPlanesParameter()->setValue(2);
  ASSERT_NE(group(mirror), nullptr);
  const auto preview = std::dynamic_pointer_cast<const MVElementGroup>(
      mirror->graphicsPreviewElementForParameter(mirror->graphicsParameter(), output(shape)));
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->count(), 3);
  const double diagonal = std::hypot(30, 30);
  for (std::size_t i = 1; i < 3; ++i) {
    const auto* line = dynamic_cast<const MVElementPath*>(preview->elementArray()[i].get());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->strokeColor(), pf::Color::rgb(1, 0, 0, 1));
    EXPECT_DOUBLE_EQ(line->positionX(), 50);
    EXPECT_DOUBLE_EQ(line->positionY(), 50);
    EXPECT_NEAR(line->strokeWidth(), diagonal / 50, 1e-9);
    EXPECT_EQ(*line->cgPath(), MVElementPath::cgPathForLineFromX(0, -diagonal / 2, 0, diagonal / 2));
  }
  EXPECT_EQ(rotations(*preview->elementArray()[2]), std::vector<double>{90});
}

}  // namespace
