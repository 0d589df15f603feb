#include "MorvNode/Nodes/Values/ValueTimeFunctionNode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"

namespace {

MVParameter* addHeading(MVNode& node, const std::string& name, const std::string& header, const std::string& tooltip)
{
  auto heading = MVParameter::parameterWithName(name);
  heading->setDisplayName("");
  heading->setDisplayHeaderName(header);
  heading->setTooltip(tooltip);
  return node.addParameter(std::move(heading));
}

MVParameterValue* addValue(MVNode& node, const std::string& name, const std::string& displayName, double value,
                           const std::string& tooltip)
{
  auto parameter = MVParameterValue::parameterWithName(name);
  parameter->setDisplayName(displayName);
  parameter->setValue(value);
  parameter->setTooltip(tooltip);
  return node.addParameter(std::move(parameter));
}

MVParameterBool* addToggle(MVNode& node, const std::string& name, const std::string& displayName, bool on,
                           const std::string& tooltip)
{
  auto parameter = MVParameterBool::parameterWithName(name);
  parameter->setDisplayName(displayName);
  parameter->setValue(on);
  parameter->setTooltip(tooltip);
  return node.addParameter(std::move(parameter));
}

bool isNoise(std::int64_t functionType)
{
  return functionType == MVParameterValueFunction::kLinearNoise || functionType == MVParameterValueFunction::kSmoothNoise;
}

}  // namespace

const MVNodeClass& ValueTimeFunctionNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ValueNode::nodeClassInfo();
    info.className = "ValueTimeFunctionNode";
    info.displayName = "Time function";
    info.toolTipText = "Outputs a numeric value that changes over time using periodic or noise functions";
    info.descriptionText =
        "This node provides an alternative to timeline keyframe animations and outputs a numeric value that changes "
        "over time with a defined function. This is especially useful if you want to apply a periodic function or "
        "noise to a parameter over time, as you don't have to add individual keyframes for each period. As the "
        "parameters of this node can also be animated using keyframes it also enables you to easily make complex "
        "animations such as noise or pulse where the amplitude varies over time.";
    info.iconName = "node_icon_value_time_function.png";
    info.nodeViewDefaultWidth = 140.0;
    info.create = [] { return std::make_unique<ValueTimeFunctionNode>(); };
    return info;
  }();
  return nodeClass;
}

void ValueTimeFunctionNode::initNodeParameters()
{
  ValueNode::initNodeParameters();

  auto value = MVParameterValue::parameterWithName("Value");
  value->setHasInputSocket(false);
  value->setValueSource(this);
  value->setUpdateIfUnconnected(true);
  value->setTooltip("The animated output value, based on the parameters and current animation time.");
  setValueParameter(addParameter(std::move(value)));

  auto function = MVParameterIndex::parameterWithName("Function");
  function->setIndexNames({"Sawtooth", "Zigzag", "Squarewave", "Sin()", "Cos()", "Noise linear", "Noise smooth"});
  function->setIndexIcons({"icon_function_sawtooth.png", "icon_function_linear_peak.png",
                           "icon_function_squarewave.png", "icon_function_sin.png", "icon_function_cos.png",
                           "icon_function_noise.png", "icon_function_smooth_noise.png"});
  function->setTooltip("Function generating the value.");
  functionType_ = addParameter(std::move(function));

  auto preview = MVParameterValueFunction::parameterWithName("Function Preview");
  preview->setDisplayName("Function preview");
  preview->setLayoutShowTime(true);
  preview->setRandomSource(randomSource());
  preview->setTooltip("A graph showing how the value will vary.");
  valueFunction_ = addParameter(std::move(preview));

  noiseHeading_ = addHeading(*this, "Noise heading", "Noise settings",
                             "Control how the noise function values are generated.");
  noisePointCount_ = addValue(*this, "Noise point count", "Noise points", 10.0,
                              "Number of random value points in one period of the noise function.");
  noisePointCount_->setIsInteger(true);
  noisePointCount_->setMinValueLimit(2.0);
  noisePointCount_->setPreferredValueRangeMax(20.0);
  noiseSeamless_ = addToggle(*this, "Noise seamless", "Seamless", true,
                             "When checked the first and last noise value points are the same, making it loop "
                             "seamlessly.");
  noiseRandomSeed_ = addValue(*this, "Noise seed", "Noise seed", static_cast<double>(std::rand() % 10000),
                              "The random seed used for to generate the noise");
  noiseRandomSeed_->setIsInteger(true);
  noiseRandomSeed_->setPreferredValueRangeMin(0.0);
  noiseRandomSeed_->setPreferredValueRangeMax(10000.0);

  addHeading(*this, "Function periods heading", "Function periods",
             "Control the number of repetitions and offset of the function.");
  periods_ = addValue(*this, "Periods", "Periods", 2.0, "Number of function periods.");
  periods_->setMinValueLimit(0.0);
  periods_->setPreferredValueRangeMin(0.0);
  periods_->setPreferredValueRangeMax(2.0);
  periodsPerSecond_ = addToggle(*this, "Periods per second", "Per second", false,
                                "Set number of periods per second instead of for the full animation duration.");
  periodsPerSecond_->setLayoutSpaceAbove(-2);
  periodOffset_ = addValue(*this, "Offset", "Offset", 0.0, "Offset of the function periods.");
  periodOffset_->setDisabledValue(0.0);
  periodOffset_->setPreferredValueRangeMin(-0.5);
  periodOffset_->setPreferredValueRangeMax(0.5);
  capEndValues_ = addToggle(*this, "Cap end values", "Cap end values", false,
                            "When checked the values are set to a static max/min end value outside the function period "
                            "range when offset. When unchecked, the function just repeats instead.");

  addHeading(*this, "Output values heading", "Output values", "Control value range of the output value.");
  minValue_ = addValue(*this, "Min", "Min", 0.0, "Minimum value of the function range.");
  maxValue_ = addValue(*this, "Max", "Max", 1.0, "Maximum value of the function range.");
}

