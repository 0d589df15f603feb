#include "MorvNode/Nodes/Colors/ColorAdjustmentNode.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Colors/ColorNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

struct AdjustCase {
  pf::Color::Hsb input;
  double hue;
  double saturation;
  double brightness;
  pf::Color::Hsb result;
};

TEST(ColorAdjustmentTest, ShiftsWithOneHueWrapEachWayAndPinsTheRest)
{
  const std::vector<AdjustCase> cases{
      {{0.9, 0.5, 0.5}, 0.3, 0, 0, {0.2, 0.5, 0.5}},
      {{0.1, 0.5, 0.5}, -0.3, 0, 0, {0.8, 0.5, 0.5}},
      {{0.5, 0.5, 0.5}, 0, 0.2, 0.2, {0.5, 0.7, 0.7}},
  };
  for (const AdjustCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.input.hue << " shifted " << c.hue << ", " << c.saturation << ", "
                                    << c.brightness);
    const pf::Color::Hsb result =
        ColorAdjustmentNode::adjusted(pf::Color::hsb(c.input.hue, c.input.saturation, c.input.brightness), c.hue,
                                      c.saturation, c.brightness)
            .hsb();
    EXPECT_NEAR(result.hue, c.result.hue, 1e-9);
    EXPECT_NEAR(result.saturation, c.result.saturation, 1e-9);
    EXPECT_NEAR(result.brightness, c.result.brightness, 1e-9);
  }
  // A brightness of -0.1 is pinned to 0 by the colour: black.
  EXPECT_EQ(ColorAdjustmentNode::adjusted(pf::Color::hsb(0.5, 0.5, 0.1), 0, 0, -0.2), pf::Color::black());
  // No shift keeps the input, alpha included; a shift makes it opaque.
  const pf::Color translucent = pf::Color::rgb(1, 0, 0, 0.5);
  EXPECT_EQ(ColorAdjustmentNode::adjusted(translucent, 0, 0, 0), translucent);
  EXPECT_EQ(ColorAdjustmentNode::adjusted(translucent, 0.5, 0, 0).alpha(), 1.0);
}

class ColorAdjustmentNodeTest : public NodeGraphTest {};

TEST_F(ColorAdjustmentNodeTest, AdjustsAConnectedColourAndPassesItThroughOtherwise)
{
  auto* adjustment = add<ColorAdjustmentNode>("ColorAdjustmentNode");
  MVParameterColor& output = *adjustment->colorParameterNamed("Color");
  const std::string warning = "No input color is connected, so there's no color to be adjusted for the output.";
  const auto warns = [&] {
    adjustment->checkWarnings();
    const auto& messages = adjustment->warningMessages();
    return std::find(messages.begin(), messages.end(), warning) != messages.end();
  };
  EXPECT_TRUE(adjustment->parameterNamed("Brightness")->enabled());  // "Enable new change node defaults"
  EXPECT_FALSE(adjustment->parameterNamed("Hue")->enabled());
  // Nothing connected: the stored colour unchanged, and a warning.
  EXPECT_EQ(output.color(), pf::Color::rgb(1, 0, 0));
  EXPECT_TRUE(warns());

  auto* source = add<ColorNode>("ColorNode");
  source->colorParameter().setColor(pf::Color::hsb(0.5, 0.5, 0.5));
  controller().addConnectionFromSocket(source->colorParameter().outputSocket(), output.inputSocket());
  EXPECT_FALSE(warns());
  EXPECT_NEAR(output.color().brightness(), 0.3, 1e-9);

  adjustment->setEnabled(false);
  output.inputChanged();
  EXPECT_EQ(output.color(), pf::Color::hsb(0.5, 0.5, 0.5));
}

TEST_F(ColorAdjustmentNodeTest, OlderRecordsSwitchOnTheNonZeroAdjustments)
{
  auto* adjustment = add<ColorAdjustmentNode>("ColorAdjustmentNode");
  adjustment->parameterNamed<MVParameterValue>("Saturation")->setValue(0.0);
  adjustment->loadLegacyMV2NodeDictionary({});
  EXPECT_TRUE(adjustment->parameterNamed("Hue")->enabled());
  EXPECT_FALSE(adjustment->parameterNamed("Saturation")->enabled());
  EXPECT_TRUE(adjustment->parameterNamed("Brightness")->enabled());
}

}  // namespace
