#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterIndex;
class QComboBox;

// The row of a choice parameter as a pop-up: one item per entry, "-" entries as separators that
// keep their index, with the entries' tool tips and icons. The pop-up follows later changes of
// the entries. The segment and change-mode rows derive from it.
class MVParameterIndexView : public MVParameterView {
  Q_OBJECT

public:
  explicit MVParameterIndexView(QWidget* parent = nullptr);

  // Fills a pop-up with the parameter's entries: item positions equal entry indexes.
  static void fillMenuForParameter(QComboBox* popup, const MVParameterIndex& parameter);

  void setParameter(MVParameter* parameter) override;
  MVParameterIndex* indexParameter() const { return parameter_; }
  void initInterface() override;
  void updateInterface() override;
  // The pop-up's top + 2; 0 without it.
  double socketInterfaceLocationForSocket(int index) const override;
  void valueControlChanged(QObject* sender) override;

  QComboBox* parameterPopupButton() const { return parameterPopupButton_; }

protected:
  void resizeEvent(QResizeEvent* event) override;
  // Drops the pop-up (the rows that show the entries otherwise).
  void removePopupButton();

  MVParameterIndex* parameter_ = nullptr;  // owned by its node; cleared when it goes

private:
  QComboBox* parameterPopupButton_ = nullptr;  // child
};
