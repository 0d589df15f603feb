#pragma once

class QObject;

// The row that showed the shared hover control and receives its changes.
class HoverControlsDelegate {
public:
  virtual ~HoverControlsDelegate() = default;
  // `sender` is the HoverControlsView: its doubleValue() is the new value and its fieldIndex()
  // the axis it serves. The rows' own controls report through the same call.
  virtual void valueControlChanged(QObject* sender) = 0;
};
