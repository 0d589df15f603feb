#include "MorvNode/Model/MVParameterValueFunction.h"

#include <cmath>

#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

bool isWhole(double value)
{
  return std::isfinite(value) && value == std::floor(value);
}

// Quadratic ease in and out: 0 at 0, 0.5 at 0.5, 1 at 1.
double eased(double s)
{
  if (s <= 0.5) {
    return 2.0 * s * s;
  }
  const double q = s - 0.5;
  return 2.0 * q * (1.0 - q) + 0.5;
}

// Seeds are products and sums of 64-bit integers that wrap like two's complement.
std::int64_t wrappingSeed(std::int64_t seed, std::int64_t index)
{
  const auto product = static_cast<std::uint64_t>(seed) * static_cast<std::uint64_t>(index);
  return static_cast<std::int64_t>(product + static_cast<std::uint64_t>(seed));
}

}  // namespace

std::unique_ptr<MVParameterValueFunction> MVParameterValueFunction::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterValueFunction>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterValueFunction::MVParameterValueFunction()
{
  setLayoutShowHeaderLabel(false);
  setLayoutSpaceBelow(2);
  setHasInputSocket(false);
  setHasOutputSocket(false);
}

void MVParameterValueFunction::setMinValue(double value)
{
  if (value != minValue_) {
    minValue_ = value;
    setNeedsToUpdate(true);
    setViewNeedsLayout();
  }
}

void MVParameterValueFunction::setMaxValue(double value)
{
  if (value != maxValue_) {
    maxValue_ = value;
    setNeedsToUpdate(true);
    setViewNeedsLayout();
  }
}

void MVParameterValueFunction::setPeriods(double periods)
{
  if (periods != periods_) {
    periods_ = periods;
    setNeedsToUpdate(true);
    setViewNeedsLayout();
  }
}

void MVParameterValueFunction::setPeriodOffset(double offset)
{
  if (offset != periodOffset_) {
    periodOffset_ = offset;
    setNeedsToUpdate(true);
    setViewNeedsLayout();
  }
}

void MVParameterValueFunction::setFunctionType(std::int64_t type)
{
  if (type != functionType_) {
    functionType_ = type;
    setNeedsToUpdate(true);
    setViewNeedsLayout();
  }
}

void MVParameterValueFunction::setCapsEndValues(bool caps)
{
  if (caps != capsEndValues_) {
    capsEndValues_ = caps;
    setNeedsToUpdate(true);
    setViewNeedsLayout();
  }
}

void MVParameterValueFunction::setRandomSeed(std::int64_t seed)
{
  if (seed != randomSeed_) {
    randomSeed_ = seed;
    needsRandomPoints_ = true;
  }
}

void MVParameterValueFunction::setRandomPointCount(std::int64_t count)
{
  if (count != randomPointCount_) {
    randomPointCount_ = count;
    needsRandomPoints_ = true;
  }
}

void MVParameterValueFunction::setRandomSeamless(bool seamless)
{
  if (seamless != randomSeamless_) {
    randomSeamless_ = seamless;
    needsRandomPoints_ = true;
  }
}

void MVParameterValueFunction::setLayoutCurrentTime(double time)
{
  if (time != layoutCurrentTime_) {
    layoutCurrentTime_ = time;
    setViewNeedsLayout();
  }
}

double MVParameterValueFunction::phaseFor(double t) const
{
  const double periods = periods_;
  double x = t * periods + periodOffset_;
  if (!std::isfinite(x)) {
    return 0.0;
  }
  bool skipWholeRule = false;
  if (periodOffset_ != 0.0 && capsEndValues_) {
    if (x < 0.0) {
      x = 0.0;
    }
    if (x >= periods) {
      if (isWhole(periods)) {
        return 1.0;
      }
      x = periods - std::floor(periods);
      skipWholeRule = true;
    }
  }
  // The end of a period: the curve's end with one period, the next period's start otherwise.
  if (!skipWholeRule && x > 0.0 && isWhole(x)) {
    return periods == 1.0 ? 1.0 : 0.0;
  }
  if (x < 0.0) {
    x = x + 1.0 + std::floor(std::fabs(x));  // -0.25 -> 0.75, -1 -> 1
  }
  return x > 1.0 ? x - std::floor(x) : x;
}

