#include "MorvNode/Nodes/Values/ValueTimeFunctionNode.h"

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

namespace {

class TimeFunctionNodeTest : public NodeGraphTest {
protected:
  TimeFunctionNodeTest() { node = add<ValueTimeFunctionNode>("ValueTimeFunctionNode"); }

  ODAnimationManager& manager() { return document.animationManager(); }
  MVParameterValueFunction& curve() { return *node->valueFunctionParameter(); }
  double output() { return node->valueParameter()->value(); }
  void setNumber(const char* name, double value) { node->parameterNamed<MVParameterValue>(name)->setValue(value); }

  ValueTimeFunctionNode* node = nullptr;
};

TEST_F(TimeFunctionNodeTest, OutputsTheCurveAtThePositionInTheAnimation)
{
  node->functionTypeParameter()->setIndex(3);  // Sin()
  setNumber("Max", 10.0);
  setNumber("Periods", 3.0);
  manager().setDuration(10.0);
  for (double time : {2.5, 0.0, 7.25, 10.0}) {
    SCOPED_TRACE(time);
    // Setting the time refreshes the node before the animators apply.
    manager().setCurrentTime(time);
    EXPECT_EQ(curve().functionType(), MVParameterValueFunction::kSine);
    EXPECT_EQ(curve().maxValue(), 10.0);
    EXPECT_EQ(curve().periods(), 3.0);
    EXPECT_DOUBLE_EQ(curve().layoutCurrentTime(), time / 10.0);
    EXPECT_DOUBLE_EQ(output(), curve().functionValueFor(time / 10.0));
  }
}

TEST_F(TimeFunctionNodeTest, EachFunctionEntryPicksItsCurveAndOnlyNoiseShowsTheNoiseRows)
{
  const std::vector<std::int64_t> types{0, 6, 8, 3, 4, 9, 10};
  for (long long index = 0; index < 7; ++index) {
    SCOPED_TRACE(index);
    node->functionTypeParameter()->setIndex(index);
    EXPECT_EQ(curve().functionType(), types[static_cast<std::size_t>(index)]);
    const bool noise = index >= 5;
    for (const char* row : {"Noise heading", "Noise point count", "Noise seamless", "Noise seed"}) {
      EXPECT_EQ(node->parameterNamed(row)->layoutHidden(), !noise) << row;
    }
  }
  setNumber("Noise point count", 7.0);
  setNumber("Noise seed", 42.0);
  node->parameterNamed<MVParameterBool>("Noise seamless")->setValue(false);
  EXPECT_EQ(curve().randomPointCount(), 7);
  EXPECT_EQ(curve().randomSeed(), 42);
  EXPECT_FALSE(curve().randomSeamless());

  // A count above what the curve draws is capped there and named in a warning.
  setNumber("Noise point count", 1e9);
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages().size(), 1u);
}

TEST_F(TimeFunctionNodeTest, PeriodsPerSecondRepeatOverTheWholeDuration)
{
  manager().setDuration(10.0);
  node->parameterNamed<MVParameterBool>("Periods per second")->setValue(true);
  EXPECT_EQ(curve().periods(), 20.0);
  manager().animationDurationChanged("4");
  EXPECT_EQ(curve().periods(), 8.0);
}

struct Key {
  double time;
  double value;
  int easeIn;
  int easeOut;
};

TEST_F(TimeFunctionNodeTest, OlderGenerationFunctionsBecomeEasedKeyframes)
{
  const double lo = 1.0;
  const double hi = 3.0;
  // Start 0, end 4, transition 1.
  const std::vector<std::tuple<int, std::vector<Key>, bool>> cases{
      {1, {{0, lo, 0, 1}, {4, hi, 0, 0}}, false},
      {2, {{0, lo, 0, 1}, {4, hi, 1, 0}}, false},
      {3, {{0, lo, 0, 0}, {2, hi, 0, 0}, {4, lo, 0, 0}}, false},
      {4, {{0, lo, 0, 1}, {2, hi, 1, 1}, {4, lo, 1, 0}}, false},
      {5, {{0, 2, 0, 0}, {1, hi, 1, 1}, {3, lo, 1, 1}, {4, 2, 0, 0}}, true},
      {6, {{0, hi, 0, 1}, {2, lo, 1, 1}, {4, hi, 1, 0}}, true},
      {7, {{0, lo, 0, 0}, {1, hi, 0, 0}, {3, hi, 0, 0}, {4, lo, 0, 0}}, false},
      {8, {{0, lo, 0, 1}, {1, hi, 1, 1}, {3, hi, 1, 1}, {4, lo, 1, 0}}, false},
      {0, {{0, lo, 0, 0}, {4, hi, 0, 0}}, false},
  };
  for (const auto& [kind, keys, approximate] : cases) {
    SCOPED_TRACE(kind);
    node->setLegacyParameterValues({{"Full duration", pf::PlistValue(false)},
                                    {"Start Time", pf::PlistValue(0.0)},
                                    {"End Time", pf::PlistValue(4.0)},
                                    {"Min Value", pf::PlistValue(lo)},
                                    {"Max Value", pf::PlistValue(hi)},
                                    {"Transition Time", pf::PlistValue(1.0)},
                                    {"Function", pf::PlistValue(kind)}});
    ODAnimator animator;
    EXPECT_EQ(node->addKeyframesToAnimator(&animator), approximate);
    ASSERT_EQ(animator.keyFrames().size(), keys.size());
    for (std::size_t index = 0; index < keys.size(); ++index) {
      const ODAnimatorKeyframe& keyframe = *animator.keyFrames()[index];
      EXPECT_EQ(keyframe.timeSeconds(), keys[index].time) << index;
      EXPECT_EQ(keyframe.doubleValue(), keys[index].value) << index;
      EXPECT_EQ(keyframe.easeInType(), keys[index].easeIn) << index;
      EXPECT_EQ(keyframe.easeOutType(), keys[index].easeOut) << index;
    }
  }
}

TEST_F(TimeFunctionNodeTest, ALongTransitionMeetsInTheMiddleAndFullDurationSpansTheAnimation)
{
  node->setLegacyParameterValues({{"Full duration", pf::PlistValue(false)},
                                  {"Start Time", pf::PlistValue(0.0)},
                                  {"End Time", pf::PlistValue(4.0)},
                                  {"Min Value", pf::PlistValue(0.0)},
                                  {"Max Value", pf::PlistValue(1.0)},
                                  {"Transition Time", pf::PlistValue(5.0)},
                                  {"Function", pf::PlistValue(7)}});
  ODAnimator limited;
  node->addKeyframesToAnimator(&limited);
  ASSERT_EQ(limited.keyFrames().size(), 3u);
  EXPECT_EQ(limited.keyFrameAtTime(2.0)->doubleValue(), 1.0);

  manager().setDuration(6.0);
  pf::PlistValue::Dictionary values = node->legacyParameterValues();
  values.set("Full duration", pf::PlistValue(true));
  values.set("Function", pf::PlistValue(1));
  node->setLegacyParameterValues(values);
  ODAnimator full;
  node->addKeyframesToAnimator(&full);
  ASSERT_EQ(full.keyFrames().size(), 2u);
  EXPECT_EQ(full.keyFrames()[1]->timeSeconds(), 6.0);
}

}  // namespace
