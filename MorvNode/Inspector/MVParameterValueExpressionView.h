#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterValueExpression;
class QLabel;
class QPlainTextEdit;

// The row of a formula parameter: a short label naming the input variable the formula may use
// (shown while the parameter has an input socket), and a wrapping text area for the formula
// that grows to at most 60 points for long formulas and is tinted with the warning colour while
// the formula does not parse. Ending an edit stores the text through the parameter's setter.
class MVParameterValueExpressionView : public MVParameterView {
  Q_OBJECT

public:
  static constexpr int kMaxTextHeight = 60;  // points

  explicit MVParameterValueExpressionView(QWidget* parent = nullptr);

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  // The text area's top + 3 for every socket; 0 without it.
  double socketInterfaceLocationForSocket(int index) const override;
  QWidget* firstKeyView() const override;
  // The size the formula needs at the text area's width.
  QSize textContentSize() const;
  // Places the text area right of a shown input label and sizes it to its text.
  void updateTextFieldSize();
  // The edit ended: stores the text when the parameter is enabled and shown.
  void controlTextDidEndEditing();

  QLabel* inputParameterLabel() const { return inputParameterLabel_; }
  QPlainTextEdit* textField() const { return textField_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  MVParameterValueExpression* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QLabel* inputParameterLabel_ = nullptr;             // children
  QPlainTextEdit* textField_ = nullptr;
  bool editing_ = false;
};
