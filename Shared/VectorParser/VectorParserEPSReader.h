#pragma once

#include <optional>
#include <string_view>

#include "Shared/VectorParser/VectorParserPathStruct.h"

// Reads the drawing operators of an EPS text line by line, without a PostScript interpreter,
// and merges every filled or stroked sub-path into one path centred on the origin by its tight
// box. It knows the plain PostScript names, the short aliases a prolog defines for them (grown
// into its operator table), the letter operators of files that declare EPSF-3.0, the
// translation and scale part of "cm" (with "q"/"Q" nesting), colours, line widths, the
// even-odd fill and what Cairo's EPS output uses ("re", "rectfill", "g", "W n"). Rotation, shear, text and
// images are not read. PostScript is y-up already, so nothing is flipped. Coordinates, colour
// components and line widths are rounded to 4 decimals.
class VectorParserEPSReader {
public:
  // Zero or one record. Missing body markers and a body without any move, line or curve log an
  // error and answer empty. Never nullopt for a given text (kept for the entry's nil answer).
  static std::optional<VectorParserPaths> parserPathsFromEPSString(std::string_view text);

  // The most aliases a prolog may add, the deepest "q" nesting that is remembered.
  static constexpr std::size_t kMaxOperatorTableSize = 1024;
  static constexpr std::size_t kMaxStateDepth = 256;
};
