#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MorvNode/Model/MVParameter.h"

class RandomSource;

// A periodic curve between a minimum and a maximum value, one of eleven types, repeated a
// number of periods over t from 0 to 1 and shifted by an offset in periods. Nodes that animate
// or distribute values ask it for the curve's value at a position; the row draws it. The two
// noise types run through random points drawn from the shared random table. It has no sockets
// and no cache: every call computes, and the owning node copies the settings in from its own
// value parameters (and saves them there).
class MVParameterValueFunction : public MVParameter {
public:
  // The curve types (functionType).
  enum FunctionType : std::int64_t {
    kLinear = 0,
    kSquare = 1,
    kCube = 2,
    kSine = 3,
    kCosine = 4,
    kEased = 5,
    kTriangle = 6,
    kEasedTriangle = 7,
    kSquareWave = 8,
    kLinearNoise = 9,
    kSmoothNoise = 10,
  };
  // Most noise points generated, whatever the count asks for; nodes that copy a count from a
  // value warn above it.
  static constexpr std::int64_t kMaxRandomPointCount = 100000;

  static std::unique_ptr<MVParameterValueFunction> parameterWithName(const std::string& name);

  MVParameterValueFunction();

  std::string_view className() const override { return "MVParameterValueFunction"; }
  std::string parameterViewClass() const override { return "MVParameterValueFunctionView"; }

  // Curve settings. A change marks the parameter stale and relays out the row; no undo and no
  // push (the node handles both for the value parameters it copies them from).
  double minValue() const { return minValue_; }
  void setMinValue(double value);
  double maxValue() const { return maxValue_; }
  void setMaxValue(double value);
  double periods() const { return periods_; }
  void setPeriods(double periods);
  double periodOffset() const { return periodOffset_; }  // in periods
  void setPeriodOffset(double offset);
  std::int64_t functionType() const { return functionType_; }
  void setFunctionType(std::int64_t type);
  // Hold the end values outside the period range when offset.
  bool capsEndValues() const { return capsEndValues_; }
  void setCapsEndValues(bool caps);

  // Noise settings; a change makes the next noise read draw new points.
  std::int64_t randomSeed() const { return randomSeed_; }
  void setRandomSeed(std::int64_t seed);
  std::int64_t randomPointCount() const { return randomPointCount_; }
  void setRandomPointCount(std::int64_t count);
  // The last point takes the first point's value, so one period joins the next.
  bool randomSeamless() const { return randomSeamless_; }
  void setRandomSeamless(bool seamless);
  // The application's table; not owned, outlives documents.
  const RandomSource* randomSource() const { return randomSource_; }
  void setRandomSource(const RandomSource* source) { randomSource_ = source; }

  // The row's preview: the current time mark and whether the curve is drawn.
  bool layoutShowTime() const { return layoutShowTime_; }
  void setLayoutShowTime(bool show) { layoutShowTime_ = show; }
  double layoutCurrentTime() const { return layoutCurrentTime_; }
  void setLayoutCurrentTime(double time);
  bool layoutHasPreview() const { return layoutHasPreview_; }
  void setLayoutHasPreview(bool has) { layoutHasPreview_ = has; }

  // The curve's value at t (0 the start, 1 the end of the animation or sequence). 0 for an
  // unknown type; a t, period or offset that is not finite reads the curve's start.
  double functionValueFor(double t);
  // The phase in [0, 1] that the curve is read at for t.
  double phaseFor(double t) const;
  // Draws the noise points from the table (at least 2); without a table it logs and leaves
  // none, and the next read tries again.
  void generateRandomPoints();
  // The noise curve at phase p, scaled to the minimum and maximum; p itself (logged) when there
  // are no points.
  double noiseFunctionValueFor(double phase);
  const std::vector<double>& randomNoisePointLocations() const { return randomNoisePointLocations_; }
  const std::vector<double>& randomNoisePointValues() const { return randomNoisePointValues_; }

private:
  double minValue_ = 0.0;
  double maxValue_ = 1.0;
  double periods_ = 1.0;
  double periodOffset_ = 0.0;
  std::int64_t functionType_ = kLinear;
  bool capsEndValues_ = false;
  std::int64_t randomPointCount_ = 10;
  bool randomSeamless_ = true;
  std::int64_t randomSeed_ = 12345678;
  const RandomSource* randomSource_ = nullptr;  // the application's table, outlives documents
  std::vector<double> randomNoisePointLocations_;
  std::vector<double> randomNoisePointValues_;
  bool needsRandomPoints_ = true;
  bool layoutShowTime_ = false;
  double layoutCurrentTime_ = 0.0;
  bool layoutHasPreview_ = true;
};
