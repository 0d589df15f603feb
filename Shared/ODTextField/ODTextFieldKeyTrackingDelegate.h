#pragma once

class ODTextField;

// Told after every key release in a field.
class ODTextFieldKeyTrackingDelegate {
public:
  virtual ~ODTextFieldKeyTrackingDelegate() = default;
  virtual void textFieldEdited(ODTextField* field) = 0;
};
