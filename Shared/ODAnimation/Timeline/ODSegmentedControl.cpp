#include "Shared/ODAnimation/Timeline/ODSegmentedControl.h"

#include <QHBoxLayout>
#include <QToolButton>

ODSegmentedControl::ODSegmentedControl(const QString& first, const QString& second, QWidget* parent)
  : QWidget(parent)
{
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const std::array<QString, 2> titles{first, second};
  for (int index = 0; index < 2; ++index) {
    auto* button = new QToolButton(this);
    button->setText(titles[static_cast<std::size_t>(index)]);
    button->setCheckable(true);
    connect(button, &QToolButton::clicked, this, [this, index] { select(index); });
    layout->addWidget(button);
    segments_[static_cast<std::size_t>(index)] = button;
  }
}

int ODSegmentedControl::selectedSegment() const
{
  for (int index = 0; index < 2; ++index) {
    if (segments_[static_cast<std::size_t>(index)]->isChecked()) {
      return index;
    }
  }
  return -1;
}

void ODSegmentedControl::setSelectedSegment(int segment)
{
  for (int index = 0; index < 2; ++index) {
    segments_[static_cast<std::size_t>(index)]->setChecked(index == segment);
  }
}

void ODSegmentedControl::setSegmentToolTip(int segment, const QString& toolTip)
{
  if (QToolButton* button = segmentButton(segment)) {
    button->setToolTip(toolTip);
  }
}

QToolButton* ODSegmentedControl::segmentButton(int segment) const
{
  return segment == 0 || segment == 1 ? segments_[static_cast<std::size_t>(segment)] : nullptr;
}

void ODSegmentedControl::select(int segment)
{
  // A click on the selected segment keeps it selected: one of the two always holds once chosen.
  setSelectedSegment(segment);
  emit segmentChanged(segment);
}
