#include "MorvNode/Nodes/Change/GroupApplyFunctionNode.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class GroupApplyFunctionNodeTest : public ChangeGraphTest {
protected:
  GroupApplyFunctionNode* applyFunction() { return add<GroupApplyFunctionNode>("GroupApplyFunctionNode"); }
  // A constant function value: Min and Max both `v`.
  static void constant(GroupApplyFunctionNode* node, double v)
  {
    node->minParameter()->setValue(v);
    node->maxParameter()->setValue(v);
  }
  // The uniform scale each member of the output carries (1 without one).
  static std::vector<double> scales(const std::shared_ptr<const MVElement>& output)
  {
    std::vector<double> result;
    for (const auto& member : dynamic_cast<const MVElementGroup&>(*output).elementArray()) {
      const MVTransformStack stack = member->transformStack().value_or(MVTransformStack{});
      result.push_back(stack.empty() ? 1.0 : stack.front().a);
    }
    return result;
  }
  static void expectScales(const std::shared_ptr<const MVElement>& output, const std::vector<double>& expected)
  {
    const std::vector<double> actual = scales(output);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
      EXPECT_NEAR(actual[k], expected[k], 1e-9) << "member " << k;
    }
  }
  // Leaves at the given x positions, y 0.
  static std::shared_ptr<MVElementGroup> at(const std::vector<double>& xs)
  {
    auto group = std::make_shared<MVElementGroup>();
    for (std::size_t k = 0; k < xs.size(); ++k) {
      group->addElementWithoutRecalculatingPivot(leaf(static_cast<int>(k), xs[k], 0));
    }
    group->recalculateArrayPivot();
    return group;
  }
};

TEST_F(GroupApplyFunctionNodeTest, IndexInputSpreadsTheLinearFunction)
{
  GroupApplyFunctionNode* node = applyFunction();
  EXPECT_EQ(node->changeMode(), ChangeNode::kEach);
  EXPECT_EQ(node->changeModeParameter()->indexNames(), (std::vector<std::string>{"Each", "Selected"}));
  FixedGraphicsNode* source = feed(node, row(4));
  expectScales(pull(node), {0.5, 0.625, 0.75, 0.875});

  node->reducedRangeParameter()->setValue(true);
  expectScales(pull(node), {0.5, 0.5 + 0.5 / 3, 0.5 + 1.0 / 3, 1.0});

  // One member reads the end of the curve.
  source->setElement(row(1));
  expectScales(pull(node), {1.0});
}

