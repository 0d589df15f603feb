#include "MorvNode/Nodes/Change/ChangeColorNode.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

const std::string kNoFill = "Adjusting the fill color will have no effect as the elements don't have a fill color";
const std::string kTransparentFill =
    "The fill color change on these elements will not be visible as the element has no fill opacity";

class ChangeColorNodeTest : public ChangeGraphTest {
protected:
  ChangeColorNode* color() { return add<ChangeColorNode>("ChangeColorNode"); }
  // A row of two leaves with the given fill and stroke.
  static std::shared_ptr<MVElementGroup> styled(std::optional<pf::Color> fill, std::optional<pf::Color> stroke)
  {
    std::shared_ptr<MVElementGroup> group = row(2);
    group->setFillColor(fill);
    group->setStrokeColor(stroke);
    return group;
  }
  static const MVElement& member(const std::shared_ptr<const MVElement>& output, std::size_t k)
  {
    return *dynamic_cast<const MVElementGroup&>(*output).elementArray().at(k);
  }
  bool warns(MVNode* node, const std::string& message)
  {
    node->checkWarnings();
    const auto& messages = node->warningMessages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
  }
};

void expectColor(const std::optional<pf::Color>& actual, const pf::Color& expected)
{
  ASSERT_TRUE(actual.has_value());
  EXPECT_NEAR(actual->red(), expected.red(), 1e-9);
  EXPECT_NEAR(actual->green(), expected.green(), 1e-9);
  EXPECT_NEAR(actual->blue(), expected.blue(), 1e-9);
  EXPECT_NEAR(actual->alpha(), expected.alpha(), 1e-9);
}

TEST_F(ChangeColorNodeTest, NewNodeBrightensEachFillAndLeavesTheStroke)
{
  ChangeColorNode* node = color();
  EXPECT_EQ(node->changeMode(), ChangeNode::kEach);
  const pf::Color fill = pf::Color::hsb(0.5, 0.5, 0.5);
  const pf::Color stroke = pf::Color::rgb(0.1, 0.2, 0.3);
  auto input = styled(fill, stroke);
  feed(node, input);
  const std::shared_ptr<const MVElement> output = pull(node);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_NEAR(member(output, k).fillColor()->brightness(), 0.7, 1e-9);
    EXPECT_EQ(member(output, k).strokeColor(), stroke);
  }
  EXPECT_EQ(input->fillColor(), fill);  // the input is not changed

  defaults->setBool("Enable new change node defaults", false);
  EXPECT_FALSE(color()->fillModeParameter()->enabled());
}

