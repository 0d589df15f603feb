#pragma once

#include "MorvNode/Inspector/HoverControlsDelegate.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "Shared/ODTextField/ODTextFieldFirstResponderDelegate.h"
#include "Shared/ODTextField/ODTextFieldMouseTrackingDelegate.h"

class MVParameterValue;
class ODTextField;
class QLabel;

// The row of a one-number parameter: its name on the left, an expression-aware field for the
// number on the right, and a keyframe marker left of the field while the value is animated.
// While the pointer is over an editable field the row shows the shared hover control beside it
// and takes the control's changes like the field's. Values are stored through the parameter's
// setter (undo, invalidation, regeneration).
class MVParameterValueView : public MVParameterView,
                             public HoverControlsDelegate,
                             public ODTextFieldMouseTrackingDelegate,
                             public ODTextFieldFirstResponderDelegate {
  Q_OBJECT

public:
  explicit MVParameterValueView(QWidget* parent = nullptr);
  ~MVParameterValueView() override;

  void setParameter(MVParameter* parameter) override;
  MVParameterValue* valueParameter() const { return parameter_; }

  void initInterface() override;
  void updateInterface() override;
  // The field's top plus 2 for every socket; 0 without a field.
  double socketInterfaceLocationForSocket(int index) const override;
  QWidget* firstKeyView() const override;
  void makeFirstResponder() override;
  // From the field: its evaluated text; from the hover control: its value.
  void valueControlChanged(QObject* sender) override;

  void textFieldBecameFirstResponder(ODTextField* field) override;
  void textFieldMouseOver(ODTextField* field) override;
  void textFieldMouseExited(ODTextField* field) override;

  QLabel* parameterFieldLabel() const { return parameterFieldLabel_; }
  ODTextField* parameterField() const { return parameterField_; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  MVParameterValue* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QLabel* parameterFieldLabel_ = nullptr;   // children
  ODTextField* parameterField_ = nullptr;
};
