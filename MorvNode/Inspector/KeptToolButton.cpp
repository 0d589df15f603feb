#include "MorvNode/Inspector/KeptToolButton.h"

#include <cstdint>
#include <utility>

#include <QStyle>
#include <QStyleOption>

#include "MorvNode/Inspector/KeptLook.h"

void KeptToolButton::paintEvent(QPaintEvent* event)
{
  if (!KeptLook::isStyleKeepable(*this)) {
    QToolButton::paintEvent(event);
    return;
  }
  QStyleOptionToolButton option;
  initStyleOption(&option);
  KeptLook::Key key(u't');
  key.add(option, *this)
    .add(option.text)
    .add(option.icon.cacheKey())
    .add(option.iconSize.width())
    .add(option.iconSize.height())
    .add(static_cast<std::uint32_t>(option.subControls.toInt()))
    .add(static_cast<std::uint32_t>(option.activeSubControls.toInt()))
    .add(static_cast<std::uint32_t>(option.features.toInt()))
    .add(static_cast<std::int32_t>(option.toolButtonStyle))
    .add(static_cast<std::int32_t>(option.arrowType))
    .add(option.font);
  KeptLook::paint(*this, std::move(key), [this, &option](QPainter& painter) {
    style()->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, this);
  });
}
