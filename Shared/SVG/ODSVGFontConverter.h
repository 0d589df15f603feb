#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/FontFile.h"
#include "Platform/Path.h"

class ODSVG;
class ODSVGPath;

// Turns every glyph of a font file into a one-path SVG document object. Outlines are taken at a
// size of 30 (points per em), turned y-down for SVG, and keyed by "%04x" of the first UTF-16
// unit of their character (the letter A is "0041").
//
// Reads only the given file. One object per thread; the documents it makes are independent.
class ODSVGFontConverter {
public:
  static constexpr double kFontSize = 30.0;

  // A converter for the font file; one without a font (logged) when the file does not read.
  explicit ODSVGFontConverter(std::string path);

  bool hasFont() const { return font_.has_value(); }
  const std::optional<pf::FontFile>& font() const { return font_; }

  // Every character the font covers, ascending by code point, as UTF-8 strings.
  std::vector<std::string> allCharacters() const;
  // Builds the key-to-outline map (characters without an outline are left out; a later
  // character with the same key replaces the earlier).
  void generateMap();
  // Calls `block` once per map entry, in key order, with the key and the outline's document;
  // builds the map first when needed.
  void enumerateUsingBlock(const std::function<void(const std::string&, const std::shared_ptr<ODSVG>&)>& block);

  // A document holding the path as one black shape in a group, its view box the path's box;
  // nullptr for an empty path.
  static std::shared_ptr<ODSVG> convertPathToSVG(const pf::Path& path);
  // The glyph node's path closed, flipped upright and converted as above.
  static std::shared_ptr<ODSVG> convertODSVGPathToSVG(const ODSVGPath& glyph);

private:
  std::string path_;
  std::optional<pf::FontFile> font_;
  std::optional<std::map<std::string, pf::Path>> transformedPaths_;
};