double MVParameterValueFunction::functionValueFor(double t)
{
  const double p = phaseFor(t);
  const double m = minValue_;
  const double d = maxValue_ - minValue_;
  switch (functionType_) {
  case kLinear:
    return m + p * d;
  case kSquare:
    return m + p * p * d;
  case kCube:
    return m + p * p * p * d;
  case kSine:
    return m + d * (std::sin(kTwoPi * p) + 1.0) * 0.5;
  case kCosine:
    return m + d * (std::cos(kTwoPi * p) + 1.0) * 0.5;
  case kEased:
    return m + eased(p) * d;
  case kTriangle:
    return p <= 0.5 ? m + 2.0 * p * d : m + (1.0 - (2.0 * p - 1.0)) * d;
  case kEasedTriangle:
    return p <= 0.5 ? m + eased(2.0 * p) * d : m + (1.0 - eased(2.0 * p - 1.0)) * d;
  case kSquareWave:
    return p < 0.5 ? m : maxValue_;
  case kLinearNoise:
  case kSmoothNoise:
    return noiseFunctionValueFor(p);
  default:
    return 0.0;
  }
}

void MVParameterValueFunction::generateRandomPoints()
{
  randomNoisePointLocations_.clear();
  randomNoisePointValues_.clear();
  if (randomSource_ == nullptr) {
    FeedbackManager::log("Warning, %@ generateRandomPoints with no randomSource set.", description());
    return;
  }
  if (randomPointCount_ < 2) {
    randomPointCount_ = 2;
  }
  if (randomPointCount_ > kMaxRandomPointCount) {
    FeedbackManager::log("Warning, %@ generateRandomPoints, %ld points requested, generating %ld", description(),
                         randomPointCount_, kMaxRandomPointCount);
    randomPointCount_ = kMaxRandomPointCount;
  }
  const std::int64_t count = randomPointCount_;
  const double step = 1.0 / static_cast<double>(count - 1);
  randomNoisePointLocations_.reserve(static_cast<std::size_t>(count));
  randomNoisePointValues_.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    randomNoisePointLocations_.push_back(static_cast<double>(i) * step);
    randomNoisePointValues_.push_back(randomSource_->randomDoubleWithSeed(wrappingSeed(randomSeed_, i)));
  }
  if (randomSeamless_) {
    randomNoisePointValues_.back() = randomNoisePointValues_.front();
  }
  needsRandomPoints_ = false;
}

double MVParameterValueFunction::noiseFunctionValueFor(double phase)
{
  if (randomNoisePointLocations_.empty() || needsRandomPoints_) {
    generateRandomPoints();
  }
  // Without a table there are no points (and the next read tries again).
  if (randomNoisePointLocations_.empty() || randomNoisePointValues_.size() != randomNoisePointLocations_.size()) {
    FeedbackManager::log("Warning, %@ noiseFunctionValueFor:%g with no randomNoisePointLocations or "
                         "randomNoisePointValues",
                         description(), phase);
    return phase;
  }
  // The segment ends at the first point at or after the phase and starts at the point before
  // it ((0, 0) before the first). Past the last point the curve holds the last value.
  double startLocation = 0.0;
  double startValue = 0.0;
  double endLocation = 1.0;
  double endValue = randomNoisePointValues_.back();
  bool found = false;
  for (std::size_t i = 0; i < randomNoisePointLocations_.size(); ++i) {
    if (randomNoisePointLocations_[i] >= phase) {
      endLocation = randomNoisePointLocations_[i];
      endValue = randomNoisePointValues_[i];
      found = true;
      break;
    }
    startLocation = randomNoisePointLocations_[i];
    startValue = randomNoisePointValues_[i];
  }
  if (!found) {
    startValue = endValue;
  }
  const double length = endLocation - startLocation;
  const double fraction = length != 0.0 ? (phase - startLocation) / length : 1.0;
  const double weight = functionType_ == kSmoothNoise ? eased(fraction) : fraction;
  const double value = startValue + weight * (endValue - startValue);
  return minValue_ + value * (maxValue_ - minValue_);
}
