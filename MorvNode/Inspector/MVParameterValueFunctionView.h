#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterValueFunction;
class QLabel;

// The row of a function parameter: a small graph of the function over its input 0 to 1 with
// axes, tick marks and, for time functions, a marker at the current time. It has no controls of
// its own: the function's settings are other parameters of the node. The graph is drawn anew at
// every repaint.
class MVParameterValueFunctionView : public MVParameterView {
  Q_OBJECT

public:
  static constexpr int kGraphHeight = 50;  // points

  explicit MVParameterValueFunctionView(QWidget* parent = nullptr);

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;

  QWidget* graphSizeView() const { return graphSizeView_; }
  QWidget* timeMarkerView() const { return timeMarkerView_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  MVParameterValueFunction* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QWidget* graphSizeView_ = nullptr;                // children
  QWidget* timeMarkerView_ = nullptr;
};
