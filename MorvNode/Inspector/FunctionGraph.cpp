#include "MorvNode/Inspector/FunctionGraph.h"

#include <algorithm>
#include <cmath>

#include "Platform/Numbers.h"

namespace {

constexpr double kLeftInset = 2.0;
constexpr double kVerticalInset = 4.0;
constexpr double kTickLength = 3.0;
// Ticks drawn at most: a range of 100 million steps of 100 has no room for them anyway.
constexpr long long kMaxTicks = 1000;

}  // namespace

FunctionGraph::FunctionGraph(const std::function<double(double)>& function, double minValue, double maxValue,
                             const QRectF& graphRect)
    : graphRect_(graphRect)
{
  double high = std::max(minValue, maxValue);
  double low = std::min(minValue, maxValue);
  if (high == low) {
    low = high - 1.0;
    high = high + 1.0;
  }
  top_ = std::max(high, 0.0);
  bottom_ = std::min(low, 0.0);
  if (!std::isfinite(top_ - bottom_)) {
    // Bounds that are not finite: a neutral graph rather than NaN coordinates.
    bottom_ = 0.0;
    top_ = 1.0;
  }

  const double step = tickStep(top_ - bottom_);
  const long long first = pf::saturatingCast<long long>(std::floor(bottom_ / step)) + 1;
  const long long last = std::min(pf::saturatingCast<long long>(std::floor(top_ / step)), first + kMaxTicks);
  const double x0 = graphRect_.left() + kLeftInset;
  for (long long multiple = first; multiple <= last; ++multiple) {
    const double value = static_cast<double>(multiple) * step;
    if (multiple == 0 || value <= bottom_ || value > top_) {
      continue;
    }
    tickValues_.push_back(value);
    ticks_.emplace_back(x0, yForValue(value), x0 + kTickLength, yForValue(value));
  }

  curve_.reserve(kSampleCount);
  for (int index = 0; index < kSampleCount; ++index) {
    double value = function(index * 0.01);
    if (!std::isfinite(value)) {
      value = 0.0;
    }
    curve_.append(QPointF(xForSample(index), yForValue(value)));
  }
}

double FunctionGraph::tickStep(double range)
{
  if (range < 10.0) {
    return 1.0;
  }
  if (range < 50.0) {
    return 5.0;
  }
  if (range < 100.0) {
    return 10.0;
  }
  if (range < 500.0) {
    return 50.0;
  }
  return 100.0;
}

double FunctionGraph::yForValue(double value) const
{
  const double plotHeight = graphRect_.height() - 2.0 * kVerticalInset;
  const double up = kVerticalInset + plotHeight * (value - bottom_) / (top_ - bottom_);
  return graphRect_.bottom() - up;
}

double FunctionGraph::xForSample(int index) const
{
  const double dx = (graphRect_.width() - kLeftInset) / (kSampleCount - 1);
  return graphRect_.left() + kLeftInset + index * dx;
}

QLineF FunctionGraph::verticalAxis() const
{
  const double x0 = graphRect_.left() + kLeftInset;
  return {x0, yForValue(bottom_), x0, yForValue(top_)};
}

std::vector<double> FunctionGraph::tickValues() const
{
  return tickValues_;
}

QLineF FunctionGraph::horizontalAxis() const
{
  const double value = (bottom_ < 0.0 && 0.0 < top_) ? 0.0 : bottom_;
  return {xForSample(0), yForValue(value), xForSample(kSampleCount - 1), yForValue(value)};
}
