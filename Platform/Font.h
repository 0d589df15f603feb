#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Path.h"

namespace pf {

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

  // The PostScript name (what documents save).
  const std::string& fontName() const;
  const std::string& familyName() const;
  double pointSize() const { return pointSize_; }
  // The same face at another size (a size that is not finite and positive keeps this one).
  Font withSize(double pointSize) const;

  // The face's glyph for a character; 0 (the missing glyph) when it has none.
  std::uint16_t glyphForCharacter(char32_t character) const;
  // The glyph's outline at the point size in y-up font space (the baseline origin at (0, 0)),
  // one closed subpath per contour, with the quadratic pieces of TrueType outlines as they are.
  // An empty path for a glyph without outline (a space); nullopt (logged) for a glyph number
  // the face does not have.
  std::optional<Path> glyphOutline(std::uint16_t glyph) const;

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

}  // namespace pf
