#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterBool;
class QCheckBox;

// The row of a switch: one checkbox titled with the parameter's name.
class MVParameterBoolView : public MVParameterView {
  Q_OBJECT

public:
  explicit MVParameterBoolView(QWidget* parent = nullptr);

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  void valueControlChanged(QObject* sender) override;

  QCheckBox* parameterButton() const { return parameterButton_; }

private:
  MVParameterBool* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QCheckBox* parameterButton_ = nullptr;   // child
};
