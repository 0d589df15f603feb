#include "MorvNode/Nodes/Repeaters/RepeatGridNode.h"

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "RepeaterTestSupport.h"

namespace {

constexpr double kHexRow = 34.64101615137754;  // 40 x sin 60 degrees

class RepeatGridNodeTest : public RepeaterTest {
protected:
  RepeatGridNodeTest() { grid = addRepeater<RepeatGridNode>("RepeatGridNode"); }
  void set(const std::string& name, bool value) { grid->boolParameterNamed(name)->setValue(value); }
  // The x offset of the first repetition of each row, and the row positions.
  static std::vector<double> firstColumnX(const std::vector<Member>& placed, long long columns)
  {
    std::vector<double> xs;
    for (std::size_t i = 0; i < placed.size(); i += static_cast<std::size_t>(columns)) {
      xs.push_back(placed[i].x);
    }
    return xs;
  }

  RepeatGridNode* grid = nullptr;
};

TEST_F(RepeatGridNodeTest, DefaultsMakeSixteenRenamedCopiesInRowOrder)
{
  const auto result = group(grid);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->elementName(), "Grid group");
  const auto placed = members(*result);
  ASSERT_EQ(placed.size(), 16u);
  std::set<long long> ids;
  for (long long r = 0; r < 4; ++r) {
    for (long long c = 0; c < 4; ++c) {
      const Member& m = placed[static_cast<std::size_t>(r * 4 + c)];
      SCOPED_TRACE(m.name);
      EXPECT_DOUBLE_EQ(m.x, 40.0 * static_cast<double>(c));
      EXPECT_DOUBLE_EQ(m.y, 40.0 * static_cast<double>(r));
      EXPECT_EQ(m.name, "Rectangle " + std::to_string(c) + "-" + std::to_string(r));
      ids.insert(m.elementID);
    }
  }
  EXPECT_EQ(ids.size(), 16u);  // every repetition has an ID of its own
  const auto& history = result->elementArray()[5]->nodeHistory();
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history.back(), grid->nodeId());
  EXPECT_EQ(result->nodeHistory().back(), grid->nodeId());
}

TEST_F(RepeatGridNodeTest, OneByOneIsOneCopyInAGroup)
{
  grid->countParameter()->setValueX(1, 1);
  const auto result = group(grid);
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(result->count(), 1);
  EXPECT_EQ(result->elementArray().front()->elementName(), "Rectangle 0-0");
}

TEST_F(RepeatGridNodeTest, BrickAndHexShiftRows)
{
  struct Case {
    long long type;
    double rowShift;
    std::vector<double> rowStartX;
    double rowDistance;
  };
  const std::vector<Case> cases = {
      {RepeatGridNode::kStraight, 0.5, {0, 0, 0, 0}, 40},
      {RepeatGridNode::kBrick, 0.5, {0, 20, 0, 20}, 40},
      {RepeatGridNode::kBrick, 1.0, {0, 0, 0, 0}, 40},  // 40 mod 40
      {RepeatGridNode::kBrick, 0.25, {0, 10, 20, 30}, 40},
      {RepeatGridNode::kHex, 0.5, {0, 20, 0, 20}, kHexRow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.type << " " << c.rowShift);
    grid->gridModeParameter()->setIndex(c.type);
    grid->offsetParameter()->setAspectLocked(false);
    grid->offsetParameter()->setValueX(40, 40);
    grid->valueParameterNamed("Row shift")->setValue(c.rowShift);
    const auto placed = members(*group(grid));
    ASSERT_EQ(placed.size(), 16u);
    const auto xs = firstColumnX(placed, 4);
    ASSERT_EQ(xs.size(), c.rowStartX.size());
    for (std::size_t r = 0; r < xs.size(); ++r) {
      EXPECT_NEAR(xs[r], c.rowStartX[r], 1e-9);
      EXPECT_NEAR(placed[r * 4].y, c.rowDistance * static_cast<double>(r), 1e-9);
      EXPECT_NEAR(placed[r * 4 + 1].x - placed[r * 4].x, 40, 1e-9);
    }
  }
}

TEST_F(RepeatGridNodeTest, SwitchingToHexLocksTheSpacingAspect)
{
  grid->offsetParameter()->setValueX(40, 10);
  grid->gridModeParameter()->setIndex(RepeatGridNode::kHex);
  EXPECT_DOUBLE_EQ(grid->offsetParameter()->valueX(), 40);
  EXPECT_NEAR(grid->offsetParameter()->valueY(), kHexRow, 1e-9);
  EXPECT_TRUE(grid->offsetParameter()->aspectLocked());
  EXPECT_TRUE(grid->offsetParameter()->aspectLockForced());
  EXPECT_NEAR(grid->offsetParameter()->aspect(), 1 / RepeatGridNode::kHexRowFactor, 1e-12);  // X / Y
  grid->gridModeParameter()->setIndex(RepeatGridNode::kBrick);
  EXPECT_FALSE(grid->offsetParameter()->aspectLockForced());
}

