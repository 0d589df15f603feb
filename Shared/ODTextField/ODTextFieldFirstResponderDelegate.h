#pragma once

class ODTextField;

// Told when a field has taken keyboard focus.
class ODTextFieldFirstResponderDelegate {
public:
  virtual ~ODTextFieldFirstResponderDelegate() = default;
  virtual void textFieldBecameFirstResponder(ODTextField* field) = 0;
};
