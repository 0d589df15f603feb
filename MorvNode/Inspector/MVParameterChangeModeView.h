#pragma once

#include <QPointer>

#include "MorvNode/Inspector/MVParameterIndexView.h"

class MVSegmentedControl;
class QComboBox;
class QLabel;
class QPropertyAnimation;

// The change-mode selector of change nodes: the parameter's name and one small icon segment per
// mode. While the last mode (selection by pattern) is chosen, the segments move below the name
// and a "Selection" pop-up for the node's "Selection Mode" parameter appears beside them.
class MVParameterChangeModeView : public MVParameterIndexView {
  Q_OBJECT

public:
  static constexpr int kMoveMilliseconds = 200;

  explicit MVParameterChangeModeView(QWidget* parent = nullptr);

  void initInterface() override;
  // The node view sets the node's "Selection Mode" parameter, then builds its pop-up.
  MVParameterIndex* selectionModeParameter() const { return selectionModeParameter_; }
  void setSelectionModeParameter(MVParameterIndex* parameter) { selectionModeParameter_ = parameter; }
  void initSelectionModeInterface();
  void updateInterface() override;
  void valueControlChanged(QObject* sender) override;

  QLabel* selectorLabel() const { return selectorLabel_; }
  MVSegmentedControl* parameterSelector() const { return parameterSelector_; }
  QLabel* selectionModeLabel() const { return selectionModeLabel_; }
  QComboBox* selectionModePopupButton() const { return selectionModePopupButton_; }
  // The segments' place once a running move ends.
  QPoint selectorTargetOrigin() const { return selectorTarget_; }
  // Whether mode changes move the segments over 0.2 s (the window switches it with the
  // interface animation preference); off: they jump.
  static void setAnimatesMoves(bool animates) { animatesMoves_ = animates; }

private:
  MVParameterIndex* selectionModeParameter_ = nullptr;  // the node's; owned by it
  QLabel* selectorLabel_ = nullptr;                     // children
  MVSegmentedControl* parameterSelector_ = nullptr;
  QLabel* selectionModeLabel_ = nullptr;
  QComboBox* selectionModePopupButton_ = nullptr;
  QPropertyAnimation* move_ = nullptr;
  QPoint selectorTarget_;
  static inline bool animatesMoves_ = false;
};
