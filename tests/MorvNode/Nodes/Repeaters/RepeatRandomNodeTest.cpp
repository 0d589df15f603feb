#include "MorvNode/Nodes/Repeaters/RepeatRandomNode.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "RepeaterTestSupport.h"

namespace {

class RepeatRandomNodeTest : public RepeaterTest {
protected:
  RepeatRandomNodeTest()
  {
    random = addRepeater<RepeatRandomNode>("RepeatRandomNode");
    EXPECT_NE(random->randomSource(), nullptr);
    random->randomSeedParameter()->setValue(7);
    random->value2DParameterNamed("Repetition area")->setValueX(100, 100);
  }
  // As a generation does: the node's draws restart, then the tree is pulled.
  std::vector<Member> scatter()
  {
    random->initRandomSeed();
    return members(*group(random));
  }

  RepeatRandomNode* random = nullptr;
};

TEST_F(RepeatRandomNodeTest, KeepOriginalDecidesWhetherTheInputIsAMember)
{
  struct Case {
    bool keep;
    std::vector<std::string> names;
  };
  std::vector<std::string> kept = {"Rectangle"};
  std::vector<std::string> fresh;
  for (int i = 1; i <= 10; ++i) {
    if (i < 10) {
      kept.push_back("Rectangle " + std::to_string(i));
    }
    fresh.push_back("Rectangle " + std::to_string(i));
  }
  for (const Case& c : std::vector<Case>{{true, kept}, {false, fresh}}) {
    SCOPED_TRACE(c.keep);
    random->boolParameterNamed("Keep original")->setValue(c.keep);
    const auto placed = scatter();
    std::vector<std::string> names;
    for (const Member& m : placed) {
      names.push_back(m.name);
      EXPECT_GE(m.x, 0);
      EXPECT_LT(m.x, 100);
      EXPECT_GE(m.y, 0);
      EXPECT_LT(m.y, 100);
    }
    EXPECT_EQ(names, c.names);
    if (c.keep) {
      EXPECT_EQ(placed[0].x, 0);
      EXPECT_EQ(placed[0].y, 0);
    }
  }
}

TEST_F(RepeatRandomNodeTest, CountOfOneAnswersTheInputWithoutWarning)
{
  random->countParameter()->setValue(1);
  const auto result = output(random);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->elementName(), "Rectangle");
  random->checkWarnings();
  EXPECT_FALSE(random->placementWarningString());
}

TEST_F(RepeatRandomNodeTest, ImpossibleSpacingPlacesOnlyTheInputAndWarns)
{
  random->countParameter()->setValue(5);
  random->spacingParameter()->setEnabled(true);
  random->spacingParameter()->setValue(1000);
  const auto placed = scatter();
  ASSERT_EQ(placed.size(), 1u);
  ASSERT_TRUE(random->placementWarningString());
  EXPECT_EQ(*random->placementWarningString(),
            "Failed to find 5 non-overlapping random locations, only placed 1 repetitions. Try reducing the spacing "
            "setting or increasing the area size");
  random->checkWarnings();
  EXPECT_EQ(random->warningMessages().back(), *random->placementWarningString());
}

TEST_F(RepeatRandomNodeTest, SpacingKeepsEveryPairApart)
{
  random->countParameter()->setValue(200);
  random->spacingParameter()->setEnabled(true);
  random->spacingParameter()->setValue(5);
  const auto placed = scatter();
  ASSERT_GT(placed.size(), 100u);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      ASSERT_GE(std::hypot(placed[i].x - placed[j].x, placed[i].y - placed[j].y), 5) << i << " " << j;
    }
  }
}

TEST_F(RepeatRandomNodeTest, DiscScatterStaysWithinTheRadius)
{
  random->indexParameterNamed("Area type")->setIndex(RepeatRandomNode::kRadial);
  random->countParameter()->setValue(300);
  random->valueParameterNamed("Radius")->setValue(100);
  for (const Member& m : scatter()) {
    EXPECT_LE(std::hypot(m.x, m.y), 100 + 1e-9);
  }
}

TEST_F(RepeatRandomNodeTest, SameSeedSameScatterAnotherSeedAnother)
{
  random->spacingParameter()->setEnabled(true);
  const auto first = scatter();
  random->graphicsParameter()->inputChanged();
  const auto again = scatter();
  ASSERT_EQ(first.size(), again.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].x, again[i].x);
    EXPECT_EQ(first[i].y, again[i].y);
  }
  random->randomSeedParameter()->setValue(8);
  const auto other = scatter();
  ASSERT_GT(other.size(), 1u);
  EXPECT_NE(other[1].x, first[1].x);
}

TEST_F(RepeatRandomNodeTest, OlderNames)
{
  EXPECT_EQ(random->legacyMV2ParameterNameTranslation("Repetitions"), std::nullopt);
  EXPECT_EQ(random->legacyMV2ParameterNameTranslation("Minimum spacing"), "Spacing[ENABLE]");
}

}  // namespace
