#include "Platform/Font.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include <hb-ft.h>
#include <hb-ot.h>

#include "Platform/FontConfiguration.h"
#include "Platform/Log.h"

namespace pf {

namespace {

// FreeType objects are not thread-safe: every call on the library or a face runs under this
// lock (recursive, because a face may be released while the cache is being changed).
std::recursive_mutex& freeTypeLock()
{
  static std::recursive_mutex lock;
  return lock;
}

// The process's FreeType library, made on first use; nullptr (logged) when it cannot start.
FT_Library freeTypeLibrary()
{
  static FT_Library library = [] {
    FT_Library made = nullptr;
    if (const FT_Error error = FT_Init_FreeType(&made); error != 0) {
      log("Error, could not start FreeType (error %d)", static_cast<int>(error));
      return static_cast<FT_Library>(nullptr);
    }
    return made;
  }();
  return library;
}

// The font configuration look-ups use. Called under freeTypeLock().
FcConfig* fontConfiguration()
{
  return FontConfiguration::shared();
}

bool isValidSize(double pointSize)
{
  return std::isfinite(pointSize) && pointSize > 0;
}

std::string patternString(FcPattern* pattern, const char* object)
{
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) == FcResultMatch && value != nullptr) {
    return reinterpret_cast<const char*>(value);
  }
  return {};
}

struct FaceLocation {
  std::string file;
  int index = 0;
  std::string postScriptName;
  std::string familyName;
};

std::optional<FaceLocation> faceLocation(FcPattern* pattern)
{
  FaceLocation location;
  location.file = patternString(pattern, FC_FILE);
  if (location.file.empty()) {
    return std::nullopt;
  }
  int index = 0;
  if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) == FcResultMatch) {
    location.index = index;
  }
  location.postScriptName = patternString(pattern, FC_POSTSCRIPT_NAME);
  location.familyName = patternString(pattern, FC_FAMILY);
  return location;
}

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using PatternHandle = std::unique_ptr<FcPattern, PatternDeleter>;

// Outline walk into a path, scaled from font units to points.
struct OutlineWalk {
  Path path;
  double scale = 1.0;
  bool started = false;

  Point point(const FT_Vector* vector) const
  {
    return {static_cast<double>(vector->x) * scale, static_cast<double>(vector->y) * scale};
  }
};

int walkMoveTo(const FT_Vector* to, void* user)
{
  auto* walk = static_cast<OutlineWalk*>(user);
  // FreeType contours are closed by definition; the previous one ends here.
  if (walk->started) {
    walk->path.closeSubpath();
  }
  walk->path.moveTo(walk->point(to));
  walk->started = true;
  return 0;
}

int walkLineTo(const FT_Vector* to, void* user)
{
  auto* walk = static_cast<OutlineWalk*>(user);
  walk->path.lineTo(walk->point(to));
  return 0;
}

int walkConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
  auto* walk = static_cast<OutlineWalk*>(user);
  walk->path.quadCurveTo(walk->point(control), walk->point(to));
  return 0;
}

int walkCubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
  auto* walk = static_cast<OutlineWalk*>(user);
  walk->path.curveTo(walk->point(control1), walk->point(control2), walk->point(to));
  return 0;
}

