#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/Font.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"

namespace pf {

enum class TextAlignment { Left, Center, Right, Justified };

// How a text is set: the settings a paragraph of one font takes.
struct TextStyle {
  // Extra space after every character, in points (0 = the font's own spacing; negative
  // tightens).
  double tracking = 0.0;
  TextAlignment alignment = TextAlignment::Left;
  // Every line is this many points tall, the space above the natural line height (or the
  // overlap below it) split evenly above and below the glyphs, so lines follow each other at
  // exactly this pitch; 0 or less keeps each line's natural height.
  double lineHeight = 0.0;
  // Lines break at word boundaries (inside a word too long for a line) to fit this width, in
  // points; 0 or less means no wrapping (lines end only at line breaks in the text), and
  // alignment then acts within the widest line.
  double boxWidth = 0.0;
};

// One glyph a layout sets.
struct TextLayoutGlyph {
  Font font;                 // the face that shapes it: the chosen one, or a fallback for a
                             // character the chosen face lacks; at the layout's point size
  std::uint32_t glyph = 0;   // glyph number in that face
  int line = 0;              // line index from 0, top to bottom
  Point position;            // the glyph's origin on its baseline, layout space (below)
  std::size_t textIndex = 0; // byte offset in the UTF-8 text of the character it starts from
};

// One line of a layout.
struct TextLayoutLine {
  Rect rect;            // the line's logical box: full layout width, its line height
  double baseline = 0;  // y of its baseline
  std::size_t textStart = 0;   // byte range of the text it holds
  std::size_t textLength = 0;
};

// A text laid out in one font: line breaks, bidirectional reordering, shaping (ligatures,
// contextual forms, combining marks), font fallback per character, tracking, alignment and
// justification, through Pango with HarfBuzz. Layout space is y-down in points: x = 0 is the
// box's left edge (the widest line's without a box width), y = 0 the top of the first line.
// Glyphs are listed line by line in visual order, left to right, so right-to-left runs come out
// as they read on screen. Glyphs no installed face can draw, and the invisible glyphs of line
// breaks and control characters, are left out. Safe to use from any thread (layouts run one at
// a time).
class TextLayout {
public:
  // The layout of `text` (UTF-8; invalid sequences are replaced and logged) in `font`. An empty
  // text has no lines; a failure of the text system is logged and gives an empty layout.
  static TextLayout layout(const std::string& text, const Font& font, const TextStyle& style);

  const std::vector<TextLayoutGlyph>& glyphs() const { return glyphs_; }
  const std::vector<TextLayoutLine>& lines() const { return lines_; }
  // The union of the lines' logical boxes; an empty rect at the origin without lines.
  Rect bounds() const { return bounds_; }
  // The text as laid out (invalid UTF-8 replaced).
  const std::string& text() const { return text_; }

private:
  std::vector<TextLayoutGlyph> glyphs_;
  std::vector<TextLayoutLine> lines_;
  Rect bounds_;
  std::string text_;
};

}  // namespace pf
