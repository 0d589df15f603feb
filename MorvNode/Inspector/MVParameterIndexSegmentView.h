#pragma once

#include "MorvNode/Inspector/MVParameterIndexView.h"

class MVSegmentedControl;

// A choice parameter as a row of icon segments, one per entry: clicking a segment chooses it,
// clicking the chosen one again turns the choice off (index -1). The segments are built once.
class MVParameterIndexSegmentView : public MVParameterIndexView {
  Q_OBJECT

public:
  explicit MVParameterIndexSegmentView(QWidget* parent = nullptr);

  void initInterface() override;
  void updateInterface() override;
  void valueControlChanged(QObject* sender) override;

  MVSegmentedControl* parameterSelector() const { return parameterSelector_; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  MVSegmentedControl* parameterSelector_ = nullptr;  // child
};