// The installed face with that PostScript name (fontconfig compares ignoring case and blanks);
// nullopt when there is none. Logs only a failure of fontconfig itself.
std::optional<FaceLocation> installedFace(const std::string& postScriptName)
{
  std::lock_guard guard(freeTypeLock());
  FcConfig* configuration = fontConfiguration();
  if (configuration == nullptr) {
    return std::nullopt;
  }
  PatternHandle pattern(FcPatternCreate());
  std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
      FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_POSTSCRIPT_NAME, nullptr));
  if (!pattern || !objects) {
    log("Error, could not look up font '%@': out of memory", postScriptName);
    return std::nullopt;
  }
  FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME, reinterpret_cast<const FcChar8*>(postScriptName.c_str()));
  std::unique_ptr<FcFontSet, FontSetDeleter> matches(FcFontList(configuration, pattern.get(), objects.get()));
  if (matches) {
    for (int i = 0; i < matches->nfont; ++i) {
      if (std::optional<FaceLocation> location = faceLocation(matches->fonts[i])) {
        return location;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

struct Font::Face {
  struct FaceDeleter {
    void operator()(FT_Face face) const
    {
      std::lock_guard guard(freeTypeLock());
      FT_Done_Face(face);
    }
  };

  std::unique_ptr<FT_FaceRec_, FaceDeleter> face;
  std::string file;
  int index = 0;
  std::string postScriptName;
  std::string familyName;
  // Vertical metrics in font units, read once when the face opens.
  double unitsPerEm = 1000;
  double ascender = 0;   // above the baseline, >= 0 for ordinary faces
  double descender = 0;  // below the baseline, >= 0 for ordinary faces
  double lineGap = 0;
  double capHeight = 0;  // 0 when the OS/2 table has none
};

std::shared_ptr<const Font::Face> Font::openFace(const std::string& file, int index,
                                                 const std::string& postScriptName, const std::string& familyName)
{
  std::lock_guard guard(freeTypeLock());
  // Faces already open, by file and index, so that fonts of one face share it.
  static std::map<std::pair<std::string, int>, std::weak_ptr<const Face>> openFaces;
  const auto key = std::make_pair(file, index);
  if (auto found = openFaces.find(key); found != openFaces.end()) {
    if (auto face = found->second.lock()) {
      return face;
    }
  }
  FT_Library library = freeTypeLibrary();
  if (library == nullptr) {
    return nullptr;
  }
  FT_Face handle = nullptr;
  if (const FT_Error error = FT_New_Face(library, file.c_str(), index, &handle); error != 0) {
    log("Error, could not open font file '%@' face %d (FreeType error %d)", file, index, static_cast<int>(error));
    return nullptr;
  }
  auto face = std::make_shared<Face>();
  face->face.reset(handle);
  face->file = file;
  face->index = index;
  face->familyName = familyName;
  if (face->familyName.empty() && handle->family_name != nullptr) {
    face->familyName = handle->family_name;
  }
  // Vertical metrics through HarfBuzz, which the text layout measures lines with, so that the
  // two agree (it picks between the horizontal header and the OS/2 values as the face asks).
  if (hb_face_t* hbFace = hb_ft_face_create_referenced(handle)) {
    hb_font_t* hbFont = hb_font_create(hbFace);
    face->unitsPerEm = hb_face_get_upem(hbFace) > 0 ? hb_face_get_upem(hbFace) : 1000;
    const auto metric = [hbFont](hb_ot_metrics_tag_t tag) {
      hb_position_t position = 0;
      return hb_ot_metrics_get_position(hbFont, tag, &position) ? static_cast<double>(position) : 0.0;
    };
    face->ascender = metric(HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER);
    face->descender = -metric(HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER);
    face->lineGap = metric(HB_OT_METRICS_TAG_HORIZONTAL_LINE_GAP);
    face->capHeight = metric(HB_OT_METRICS_TAG_CAP_HEIGHT);
    hb_font_destroy(hbFont);
    hb_face_destroy(hbFace);
  }
  // Faces whose OS/2 table predates the cap height (DejaVu's among them) get the top of their
  // capital H's outline, so that capitals scaled by it come out exactly as tall as asked.
  if (face->capHeight == 0) {
    const FT_UInt h = FT_Get_Char_Index(handle, U'H');
    FT_BBox box{};
    if (h != 0 && FT_Load_Glyph(handle, h, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
        handle->glyph->format == FT_GLYPH_FORMAT_OUTLINE && FT_Outline_Get_BBox(&handle->glyph->outline, &box) == 0) {
      face->capHeight = std::max<double>(0, box.yMax);
    }
  }
  face->postScriptName = postScriptName;
  if (face->postScriptName.empty()) {
    if (const char* name = FT_Get_Postscript_Name(handle)) {
      face->postScriptName = name;
    }
  }
  openFaces[key] = face;
  return face;
}

Font::Font(std::shared_ptr<const Face> face, double pointSize) : face_(std::move(face)), pointSize_(pointSize) {}

std::optional<Font> Font::named(const std::string& postScriptName, double pointSize)
{
  if (!isValidSize(pointSize)) {
    log("Error, font '%@' requested at invalid size %g", postScriptName, pointSize);
    return std::nullopt;
  }
  if (postScriptName.empty()) {
    log("Error, font requested without a name");
    return std::nullopt;
  }
  const std::optional<FaceLocation> location = installedFace(postScriptName);
  if (!location) {
    log("Error, no installed font with the PostScript name '%@'", postScriptName);
    return std::nullopt;
  }
  std::shared_ptr<const Face> face =
      openFace(location->file, location->index, location->postScriptName, location->familyName);
  if (!face) {
    return std::nullopt;
  }
  return Font(std::move(face), pointSize);
}

std::optional<FontMatch> Font::matching(const std::string& postScriptName, double pointSize)
{
  if (!isValidSize(pointSize)) {
    log("Error, font '%@' requested at invalid size %g", postScriptName, pointSize);
    return std::nullopt;
  }
  if (!postScriptName.empty()) {
    if (const std::optional<FaceLocation> exact = installedFace(postScriptName)) {
      if (std::shared_ptr<const Face> face =
              openFace(exact->file, exact->index, exact->postScriptName, exact->familyName)) {
        return FontMatch{Font(std::move(face), pointSize), false};
      }
    }
  }
  std::optional<FaceLocation> location;
  {
    std::lock_guard guard(freeTypeLock());
    FcConfig* configuration = fontConfiguration();
    PatternHandle pattern(FcPatternCreate());
    if (configuration != nullptr && pattern) {
      // The name's family part ("Helvetica" of "Helvetica-Bold") lets fontconfig's aliases find
      // a metric stand-in; the full name then prefers the closest style.
      const std::string family = postScriptName.substr(0, postScriptName.find('-'));
      if (!family.empty()) {
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME,
                           reinterpret_cast<const FcChar8*>(postScriptName.c_str()));
      }
      FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
      FcConfigSubstitute(configuration, pattern.get(), FcMatchPattern);
      FcDefaultSubstitute(pattern.get());
      FcResult result = FcResultNoMatch;
      PatternHandle match(FcFontMatch(configuration, pattern.get(), &result));
      if (match) {
        location = faceLocation(match.get());
      }
    }
  }
  if (!location) {
    log("Error, no font installed to stand in for '%@'", postScriptName);
    return std::nullopt;
  }
  std::shared_ptr<const Face> face =
      openFace(location->file, location->index, location->postScriptName, location->familyName);
  if (!face) {
    return std::nullopt;
  }
  return FontMatch{Font(std::move(face), pointSize), true};
}

std::optional<Font> Font::inFile(const std::string& file, int index, double pointSize)
{
  if (!isValidSize(pointSize)) {
    log("Error, font file '%@' requested at invalid size %g", file, pointSize);
    return std::nullopt;
  }
  std::shared_ptr<const Face> face = openFace(file, index, {}, {});
  if (!face) {
    return std::nullopt;
  }
  return Font(std::move(face), pointSize);
}

std::optional<Font> Font::systemFont(double pointSize)
{
  if (!isValidSize(pointSize)) {
    log("Error, system font requested at invalid size %g", pointSize);
    return std::nullopt;
  }
  std::optional<FaceLocation> location;
  {
    std::lock_guard guard(freeTypeLock());
    FcConfig* configuration = fontConfiguration();
    PatternHandle pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")));
    if (configuration != nullptr && pattern) {
      FcConfigSubstitute(configuration, pattern.get(), FcMatchPattern);
      FcDefaultSubstitute(pattern.get());
      FcResult result = FcResultNoMatch;
      PatternHandle match(FcFontMatch(configuration, pattern.get(), &result));
      if (match) {
        location = faceLocation(match.get());
      }
    }
  }
  if (!location) {
    log("Error, no system font installed");
    return std::nullopt;
  }
  std::shared_ptr<const Face> face =
      openFace(location->file, location->index, location->postScriptName, location->familyName);
  if (!face) {
    return std::nullopt;
  }
  return Font(std::move(face), pointSize);
}

const std::string& Font::fontName() const
{
  return face_->postScriptName;
}

const std::string& Font::familyName() const
{
  return face_->familyName;
}

Font Font::withSize(double pointSize) const
{
  return Font(face_, isValidSize(pointSize) ? pointSize : pointSize_);
}

const std::string& Font::fontFile() const
{
  return face_->file;
}

int Font::faceIndex() const
{
  return face_->index;
}

double Font::ascent() const
{
  return face_->ascender * pointSize_ / face_->unitsPerEm;
}

double Font::descent() const
{
  return face_->descender * pointSize_ / face_->unitsPerEm;
}

double Font::lineGap() const
{
  return face_->lineGap * pointSize_ / face_->unitsPerEm;
}

double Font::defaultLineHeight() const
{
  return ascent() + descent() + lineGap();
}

double Font::capHeight() const
{
  return face_->capHeight * pointSize_ / face_->unitsPerEm;
}

std::uint16_t Font::glyphForCharacter(char32_t character) const
{
  std::lock_guard guard(freeTypeLock());
  const FT_UInt glyph = FT_Get_Char_Index(face_->face.get(), character);
  return glyph <= 0xFFFF ? static_cast<std::uint16_t>(glyph) : 0;
}

std::optional<Path> Font::glyphOutline(std::uint16_t glyph) const
{
  std::lock_guard guard(freeTypeLock());
  FT_Face face = face_->face.get();
  if (glyph >= face->num_glyphs) {
    log("Error, font %@ has no glyph %d", description(), static_cast<int>(glyph));
    return std::nullopt;
  }
  if (const FT_Error error = FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
      error != 0) {
    log("Error, font %@ could not load glyph %d (FreeType error %d)", description(), static_cast<int>(glyph),
        static_cast<int>(error));
    return std::nullopt;
  }
  OutlineWalk walk;
  if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
    return walk.path;
  }
  // Unscaled outlines are in font units; units per em is 0 only for bitmap-only faces.
  walk.scale = face->units_per_EM > 0 ? pointSize_ / face->units_per_EM : 0.0;
  FT_Outline_Funcs funcs{};
  funcs.move_to = walkMoveTo;
  funcs.line_to = walkLineTo;
  funcs.conic_to = walkConicTo;
  funcs.cubic_to = walkCubicTo;
  if (const FT_Error error = FT_Outline_Decompose(&face->glyph->outline, &funcs, &walk); error != 0) {
    log("Error, font %@ has a broken outline for glyph %d (FreeType error %d)", description(),
        static_cast<int>(glyph), static_cast<int>(error));
    return std::nullopt;
  }
  if (walk.started) {
    walk.path.closeSubpath();
  }
  return walk.path;
}

std::optional<Rect> Font::boundingRectForGlyph(std::uint16_t glyph) const
{
  const std::optional<Path> outline = glyphOutline(glyph);
  return outline ? outline->bounds() : std::nullopt;
}

std::string Font::description() const
{
  return format("%@ %g", face_->postScriptName, pointSize_);
}

bool operator==(const Font& a, const Font& b)
{
  return a.face_ == b.face_ && a.pointSize_ == b.pointSize_;
}

}  // namespace pf
