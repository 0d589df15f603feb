#include "MorvNode/Controller/MVControllerAnimation.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/ControllerTestSupport.h"
#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

namespace {

// "TestAnimatedNode": "Amount" (a plain value, 3), "Offset" (an unlocked two-axis value, 4 and
// 5), "Scale" (a locked two-axis value), "Computed" (a value its node computes) and a heading.
class TestAnimatedNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass nodeClass = [] {
      MVNodeClass info;
      info.className = "TestAnimatedNode";
      info.displayName = "Animated";
      info.iconName = "node_icon_value.png";
      info.create = [] { return std::make_unique<TestAnimatedNode>(); };
      return info;
    }();
    return nodeClass;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    auto amount = MVParameterValue::parameterWithName("Amount");
    amount->setValue(3.0);
    addParameter(std::move(amount));
    auto offset = MVParameterValue2D::parameterWithName("Offset");
    offset->setPositionPresets();
    offset->setValueX(4.0, 5.0);
    addParameter(std::move(offset));
    auto scale = MVParameterValue2D::parameterWithName("Scale");
    scale->setScalePresets();
    addParameter(std::move(scale));
    auto computed = MVParameterValue::parameterWithName("Computed");
    computed->setValueSource(this);
    addParameter(std::move(computed));
    addParameter(MVParameter::parameterWithName("Heading"));
  }
};

// "TestFixedNode": a value its node computes and a heading, nothing to animate.
class TestFixedNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass nodeClass = [] {
      MVNodeClass info;
      info.className = "TestFixedNode";
      info.create = [] { return std::make_unique<TestFixedNode>(); };
      return info;
    }();
    return nodeClass;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    auto computed = MVParameterValue::parameterWithName("Computed");
    computed->setValueSource(this);
    addParameter(std::move(computed));
    addParameter(MVParameter::parameterWithName("Heading"));
  }
};

// A controller with a real animation manager on the manual run loop.
class ControllerAnimationTest : public ControllerTest {
protected:
  ControllerAnimationTest()
  {
    MVClassRegistry::shared().registerNodeClass(TestAnimatedNode::nodeClassInfo());
    MVClassRegistry::shared().registerNodeClass(TestFixedNode::nodeClassInfo());
    manager.setUndoManager(&document.undo);
    controller.setAnimationManager(&manager);
    node = add("TestAnimatedNode");
  }
  ~ControllerAnimationTest() override
  {
    document.undo.removeAllActions();
    controller.setAnimationManager(nullptr);
  }

  std::vector<std::string> titles(const MVMenu& menu) const
  {
    std::vector<std::string> result;
    for (const MVMenuItem& item : menu.items) {
      result.push_back(item.title);
    }
    return result;
  }
  MVParameterValue2D* offset() const { return node->parameterNamed<MVParameterValue2D>("Offset"); }

  ODAnimationManager manager;
  MVNode* node = nullptr;
};

TEST_F(ControllerAnimationTest, TheAddMenuOffersEveryAnimatableProperty)
{
  EXPECT_EQ(controller.animation().animationAddAnimationMenuForNode(add("TestFixedNode")), nullptr);
  const std::unique_ptr<MVMenu> menu = controller.animation().menuForButton();
  EXPECT_EQ(menu->title, "Add animation");
  ASSERT_EQ(menu->items.size(), 1u);
  const MVMenuItem& nodeItem = menu->items[0];
  EXPECT_EQ(nodeItem.title, node->displayName());
  EXPECT_EQ(nodeItem.iconName, "node_icon_value.png");
  EXPECT_FALSE(nodeItem.action);
  ASSERT_NE(nodeItem.submenu, nullptr);
  EXPECT_FALSE(nodeItem.submenu->autoenablesItems);

  MVParameter* scale = node->parameterNamed("Scale");
  const std::string x = offset()->animatorDisplayNameWithProperty("x");
  const std::string y = offset()->animatorDisplayNameWithProperty("y");
  // The locked scale has no combined item.
  EXPECT_EQ(titles(*nodeItem.submenu),
            (std::vector<std::string>{"Amount", x, y, x + " and " + y, scale->animatorDisplayNameWithProperty("x"),
                                      scale->animatorDisplayNameWithProperty("y")}));
  const MVMenuItem& combined = nodeItem.submenu->items[3];
  EXPECT_EQ(combined.toolTip, "Add an animation track for " + x + " and " + y);
  EXPECT_EQ(combined.representedObject,
            (pf::PlistValue::Dictionary{{"persistentIdentifier", pf::PlistValue(offset()->persistentIdentifier())},
                                        {"propertyName", pf::PlistValue("xy")}}));
  EXPECT_EQ(controller.animation().animationAddAnimationMenuForNode(nullptr), nullptr);
}

TEST_F(ControllerAnimationTest, TheCombinedItemAddsBothAxesWithTheirCurrentValuesAtTheCurrentTime)
{
  manager.setCurrentTime(1.5);
  std::unique_ptr<MVMenu> menu = controller.animation().animationAddAnimationMenuForNode(node);
  menu->items[3].action();

  for (const auto& [property, value] : {std::pair{"x", 4.0}, std::pair{"y", 5.0}}) {
    SCOPED_TRACE(property);
    ODAnimator* animator = manager.animatorForTarget(offset(), property);
    ASSERT_NE(animator, nullptr);
    ASSERT_EQ(animator->keyFrames().size(), 1u);
    EXPECT_EQ(animator->keyFrames()[0]->timeSeconds(), 1.5);
    EXPECT_EQ(animator->keyFrames()[0]->doubleValue(), value);
  }
  EXPECT_TRUE(offset()->animatedX());
  EXPECT_TRUE(offset()->animatedY());
}