TEST_F(RepeatGridNodeTest, AutoCountAndAutoSpacingFollowTheArea)
{
  set("Use artboard size", false);
  grid->repetitionAreaParameter()->setValueX(200, 200);

  set("Auto count", true);
  grid->offsetParameter()->setValueX(40, 30);
  EXPECT_EQ(grid->countParameter()->valueX(), 6);
  EXPECT_EQ(grid->countParameter()->valueY(), 8);  // 200 / 30 goes to 7
  EXPECT_EQ(group(grid)->count(), 48);
  set("Auto count", false);

  set("Auto spacing", true);
  grid->countParameter()->setValueX(5, 1);
  EXPECT_DOUBLE_EQ(grid->offsetParameter()->valueX(), 50);
  EXPECT_DOUBLE_EQ(grid->offsetParameter()->valueY(), 0);

  // The artboard as the area.
  set("Use artboard size", true);
  EXPECT_DOUBLE_EQ(grid->repetitionAreaParameter()->valueX(), controller().artboardSize().width);
}

TEST_F(RepeatGridNodeTest, ExtrasRemoveTheLastColumnAndShortenOddRows)
{
  grid->parameterNamed("Has Extras")->setEnabled(true);
  set("Auto spacing", true);
  set("Remove last", true);
  grid->countParameter()->setValueX(4, 1);
  EXPECT_EQ(group(grid)->count(), 3);

  set("Remove last", false);
  set("Auto spacing", false);
  set("Short odd rows", true);
  grid->countParameter()->setValueX(4, 3);
  const auto placed = members(*group(grid));
  ASSERT_EQ(placed.size(), 11u);  // rows of 4, 3 and 4
  EXPECT_EQ(placed[4].name, "Rectangle 0-1");
  EXPECT_EQ(placed[7].name, "Rectangle 0-2");
}

TEST_F(RepeatGridNodeTest, DynamicShortRowsNumberTheIndexAcrossRows)
{
  controller().removeNode(shape);
  controller().removeNode(grid);
  auto* indexed = add<IndexedShapeNode>("IndexedShapeTestNode");
  grid = add<RepeatGridNode>("RepeatGridNode");
  connect(indexed, grid);
  connectToLayer(grid);
  indexed->watch(grid->nodeId() + " * Index");
  grid->parameterNamed("Has Extras")->setEnabled(true);
  set("Short odd rows", true);
  grid->countParameter()->setValueX(4, 3);
  const auto result = group(grid);
  ASSERT_EQ(result->count(), 11);
  for (long i = 1; i < 11; ++i) {
    EXPECT_EQ(result->elementArray()[static_cast<std::size_t>(i)]->width(), static_cast<double>(i));
  }
}

TEST_F(RepeatGridNodeTest, HugeCountsStopAtTheCeilingWithAWarning)
{
  grid->countParameter()->setValueX(1e12, 1e12);
  const auto result = group(grid);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->count(), RepeaterNode::kMaxRepetitions);
  grid->checkWarnings();
  ASSERT_FALSE(grid->warningMessages().empty());
  EXPECT_NE(grid->warningMessages().back().find("limited to 250000"), std::string::npos);

  grid->countParameter()->setValueX(2, 2);
  group(grid);
  grid->checkWarnings();
  EXPECT_TRUE(grid->warningMessages().empty());
}

TEST_F(RepeatGridNodeTest, OlderNames)
{
  for (const char* dropped : {"Grid pattern", "Grid spacing", "Repetition grid area", "Grid height"}) {
    EXPECT_EQ(grid->legacyMV2ParameterNameTranslation(dropped), std::nullopt);
  }
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Columns"), "Count:X");
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Count Y"), "Count:Y");
  EXPECT_EQ(grid->legacyMV2ParameterNameTranslation("Width"), "Repetition area:X");

  pf::PlistValue::Dictionary values;
  values.set("Equal spacing", pf::PlistValue(false));
  pf::PlistValue::Dictionary record;
  record.set("Parameter values", pf::PlistValue(values));
  grid->loadLegacyMV2NodeDictionary(record);
  EXPECT_TRUE(grid->offsetParameter()->aspectLocked());
}

}  // namespace
