#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterFont;
class QPushButton;

// The row of a font parameter: a button titled with the font's name that opens the shared font
// panel (faces only: the parameter keeps its size). A face chosen there goes to the parameter.
class MVParameterFontView : public MVParameterView {
  Q_OBJECT

public:
  explicit MVParameterFontView(QWidget* parent = nullptr);
  ~MVParameterFontView() override;

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  void openFontPanel();
  // The panel chose a face: the parameter's font in that face, at its size.
  void changeFont(const std::string& postScriptName);

  QPushButton* fontButton() const { return fontButton_; }

private:
  MVParameterFont* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QPushButton* fontButton_ = nullptr;      // child
};
