#pragma once

// A parameter's row in its node's box, as the model reaches it. The row's class is named by
// the parameter (MVParameter::parameterViewClass); headless, a parameter has none.
class MVParameterInterfaceDelegate {
public:
  virtual ~MVParameterInterfaceDelegate() = default;

  // Lays the row out again after a change of value, label or state.
  virtual void setNeedsLayout() = 0;
  // Focuses the row's editor (the parameter became the drag-edit selection).
  virtual void makeFirstResponder() = 0;
  virtual void setHidden(bool hidden) = 0;
};
