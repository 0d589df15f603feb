#pragma once

#include <QWidget>

// The timeline's current-time marker: a red vertical line through its middle, over the whole
// height. The timeline places and sizes it; it lets every mouse event through to the timeline.
class ODTimelineMarkerView final : public QWidget {
public:
  static constexpr int kWidth = 9;  // points

  explicit ODTimelineMarkerView(QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;
};