TEST_F(ChangeColorNodeTest, SetColorMixesPerSide)
{
  const pf::Color old = pf::Color::rgb(0, 0, 1, 1);
  const pf::Color blue = pf::Color::rgb(0, 0, 1);
  struct Case {
    const char* what;
    bool mixOn;
    double mix;
    std::optional<pf::Color> current;
    pf::Color expected;
  };
  const std::vector<Case> cases = {
      {"mix off sets the whole colour", false, 0.0, old, pf::Color::rgb(1, 0, 0)},
      {"half mix", true, 0.5, old, pf::Color::rgb(0.5, 0, 0.5)},
      {"quarter mix", true, 0.25, old, pf::Color::rgb(0.25, 0, 0.75)},
      {"mix 0 keeps the colour", true, 0.0, old, blue},
      {"mix 0 without a colour sets it whole", true, 0.0, std::nullopt, pf::Color::rgb(1, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChangeColorNode* node = color();
    feed(node, styled(c.current, c.current));
    for (MVParameterIndex* mode : {node->fillModeParameter(), node->strokeModeParameter()}) {
      mode->setEnabled(true);
      mode->setIndex(0);
    }
    // The fill keeps its mix off throughout: it always takes the whole colour.
    node->strokeMixParameter()->setEnabled(c.mixOn);
    node->strokeMixParameter()->setValue(c.mix);
    node->fillMixParameter()->setValue(0.0);
    const std::shared_ptr<const MVElement> output = pull(node);
    expectColor(member(output, 1).strokeColor(), c.expected);
    expectColor(member(output, 1).fillColor(), pf::Color::rgb(1, 0, 0));
  }
}

TEST_F(ChangeColorNodeTest, AdjustShiftsWrapTheHueAndMakeTheColourOpaque)
{
  struct Case {
    const char* what;
    double hue, dh, ds, db;
    double expectedHue;
    double expectedAlpha;
  };
  const std::vector<Case> cases = {
      {"zero shifts leave the colour and its alpha", 0.4, 0, 0, 0, 0.4, 0.5},
      {"forward over the end", 0.9, 0.3, 0, 0, 0.2, 1},
      {"back over the start", 0.1, -0.3, 0, 0, 0.8, 1},
      {"a saturation shift alone", 0.4, 0, -0.1, 0, 0.4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChangeColorNode* node = color();
    feed(node, styled(pf::Color::hsb(c.hue, 0.8, 0.8, 0.5), std::nullopt));
    node->fillHueParameter()->setValue(c.dh);
    node->fillSaturationParameter()->setValue(c.ds);
    node->fillBrightnessParameter()->setValue(c.db);
    const std::optional<pf::Color> fill = member(pull(node), 0).fillColor();
    ASSERT_TRUE(fill);
    EXPECT_NEAR(fill->hue(), c.expectedHue, 1e-6);
    EXPECT_NEAR(fill->saturation(), 0.8 + c.ds, 1e-6);
    EXPECT_EQ(fill->alpha(), c.expectedAlpha);
  }
}

TEST_F(ChangeColorNodeTest, WarningsFollowTheLastPass)
{
  ChangeColorNode* node = color();
  connectToLayer(node);
  FixedGraphicsNode* source = feed(node, styled(std::nullopt, std::nullopt));
  pull(node);
  EXPECT_TRUE(warns(node, kNoFill));

  // One member with a fill colour clears it.
  auto mixed = styled(std::nullopt, std::nullopt);
  auto coloured = leaf(9);
  coloured->setFillColor(pf::Color::rgb(1, 1, 0));
  mixed->addElement(coloured);
  source->setElement(mixed);
  pull(node);
  EXPECT_FALSE(warns(node, kNoFill));

  // A set colour on a member without fill opacity: the last member set decides.
  auto hidden = styled(pf::Color::rgb(1, 1, 0), std::nullopt);
  hidden->setFillOpacity(0);
  source->setElement(hidden);
  node->fillModeParameter()->setIndex(0);
  pull(node);
  EXPECT_TRUE(warns(node, kTransparentFill));
  // The flag does not outlive a pass that sets no colour.
  node->fillModeParameter()->setEnabled(false);
  pull(node);
  EXPECT_FALSE(warns(node, kTransparentFill));
}

TEST_F(ChangeColorNodeTest, RowsFollowTheModes)
{
  ChangeColorNode* node = color();
  node->updateLinkedParameters();
  EXPECT_TRUE(node->fillColorParameter()->layoutHidden());
  EXPECT_FALSE(node->fillHueParameter()->layoutHidden());
  EXPECT_TRUE(node->strokeHueParameter()->layoutHidden());  // stroke switched off
  EXPECT_TRUE(node->strokeColorParameter()->layoutHidden());
  node->fillModeParameter()->setIndex(0);
  node->updateLinkedParameters();
  EXPECT_FALSE(node->fillColorParameter()->layoutHidden());
  EXPECT_FALSE(node->fillMixParameter()->layoutHidden());
  EXPECT_TRUE(node->fillBrightnessParameter()->layoutHidden());
}

TEST_F(ChangeColorNodeTest, OlderGenerationFlagsSwitchTheSides)
{
  ChangeColorNode* node = color();
  pf::PlistValue::Dictionary values;
  values.set("Apply fill color", pf::PlistValue(false));
  values.set("Apply stroke color", pf::PlistValue(true));
  pf::PlistValue::Dictionary record;
  record.set("Parameter values", pf::PlistValue(values));
  EXPECT_TRUE(node->loadLegacyMV2NodeDictionary(record));
  EXPECT_FALSE(node->fillModeParameter()->enabled());
  EXPECT_TRUE(node->strokeModeParameter()->enabled());
}

}  // namespace
