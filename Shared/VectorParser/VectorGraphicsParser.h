#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "Platform/Image.h"
#include "Platform/Path.h"
#include "Shared/VectorParser/VectorParserPathStruct.h"

// The compact path reader: turns the bytes of a vector file into one outline path for file
// parameters. It sniffs whether the bytes are SVG text, EPS text or an image and hands text to
// the SVG or EPS subset reader; an image with an EPS or PDF representation is turned into EPS
// text first (a PDF page is drawn onto a Cairo EPS surface). Whatever the input, the answer
// holds at most one record: every shape merged into one path centred on the origin, with the
// file's even-odd rule.
//
// Class operations only, no state; safe to call from any thread. Failures are logged and
// answered with nullopt (or an empty list from the text readers); nothing is thrown. Only the
// given bytes are read: no file, URL or external reference is ever opened, and EPS reaches
// Ghostscript only through the image decoder (-dSAFER, with a time limit).
class VectorGraphicsParser {
public:
  // Text beyond this size is refused (logged): the readers keep a few copies of their text.
  static constexpr std::size_t kMaxDataSize = std::size_t{32} << 20;

  // The entry file parameters use. Empty data logs and gives nullopt; text with both "<svg"
  // and "</svg>" is SVG, text with both "EPS" and "%%EndPageSetup" is EPS (case-insensitive,
  // bytes read as Latin-1 so one non-ASCII byte in a comment changes nothing); anything else is
  // decoded as an image and read through parserPathsFromImage (nullopt, unlogged, when it is no
  // image).
  static std::optional<VectorParserPaths> parserPathsFromData(std::span<const std::uint8_t> data);
  // Paths from the image's EPS representation (the last one), or else from its PDF
  // representation converted to EPS at the page's size. nullopt without either (unlogged), and
  // nullopt with a log line when the EPS held no path.
  static std::optional<VectorParserPaths> parserPathsFromImage(const pf::Image& image);
  static VectorParserPaths parserPathsFromSVGString(std::string_view text);
  static std::optional<VectorParserPaths> parserPathsFromEPSString(std::string_view text);
  // Superseded by parserPathsFromData (logs a notice first).
  static std::optional<VectorParserPaths> parserPathsFromEPSData(std::span<const std::uint8_t> data);
  // Superseded: the path of record 0 without its fill rule (logs a notice first); nullopt when
  // there is none.
  static std::optional<pf::Path> cgPathFromData(std::span<const std::uint8_t> data);
  static std::optional<pf::Path> cgPathFromImage(const pf::Image& image);

  // One PDF page drawn upright onto an EPS page of the same size; nullopt (logged) on failure.
  static std::optional<std::vector<std::uint8_t>> epsDataFromPdfPage(const pf::PdfDocument& document, int pageIndex);
};
