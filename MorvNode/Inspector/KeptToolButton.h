#pragma once

#include <QToolButton>

// A tool button that keeps its look between paints (see KeptLook): the menu, lock and
// visibility buttons of node boxes and rows.
class KeptToolButton : public QToolButton {
  Q_OBJECT

public:
  using QToolButton::QToolButton;

protected:
  void paintEvent(QPaintEvent* event) override;
};