void ValueTimeFunctionNode::animationTimeAndDuration(double& time, double& duration, const char* caller) const
{
  const ODAnimationManager* manager = nodeController() != nullptr ? nodeController()->animationManager() : nullptr;
  if (manager == nullptr) {
    FeedbackManager::log("Warning, no animationManager in %@ %@", description(), caller);
    time = 0.0;
    duration = 1.0;
    return;
  }
  time = manager->currentTime();
  duration = manager->duration();
}

void ValueTimeFunctionNode::updateLinkedParameters()
{
  ValueNode::updateLinkedParameters();
  if (updatingLinkedParameters_ || valueFunction_ == nullptr) {
    return;
  }
  updatingLinkedParameters_ = true;

  valueFunction_->setRandomSource(randomSource());
  valueFunction_->setMinValue(minValue_->value());
  valueFunction_->setMaxValue(maxValue_->value());
  const long long index = functionType_->index();
  if (index >= 0 && static_cast<std::size_t>(index) < kFunctionTypes.size()) {
    valueFunction_->setFunctionType(kFunctionTypes[static_cast<std::size_t>(index)]);
  } else {
    FeedbackManager::log(
        "Warning, %@ updateLinkedParameters functionTypeParameter.index %ld out of functionParameterValueFunctions "
        "bounds %ld",
        description(), index, static_cast<long>(kFunctionTypes.size()));
  }
  const bool noise = isNoise(valueFunction_->functionType());
  if (noise) {
    valueFunction_->setRandomSeamless(noiseSeamless_->value());
    valueFunction_->setRandomPointCount(pf::saturatingCast<std::int64_t>(noisePointCount_->value()));
    valueFunction_->setRandomSeed(pf::saturatingCast<std::int64_t>(noiseRandomSeed_->value()));
  }
  for (MVParameter* row : std::vector<MVParameter*>{noiseHeading_, noiseSeamless_, noisePointCount_, noiseRandomSeed_}) {
    row->setLayoutHidden(!noise);
  }

  double time = 0.0;
  double duration = 1.0;
  animationTimeAndDuration(time, duration, "updateLinkedParameters");
  valueFunction_->setLayoutCurrentTime(duration > 0.0 ? time / duration : 0.0);

  const double periods = periodsPerSecond_->value() ? periods_->value() * duration : periods_->value();
  valueFunction_->setPeriods(periods);
  valueFunction_->setPeriodOffset(periodOffset_->value());
  valueFunction_->setCapsEndValues(capEndValues_->value());
  updateOutputParameters();

  updatingLinkedParameters_ = false;
}