TEST_F(GroupApplyFunctionNodeTest, PositionInputsRunOverTheMembersRange)
{
  struct Case {
    const char* what;
    long long input;
    std::vector<double> xs;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      {"x from smallest to largest", GroupApplyFunctionNode::kXInput, {0, 10, 40}, {0.5, 0.625, 1.0}},
      {"all at one x", GroupApplyFunctionNode::kXInput, {5, 5, 5}, {1.0, 1.0, 1.0}},
      {"negative x runs to 0", GroupApplyFunctionNode::kXInput, {-40, -20}, {0.5, 0.75}},
      {"a single member at negative x", GroupApplyFunctionNode::kXInput, {-5}, {0.5}},
      {"a single member at positive x", GroupApplyFunctionNode::kXInput, {5}, {1.0}},
      {"y of a row is all one", GroupApplyFunctionNode::kYInput, {0, 10}, {1.0, 1.0}},
      {"distance from the pivot", GroupApplyFunctionNode::kPivotDistanceInput, {0, 10, 20, 40}, {1.0, 0.75, 0.5, 1.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GroupApplyFunctionNode* node = applyFunction();
    feed(node, at(c.xs));
    node->inputParameter()->setIndex(c.input);
    expectScales(pull(node), c.expected);
  }
}

TEST_F(GroupApplyFunctionNodeTest, SlotsChangeStyleWithinBounds)
{
  struct Case {
    const char* what;
    long long slot;
    double v;
  };
  for (const Case& c : {Case{"fill opacity", GroupApplyFunctionNode::kFillOpacity, 1.4},
                        Case{"stroke opacity", GroupApplyFunctionNode::kStrokeOpacity, -0.5},
                        Case{"stroke width", GroupApplyFunctionNode::kStrokeWidth, -2},
                        Case{"fill hue", GroupApplyFunctionNode::kFillHue, 0.3},
                        Case{"stroke brightness", GroupApplyFunctionNode::kStrokeBrightness, -0.25}}) {
    SCOPED_TRACE(c.what);
    GroupApplyFunctionNode* node = applyFunction();
    auto input = row(2);
    input->setFillColor(pf::Color::hsb(0.9, 1, 1));
    input->setStrokeColor(pf::Color::hsb(0.5, 1, 0.75));
    input->setStrokeWidth(3);
    feed(node, input);
    node->transformationParameter()->setIndex(c.slot);
    constant(node, c.v);
    const MVElement& member = *dynamic_cast<const MVElementGroup&>(*pull(node)).elementArray()[1];
    switch (c.slot) {
    case GroupApplyFunctionNode::kFillOpacity:
      EXPECT_EQ(member.fillOpacity(), 1.0);
      break;
    case GroupApplyFunctionNode::kStrokeOpacity:
      EXPECT_EQ(member.strokeOpacity(), 0.0);
      break;
    case GroupApplyFunctionNode::kStrokeWidth:
      EXPECT_EQ(member.strokeWidth(), 0.0);
      break;
    case GroupApplyFunctionNode::kFillHue:
      EXPECT_NEAR(member.fillColor()->hue(), 0.2, 1e-6);
      break;
    default:
      EXPECT_NEAR(member.strokeColor()->brightness(), 0.5, 1e-6);
      EXPECT_NEAR(member.strokeColor()->hue(), 0.5, 1e-6);
      break;
    }
  }
}

TEST_F(GroupApplyFunctionNodeTest, RemovalChanceAndSelection)
{
  GroupApplyFunctionNode* node = applyFunction();
  feed(node, row(6));
  node->transformationParameter()->setIndex(GroupApplyFunctionNode::kRemovalChance);
  constant(node, 1.0);
  EXPECT_EQ(pull(node)->numberOfElements(), 0);
  constant(node, 0.0);
  EXPECT_EQ(pull(node)->numberOfElements(), 6);

  // Selected, Half: only every other member is drawn for, and only those are removed.
  node->changeModeParameter()->setIndex(1);
  constant(node, 1.0);
  EXPECT_EQ(names(pull(node).get()), (std::vector<std::string>{"m1", "m3", "m5"}));

  // Scaled instead: the skipped members are as they were, without a history entry.
  node->transformationParameter()->setIndex(GroupApplyFunctionNode::kScale);
  constant(node, 2.0);
  const auto output = pull(node);
  expectScales(output, {2, 1, 2, 1, 2, 1});
  const auto& members = dynamic_cast<const MVElementGroup&>(*output).elementArray();
  EXPECT_EQ(members[0]->historyLastNode(), node->nodeId());
  EXPECT_TRUE(members[1]->nodeHistory().empty());
}

TEST_F(GroupApplyFunctionNodeTest, InsideClippingScalesTheMaskInversely)
{
  for (const bool inside : {true, false}) {
    SCOPED_TRACE(inside);
    auto clipped = std::make_shared<MVElementGroup>();
    clipped->addElement(leaf(0));
    clipped->setClipPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForRectangleWithWidth(30, 10)));
    clipped->recalculateArrayPivot();
    auto input = std::make_shared<MVElementGroup>();
    input->addElement(clipped);
    GroupApplyFunctionNode* node = applyFunction();
    feed(node, input);
    constant(node, 2.0);
    node->insideClippingParameter()->setValue(inside);
    const auto output = pull(node);
    const auto& child = dynamic_cast<const MVElementGroup&>(*dynamic_cast<const MVElementGroup&>(*output).elementArray()[0]);
    EXPECT_NEAR(child.cgClipPath()->bounds()->width(), inside ? 15 : 30, 1e-9);
    node->updateLinkedParameters();
    EXPECT_FALSE(node->insideClippingParameter()->layoutHidden());
  }
}

