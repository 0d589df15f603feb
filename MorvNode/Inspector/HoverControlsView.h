#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class HoverControlsDelegate;
class MVParameterValue;
class MySlider;
class ODTextField;
class QLabel;
class QToolButton;

// The one floating slider and stepper shown beside a numeric field while the pointer is over it,
// so that a value can be scrubbed without typing. It is a child overlay of the field's window,
// placed right of the field (left of it near the window's right edge). Its slider range is
// chosen from the value by a fixed table, narrowed by the parameter's preferred range and
// limits, and chosen again after each completed change (not while the slider is dragged).
//
// A value row shows it (showForField, setDelegate, setParameter in this order), owns it as its
// delegate while it is shown, and lets it hide 0.3 s after the pointer has left both the field
// and the control. Hidden, it has no delegate. Main thread only.
class HoverControlsView : public QWidget {
  Q_OBJECT

public:
  enum class Sender { Slider, Stepper, DefaultButton };
  struct ValueRange {
    double min = 0.0;
    double max = 100.0;
  };
  static constexpr int kHideDelayMilliseconds = 300;
  static constexpr const char* kScrollWheelEditingKey = "Enable Scroll Wheel Value Editing";

  // The single instance, created on first use. It lives in the window it was last shown in and
  // is made anew when that window is gone.
  static HoverControlsView* sharedHoverControls();
  // The instance when one exists; never creates one.
  static HoverControlsView* existingHoverControls();

  // The slider range for a value: the range table, the parameter's preferred range, its unit
  // limits and its hard limits, in this order. `positiveNegativeRange` is set by the first
  // negative value and then chooses ranges symmetric around 0. Without a parameter only the
  // first step applies (0 to 100 widened to the value).
  static ValueRange valueRangeForValue(double value, const MVParameterValue* parameter, bool& positiveNegativeRange);

  // Places and shows the control beside the field; its fieldIndex becomes the field's tag.
  void showForField(ODTextField* field);
  HoverControlsDelegate* delegate() const { return delegate_; }
  // Not owned; a row that goes away while it owns the control calls releaseDelegate.
  void setDelegate(HoverControlsDelegate* delegate) { delegate_ = delegate; }
  // Hides the control when the delegate owns it.
  void releaseDelegate(HoverControlsDelegate* delegate);
  MVParameterValue* parameter() const { return parameter_; }
  // Takes the parameter's value (the field's axis of a two-axis one) and chooses the range.
  void setParameter(MVParameterValue* parameter);

  // The slider shows the value, widened to include it (the chosen range stays); the stepper
  // takes it, with an increment of 0.1 over a range narrower than 3.1 for non-integers.
  void setDoubleValue(double value);
  double doubleValue() const;
  void recalculateValueRange();
  void updateDefaultButton();
  // A change from one of the controls (rounded to the slider's precision from the slider, or
  // to `finestStep` when that is finer: a wheel step). The range is chosen again unless the
  // slider is still being dragged or scrolled (`mouseUp` false).
  void valueChanged(Sender sender, bool mouseUp = true, double finestStep = 0.0);

  bool isMouseOver() const { return !isHidden() && mouseCurrentlyOver_; }
  void startHideTimer();
  bool isHideTimerActive() const { return hideTimer_.isActive(); }
  // Hides the control and forgets its field.
  void hideControls();
  // Hiding also cancels the timer and drops the delegate.
  void setVisible(bool visible) override;

  long fieldIndex() const { return fieldIndex_; }
  void setFieldIndex(long index) { fieldIndex_ = index; }
  double valueRangeMin() const { return valueRangeMin_; }
  double valueRangeMax() const { return valueRangeMax_; }
  double defaultValue() const { return defaultValue_; }
  void setDefaultValue(double value) { defaultValue_ = value; }
  bool dynamicValueRange() const { return dynamicValueRange_; }
  void setDynamicValueRange(bool dynamic) { dynamicValueRange_ = dynamic; }
  ODTextField* lastField() const;

  MySlider* valueSlider() const { return valueSlider_; }
  double stepperValue() const { return stepperValue_; }
  double stepperIncrement() const { return stepperIncrement_; }
  QToolButton* stepperUpButton() const { return stepperUp_; }
  QToolButton* stepperDownButton() const { return stepperDown_; }
  QString minimumLabelText() const;
  QString maximumLabelText() const;

protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  explicit HoverControlsView(QWidget* parent = nullptr);
  void step(double direction);
  // 0.1 over a range narrower than 3.1 for a non-integer parameter, else 1.
  void updateStepperIncrement();

  MySlider* valueSlider_ = nullptr;  // children
  QToolButton* stepperUp_ = nullptr;
  QToolButton* stepperDown_ = nullptr;
  QToolButton* defaultValueButton_ = nullptr;
  QLabel* valueMinValueLabel_ = nullptr;
  QLabel* valueMaxValueLabel_ = nullptr;

  MVParameterValue* parameter_ = nullptr;      // the delegate row's parameter; valid while shown
  HoverControlsDelegate* delegate_ = nullptr;  // not owned
  QPointer<QWidget> lastField_;
  long fieldIndex_ = 0;
  double valueRangeMin_ = 0.0;
  double valueRangeMax_ = 100.0;
  double defaultValue_ = 0.0;
  double stepperValue_ = 0.0;
  double stepperIncrement_ = 1.0;
  bool dynamicValueRange_ = false;
  bool mouseCurrentlyOver_ = false;
  QTimer hideTimer_;
  // Set by the first negative value; lasts for the rest of the process.
  static bool positiveNegativeRange_;
};
