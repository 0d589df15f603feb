#include "Platform/FontFile.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include "Platform/FileAccess.h"
#include "Platform/FontConfiguration.h"
#include "Platform/Log.h"

namespace pf {

struct FontFile::Handles {
  std::vector<std::uint8_t> bytes;  // the font file, which the face reads from for its lifetime
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Handles()
  {
    if (face) {
      FT_Done_Face(face);
    }
    if (library) {
      FT_Done_FreeType(library);
    }
  }
};

namespace {

constexpr std::size_t kMaxFontFileBytes = std::size_t{256} << 20;  // larger than any font

// Collects an outline as a path; FreeType's conic segments are quadratic curves.
struct OutlineBuilder {
  Path path;
  double scale = 1.0;
  bool open = false;

  Point point(const FT_Vector* vector) const
  {
    return Point(static_cast<double>(vector->x) * scale, static_cast<double>(vector->y) * scale);
  }
};

int moveTo(const FT_Vector* to, void* user)
{
  auto* builder = static_cast<OutlineBuilder*>(user);
  if (builder->open) {
    builder->path.closeSubpath();
  }
  builder->path.moveTo(builder->point(to));
  builder->open = true;
  return 0;
}

int lineTo(const FT_Vector* to, void* user)
{
  auto* builder = static_cast<OutlineBuilder*>(user);
  builder->path.lineTo(builder->point(to));
  return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
  auto* builder = static_cast<OutlineBuilder*>(user);
  builder->path.quadCurveTo(builder->point(control), builder->point(to));
  return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
  auto* builder = static_cast<OutlineBuilder*>(user);
  builder->path.curveTo(builder->point(control1), builder->point(control2), builder->point(to));
  return 0;
}

}  // namespace

FontFile::FontFile(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
FontFile::FontFile(FontFile&&) noexcept = default;
FontFile& FontFile::operator=(FontFile&&) noexcept = default;
FontFile::~FontFile() = default;

std::optional<FontFile> FontFile::open(const std::string& path)
{
  auto handles = std::make_unique<Handles>();
  if (FT_Init_FreeType(&handles->library) != 0) {
    handles->library = nullptr;
    log("Error, FreeType could not start");
    return std::nullopt;
  }
  // Read by us, so that only a regular file is read, and whole.
  std::optional<std::vector<std::uint8_t>> bytes = readRegularFile(path, kMaxFontFileBytes);
  if (!bytes) {
    log("Error, could not read the font file %@", path);  // after the line with the reason
    return std::nullopt;
  }
  handles->bytes = std::move(*bytes);
  if (FT_New_Memory_Face(handles->library, handles->bytes.data(), static_cast<FT_Long>(handles->bytes.size()), 0,
                         &handles->face) != 0) {
    handles->face = nullptr;
    log("Error, could not read the font file %@", path);
    return std::nullopt;
  }
  if (FT_Select_Charmap(handles->face, FT_ENCODING_UNICODE) != 0) {
    log("Warning, the font file %@ has no Unicode character map", path);
  }
  return FontFile(std::move(handles));
}

std::optional<std::string> FontFile::pathForFamily(std::string_view family)
{
  FcConfig* config = FontConfiguration::shared();
  if (!config) {
    return std::nullopt;
  }
  const std::string name(family);
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
  if (!pattern) {
    return std::nullopt;
  }
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  std::optional<std::string> path;
  FcChar8* file = nullptr;
  if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    path = reinterpret_cast<const char*>(file);
  }
  if (match) {
    FcPatternDestroy(match);
  }
  return path;
}

int FontFile::unitsPerEm() const
{
  return std::max<int>(1, handles_->face->units_per_EM);
}

std::vector<char32_t> FontFile::characters() const
{
  std::vector<char32_t> result;
  if (!handles_->face->charmap || handles_->face->charmap->encoding != FT_ENCODING_UNICODE) {
    return result;
  }
  FT_UInt glyph = 0;
  for (FT_ULong code = FT_Get_First_Char(handles_->face, &glyph); glyph != 0;
       code = FT_Get_Next_Char(handles_->face, code, &glyph)) {
    if (code <= 0x10FFFF) {
      result.push_back(static_cast<char32_t>(code));
    }
  }
  std::sort(result.begin(), result.end());
  return result;
}

std::optional<Path> FontFile::outlineForCharacter(char32_t codePoint, double scale) const
{
  FT_Face face = handles_->face;
  const FT_UInt glyph = FT_Get_Char_Index(face, codePoint);
  if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0 ||
      face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || face->glyph->outline.n_contours <= 0) {
    return std::nullopt;
  }
  OutlineBuilder builder;
  builder.scale = scale;
  FT_Outline_Funcs functions{};
  functions.move_to = moveTo;
  functions.line_to = lineTo;
  functions.conic_to = conicTo;
  functions.cubic_to = cubicTo;
  if (FT_Outline_Decompose(&face->glyph->outline, &functions, &builder) != 0) {
    return std::nullopt;
  }
  if (builder.open) {
    builder.path.closeSubpath();
  }
  if (builder.path.isEmpty()) {
    return std::nullopt;
  }
  return std::move(builder.path);
}

}  // namespace pf
