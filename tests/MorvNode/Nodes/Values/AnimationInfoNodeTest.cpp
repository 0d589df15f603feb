#include "MorvNode/Nodes/Values/AnimationInfoNode.h"

#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "Shared/ODAnimation/ODAnimationManager.h"

namespace {

class AnimationInfoNodeTest : public NodeGraphTest {
protected:
  AnimationInfoNodeTest() { node = add<AnimationInfoNode>("AnimationInfoNode"); }

  double read(const char* name) { return node->parameterNamed<MVParameterValue>(name)->value(); }

  AnimationInfoNode* node = nullptr;
};

struct FrameCase {
  double time;
  double framerate;
  double frame;
};

TEST_F(AnimationInfoNodeTest, FrameCountsWholeFramesAndForgivesRoundingJustBelowOne)
{
  ODAnimationManager& manager = document.animationManager();
  manager.setDuration(10.0);
  const std::vector<FrameCase> cases{
      {2.5, 30.0, 75.0}, {2.49, 30.0, 74.0}, {4.35, 20.0, 87.0}, {0.0, 30.0, 0.0}, {10.0, 120.0, 1200.0},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.time);
    manager.setFramerate(c.framerate);
    manager.setCurrentTime(c.time, true);
    EXPECT_EQ(read("Frame"), c.frame);
    EXPECT_EQ(read("Time"), c.time);
    EXPECT_EQ(read("FPS"), c.framerate);  // no upper limit
    EXPECT_EQ(read("Duration"), 10.0);
  }
}

TEST_F(AnimationInfoNodeTest, SettingsEditedInThePanelShowAtTheNextRefresh)
{
  ODAnimationManager& manager = document.animationManager();
  EXPECT_EQ(read("Duration"), 5.0);
  manager.animationDurationChanged("8");
  manager.animationFramerateChanged("24");
  EXPECT_EQ(read("Duration"), 8.0);
  EXPECT_EQ(read("FPS"), 24.0);
}

TEST_F(AnimationInfoNodeTest, WithoutAnAnimationEveryReadingIsZeroWithinTheLimits)
{
  controller().setAnimationManager(nullptr);
  node->updateDependentParameters();
  EXPECT_EQ(read("Time"), 0.0);
  EXPECT_EQ(read("Frame"), 0.0);
  EXPECT_EQ(read("Duration"), 0.0);
  EXPECT_EQ(read("FPS"), 0.01);
  controller().setAnimationManager(&document.animationManager());
}

}  // namespace
