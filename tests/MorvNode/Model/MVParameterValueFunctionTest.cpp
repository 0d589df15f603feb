#include "MorvNode/Model/MVParameterValueFunction.h"

#include <cstdint>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

using Curve = MVParameterValueFunction;

TEST(FunctionCurve, PhasesAndCurveTypes)
{
  struct Case {
    const char* name;
    std::int64_t type;
    double periods;
    double offset;
    bool caps;
    double t;
    double expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"linear start", Curve::kLinear, 1, 0, false, 0.0, 0.0},
      {"linear quarter", Curve::kLinear, 1, 0, false, 0.25, 0.25},
      {"one period ends at the end", Curve::kLinear, 1, 0, false, 1.0, 1.0},
      {"two periods, quarter", Curve::kLinear, 2, 0, false, 0.25, 0.5},
      {"two periods, middle starts again", Curve::kLinear, 2, 0, false, 0.5, 0.0},
      {"two periods, end is a start", Curve::kLinear, 2, 0, false, 1.0, 0.0},
      {"offset, capped end is held", Curve::kLinear, 1, 0.25, true, 1.0, 1.0},
      {"offset, uncapped end wraps", Curve::kLinear, 1, 0.25, false, 1.0, 0.25},
      {"offset, capped start is held", Curve::kLinear, 1, 0.25, true, -0.5, 0.0},
      {"capped past a fractional period count", Curve::kLinear, 1.5, 0.5, true, 1.0, 0.5},
      {"negative positions wrap", Curve::kLinear, 1, 0, false, -0.25, 0.75},
      {"minus one wraps to the end", Curve::kLinear, 1, 0, false, -1.0, 1.0},
      {"minus one and a quarter", Curve::kLinear, 1, 0, false, -1.25, 0.75},
      {"not a number reads the start", Curve::kLinear, 1, 0, false, nan, 0.0},
      {"square ramp", Curve::kSquare, 1, 0, false, 0.5, 0.25},
      {"cube ramp", Curve::kCube, 1, 0, false, 0.5, 0.125},
      {"sine starts in the middle", Curve::kSine, 1, 0, false, 0.0, 0.5},
      {"sine top", Curve::kSine, 1, 0, false, 0.25, 1.0},
      {"cosine top", Curve::kCosine, 1, 0, false, 0.0, 1.0},
      {"cosine bottom", Curve::kCosine, 1, 0, false, 0.5, 0.0},
      {"eased in", Curve::kEased, 1, 0, false, 0.25, 0.125},
      {"eased out", Curve::kEased, 1, 0, false, 0.75, 0.875},
      {"triangle up", Curve::kTriangle, 1, 0, false, 0.25, 0.5},
      {"triangle top", Curve::kTriangle, 1, 0, false, 0.5, 1.0},
      {"triangle down", Curve::kTriangle, 1, 0, false, 0.75, 0.5},
      {"eased triangle up", Curve::kEasedTriangle, 1, 0, false, 0.125, 0.125},
      {"eased triangle down", Curve::kEasedTriangle, 1, 0, false, 0.875, 0.125},
      {"square wave low", Curve::kSquareWave, 1, 0, false, 0.49, 0.0},
      {"square wave high at the half", Curve::kSquareWave, 1, 0, false, 0.5, 1.0},
      {"unknown type", 11, 1, 0, false, 0.5, 0.0},
      {"negative type", -1, 1, 0, false, 0.5, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto curve = Curve::parameterWithName("Function");
    curve->setFunctionType(c.type);
    curve->setPeriods(c.periods);
    curve->setPeriodOffset(c.offset);
    curve->setCapsEndValues(c.caps);
    EXPECT_NEAR(curve->functionValueFor(c.t), c.expected, 1e-12);
  }
}

TEST(FunctionCurve, ScalesToTheRange)
{
  auto curve = Curve::parameterWithName("Function");
  curve->setMinValue(10.0);
  curve->setMaxValue(20.0);
  EXPECT_EQ(curve->functionValueFor(0.5), 15.0);
  curve->setFunctionType(Curve::kSquareWave);
  EXPECT_EQ(curve->functionValueFor(0.75), 20.0);
}

// One table for the suite: filling it is the costly part.
class NoiseCurveTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { table_ = std::make_unique<RandomSource>(RandomSource::kApplicationSeed); }
  static void TearDownTestSuite() { table_.reset(); }

  std::unique_ptr<Curve> noise(std::int64_t type, std::int64_t count, bool seamless) const
  {
    auto curve = Curve::parameterWithName("Function");
    curve->setRandomSource(table_.get());
    curve->setFunctionType(type);
    curve->setRandomPointCount(count);
    curve->setRandomSeamless(seamless);
    return curve;
  }

  static std::unique_ptr<RandomSource> table_;
  LogCapture log;
};

