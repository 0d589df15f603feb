#pragma once

#include <array>
#include <optional>
#include <string>
#include <cstdint>

#include "MorvNode/Nodes/Values/ValueNode.h"
#include "Platform/PlistValue.h"

class MVParameterBool;
class MVParameterIndex;
class MVParameterValueFunction;
class ODAnimator;

// "Time function": a number that follows the animation time through a periodic or noise curve
// (sawtooth, zigzag, square wave, sine, cosine, linear or smooth noise), repeated a number of
// periods over the animation (or per second), between a minimum and a maximum. The curve is the
// "Function Preview" parameter; this node copies its own settings into it and evaluates it at
// the position in the animation, time / duration, from 0 to 1. The graph controller refreshes
// the node before every animation step. For documents of the older generation, whose time
// nodes held their own start and end times, it writes the old settings as keyframes.
class ValueTimeFunctionNode : public ValueNode {
public:
  // The curve type of each "Function" entry.
  static constexpr std::array<std::int64_t, 7> kFunctionTypes{0, 6, 8, 3, 4, 9, 10};

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void initNodeParameters() override;
  // Copies the settings into the curve, shows the noise rows only for the noise curves, moves
  // the curve's time marker and tells the outputs.
  void updateLinkedParameters() override;
  // The curve and then "Value" hear that their input changed.
  void updateOutputParameters() override;
  // Proposals are ignored: the value comes from the curve.
  void setProposedValue(const MVProposedValue&) override {}
  // Also warns when the noise point count is above what the curve draws.
  void checkWarnings() override;

  // "Value": the curve at time / duration (0 without an animation or with a zero duration).
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // Older records: "Value" keeps its name, every other old parameter is dropped; the old values
  // are kept for the keyframe conversion.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;
  // The older generation's "Parameter values" of this node, kept for the keyframe conversion.
  const pf::PlistValue::Dictionary& legacyParameterValues() const { return legacyParameterValues_; }
  void setLegacyParameterValues(pf::PlistValue::Dictionary values) { legacyParameterValues_ = std::move(values); }
  // Writes the older generation's function as eased keyframes into the animator; true when the
  // keyframes only approximate it (the sine-like kinds). Nothing for nullptr.
  bool addKeyframesToAnimator(ODAnimator* animator) const override;

  MVParameterValueFunction* valueFunctionParameter() const { return valueFunction_; }
  MVParameterIndex* functionTypeParameter() const { return functionType_; }

private:
  // Time and duration of the animation in seconds; 0 and 1 (logged) without an animation.
  void animationTimeAndDuration(double& time, double& duration, const char* caller) const;

  MVParameterIndex* functionType_ = nullptr;  // each owned by the node's parameters
  MVParameterValueFunction* valueFunction_ = nullptr;
  MVParameter* noiseHeading_ = nullptr;
  MVParameterValue* noisePointCount_ = nullptr;
  MVParameterBool* noiseSeamless_ = nullptr;
  MVParameterValue* noiseRandomSeed_ = nullptr;
  MVParameterValue* periods_ = nullptr;
  MVParameterBool* periodsPerSecond_ = nullptr;
  MVParameterValue* periodOffset_ = nullptr;
  MVParameterBool* capEndValues_ = nullptr;
  MVParameterValue* minValue_ = nullptr;
  MVParameterValue* maxValue_ = nullptr;
  pf::PlistValue::Dictionary legacyParameterValues_;
  bool updatingLinkedParameters_ = false;  // the outputs' pushes come back here
};
