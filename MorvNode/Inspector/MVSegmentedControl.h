#pragma once

#include <vector>

#include <QWidget>

class QToolButton;

// A row of icon segments of equal width. In SelectOne mode exactly the clicked segment is
// selected; in SelectAny mode each click toggles its segment on its own (the owner then decides
// what stays selected). Main thread only.
class MVSegmentedControl : public QWidget {
  Q_OBJECT

public:
  enum class Tracking { SelectOne, SelectAny };

  MVSegmentedControl(int segmentCount, Tracking tracking, QWidget* parent = nullptr);

  int segmentCount() const { return static_cast<int>(segments_.size()); }
  void setIcon(int segment, const QPixmap& icon, int size);
  void setToolTip(int segment, const QString& toolTip);
  bool isSelected(int segment) const;
  void setSelected(int segment, bool selected);
  void deselectAll();
  // The last clicked segment; -1 before any click.
  int selectedSegment() const { return lastClicked_; }
  QToolButton* segment(int index) const { return segments_.at(static_cast<std::size_t>(index)); }

signals:
  void segmentClicked(int segment);

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void layoutSegments();

  std::vector<QToolButton*> segments_;  // children
  Tracking tracking_;
  int lastClicked_ = -1;
};
