#include "Shared/ODAnimation/ODAnimator.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "Shared/ODAnimation/AnimationTestSupport.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Support/LogCapture.h"

namespace {

using testsupport::LogCapture;

// An animator on a fake target whose keyframes are added in the order given, unsorted.
class AnimatorTest : public testing::Test {
protected:
  AnimatorTest()
  {
    animator.setPropertyName("value");
    animator.setTarget(&target);
  }
  ODAnimatorKeyframe* add(double value, double time) { return animator.addKeyframeWithValue(value, time); }

  LogCapture log;
  FakeTarget target{"7 : Size"};
  ODAnimator animator;
};

struct EaseCase {
  int easeOutOfA;
  int easeIntoB;
  double time;
  double expected;
};

TEST_F(AnimatorTest, InterpolatesBetweenTheNearestKeyframesByTheirEases)
{
  // From 0 at 0 s to 10 at 1 s.
  const std::vector<EaseCase> cases{
      {0, 0, 0.25, 2.5},   {1, 1, 0.25, 1.25}, {1, 0, 0.25, 0.625}, {0, 1, 0.25, 4.375},
      {1, 1, 0.75, 8.75},  {1, 1, 0.5, 5.0},   {0, 0, 1.0, 10.0},   {2, 0, 0.25, 4.375},
  };
  ODAnimatorKeyframe* a = add(0.0, 0.0);
  ODAnimatorKeyframe* b = add(10.0, 1.0);
  for (const EaseCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "ease out " << c.easeOutOfA << ", ease in " << c.easeIntoB << ", t " << c.time);
    a->setEaseOutType(c.easeOutOfA);
    b->setEaseInType(c.easeIntoB);
    EXPECT_DOUBLE_EQ(animator.doubleValueForTime(c.time), c.expected);
  }
}

TEST_F(AnimatorTest, ValuesHoldOutsideTheKeyframesAndAnEmptyAnimatorSetsNothing)
{
  EXPECT_FALSE(animator.valueObjectForTime(1.0).has_value());
  animator.animateWithTime(1.0);
  EXPECT_EQ(target.sets, 0);

  add(4.0, 2.0);
  for (double time : {-5.0, 0.0, 2.0, 100.0}) {
    EXPECT_DOUBLE_EQ(animator.doubleValueForTime(time), 4.0) << time;
  }
  add(8.0, 3.0);
  EXPECT_DOUBLE_EQ(animator.doubleValueForTime(1.0), 4.0);  // before the first
  EXPECT_DOUBLE_EQ(animator.doubleValueForTime(9.0), 8.0);  // after the last
  animator.animateWithTime(2.5);
  EXPECT_DOUBLE_EQ(target.values["value"], 6.0);

  // A target that cannot take the property now is left alone.
  target.canAnimate = false;
  animator.animateWithTime(3.0);
  EXPECT_DOUBLE_EQ(target.values["value"], 6.0);
}

TEST_F(AnimatorTest, LookUpsScanTheUnsortedListAndTheFirstOfEqualTimesWins)
{
  ODAnimatorKeyframe* late = add(2.0, 2.0);
  ODAnimatorKeyframe* early = add(0.0, 0.0);
  ODAnimatorKeyframe* middle = add(1.0, 1.0);
  // A second keyframe at 1 s, as loading or a typed time can make.
  ODAnimatorKeyframe* twin = animator.addKeyframeWithValue(5.0, 7.0);
  twin->setTimeSeconds(1.0);

  EXPECT_EQ(animator.keyFrameAtTime(1.0), middle);
  EXPECT_EQ(animator.keyFrameBeforeTime(1.5), middle);
  EXPECT_EQ(animator.keyFrameAfterTime(0.5), middle);
  EXPECT_EQ(animator.keyFrameBeforeTime(0.0), nullptr);
  EXPECT_EQ(animator.keyFrameAfterTime(2.0), nullptr);
  EXPECT_EQ(animator.keyFrameAfterTime(-1.0), early);
  EXPECT_EQ(animator.keyFrameBeforeTime(9.0), late);
  EXPECT_EQ(animator.keyFrameWithId(3), twin);
  EXPECT_EQ(animator.keyFrameWithId(4), nullptr);
  EXPECT_DOUBLE_EQ(animator.doubleValueForTime(1.0), 1.0);
}

