#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Path.h"

namespace pf {

// One face of a font file read with FreeType, for its character map and glyph outlines (the
// text layout finds installed fonts by name through Pango instead). Reads only the file it is
// given. One thread at a time per object; objects are independent.
class FontFile {
public:
  // The first face of the file; nullopt (logged) when FreeType cannot read it.
  static std::optional<FontFile> open(const std::string& path);
  // The file fontconfig picks for a family name (the best match, which may be another family
  // when the name is not installed); nullopt when fontconfig has no font at all.
  static std::optional<std::string> pathForFamily(std::string_view family);

  FontFile(FontFile&&) noexcept;
  FontFile& operator=(FontFile&&) noexcept;
  ~FontFile();

  // Font units per em (at least 1).
  int unitsPerEm() const;
  // Every code point the Unicode character map covers, ascending.
  std::vector<char32_t> characters() const;
  // The outline of the glyph the character map gives the code point, in font units times
  // `scale`, y up as fonts are drawn, each contour closed. nullopt when the code point has no
  // glyph, the glyph has no outline (a space) or cannot be loaded.
  std::optional<Path> outlineForCharacter(char32_t codePoint, double scale) const;

private:
  struct Handles;
  explicit FontFile(std::unique_ptr<Handles> handles);

  std::unique_ptr<Handles> handles_;
};

}  // namespace pf