TEST_F(GroupApplyFunctionNodeTest, UnusableInputAndValuesChangeNothing)
{
  GroupApplyFunctionNode* node = applyFunction();
  std::shared_ptr<MVElement> single = leaf(0);
  FixedGraphicsNode* source = feed(node, single);
  EXPECT_EQ(pull(node), single);  // not a group: passed through

  // A range too wide for doubles gives values that are not numbers: nothing changes.
  source->setElement(row(3));
  node->transformationParameter()->setIndex(GroupApplyFunctionNode::kFillOpacity);
  node->minParameter()->setValue(-1e308);
  node->maxParameter()->setValue(1e308);
  for (const auto& member : dynamic_cast<const MVElementGroup&>(*pull(node)).elementArray()) {
    EXPECT_EQ(member->fillOpacity(), 1.0);
  }
  node->transformationParameter()->setIndex(GroupApplyFunctionNode::kScale);
  node->maxParameter()->setValue(1.0);

  // A huge or NaN noise seed and count reach the curve as bounded integers.
  node->minParameter()->setValue(0.5);
  node->functionParameter()->setIndex(MVParameterValueFunction::kSmoothNoise);
  node->noiseSeedParameter()->setValue(1e300);
  node->noisePointCountParameter()->setValue(1e12);
  for (const double v : scales(pull(node))) {
    EXPECT_GE(v, 0.5 - 1e-9);
    EXPECT_LE(v, 1.0 + 1e-9);
  }
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages().back(), "The number of noise points is limited to 100000.");
}

TEST_F(GroupApplyFunctionNodeTest, RowsFollowTheChoices)
{
  GroupApplyFunctionNode* node = applyFunction();
  node->updateLinkedParameters();
  EXPECT_FALSE(node->reducedRangeParameter()->layoutHidden());
  EXPECT_TRUE(node->periodsParameter()->layoutHidden());
  EXPECT_TRUE(node->noiseSeedParameter()->layoutHidden());
  EXPECT_TRUE(node->showRandomSeedParameter()->layoutHidden());
  EXPECT_TRUE(node->randomSeedParameter()->layoutHidden());

  node->inputParameter()->setIndex(GroupApplyFunctionNode::kXInput);
  node->functionSettingsParameter()->setEnabled(true);
  node->functionParameter()->setIndex(MVParameterValueFunction::kLinearNoise);
  node->transformationParameter()->setIndex(GroupApplyFunctionNode::kRemovalChance);
  node->periodsParameter()->setValue(3);
  node->updateLinkedParameters();
  EXPECT_TRUE(node->reducedRangeParameter()->layoutHidden());
  EXPECT_FALSE(node->periodsParameter()->layoutHidden());
  EXPECT_FALSE(node->noiseSeedParameter()->layoutHidden());
  EXPECT_FALSE(node->showRandomSeedParameter()->layoutHidden());
  EXPECT_EQ(node->functionPreviewParameter()->periods(), 3);
  EXPECT_EQ(node->functionPreviewParameter()->functionType(), MVParameterValueFunction::kLinearNoise);
}

TEST_F(GroupApplyFunctionNodeTest, OlderGenerationPeriodsSwitchOnTheirRow)
{
  struct Case {
    double periods, offset;
    bool modify;
  };
  for (const Case& c : {Case{1, 0, false}, Case{2, 0, true}, Case{1, 0.25, true}}) {
    SCOPED_TRACE(std::to_string(c.periods) + " " + std::to_string(c.offset));
    GroupApplyFunctionNode* node = applyFunction();
    pf::PlistValue::Dictionary values;
    values.set("Periods", pf::PlistValue(c.periods));
    values.set("Offset", pf::PlistValue(c.offset));
    values.set("Apply to", pf::PlistValue(3.0));
    pf::PlistValue::Dictionary record;
    record.set("Parameter values", pf::PlistValue(values));
    EXPECT_TRUE(node->loadLegacyMV2NodeDictionary(record));
    EXPECT_EQ(node->functionSettingsParameter()->enabled(), c.modify);
    EXPECT_EQ(node->periodsParameter()->value(), c.periods);
    EXPECT_EQ(node->offsetParameter()->value(), c.offset);
    EXPECT_EQ(node->periodsParameter()->layoutHidden(), !c.modify);
  }
}

}  // namespace
