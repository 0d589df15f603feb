#pragma once

class MVParameterView;
class QMouseEvent;

// What holds parameter rows (the node view): a row whose height or visibility changed asks it
// to stack its rows again, and a row hands it the pointer events it does not consume itself
// (a press on a row also selects and drags its node). Requests only mark; the stacking runs
// once after the pass.
class MVParameterViewContainer {
public:
  virtual ~MVParameterViewContainer() = default;
  virtual void rowNeedsLayout() = 0;
  // A press, move, release or double click on the row's own area (not on one of its controls).
  virtual void rowMouseEvent(MVParameterView* row, QMouseEvent* event)
  {
    (void)row;
    (void)event;
  }
};