void ValueTimeFunctionNode::updateOutputParameters()
{
  if (valueFunction_ != nullptr) {
    valueFunction_->inputChanged();
  }
  if (valueParameter() != nullptr) {
    valueParameter()->inputChanged();
  }
}

void ValueTimeFunctionNode::checkWarnings()
{
  ValueNode::checkWarnings();
  if (valueFunction_ != nullptr && isNoise(valueFunction_->functionType()) &&
      noisePointCount_->value() > static_cast<double>(MVParameterValueFunction::kMaxRandomPointCount)) {
    addWarningMessage(pf::format("The number of noise points is limited to %ld.",
                                 static_cast<long>(MVParameterValueFunction::kMaxRandomPointCount)));
  }
}

double ValueTimeFunctionNode::valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue)
{
  if (parameter == nullptr || parameter != valueParameter()) {
    return MVNode::valueForParameter(parameter, fieldIndex, inputValue);
  }
  double time = 0.0;
  double duration = 1.0;
  animationTimeAndDuration(time, duration, "valueForParameter");
  const double t = duration > 0.0 ? time / duration : 0.0;
  return valueFunction_->functionValueFor(t);
}

std::optional<std::string> ValueTimeFunctionNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Value") {
    return name;
  }
  return std::nullopt;
}

bool ValueTimeFunctionNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ValueNode::loadLegacyMV2NodeDictionary(record);
  if (const pf::PlistValue* values = record.find("Parameter values"); values != nullptr && values->isDictionary()) {
    legacyParameterValues_ = *values->asDictionary();
  }
  return loaded;
}

bool ValueTimeFunctionNode::addKeyframesToAnimator(ODAnimator* animator) const
{
  if (animator == nullptr) {
    return false;
  }
  const pf::PlistValue::Dictionary& old = legacyParameterValues_;
  double start = 0.0;
  double end = 0.0;
  if (DictionaryValueExtras::boolValueForKey(old, "Full duration")) {
    double time = 0.0;
    animationTimeAndDuration(time, end, "addKeyframesToAnimator");
  } else {
    start = DictionaryValueExtras::doubleValueForKey(old, "Start Time");
    end = DictionaryValueExtras::doubleValueForKey(old, "End Time");
  }
  const double lo = DictionaryValueExtras::doubleValueForKey(old, "Min Value");
  const double hi = DictionaryValueExtras::doubleValueForKey(old, "Max Value");
  const double transition = DictionaryValueExtras::doubleValueForKey(old, "Transition Time");
  const int kind = DictionaryValueExtras::intValueForKey(old, "Function");

  const double length = end - start;
  const double half = 0.5 * length;
  const double tr = std::max(std::min(half, transition), 0.0);
  const double mid = start + half;

  // Adds one keyframe; an occupied time only takes the value (and the eases asked for).
  const auto key = [animator](double value, double time, bool easeIn, bool easeOut) {
    if (ODAnimatorKeyframe* keyframe = animator->addKeyframeWithValue(value, time)) {
      if (easeIn) {
        keyframe->setEaseInType(1);
      }
      if (easeOut) {
        keyframe->setEaseOutType(1);
      }
    }
  };
  switch (kind) {
  case 1:
    key(lo, start, false, true);
    key(hi, end, false, false);
    return false;
  case 2:
    key(lo, start, false, true);
    key(hi, end, true, false);
    return false;
  case 3:
    key(lo, start, false, false);
    key(hi, mid, false, false);
    key(lo, end, false, false);
    return false;
  case 4:
    key(lo, start, false, true);
    key(hi, mid, true, true);
    key(lo, end, true, false);
    return false;
  case 5:
    key((lo + hi) / 2, start, false, false);
    key(hi, start + 0.25 * length, true, true);
    key(lo, start + 0.25 * length * 3, true, true);
    key((lo + hi) / 2, end, false, false);
    return true;
  case 6:
    key(hi, start, false, true);
    key(lo, mid, true, true);
    key(hi, end, true, false);
    return true;
  case 7:
    key(lo, start, false, false);
    key(hi, start + tr, false, false);
    key(hi, end - tr, false, false);
    key(lo, end, false, false);
    return false;
  case 8:
    key(lo, start, false, true);
    key(hi, start + tr, true, true);
    key(hi, end - tr, true, true);
    key(lo, end, true, false);
    return false;
  default:
    key(lo, start, false, false);
    key(hi, end, false, false);
    return false;
  }
}
