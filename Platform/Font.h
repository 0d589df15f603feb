#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Path.h"
#include "Platform/Rect.h"

namespace pf {

struct FontMatch;

// One installed font face at a point size: the value a font parameter holds and text is set
// in. Faces are found through fontconfig by PostScript name (the name saved in documents) and
// read with FreeType; fonts of one face share it. Safe to use from any thread.
class Font {
public:
  // The face with that PostScript name (compared ignoring case and blanks, as fontconfig
  // does); nullopt (logged) when none is installed or the size is not finite and positive.
  static std::optional<Font> named(const std::string& postScriptName, double pointSize);
  // The desktop's default sans-serif face; nullopt (logged) only when no font is installed.
  static std::optional<Font> systemFont(double pointSize);
  // The face with that PostScript name, or else the installed face fontconfig finds closest to
  // it (same family where there is one), marked as substituted; a missing font is not logged,
  // the caller tells the user. nullopt (logged) only for an invalid size or no fonts at all.
  static std::optional<FontMatch> matching(const std::string& postScriptName, double pointSize);
  // Face `index` of a font file (how the text layout names the faces it falls back to);
  // nullopt (logged) when the file cannot be read or the size is not finite and positive.
  static std::optional<Font> inFile(const std::string& file, int index, double pointSize);

  // The PostScript name (what documents save).
  const std::string& fontName() const;
  const std::string& familyName() const;
  double pointSize() const { return pointSize_; }
  // The same face at another size (a size that is not finite and positive keeps this one).
  Font withSize(double pointSize) const;
  const std::string& fontFile() const;
  int faceIndex() const;

  // Vertical metrics at the point size, as the text layout uses them (the horizontal header,
  // or the OS/2 typographic values where the face asks for those). Ascent and descent are
  // distances from the baseline, both >= 0 for ordinary faces.
  double ascent() const;
  double descent() const;
  double lineGap() const;
  // The height of a line set solid: ascent + descent + line gap.
  double defaultLineHeight() const;
  // The height of capitals from the OS/2 table, or where the table has none, of the face's
  // capital H; 0 when neither is known.
  double capHeight() const;

  // The face's glyph for a character; 0 (the missing glyph) when it has none.
  std::uint16_t glyphForCharacter(char32_t character) const;
  // The glyph's outline at the point size in y-up font space (the baseline origin at (0, 0)),
  // one closed subpath per contour, with the quadratic pieces of TrueType outlines as they are.
  // An empty path for a glyph without outline (a space); nullopt (logged) for a glyph number
  // the face does not have.
  std::optional<Path> glyphOutline(std::uint16_t glyph) const;
  // The tight box of the glyph's outline in the same space; nullopt for a glyph without
  // outline or one the face does not have (logged as glyphOutline does).
  std::optional<Rect> boundingRectForGlyph(std::uint16_t glyph) const;

  // "<PostScript name> <size>" for log lines.
  std::string description() const;
  // The same face at the same size.
  friend bool operator==(const Font& a, const Font& b);

private:
  struct Face;
  static std::shared_ptr<const Face> openFace(const std::string& file, int index, const std::string& postScriptName,
                                              const std::string& familyName);
  Font(std::shared_ptr<const Face> face, double pointSize);

  std::shared_ptr<const Face> face_;  // shared by every font of the face, never null
  double pointSize_ = 12.0;
};

// A font found for a saved name: the face itself, or a stand-in when it is not installed.
struct FontMatch {
  Font font;
  bool substituted = false;  // the face's PostScript name is not the one asked for
};

}  // namespace pf
