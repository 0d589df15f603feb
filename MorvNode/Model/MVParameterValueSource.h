#pragma once

class MVParameter;

// Computes a value parameter's value from the value its input delivers (a node for its own
// parameters). `fieldIndex` is 0 for a one-axis value and the axis (0 X, 1 Y) for a two-axis one.
class MVParameterValueSource {
public:
  virtual ~MVParameterValueSource() = default;
  virtual double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) = 0;
};
