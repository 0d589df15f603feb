#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterString;
class QPlainTextEdit;

// The row of a text parameter: a wrapping text area that grows with its text up to 200 points
// and never becomes narrower than it was. Every end of editing stores the text (Return ends it;
// Shift+Return starts a new line).
class MVParameterStringView : public MVParameterView {
  Q_OBJECT

public:
  static constexpr int kMaxTextHeight = 200;  // points

  explicit MVParameterStringView(QWidget* parent = nullptr);

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  QWidget* firstKeyView() const override;
  void updateTextFieldSize();
  // Stores the text when the parameter is enabled and shown.
  void controlTextDidEndEditing();

  QPlainTextEdit* textField() const { return textField_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  MVParameterString* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QPlainTextEdit* textField_ = nullptr;      // child
  bool editing_ = false;
};
