#include "MorvNode/Nodes/Colors/ColorNode.h"

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class ColorNodeTest : public NodeGraphTest {
protected:
  ColorNodeTest() { node = add<ColorNode>("ColorNode"); }

  pf::Color output() { return node->colorParameter().color(); }
  MVParameterValue& component(const char* name) { return *node->parameterNamed<MVParameterValue>(name); }
  void numeric(long long model)
  {
    node->indexParameterNamed("Color model")->setEnabled(true);
    node->indexParameterNamed("Color model")->setIndex(model);
  }

  ColorNode* node = nullptr;
};

void expectNear(const pf::Color& a, const pf::Color& b)
{
  EXPECT_NEAR(a.red(), b.red(), 1e-12);
  EXPECT_NEAR(a.green(), b.green(), 1e-12);
  EXPECT_NEAR(a.blue(), b.blue(), 1e-12);
  EXPECT_NEAR(a.alpha(), b.alpha(), 1e-12);
}

TEST_F(ColorNodeTest, SwitchingModelsShowsTheNumbersOfTheColourBeingOutput)
{
  const pf::Color picked = pf::Color::rgb(0.2, 0.4, 0.6);
  node->colorParameter().setColor(picked);
  EXPECT_EQ(output(), picked);
  EXPECT_TRUE(component("Red").layoutHidden());

  for (const long long model : {ColorNode::kRgb, ColorNode::kHsb, ColorNode::kCmyk, ColorNode::kRgb}) {
    SCOPED_TRACE(model);
    numeric(model);
    expectNear(output(), picked);
    EXPECT_EQ(component("Red").layoutHidden(), model != ColorNode::kRgb);
    EXPECT_EQ(component("Cyan").layoutHidden(), model != ColorNode::kCmyk);
    EXPECT_EQ(component("Hue").layoutHidden(), model != ColorNode::kHsb);
  }
  EXPECT_NEAR(component("Green").value(), 0.4, 1e-12);
}

TEST_F(ColorNodeTest, EditedComponentsCarryOverToTheNextModel)
{
  numeric(ColorNode::kRgb);
  component("Red").setValue(0.0);
  component("Green").setValue(0.0);
  component("Blue").setValue(1.0);
  EXPECT_EQ(output(), pf::Color::rgb(0, 0, 1));
  numeric(ColorNode::kHsb);
  EXPECT_NEAR(component("Hue").value(), 240.0 / 360.0, 1e-12);
  EXPECT_EQ(component("Saturation").value(), 1.0);
  expectNear(output(), pf::Color::rgb(0, 0, 1));
  component("Brightness").setValue(0.5);
  numeric(ColorNode::kCmyk);
  EXPECT_EQ(component("Black").value(), 0.5);
  expectNear(output(), pf::Color::rgb(0, 0, 0.5));
}

TEST_F(ColorNodeTest, ComponentsAreLimitedAndANumberIsNotAColour)
{
  numeric(ColorNode::kRgb);
  component("Red").setValue(3.0);
  EXPECT_EQ(component("Red").value(), 1.0);
  const pf::Color before = output();
  node->setProposedValue(0.5);
  EXPECT_EQ(output(), before);
  EXPECT_EQ(log.countContaining("is not of the expected class"), 1);
}

}  // namespace
