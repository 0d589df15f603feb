#include "MorvNode/Inspector/MVSegmentedControl.h"

#include <QEvent>
#include <QToolButton>

#include "MorvNode/Inspector/InspectorImages.h"

MVSegmentedControl::MVSegmentedControl(int segmentCount, Tracking tracking, QWidget* parent)
    : QWidget(parent), tracking_(tracking)
{
  for (int index = 0; index < segmentCount; ++index) {
    auto* button = new QToolButton(this);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(button, &QToolButton::clicked, this, [this, index](bool checked) {
      lastClicked_ = index;
      if (tracking_ == Tracking::SelectOne) {
        deselectAll();
        segments_[static_cast<std::size_t>(index)]->setChecked(true);
      } else {
        segments_[static_cast<std::size_t>(index)]->setChecked(checked);
      }
      emit segmentClicked(index);
    });
    segments_.push_back(button);
  }
  icons_.resize(segments_.size());
  layoutSegments();
}

void MVSegmentedControl::setIcon(int segment, const QPixmap& icon, int size)
{
  QToolButton* button = segments_.at(static_cast<std::size_t>(segment));
  icons_.at(static_cast<std::size_t>(segment)) = icon;
  button->setIconSize(QSize(size, size));
  showIcon(segment);
}

void MVSegmentedControl::showIcon(int segment)
{
  const QPixmap& icon = icons_[static_cast<std::size_t>(segment)];
  QToolButton* button = segments_[static_cast<std::size_t>(segment)];
  button->setIcon(icon.isNull() ? QIcon() : QIcon(InspectorImages::tintedTemplate(icon, palette().color(QPalette::ButtonText))));
}

void MVSegmentedControl::changeEvent(QEvent* event)
{
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    for (int index = 0; index < segmentCount(); ++index) {
      showIcon(index);
    }
  }
}

void MVSegmentedControl::setToolTip(int segment, const QString& toolTip)
{
  segments_.at(static_cast<std::size_t>(segment))->setToolTip(toolTip);
}

bool MVSegmentedControl::isSelected(int segment) const
{
  return segment >= 0 && segment < segmentCount() && segments_[static_cast<std::size_t>(segment)]->isChecked();
}

void MVSegmentedControl::setSelected(int segment, bool selected)
{
  if (segment >= 0 && segment < segmentCount()) {
    segments_[static_cast<std::size_t>(segment)]->setChecked(selected);
  }
}

void MVSegmentedControl::deselectAll()
{
  for (QToolButton* button : segments_) {
    button->setChecked(false);
  }
}

void MVSegmentedControl::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  layoutSegments();
}

void MVSegmentedControl::layoutSegments()
{
  if (segments_.empty()) {
    return;
  }
  const int count = segmentCount();
  for (int index = 0; index < count; ++index) {
    const int left = width() * index / count;
    const int right = width() * (index + 1) / count;
    segments_[static_cast<std::size_t>(index)]->setGeometry(left, 0, right - left, height());
  }
}
