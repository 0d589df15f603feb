#pragma once

#include <concepts>
#include <cstring>
#include <functional>
#include <iterator>

#include <QString>

class QFont;
class QPainter;
class QStyleOption;
class QWidget;

// Pictures of how small controls look, kept between paints. A screen full of node boxes shows a
// few hundred check boxes, buttons and sockets in a handful of looks; the style draws each anew
// on every paint (gradients, rounded frames, antialiased marks). A control that knows what its
// look depends on (state, palette, font, size, text...) names it in a key, and draws through
// paint(): the first paint of a look draws it into a picture that the pixmap cache keeps, every
// other paint of that look copies the picture.
class KeptLook {
public:
  // Everything a look depends on, packed into a string.
  class Key {
  public:
    // `kind` tells the kinds of control apart.
    explicit Key(char16_t kind);

    template <std::integral T>
    Key& add(T value)
    {
      char16_t parts[(sizeof(T) + 1) / 2] = {};
      std::memcpy(parts, &value, sizeof(T));
      text_.append(reinterpret_cast<const QChar*>(parts), static_cast<qsizetype>(std::size(parts)));
      return *this;
    }
    Key& add(double value);
    Key& add(const QString& text);
    Key& add(const QFont& font);
    // What the style draws from for any control: state, direction, frame, palette, the widget's
    // font and the style itself.
    Key& add(const QStyleOption& option, const QWidget& widget);

    const QString& text() const { return text_; }

  private:
    QString text_;
  };

  // Whether what the style draws of a widget can be kept: a style that does not animate between
  // states, and no style sheet (whose rules may depend on anything). Controls drawn by the style
  // ask this before they draw through paint().
  static bool isStyleKeepable(const QWidget& widget);

  // Paints `widget` (from its paintEvent) with the picture of `key`, made by `draw` when it is
  // not kept; a widget drawn through a graphics effect is drawn by `draw` straight. `draw` paints the
  // whole widget with a painter set up as a widget's own.
  static void paint(QWidget& widget, Key key, const std::function<void(QPainter&)>& draw);
};
