#include "MorvNode/Inspector/KeptLook.h"

#include <cstdint>

#include <QFont>
#include <QHashFunctions>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

KeptLook::Key::Key(char16_t kind)
{
  text_.reserve(128);
  text_.append(QChar(kind));
}

KeptLook::Key& KeptLook::Key::add(double value)
{
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return add(bits);
}

KeptLook::Key& KeptLook::Key::add(const QString& text)
{
  // Length first, so that two texts in a row cannot read as two others.
  add(static_cast<std::uint32_t>(text.size()));
  text_.append(text);
  return *this;
}

KeptLook::Key& KeptLook::Key::add(const QStyleOption& option, const QWidget& widget)
{
  add(static_cast<std::uint32_t>(option.state.toInt()));
  add(static_cast<std::int32_t>(option.direction));
  add(option.rect.x()).add(option.rect.y()).add(option.rect.width()).add(option.rect.height());
  add(option.palette.cacheKey());
  add(widget.font());
  add(reinterpret_cast<std::uintptr_t>(widget.style()));
  return *this;
}

KeptLook::Key& KeptLook::Key::add(const QFont& font)
{
  // The font's hash leaves out its point size and decorations; its key() says everything but is
  // a long text made anew on every call.
  add(static_cast<std::uint64_t>(qHash(font)));
  add(font.pointSizeF()).add(font.pixelSize());
  add((font.underline() ? 1 : 0) | (font.overline() ? 2 : 0) | (font.strikeOut() ? 4 : 0) | (font.kerning() ? 8 : 0));
  add(font.letterSpacing()).add(font.wordSpacing()).add(static_cast<std::int32_t>(font.capitalization()));
  return *this;
}

bool KeptLook::isStyleKeepable(const QWidget& widget)
{
  if (widget.style()->inherits("QStyleSheetStyle")) {
    return false;
  }
  // Only styles that draw a state the same way every time: a style that fades between states
  // paints one state in several looks, and a kept frame of its fade would stay.
  const QString style = widget.style()->name();
  return style.compare(u"fusion", Qt::CaseInsensitive) == 0 || style.compare(u"windows", Qt::CaseInsensitive) == 0;
}

void KeptLook::paint(QWidget& widget, Key key, const std::function<void(QPainter&)>& draw)
{
  const QSize size = widget.size();
  if (widget.graphicsEffect() != nullptr || size.isEmpty()) {
    QPainter painter(&widget);
    draw(painter);
    return;
  }
  const double ratio = widget.devicePixelRatioF();
  key.add(size.width()).add(size.height()).add(ratio);
  const QString& name = key.text();
  QPixmap picture;
  if (!QPixmapCache::find(name, &picture)) {
    picture = QPixmap(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    {
      // Set up as a painter on the widget would be.
      QPainter painter(&picture);
      painter.setFont(widget.font());
      painter.setPen(widget.palette().color(widget.foregroundRole()));
      painter.setLayoutDirection(widget.layoutDirection());
      draw(painter);
    }
    QPixmapCache::insert(name, picture);
  }
  QPainter painter(&widget);
  painter.drawPixmap(0, 0, picture);
}