TEST_F(ControllerAnimationTest, AnAnimatedAxisIsDisabledButTheCombinedItemStillAddsTheOther)
{
  controller.animation().animationMenuAddAnimation(
      {{"persistentIdentifier", pf::PlistValue(offset()->persistentIdentifier())}, {"propertyName", pf::PlistValue("x")}});
  std::unique_ptr<MVMenu> menu = controller.animation().animationAddAnimationMenuForNode(node);
  const MVMenuItem& xItem = menu->items[1];
  EXPECT_FALSE(xItem.enabled);
  EXPECT_EQ(xItem.toolTip, "This property is already animated");
  EXPECT_TRUE(xItem.representedObject.empty());
  ASSERT_EQ(menu->items[3].representedObject.find("propertyName")->stringOr(), "xy");

  menu->items[3].action();
  EXPECT_EQ(log.count("Error: animationMenuAddAnimation: animator already exists for " + offset()->description() +
                      " : x"),
            1);
  EXPECT_NE(manager.animatorForTarget(offset(), "y"), nullptr);
  EXPECT_EQ(manager.animators().size(), 2u);
}

TEST_F(ControllerAnimationTest, AStaleOrIncompleteMenuItemChangesNothing)
{
  std::unique_ptr<MVMenu> menu = controller.animation().animationAddAnimationMenuForNode(node);
  controller.removeNode(node);
  menu->items[0].action();
  controller.animation().animationMenuAddAnimation({{"propertyName", pf::PlistValue("value")}});
  EXPECT_TRUE(manager.animators().empty());
  EXPECT_EQ(log.countContaining("Error: animationMenuAddAnimation: could not get parameter for persistentIdentifier"), 1);
  EXPECT_EQ(log.countContaining("is missing persistentIdentifier or propertyName"), 1);
}

TEST_F(ControllerAnimationTest, ClickingATimelineRowSelectsTheParameterNode)
{
  MVNode* other = add("TestAnimatedNode");
  controller.selectNode(other, false, false, true);
  ODAnimator* animator = manager.addAnimatorForTarget(node->parameterNamed("Amount"), "value");
  manager.animatorParameterClicked(animator);
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{node});
  manager.animatorParameterClicked(animator);
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{node});
  EXPECT_TRUE(animator->selected());
}

TEST_F(ControllerAnimationTest, PlaybackStepsTheTimeAndEachTickRegeneratesOnce)
{
  TestArtboardNode* board = add<TestArtboardNode>("ArtboardNode");
  ASSERT_NE(connect(node, "Amount", board, "Background Opacity"), nullptr);
  auto* amount = node->parameterNamed<MVParameterValue>("Amount");
  ODAnimator* animator = manager.addAnimatorForTarget(amount, "value");
  animator->addKeyframeWithValue(0.0, 0.0);
  animator->addKeyframeWithValue(10.0, 1.0);
  runTimer();
  const int parameterRecords = document.count("parameter");
  manager.setFramerate(10.0);
  manager.play();

  // Each tick sets the value; the change asks for one regeneration 0.005 s later.
  for (int frame = 1; frame <= 3; ++frame) {
    SCOPED_TRACE(frame);
    runLoop.advance(frame == 1 ? 0.1 : 0.1 - MVNodeController::kRegenerationDelay);
    EXPECT_NEAR(manager.currentTime(), frame * 0.1, 1e-9);
    EXPECT_NEAR(amount->value(), frame * 1.0, 1e-9);
    const long long cycle = controller.currentGenerationCycleID();
    EXPECT_EQ(runTimer(), 1);
    EXPECT_EQ(controller.currentGenerationCycleID(), cycle + 1);
  }
  manager.pause();
  // The animated values are not undo steps.
  EXPECT_EQ(document.count("parameter"), parameterRecords);
}

TEST_F(ControllerAnimationTest, EditingAnAnimatedValueKeysItAtTheCurrentTime)
{
  auto* amount = node->parameterNamed<MVParameterValue>("Amount");
  ODAnimator* animator = manager.addAnimatorForTarget(amount, "value");
  animator->addKeyframeWithValue(1.0, 0.0);
  amount->setValue(6.0);
  EXPECT_EQ(animator->keyFrames().size(), 1u);
  EXPECT_EQ(animator->keyFrameAtTime(0.0)->doubleValue(), 6.0);

  manager.setCurrentTime(2.0);
  amount->setValue(8.0);
  ASSERT_NE(animator->keyFrameAtTime(2.0), nullptr);
  EXPECT_EQ(animator->keyFrameAtTime(2.0)->doubleValue(), 8.0);
}

TEST_F(ControllerAnimationTest, RemovingANodeRemovesTheAnimatorsOfItsParameters)
{
  manager.addAnimatorForTarget(offset(), "x");
  manager.addAnimatorForTarget(offset(), "y");
  manager.addAnimatorForTarget(node->parameterNamed("Amount"), "value");
  MVNode* other = add("TestAnimatedNode");
  ODAnimator* kept = manager.addAnimatorForTarget(other->parameterNamed("Amount"), "value");
  controller.removeNode(node);
  ASSERT_EQ(manager.animators().size(), 1u);
  EXPECT_EQ(manager.animators()[0].get(), kept);
}

}  // namespace
