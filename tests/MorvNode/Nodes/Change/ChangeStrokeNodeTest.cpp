#include "MorvNode/Nodes/Change/ChangeStrokeNode.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

class ChangeStrokeNodeTest : public ChangeGraphTest {
protected:
  ChangeStrokeNode* stroke() { return add<ChangeStrokeNode>("ChangeStrokeNode"); }
  static std::shared_ptr<MVElement> stroked()
  {
    std::shared_ptr<MVElement> element = leaf(0);
    element->setStrokeWidth(2);
    element->setStrokeColor(pf::Color::rgb(0, 1, 0));
    element->setStrokeEndCap(2);
    element->setStrokeJoints(1);
    return element;
  }
};

TEST_F(ChangeStrokeNodeTest, WidthIsSetOrShifted)
{
  struct Case {
    const char* what;
    long long mode;
    double width, change;
    double expected;
  };
  const std::vector<Case> cases = {
      {"set", ChangeStrokeNode::kSetWidth, 5, 0, 5},
      {"set is not below 0", ChangeStrokeNode::kSetWidth, -4, 0, 0},
      {"a shift may go below 0", ChangeStrokeNode::kAdjustWidth, 5, -3, -1},
      {"a zero shift leaves the width", ChangeStrokeNode::kAdjustWidth, 5, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChangeStrokeNode* node = stroke();
    feed(node, stroked());
    node->widthModeParameter()->setIndex(c.mode);
    node->widthParameter()->setValue(c.width);
    node->widthChangeParameter()->setValue(c.change);
    EXPECT_EQ(pull(node)->strokeWidth(), c.expected);
  }
}

TEST_F(ChangeStrokeNodeTest, ColourCapsAndJointsOnlyWhenSwitchedOn)
{
  ChangeStrokeNode* node = stroke();
  feed(node, stroked());
  node->widthModeParameter()->setEnabled(false);
  node->endCapsParameter()->setIndex(1);
  node->jointsParameter()->setIndex(2);
  std::shared_ptr<const MVElement> output = pull(node);
  EXPECT_EQ(output->strokeWidth(), 2);
  EXPECT_EQ(output->strokeEndCap(), 2);
  EXPECT_EQ(output->strokeJoints(), 1);
  EXPECT_EQ(output->strokeColor(), pf::Color::rgb(0, 1, 0));

  node->colorParameter()->setEnabled(true);
  node->endCapsParameter()->setEnabled(true);
  node->jointsParameter()->setEnabled(true);
  output = pull(node);
  EXPECT_EQ(output->strokeEndCap(), 1);
  EXPECT_EQ(output->strokeJoints(), 2);
  EXPECT_EQ(output->strokeColor(), pf::Color::black());

  // Older records switch the rows by their old flags.
  pf::PlistValue::Dictionary values;
  values.set("Set stroke width", pf::PlistValue(true));
  values.set("Set stroke end caps", pf::PlistValue(false));
  pf::PlistValue::Dictionary record;
  record.set("Parameter values", pf::PlistValue(values));
  node->loadLegacyMV2NodeDictionary(record);
  EXPECT_TRUE(node->widthModeParameter()->enabled());
  EXPECT_FALSE(node->endCapsParameter()->enabled());
  node->updateLinkedParameters();
  EXPECT_FALSE(node->widthParameter()->layoutHidden());
  EXPECT_TRUE(node->widthChangeParameter()->layoutHidden());
}

}  // namespace
