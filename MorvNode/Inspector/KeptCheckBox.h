#pragma once

#include <QCheckBox>

// A check box that keeps its look between paints (see KeptLook): the boxes of every node and
// row header show one of a few looks.
class KeptCheckBox : public QCheckBox {
  Q_OBJECT

public:
  using QCheckBox::QCheckBox;

protected:
  void paintEvent(QPaintEvent* event) override;
};
