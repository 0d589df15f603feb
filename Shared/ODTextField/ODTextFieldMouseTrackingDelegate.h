#pragma once

class ODTextField;

// Told when the pointer enters or leaves a numeric field (the value rows show the shared hover
// control for it).
class ODTextFieldMouseTrackingDelegate {
public:
  virtual ~ODTextFieldMouseTrackingDelegate() = default;
  // The pointer entered an enabled, unobscured field that holds a simple value.
  virtual void textFieldMouseOver(ODTextField* field) = 0;
  virtual void textFieldMouseExited(ODTextField* field) = 0;
};
