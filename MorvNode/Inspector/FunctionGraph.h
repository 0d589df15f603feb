#pragma once

#include <functional>
#include <vector>

#include <QLineF>
#include <QPolygonF>
#include <QRectF>

// The small graph of a function row: the function sampled at 101 points over its input 0 to 1,
// a vertical axis with tick marks, a horizontal axis and the curve, laid out in a graph
// rectangle of widget coordinates (y down). The value range always contains 0: it runs from the
// smaller of the function's lower bound and 0 to the larger of its upper bound and 0 (equal
// bounds widen to one either side). The plot area starts 2 points in from the rectangle's left
// edge and keeps 4 points from its lower and upper edges.
class FunctionGraph {
public:
  static constexpr int kSampleCount = 101;

  // `function` takes t in 0...1; `minValue` and `maxValue` are the function's bounds in any order.
  FunctionGraph(const std::function<double(double)>& function, double minValue, double maxValue, const QRectF& graphRect);

  double bottom() const { return bottom_; }
  double top() const { return top_; }
  // The tick spacing by the range: 1 below 10, 5 below 50, 10 below 100, 50 below 500, else 100.
  static double tickStep(double range);
  // Widget y of a value.
  double yForValue(double value) const;
  double xForSample(int index) const;

  QLineF verticalAxis() const;
  // One short line per non-zero multiple m of the step with bottom < m <= top.
  const std::vector<QLineF>& ticks() const { return ticks_; }
  std::vector<double> tickValues() const;
  // At 0 when the range spans 0 inside, else at the bottom value.
  QLineF horizontalAxis() const;
  const QPolygonF& curve() const { return curve_; }

private:
  QRectF graphRect_;
  double bottom_ = 0.0;
  double top_ = 1.0;
  std::vector<QLineF> ticks_;
  std::vector<double> tickValues_;
  QPolygonF curve_;
};
