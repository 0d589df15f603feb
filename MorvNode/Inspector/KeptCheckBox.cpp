#include "MorvNode/Inspector/KeptCheckBox.h"

#include <cstdint>
#include <utility>

#include <QStyle>
#include <QStyleOption>

#include "MorvNode/Inspector/KeptLook.h"

void KeptCheckBox::paintEvent(QPaintEvent* event)
{
  if (!KeptLook::isStyleKeepable(*this)) {
    QCheckBox::paintEvent(event);
    return;
  }
  QStyleOptionButton option;
  initStyleOption(&option);
  KeptLook::Key key(u'c');
  key.add(option, *this)
    .add(option.text)
    .add(option.icon.cacheKey())
    .add(option.iconSize.width())
    .add(option.iconSize.height())
    .add(static_cast<std::uint32_t>(option.features));
  KeptLook::paint(*this, std::move(key), [this, &option](QPainter& painter) {
    style()->drawControl(QStyle::CE_CheckBox, &option, &painter, this);
  });
}
