#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterColor;
class MyColorWell;
class QLabel;

// The row of a colour parameter: a small colour well at the right of the name, or a full-width
// well without a name. Colours picked in the shared colour dialog reach the parameter at once.
class MVParameterColorView : public MVParameterView {
  Q_OBJECT

public:
  explicit MVParameterColorView(QWidget* parent = nullptr);

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  // The well's top + 2; 0 without a well.
  double socketInterfaceLocationForSocket(int index) const override;
  void valueControlChanged(QObject* sender) override;

  QLabel* parameterFieldLabel() const { return parameterFieldLabel_; }
  MyColorWell* parameterColorWell() const { return parameterColorWell_; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  MVParameterColor* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QLabel* parameterFieldLabel_ = nullptr;   // children
  MyColorWell* parameterColorWell_ = nullptr;
};
