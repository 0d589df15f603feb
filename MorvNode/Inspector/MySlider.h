#pragma once

#include <QList>
#include <QSlider>

// A horizontal slider over a range of doubles that can mark explicit values with tick marks
// (the hover control marks 0 when its range spans it). The position is kept in kResolution
// steps of the range; callers round the values they take from it. Main thread only.
class MySlider : public QSlider {
  Q_OBJECT

public:
  static constexpr int kResolution = 10000;

  explicit MySlider(QWidget* parent = nullptr);

  double minValue() const { return minValue_; }
  double maxValue() const { return maxValue_; }
  // Keeps the value where it is in the new range as far as the range allows.
  void setMinValue(double value);
  void setMaxValue(double value);
  // Clamped to the range. Emits no signal.
  void setDoubleValue(double value);
  double doubleValue() const;

  // The values marked with tick marks; the count of tick marks follows the list.
  const QList<double>& tickmarkValues() const { return tickmarkValues_; }
  void setTickmarkValues(const QList<double>& values);
  // Marks exactly one value.
  void setTickmarkValue(double value);
  // The first marked value, 0 when none.
  double tickmarkValue() const { return tickmarkValues_.isEmpty() ? 0.0 : tickmarkValues_.first(); }
  int numberOfTickMarks() const { return numberOfTickMarks_; }
  void setNumberOfTickMarks(int count);
  // The list's entry at the index, else the evenly spaced value of that tick mark.
  double tickMarkValueAtIndex(int index) const;

signals:
  // The user moved the slider (not emitted by setDoubleValue).
  void doubleValueChanged(double value);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void applyValue();

  double minValue_ = 0.0;
  double maxValue_ = 100.0;
  double value_ = 0.0;
  QList<double> tickmarkValues_;
  int numberOfTickMarks_ = 0;
  bool settingPosition_ = false;
};
