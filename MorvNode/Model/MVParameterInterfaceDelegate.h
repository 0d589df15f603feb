#pragma once

// A parameter's row in its node's box, as the model reaches it. The row's class is named by
// the parameter (MVParameter::parameterViewClass); headless, a parameter has none.
class MVParameterInterfaceDelegate {
public:
  virtual ~MVParameterInterfaceDelegate() = default;

  // Marks the row for layout after a change of value, label or state. Called often (on every
  // evaluation of a graphics parameter): it only marks, and the row is laid out once after the
  // pass of the run loop (the interface's rows derive from MVCoalescedLayout).
  virtual void setNeedsLayout() = 0;
  // Focuses the row's editor (the parameter became the drag-edit selection).
  virtual void makeFirstResponder() = 0;
  virtual void setHidden(bool hidden) = 0;
};
