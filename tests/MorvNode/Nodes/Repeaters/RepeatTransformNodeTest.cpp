#include "MorvNode/Nodes/Repeaters/RepeatTransformNode.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "RepeaterTestSupport.h"

namespace {

class RepeatTransformNodeTest : public RepeaterTest {
protected:
  RepeatTransformNodeTest()
  {
    shape->sizeParameter()->setValueX(20, 20);
    transform = addRepeater<RepeatTransformNode>("RepeatTransformNode");
  }
  // The scale entries' factors of the element, in push order.
  static std::vector<std::pair<double, double>> scales(const MVElement& element)
  {
    std::vector<std::pair<double, double>> result;
    for (const MVTransformEntry& entry : element.transformStack().value_or(MVTransformStack())) {
      if (entry.kind == MVTransformKind::Scale) {
        result.emplace_back(entry.a, entry.b);
      }
    }
    return result;
  }

  RepeatTransformNode* transform = nullptr;
};

TEST_F(RepeatTransformNodeTest, DefaultsHoldTheInputAndOneMovedCopy)
{
  const auto result = group(transform);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->elementName(), "Transform group");
  const auto placed = members(*result);
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_EQ(placed[0].name, "Rectangle");
  EXPECT_EQ(placed[0].x, 0);
  EXPECT_EQ(placed[1].name, "Rectangle 1");
  EXPECT_EQ(placed[1].x, 40);
  EXPECT_EQ(placed[1].y, 40);
  EXPECT_NE(placed[1].elementID, placed[0].elementID);
}

TEST_F(RepeatTransformNodeTest, StepsAccumulatePerRepetition)
{
  transform->countParameter()->setValue(4);
  transform->offsetParameter()->setValueX(10, 0);
  transform->rotationParameter()->setEnabled(true);
  transform->rotationParameter()->setValue(45);
  const auto result = group(transform);
  ASSERT_EQ(result->count(), 4);
  for (int i = 1; i < 4; ++i) {
    SCOPED_TRACE(i);
    const MVElement& copy = *result->elementArray()[static_cast<std::size_t>(i)];
    EXPECT_EQ(copy.positionX(), 10 * i);
    EXPECT_EQ(rotations(copy), std::vector<double>{45.0 * i});
  }

  transform->rotationParameter()->setEnabled(false);
  transform->countParameter()->setValue(3);
  transform->scaleParameter()->setEnabled(true);
  transform->scaleParameter()->setValueX(0.5, 0.5);
  const auto scaled = group(transform);
  ASSERT_EQ(scaled->count(), 3);
  EXPECT_EQ(scales(*scaled->elementArray()[1]), (std::vector<std::pair<double, double>>{{0.5, 0.5}}));
  EXPECT_EQ(scales(*scaled->elementArray()[2]), (std::vector<std::pair<double, double>>{{0.25, 0.25}}));
}

TEST_F(RepeatTransformNodeTest, ResizeGrowsTheVisibleSizeWithoutTheStroke)
{
  struct Case {
    bool stroked;
    std::vector<double> factors;  // of repetitions 1 and 2
  };
  // 20 wide without stroke: +10 and +20 give 30 and 40. With a 2-unit stroke the measured 22
  // loses the stroke: (10 + 20) / 20 and (20 + 20) / 20.
  const std::vector<Case> cases = {{false, {1.5, 2.0}}, {true, {1.5, 2.0}}};
  transform->countParameter()->setValue(3);
  transform->offsetParameter()->setEnabled(false);
  transform->resizeParameter()->setEnabled(true);
  transform->resizeParameter()->setValueX(10, 10);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stroked);
    shape->strokeColorParameter()->setEnabled(c.stroked);
    shape->strokeWidthParameter()->setValue(2);
    const auto result = group(transform);
    ASSERT_EQ(result->count(), 3);
    for (std::size_t i = 1; i < 3; ++i) {
      const auto entries = scales(*result->elementArray()[i]);
      ASSERT_EQ(entries.size(), 1u);
      EXPECT_NEAR(entries[0].first, c.factors[i - 1], 1e-9);
      EXPECT_NEAR(entries[0].second, c.factors[i - 1], 1e-9);
    }
  }
}

TEST_F(RepeatTransformNodeTest, CountOfOneAnswersTheInput)
{
  transform->countParameter()->setValue(1);
  const auto result = output(transform);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->elementName(), "Rectangle");
}

TEST_F(RepeatTransformNodeTest, AutoSpacingSpreadsOverTheArtboard)
{
  transform->boolParameterNamed("Auto spacing")->setValue(true);
  transform->countParameter()->setValue(5);
  const pf::Size artboard = controller().artboardSize();
  EXPECT_DOUBLE_EQ(transform->offsetParameter()->valueX(), artboard.width / 4);
  EXPECT_DOUBLE_EQ(transform->offsetParameter()->valueY(), artboard.height / 4);
}

TEST_F(RepeatTransformNodeTest, OlderRecordsChooseScaleOrResize)
{
  EXPECT_EQ(transform->legacyMV2ParameterNameTranslation("Angle"), "Rotation");
  EXPECT_EQ(transform->legacyMV2ParameterNameTranslation("Has Offset"), "Offset[ENABLE]");
  EXPECT_EQ(transform->legacyMV2ParameterNameTranslation("Size mode"), std::nullopt);
  EXPECT_EQ(transform->legacyMV2ParameterNameTranslation("Offset X"), "Offset:X");
  struct Case {
    bool hasScale;
    bool sizeMode;
    bool scaleOn;
    bool resizeOn;
  };
  for (const Case& c : std::vector<Case>{{true, true, false, true}, {true, false, true, false}, {false, true, false, false}}) {
    SCOPED_TRACE(testing::Message() << c.hasScale << c.sizeMode);
    pf::PlistValue::Dictionary values;
    values.set("Has Scale", pf::PlistValue(c.hasScale));
    values.set("Size mode", pf::PlistValue(c.sizeMode));
    values.set("Uniform", pf::PlistValue(false));
    pf::PlistValue::Dictionary record;
    record.set("Parameter values", pf::PlistValue(values));
    transform->loadLegacyMV2NodeDictionary(record);
    EXPECT_EQ(transform->scaleParameter()->enabled(), c.scaleOn);
    EXPECT_EQ(transform->resizeParameter()->enabled(), c.resizeOn);
    EXPECT_TRUE(transform->resizeParameter()->aspectLocked());
  }
}

}  // namespace
