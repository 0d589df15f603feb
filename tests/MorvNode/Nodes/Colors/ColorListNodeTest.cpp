#include "MorvNode/Nodes/Colors/ColorListNode.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeListIndex.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ColorListNodeTest : public NodeGraphTest {
protected:
  ColorListNodeTest()
  {
    useRandomTable();
    node = add<ColorListNode>("ColorListNode");
  }

  pf::Color output() { return node->colorParameterNamed("Color")->color(); }
  pf::Color entry(int k) { return node->colorParameterNamed("Color " + std::to_string(k))->color(); }

  ColorListNode* node = nullptr;
};

struct ColorCase {
  double index;
  bool interpolate;
  int first;
  int second;
  double fraction;
};

TEST_F(ColorListNodeTest, PicksOrBlendsTheColourAtTheIndex)
{
  EXPECT_EQ(node->count(), 3);
  EXPECT_EQ(entry(0), pf::Color::hsb(0, 0.7, 0.95));
  EXPECT_EQ(entry(12), pf::Color::hsb(240.0 / 360.0, 0.7, 0.95));
  const std::vector<ColorCase> cases{
      {0, false, 0, 0, 0},   {4.5, false, 1, 1, 0},  {4.5, true, 1, 2, 0.5},
      {-1, false, 2, 2, 0},  {2.25, true, 2, 0, 0.25}, {3, true, 0, 0, 0},
  };
  for (const ColorCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << (c.interpolate ? " interpolated" : ""));
    node->boolParameterNamed("Interpolate")->setValue(c.interpolate);
    node->parameterNamed<MVParameterValue>("Index")->setValue(c.index);
    EXPECT_EQ(output(), entry(c.first).blended(c.fraction, entry(c.second)));
  }
}

TEST_F(ColorListNodeTest, RandomModeDrawsPerRequestAndRepeatsPerGeneration)
{
  node->indexParameterNamed("Index Mode")->setIndex(NodeListIndex::kRandom);
  node->indexParameterNamed("Number of colors")->setIndex(18);  // 20 colours
  const auto drawAll = [this] {
    node->initRandomSeed();
    std::vector<pf::Color> colors;
    for (int i = 0; i < 40; ++i) {
      node->updateOutputParameters();
      colors.push_back(output());
    }
    return colors;
  };
  const std::vector<pf::Color> first = drawAll();
  std::set<double> hues;
  for (const pf::Color& color : first) {
    hues.insert(color.hue());
  }
  EXPECT_GT(hues.size(), 5U);
  EXPECT_EQ(drawAll(), first);
}

TEST_F(ColorListNodeTest, AProposedColourBecomesTheFirstAndANumberIsRefused)
{
  node->setProposedValue(pf::Color::white());
  EXPECT_EQ(output(), pf::Color::white());
  node->setProposedValue(1.0);
  EXPECT_EQ(entry(0), pf::Color::white());
  EXPECT_EQ(log.countContaining("is not of the expected class"), 1);
}

TEST_F(ColorListNodeTest, OlderRecordsWithRandomChooseTheRandomMode)
{
  pf::PlistValue::Dictionary values;
  values.set("Random", pf::PlistValue(true));
  pf::PlistValue::Dictionary record;
  record.set("Parameter values", pf::PlistValue(values));
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_EQ(node->indexParameterNamed("Index Mode")->index(), NodeListIndex::kRandom);
}

}  // namespace
