#include "MorvNode/Nodes/Change/ChangeOpacityNode.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

using ChangeOpacityNodeTest = ChangeGraphTest;

TEST_F(ChangeOpacityNodeTest, SetsOrShiftsEachSide)
{
  struct Case {
    const char* what;
    long long mode;
    double set, change;
    double expected;
  };
  const std::vector<Case> cases = {
      {"set", ChangeOpacityNode::kSetOpacity, 0.25, 0.5, 0.25},
      {"a zero shift leaves the opacity", ChangeOpacityNode::kAdjustOpacity, 0.25, 0, 0.8},
      {"a shift is not clamped", ChangeOpacityNode::kAdjustOpacity, 0.25, 0.5, 1.3},
      {"a set value is held to 0..1", ChangeOpacityNode::kSetOpacity, 1.5, 0, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* node = add<ChangeOpacityNode>("ChangeOpacityNode");
    std::shared_ptr<MVElement> element = leaf(0);
    element->setFillOpacity(0.8);
    element->setStrokeOpacity(0.8);
    feed(node, element);
    for (MVParameterIndex* mode : {node->fillModeParameter(), node->strokeModeParameter()}) {
      mode->setEnabled(true);
      mode->setIndex(c.mode);
    }
    node->fillOpacityParameter()->setValue(c.set);
    node->fillOpacityChangeParameter()->setValue(c.change);
    node->strokeOpacityParameter()->setValue(c.set);
    node->strokeOpacityChangeParameter()->setValue(c.change);
    const std::shared_ptr<const MVElement> output = pull(node);
    EXPECT_NEAR(output->fillOpacity(), c.expected, 1e-12);
    EXPECT_NEAR(output->strokeOpacity(), c.expected, 1e-12);
  }
}

TEST_F(ChangeOpacityNodeTest, SwitchedOffRowsKeepTheElementsOwnSettings)
{
  auto* node = add<ChangeOpacityNode>("ChangeOpacityNode");
  node->fillModeParameter()->setEnabled(false);
  node->blendModeParameter()->setIndex(3);
  std::shared_ptr<MVElement> element = leaf(0);
  element->setBlendMode(2);
  element->setFillOpacity(0.4);
  feed(node, element);
  std::shared_ptr<const MVElement> output = pull(node);
  EXPECT_EQ(output->blendMode(), 2);
  EXPECT_EQ(output->fillOpacity(), 0.4);

  node->blendModeParameter()->setEnabled(true);
  EXPECT_EQ(pull(node)->blendMode(), 3);
}

TEST_F(ChangeOpacityNodeTest, RowsAndOlderGenerationFlags)
{
  defaults->setBool("Enable new change node defaults", true);
  auto* node = add<ChangeOpacityNode>("ChangeOpacityNode");
  EXPECT_EQ(node->changeMode(), ChangeNode::kGroup);
  node->updateLinkedParameters();
  EXPECT_FALSE(node->fillOpacityParameter()->layoutHidden());
  EXPECT_TRUE(node->fillOpacityChangeParameter()->layoutHidden());
  EXPECT_TRUE(node->strokeOpacityParameter()->layoutHidden());  // stroke switched off

  pf::PlistValue::Dictionary values;
  values.set("Change fill opacity", pf::PlistValue(false));
  values.set("Change blend mode", pf::PlistValue(true));
  pf::PlistValue::Dictionary record;
  record.set("Parameter values", pf::PlistValue(values));
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_FALSE(node->fillModeParameter()->enabled());
  EXPECT_TRUE(node->blendModeParameter()->enabled());
}

}  // namespace
