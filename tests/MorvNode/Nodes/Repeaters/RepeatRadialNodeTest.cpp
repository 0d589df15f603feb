#include "MorvNode/Nodes/Repeaters/RepeatRadialNode.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "RepeaterTestSupport.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

namespace {

constexpr double kTolerance = 1e-9;

double radians(double degrees)
{
  return degrees * std::numbers::pi / 180;
}

class RepeatRadialNodeTest : public RepeaterTest {
protected:
  RepeatRadialNodeTest() { radial = addRepeater<RepeatRadialNode>("RepeatRadialNode"); }

  RepeatRadialNode* radial = nullptr;
};

TEST_F(RepeatRadialNodeTest, DefaultsPlaceEightTurnedCopiesOnACircle)
{
  const auto result = group(radial);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->elementName(), "Radial group");
  ASSERT_EQ(result->count(), 8);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const MVElement& member = *result->elementArray()[static_cast<std::size_t>(i)];
    const double a = radians(-90 + 45 * i);
    EXPECT_NEAR(member.positionX(), 100 * std::cos(a), kTolerance);
    EXPECT_NEAR(member.positionY(), 100 * std::sin(a), kTolerance);
    EXPECT_EQ(member.elementName(), "Rectangle " + std::to_string(i));
    const auto turns = rotations(member);
    if (i == 0) {
      EXPECT_TRUE(turns.empty());  // a turn of 0 is no entry
    } else {
      ASSERT_EQ(turns.size(), 1u);
      EXPECT_NEAR(turns[0], 45 * i, kTolerance);
    }
  }
}

TEST_F(RepeatRadialNodeTest, AngleStepWithoutFullCircle)
{
  radial->boolParameterNamed("Full circle")->setValue(false);
  radial->valueParameterNamed("Angle step")->setValue(15);
  radial->countParameter()->setValue(4);
  const auto result = group(radial);
  ASSERT_EQ(result->count(), 4);
  for (int i = 0; i < 4; ++i) {
    const MVElement& member = *result->elementArray()[static_cast<std::size_t>(i)];
    const double a = radians(-90 + 15 * i);
    EXPECT_NEAR(member.positionX(), 100 * std::cos(a), kTolerance);
    EXPECT_NEAR(member.positionY(), 100 * std::sin(a), kTolerance);
  }
}

TEST_F(RepeatRadialNodeTest, SecondRingGrowsInCountRadiusAndStartAngle)
{
  radial->layersParameter()->setEnabled(true);
  radial->layersParameter()->setValue(2);
  radial->valueParameterNamed("Count offset")->setValue(4);
  radial->diameterOffsetParameter()->setValueX(20, 20);
  radial->valueParameterNamed("Angle offset")->setValue(10);
  const auto result = group(radial);
  ASSERT_EQ(result->count(), 8 + 12);
  const MVElement& first = *result->elementArray()[8];
  EXPECT_EQ(first.elementName(), "Rectangle 0-1");
  EXPECT_NEAR(first.positionX(), 110 * std::cos(radians(-80)), kTolerance);
  EXPECT_NEAR(first.positionY(), 110 * std::sin(radians(-80)), kTolerance);
  const MVElement& next = *result->elementArray()[9];
  EXPECT_NEAR(next.positionX(), 110 * std::cos(radians(-80 + 30)), kTolerance);
  EXPECT_EQ(result->elementArray()[0]->elementName(), "Rectangle 0-0");
}

TEST_F(RepeatRadialNodeTest, EllipseOfUnequalDiameters)
{
  radial->diameterParameter()->setAspectLocked(false);
  radial->diameterParameter()->setValueX(200, 100);
  const auto result = group(radial);
  const MVElement& right = *result->elementArray()[2];  // 0 degrees
  const MVElement& bottom = *result->elementArray()[4];  // 90 degrees
  EXPECT_NEAR(right.positionX(), 100, kTolerance);
  EXPECT_NEAR(right.positionY(), 0, kTolerance);
  EXPECT_NEAR(bottom.positionX(), 0, kTolerance);
  EXPECT_NEAR(bottom.positionY(), 50, kTolerance);
}

TEST_F(RepeatRadialNodeTest, OlderRadiiBecomeDiameters)
{
  EXPECT_EQ(radial->legacyMV2ParameterNameTranslation("Radius heading"), std::nullopt);
  EXPECT_EQ(radial->legacyMV2ParameterNameTranslation("Multiple layers"), "Number of layers[ENABLE]");
  EXPECT_EQ(radial->legacyMV2ParameterNameTranslation("Radius"), "Diameter:X");
  EXPECT_EQ(radial->legacyMV2ParameterNameTranslation("Radius offset"), "Diameter offset:X");

  pf::PlistValue::Dictionary values;
  values.set("Radius", pf::PlistValue(50.0));
  values.set("Radius offset", pf::PlistValue(7.0));
  pf::PlistValue::Dictionary record;
  record.set("Parameter values", pf::PlistValue(values));
  radial->loadLegacyMV2NodeDictionary(record);
  EXPECT_EQ(radial->diameterParameter()->valueX(), 100);
  EXPECT_EQ(radial->diameterParameter()->valueY(), 100);
  EXPECT_TRUE(radial->diameterParameter()->aspectLocked());
  EXPECT_EQ(radial->diameterOffsetParameter()->valueX(), 14);

  ODAnimator diameter;
  diameter.setTargetPersistentIdentifier(radial->diameterParameter()->persistentIdentifier());
  diameter.addKeyframeWithValue(25.0, 0.0);
  ODAnimator count;
  count.setTargetPersistentIdentifier(radial->countParameter()->persistentIdentifier());
  count.addKeyframeWithValue(5.0, 0.0);
  radial->processImportedLegacyAnimations({&diameter, &count});
  EXPECT_EQ(diameter.keyFrames().front()->doubleValue(), 50);
  EXPECT_EQ(count.keyFrames().front()->doubleValue(), 5);
}

}  // namespace