std::unique_ptr<RandomSource> NoiseCurveTest::table_;

TEST_F(NoiseCurveTest, PointsComeFromTheTable)
{
  auto curve = noise(Curve::kLinearNoise, 10, true);
  curve->setMinValue(-1.0);
  curve->setMaxValue(3.0);
  const double first = curve->functionValueFor(0.0);
  const auto& locations = curve->randomNoisePointLocations();
  const auto& values = curve->randomNoisePointValues();
  ASSERT_EQ(values.size(), 10u);
  for (std::size_t i = 0; i + 1 < values.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(values[i], table_->randomDoubleWithSeed(12345678 * static_cast<std::int64_t>(i) + 12345678));
  }
  EXPECT_EQ(values.back(), values.front());  // seamless
  EXPECT_EQ(locations[3], 3.0 / 9.0);
  EXPECT_EQ(first, -1.0 + values[0] * 4.0);
  EXPECT_EQ(curve->functionValueFor(1.0), first);
  // Between points 1 and 2: halfway on the straight line.
  EXPECT_NEAR(curve->functionValueFor(1.5 / 9.0), -1.0 + (values[1] + values[2]) * 2.0, 1e-12);
}

TEST_F(NoiseCurveTest, SmoothNoiseEasesBetweenPoints)
{
  auto curve = noise(Curve::kSmoothNoise, 5, false);
  curve->functionValueFor(0.0);
  const auto values = curve->randomNoisePointValues();
  // A quarter into the segment from point 2 (0.5) to point 3 (0.75): eased weight 0.125.
  EXPECT_NEAR(curve->functionValueFor(0.5625), values[2] + 0.125 * (values[3] - values[2]), 1e-12);
}

TEST_F(NoiseCurveTest, PastTheLastPointTheLastValueHolds)
{
  // With 50 points the last location is 0.9999999999999999, so the end lies past it.
  auto curve = noise(Curve::kLinearNoise, 50, false);
  curve->functionValueFor(0.0);
  ASSERT_LT(curve->randomNoisePointLocations().back(), 1.0);
  EXPECT_EQ(curve->functionValueFor(1.0), curve->randomNoisePointValues().back());
}

TEST_F(NoiseCurveTest, PointCountAndRegeneration)
{
  for (const std::int64_t count : {std::int64_t{1}, std::int64_t{0}, std::int64_t{-5}}) {
    SCOPED_TRACE(count);
    auto curve = noise(Curve::kLinearNoise, count, true);
    curve->functionValueFor(0.5);
    EXPECT_EQ(curve->randomPointCount(), 2);
    EXPECT_EQ(curve->randomNoisePointLocations().size(), 2u);
  }

  auto curve = noise(Curve::kLinearNoise, 10, false);
  curve->functionValueFor(0.5);
  const auto before = curve->randomNoisePointValues();
  curve->setMinValue(5.0);
  curve->functionValueFor(0.5);
  EXPECT_EQ(curve->randomNoisePointValues(), before);
  curve->setRandomSeed(99);
  curve->functionValueFor(0.5);
  EXPECT_NE(curve->randomNoisePointValues(), before);

  auto huge = noise(Curve::kLinearNoise, std::numeric_limits<std::int64_t>::max(), false);
  huge->functionValueFor(0.5);
  EXPECT_EQ(huge->randomPointCount(), Curve::kMaxRandomPointCount);
  EXPECT_EQ(log.countContaining("generateRandomPoints, 9223372036854775807 points requested"), 1);
}

TEST_F(NoiseCurveTest, WithoutATableThePhaseComesBackAndTheNextReadTriesAgain)
{
  auto curve = Curve::parameterWithName("Function");
  curve->setFunctionType(Curve::kSmoothNoise);
  curve->setMinValue(10.0);
  curve->setMaxValue(20.0);
  EXPECT_EQ(curve->functionValueFor(0.25), 0.25);
  EXPECT_EQ(log.countContaining("generateRandomPoints with no randomSource set."), 1);
  EXPECT_EQ(log.countContaining("noiseFunctionValueFor:0.25 with no randomNoisePointLocations"), 1);
  curve->setRandomSource(table_.get());
  EXPECT_GE(curve->functionValueFor(0.25), 10.0);
  EXPECT_EQ(curve->randomNoisePointValues().size(), 10u);
}

}  // namespace
