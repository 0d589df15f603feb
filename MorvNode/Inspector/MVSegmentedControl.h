#pragma once

#include <vector>

#include <QPixmap>
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
  // `size` in points, square. A template icon (InspectorImages::isTemplateImage) is shown in
  // the palette's button text colour and follows palette changes (light and dark desktops).
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
  void changeEvent(QEvent* event) override;

private:
  void layoutSegments();
  void showIcon(int segment);

  std::vector<QToolButton*> segments_;  // children
  std::vector<QPixmap> icons_;          // as given, per segment
  Tracking tracking_;
  int lastClicked_ = -1;
};