TEST_F(AnimatorTest, AddingAtAnOccupiedTimeOnlySetsThatKeyframe)
{
  ODAnimatorKeyframe* first = add(1.0, 0.5);
  EXPECT_EQ(add(3.0, 0.5), first);
  EXPECT_EQ(animator.keyFrames().size(), 1u);
  EXPECT_EQ(animator.keyframeIdCounter(), 1);
  EXPECT_DOUBLE_EQ(first->doubleValue(), 3.0);

  // Times that are not numbers never get into the list.
  EXPECT_EQ(add(1.0, std::nan("")), nullptr);
  EXPECT_EQ(add(1.0, std::numeric_limits<double>::infinity()), nullptr);
  first->setTimeSeconds(std::nan(""));
  EXPECT_DOUBLE_EQ(first->timeSeconds(), 0.5);
  EXPECT_EQ(animator.keyFrames().size(), 1u);
  EXPECT_EQ(log.countContaining("is not a valid"), 3);
}

TEST_F(AnimatorTest, TheTargetLearnsWhenItIsAnimatedAndAGoneTargetReadsAsAbsent)
{
  EXPECT_TRUE(target.animated["value"]);
  EXPECT_EQ(animator.targetPersistentIdentifier(), "7 : Size");
  animator.setTarget(nullptr);
  EXPECT_FALSE(target.animated["value"]);
  EXPECT_EQ(animator.targetPersistentIdentifier(), "");

  {
    FakeTarget shortLived("8 : Size");
    animator.setTarget(&shortLived);
    add(1.0, 0.0);
  }
  EXPECT_EQ(animator.target(), nullptr);
  animator.animateWithTime(0.0);  // nothing to set, nothing touched
  animator.setTarget(&target);    // the old target is not told anything
  EXPECT_TRUE(target.animated["value"]);
}

TEST_F(AnimatorTest, RecordsRoundTripAndLeaveOutAnEmptyKeyframeList)
{
  EXPECT_FALSE(animator.descriptionDictionary().contains("Keyframes"));

  add(1.5, 0.0)->setEaseOutType(1);
  add(-2.0, 3.25)->setEaseInType(1);
  animator.setEnabled(false);
  const pf::PlistValue::Dictionary record = animator.descriptionDictionary();

  ODAnimator loaded;
  loaded.loadDescriptionDictionary(record);
  EXPECT_EQ(loaded.descriptionDictionary(), record);
  EXPECT_FALSE(loaded.enabled());
  ASSERT_EQ(loaded.keyFrames().size(), 2u);
  EXPECT_EQ(loaded.keyFrames()[1]->valueDelegate(), &loaded);
  EXPECT_EQ(loaded.target(), nullptr);  // the manager resolves targets
}

TEST_F(AnimatorTest, ADamagedRecordLoadsWhatItCanAndNeverReusesAKeyframeId)
{
  pf::PlistValue::Array keyframes{
      pf::PlistValue(pf::PlistValue::Dictionary{{"keyframeId", pf::PlistValue(4)},
                                                {"timeSeconds", pf::PlistValue(1.0)},
                                                {"doubleValue", pf::PlistValue(2.0)}}),
      pf::PlistValue("not a keyframe"),
      pf::PlistValue(pf::PlistValue::Dictionary{{"keyframeId", pf::PlistValue(1)}}),
  };
  ODAnimator loaded;
  loaded.loadDescriptionDictionary({{"keyframeIdCounter", pf::PlistValue(0)},
                                    {"Keyframes", pf::PlistValue(std::move(keyframes))}});
  EXPECT_EQ(loaded.keyFrames().size(), 2u);
  EXPECT_EQ(loaded.keyframeIdCounter(), 5);
  EXPECT_EQ(loaded.addKeyframeWithValue(0.0, 9.0)->keyframeId(), 5);
  EXPECT_EQ(log.countContaining("skipped keyframe record"), 1);
}

}  // namespace
