#pragma once

#include "MorvNode/Inspector/HoverControlsDelegate.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "Shared/ODTextField/ODTextFieldFirstResponderDelegate.h"
#include "Shared/ODTextField/ODTextFieldMouseTrackingDelegate.h"

class MVParameterValue2D;
class ODTextField;
class QLabel;
class QToolButton;

// The row of a two-number parameter (a position, a size): an X line and a Y line, each a label
// and an expression-aware field (tags 0 and 1, the axes), a keyframe marker per axis, and a
// lock toggle between the fields that ties Y to X in the ratio of the moment it was locked. A
// Y-only parameter shows its Y line on the first line. Values from the fields and the shared
// hover control go to the axis they belong to, through the parameter's setters.
class MVParameterValue2DView : public MVParameterView,
                               public HoverControlsDelegate,
                               public ODTextFieldMouseTrackingDelegate,
                               public ODTextFieldFirstResponderDelegate {
  Q_OBJECT

public:
  explicit MVParameterValue2DView(QWidget* parent = nullptr);
  ~MVParameterValue2DView() override;

  void setParameter(MVParameter* parameter) override;
  MVParameterValue2D* pairParameter() const { return parameter_; }

  void initInterface() override;
  void updateInterface() override;
  // 0: the X field's top + 2; 1: the Y field's; 15 x index + 4 without that field.
  double socketInterfaceLocationForSocket(int index) const override;
  QWidget* firstKeyView() const override;
  QWidget* lastKeyView() const override;
  // Focus to the X field unless the Y field has it.
  void makeFirstResponder() override;
  void valueControlChanged(QObject* sender) override;
  // Locks or unlocks; an edit in progress is committed first, so the ratio is the typed one.
  void aspectToggleButtonPressed();

  void textFieldBecameFirstResponder(ODTextField* field) override;
  void textFieldMouseOver(ODTextField* field) override;
  void textFieldMouseExited(ODTextField* field) override;

  QLabel* parameterFieldLabelX() const { return parameterFieldLabelX_; }
  QLabel* parameterFieldLabelY() const { return parameterFieldLabelY_; }
  ODTextField* parameterFieldX() const { return parameterFieldX_; }
  ODTextField* parameterFieldY() const { return parameterFieldY_; }
  QLabel* animationMarkerX() const { return animationMarkerX_; }
  QLabel* animationMarkerY() const { return animationMarkerY_; }
  QToolButton* aspectToggleButton() const { return aspectToggleButton_; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void placeRightControls();

  MVParameterValue2D* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QLabel* parameterFieldLabelX_ = nullptr;    // children
  ODTextField* parameterFieldX_ = nullptr;
  QLabel* parameterFieldLabelY_ = nullptr;
  ODTextField* parameterFieldY_ = nullptr;
  QLabel* animationMarkerX_ = nullptr;
  QLabel* animationMarkerY_ = nullptr;
  QToolButton* aspectToggleButton_ = nullptr;
  int lineY_[2] = {0, 0};  // built tops of the X and Y lines
};
