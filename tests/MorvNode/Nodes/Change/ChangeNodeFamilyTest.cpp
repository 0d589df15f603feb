// What every change and group node shares: records, repeatable output, missing input.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/Change/ChangeTestSupport.h"

namespace {

const std::vector<std::string> kClassNames = {"ChangeNode",         "GroupMergeNode",     "GroupSelectNode",
                                              "ChangeTransformNode", "ChangePivotNode",    "GroupRandomizeNode",
                                              "GroupRandomizeColorNode", "ChangeAlignNode",  "GroupDistributeNode",
                                              "GroupPackNode",      "GroupArrangeNode",   "GroupExplodeNode",
                                              "ChangeClipNode",     "ChangeReplaceNode",  "ChangeColorNode",
                                              "ChangeOpacityNode",  "ChangeStrokeNode",   "GroupApplyFunctionNode",
                                              "GroupApplyElementNode"};

class ChangeNodeFamilyTest : public ChangeGraphTest {
protected:
  // Every member's name, position, stack and fill, as text.
  static std::string signature(const MVElement* element)
  {
    std::ostringstream text;
    if (element == nullptr) {
      return "nothing";
    }
    text << element->elementName().value_or("?") << "@" << element->positionX() << "," << element->positionY();
    for (const MVTransformEntry& entry : element->transformStack().value_or(MVTransformStack{})) {
      text << " " << static_cast<int>(entry.kind) << ":" << entry.a << ":" << entry.b;
    }
    if (const auto fill = element->fillColor()) {
      text << " fill " << fill->red() << "/" << fill->green() << "/" << fill->blue();
    }
    if (const auto* group = dynamic_cast<const MVElementGroup*>(element)) {
      text << " [";
      for (const auto& member : group->elementArray()) {
        text << signature(member.get()) << "; ";
      }
      text << "]";
    }
    return text.str();
  }
  // Every choice to its last entry and every switchable row switched: a record unlike the
  // defaults.
  static void changeEverything(MVNode* node)
  {
    for (const auto& parameter : node->parameters()) {
      if (auto* index = dynamic_cast<MVParameterIndex*>(parameter.get()); index != nullptr && !index->indexNames().empty()) {
        index->setIndex(static_cast<long long>(index->indexNames().size()) - 1);
      } else if (auto* toggle = dynamic_cast<MVParameterBool*>(parameter.get())) {
        toggle->setValue(!toggle->value());
      }
      if (parameter->layoutHasEnableToggle()) {
        parameter->setEnabled(!parameter->enabled());
      }
    }
  }
};

TEST_F(ChangeNodeFamilyTest, RecordsRoundTrip)
{
  for (const std::string& className : kClassNames) {
    SCOPED_TRACE(className);
    MVNode* node = add(className);
    ASSERT_NE(node, nullptr);
    changeEverything(node);
    const pf::PlistValue::Dictionary record = node->descriptionDictionary();
    MVNode* loaded = add(className);
    loaded->loadNodeDictionary(record);
    EXPECT_EQ(loaded->descriptionDictionary(), record);
  }
}

TEST_F(ChangeNodeFamilyTest, RegeneratesIdenticallyTwice)
{
  auto input = row(6);
  input->setFillColor(pf::Color::rgb(0.2, 0.4, 0.6));
  input->rotate(10);
  for (const std::string& className : kClassNames) {
    SCOPED_TRACE(className);
    MVNode* node = add(className);
    feed(node, input);
    for (const bool changed : {false, true}) {
      if (changed) {
        changeEverything(node);
      }
      node->initRandomSeed();
      const std::string first = signature(pull(node).get());
      node->initRandomSeed();
      EXPECT_EQ(signature(pull(node).get()), first);
    }
    EXPECT_EQ(input->count(), 6);
  }
}

TEST_F(ChangeNodeFamilyTest, MissingInputGivesNothingAndAWarning)
{
  for (const std::string& className : kClassNames) {
    SCOPED_TRACE(className);
    MVNode* node = add(className);
    connectToLayer(node);
    EXPECT_EQ(pull(node), nullptr);
    node->checkWarnings();
    EXPECT_EQ(node->warningMessages().front(),
              "This node has no Graphics input connected, so no graphics will be output. Drag to add input graphic "
              "to the blue graphics input socket.");
    // An empty group: nothing to change, no crash; the select node has nothing to split.
    feed(node, std::make_shared<MVElementGroup>());
    const std::shared_ptr<const MVElement> output = pull(node);
    if (className == "GroupSelectNode") {
      EXPECT_EQ(output, nullptr);
    } else {
      ASSERT_NE(output, nullptr);
      EXPECT_EQ(output->numberOfElements(), 0);
    }
  }
}

}  // namespace

namespace {

TEST_F(ChangeNodeFamilyTest, OlderHeadingRowsAreDroppedAndOtherNamesReachTheBase)
{
  struct Case {
    const char* className;
    const char* heading;
  };
  for (const Case& c : {Case{"ChangeAlignNode", "Horizontal heading"}, Case{"ChangeAlignNode", "Vertical heading"},
                        Case{"GroupDistributeNode", "Vertical heading"}, Case{"GroupPackNode", "Packing heading"},
                        Case{"GroupArrangeNode", "Order mode header"},
                        Case{"GroupArrangeNode", "Selection order header"}, Case{"GroupExplodeNode", "Falloff header"}}) {
    SCOPED_TRACE(std::string(c.className) + " " + c.heading);
    MVNode* node = add(c.className);
    EXPECT_EQ(node->legacyMV2ParameterNameTranslation(c.heading), std::nullopt);
    EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Has Offset"), "Offset[ENABLE]");
    EXPECT_EQ(node->legacyMV2ParameterNameTranslation("Margin"), "Margin");
  }
}

}  // namespace

namespace {

TEST_F(ChangeNodeFamilyTest, SegmentRowsKeepTheirNoChoiceThroughARecord)
{
  struct Case {
    const char* className;
    const char* row;
  };
  for (const Case& c : {Case{"ChangeAlignNode", "Horizontal alignment"}, Case{"ChangeAlignNode", "Vertical alignment"},
                        Case{"GroupDistributeNode", "Horizontal distribution"}, Case{"GroupPackNode", "Packing type"}}) {
    SCOPED_TRACE(std::string(c.className) + " " + c.row);
    MVNode* node = add(c.className);
    auto* index = dynamic_cast<MVParameterIndex*>(node->parameterNamed(c.row));
    ASSERT_NE(index, nullptr);
    index->setIndex(1);
    index->setIndex(-1);
    EXPECT_EQ(index->index(), -1);
    MVNode* loaded = add(c.className);
    dynamic_cast<MVParameterIndex*>(loaded->parameterNamed(c.row))->setIndex(1);
    loaded->loadNodeDictionary(node->descriptionDictionary());
    EXPECT_EQ(dynamic_cast<MVParameterIndex*>(loaded->parameterNamed(c.row))->index(), -1);
  }
}

}  // namespace
