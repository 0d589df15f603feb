#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameter.h"

class MVParameterValueSource;

// A parameter carrying one number: a size, count, angle or ratio. Its value comes, in this
// order, from the disabled value while disabled, from its value source (the node computes it
// from the input), from a connected input, or from the stored value. Reads recompute only while
// the update flag is set, and stamp the controller's generation cycle.
class MVParameterValue : public MVParameter {
public:
  static std::unique_ptr<MVParameterValue> parameterWithName(const std::string& name);

  MVParameterValue();

  std::string_view className() const override { return "MVParameterValue"; }
  std::string parameterViewClass() const override { return "MVParameterValueView"; }
  void setupSockets() override;
  bool answersValue() const override { return true; }

  // Limits, then rounding to whole numbers when isInteger (halves away from zero). NaN becomes
  // 0 and infinities the largest finite numbers before the limits apply, so no value that is
  // typed, loaded, computed or delivered is ever NaN or infinite.
  double checkNewValue(double value) const;
  // Two-axis and expression parameters store their values otherwise and ignore it.
  virtual void setValue(double value);
  // The cached pull (socket index 0).
  virtual double value() { return valueForSocketIndex(0); }
  // The index is ignored: every output socket reads the same value.
  double valueForSocketIndex(int index) override;
  // What the input delivers (limited), else the stored value.
  double inputValue();
  // The stored value (the disabled value while disabled), rounded but not limited.
  double localValue() const;

  double disabledValue() const { return disabledValue_; }
  void setDisabledValue(double value) { disabledValue_ = value; }

  // The node that computes the value; not owned (the parameter's own node in practice).
  MVParameterValueSource* valueSource() const { return valueSource_; }
  virtual void setValueSource(MVParameterValueSource* source);
  bool hasValueSource() const override { return valueSource_ != nullptr; }
  // With a value source, the stored value stays the input (what was typed, or what the input
  // last delivered) and the source's result is cached apart. For sources that transform their
  // input (remap, cap, round) or stand in for it for a while (a symmetrical range): a stored
  // result would be transformed again at the next recomputation, and would replace what was
  // typed in the record. Off by default: the result is stored, as for computed outputs.
  bool keepsStoredValueWithSource() const { return keepsStoredValueWithSource_; }
  void setKeepsStoredValueWithSource(bool keeps) { keepsStoredValueWithSource_ = keeps; }
  // While a source is set, the row disables the input socket.
  bool disablesInputWithValueSource() const { return disablesInputWithValueSource_; }
  void setDisablesInputWithValueSource(bool disables) { disablesInputWithValueSource_ = disables; }
  bool canEditValue() const override;

  // Hard limits and the slider's preferred range. Setting a number sets its flag; reading a
  // number whose flag is clear logs and gives the stored number.
  bool hasMinValueLimit() const { return hasMinValueLimit_; }
  void setHasMinValueLimit(bool has) { hasMinValueLimit_ = has; }
  double minValueLimit() const;
  void setMinValueLimit(double limit);
  bool hasMaxValueLimit() const { return hasMaxValueLimit_; }
  void setHasMaxValueLimit(bool has) { hasMaxValueLimit_ = has; }
  double maxValueLimit() const;
  void setMaxValueLimit(double limit);
  bool hasPreferredValueRangeMin() const { return hasPreferredValueRangeMin_; }
  void setHasPreferredValueRangeMin(bool has) { hasPreferredValueRangeMin_ = has; }
  double preferredValueRangeMin() const;
  void setPreferredValueRangeMin(double value);
  bool hasPreferredValueRangeMax() const { return hasPreferredValueRangeMax_; }
  void setHasPreferredValueRangeMax(bool has) { hasPreferredValueRangeMax_ = has; }
  double preferredValueRangeMax() const;
  void setPreferredValueRangeMax(double value);
  bool isInteger() const { return isInteger_; }
  void setIsInteger(bool isInteger) { isInteger_ = isInteger; }

  void storeParameterUndoValue() override;
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;
  bool animatorCanAnimateProperty(const std::string& propertyName) const override;
  void animatorSetProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // Adds "Value" (the stored value, never the disabled one).
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  // Fails without "Value" unless the record is a two-axis one ("ValueX").
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;
  std::string description() const override;

protected:
  // Halves away from zero when isInteger, else unchanged; no limits.
  double roundedIfInteger(double value) const;

private:
  // Numbers first and flags together: a document holds thousands of these.
  double value_ = 0.0;  // stored value, also the cache of the last computed one
  double disabledValue_ = 0.0;
  MVParameterValueSource* valueSource_ = nullptr;  // a node, outlives this parameter
  double sourceResult_ = 0.0;  // the cache of the source's result while keepsStoredValueWithSource
  double minValueLimit_ = 0.0;
  double maxValueLimit_ = 0.0;
  double preferredValueRangeMin_ = 0.0;
  double preferredValueRangeMax_ = 0.0;
  bool disablesInputWithValueSource_ = true;
  bool keepsStoredValueWithSource_ = false;
  bool hasMinValueLimit_ = false;
  bool hasMaxValueLimit_ = false;
  bool hasPreferredValueRangeMin_ = false;
  bool hasPreferredValueRangeMax_ = false;
  bool isInteger_ = false;
};
