#include "MorvNode/Model/MVParameterValue.h"

#include <cmath>
#include <limits>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterUndoDelegate.h"
#include "MorvNode/Model/MVParameterValueSource.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// Halves away from zero, as truncation of v plus the largest double below 0.5 with v's sign
// (so 0.49999999999999994 stays 0).
double roundedHalfAway(double value)
{
  return std::trunc(value + std::copysign(0.49999999999999994, value));
}

}  // namespace

std::unique_ptr<MVParameterValue> MVParameterValue::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterValue>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterValue::MVParameterValue()
{
  setLayoutShowHeaderLabel(false);
  setLayoutSpaceBelow(2);
  setValue(0.0);
  setHasInputSocket(true);
  setHasOutputSocket(true);
}

void MVParameterValue::setupSockets()
{
  MVParameter::setupSockets();
  if (hasInputSocket() && inputSockets().empty()) {
    addInputSocketOfType(MVSocketType::Value);
  }
  if (hasOutputSocket() && outputSockets().empty()) {
    addOutputSocketOfType(MVSocketType::Value);
  }
}

double MVParameterValue::checkNewValue(double value) const
{
  if (std::isnan(value)) {
    value = 0.0;
  } else if (std::isinf(value)) {
    value = std::copysign(std::numeric_limits<double>::max(), value);
  }
  if (hasMinValueLimit_ && minValueLimit_ > value) {
    value = minValueLimit_;
  }
  if (hasMaxValueLimit_ && value > maxValueLimit_) {
    value = maxValueLimit_;  // the maximum wins when the limits cross
  }
  return isInteger_ ? roundedHalfAway(value) : value;
}

void MVParameterValue::setValue(double value)
{
  const double newValue = checkNewValue(value);
  if (newValue != value_) {
    if (node() != nullptr) {
      registerUndoProperty("value", pf::PlistValue(value_));
    }
    value_ = newValue;
    if (node() != nullptr && updateDelegatesOnValueChange()) {
      node()->parameterChanged(this, "value");
    }
    outputChanged();
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

double MVParameterValue::valueForSocketIndex(int)
{
  if (!enabled()) {
    return checkNewValue(disabledValue_);
  }
  const bool apart = keepsStoredValueWithSource_ && valueSource_ != nullptr;
  if (!needsToUpdate()) {
    return apart ? sourceResult_ : value_;
  }
  const double previous = apart ? sourceResult_ : value_;
  const double input = inputValue();
  if (apart) {
    value_ = input;
    sourceResult_ = checkNewValue(valueSource_->valueForParameter(this, 0, input));
  } else {
    value_ = valueSource_ != nullptr ? checkNewValue(valueSource_->valueForParameter(this, 0, input)) : input;
  }
  const double result = apart ? sourceResult_ : value_;
  const MVNodeDelegate* controller = node() != nullptr ? node()->nodeController() : nullptr;
  setLastUpdateGenerationCycleID(controller != nullptr ? controller->currentGenerationCycleID() : 0);
  setNeedsToUpdate(false);
  if (result != previous) {
    setViewNeedsLayout();
  }
  return result;
}

double MVParameterValue::inputValue()
{
  if (!hasConnectedInputSocket()) {
    return value_;
  }
  MVParameterSocket* socket = inputSockets().front().get();
  if (!socket->hasConnectedInput()) {
    return value_;
  }
  const double delivered = socket->inputValue();
  // A value that came round a loop is ignored.
  return socket->inputHasInfiniteLoopProblems() ? value_ : checkNewValue(delivered);
}

double MVParameterValue::localValue() const
{
  return roundedIfInteger(enabled() ? value_ : disabledValue_);
}

double MVParameterValue::roundedIfInteger(double value) const
{
  return isInteger_ ? roundedHalfAway(value) : value;
}

void MVParameterValue::setValueSource(MVParameterValueSource* source)
{
  if (source == valueSource_) {
    return;
  }
  valueSource_ = source;
  if (node() != nullptr) {
    storeParameterUndoValue();
    setNeedsToUpdate(true);
    setViewNeedsLayout();
    inputChanged();
  }
}

bool MVParameterValue::canEditValue() const
{
  return MVParameter::canEditValue() && valueSource_ == nullptr;
}

double MVParameterValue::minValueLimit() const
{
  if (!hasMinValueLimit_) {
    FeedbackManager::log("Warning, requested minValueLimit for %@ with no limit set", description());
  }
  return minValueLimit_;
}

void MVParameterValue::setMinValueLimit(double limit)
{
  minValueLimit_ = limit;
  hasMinValueLimit_ = true;
}

double MVParameterValue::maxValueLimit() const
{
  if (!hasMaxValueLimit_) {
    FeedbackManager::log("Warning, requested maxValueLimit for %@ with no limit set", description());
  }
  return maxValueLimit_;
}

void MVParameterValue::setMaxValueLimit(double limit)
{
  maxValueLimit_ = limit;
  hasMaxValueLimit_ = true;
}

double MVParameterValue::preferredValueRangeMin() const
{
  if (!hasPreferredValueRangeMin_) {
    FeedbackManager::log("Warning, requested preferredValueRangeMin for %@ with no limit set", description());
  }
  return preferredValueRangeMin_;
}

void MVParameterValue::setPreferredValueRangeMin(double value)
{
  preferredValueRangeMin_ = value;
  hasPreferredValueRangeMin_ = true;
}

double MVParameterValue::preferredValueRangeMax() const
{
  if (!hasPreferredValueRangeMax_) {
    FeedbackManager::log("Warning, requested preferredValueRangeMax for %@ with no limit set", description());
  }
  return preferredValueRangeMax_;
}

void MVParameterValue::setPreferredValueRangeMax(double value)
{
  preferredValueRangeMax_ = value;
  hasPreferredValueRangeMax_ = true;
}

void MVParameterValue::storeParameterUndoValue()
{
  MVParameter::storeParameterUndoValue();
  if (node() != nullptr) {
    registerUndoProperty("value", pf::PlistValue(value_));
  }
}

void MVParameterValue::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "value") {
    setValue(value.toDouble().value_or(0.0));
  }
}

bool MVParameterValue::animatorCanAnimateProperty(const std::string& propertyName) const
{
  return propertyName == "value" && enabled() && !layoutHidden() && !hasConnectedInput() && !hasValueSource();
}

void MVParameterValue::animatorSetProperty(const std::string&, const pf::PlistValue& value)
{
  const std::optional<double> number = value.toDouble();
  if (!number) {
    FeedbackManager::log("Error, %@ animatorSetProperty: valueObject %@ does not respond to doubleValue",
                         description(), value);
    return;
  }
  // Animated values are not undoable steps.
  MVParameterUndoDelegate* undo = undoDelegate();
  if (undo != nullptr) {
    undo->pauseUndoRegistration();
  }
  setValue(*number);
  if (undo != nullptr) {
    undo->resumeUndoRegistration();
  }
}

pf::PlistValue::Dictionary MVParameterValue::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  DictionaryValueExtras::setDoubleValue(record, value_, "Value");
  return record;
}

bool MVParameterValue::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  if (record.contains("Value")) {
    setValue(DictionaryValueExtras::doubleValueForKey(record, "Value"));
    return true;
  }
  if (record.contains("ValueX")) {
    return true;  // a two-axis record
  }
  FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing Value key", description());
  return false;
}

std::string MVParameterValue::description() const
{
  return pf::format("<%@ [%@ '%@'] value:%g>", className(),
                    node() != nullptr ? node()->displayFullName() : "Unknown node", name(), localValue());
}
