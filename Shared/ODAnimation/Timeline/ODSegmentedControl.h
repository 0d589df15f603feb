#pragma once

#include <array>

#include <QWidget>

class QToolButton;

// Two side-by-side exclusive segments, either of which, or neither, may be selected. Emits
// segmentChanged only when the user picks a segment, never for setSelectedSegment.
class ODSegmentedControl final : public QWidget {
  Q_OBJECT

public:
  ODSegmentedControl(const QString& first, const QString& second, QWidget* parent = nullptr);

  // 0 or 1; -1 when neither is selected.
  int selectedSegment() const;
  // Any value other than 0 or 1 selects neither.
  void setSelectedSegment(int segment);
  void setSegmentToolTip(int segment, const QString& toolTip);
  // The segment's button, for tests that click it; nullptr for an index other than 0 or 1.
  QToolButton* segmentButton(int segment) const;

signals:
  void segmentChanged(int segment);

private:
  void select(int segment);

  std::array<QToolButton*, 2> segments_{};  // children
};
