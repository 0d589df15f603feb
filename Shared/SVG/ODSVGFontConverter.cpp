#include "Shared/SVG/ODSVGFontConverter.h"

#include "Platform/Format.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGShapeLayer.h"
#include "Shared/SVG/ODSVGTransaction.h"
#include "Shared/SVG/ODSVGUtils.h"

namespace {

std::string utf8(char32_t c)
{
  std::string text;
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xC0 | (c >> 6));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (c >> 18));
    text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
  return text;
}

// The first UTF-16 unit of the code point (the high surrogate above the first plane).
unsigned firstUTF16Unit(char32_t c)
{
  if (c < 0x10000) {
    return static_cast<unsigned>(c);
  }
  return 0xD800u + ((static_cast<unsigned>(c) - 0x10000u) >> 10);
}

}  // namespace

ODSVGFontConverter::ODSVGFontConverter(std::string path) : path_(std::move(path)), font_(pf::FontFile::open(path_)) {}

std::vector<std::string> ODSVGFontConverter::allCharacters() const
{
  std::vector<std::string> result;
  if (!font_) {
    return result;
  }
  for (const char32_t c : font_->characters()) {
    // Surrogate code points are no characters.
    if (c < 0xD800 || c > 0xDFFF) {
      result.push_back(utf8(c));
    }
  }
  return result;
}

void ODSVGFontConverter::generateMap()
{
  std::map<std::string, pf::Path> paths;
  if (font_) {
    const double scale = kFontSize / font_->unitsPerEm();
    for (const char32_t c : font_->characters()) {
      if (c >= 0xD800 && c <= 0xDFFF) {
        continue;
      }
      if (std::optional<pf::Path> outline = font_->outlineForCharacter(c, scale)) {
        paths[pf::format("%04x", firstUTF16Unit(c))] = ODSVGUtils::newFlippedCGPath(*outline);
      }
    }
  }
  transformedPaths_ = std::move(paths);
}

void ODSVGFontConverter::enumerateUsingBlock(
    const std::function<void(const std::string&, const std::shared_ptr<ODSVG>&)>& block)
{
  if (!transformedPaths_) {
    generateMap();
  }
  for (const auto& [key, path] : *transformedPaths_) {
    block(key, convertPathToSVG(path));
  }
}

std::shared_ptr<ODSVG> ODSVGFontConverter::convertPathToSVG(const pf::Path& path)
{
  const std::optional<pf::Rect> box = path.bounds();
  if (!box) {
    return nullptr;
  }
  std::shared_ptr<ODSVGGroupLayer> group;
  ODSVGObtainTransactionLock([&] {
    auto shape = std::make_shared<ODSVGShapeLayer>();
    shape->setPath(path);
    group = std::make_shared<ODSVGGroupLayer>();
    group->addSublayer(std::move(shape));
  });
  return ODSVG::initWithSVGLayer(std::move(group), *box);
}

std::shared_ptr<ODSVG> ODSVGFontConverter::convertODSVGPathToSVG(const ODSVGPath& glyph)
{
  const std::optional<pf::Path> path = ODSVGUtils::newCGPathFromBezierPath(glyph.path());
  if (!path) {
    return nullptr;
  }
  return convertPathToSVG(ODSVGUtils::newFlippedCGPath(*path));
}
